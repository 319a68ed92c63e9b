#include "main_window.h"

#include "qt_event_loop.h"
#include "window_icon.h"
#include "window_stacking.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "dialog_accepting_page.h"

namespace tidewick {

namespace {

constexpr int kTimer1IntervalMs = 8000;

const QString kStartTitle = QStringLiteral("Tidewick 1.1");
const QString kLabel3Text = QStringLiteral("如果下边的网页显示你没有登录，请登录，选择记住登录状态，然后再开启删帖机，"
                                           "必须是大吧主或小吧主才能使用本软件进行管理。"
                                           "本软件会实时只能匹配贴吧列表是否含有词汇库中所有词条内容。");

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

MainWindow::MainWindow(QWebEngineProfile &profile, QtEventLoop &loop, MessageBox &messages, const AppOptions &options,
    const QString &wordListPath)
    : QWidget(nullptr,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowCloseButtonHint)
    , m_loop(loop)
    , m_options(options)
{
    setObjectName(QStringLiteral("Form1"));
    setFont(windowFont());
    setWindowIcon(makeWindowIcon());
    setFixedSize(790, 620);
    createControls(profile);
    setTabOrder();

    m_board = new QtBrowserView(m_WebBrowser1, loop);
    m_topic = new QtBrowserView(m_WebBrowser2, loop);
    m_store = std::make_unique<WordListStore>(m_words, wordListPath, messages);
    m_watch = std::make_unique<BoardWatch>(
        *m_board, *m_topic, m_options.boardHost, [this](const QString &title) { setWindowTitle(title); });
    m_sequence = std::make_unique<TopicActionSequence>(TopicActionSequence::Ports{
        *m_topic, *m_board, m_timer1Port, loop, m_clock, [this] { return m_Check1->isChecked(); }});

    m_Timer1.setInterval(kTimer1IntervalMs);
    m_Timer1.start();
    mirrorWordList();
    wireEvents();
}

void MainWindow::createControls(QWebEngineProfile &profile)
{
    m_WebBrowser1 = browserView(this, "WebBrowser1", new QWebEnginePage(&profile), {208, 104, 577, 505});
    m_Command1 = button(this, "Command1", QStringLiteral("开启删帖机"), {224, 12, 97, 25});
    m_Label1 = autoSizedLabel(this, "Label1", QStringLiteral("贴吧名："), {8, 16});
    m_Text1 = place(new QLineEdit(this), "Text1", {56, 12, 169, 25});
    m_Frame1 = place(new QGroupBox(QStringLiteral("违规词汇库"), this), "Frame1", {0, 40, 201, 577});
    m_List1 = place(new QListWidget(m_Frame1), "List1", {8, 24, 185, 479});
    m_Text2 = place(new QLineEdit(m_Frame1), "Text2", {88, 544, 105, 25});
    m_Text2->setToolTip(QStringLiteral("输入后按Enter键存入"));
    m_Label2 = autoSizedLabel(m_Frame1, "Label2", QStringLiteral("增加违规词汇："), {0, 548});
    m_Command3 = button(m_Frame1, "Command3", QStringLiteral("删除所有打钩词汇"), {8, 512, 185, 25});
    m_WebBrowser2 = browserView(this, "WebBrowser2", new DialogAcceptingPage(&profile), {208, 288, 321, 321});
    m_Label3 = place(new QLabel(kLabel3Text, this), "Label3", {208, 48, 579, 33});
    m_Label3->setWordWrap(true);
    m_Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_Command2 = button(this, "Command2", QStringLiteral("暂停删帖机"), {328, 12, 97, 25});
    m_Command4 = button(this, "Command4", QStringLiteral("退出"), {472, 8, 81, 33});
    m_Check1 = place(
        new QCheckBox(QStringLiteral("违者封IP/ID(慎用，会造成删帖速度减慢)"), this), "Check1", {216, 80, 249, 17});
    m_Check2 = place(new QCheckBox(QStringLiteral("本窗口置顶"), this), "Check2", {464, 80, 89, 17});
    m_WebBrowser2->raise();
}

void MainWindow::setTabOrder()
{
    const QList<QWidget *> order{m_WebBrowser1, m_Command1, m_Text1, m_List1, m_Text2, m_Command3, m_WebBrowser2,
        m_Command2, m_Command4, m_Check1, m_Check2};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::wireEvents()
{
    connect(m_board, &QtBrowserView::loadFinished, this, [this] { m_watch->BoardScanCycle(); });
    connect(m_topic, &QtBrowserView::loadFinished, this, [this] { m_sequence->run(); });
    connect(&m_Timer1, &QTimer::timeout, this, [this] { m_watch->TimerTick(); });
    connect(m_Command1, &QPushButton::clicked, this, [this] { m_watch->Start(m_Text1->text()); });
    connect(m_Command2, &QPushButton::clicked, this, [this] { m_watch->Pause(); });
    connect(m_Command3, &QPushButton::clicked, this, &MainWindow::removeTickedWords);
    connect(m_Command4, &QPushButton::clicked, this, &MainWindow::endProgram);
    connect(m_Check2, &QCheckBox::toggled, this, [this](bool on) { setKeptOnTop(*this, on); });
    connect(m_Text2, &QLineEdit::returnPressed, this, &MainWindow::addWord);
    connect(m_List1, &QListWidget::itemClicked, this, &MainWindow::enableRemoveButton);
    connect(m_List1, &QListWidget::currentRowChanged, this, &MainWindow::enableRemoveButton);
    connect(m_List1, &QListWidget::itemChanged, this,
        [this](QListWidgetItem *item) { m_words.setTicked(m_List1->row(item), item->checkState() == Qt::Checked); });
}

// The list widget shows the word list model, entry for entry.
void MainWindow::mirrorWordList()
{
    connect(&m_words, &WordList::entryInserted, this,
        [this](int index) { m_List1->insertItem(index, listItem(m_words.text(index))); });
    connect(&m_words, &WordList::entryRemoved, this, [this](int index) { delete m_List1->takeItem(index); });
    connect(&m_words, &WordList::entriesReset, this, [this] {
        m_List1->clear();
        for (int i = 0; i < m_words.count(); ++i)
            m_List1->addItem(listItem(m_words.text(i)));
    });
}

void MainWindow::startUp()
{
    m_store->LoadWordList();
    wordsChanged();
    m_board->navigate(m_options.portalUrl);
    setWindowTitle(kStartTitle);
    move(screen()->availableGeometry().center() - rect().center());
    show();
    m_WebBrowser1->setFocus();
}

void MainWindow::addWord()
{
    const WordListStore::AddOutcome outcome = m_store->AddWord(m_Text2->text());
    if (outcome == WordListStore::AddOutcome::Ignored)
        return;
    m_Text2->clear();
    if (outcome == WordListStore::AddOutcome::Added)
        wordsChanged();
}

void MainWindow::removeTickedWords()
{
    m_store->RemoveTickedWords();
    m_Command3->setEnabled(m_store->removeEnabled());
    wordsChanged();
}

void MainWindow::enableRemoveButton()
{
    m_store->listClicked();
    m_Command3->setEnabled(m_store->removeEnabled());
}

void MainWindow::wordsChanged()
{
    m_watch->setWords(m_words.texts());
}

void MainWindow::endProgram()
{
    hide();
    m_loop.endProgram();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}

} // namespace tidewick
