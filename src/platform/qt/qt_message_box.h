#pragma once

#include "message_box.h"

#include <QPointer>
#include <QWidget>

namespace tidewick {

class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    void showCritical(const QString &text, const QString &title) override;
    void showWarning(const QString &text, const QString &title) override;
    void ask(const QString &text, const QString &title, std::function<void(bool)> answered) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace tidewick
