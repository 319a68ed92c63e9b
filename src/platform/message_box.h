#pragma once

#include <QString>

namespace tidewick {

// Modal messages; each returns when closed.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    // The critical icon and a single OK button.
    virtual void showCritical(const QString &text, const QString &title) = 0;
    // The warning icon and a single OK button.
    virtual void showWarning(const QString &text, const QString &title) = 0;
    // A question with the buttons 是 and 否, 否 the default; true for 是.
    virtual bool askYesNo(const QString &text, const QString &title) = 0;
};

} // namespace tidewick
