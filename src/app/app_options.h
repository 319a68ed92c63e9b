#pragma once

#include <QString>
#include <QStringList>

namespace tidewick {

// Where the service lives. The defaults point nowhere real: a moderator names the service.
struct AppOptions {
    QString boardHost = QStringLiteral("board.invalid");
    QString portalUrl = QStringLiteral("http://board.invalid/");
};

// Reads --board-host HOST[:PORT] and --portal-url URL; anything else is left to Qt.
AppOptions parseAppOptions(const QStringList &arguments);

} // namespace tidewick
