#pragma once

#include "action_log.h"

#include <QStandardItemModel>
#include <QTimer>
#include <QWidget>

class QLineEdit;
class QTableView;

namespace tidewick {

// The record of actions for the moderator: newest first, updated while the watch runs, filtered
// by word or title text, exported as CSV. A row's address opens in the system's web browser,
// never in the tool's own topic view, where loading a page runs the delete sequence.
class ActionLogWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShownRows = 10000;

    explicit ActionLogWindow(ActionLog &log, QWidget *parent = nullptr);

    // Writes the rows shown, as they are shown; false when the file cannot be written.
    bool exportCsv(const QString &path) const;

private:
    void reload();
    void askAndExport();
    void showRowMenu(const QPoint &at);
    QString addressAt(const QModelIndex &index) const;

    ActionLog &m_log;
    QLineEdit *m_searchEdit = nullptr;
    QTableView *m_table = nullptr;
    QStandardItemModel m_model;
    QTimer m_reloadSoon; // a burst of changes reloads the table once
};

} // namespace tidewick
