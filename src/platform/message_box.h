#pragma once

#include <QString>

#include <functional>

namespace tidewick {

// Messages to the moderator. The notices are modal and return when closed; the question is not,
// so that nothing waits for its answer.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    // The critical icon and a single OK button.
    virtual void showCritical(const QString &text, const QString &title) = 0;
    // The warning icon and a single OK button.
    virtual void showWarning(const QString &text, const QString &title) = 0;
    // A question with the buttons 是 and 否, 否 the default; returns at once, and answered gets
    // true for 是 once the moderator answers (false when the question is closed).
    virtual void ask(const QString &text, const QString &title, std::function<void(bool)> answered) = 0;
};

} // namespace tidewick
