#include "board_state.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <chrono>
#include <random>

namespace boardservice {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

Topic BoardState::post(
    const std::string &board, const std::string &title, const std::string &poster, bool withoutDeleteLink)
{
    std::lock_guard lock(m_mutex);
    Topic topic{static_cast<int>(m_topics.size()) + 1, board, title, poster, nowMs(), std::nullopt, withoutDeleteLink};
    m_topics.push_back(topic);
    return topic;
}

std::vector<Topic> BoardState::liveTopics(const std::string &board) const
{
    std::lock_guard lock(m_mutex);
    std::vector<Topic> live;
    for (auto it = m_topics.rbegin(); it != m_topics.rend(); ++it) {
        if (it->board == board && !it->deletedMs)
            live.push_back(*it);
    }
    return live;
}

std::optional<Topic> BoardState::loadTopic(int id)
{
    std::lock_guard lock(m_mutex);
    ++m_loads["topic"];
    if (id < 1 || id > static_cast<int>(m_topics.size()))
        return std::nullopt;
    ++m_topics[id - 1].pageLoads;
    return m_topics[id - 1];
}

std::string BoardState::signIn()
{
    static std::mt19937_64 random{std::random_device{}()};
    std::lock_guard lock(m_mutex);
    const std::string token = std::to_string(random()) + std::to_string(random());
    m_sessions.insert(token);
    return token;
}

bool BoardState::isSignedIn(const std::string &token) const
{
    std::lock_guard lock(m_mutex);
    return m_sessions.count(token) != 0;
}

bool BoardState::deleteTopic(int id, const std::string &token)
{
    std::lock_guard lock(m_mutex);
    if (!m_sessions.count(token) || id < 1 || id > static_cast<int>(m_topics.size())) {
        ++m_unauthorized;
        return false;
    }
    Topic &topic = m_topics[id - 1];
    if (!topic.deletedMs)
        topic.deletedMs = nowMs();
    return true;
}

bool BoardState::ban(int topicId, const std::string &token)
{
    std::lock_guard lock(m_mutex);
    if (!m_sessions.count(token) || topicId < 1 || topicId > static_cast<int>(m_topics.size())) {
        ++m_unauthorized;
        return false;
    }
    m_bans.push_back(Ban{m_topics[topicId - 1].poster, topicId, nowMs()});
    return true;
}

void BoardState::countLoad(const std::string &kind)
{
    std::lock_guard lock(m_mutex);
    ++m_loads[kind];
}

bool BoardState::nextBoardLoadFails()
{
    std::lock_guard lock(m_mutex);
    ++m_loads["board"];
    ++m_boardLoads;
    const std::int64_t now = nowMs();
    if (m_lastBoardLoadMs)
        m_maxBoardGapMs = std::max(m_maxBoardGapMs, now - m_lastBoardLoadMs);
    m_lastBoardLoadMs = now;
    return m_faults.boardErrorEvery > 0 && m_boardLoads % m_faults.boardErrorEvery == 0;
}

void BoardState::boardAnswerStarted()
{
    std::lock_guard lock(m_mutex);
    m_maxBoardAnswers = std::max(m_maxBoardAnswers, ++m_boardAnswers);
}

void BoardState::boardAnswerFinished()
{
    std::lock_guard lock(m_mutex);
    --m_boardAnswers;
}

void BoardState::countDeleteRequest(int id)
{
    std::lock_guard lock(m_mutex);
    if (id >= 1 && id <= static_cast<int>(m_topics.size()))
        ++m_topics[id - 1].deleteRequests;
}

void BoardState::countDecoyClick()
{
    std::lock_guard lock(m_mutex);
    ++m_decoyClicks;
}

void BoardState::setFaults(const Faults &faults)
{
    std::lock_guard lock(m_mutex);
    m_faults = faults;
    m_lastBoardLoadMs = 0;
    m_maxBoardGapMs = 0;
}

Faults BoardState::faults() const
{
    std::lock_guard lock(m_mutex);
    return m_faults;
}

std::string BoardState::stateJson() const
{
    std::lock_guard lock(m_mutex);
    QJsonArray topics;
    for (const Topic &t : m_topics) {
        QJsonObject o{{QStringLiteral("id"), t.id}, {QStringLiteral("board"), QString::fromStdString(t.board)},
            {QStringLiteral("title"), QString::fromStdString(t.title)},
            {QStringLiteral("poster"), QString::fromStdString(t.poster)},
            {QStringLiteral("createdMs"), static_cast<double>(t.createdMs)},
            {QStringLiteral("deleted"), t.deletedMs.has_value()}, {QStringLiteral("pageLoads"), t.pageLoads},
            {QStringLiteral("deleteRequests"), t.deleteRequests}};
        if (t.deletedMs)
            o.insert(QStringLiteral("deletedMs"), static_cast<double>(*t.deletedMs));
        topics.append(o);
    }
    QJsonArray bans;
    for (const Ban &b : m_bans) {
        bans.append(QJsonObject{{QStringLiteral("poster"), QString::fromStdString(b.poster)},
            {QStringLiteral("topicId"), b.topicId}, {QStringLiteral("atMs"), static_cast<double>(b.atMs)}});
    }
    QJsonObject loads;
    for (const auto &[kind, count] : m_loads)
        loads.insert(QString::fromStdString(kind), count);
    const QJsonObject state{{QStringLiteral("topics"), topics}, {QStringLiteral("bans"), bans},
        {QStringLiteral("pageLoads"), loads}, {QStringLiteral("unauthorized"), m_unauthorized},
        {QStringLiteral("maxBoardGapMs"), static_cast<double>(m_maxBoardGapMs)},
        {QStringLiteral("decoyClicks"), m_decoyClicks}, {QStringLiteral("maxBoardAnswers"), m_maxBoardAnswers}};
    return QJsonDocument(state).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace boardservice
