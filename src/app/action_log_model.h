#pragma once

#include "action_log.h"

#include <QAbstractTableModel>

namespace tidewick {

// The record as a table, newest first, read from the database a page at a time as the view
// scrolls, filtered in SQL by word or title text.
class ActionLogModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPageRows = 200;
    static constexpr int kAddressRole = Qt::UserRole + 1;

    explicit ActionLogModel(const ActionLog &log, QObject *parent = nullptr);

    static const QStringList &columnTitles();
    static QStringList shownFields(const ActionLog::Entry &entry);

    void setSearch(const QString &search);
    const QString &search() const { return m_search; }
    // Reads again the loaded rows from this id on, and the newer ones the search finds; 0 reads
    // again as many rows as are loaded, at least a page.
    void refreshFrom(qint64 fromId);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    void reload(int rows);

    const ActionLog &m_log;
    QString m_search;
    QList<ActionLog::Entry> m_rows;
    bool m_atEnd = false;
};

} // namespace tidewick
