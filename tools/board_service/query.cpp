#include "query.h"

#include <cstdlib>

namespace boardservice {

int intParam(const QueryParams &params, const std::string &name, int fallback)
{
    const auto it = params.find(name);
    return it == params.end() ? fallback : std::atoi(it->second.c_str());
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
    };
    FaultsRead read;
    for (const auto &[name, value] : params) {
        const auto field = kFields.find(name);
        char *end = nullptr;
        const long number = std::strtol(value.c_str(), &end, 10);
        if (field == kFields.end() || value.empty() || *end != '\0' || number < -1 || number > 1'000'000)
            return {Faults{}, "not a fault the service takes: " + name + "=" + value};
        read.faults.*(field->second) = static_cast<int>(number);
    }
    return read;
}

} // namespace boardservice
