#include "app_options.h"
#include "main_window.h"
#include "qt_event_loop.h"
#include "qt_message_box.h"
#include "single_instance.h"
#include "word_list_file.h"

#include <QApplication>
#include <QWebEngineProfile>

#include <cstdio>

using namespace tidewick;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tidewick"));
    const AppOptions options = parseAppOptions(QApplication::arguments());

    SingleInstance instance;
    if (!instance.tryAcquire()) {
        const QString refusal = QStringLiteral("该程序已经运行，禁止重复运行！");
        std::fprintf(stderr, "%s\n", refusal.toLocal8Bit().constData()); // for a start from a terminal
        std::fflush(stderr);
        QtMessageBox().showCritical(refusal, QStringLiteral("错误"));
        return 0;
    }

    // One persistent profile for both views: one sign-in serves both and outlives a restart.
    QWebEngineProfile profile(QStringLiteral("tidewick"));
    QtEventLoop loop;
    QtMessageBox messages;
    {
        MainWindow window(profile, loop, messages, options, wordListPath(QApplication::applicationDirPath()),
            [] { QCoreApplication::exit(0); });
        window.startUp();
        QApplication::exec();
    }
    return 0;
}
