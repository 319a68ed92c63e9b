#include "main_window.h"

#include "action_log_window.h"

#include "broad_word.h"
#include "message_box.h"
#include "unattended_page.h"
#include "window_icon.h"
#include "window_stacking.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>

namespace tidewick {

namespace {

constexpr int kWatchdogTickMs = 1000;

const QString kStartTitle = QStringLiteral("Tidewick 1.1");
const QString kErrorTitle = QStringLiteral("发生错误");
const QString kDuplicateWordText = QStringLiteral("您输入的词汇已经存在！");
const QString kWarningTitle = QStringLiteral("警告");
const QString kInstructions
    = QStringLiteral("如果下边的网页显示你没有登录，请登录，选择记住登录状态，然后再开启删帖机，"
                     "必须是大吧主或小吧主才能使用本软件进行管理。"
                     "本软件会实时只能匹配贴吧列表是否含有词汇库中所有词条内容。");

QString saveFailedText(const QString &path)
{
    return QStringLiteral("违规词汇库无法保存到文件：\n%1\n刚才的修改在程序重新启动后将会丢失。")
        .arg(QDir::toNativeSeparators(path));
}

QString actionLogFailedText(const QString &path)
{
    return QStringLiteral("删帖记录无法打开：\n%1\n删帖照常进行，但这次不会被记录。")
        .arg(QDir::toNativeSeparators(path));
}

QString wordListUnreadableText(const QString &path)
{
    return QStringLiteral("违规词汇库文件无法读取：\n%1\n为免覆盖其中的词汇，这次对词汇库的修改不会保存。")
        .arg(QDir::toNativeSeparators(path));
}

QFont windowFont()
{
    QFont font(QStringList{QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("sans-serif")},
        9);
    font.setWeight(QFont::Normal);
    return font;
}

template <typename Widget> Widget *place(Widget *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *b = place(new QPushButton(text, parent), name, geometry);
    b->setAutoDefault(false);
    return b;
}

QLabel *autoSizedLabel(QWidget *parent, const char *name, const QString &text, const QPoint &at)
{
    auto *label = place(new QLabel(text, parent), name, QRect(at, QSize()));
    label->adjustSize();
    return label;
}

QWebEngineView *browserView(QWidget *parent, const char *name, QWebEnginePage *page, const QRect &geometry)
{
    auto *view = place(new QWebEngineView(parent), name, geometry);
    view->setFocusPolicy(Qt::StrongFocus); // in the tab order even before its first page
    page->setParent(view);
    view->setPage(page);
    return view;
}

QListWidgetItem *listItem(const QString &text)
{
    auto *item = new QListWidgetItem(text);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    return item;
}

} // namespace

MainWindow::MainWindow(QWebEngineProfile &profile, MessageBox &messages, const AppOptions &options,
    const AppPaths &paths, std::function<void()> exitProgram)
    : QWidget(nullptr,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowCloseButtonHint)
    , m_messages(messages)
    , m_options(options)
    , m_exitProgram(std::move(exitProgram))
    , m_actionLog(paths.actionLog)
{
    setObjectName(QStringLiteral("Form1"));
    setFont(windowFont());
    setWindowIcon(makeWindowIcon());
    setFixedSize(790, 620);
    createControls(profile);
    setTabOrder();

    m_boardBrowser = new QtBrowserView(m_boardView);
    m_topicBrowser = new QtBrowserView(m_topicView, QtBrowserView::Role::Topic);
    m_store = std::make_unique<WordListStore>(m_words, paths.wordList);
    m_session = std::make_unique<ModerationSession>(
        ModerationSession::Ports{*m_boardBrowser, *m_topicBrowser, m_reloadTimerPort, m_retryTimer, m_runTimer, m_clock,
            [this] { return m_banPosterCheck->isChecked(); }, [this](const QString &title) { setWindowTitle(title); },
            [this](const QString &status) { showStatus(status); }},
        m_options.boardOrigin, m_actionLog);

    m_reloadTimer.setInterval(BoardWatch::kReloadIntervalMs);
    m_reloadTimer.start();
    m_watchdogTimer.setInterval(kWatchdogTickMs);
    m_watchdogTimer.start();
    mirrorWordList();
    wireEvents();
}

// No answer of a view may reach the session once it is gone.
MainWindow::~MainWindow()
{
    m_boardBrowser->stop();
    m_topicBrowser->stop();
}

// Control names stay the widgets' object names, for tests and automation.
void MainWindow::createControls(QWebEngineProfile &profile)
{
    // While the watch runs nobody is there to answer the board page's dialogs.
    m_boardView = browserView(this, "WebBrowser1",
        new UnattendedPage(&profile, UnattendedPage::ConfirmAnswer::Cancel,
            [this] { return m_session && m_session->watch().IsRunning(); }),
        {208, 104, 577, 505});
    m_startButton = button(this, "Command1", QStringLiteral("开启删帖机"), {224, 12, 97, 25});
    autoSizedLabel(this, "Label1", QStringLiteral("贴吧名："), {8, 16});
    m_boardNameEdit = place(new QLineEdit(this), "Text1", {56, 12, 169, 25});
    auto *wordListFrame = place(new QGroupBox(QStringLiteral("违规词汇库"), this), "Frame1", {0, 40, 201, 577});
    m_wordListView = place(new QListWidget(wordListFrame), "List1", {8, 24, 185, 479});
    m_newWordEdit = place(new QLineEdit(wordListFrame), "Text2", {88, 544, 105, 25});
    m_newWordEdit->setToolTip(QStringLiteral("输入后按Enter键存入"));
    autoSizedLabel(wordListFrame, "Label2", QStringLiteral("增加违规词汇："), {0, 548});
    m_removeTickedButton = button(wordListFrame, "Command3", QStringLiteral("删除所有打钩词汇"), {8, 512, 185, 25});
    m_topicView = browserView(
        this, "WebBrowser2", new UnattendedPage(&profile, UnattendedPage::ConfirmAnswer::Accept), {208, 288, 321, 321});
    auto *instructions = place(new QLabel(kInstructions, this), "Label3", {208, 48, 579, 33});
    instructions->setWordWrap(true);
    instructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pauseButton = button(this, "Command2", QStringLiteral("暂停删帖机"), {328, 12, 97, 25});
    m_exitButton = button(this, "Command4", QStringLiteral("退出"), {472, 8, 81, 33});
    m_banPosterCheck = place(
        new QCheckBox(QStringLiteral("违者封IP/ID(慎用，会造成删帖速度减慢)"), this), "Check1", {216, 80, 249, 17});
    m_keepOnTopCheck = place(new QCheckBox(QStringLiteral("本窗口置顶"), this), "Check2", {464, 80, 89, 17});
    // Added controls take only free space; none of the above moves.
    m_actionLogButton = button(this, "Command5", QStringLiteral("删帖记录"), {560, 8, 97, 33});
    m_logOnlyCheck = place(new QCheckBox(QStringLiteral("只记录，不删帖"), this), "Check3", {560, 80, 161, 17});
    m_statusLabel = place(new QLabel(this), "Label4", {664, 16, 121, 17});
    m_topicView->raise();
}

void MainWindow::setTabOrder()
{
    const QList<QWidget *> order{m_boardView, m_startButton, m_boardNameEdit, m_wordListView, m_newWordEdit,
        m_removeTickedButton, m_topicView, m_pauseButton, m_exitButton, m_banPosterCheck, m_keepOnTopCheck,
        m_actionLogButton, m_logOnlyCheck};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::wireEvents()
{
    connect(m_boardBrowser, &QtBrowserView::loadFinished, this, [this](bool ok) { m_session->boardLoaded(ok); });
    // Left unanswered, the engine refuses the certificate as any browser does; the watch only hears why.
    connect(m_boardView->page(), &QWebEnginePage::certificateError, this,
        [this](const QWebEngineCertificateError &error) { m_session->watch().certificateRefused(error.url()); });
    connect(m_topicBrowser, &QtBrowserView::loadFinished, this, [this](bool ok) { m_session->topicLoaded(ok); });
    connect(&m_reloadTimer, &QTimer::timeout, this, [this] { m_session->watch().TimerTick(); });
    connect(&m_watchdogTimer, &QTimer::timeout, this, [this] { m_session->watch().WatchdogTick(); });
    connect(m_startButton, &QPushButton::clicked, this, [this] { m_session->start(m_boardNameEdit->text()); });
    connect(m_pauseButton, &QPushButton::clicked, this, [this] { m_session->pause(); });
    connect(m_removeTickedButton, &QPushButton::clicked, this, &MainWindow::removeTickedWords);
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::endProgram);
    connect(m_keepOnTopCheck, &QCheckBox::toggled, this, [this](bool on) { setKeptOnTop(*this, on); });
    connect(m_logOnlyCheck, &QCheckBox::toggled, this, [this](bool on) { m_session->setLogOnly(on); });
    connect(m_actionLogButton, &QPushButton::clicked, this, &MainWindow::openActionLog);
    connect(m_newWordEdit, &QLineEdit::returnPressed, this, &MainWindow::addWord);
    // Selecting an entry, by mouse or keyboard, enables the remove button; only a removal disables it.
    const auto enableRemoveButton = [this] { m_removeTickedButton->setEnabled(true); };
    connect(m_wordListView, &QListWidget::itemClicked, this, enableRemoveButton);
    connect(m_wordListView, &QListWidget::currentRowChanged, this, enableRemoveButton);
    connect(m_wordListView, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        m_words.setTicked(m_wordListView->row(item), item->checkState() == Qt::Checked);
    });
}

void MainWindow::openActionLog()
{
    if (!m_actionLogWindow)
        m_actionLogWindow = new ActionLogWindow(m_actionLog, this);
    m_actionLogWindow->show();
    m_actionLogWindow->raise();
    m_actionLogWindow->activateWindow();
}

// The list widget shows the word list model, entry for entry.
void MainWindow::mirrorWordList()
{
    connect(&m_words, &WordList::entryInserted, this,
        [this](int index) { m_wordListView->insertItem(index, listItem(m_words.text(index))); });
    connect(&m_words, &WordList::entryRemoved, this, [this](int index) { delete m_wordListView->takeItem(index); });
    connect(&m_words, &WordList::entriesReset, this, [this] {
        m_wordListView->clear();
        for (int i = 0; i < m_words.count(); ++i)
            m_wordListView->addItem(listItem(m_words.text(i)));
    });
}

void MainWindow::startUp()
{
    m_store->LoadWordList();
    if (m_store->fileUnreadable())
        warnAtStart(wordListUnreadableText(m_store->path()));
    wordsChanged();
    nameEntriesThatCanNeverMatch();
    openActionLogFile();
    m_boardBrowser->navigate(m_options.portalUrl);
    setWindowTitle(kStartTitle);
    move(screen()->availableGeometry().center() - rect().center());
    show();
    m_boardView->setFocus();
}

// Without its record the watch still works: one warning, and the tool goes on.
void MainWindow::openActionLogFile()
{
    m_actionLog.keepDays(m_options.recordDays);
    if (const QString problem = m_actionLog.open(); !problem.isEmpty())
        warnAtStart(actionLogFailedText(m_actionLog.path()), problem);
}

void MainWindow::warnAtStart(const QString &text, const QString &cause)
{
    const QString line = cause.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, cause);
    std::fprintf(stderr, "tidewick: %s\n", qPrintable(line));
    m_messages.showWarning(text, kWarningTitle);
}

// A word that would hit more than a third of the links the watch would try is questioned first,
// without holding anything up; it is added only once the moderator says yes. Exceptions, known
// words and words typed while the board view shows another page than the watched board's list
// are not questioned.
void MainWindow::addWord()
{
    const QString typed = m_newWordEdit->text();
    if (typed.isEmpty() || WordMatcher::isException(typed) || m_words.containsExactly(typed)
        || !m_session->watch().showsTheBoardList()) {
        storeWord(typed);
        return;
    }
    m_boardBrowser->readAnchors(
        [this, typed](DocumentId, std::optional<AnchorList> shown, qsizetype) { askAboutABroadWord(typed, shown); });
}

void MainWindow::askAboutABroadWord(const QString &word, const std::optional<AnchorList> &shown)
{
    const std::optional<QStringList> texts = shown ? m_session->watch().scannedTexts(*shown) : std::nullopt;
    const WordReach reach = texts ? reachOf(word, *texts) : WordReach{};
    if (!texts || !reach.isTooBroad()) {
        storeWord(word);
        return;
    }
    m_messages.ask(QStringLiteral("“%1”会匹配当前页面 %2 个链接中的 %3 个。确定加入违规词汇库吗？")
                       .arg(word)
                       .arg(reach.links)
                       .arg(reach.matched),
        QStringLiteral("请确认"), [this, word](bool yes) {
            if (yes)
                storeWord(word);
        });
}

void MainWindow::storeWord(const QString &word)
{
    switch (m_store->AddWord(word)) {
    case WordListStore::AddOutcome::Ignored:
        return;
    case WordListStore::AddOutcome::Duplicate:
        m_messages.showCritical(kDuplicateWordText, kErrorTitle);
        m_newWordEdit->clear();
        return;
    case WordListStore::AddOutcome::AddedNotSaved:
        reportSaveFailure();
        break;
    case WordListStore::AddOutcome::Added:
        break;
    }
    if (m_newWordEdit->text() == word) // not what was typed since a question was asked
        m_newWordEdit->clear();
    wordsChanged();
    if (const QString why = whyNeverMatches(word); !why.isEmpty())
        showStatus(why);
}

// Named once, at start: the list may hold entries from before the tool warned about them.
void MainWindow::nameEntriesThatCanNeverMatch()
{
    QStringList reasons;
    for (const QString &entry : m_words.texts()) {
        if (const QString why = whyNeverMatches(entry); !why.isEmpty())
            reasons.append(why);
    }
    for (const QString &why : reasons)
        std::fprintf(stderr, "tidewick: %s\n", why.toLocal8Bit().constData());
    if (!reasons.isEmpty())
        showStatus(QStringLiteral("%1 个词条永远不会命中").arg(reasons.size()), reasons.join(u'\n'));
}

// One line in the window, the whole text in its tooltip.
void MainWindow::showStatus(const QString &text, const QString &details)
{
    m_statusLabel->setText(m_statusLabel->fontMetrics().elidedText(text, Qt::ElideRight, m_statusLabel->width()));
    m_statusLabel->setToolTip(details.isEmpty() ? text : text + u'\n' + details);
}

void MainWindow::removeTickedWords()
{
    const bool saved = m_store->RemoveTickedWords();
    m_removeTickedButton->setEnabled(false);
    wordsChanged();
    if (!saved)
        reportSaveFailure();
}

void MainWindow::reportSaveFailure()
{
    m_messages.showCritical(saveFailedText(m_store->path()), kErrorTitle);
}

void MainWindow::wordsChanged()
{
    m_session->setWords(m_words.texts());
}

void MainWindow::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    hide();
    m_boardBrowser->stop();
    m_topicBrowser->stop();
    m_session->programEnded();
    m_reloadTimer.stop();
    m_watchdogTimer.stop();
    m_exitProgram();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}

} // namespace tidewick
