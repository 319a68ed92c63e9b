#include "app_options.h"

#include "board_origin.h"

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
    parser.addOption({kBoardHost,
        QStringLiteral("The board service: HOST[:PORT] (plain http), http://HOST[:PORT] or https://HOST[:PORT]; board "
                       "lists are ORIGIN/f?kw=NAME. A service that sends the plain address on to https on the same "
                       "host is followed there."),
        QStringLiteral("origin"), defaults.boardOrigin.host()});
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
    const BoardOrigin origin = parseBoardOrigin(parser.value(kBoardHost));
    if (!origin.error.isEmpty()) {
        read.error = origin.error;
        return read;
    }
    options.boardOrigin = origin.origin;
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
