#include "app_options.h"
#include "main_window.h"
#include "qt_message_box.h"
#include "single_instance.h"
#include "word_list_file.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QWebEngineProfile>

#include <cstdio>
#include <cstring>

using namespace tidewick;

namespace {

// Help and version need no display: they are answered before the window toolkit starts.
bool asksForHelpOrVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *flag : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], flag) == 0)
                return true;
        }
    }
    return false;
}

// The data folder holds the browser profile, the action log and, for an installed program, the word list.
QString dataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    return folder;
}

QString chosenWordList(const QString &option)
{
    return chooseWordListPath(option, QCoreApplication::applicationDirPath(), QStringLiteral(TIDEWICK_INSTALL_BINDIR),
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tidewick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEWICK_VERSION));
    if (asksForHelpOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describeOptions(parser, chosenWordList(QString()));
        parser.process(app);
        return 0;
    }

    QApplication app(argc, argv); // takes the toolkit's own options out of the arguments
    // Refused before any window: a moderator who mistyped an option learns it at once.
    const ReadOptions read = parseAppOptions(QCoreApplication::arguments());
    if (!read.error.isEmpty()) {
        std::fprintf(stderr, "tidewick: %s\n", read.error.toLocal8Bit().constData());
        return 2;
    }
    const AppOptions &options = read.options;

    SingleInstance instance;
    if (!instance.tryAcquire()) {
        const QString refusal = QStringLiteral("该程序已经运行，禁止重复运行！");
        std::fprintf(stderr, "%s\n", refusal.toLocal8Bit().constData()); // for a start from a terminal
        std::fflush(stderr);
        QtMessageBox().showCritical(refusal, QStringLiteral("错误"));
        return 0;
    }

    const QString data = dataFolder();
    const AppPaths paths{chosenWordList(options.wordList), data + QStringLiteral("/actions.sqlite")};

    // One persistent profile for both views: one sign-in serves both and outlives a restart.
    QWebEngineProfile profile(QStringLiteral("tidewick"));
    QtMessageBox messages;
    {
        MainWindow window(profile, messages, options, paths, [] { QCoreApplication::exit(0); });
        window.startUp();
        QApplication::exec();
    }
    return 0;
}
