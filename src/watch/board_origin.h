#pragma once

#include <QString>
#include <QUrl>

namespace tidewick {

// The board service's origin, as the moderator names it: HOST[:PORT] (plain http),
// http://HOST[:PORT] or https://HOST[:PORT].
struct BoardOrigin {
    QUrl origin; // scheme, host and port only; invalid when error is set
    QString error; // what is wrong with the text, empty when nothing
};

BoardOrigin parseBoardOrigin(const QString &text);

// The port a URL names, or its scheme's default.
int effectivePort(const QUrl &url);

// Same scheme, host and port.
bool isSameOrigin(const QUrl &a, const QUrl &b);

} // namespace tidewick
