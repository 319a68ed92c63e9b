#include "action_log_window.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace tidewick {

namespace {

const QStringList kColumns{QStringLiteral("时间"), QStringLiteral("贴吧"), QStringLiteral("帖子标题"),
    QStringLiteral("命中词"), QStringLiteral("结果")};
constexpr int kAddressRole = Qt::UserRole + 1;

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
        return QStringLiteral("被下一帖打断");
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

ActionLogWindow::ActionLogWindow(ActionLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_log(log)
{
    setObjectName(QStringLiteral("ActionLogWindow"));
    setWindowTitle(QStringLiteral("删帖记录"));
    resize(780, 480);

    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setObjectName(QStringLiteral("searchEdit"));
    m_searchEdit->setPlaceholderText(QStringLiteral("按命中词或标题查找"));
    m_searchEdit->setClearButtonEnabled(true);
    auto *exportButton = new QPushButton(QStringLiteral("导出CSV…"), this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    auto *bar = new QHBoxLayout;
    bar->addWidget(m_searchEdit, 1);
    bar->addWidget(exportButton);

    m_model.setHorizontalHeaderLabels(kColumns);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("actionTable"));
    m_table->setModel(&m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (const auto &[column, width] : {std::pair{0, 140}, {1, 80}, {2, 300}, {3, 90}})
        m_table->setColumnWidth(column, width);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table);

    m_reloadSoon.setSingleShot(true);
    m_reloadSoon.setInterval(200);
    connect(&m_reloadSoon, &QTimer::timeout, this, &ActionLogWindow::reload);
    connect(&m_log, &ActionLog::changed, &m_reloadSoon, qOverload<>(&QTimer::start));
    connect(m_searchEdit, &QLineEdit::textChanged, this, &ActionLogWindow::reload);
    connect(exportButton, &QPushButton::clicked, this, &ActionLogWindow::askAndExport);
    connect(m_table, &QTableView::customContextMenuRequested, this, &ActionLogWindow::showRowMenu);
    connect(m_table, &QTableView::doubleClicked, this,
        [this](const QModelIndex &index) { QDesktopServices::openUrl(QUrl(addressAt(index))); });
    reload();
}

void ActionLogWindow::reload()
{
    const QString search = m_searchEdit->text().trimmed();
    m_model.removeRows(0, m_model.rowCount());
    for (const ActionLog::Entry &entry : m_log.newest(kShownRows)) {
        if (!search.isEmpty() && !entry.word.contains(search, Qt::CaseInsensitive)
            && !entry.linkText.contains(search, Qt::CaseInsensitive))
            continue;
        QList<QStandardItem *> row;
        for (const QString &text :
            {shownTime(entry.openedAt), entry.board, entry.linkText, entry.word, outcomeText(entry.outcome)})
            row.append(new QStandardItem(text));
        row[2]->setToolTip(entry.address);
        row[0]->setData(entry.address, kAddressRole);
        m_model.appendRow(row);
    }
}

QString ActionLogWindow::addressAt(const QModelIndex &index) const
{
    return m_model.index(index.row(), 0).data(kAddressRole).toString();
}

void ActionLogWindow::showRowMenu(const QPoint &at)
{
    const QModelIndex index = m_table->indexAt(at);
    if (!index.isValid())
        return;
    QMenu menu(this);
    const QString address = addressAt(index);
    menu.addAction(QStringLiteral("复制地址"), this, [address] { QGuiApplication::clipboard()->setText(address); });
    menu.exec(m_table->viewport()->mapToGlobal(at));
}

bool ActionLogWindow::exportCsv(const QString &path) const
{
    QList<QStringList> rows;
    for (int r = 0; r < m_model.rowCount(); ++r) {
        QStringList fields;
        for (int c = 0; c < m_model.columnCount(); ++c)
            fields.append(m_model.item(r, c)->text());
        fields.append(m_model.item(r, 0)->data(kAddressRole).toString());
        rows.append(fields);
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(toCsv(kColumns + QStringList{QStringLiteral("地址")}, rows)) >= 0 && file.commit();
}

void ActionLogWindow::askAndExport()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("导出CSV"), QStringLiteral("删帖记录.csv"), QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty() && !exportCsv(path))
        QMessageBox::warning(this, QStringLiteral("导出CSV"),
            QStringLiteral("无法写入文件：\n%1").arg(QDir::toNativeSeparators(path)), QMessageBox::Ok);
}

} // namespace tidewick
