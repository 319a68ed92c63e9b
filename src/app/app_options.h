#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace tidewick {

// Where the service lives. The defaults point nowhere real: a moderator names the service.
struct AppOptions {
    QString boardHost = QStringLiteral("board.invalid");
    QString portalUrl = QStringLiteral("http://board.invalid/");
    QString wordList; // --word-list; empty: the usual place
};

// The files the window keeps, chosen once at start.
struct AppPaths {
    QString wordList;
    QString actionLog;
};

// --help, --version, --board-host HOST[:PORT], --portal-url URL and --word-list PATH; the help
// names the word list's usual place.
void describeOptions(QCommandLineParser &parser, const QString &usualWordList);
AppOptions readOptions(const QCommandLineParser &parser);
// The options of an argument list, without acting on --help or --version.
AppOptions parseAppOptions(const QStringList &arguments);

} // namespace tidewick
