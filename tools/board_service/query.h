#pragma once

#include "board_state.h"

#include <map>
#include <string>

namespace boardservice {

// A request's query parameters, as the HTTP server hands them over.
using QueryParams = std::multimap<std::string, std::string>;

// The first value of a parameter as a whole number; the fallback when it is absent.
int intParam(const QueryParams &params, const std::string &name, int fallback = 0);

// /api/faults?boardErrorEvery=N&topicDelayMs=M&boardExtraLinks=K&boardPageSize=P; absent ones are 0.
Faults faultsFromQuery(const QueryParams &params);

} // namespace boardservice
