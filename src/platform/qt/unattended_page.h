#pragma once

#include <QWebEnginePage>

#include <functional>

namespace tidewick {

// A page whose dialogs nobody has to answer while the tool works on its own: alert() is
// dismissed, prompt() cancelled, leaving the page allowed and confirm() answered as set, each
// noted on stderr. While it is attended, the page shows its dialogs as a browser would.
class UnattendedPage final : public QWebEnginePage {
    Q_OBJECT
public:
    enum class ConfirmAnswer { Accept, Cancel };

    UnattendedPage(
        QWebEngineProfile *profile, ConfirmAnswer confirm, std::function<bool()> unattended = [] { return true; });

    bool isUnattended() const { return m_unattended(); }

protected:
    void javaScriptAlert(const QUrl &origin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &origin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &origin, const QString &message, const QString &value, QString *result) override;

private:
    ConfirmAnswer m_confirm;
    std::function<bool()> m_unattended;
};

} // namespace tidewick
