#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace boardservice {

struct Topic {
    int id = 0;
    std::string board;
    std::string title;
    std::string poster;
    std::int64_t createdMs = 0;
    std::optional<std::int64_t> deletedMs;
    bool withoutDeleteLink = false;
    int pageLoads = 0;
    int deleteRequests = 0; // every request, the refused and repeated ones too
};

struct Ban {
    std::string poster;
    int topicId = 0;
    std::int64_t atMs = 0;
};

struct Faults {
    int boardErrorEvery = 0; // every n-th board load answers 503; 0: never
    int topicDelayMs = 0; // every topic page waits this long before answering
    int boardExtraLinks = 0; // filler links added to every board page
    int boardPageSize = 0; // a board page lists only the newest n topics; 0: all
    int boardDelayMs = 0; // every board page waits this long before answering
    int boardPadKiB = 0; // every board page carries this much more markup
    int scriptListMs = -1; // >= 0: the topic list is built by a script this long after the load event
    int lateLinksMs = -1; // >= 0: the moderation links are added by a script this long after the load
    int refuseDelete = 0; // not 0: a delete is answered 403 with an error page and not done
    // Not 0: the ban link opens a form page, whose button sends the ban and shows the topic again.
    int banFormPage = 0;
};

// Everything the service knows, guarded for its worker threads.
class BoardState {
public:
    Topic post(const std::string &board, const std::string &title, const std::string &poster, bool withoutDeleteLink);
    std::vector<Topic> liveTopics(const std::string &board) const;
    // The topic page as served: counts the load.
    std::optional<Topic> loadTopic(int id);

    std::string signIn();
    bool isSignedIn(const std::string &token) const;

    // Both act only for a signed-in moderator; false (and counted) otherwise.
    bool deleteTopic(int id, const std::string &token);
    bool ban(int topicId, const std::string &token);

    void countLoad(const std::string &kind);
    bool nextBoardLoadFails(); // counts the board load
    // A board page is being answered, or done: how many were at once, at most.
    void boardAnswerStarted();
    void boardAnswerFinished();
    void countDeleteRequest(int id);
    void countDecoyClick();
    void setFaults(const Faults &faults);
    Faults faults() const;

    std::string stateJson() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Topic> m_topics;
    std::vector<Ban> m_bans;
    std::set<std::string> m_sessions;
    std::map<std::string, int> m_loads;
    int m_boardLoads = 0;
    std::int64_t m_lastBoardLoadMs = 0; // gap tracking starts with each change of the faults
    std::int64_t m_maxBoardGapMs = 0;
    int m_unauthorized = 0;
    int m_decoyClicks = 0;
    int m_boardAnswers = 0;
    int m_maxBoardAnswers = 0;
    Faults m_faults;
};

std::int64_t nowMs();

} // namespace boardservice
