#pragma once

#include "action_log.h"
#include "action_log_model.h"

#include <QTimer>
#include <QWidget>

class QLineEdit;
class QTableView;

namespace tidewick {

// The record of actions for the moderator: newest first, updated while the window is shown,
// filtered by word or title text, exported as CSV. A row's address opens in the system's web
// browser, never in the tool's own topic view, where loading a page runs the delete sequence.
class ActionLogWindow final : public QWidget {
    Q_OBJECT
public:
    // Changes show at most this often.
    static constexpr int kRefreshMs = 250;
    static constexpr int kExportPageRows = 5000;

    explicit ActionLogWindow(ActionLog &log, QWidget *parent = nullptr);

    // Writes every row that the search finds, as the table shows them; false when the file cannot
    // be written.
    bool exportCsv(const QString &path) const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refreshSoon(qint64 fromId);
    void showChanges();
    void askAndExport();
    void showRowMenu(const QPoint &at);
    QString addressAt(const QModelIndex &index) const;

    ActionLog &m_log;
    ActionLogModel m_model;
    QLineEdit *m_searchEdit = nullptr;
    QTableView *m_table = nullptr;
    QTimer m_refreshTimer;
    qint64 m_changedFrom = ActionLog::kNoId; // the oldest row written since the table was read
};

} // namespace tidewick
