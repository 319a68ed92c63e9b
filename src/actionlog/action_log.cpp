#include "action_log.h"

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

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

const QString kSchema = QStringLiteral("CREATE TABLE IF NOT EXISTS actions ("
                                       "id INTEGER PRIMARY KEY,"
                                       "opened_at TEXT NOT NULL,"
                                       "board TEXT NOT NULL,"
                                       "address TEXT NOT NULL,"
                                       "link_text TEXT NOT NULL,"
                                       "word TEXT NOT NULL,"
                                       "outcome TEXT NOT NULL,"
                                       "ban_option INTEGER NOT NULL,"
                                       "ban_link_clicked INTEGER NOT NULL DEFAULT 0,"
                                       "ban_button_clicked INTEGER NOT NULL DEFAULT 0)");

// An empty text, never SQL's NULL, which the columns refuse.
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QString csvField(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n') && !field.contains(u'\r'))
        return field;
    return u'"' + QString(field).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
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
}

ActionLog::~ActionLog()
{
    closeConnection();
}

QString ActionLog::open()
{
    if (openConnection() && createSchema())
        return {};
    const QString error = QSqlDatabase::database(m_connection, false).lastError().text();
    closeConnection();
    if (!QFile::exists(m_path) || QFile(m_path).size() == 0)
        return error;
    // A file that exists but does not open as a database is kept, renamed, never overwritten.
    const QString aside = m_path + QStringLiteral(".corrupt-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(m_path, aside))
        return error;
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::rename(m_path + suffix, aside + suffix);
    std::fprintf(stderr, "tidewick: %s was not a sound action log; kept as %s, a new one started\n", qPrintable(m_path),
        qPrintable(aside));
    if (openConnection() && createSchema())
        return {};
    closeConnection();
    return error;
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

bool ActionLog::createSchema()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const bool sound
        = query.exec(QStringLiteral("PRAGMA quick_check")) && query.next() && query.value(0).toString() == u"ok";
    m_open = sound && query.exec(QStringLiteral("PRAGMA journal_mode=WAL"))
        && query.exec(QStringLiteral("PRAGMA synchronous=NORMAL")) && query.exec(kSchema);
    return m_open;
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
    Q_EMIT changed();
    return query.lastInsertId().toLongLong();
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
    Q_EMIT changed();
    return true;
}

void ActionLog::reportWriteFailure(const QString &error)
{
    if (std::exchange(m_writeFailureReported, true))
        return;
    std::fprintf(stderr, "tidewick: cannot write to the action log %s: %s\n", qPrintable(m_path), qPrintable(error));
}

QList<ActionLog::Entry> ActionLog::newest(int limit) const
{
    QList<Entry> entries;
    if (!m_open)
        return entries;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT id, opened_at, board, address, link_text, word, outcome, ban_option, "
                                 "ban_link_clicked, ban_button_clicked FROM actions ORDER BY id DESC LIMIT ?"));
    query.addBindValue(limit);
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
