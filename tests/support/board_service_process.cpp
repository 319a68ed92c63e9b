#include "board_service_process.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QUrlQuery>

#include <csignal>

#include <sys/prctl.h>

using namespace Qt::StringLiterals;

BoardServiceProcess::BoardServiceProcess() = default;

BoardServiceProcess::~BoardServiceProcess()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool BoardServiceProcess::start()
{
    return launch({u"--port"_s, u"0"_s});
}

bool BoardServiceProcess::startHttps(const QString &certFolder, bool upgrade, const QString &upgradeHost)
{
    m_scheme = u"https"_s;
    m_caFile = certFolder + u"/ca.pem"_s;
    QStringList arguments{u"--port"_s, u"0"_s, u"--tls-cert"_s, certFolder + u"/server.pem"_s, u"--tls-key"_s,
        certFolder + u"/server.key"_s};
    if (upgrade)
        arguments << u"--upgrade-port"_s << u"0"_s << u"--upgrade-host"_s << upgradeHost;
    return launch(arguments);
}

bool BoardServiceProcess::launch(const QStringList &arguments)
{
    // A test or benchmark that crashes takes its service with it, instead of leaving it listening.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(QStringLiteral(BOARD_SERVICE_PATH), arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    // One line per listener: "listening on 127.0.0.1:P", then "upgrading 127.0.0.1:Q" if asked.
    const QRegularExpression port(u"(listening on|upgrading) 127\\.0\\.0\\.1:(\\d+)"_s);
    const int lines = arguments.contains(u"--upgrade-port"_s) ? 2 : 1;
    for (int i = 0; i < lines; ++i) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(5000))
            return false;
        const auto match = port.match(QString::fromUtf8(m_process.readLine()));
        (match.captured(1) == u"upgrading" ? m_plainPort : m_port) = match.captured(2).toInt();
    }
    return m_port > 0;
}

bool BoardServiceProcess::makeTestCa(const QString &folder, const QString &trustingHome)
{
    QStringList arguments{folder};
    if (!trustingHome.isEmpty())
        arguments << u"--trust-in"_s << trustingHome;
    QProcess maker;
    maker.start(QStringLiteral(MAKE_TEST_CA_PATH), arguments);
    return maker.waitForFinished(30000) && maker.exitStatus() == QProcess::NormalExit && maker.exitCode() == 0;
}

QString BoardServiceProcess::host() const
{
    return u"127.0.0.1:%1"_s.arg(m_port);
}

QString BoardServiceProcess::plainHost() const
{
    return u"127.0.0.1:%1"_s.arg(m_plainPort);
}

QString BoardServiceProcess::url(const QString &pathAndQuery) const
{
    return origin() + pathAndQuery;
}

// A blocking request that needs no event loop, so it also works after the program under test
// has ended its event loops.
QByteArray BoardServiceProcess::get(const QString &pathAndQuery)
{
    QSslSocket socket;
    if (m_caFile.isEmpty()) {
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_port));
        if (!socket.waitForConnected(5000))
            return {};
    } else {
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.setCaCertificates(QSslCertificate::fromPath(m_caFile));
        socket.setSslConfiguration(trusting);
        socket.connectToHostEncrypted(u"127.0.0.1"_s, static_cast<quint16>(m_port));
        if (!socket.waitForEncrypted(5000))
            return {};
    }
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
    return QJsonDocument::fromJson(get(u"/api/state"_s)).object();
}

int BoardServiceProcess::pageLoads(const QString &kind)
{
    return state()[u"pageLoads"_s][kind].toInt();
}

QJsonObject BoardServiceProcess::topic(int id)
{
    for (const QJsonValue &t : state().value(u"topics"_s).toArray()) {
        if (t[u"id"_s].toInt() == id)
            return t.toObject();
    }
    return {};
}

int BoardServiceProcess::post(const QString &board, const QString &title, const QString &poster, bool withoutDeleteLink)
{
    QUrlQuery query;
    query.addQueryItem(u"board"_s, board);
    query.addQueryItem(u"title"_s, title);
    query.addQueryItem(u"poster"_s, poster);
    if (withoutDeleteLink)
        query.addQueryItem(u"nodelete"_s, u"1"_s);
    const QString encoded = query.toString(QUrl::FullyEncoded);
    return QJsonDocument::fromJson(get(u"/api/post?"_s + encoded)).object()[u"id"_s].toInt();
}

void BoardServiceProcess::setFaults(const QString &query)
{
    const QByteArray answer = get(u"/api/faults?"_s + query);
    if (answer != "{}")
        qFatal("the board service refused the faults %s: %s", qPrintable(query), answer.constData());
}
