#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace tidewick {

// The record of every topic the watch acts on, in an SQLite file: when, which board, the topic's
// address and link text, the word that matched, and what became of it. Nothing here may hold up
// a deletion: a failed write is reported once and otherwise ignored.
class ActionLog : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Opened,
        NoDeleteLink,
        Unreadable,
        DeleteClicked,
        Deleted,
        StillListed,
        Superseded,
        Ended,
        Logged,
    };

    struct Entry {
        qint64 id = -1;
        QString openedAt; // local time with offset, ISO 8601
        QString board;
        QString address;
        QString linkText;
        QString word;
        Outcome outcome = Outcome::Opened;
        bool banOption = false;
        bool banLinkClicked = false;
        bool banButtonClicked = false;
    };

    // The stored name of an outcome ("opened", "no-delete-link", ...).
    static QString outcomeName(Outcome outcome);

    explicit ActionLog(QString path, QObject *parent = nullptr);
    ~ActionLog() override;

    // Opens the file, creating it owner-only; a file that is not a sound database is renamed
    // aside with a time stamp and a new one started. Returns what went wrong, empty when nothing.
    QString open();
    bool isOpen() const { return m_open; }
    const QString &path() const { return m_path; }

    // The new row's id; -1 when it could not be written.
    qint64 insert(const Entry &entry);
    void setOutcome(qint64 id, Outcome outcome);
    void setBanLinkClicked(qint64 id);
    void setBanButtonClicked(qint64 id);

    // The newest rows first, at most limit of them.
    QList<Entry> newest(int limit) const;

Q_SIGNALS:
    void changed();

private:
    bool openConnection();
    void closeConnection();
    bool createSchema();
    bool update(qint64 id, const char *column, const QVariant &value);
    void reportWriteFailure(const QString &error);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_writeFailureReported = false;
};

// Local time with its offset from UTC, to the second: 2026-12-08T23:10:00+08:00.
QString isoLocalTime(qint64 msSinceEpoch);

// The rows as CSV for spreadsheet programs: UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF.
QByteArray toCsv(const QStringList &header, const QList<QStringList> &rows);

} // namespace tidewick
