#include "board_origin.h"

namespace tidewick {

namespace {

BoardOrigin refused(const QString &text, const QString &why)
{
    return {QUrl(),
        QStringLiteral("--board-host takes HOST[:PORT], http://HOST[:PORT] or https://HOST[:PORT], not \"%1\": %2")
            .arg(text, why)};
}

} // namespace

int effectivePort(const QUrl &url)
{
    return url.port(url.scheme() == u"https" ? 443 : 80);
}

bool isSameOrigin(const QUrl &a, const QUrl &b)
{
    return a.scheme() == b.scheme() && a.host() == b.host() && effectivePort(a) == effectivePort(b);
}

BoardOrigin parseBoardOrigin(const QString &text)
{
    const qsizetype schemeEnd = text.indexOf(QStringLiteral("://"));
    const QString scheme = schemeEnd < 0 ? QStringLiteral("http") : text.left(schemeEnd).toLower();
    if (scheme != u"http" && scheme != u"https")
        return refused(text, QStringLiteral("the scheme must be http or https"));
    const QString authority = schemeEnd < 0 ? text : text.mid(schemeEnd + 3);
    if (authority.contains(u'/') || authority.contains(u'\\'))
        return refused(text, QStringLiteral("it holds a path"));
    if (authority.contains(u'?') || authority.contains(u'#'))
        return refused(text, QStringLiteral("it holds a query"));
    if (authority.contains(u'@'))
        return refused(text, QStringLiteral("it holds user information"));
    const QUrl url(scheme + QStringLiteral("://") + authority, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        const qsizetype colon = authority.lastIndexOf(u':');
        const bool badPort = colon >= 0 && !authority.endsWith(u']') && colon > authority.lastIndexOf(u']');
        return refused(text,
            badPort && !authority.left(colon).isEmpty() ? QStringLiteral("the port must be 1 to 65535")
                                                        : QStringLiteral("the host is empty or invalid"));
    }
    if (url.port() == 0)
        return refused(text, QStringLiteral("the port must be 1 to 65535"));
    QUrl origin;
    origin.setScheme(scheme);
    origin.setHost(url.host());
    origin.setPort(url.port());
    return {origin, QString()};
}

} // namespace tidewick
