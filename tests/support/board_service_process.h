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
    QString url(const QString &pathAndQuery) const;
    QString host() const;
    int pid() const { return static_cast<int>(m_process.processId()); }

    QJsonObject state();
    int post(const QString &board, const QString &title, const QString &poster, bool withoutDeleteLink = false);
    void setFaults(const QString &query);

    // Topics of the state, by id.
    QJsonObject topic(int id);

private:
    QByteArray get(const QString &pathAndQuery);

    QProcess m_process;
    int m_port = 0;
};
