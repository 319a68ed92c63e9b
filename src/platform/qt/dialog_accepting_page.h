#pragma once

#include <QWebEnginePage>

namespace tidewick {

// A page for unattended use: confirm() is accepted, alert() dismissed and prompt() cancelled,
// silently, so a watch never stops on a dialog.
class DialogAcceptingPage final : public QWebEnginePage {
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl &, const QString &) override { }
    bool javaScriptConfirm(const QUrl &, const QString &) override { return true; }
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override { return false; }
};

} // namespace tidewick
