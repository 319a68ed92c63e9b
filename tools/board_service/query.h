#pragma once

#include "board_state.h"

#include <map>
#include <string>

namespace boardservice {

// A request's query parameters, as the HTTP server hands them over.
using QueryParams = std::multimap<std::string, std::string>;

// The first value of a parameter as a whole number; the fallback when it is absent.
int intParam(const QueryParams &params, const std::string &name, int fallback = 0);

// /api/faults?boardErrorEvery=N&topicDelayMs=M&boardExtraLinks=K&boardPageSize=P&boardDelayMs=D
// &boardPadKiB=W&scriptListMs=S&lateLinksMs=L&refuseDelete=1; absent ones are 0, or -1 (not by
// script) for scriptListMs and lateLinksMs.
Faults faultsFromQuery(const QueryParams &params);

} // namespace boardservice
