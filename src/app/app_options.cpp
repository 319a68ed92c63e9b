#include "app_options.h"

#include <QDir>

namespace tidewick {

namespace {

const QString kBoardHost = QStringLiteral("board-host");
const QString kPortalUrl = QStringLiteral("portal-url");
const QString kWordList = QStringLiteral("word-list");

} // namespace

void describeOptions(QCommandLineParser &parser, const QString &usualWordList)
{
    const AppOptions defaults;
    parser.setApplicationDescription(QStringLiteral("Watches a discussion board and deletes topics whose title holds "
                                                    "a forbidden word, through the moderator's own browser views."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({kBoardHost, QStringLiteral("The service's board host; board lists are http://HOST/f?kw=NAME."),
        QStringLiteral("host[:port]"), defaults.boardHost});
    parser.addOption({kPortalUrl, QStringLiteral("The portal home page opened at start, where you sign in."),
        QStringLiteral("url"), defaults.portalUrl});
    parser.addOption({kWordList,
        QStringLiteral("The word list file. Without this option: %1").arg(QDir::toNativeSeparators(usualWordList)),
        QStringLiteral("path")});
}

AppOptions readOptions(const QCommandLineParser &parser)
{
    AppOptions options;
    options.boardHost = parser.value(kBoardHost);
    options.portalUrl = parser.value(kPortalUrl);
    options.wordList = parser.value(kWordList);
    return options;
}

AppOptions parseAppOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser, QString());
    parser.parse(arguments);
    return readOptions(parser);
}

} // namespace tidewick
