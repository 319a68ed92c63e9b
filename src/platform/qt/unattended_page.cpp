#include "unattended_page.h"

#include <QCoreApplication>
#include <QDebug>

namespace tidewick {

namespace {

// The engine asks about leaving a page with a beforeunload handler through confirm(), with this text.
QString leavePageQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

// On stderr, through the message handler, so that it can be told apart from other output.
void note(const char *kind, const QString &message, const char *answer)
{
    qInfo().noquote() << QStringLiteral("tidewick: page %1 \"%2\": %3")
                             .arg(QLatin1StringView(kind), message.left(200), QLatin1StringView(answer));
}

} // namespace

UnattendedPage::UnattendedPage(QWebEngineProfile *profile, ConfirmAnswer confirm, std::function<bool()> unattended)
    : QWebEnginePage(profile)
    , m_confirm(confirm)
    , m_unattended(std::move(unattended))
{
}

void UnattendedPage::javaScriptAlert(const QUrl &origin, const QString &message)
{
    if (!m_unattended())
        return QWebEnginePage::javaScriptAlert(origin, message);
    note("alert", message, "dismissed");
}

bool UnattendedPage::javaScriptConfirm(const QUrl &origin, const QString &message)
{
    if (!m_unattended())
        return QWebEnginePage::javaScriptConfirm(origin, message);
    if (message == leavePageQuestion()) {
        note("beforeunload", message, "left");
        return true;
    }
    const bool accept = m_confirm == ConfirmAnswer::Accept;
    note("confirm", message, accept ? "accepted" : "cancelled");
    return accept;
}

bool UnattendedPage::javaScriptPrompt(const QUrl &origin, const QString &message, const QString &value, QString *result)
{
    if (!m_unattended())
        return QWebEnginePage::javaScriptPrompt(origin, message, value, result);
    note("prompt", message, "cancelled");
    return false;
}

} // namespace tidewick
