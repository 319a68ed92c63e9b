#pragma once

#include "browser_view.h"

#include <QString>

namespace tidewick {

// How many of a page's topic links (a web address and a text) one word alone would match.
struct WordReach {
    int links = 0;
    int matched = 0;

    // Worth a question before the word is added: a page of some size, and more than a third of it.
    bool isTooBroad() const { return links >= 10 && matched * 3 > links; }
};

WordReach reachOf(const QString &word, const AnchorList &anchors);

} // namespace tidewick
