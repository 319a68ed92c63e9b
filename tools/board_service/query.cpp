#include "query.h"

#include <cstdlib>
#include <limits>

namespace boardservice {

std::optional<int> wholeNumber(const std::string &text, int lowest, int highest)
{
    char *end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < lowest || number > highest)
        return std::nullopt;
    return static_cast<int>(number);
}

int topicId(const std::string &text)
{
    return wholeNumber(text, 1, std::numeric_limits<int>::max()).value_or(0);
}

FaultsRead faultsFromQuery(const QueryParams &params)
{
    static const std::map<std::string, int Faults::*> kFields{
        {"boardErrorEvery", &Faults::boardErrorEvery},
        {"topicDelayMs", &Faults::topicDelayMs},
        {"boardExtraLinks", &Faults::boardExtraLinks},
        {"boardPageSize", &Faults::boardPageSize},
        {"boardDelayMs", &Faults::boardDelayMs},
        {"boardPadKiB", &Faults::boardPadKiB},
        {"scriptListMs", &Faults::scriptListMs},
        {"lateLinksMs", &Faults::lateLinksMs},
        {"refuseDelete", &Faults::refuseDelete},
        {"banFormPage", &Faults::banFormPage},
    };
    FaultsRead read;
    for (const auto &[name, value] : params) {
        const auto field = kFields.find(name);
        const std::optional<int> number = wholeNumber(value, -1, 1'000'000);
        if (field == kFields.end() || !number)
            return {Faults{}, "not a fault the service takes: " + name + "=" + value};
        read.faults.*(field->second) = *number;
    }
    return read;
}

std::string applyFaults(BoardState &state, const QueryParams &params)
{
    const FaultsRead read = faultsFromQuery(params);
    if (read.error.empty())
        state.setFaults(read.faults);
    return read.error;
}

} // namespace boardservice
