#pragma once

#include "fakes.h"
#include "main_window.h"
#include "test_run_folder.h"
#include "word_list_file.h"

#include <QFile>
#include <QWebEngineProfile>
#include <QWidget>

// One main window as the program builds it, with its own profile, word list and action log and a
// message box that records instead of blocking.
struct WindowFixture {
    // Without words there is no word-list file.
    explicit WindowFixture(const tidewick::AppOptions &options, const QStringList &words = {})
    {
        storage.setAutoRemove(false);
        profile.setPersistentStoragePath(storage.filePath(QStringLiteral("profile")));
        if (!words.isEmpty()) {
            QFile file(wordListPath());
            file.open(QIODevice::WriteOnly);
            file.write(tidewick::encodeWordList(words));
        }
        window = std::make_unique<tidewick::MainWindow>(profile, messages, options,
            tidewick::AppPaths{wordListPath(), actionLogPath()}, [this] { ++exitRequests; });
    }

    ~WindowFixture() { window.reset(); }

    QString wordListPath() const { return storage.filePath(QStringLiteral("data.dat")); }
    QString actionLogPath() const { return storage.filePath(QStringLiteral("actions.sqlite")); }

    template <typename T> T *control(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

    QTemporaryDir storage{testRunFolder().filePath(QStringLiteral("window-XXXXXX"))};
    QWebEngineProfile profile{QStringLiteral("window-test")};
    tidewick::fakes::FakeMessageBox messages;
    int exitRequests = 0; // the program's exit, recorded instead of leaving the application
    std::unique_ptr<tidewick::MainWindow> window;
};
