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

// Type-ahead: the search runs once the typing pauses this long.
constexpr int kSearchAfterMs = 200;

} // namespace

ActionLogWindow::ActionLogWindow(ActionLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_log(log)
    , m_model(log)
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

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &ActionLogWindow::showChanges);
    connect(&m_log, &ActionLog::changed, this, &ActionLogWindow::refreshSoon);
    auto *searchTimer = new QTimer(this);
    searchTimer->setSingleShot(true);
    searchTimer->setInterval(kSearchAfterMs);
    connect(m_searchEdit, &QLineEdit::textChanged, searchTimer, qOverload<>(&QTimer::start));
    connect(searchTimer, &QTimer::timeout, this, [this] { m_model.setSearch(m_searchEdit->text().trimmed()); });
    connect(exportButton, &QPushButton::clicked, this, &ActionLogWindow::askAndExport);
    connect(m_table, &QTableView::customContextMenuRequested, this, &ActionLogWindow::showRowMenu);
    connect(m_table, &QTableView::doubleClicked, this,
        [this](const QModelIndex &index) { QDesktopServices::openUrl(QUrl(addressAt(index))); });
}

// A hidden window only notes how far back it is behind; a burst of changes refreshes a shown one
// once.
void ActionLogWindow::refreshSoon(qint64 fromId)
{
    m_changedFrom = std::min(m_changedFrom, fromId);
    if (isVisible() && !m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void ActionLogWindow::showChanges()
{
    if (isVisible() && m_changedFrom != ActionLog::kNoId)
        m_model.refreshFrom(std::exchange(m_changedFrom, ActionLog::kNoId));
}

void ActionLogWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showChanges();
}

QString ActionLogWindow::addressAt(const QModelIndex &index) const
{
    return index.data(ActionLogModel::kAddressRole).toString();
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
    QList<ActionLog::Entry> page = m_log.page(m_model.search(), kExportPageRows);
    while (!page.isEmpty()) {
        for (const ActionLog::Entry &entry : page)
            rows.append(ActionLogModel::shownFields(entry) << entry.address);
        page = m_log.page(m_model.search(), kExportPageRows, page.last().id);
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(toCsv(ActionLogModel::columnTitles() + QStringList{QStringLiteral("地址")}, rows)) >= 0
        && file.commit();
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
