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

bool QtMessageBox::askYesNo(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, m_parent);
    QPushButton *yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace tidewick
