#pragma once

#include <QList>
#include <QObject>
#include <QSqlError>
#include <QString>
#include <QTimer>

#include <limits>

namespace tidewick {

// The record of every topic the watch acts on, in an SQLite file: when, which board, the topic's
// address and link text, the word that matched, and what became of it. Nothing here may hold up
// a deletion: every call waits at most a few milliseconds for a lock, and a failed write is
// reported once and otherwise ignored.
//
// The file carries its schema version in PRAGMA user_version; each change of schema is one
// numbered migration. Version 1 is the table of the first release (which set no version);
// version 2 adds the index by time that retention needs.
class ActionLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kSchemaVersion = 2;
    static constexpr int kBusyTimeoutMs = 5;
    static constexpr int kReopenAfterMs = 5000; // while another program locks the file
    static constexpr int kDefaultRetentionDays = 365;
    static constexpr int kRemovedPerBatch = 500;
    static constexpr qint64 kNoId = std::numeric_limits<qint64>::max();
    static constexpr int kNoLimit = -1;

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

    // Opens the file, creating it owner-only, and brings its schema up to date. Only a file that
    // SQLite calls not a database or corrupt is renamed aside with a time stamp and a new one
    // started. A file of a newer schema is left untouched and not written. A locked file is tried
    // again every few seconds. Returns what went wrong, empty when nothing.
    QString open();
    bool isOpen() const { return m_open; }
    const QString &path() const { return m_path; }

    // The new row's id; -1 when it could not be written.
    qint64 insert(const Entry &entry);
    void setOutcome(qint64 id, Outcome outcome);
    void setBanLinkClicked(qint64 id);
    void setBanButtonClicked(qint64 id);

    // At most limit rows (kNoLimit: all) with an id from fromId up to below beforeId, newest first,
    // whose word or link text holds the search text (any row when it is empty).
    QList<Entry> page(const QString &search, int limit, qint64 beforeId = kNoId, qint64 fromId = 0) const;

    // Rows opened before now less this many days are removed, in small batches, at once and then
    // once a day; 0 keeps every row.
    void keepDays(int days);
    // Removes one batch of rows opened before the time; the number removed.
    int removeOneBatchBefore(qint64 msSinceEpoch);

Q_SIGNALS:
    // Rows from this id on were written; 0 when rows of any age may differ (reopened, removed).
    void changed(qint64 fromId);

private:
    enum class Setup { Ready, NotADatabase, Newer, Locked, Failed };

    Setup setUp();
    bool openConnection();
    void closeConnection();
    QSqlError migrate(int fromVersion);
    void renameAside();
    void removeExpired();
    bool update(qint64 id, const char *column, const QVariant &value);
    void reportWriteFailure(const QString &error);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_writeFailureReported = false;
    QString m_lastError;
    QTimer m_reopenTimer;
    int m_keepDays = 0;
    QTimer m_retentionTimer;
};

// Local time with its offset from UTC, to the second: 2026-12-08T23:10:00+08:00.
QString isoLocalTime(qint64 msSinceEpoch);

// The rows as CSV for spreadsheet programs: UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF.
QByteArray toCsv(const QStringList &header, const QList<QStringList> &rows);

} // namespace tidewick
