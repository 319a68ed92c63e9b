#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace tidewick {

// Where the service lives. The defaults point nowhere real: a moderator names the service.
struct AppOptions {
    QUrl boardOrigin = QUrl(QStringLiteral("http://board.invalid"));
    QString portalUrl = QStringLiteral("http://board.invalid/");
    QString wordList; // --word-list; empty: the usual place
    int recordDays = 365; // --record-days; 0 keeps every row
};

// The options, or what is wrong with them.
struct ReadOptions {
    AppOptions options;
    QString error; // empty when every option is sound
};

// The files the window keeps, chosen once at start.
struct AppPaths {
    QString wordList;
    QString actionLog;
};

// --help, --version, --board-host [SCHEME://]HOST[:PORT], --portal-url URL, --word-list PATH and
// --record-days N; the help names the word list's usual place.
void describeOptions(QCommandLineParser &parser, const QString &usualWordList);
// The options of an argument list (the program's name first), without acting on --help or
// --version.
ReadOptions parseAppOptions(const QStringList &arguments);

} // namespace tidewick
