#include "app_options.h"

#include <QDir>

namespace tidewick {

namespace {

const QString kBoardHost = QStringLiteral("board-host");
const QString kPortalUrl = QStringLiteral("portal-url");
const QString kWordList = QStringLiteral("word-list");
const QString kRecordDays = QStringLiteral("record-days");

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
    parser.addOption({kRecordDays,
        QStringLiteral("Days the record of actions keeps a row; older rows are removed at start and once a day. "
                       "0 keeps every row."),
        QStringLiteral("days"), QString::number(defaults.recordDays)});
}

ReadOptions parseAppOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser, QString());
    ReadOptions read;
    if (!parser.parse(arguments)) {
        read.error = parser.errorText();
        return read;
    }
    AppOptions &options = read.options;
    options.boardHost = parser.value(kBoardHost);
    options.portalUrl = parser.value(kPortalUrl);
    options.wordList = parser.value(kWordList);
    bool number = false;
    options.recordDays = parser.value(kRecordDays).toInt(&number);
    if (!number || options.recordDays < 0)
        read.error = QStringLiteral("--record-days takes a whole number of days, 0 or more, not \"%1\"")
                         .arg(parser.value(kRecordDays));
    return read;
}

} // namespace tidewick
