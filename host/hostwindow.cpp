#include "hostwindow.h"

#include "picklistdialog.h"
#include "typedinput.h"

#include <QApplication>
#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QScopeGuard>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>

namespace zeva::host {

namespace {

// Where the form sits in the window. The form is never given less than its design size:
// a smaller window scrolls it, a larger one gives it all the room to lay itself out in.
class FormArea : public QScrollArea {
public:
    explicit FormArea(FormControl *form)
    {
        setObjectName(QStringLiteral("formArea"));
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);   // Tab goes from field to field, as without it
        setWidgetResizable(true);
        form->setMinimumSize(form->sizeHint());
        setWidget(form);
    }
    // The form's own size, not the few lines of text a scroll area asks for by default.
    QSize sizeHint() const override { return widget()->sizeHint(); }
};

} // namespace

HostWindow::HostWindow(HostSession &session, QWidget *parent)
    : QMainWindow(parent), m_session(session)
{
    setWindowTitle(QStringLiteral("zeva — 产品目录"));
    if (!m_session.load(this, &m_loadError)) {
        auto *label = new QLabel(m_loadError, this);
        label->setWordWrap(true);
        label->setMargin(24);
        setCentralWidget(label);
        return;
    }
    FormControl *form = m_session.control();
    setCentralWidget(new FormArea(form));
    m_session.system().setPickHandler([this](const QString &helpCode, const QString &filter) {
        QWidget *field = QApplication::focusWidget();
        if (!hasPickList(helpCode))
            return;
        PickListDialog list(m_session.database(), helpCode, filter, this);
        if (list.exec() == QDialog::Accepted)
            typeIntoField(field, list.chosen().code);
    });

    m_log = new QTreeWidget;
    m_log->setHeaderLabels({QStringLiteral("时间"), QStringLiteral("级别"), QStringLiteral("主题"), QStringLiteral("内容")});
    m_log->setRootIsDecorated(false);
    m_log->setUniformRowHeights(true);
    m_log->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    auto *logDock = new QDockWidget(QStringLiteral("日志"), this);
    logDock->setObjectName(QStringLiteral("logDock"));
    logDock->setWidget(m_log);
    addDockWidget(Qt::BottomDockWidgetArea, logDock);

    m_properties = new QTableWidget(0, 4);
    m_properties->setHorizontalHeaderLabels(
        {QStringLiteral("属性"), QStringLiteral("值"), QStringLiteral("自动更新"), QStringLiteral("时间")});
    m_properties->verticalHeader()->hide();
    m_properties->horizontalHeader()->setStretchLastSection(true);
    m_properties->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *propertyDock = new QDockWidget(QStringLiteral("属性"), this);
    propertyDock->setObjectName(QStringLiteral("propertyDock"));
    propertyDock->setWidget(m_properties);
    addDockWidget(Qt::RightDockWidgetArea, propertyDock);

    connect(form, &FormControl::Message, this, [this](const QString &text) { statusBar()->showMessage(text); });
    connect(form, &FormControl::ErrMessage, this,
            [this](const QString &text, int level, const QString &title) { log(level, title, text); });
    connect(form, &FormControl::FormRefreshed, this, [this] {
        // What the form raised before belongs to the tree it just replaced.
        m_properties->setRowCount(0);
        statusBar()->showMessage(QStringLiteral("已刷新"), 3000);
    });
    connect(form, &FormControl::Property, this, &HostWindow::showProperty);
    m_properties->setColumnWidth(0, 64);
    m_properties->setColumnWidth(1, 56);
    m_properties->setColumnWidth(2, 56);
    m_log->setColumnWidth(0, 70);
    m_log->setColumnWidth(1, 40);
    m_log->setColumnWidth(2, 80);
    // The form is the work; the panes beside it stay small until the user widens them.
    resizeDocks({logDock}, {120}, Qt::Vertical);
    resizeDocks({propertyDock}, {240}, Qt::Horizontal);
    buildActions();
    statusBar()->showMessage(QStringLiteral("就绪"));
}

void HostWindow::buildActions()
{
    struct Command {
        const char *text;
        QKeySequence shortcut;
        QStyle::StandardPixmap icon;
        const char *member;
        bool (FormControl::*call)();
        bool editing;   // usable while editing (else while browsing)
    };
    const Command commands[] = {
        {"新建(&N)", QKeySequence::New, QStyle::SP_FileIcon, "IFormUI_FileNew", &FormControl::IFormUI_FileNew, false},
        {"修改(&E)", QKeySequence(Qt::CTRL | Qt::Key_E), QStyle::SP_FileDialogDetailedView, "IFormUI_FileEdit",
         &FormControl::IFormUI_FileEdit, false},
        {"保存(&S)", QKeySequence::Save, QStyle::SP_DialogSaveButton, "IFormUI_FileSave", &FormControl::IFormUI_FileSave, true},
        {"取消(&C)", QKeySequence(Qt::Key_Escape), QStyle::SP_DialogCancelButton, "IFormUI_FileCancel",
         &FormControl::IFormUI_FileCancel, true},
        {"删除(&D)", QKeySequence(Qt::CTRL | Qt::Key_Delete), QStyle::SP_TrashIcon, "IFormUI_FileDelete",
         &FormControl::IFormUI_FileDelete, false},
        {"刷新(&R)", QKeySequence::Refresh, QStyle::SP_BrowserReload, "IFormUI_Refresh", &FormControl::IFormUI_Refresh, false},
        {"查找(&F)", QKeySequence::Find, QStyle::SP_FileDialogContentsView, "IFormUI_Find", nullptr, false},
        {"查找下一个", QKeySequence::FindNext, QStyle::SP_ArrowDown, "IFormUI_FindNext", &FormControl::IFormUI_FindNext, false},
        {"上一条(&P)", QKeySequence(Qt::CTRL | Qt::Key_PageUp), QStyle::SP_ArrowBack, "IFormUI_RecordPrevious",
         &FormControl::IFormUI_RecordPrevious, false},
        {"下一条(&X)", QKeySequence(Qt::CTRL | Qt::Key_PageDown), QStyle::SP_ArrowForward, "IFormUI_RecordNext",
         &FormControl::IFormUI_RecordNext, false},
    };
    QMenu *menu = menuBar()->addMenu(QStringLiteral("记录(&R)"));
    QToolBar *bar = addToolBar(QStringLiteral("命令"));
    bar->setObjectName(QStringLiteral("commandBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const Command &c : commands) {
        auto *action = new QAction(style()->standardIcon(c.icon), QString::fromUtf8(c.text), this);
        action->setShortcut(c.shortcut);
        action->setObjectName(QString::fromLatin1(c.member));
        const char *member = c.member;
        auto call = c.call;
        connect(action, &QAction::triggered, this, [this, member, call] {
            if (call)
                command(member, call);
            else
                command(member, nullptr);
        });
        menu->addAction(action);
        bar->addAction(action);
        (c.editing ? m_editActions : m_browseActions).append(action);
        if (qstrcmp(c.member, "IFormUI_FileDelete") == 0 || qstrcmp(c.member, "IFormUI_Refresh") == 0)
            bar->addSeparator();
    }
    menu->addSeparator();
    QAction *quit = menu->addAction(QStringLiteral("退出(&Q)"), QKeySequence::Quit, this, &QWidget::close);
    quit->setObjectName(QStringLiteral("quit"));
    setEditing(false);
}

void HostWindow::command(const char *member, bool (FormControl::*call)())
{
    // A command lets events run while it loads: a second one waits for the first.
    if (m_running)
        return;
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });
    FormControl *form = m_session.control();
    const QByteArray name(member);
    const bool answered = call ? (form->*call)() : form->IFormUI_Find(QVariant());
    if (name == "IFormUI_FileNew" || name == "IFormUI_FileEdit") {
        if (answered)
            setEditing(true);
    } else if (name == "IFormUI_FileSave") {
        if (answered)
            setEditing(false);
    } else if (name == "IFormUI_FileCancel") {
        setEditing(false);
    }
    if (!answered && name != "IFormUI_FileCancel")
        statusBar()->showMessage(QStringLiteral("%1：未完成").arg(QString::fromLatin1(member)), 3000);
}

void HostWindow::showProperty(const QString &name, const QVariant &value, bool autoUpdate)
{
    const auto found = m_properties->findItems(name, Qt::MatchExactly);
    int row = found.isEmpty() ? -1 : found.first()->row();
    if (row < 0) {
        row = m_properties->rowCount();
        m_properties->insertRow(row);
        m_properties->setItem(row, 0, new QTableWidgetItem(name));
    }
    // The time says when the form last raised it: a category selection raises nothing,
    // so an older product's ID shows as older.
    m_properties->setItem(row, 1, new QTableWidgetItem(value.toString()));
    m_properties->setItem(row, 2, new QTableWidgetItem(autoUpdate ? QStringLiteral("是") : QStringLiteral("否")));
    m_properties->setItem(row, 3, new QTableWidgetItem(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
}

void HostWindow::setEditing(bool editing)
{
    m_editing = editing;
    for (QAction *a : m_browseActions)
        a->setEnabled(!editing);
    for (QAction *a : m_editActions)
        a->setEnabled(editing);
}

void HostWindow::log(int level, const QString &title, const QString &text)
{
    auto *item = new QTreeWidgetItem({QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), QString::number(level),
                                      title, text});
    if (level >= 8)
        item->setForeground(3, QBrush(QColor(0xb7, 0x1c, 0x1c)));
    m_log->addTopLevelItem(item);
    m_log->scrollToItem(item);
}

void HostWindow::start()
{
    if (!loaded())
        return;
    m_session.init();
    m_session.control()->IFormUI_Refresh();
    const qint64 categories =
        m_session.database().Prepare(QStringLiteral("SELECT count(*) FROM pdmcplb"), 1)->GetValue().toInteger();
    if (categories == 0 && m_session.database().LastError().Description().isEmpty()) {
        statusBar()->showMessage(QStringLiteral(
            "目录是空的：用 zeva-host --db 文件 --init-demo 装入演示目录，或 --generate 产品数 生成一个目录"));
    }
}

void HostWindow::placeOnScreen()
{
    m_remembersPlace = true;
    DesktopServices &desktop = m_session.desktop();
    const QByteArray saved = QByteArray::fromBase64(
        desktop.setting(QStringLiteral("zeva-host"), QStringLiteral("window"), QStringLiteral("geometry")).toLatin1());
    if (!saved.isEmpty() && restoreGeometry(saved))
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    // The window's frame and title bar are the window system's; leave room for them.
    const QSize room = free.size() - QSize(40, 60);
    resize(sizeHint().boundedTo(room).expandedTo(QSize(640, 480)).boundedTo(free.size()));
    move(free.center() - rect().center());
}

void HostWindow::closeEvent(QCloseEvent *event)
{
    FormControl *form = m_session.control();
    if (form && m_editing) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("zeva产品目录"),
                        QStringLiteral("正在编辑的记录还没有保存。保存后退出吗？"),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.button(QMessageBox::Save)->setText(QStringLiteral("保存(&S)"));
        box.button(QMessageBox::Discard)->setText(QStringLiteral("放弃修改(&D)"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("继续编辑"));
        box.setDefaultButton(QMessageBox::Save);
        const int choice = box.exec();
        if (choice == QMessageBox::Save && form->IFormUI_FileSave()) {
            setEditing(false);
        } else if (choice != QMessageBox::Discard) {
            event->ignore();   // kept open: cancelled, or the save was refused and said why
            return;
        }
        if (m_editing) {
            form->IFormUI_FileCancel();
            setEditing(false);
        }
    }
    if (m_remembersPlace) {
        m_session.desktop().setSetting(QStringLiteral("zeva-host"), QStringLiteral("window"), QStringLiteral("geometry"),
                                       QString::fromLatin1(saveGeometry().toBase64()));
    }
    if (form)
        form->IFormUI_Clear();
    event->accept();
}

} // namespace zeva::host
