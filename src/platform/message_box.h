#pragma once

#include <QString>

namespace tidewick {

// A modal message with the critical icon and a single OK button; returns when closed.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void showCritical(const QString &text, const QString &title) = 0;
};

} // namespace tidewick
