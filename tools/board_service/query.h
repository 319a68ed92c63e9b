#pragma once

#include "board_state.h"

#include <map>
#include <optional>
#include <string>

namespace boardservice {

// A request's query parameters, as the HTTP server hands them over.
using QueryParams = std::multimap<std::string, std::string>;

// The text as a whole number from lowest to highest; nullopt when it is anything else.
std::optional<int> wholeNumber(const std::string &text, int lowest, int highest);

// The topic a path or parameter names; 0, which names none, when it is not a whole number from 1
// up, as a real service takes "12abc" for no topic at all.
int topicId(const std::string &text);

struct FaultsRead {
    Faults faults;
    std::string error; // empty when every parameter named a fault with a whole number
};

// /api/faults?boardErrorEvery=N&topicDelayMs=M&boardExtraLinks=K&boardPageSize=P&boardDelayMs=D
// &boardPadKiB=W&scriptListMs=S&lateLinksMs=L&refuseDelete=1; absent ones are as in Faults. An
// unknown name, or a value that is not a whole number from -1 to 1,000,000, is refused, so a
// misspelt fault fails the test that asked for it instead of leaving it to run without.
FaultsRead faultsFromQuery(const QueryParams &params);

// Sets the faults the parameters name, as faultsFromQuery reads them; the refusal, or empty when
// they were set.
std::string applyFaults(BoardState &state, const QueryParams &params);

} // namespace boardservice
