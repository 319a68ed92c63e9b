#include "pages.h"

#include <cctype>

namespace boardservice {

namespace {

std::string page(const std::string &title, const std::string &body)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + escapeHtml(title)
        + "</title><style>body{font-family:sans-serif;font-size:14px;margin:8px}li{margin:4px 0}"
          ".poster{color:#777;margin-left:8px}.mod a{margin-right:12px}</style></head><body>"
        + body + "</body></html>";
}

std::string percentEncode(const std::string &text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Markup that a script adds this long after the load event, as pages built on the client do; kept
// in a template until then, so that no anchor of it is in the document before.
std::string addedLater(const std::string &id, const std::string &markup, int afterMs)
{
    if (afterMs < 0)
        return markup;
    return "<template id=\"" + id + "-later\">" + markup + "</template><div id=\"" + id
        + "\"></div><script>addEventListener('load',function(){setTimeout(function(){document.getElementById('" + id
        + "').appendChild(document.getElementById('" + id + "-later').content.cloneNode(true))},"
        + std::to_string(afterMs) + ")})</script>";
}

std::string banButton(const std::string &attributes)
{
    return "<input " + attributes + " name=\"ban_ip_button\" value=\"确定\">";
}

} // namespace

std::string escapeHtml(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string portalPage(bool signedIn)
{
    if (signedIn) {
        return page("本地论坛",
            "<h3>本地论坛</h3><p id=\"who\">已登录</p>"
            "<p><a href=\"/f?kw=demo\">进入 demo 吧</a></p>");
    }
    return page("本地论坛 - 登录",
        "<h3>本地论坛</h3><form id=\"signin\" method=\"post\" action=\"/login\">"
        "<p>用户名 <input name=\"user\" autofocus></p>"
        "<p>密码 <input name=\"password\" type=\"password\"></p>"
        "<p><label><input name=\"remember\" type=\"checkbox\" value=\"1\" checked>记住登录状态</label></p>"
        "<p><input type=\"submit\" value=\"登录\"></p></form>");
}

// Realistic surroundings: an image map whose areas come before the topics, anchors without an
// address, poster and paging links.
std::string boardPage(const std::string &board, const std::vector<Topic> &topics, const Faults &faults)
{
    std::string body = "<p><a href=\"/\">首页</a> <a name=\"top\">" + escapeHtml(board)
        + "吧</a> <a href=\"/f?kw=" + percentEncode(board) + "\">刷新</a></p>";
    body += "<map name=\"hot\">";
    for (const Topic &t : topics)
        body += "<area shape=\"rect\" coords=\"0,0,10,10\" href=\"/p/" + std::to_string(t.id) + "\" alt=\"\">";
    body += "</map><img usemap=\"#hot\" width=\"1\" height=\"1\" alt=\"\">";
    std::string list = "<ul>";
    for (const Topic &t : topics) {
        list += "<li><a class=\"title\" href=\"/p/" + std::to_string(t.id) + "\">" + escapeHtml(t.title)
            + "</a><a class=\"poster\" href=\"/home?un=" + percentEncode(t.poster) + "\">" + escapeHtml(t.poster)
            + "</a></li>";
    }
    body += addedLater("topics", list + "</ul>", faults.scriptListMs);
    body += "<p><a>更多</a> <a href=\"/f?kw=" + percentEncode(board) + "&amp;pn=50\">下一页</a></p>";
    for (int i = 0; i < faults.boardExtraLinks; ++i)
        body += "<a href=\"/home?un=u" + std::to_string(i) + "\">u" + std::to_string(i) + "</a> ";
    if (faults.boardPadKiB > 0) {
        body += "<div hidden>";
        for (int i = 0; i < faults.boardPadKiB * 16; ++i)
            body += "<span>页面的其余部分：广告、推荐、签名档。</span>"; // 64 bytes
        body += "</div>";
    }
    return page(board + "吧", body);
}

// A moderator sees the ban link with its in-page form, or one that opens a form page, and the
// delete link, which asks first. Some pages carry decoys whose texts only resemble the real ones.
std::string topicPage(const Topic &topic, bool moderator, const Faults &faults)
{
    const std::string id = std::to_string(topic.id);
    std::string body = "<h3>" + escapeHtml(topic.title) + "</h3><p>楼主：<a href=\"/home?un="
        + percentEncode(topic.poster) + "\">" + escapeHtml(topic.poster) + "</a></p>";
    if (moderator) {
        std::string controls = "<p class=\"mod\">";
        if (topic.id % 2 == 0) {
            controls += "<a href=\"/decoy?tid=" + id + "\">封禁</a><a href=\"/decoy?tid=" + id + "\">删除主题 </a>";
        }
        controls += faults.banFormPage
            ? "<a href=\"/banform?tid=" + id + "\">封</a>"
            : "<a href=\"javascript:;\" onclick=\"document.getElementById('banform').style.display='block'\">封</a>";
        if (!topic.withoutDeleteLink) {
            controls += "<a href=\"/delete?tid=" + id
                + "\" onclick=\"return confirm('确定要删除这个主题吗？')\">删除主题</a>";
        }
        controls += "</p>";
        if (!faults.banFormPage) {
            controls += "<div id=\"banform\" style=\"display:none\">封禁 " + escapeHtml(topic.poster) + "："
                + banButton("type=\"button\" onclick=\"fetch('/ban?tid=" + id
                    + "',{method:'POST',credentials:'same-origin'}).then(function(){"
                      "document.getElementById('banned').textContent='已封禁'})\"")
                + "<span id=\"banned\"></span></div>";
        }
        body += addedLater("moderation", controls, faults.lateLinksMs);
    }
    body += "<p>正文</p>";
    return page(topic.title, body);
}

std::string banFormPage(int topicId, int lateLinksMs)
{
    return page("封禁",
        addedLater("form",
            "<form method=\"post\" action=\"/ban?tid=" + std::to_string(topicId) + "\">封禁楼主："
                + banButton("type=\"submit\"") + "</form>",
            lateLinksMs));
}

std::string messagePage(const std::string &title, const std::string &text)
{
    return page(title, "<p>" + escapeHtml(text) + "</p><p><a href=\"/\">返回首页</a></p>");
}

std::string hangingPage()
{
    // Hangs right after the load, in a task that hidden-page timer throttling does not delay.
    return page("hang",
        "<p>loading</p><script>addEventListener('load',function(){var c=new MessageChannel();"
        "c.port1.onmessage=function(){for(;;){}};c.port2.postMessage(0);});</script>");
}

std::string dialogsPage()
{
    return page("dialogs",
        "<p><a href=\"/\">首页</a></p><script>alert('提示');var c=confirm('确定吗？');var p=prompt('输入','x');"
        "document.title='confirm:'+c+' prompt:'+p;"
        "addEventListener('beforeunload',function(e){e.preventDefault();e.returnValue='';});</script>");
}

} // namespace boardservice
