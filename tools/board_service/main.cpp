// A local stand-in for the hosted board service, bound to 127.0.0.1 only: the portal with its
// sign-in, board lists, topic pages with ban and delete controls, a JSON state endpoint and
// fault injection, for the tests and the demo. Like a real service it can answer over https only
// (--tls-cert, --tls-key) with a plain-http listener that sends every request there
// (--upgrade-port), slowly, heavily, and with pages that scripts finish after the load.
#include "board_state.h"
#include "pages.h"
#include "query.h"

#include <httplib.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

using namespace boardservice;

namespace {

constexpr char kCookie[] = "TWSESSION";

std::string sessionToken(const httplib::Request &request)
{
    const std::string cookies = request.get_header_value("Cookie");
    const std::string key = std::string(kCookie) + "=";
    const auto at = cookies.find(key);
    if (at == std::string::npos)
        return {};
    const auto end = cookies.find(';', at);
    return cookies.substr(at + key.size(), end == std::string::npos ? std::string::npos : end - at - key.size());
}

void html(httplib::Response &response, const std::string &body, int status = 200)
{
    response.status = status;
    response.set_content(body, "text/html; charset=utf-8");
}

void signIn(BoardState &state, const httplib::Request &request, httplib::Response &response)
{
    std::string cookie = std::string(kCookie) + "=" + state.signIn() + "; Path=/; HttpOnly";
    if (request.has_param("remember"))
        cookie += "; Max-Age=2592000";
    response.set_header("Set-Cookie", cookie);
    response.set_redirect("/");
}

void seedDemo(BoardState &state)
{
    const char *topics[][2] = {
        {"周末一起去爬山吗", "山行者"},
        {"新人报到，请多关照", "小白"},
        {"出售 代-开 发票 联系QQ", "广告号"},
        {"这个吧的置顶帖在哪里看", "路人甲"},
        {"低价代 开发票，量大从优", "推广员"},
        {"分享一张今天拍的晚霞", "摄影爱好者"},
        {"有没有人一起学做饭", "厨房新手"},
        {"兼职刷单日结，轻松月入过万", "招聘小助手"},
    };
    for (const auto &topic : topics)
        state.post("demo", topic[0], topic[1], false);
}

// A slow service answers its topic pages, and the ban form a topic leads to, this late.
void takeTopicTime(const BoardState &state)
{
    if (const int delay = state.faults().topicDelayMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

void route(httplib::Server &server, BoardState &state)
{
    server.Get("/", [&](const httplib::Request &req, httplib::Response &res) {
        state.countLoad("portal");
        html(res, portalPage(state.isSignedIn(sessionToken(req))));
    });
    server.Post("/login", [&](const httplib::Request &req, httplib::Response &res) { signIn(state, req, res); });
    server.Get("/login", [&](const httplib::Request &req, httplib::Response &res) { signIn(state, req, res); });
    server.Get("/f", [&](const httplib::Request &req, httplib::Response &res) {
        if (state.nextBoardLoadFails())
            return html(res, messagePage("出错了", "服务暂时不可用"), 503);
        const std::string board = req.get_param_value("kw");
        const Faults faults = state.faults();
        std::vector<Topic> topics = state.liveTopics(board);
        if (faults.boardPageSize > 0 && static_cast<int>(topics.size()) > faults.boardPageSize)
            topics.resize(static_cast<std::size_t>(faults.boardPageSize));
        state.boardAnswerStarted();
        if (faults.boardDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(faults.boardDelayMs));
        html(res, boardPage(board, topics, faults));
        state.boardAnswerFinished();
    });
    server.Get(R"(/p/(\d+))", [&](const httplib::Request &req, httplib::Response &res) {
        takeTopicTime(state);
        const auto topic = state.loadTopic(topicId(req.matches[1].str()));
        if (!topic || topic->deletedMs)
            return html(res, messagePage("主题不存在", "该主题不存在或已被删除"), 404);
        html(res, topicPage(*topic, state.isSignedIn(sessionToken(req)), state.faults()));
    });
    server.Get("/banform", [&](const httplib::Request &req, httplib::Response &res) {
        takeTopicTime(state);
        const int tid = topicId(req.get_param_value("tid"));
        if (!tid || !state.isSignedIn(sessionToken(req)))
            return html(res, messagePage("封禁", "请先登录"), 403);
        html(res, banFormPage(tid, state.faults().lateLinksMs));
    });
    server.Get("/delete", [&](const httplib::Request &req, httplib::Response &res) {
        const int tid = topicId(req.get_param_value("tid"));
        state.countDeleteRequest(tid);
        if (state.faults().refuseDelete)
            return html(res, messagePage("删除主题", "操作失败：没有权限"), 403);
        const bool done = state.deleteTopic(tid, sessionToken(req));
        html(res, messagePage("删除主题", done ? "主题已删除" : "请先登录"), done ? 200 : 403);
    });
    server.Post("/ban", [&](const httplib::Request &req, httplib::Response &res) {
        const int tid = topicId(req.get_param_value("tid"));
        const bool done = state.ban(tid, sessionToken(req));
        if (done && state.faults().banFormPage)
            return res.set_redirect("/p/" + std::to_string(tid), 303); // the form sent, the topic is shown again
        res.status = done ? 200 : 403;
        res.set_content(done ? "ok" : "denied", "text/plain");
    });
    server.Get("/decoy", [&](const httplib::Request &, httplib::Response &res) {
        state.countDecoyClick();
        html(res, messagePage("decoy", "decoy"));
    });
    server.Get("/home", [&](const httplib::Request &req, httplib::Response &res) {
        html(res, messagePage(req.get_param_value("un"), "个人主页"));
    });
    server.Get("/hang", [&](const httplib::Request &, httplib::Response &res) { html(res, hangingPage()); });
    server.Get("/dialogs", [&](const httplib::Request &, httplib::Response &res) { html(res, dialogsPage()); });
    server.Get("/api/state", [&](const httplib::Request &, httplib::Response &res) {
        res.set_content(state.stateJson(), "application/json");
    });
    server.Get("/api/post", [&](const httplib::Request &req, httplib::Response &res) {
        const Topic topic = state.post(req.get_param_value("board"), req.get_param_value("title"),
            req.get_param_value("poster"), req.has_param("nodelete"));
        res.set_content(
            "{\"id\":" + std::to_string(topic.id) + ",\"createdMs\":" + std::to_string(topic.createdMs) + "}",
            "application/json");
    });
    server.Get("/api/faults", [&](const httplib::Request &req, httplib::Response &res) {
        if (const std::string refused = applyFaults(state, req.params); !refused.empty()) {
            res.status = 400;
            res.set_content(refused, "text/plain");
            return;
        }
        res.set_content("{}", "application/json");
    });
}

// Every plain-http request goes on to the same path over https, as real services answer; under
// another host name, it stands for a service that sends its board elsewhere.
void upgradeAll(httplib::Server &plain, const std::string &host, int tlsPort)
{
    plain.Get(".*", [host, tlsPort](const httplib::Request &req, httplib::Response &res) {
        res.set_redirect("https://" + host + ":" + std::to_string(tlsPort) + req.target, 301);
    });
}

int listen(httplib::Server &server, int port)
{
    return port ? (server.bind_to_port("127.0.0.1", port) ? port : -1) : server.bind_to_any_port("127.0.0.1");
}

struct Options {
    int port = 0; // 0: any free one
    int upgradePort = -1; // -1: none
    std::string upgradeHost = "127.0.0.1";
    bool demo = false;
    std::string cert;
    std::string key;
    std::string faults; // as for /api/faults
};

// Takes one option with its value; false when it is not an option or the value does not fit it.
bool setOption(Options &options, const std::string &name, const std::string &value)
{
    static const std::map<std::string, int Options::*> kPorts{
        {"--port", &Options::port}, {"--upgrade-port", &Options::upgradePort}};
    static const std::map<std::string, std::string Options::*> kTexts{{"--upgrade-host", &Options::upgradeHost},
        {"--tls-cert", &Options::cert}, {"--tls-key", &Options::key}, {"--faults", &Options::faults}};
    if (const auto port = kPorts.find(name); port != kPorts.end()) {
        const std::optional<int> number = wholeNumber(value, 0, 65535);
        if (number)
            options.*(port->second) = *number;
        return number.has_value();
    }
    if (const auto text = kTexts.find(name); text != kTexts.end()) {
        options.*(text->second) = value;
        return true;
    }
    return false;
}

// The command line, or nullopt once stderr says which part of it is not taken, so that a
// misspelt option fails the test or demo that gave it instead of being left out.
std::optional<Options> optionsFrom(int argc, char *argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--demo") {
            options.demo = true;
            continue;
        }
        const char *value = i + 1 < argc ? argv[++i] : nullptr;
        if (!value || !setOption(options, name, value)) {
            std::fprintf(
                stderr, "not an option the service takes: %s %s\n", name.c_str(), value ? value : "(no value)");
            return std::nullopt;
        }
    }
    return options;
}

// Serves until stopped: the board, over https when a certificate is given, and then the
// plain-http upgrade to it when asked for.
int serve(const Options &options, BoardState &state)
{
    const std::unique_ptr<httplib::Server> server = options.cert.empty()
        ? std::make_unique<httplib::Server>()
        : std::make_unique<httplib::SSLServer>(options.cert.c_str(), options.key.c_str());
    if (!server->is_valid()) {
        std::fprintf(stderr, "cannot use the certificate %s and key %s\n", options.cert.c_str(), options.key.c_str());
        return 1;
    }
    server->new_task_queue = [] { return new httplib::ThreadPool(16); };
    route(*server, state);
    const int bound = listen(*server, options.port);
    if (bound <= 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", options.port);
        return 1;
    }
    std::printf("listening on 127.0.0.1:%d\n", bound);
    httplib::Server plain;
    std::thread upgrading;
    if (options.upgradePort >= 0 && !options.cert.empty()) {
        upgradeAll(plain, options.upgradeHost, bound);
        const int plainBound = listen(plain, options.upgradePort);
        if (plainBound <= 0) {
            std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", options.upgradePort);
            return 1;
        }
        std::printf("upgrading 127.0.0.1:%d\n", plainBound);
        upgrading = std::thread([&plain] { plain.listen_after_bind(); });
    }
    std::fflush(stdout);
    const bool served = server->listen_after_bind();
    plain.stop();
    if (upgrading.joinable())
        upgrading.join();
    return served ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::optional<Options> options = optionsFrom(argc, argv);
    if (!options)
        return 2;
    BoardState state;
    if (options->demo)
        seedDemo(state);
    if (!options->faults.empty()) {
        httplib::Params params;
        httplib::detail::parse_query_text(options->faults, params);
        if (const std::string refused = applyFaults(state, params); !refused.empty()) {
            std::fprintf(stderr, "--faults: %s\n", refused.c_str());
            return 2;
        }
    }
    return serve(*options, state);
}
