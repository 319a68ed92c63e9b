#include "query.h"

#include <cstdlib>

namespace boardservice {

int intParam(const QueryParams &params, const std::string &name, int fallback)
{
    const auto it = params.find(name);
    return it == params.end() ? fallback : std::atoi(it->second.c_str());
}

Faults faultsFromQuery(const QueryParams &params)
{
    Faults faults;
    faults.boardErrorEvery = intParam(params, "boardErrorEvery");
    faults.topicDelayMs = intParam(params, "topicDelayMs");
    faults.boardExtraLinks = intParam(params, "boardExtraLinks");
    faults.boardPageSize = intParam(params, "boardPageSize");
    faults.boardDelayMs = intParam(params, "boardDelayMs");
    faults.boardPadKiB = intParam(params, "boardPadKiB");
    faults.scriptListMs = intParam(params, "scriptListMs", -1);
    faults.lateLinksMs = intParam(params, "lateLinksMs", -1);
    faults.refuseDelete = intParam(params, "refuseDelete") != 0;
    return faults;
}

} // namespace boardservice
