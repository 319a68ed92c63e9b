#include "qt_message_box.h"

#include <QMessageBox>

namespace tidewick {

void QtMessageBox::showCritical(const QString &text, const QString &title)
{
    QMessageBox::critical(m_parent, title, text, QMessageBox::Ok);
}

} // namespace tidewick
