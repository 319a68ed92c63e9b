#include "action_log.h"

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <algorithm>
#include <cstdio>

namespace tidewick {

namespace {

struct OutcomeName {
    ActionLog::Outcome outcome;
    const char *name;
};

constexpr OutcomeName kOutcomeNames[] = {
    {ActionLog::Outcome::Opened, "opened"},
    {ActionLog::Outcome::NoDeleteLink, "no-delete-link"},
    {ActionLog::Outcome::Unreadable, "unreadable"},
    {ActionLog::Outcome::DeleteClicked, "delete-clicked"},
    {ActionLog::Outcome::Deleted, "deleted"},
    {ActionLog::Outcome::StillListed, "still-listed"},
    {ActionLog::Outcome::Superseded, "superseded"},
    {ActionLog::Outcome::Ended, "ended"},
    {ActionLog::Outcome::Logged, "logged"},
};

ActionLog::Outcome outcomeFromName(const QString &name)
{
    for (const OutcomeName &entry : kOutcomeNames) {
        if (name == QLatin1StringView(entry.name))
            return entry.outcome;
    }
    return ActionLog::Outcome::Opened;
}

constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;
constexpr qint64 kDayMs = 24 * 3600 * 1000;

// Migration n brings a file of schema version n - 1 to version n.
const QString kMigrations[] = {
    // 1: the table of the first release, which set no version; its files already hold it.
    QStringLiteral("CREATE TABLE IF NOT EXISTS actions ("
                   "id INTEGER PRIMARY KEY,"
                   "opened_at TEXT NOT NULL,"
                   "board TEXT NOT NULL,"
                   "address TEXT NOT NULL,"
                   "link_text TEXT NOT NULL,"
                   "word TEXT NOT NULL,"
                   "outcome TEXT NOT NULL,"
                   "ban_option INTEGER NOT NULL,"
                   "ban_link_clicked INTEGER NOT NULL DEFAULT 0,"
                   "ban_button_clicked INTEGER NOT NULL DEFAULT 0)"),
    // 2: rows by time, so that retention finds the old ones without reading every row.
    QStringLiteral("CREATE INDEX IF NOT EXISTS actions_by_time ON actions (opened_at)"),
};
static_assert(std::size(kMigrations) == ActionLog::kSchemaVersion);

// SQLite's primary result code behind a Qt SQL error.
int sqliteCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}

// The pattern of a LIKE ... ESCAPE '\' that finds the text anywhere.
QString containsPattern(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    return u'%' + text + u'%';
}

// An empty text, never SQL's NULL, which the columns refuse.
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

// A cell that a spreadsheet program would take for a formula starts with an apostrophe, which
// such programs show as plain text; titles are written by spammers.
QString csvField(const QString &field)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    const QString safe = !field.isEmpty() && formulaStarts.contains(field[0]) ? u'\'' + field : field;
    if (!safe.contains(u',') && !safe.contains(u'"') && !safe.contains(u'\n') && !safe.contains(u'\r'))
        return safe;
    return u'"' + QString(safe).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

} // namespace

QString ActionLog::outcomeName(Outcome outcome)
{
    for (const OutcomeName &entry : kOutcomeNames) {
        if (entry.outcome == outcome)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

ActionLog::ActionLog(QString path, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_connection(QStringLiteral("actions-%1").arg(reinterpret_cast<quintptr>(this)))
{
    m_reopenTimer.setSingleShot(true);
    m_reopenTimer.setInterval(kReopenAfterMs);
    connect(&m_reopenTimer, &QTimer::timeout, this, [this] {
        if (open().isEmpty())
            Q_EMIT changed(0);
    });
    m_retentionTimer.setInterval(static_cast<int>(kDayMs));
    connect(&m_retentionTimer, &QTimer::timeout, this, &ActionLog::removeExpired);
}

ActionLog::~ActionLog()
{
    closeConnection();
}

QString ActionLog::open()
{
    closeConnection();
    Setup setup = setUp();
    if (setup == Setup::NotADatabase) {
        closeConnection();
        renameAside();
        setup = setUp();
    }
    m_open = setup == Setup::Ready;
    if (m_open) {
        removeExpired();
        return {};
    }
    closeConnection();
    switch (setup) {
    case Setup::Newer:
        return QStringLiteral("written by a newer version of the tool; left as it is");
    case Setup::Locked:
        m_reopenTimer.start();
        return QStringLiteral("locked by another program, tried again every %1 s (%2)")
            .arg(kReopenAfterMs / 1000)
            .arg(m_lastError);
    default:
        return m_lastError;
    }
}

// The version is read before anything is written, so a newer file stays exactly as it is.
ActionLog::Setup ActionLog::setUp()
{
    const auto failure = [this](const QSqlError &error) {
        m_lastError = error.text();
        switch (sqliteCode(error)) {
        case kSqliteCorrupt:
        case kSqliteNotADatabase:
            return Setup::NotADatabase;
        case kSqliteBusy:
        case kSqliteLocked:
            return Setup::Locked;
        default:
            return Setup::Failed;
        }
    };
    const bool opened = openConnection();
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!opened)
        return failure(db.isValid() ? db.lastError() : QSqlError(QStringLiteral("cannot create the file")));
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return failure(query.lastError());
    const int version = query.value(0).toInt();
    if (version > kSchemaVersion) {
        std::fprintf(stderr, "tidewick: %s has schema version %d, this tool knows %d; it is left as it is\n",
            qPrintable(m_path), version, kSchemaVersion);
        return Setup::Newer;
    }
    query.finish();
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL"))
        || !query.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return failure(query.lastError());
    if (const QSqlError error = migrate(version); error.isValid())
        return failure(error);
    return Setup::Ready;
}

// Each migration in its own transaction; the error of the first that fails.
QSqlError ActionLog::migrate(int fromVersion)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    for (int version = fromVersion + 1; version <= kSchemaVersion; ++version) {
        if (!db.transaction())
            return db.lastError();
        QSqlQuery query(db);
        if (!query.exec(kMigrations[version - 1])
            || !query.exec(QStringLiteral("PRAGMA user_version = %1").arg(version))) {
            const QSqlError error = query.lastError();
            db.rollback();
            return error;
        }
        if (!db.commit())
            return db.lastError();
    }
    return {};
}

// A file that is not a database is kept, renamed, never overwritten.
void ActionLog::renameAside()
{
    const QString aside = m_path + QStringLiteral(".corrupt-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(m_path, aside))
        return;
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::rename(m_path + suffix, aside + suffix);
    std::fprintf(stderr, "tidewick: %s was not a sound action log; kept as %s, a new one started\n", qPrintable(m_path),
        qPrintable(aside));
}

bool ActionLog::openConnection()
{
    // Owner-only from the first byte: the log tells what this moderator did.
    QFile file(m_path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
    }
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    return db.open();
}

void ActionLog::closeConnection()
{
    m_open = false;
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void ActionLog::keepDays(int days)
{
    m_keepDays = days;
    m_retentionTimer.stop();
    if (days <= 0)
        return;
    m_retentionTimer.start();
    removeExpired();
}

// One batch per turn of the event loop, so that a long backlog never holds the window up.
void ActionLog::removeExpired()
{
    if (!m_open || m_keepDays <= 0)
        return;
    const qint64 cutoff = QDateTime::currentMSecsSinceEpoch() - m_keepDays * kDayMs;
    if (removeOneBatchBefore(cutoff) == kRemovedPerBatch)
        QTimer::singleShot(0, this, &ActionLog::removeExpired);
}

// Time stamps compare as text: to within the hours between two offsets, which a retention
// counted in days does not notice.
int ActionLog::removeOneBatchBefore(qint64 msSinceEpoch)
{
    if (!m_open)
        return 0;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "DELETE FROM actions WHERE id IN (SELECT id FROM actions WHERE opened_at < ? ORDER BY opened_at LIMIT ?)"));
    query.addBindValue(isoLocalTime(msSinceEpoch));
    query.addBindValue(kRemovedPerBatch);
    if (!query.exec()) {
        reportWriteFailure(query.lastError().text());
        return 0;
    }
    const int removed = query.numRowsAffected();
    if (removed > 0)
        Q_EMIT changed(0);
    return removed;
}

qint64 ActionLog::insert(const Entry &entry)
{
    if (!m_open)
        return -1;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT INTO actions (opened_at, board, address, link_text, word, outcome, "
                                 "ban_option) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &value : {text(entry.openedAt), text(entry.board), text(entry.address), text(entry.linkText),
             text(entry.word), QVariant(outcomeName(entry.outcome)), QVariant(entry.banOption ? 1 : 0)})
        query.addBindValue(value);
    if (!query.exec()) {
        reportWriteFailure(query.lastError().text());
        return -1;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    Q_EMIT changed(id);
    return id;
}

void ActionLog::setOutcome(qint64 id, Outcome outcome)
{
    update(id, "outcome", outcomeName(outcome));
}

void ActionLog::setBanLinkClicked(qint64 id)
{
    update(id, "ban_link_clicked", 1);
}

void ActionLog::setBanButtonClicked(qint64 id)
{
    update(id, "ban_button_clicked", 1);
}

bool ActionLog::update(qint64 id, const char *column, const QVariant &value)
{
    if (!m_open || id < 0)
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("UPDATE actions SET %1 = ? WHERE id = ?").arg(QLatin1StringView(column)));
    query.addBindValue(value);
    query.addBindValue(id);
    if (!query.exec()) {
        reportWriteFailure(query.lastError().text());
        return false;
    }
    Q_EMIT changed(id);
    return true;
}

void ActionLog::reportWriteFailure(const QString &error)
{
    if (std::exchange(m_writeFailureReported, true))
        return;
    std::fprintf(stderr, "tidewick: cannot write to the action log %s: %s\n", qPrintable(m_path), qPrintable(error));
}

QList<ActionLog::Entry> ActionLog::page(const QString &search, int limit, qint64 beforeId, qint64 fromId) const
{
    QList<Entry> entries;
    if (!m_open)
        return entries;
    QString where = QStringLiteral(" WHERE id < ?");
    QVariantList values{beforeId};
    if (fromId > 0) {
        where += QStringLiteral(" AND id >= ?");
        values.append(fromId);
    }
    // instr scans faster than LIKE, which is needed only to ignore the case of ASCII letters.
    const bool hasAsciiLetter
        = std::any_of(search.cbegin(), search.cend(), [](QChar c) { return c.unicode() < 0x80 && c.isLetter(); });
    if (hasAsciiLetter) {
        where += QStringLiteral(" AND (word LIKE ? ESCAPE '\\' OR link_text LIKE ? ESCAPE '\\')");
        const QString pattern = containsPattern(search);
        values += {pattern, pattern};
    } else if (!search.isEmpty()) {
        where += QStringLiteral(" AND (instr(word, ?) > 0 OR instr(link_text, ?) > 0)");
        values += {search, search};
    }
    values.append(limit);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, opened_at, board, address, link_text, word, outcome, ban_option, "
                                 "ban_link_clicked, ban_button_clicked FROM actions")
        + where + QStringLiteral(" ORDER BY id DESC LIMIT ?"));
    for (const QVariant &value : std::as_const(values))
        query.addBindValue(value);
    if (!query.exec())
        return entries;
    while (query.next()) {
        entries.append(Entry{query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toString(), query.value(4).toString(), query.value(5).toString(),
            outcomeFromName(query.value(6).toString()), query.value(7).toBool(), query.value(8).toBool(),
            query.value(9).toBool()});
    }
    return entries;
}

QString isoLocalTime(qint64 msSinceEpoch)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msSinceEpoch);
    const int offset = local.offsetFromUtc();
    const QString sign = offset < 0 ? QStringLiteral("-") : QStringLiteral("+");
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + sign
        + QStringLiteral("%1:%2")
              .arg(std::abs(offset) / 3600, 2, 10, QChar(u'0'))
              .arg(std::abs(offset) % 3600 / 60, 2, 10, QChar(u'0'));
}

QByteArray toCsv(const QStringList &header, const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &fields : QList<QStringList>{header} + rows) {
        QStringList quoted;
        for (const QString &field : fields)
            quoted.append(csvField(field));
        text += quoted.join(u',') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace tidewick
