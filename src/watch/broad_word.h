#pragma once

#include <QString>
#include <QStringList>

namespace tidewick {

// How many of the links that the watch would try on a page one word alone would match.
struct WordReach {
    int links = 0;
    int matched = 0;

    // Worth a question before the word is added: a page of some size, and more than a third of it.
    bool isTooBroad() const { return links >= 10 && matched * 3 > links; }
};

WordReach reachOf(const QString &word, const QStringList &linkTexts);

} // namespace tidewick
