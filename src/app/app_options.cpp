#include "app_options.h"

#include <QCommandLineParser>

namespace tidewick {

AppOptions parseAppOptions(const QStringList &arguments)
{
    AppOptions options;
    QCommandLineParser parser;
    const QCommandLineOption boardHost(QStringLiteral("board-host"), QStringLiteral("The service's board host."),
        QStringLiteral("host[:port]"), options.boardHost);
    const QCommandLineOption portalUrl(QStringLiteral("portal-url"),
        QStringLiteral("The portal home page opened at start."), QStringLiteral("url"), options.portalUrl);
    parser.addOption(boardHost);
    parser.addOption(portalUrl);
    parser.parse(arguments);
    options.boardHost = parser.value(boardHost);
    options.portalUrl = parser.value(portalUrl);
    return options;
}

} // namespace tidewick
