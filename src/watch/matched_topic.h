#pragma once

#include <QString>

namespace tidewick {

// A matching topic link as the board page showed it, and the entry it holds.
struct MatchedTopic {
    QString board; // the board it was listed on, as given at Start
    QString address;
    QString linkText;
    QString word; // the entry as written
};

} // namespace tidewick
