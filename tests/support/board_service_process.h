#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>

// The local board service as a child process on a free loopback port, with its JSON endpoints.
class BoardServiceProcess {
public:
    BoardServiceProcess();
    ~BoardServiceProcess();

    bool start();
    // Over https with the certificate that make-test-ca left in the folder; with upgrade, also a
    // plain-http listener that sends every request there, under the host name given.
    bool startHttps(
        const QString &certFolder, bool upgrade = false, const QString &upgradeHost = QStringLiteral("127.0.0.1"));
    // Makes a test certificate authority and its certificate for 127.0.0.1 and localhost in the folder; with a
    // home, trusts the authority in that home's NSS database.
    static bool makeTestCa(const QString &folder, const QString &trustingHome = QString());

    QString url(const QString &pathAndQuery) const;
    QString host() const;
    QString origin() const { return m_scheme + QStringLiteral("://") + host(); }
    // The plain-http listener that upgrades, as HOST:PORT.
    QString plainHost() const;
    int pid() const { return static_cast<int>(m_process.processId()); }

    QJsonObject state();
    // How many pages of the kind ("portal", "board") the service has served.
    int pageLoads(const QString &kind);
    int post(const QString &board, const QString &title, const QString &poster, bool withoutDeleteLink = false);
    // Ends the program when the service refuses a name or a value: a misspelt fault is a fault of
    // the test or benchmark that asked for it.
    void setFaults(const QString &query);

    // Topics of the state, by id.
    QJsonObject topic(int id);

private:
    QByteArray get(const QString &pathAndQuery);

    bool launch(const QStringList &arguments);

    QProcess m_process;
    int m_port = 0;
    int m_plainPort = 0;
    QString m_scheme = QStringLiteral("http");
    QString m_caFile;
};
