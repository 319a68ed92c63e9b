#include "action_log_model.h"

namespace tidewick {

namespace {

QString outcomeText(ActionLog::Outcome outcome)
{
    switch (outcome) {
    case ActionLog::Outcome::Opened:
        return QStringLiteral("已打开");
    case ActionLog::Outcome::NoDeleteLink:
        return QStringLiteral("无删除链接");
    case ActionLog::Outcome::Unreadable:
        return QStringLiteral("页面无法读取");
    case ActionLog::Outcome::DeleteClicked:
        return QStringLiteral("已点删除");
    case ActionLog::Outcome::Deleted:
        return QStringLiteral("已删除");
    case ActionLog::Outcome::StillListed:
        return QStringLiteral("删除后仍在列表");
    case ActionLog::Outcome::Superseded:
        return QStringLiteral("被其他页面打断");
    case ActionLog::Outcome::Ended:
        return QStringLiteral("程序已退出");
    case ActionLog::Outcome::Logged:
        return QStringLiteral("只记录");
    }
    return {};
}

QString shownTime(const QString &isoTime)
{
    return isoTime.left(19).replace(u'T', u' ');
}

} // namespace

ActionLogModel::ActionLogModel(const ActionLog &log, QObject *parent)
    : QAbstractTableModel(parent)
    , m_log(log)
{
    reload(kPageRows);
}

const QStringList &ActionLogModel::columnTitles()
{
    static const QStringList titles{QStringLiteral("时间"), QStringLiteral("贴吧"), QStringLiteral("帖子标题"),
        QStringLiteral("命中词"), QStringLiteral("结果")};
    return titles;
}

QStringList ActionLogModel::shownFields(const ActionLog::Entry &entry)
{
    return {shownTime(entry.openedAt), entry.board, entry.linkText, entry.word, outcomeText(entry.outcome)};
}

void ActionLogModel::setSearch(const QString &search)
{
    m_search = search;
    reload(kPageRows);
}

// Only the rows a change touched are read again, so that a table scrolled far, or searching a
// large record for a rare word, does not read them all for every change.
void ActionLogModel::refreshFrom(qint64 fromId)
{
    if (fromId <= 0) {
        reload(std::max<int>(kPageRows, static_cast<int>(m_rows.size())));
        return;
    }
    // Rows older than those loaded are left to fetchMore.
    const qint64 from = m_atEnd || m_rows.isEmpty() ? fromId : std::max(fromId, m_rows.last().id);
    QList<ActionLog::Entry> rows = m_log.page(m_search, ActionLog::kNoLimit, ActionLog::kNoId, from);
    for (const ActionLog::Entry &entry : std::as_const(m_rows)) {
        if (entry.id < from)
            rows.append(entry);
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ActionLogModel::reload(int rows)
{
    beginResetModel();
    m_rows = m_log.page(m_search, rows);
    m_atEnd = m_rows.size() < rows;
    endResetModel();
}

int ActionLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ActionLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columnTitles().size());
}

QVariant ActionLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ActionLog::Entry &entry = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return shownFields(entry).value(index.column());
    case Qt::ToolTipRole:
        return index.column() == 2 ? QVariant(entry.address) : QVariant();
    case kAddressRole:
        return entry.address;
    default:
        return {};
    }
}

QVariant ActionLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return columnTitles().value(section);
}

bool ActionLogModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void ActionLogModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const QList<ActionLog::Entry> more
        = m_log.page(m_search, kPageRows, m_rows.isEmpty() ? ActionLog::kNoId : m_rows.last().id);
    m_atEnd = more.size() < kPageRows;
    if (more.isEmpty())
        return;
    beginInsertRows({}, static_cast<int>(m_rows.size()), static_cast<int>(m_rows.size() + more.size() - 1));
    m_rows += more;
    endInsertRows();
}

} // namespace tidewick
