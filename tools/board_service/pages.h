#pragma once

#include "board_state.h"

#include <string>
#include <vector>

namespace boardservice {

std::string escapeHtml(const std::string &text);
std::string portalPage(bool signedIn);
// The faults shape it: filler links and markup, and a list built by script after the load.
std::string boardPage(const std::string &board, const std::vector<Topic> &topics, const Faults &faults);
// The faults shape its moderation controls: added by script after the load, a ban on a page of its own.
std::string topicPage(const Topic &topic, bool moderator, const Faults &faults);
// The ban form that a ban link opens on a page of its own; sending it shows the topic again. With
// lateLinksMs >= 0 a script adds the form that long after the load.
std::string banFormPage(int topicId, int lateLinksMs);
std::string messagePage(const std::string &title, const std::string &text);
std::string hangingPage();
// Raises alert(), confirm() and prompt() as it loads, shows their answers in its title, and asks
// before it is left.
std::string dialogsPage();

} // namespace boardservice
