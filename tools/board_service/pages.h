#pragma once

#include "board_state.h"

#include <string>
#include <vector>

namespace boardservice {

std::string escapeHtml(const std::string &text);
std::string portalPage(bool signedIn);
std::string boardPage(const std::string &board, const std::vector<Topic> &topics, int extraLinks);
std::string topicPage(const Topic &topic, bool moderator);
std::string messagePage(const std::string &title, const std::string &text);
std::string hangingPage();
// Raises alert(), confirm() and prompt() as it loads, shows their answers in its title, and asks
// before it is left.
std::string dialogsPage();

} // namespace boardservice
