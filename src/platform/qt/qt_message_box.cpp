#include "qt_message_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace tidewick {

void QtMessageBox::showCritical(const QString &text, const QString &title)
{
    QMessageBox::critical(m_parent, title, text, QMessageBox::Ok);
}

void QtMessageBox::showWarning(const QString &text, const QString &title)
{
    QMessageBox::warning(m_parent, title, text, QMessageBox::Ok);
}

void QtMessageBox::ask(const QString &text, const QString &title, std::function<void(bool)> answered)
{
    auto *box = new QMessageBox(QMessageBox::Question, title, text, QMessageBox::NoButton, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QPushButton *yes = box->addButton(QStringLiteral("是"), QMessageBox::YesRole);
    QPushButton *no = box->addButton(QStringLiteral("否"), QMessageBox::NoRole);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    QObject::connect(box, &QMessageBox::finished, box,
        [box, yes, answered = std::move(answered)] { answered(box->clickedButton() == yes); });
    box->show();
}

} // namespace tidewick
