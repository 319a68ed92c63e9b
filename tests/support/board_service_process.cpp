#include "board_service_process.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrlQuery>

BoardServiceProcess::BoardServiceProcess() = default;

BoardServiceProcess::~BoardServiceProcess()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool BoardServiceProcess::start()
{
    m_process.start(QStringLiteral(BOARD_SERVICE_PATH), {QStringLiteral("--port"), QStringLiteral("0")});
    if (!m_process.waitForStarted(5000) || !m_process.waitForReadyRead(5000))
        return false;
    const auto match = QRegularExpression(QStringLiteral(":(\\d+)")).match(QString::fromUtf8(m_process.readLine()));
    m_port = match.hasMatch() ? match.captured(1).toInt() : 0;
    return m_port > 0;
}

QString BoardServiceProcess::host() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString BoardServiceProcess::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://") + host() + pathAndQuery;
}

// A blocking request that needs no event loop, so it also works after the program under test
// has ended its event loops.
QByteArray BoardServiceProcess::get(const QString &pathAndQuery)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_port));
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET " + pathAndQuery.toUtf8() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray response;
    while (socket.waitForReadyRead(5000))
        response += socket.readAll();
    response += socket.readAll();
    const qsizetype bodyStart = response.indexOf("\r\n\r\n");
    return bodyStart < 0 ? QByteArray() : response.mid(bodyStart + 4);
}

QJsonObject BoardServiceProcess::state()
{
    return QJsonDocument::fromJson(get(QStringLiteral("/api/state"))).object();
}

QJsonObject BoardServiceProcess::topic(int id)
{
    for (const QJsonValue &t : state().value(QStringLiteral("topics")).toArray()) {
        if (t[QStringLiteral("id")].toInt() == id)
            return t.toObject();
    }
    return {};
}

int BoardServiceProcess::post(const QString &board, const QString &title, const QString &poster, bool withoutDeleteLink)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("board"), board);
    query.addQueryItem(QStringLiteral("title"), title);
    query.addQueryItem(QStringLiteral("poster"), poster);
    if (withoutDeleteLink)
        query.addQueryItem(QStringLiteral("nodelete"), QStringLiteral("1"));
    const QString encoded = query.toString(QUrl::FullyEncoded);
    return QJsonDocument::fromJson(get(QStringLiteral("/api/post?") + encoded)).object()[QStringLiteral("id")].toInt();
}

void BoardServiceProcess::setFaults(const QString &query)
{
    get(QStringLiteral("/api/faults?") + query);
}
