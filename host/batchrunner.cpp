#include "batchrunner.h"

#include "batchsyntax.h"
#include "fieldescape.h"
#include "hostcommandline.h"
#include "hostunits.h"
#include "picklist.h"
#include "typedinput.h"

#include <QAbstractItemModel>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QIODevice>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace zeva::host {

// One command of the language: its name (a family's second word after a blank), what it
// takes, and either a handler or the form member it calls and prints.
struct BatchRunner::Command {
    const char *name;
    const char *arguments = "";   // as the help shows them
    ArgumentShape shape{};
    const char *help = "";
    void (BatchRunner::*handler)(const QStringList &) = nullptr;
    const char *member = nullptr;
    bool (FormControl::*call)() = nullptr;
    bool initFirst = true;      // IFormUI_Init runs first when nothing has run it
    bool textNeeded = false;    // the free text may not be blank
};

const QList<BatchRunner::Command> &BatchRunner::commands()
{
    using B = BatchRunner;
    using F = FormControl;
    const auto form = [](const char *name, const char *member, bool (FormControl::*call)()) {
        return Command{.name = name, .help = member, .member = member, .call = call};
    };
    static const QList<Command> table = {
        {.name = "init", .help = "IFormUI_Init (run before the first other command when omitted)", .handler = &B::init,
         .initFirst = false},
        form("refresh", "IFormUI_Refresh", &F::IFormUI_Refresh),
        form("new", "IFormUI_FileNew", &F::IFormUI_FileNew),
        form("edit", "IFormUI_FileEdit", &F::IFormUI_FileEdit),
        form("save", "IFormUI_FileSave", &F::IFormUI_FileSave),
        form("cancel", "IFormUI_FileCancel", &F::IFormUI_FileCancel),
        form("delete", "IFormUI_FileDelete", &F::IFormUI_FileDelete),
        {.name = "find", .arguments = "[TEXT]", .shape = {0, true}, .help = "IFormUI_Find with TEXT (without it, no value)",
         .handler = &B::find},
        form("findnext", "IFormUI_FindNext", &F::IFormUI_FindNext),
        form("next", "IFormUI_RecordNext", &F::IFormUI_RecordNext),
        form("previous", "IFormUI_RecordPrevious", &F::IFormUI_RecordPrevious),
        form("clear", "IFormUI_Clear", &F::IFormUI_Clear),
        {.name = "select", .arguments = "KEY", .shape = {0, true},
         .help = "makes the node visible (ancestors expanded by code), then clicks its row", .handler = &B::select,
         .textNeeded = true},
        {.name = "expand", .arguments = "KEY", .shape = {0, true},
         .help = "clicks the node's expand mark (twice when it is open: collapse, expand)", .handler = &B::expand,
         .textNeeded = true},
        {.name = "drag", .arguments = "SOURCEKEY TARGETKEY", .shape = {2, false},
         .help = "presses on the node, carries it over the target node in steps, releases (a move needs chk(2) ticked)",
         .handler = &B::drag},
        {.name = "page", .arguments = "N", .shape = {1, false}, .help = "clicks toolbar button N (1, 3, 5, 7)", .handler = &B::page},
        {.name = "set", .arguments = "CONTROL TEXT", .shape = {1, true},
         .help = "clicks the field, types TEXT a character a key event, presses Tab (tabs, line breaks: a paste)",
         .handler = &B::set},
        {.name = "pick", .arguments = "CONTROL N", .shape = {2, false},
         .help = "clicks the field, presses F4 for its pick list (filtered by its text) and takes row N (from 1)",
         .handler = &B::pick},
        {.name = "check", .arguments = "CONTROL 0|1", .shape = {2, false}, .help = "clicks the check box when it differs",
         .handler = &B::check},
        {.name = "click", .arguments = "CONTROL", .shape = {1, false},
         .help = "clicks the button (Cmd(0), CmdOpenFile, CmdClear, CmdShow, ...)", .handler = &B::click},
        {.name = "row", .arguments = "lvDraw N", .shape = {2, false},
         .help = "clicks the N-th row of the list as it shows (from 1)", .handler = &B::row},
        {.name = "annotate", .arguments = "N DESCRIPTION DETAIL save|nosave", .shape = {4, false},
         .help = "double-clicks the N-th row of lvDraw, types both texts into the dialog, saves or not, closes",
         .handler = &B::annotate},
        {.name = "option", .arguments = "CONTROL", .shape = {1, false}, .help = "clicks the option button", .handler = &B::option},
        {.name = "answer", .arguments = "ok|cancel|yes|no", .shape = {1, false}, .help = "queues the next dialog's button",
         .handler = &B::answerButton, .initFirst = false},
        {.name = "answer text", .arguments = "TEXT", .shape = {0, true}, .help = "queues the next input box's text",
         .handler = &B::answerText, .initFirst = false},
        {.name = "answer file", .arguments = "PATH", .shape = {0, true}, .help = "queues the next file dialog's path",
         .handler = &B::answerFile, .initFirst = false},
        {.name = "dump tree", .help = "tree<TAB>depth<TAB>key<TAB>text<TAB>tag<TAB>flags, pre-order (E expanded, S selected)",
         .handler = &B::dumpTree},
        {.name = "dump selection", .help = "selection<TAB>key<TAB>text of the selected node (both empty without one)",
         .handler = &B::dumpSelection},
        {.name = "dump fields", .help = "field<TAB>name<TAB>text<TAB>key<TAB>enabled<TAB>visible: kvT, chk, Opt, lbl, ImgBom, ImgSr",
         .handler = &B::dumpFields},
        {.name = "dump list", .arguments = "lvDraw", .shape = {1, false},
         .help = "row<TAB> and the eight column texts of every row of lvDraw, in the order shown", .handler = &B::dumpList},
        {.name = "dump picture",
         .help = "picture<TAB>txtFileName<TAB>chk(4)<TAB>chk(6)<TAB>left<TAB>top<TAB>width<TAB>height of imgZeva in twips",
         .handler = &B::dumpPicture},
        {.name = "dump host",
         .help = "host<TAB>preloaded<TAB>name<TAB>value, host<TAB>released<TAB>0|1, host<TAB>relay<TAB>member<TAB>arguments...",
         .handler = &B::dumpHost, .initFirst = false},
        {.name = "dump layout",
         .help = "layout<TAB>name<TAB>left<TAB>top<TAB>width<TAB>height in twips, every control in collection order "
                 "(a Line: x1 y1 x2 y2)",
         .handler = &B::dumpLayout},
        {.name = "sql", .arguments = "STATEMENT", .shape = {0, true}, .help = "as --sql does, each line prefixed with sql<TAB>",
         .handler = &B::sql, .initFirst = false, .textNeeded = true},
        {.name = "screenshot", .arguments = "FILE", .shape = {1, false}, .help = "saves the form as the user sees it (PNG)",
         .handler = &B::screenshot},
        {.name = "resize", .arguments = "W H", .shape = {2, false},
         .help = "gives the form W x H pixels of the window (less than its design size scrolls)", .handler = &B::resize},
        {.name = "drag-splitter", .arguments = "DX", .shape = {1, false},
         .help = "presses on the bar Sp, moves DX twips in steps of 120, releases", .handler = &B::dragSplitter},
    };
    return table;
}

void BatchRunner::printHelp(QTextStream &out)
{
    out << "zeva-host --batch FILE (- for standard input) runs one command a line; blank lines and lines\n"
           "starting with # are skipped. The last argument of find, select, expand, set, answer text,\n"
           "answer file and sql is the rest of the line after one blank; other arguments are split on\n"
           "blanks, and \"...\" holds blanks (\\\" a quote inside). Every argument has \\\\, \\t, \\n, \\r and\n"
           "\\xHH (a control character) unescaped; every record has them escaped. A form member's\n"
           "answer prints as result<TAB>IFormUI_Refresh<TAB>true|false.\n\n";
    for (const Command &c : commands()) {
        const QString usage = QString::fromLatin1(c.name) + (*c.arguments ? u' ' + QString::fromLatin1(c.arguments) : QString());
        out << "  " << usage.leftJustified(25) << ' ' << QString::fromUtf8(c.help) << '\n';
    }
    out.flush();
}

namespace {

// The role of a node's key or tag in the tree's model, found by the name the model gives
// it; the tree control's own convention otherwise.
int roleNamed(const QAbstractItemModel *model, const QByteArray &name, int fallback)
{
    const auto names = model->roleNames();
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        if (it.value() == name)
            return it.key();
    }
    return fallback;
}

QModelIndex findKey(const QAbstractItemModel *model, int keyRole, const QString &key, const QModelIndex &parent = {})
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (model->data(index, keyRole).toString() == key)
            return index;
        if (const QModelIndex found = findKey(model, keyRole, key, index); found.isValid())
            return found;
    }
    return {};
}

// Types text as a keyboard (or an input method, for Chinese) delivers it: one key event
// per character, carrying the character, whatever key produced it.
QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

BatchRunner::BatchRunner(HostSession &session, ScriptedDesktopServices &desktop, QWidget *window, QTextStream &out)
    : m_session(session), m_desktop(desktop), m_window(window), m_out(out)
{
    FormControl *control = m_session.control();
    m_session.system().setPickHandler(
        [this](const QString &helpCode, const QString &filter) { takePickRow(helpCode, filter); });
    QObject::connect(control, &FormControl::Message, control,
                     [this](const QString &text) { record({QStringLiteral("event"), QStringLiteral("Message"), text}); });
    QObject::connect(control, &FormControl::ErrMessage, control, [this](const QString &text, int level, const QString &title) {
        record({QStringLiteral("event"), QStringLiteral("ErrMessage"), QString::number(level), title, text});
    });
    QObject::connect(control, &FormControl::FormRefreshed, control,
                     [this] { record({QStringLiteral("event"), QStringLiteral("FormRefreshed")}); });
    QObject::connect(control, &FormControl::Property, control, [this](const QString &name, const QVariant &value, bool autoUpdate) {
        record({QStringLiteral("event"), QStringLiteral("Property"), name, value.toString(), flag(autoUpdate)});
    });
    m_desktop.setRecordHandler([this](const ScriptedDesktopServices::Record &r) {
        if (r.kind == u"MsgBox")
            record({QStringLiteral("dialog"), r.kind, QString::number(r.style), r.title, r.text, r.answer});
        else if (r.kind == u"InputBox")
            record({QStringLiteral("dialog"), r.kind, r.title, r.text, r.answer});
        else if (r.kind == u"ShellOpen")
            record({QStringLiteral("dialog"), r.kind, r.text, r.answer});
        else
            record({QStringLiteral("dialog"), r.kind, r.title, r.filter, r.answer});
    });
}

int BatchRunner::run(QIODevice &in)
{
    QString line;
    for (bool first = true; readScriptLine(in, line); first = false) {
        if (first && line.startsWith(QChar(0xfeff)))
            line.remove(0, 1);   // a byte order mark some editors write
        runLine(line);
    }
    m_out.flush();
    return hadError() ? 2 : 0;
}

void BatchRunner::record(const QStringList &fields)
{
    QStringList escaped;
    escaped.reserve(fields.size());
    for (const QString &f : fields)
        escaped << escapeField(f);
    m_out << escaped.join(u'\t') << '\n';
    m_out.flush();
}

void BatchRunner::error(const QString &command, const QString &text)
{
    ++m_errors;
    record({QStringLiteral("error"), command, text});
}

void BatchRunner::result(const char *member, bool value)
{
    record({QStringLiteral("result"), QString::fromLatin1(member), value ? QStringLiteral("true") : QStringLiteral("false")});
}

void BatchRunner::ensureInit()
{
    if (!m_session.initialized())
        result("IFormUI_Init", m_session.init());
}

void BatchRunner::runLine(const QString &line)
{
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
        return;
    const qsizetype blank = line.indexOf(u' ');
    const QString name = blank < 0 ? line : line.left(blank);
    QString rest = blank < 0 ? QString() : line.mid(blank + 1);
    // A family's row named by the next word wins over its row without one ("answer").
    const Command *command = nullptr;
    const Command *family = nullptr;
    for (const Command &c : commands()) {
        const QString full = QString::fromLatin1(c.name);
        if (full.section(u' ', 0, 0) != name)
            continue;
        family = &c;
        const QString second = full.section(u' ', 1);
        if (second.isEmpty()) {
            if (!command)
                command = &c;
        } else if (rest == second || rest.startsWith(second + u' ')) {
            command = &c;
            rest = rest.mid(second.size() + 1);
            break;
        }
    }
    if (!family) {
        error(QStringLiteral("unknown"), QStringLiteral("unknown command: %1").arg(name));
        return;
    }
    if (family->initFirst)
        ensureInit();
    QStringList arguments;
    QString why;
    if (!command)
        why = QStringLiteral("no such %1 command").arg(name);
    else if (splitArguments(rest, command->shape, arguments, &why) && command->textNeeded && arguments.last().trimmed().isEmpty())
        why = QStringLiteral("%1 is missing").arg(QString::fromLatin1(command->arguments));
    if (!why.isEmpty()) {
        error(name, QStringLiteral("wrong arguments: %1 (%2)").arg(line, why));
    } else if (command->handler) {
        (this->*command->handler)(arguments);
    } else {
        result(command->member, (m_session.control()->*command->call)());
    }
    QApplication::processEvents();
}

void BatchRunner::init(const QStringList &)
{
    result("IFormUI_Init", m_session.init());
}

void BatchRunner::find(const QStringList &args)
{
    const QString &text = args.first();
    result("IFormUI_Find", m_session.control()->IFormUI_Find(text.isEmpty() ? QVariant() : QVariant(text)));
}

QModelIndex BatchRunner::visibleNode(const QString &command, const QString &key, QTreeView *&tree)
{
    tree = m_session.control()->findChild<QTreeView *>(QStringLiteral("TV"));
    if (!tree) {
        error(command, QStringLiteral("the form has no tree"));
        return {};
    }
    const QAbstractItemModel *model = tree->model();
    const QModelIndex index = findKey(model, roleNamed(model, "key", Qt::UserRole + 1), key);
    if (!index.isValid()) {
        error(command, QStringLiteral("no node has the key %1").arg(key));
        return {};
    }
    if (!tree->isEnabled()) {
        error(command, QStringLiteral("the tree is disabled"));
        return {};
    }
    // Made visible by code, as a user scrolls to it: ancestors expanded, scrolled to.
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        tree->expand(up);
    tree->scrollTo(index);
    QApplication::processEvents();
    return index;
}

void BatchRunner::select(const QStringList &args)
{
    QTreeView *tree = nullptr;
    const QModelIndex index = visibleNode(QStringLiteral("select"), args.first(), tree);
    if (index.isValid())
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualRect(index).center());
}

void BatchRunner::drag(const QStringList &args)
{
    QTreeView *tree = nullptr;
    // Both rows in view, as a user scrolls until both show; the target first, then the source.
    const QModelIndex to = visibleNode(QStringLiteral("drag"), args.at(1), tree);
    if (!to.isValid())
        return;
    const QModelIndex from = visibleNode(QStringLiteral("drag"), args.at(0), tree);
    if (!from.isValid())
        return;
    const QPoint start = tree->visualRect(from).center(), end = tree->visualRect(to).center();
    if (!tree->viewport()->rect().contains(end))
        return error(QStringLiteral("drag"), QStringLiteral("%1 and %2 do not show together").arg(args.at(0), args.at(1)));
    QWidget *viewport = tree->viewport();
    const auto mouse = [viewport](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPointF at) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };
    // Pressed, pulled past the drag distance, carried over in steps, released.
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
    const QPointF pulled = start + QPoint(0, (end.y() >= start.y() ? 1 : -1) * (QApplication::startDragDistance() + 1));
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, pulled);
    for (int step = 1; step <= 8; ++step)
        mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, pulled + (QPointF(end) - pulled) * (step / 8.0));
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, end);
    QApplication::processEvents();
}

void BatchRunner::expand(const QStringList &args)
{
    const QString &key = args.first();
    QTreeView *tree = nullptr;
    const QModelIndex index = visibleNode(QStringLiteral("expand"), key, tree);
    if (!index.isValid())
        return;
    if (!tree->model()->hasChildren(index))
        return error(QStringLiteral("expand"), QStringLiteral("the node %1 has nothing to expand").arg(key));
    // A click on the node's expand mark, left of its row; twice when it is open already.
    const QRect rect = tree->visualRect(index);
    const QPoint mark(rect.left() - tree->indentation() / 2, rect.center().y());
    if (tree->isExpanded(index)) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, mark);
        QApplication::processEvents();
    }
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, mark);
}

void BatchRunner::page(const QStringList &args)
{
    const QString &position = args.first();
    auto *button = m_session.control()->findChild<QToolButton *>(QStringLiteral("Buttons(%1)").arg(position));
    if (!button)
        return error(QStringLiteral("page"), QStringLiteral("Toolbar1 has no button %1").arg(position));
    if (!button->isEnabled())
        return error(QStringLiteral("page"), QStringLiteral("the button %1 is disabled").arg(position));
    QTest::mouseClick(button, Qt::LeftButton);
}

QLineEdit *BatchRunner::clickTextField(const QString &command, const QString &control)
{
    auto *widget = m_session.control()->findChild<QWidget *>(control);
    if (!widget) {
        error(command, QStringLiteral("no control %1").arg(control));
        return nullptr;
    }
    auto *editor = qobject_cast<QLineEdit *>(widget);
    if (!editor)
        editor = qobject_cast<QLineEdit *>(widget->focusProxy());
    if (!editor) {
        error(command, QStringLiteral("%1 is not a text field").arg(control));
        return nullptr;
    }
    if (!editor->isEnabled() || !widget->isVisibleTo(m_window)) {
        error(command, QStringLiteral("%1 is disabled").arg(control));
        return nullptr;
    }
    QTest::mouseClick(editor, Qt::LeftButton);
    editor->setFocus(Qt::MouseFocusReason);
    return editor;
}

void BatchRunner::set(const QStringList &args)
{
    const QString &text = args.at(1);
    QLineEdit *editor = clickTextField(QStringLiteral("set"), args.at(0));
    if (!editor)
        return;
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    if (text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t'))
        editor->insert(text);   // a paste: tabs and line breaks cannot be typed into one line
    else if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        typeText(editor, text);
    QTest::keyClick(editor, Qt::Key_Tab);
}

void BatchRunner::pick(const QStringList &args)
{
    bool ok = false;
    const int row = args.at(1).toInt(&ok);
    if (!ok || row < 1)
        return error(QStringLiteral("pick"), QStringLiteral("a row counts from 1, not %1").arg(args.at(1)));
    QLineEdit *editor = clickTextField(QStringLiteral("pick"), args.at(0));
    if (!editor)
        return;
    m_pickRow = row;
    m_picked = false;
    QTest::keyClick(editor, Qt::Key_F4);   // the field asks the host for its list
    m_pickRow = 0;
    if (!m_picked)
        error(QStringLiteral("pick"), QStringLiteral("%1 has no pick list").arg(args.at(0)));
}

void BatchRunner::takePickRow(const QString &helpCode, const QString &filter)
{
    if (m_pickRow < 1)
        return;
    m_picked = true;
    QWidget *field = QApplication::focusWidget();
    const QList<PickRow> rows = pickRows(m_session.database(), helpCode, filter, m_pickRow);
    if (const QString failure = m_session.database().LastError().Description(); !failure.isEmpty())
        return error(QStringLiteral("pick"), failure);
    if (rows.size() < m_pickRow)
        return error(QStringLiteral("pick"), QStringLiteral("the list of %1 filtered by \"%2\" has %3 rows")
                                                 .arg(helpCode, filter).arg(rows.size()));
    const PickRow &chosen = rows.at(m_pickRow - 1);
    record({QStringLiteral("pick"), helpCode, chosen.code, chosen.name});
    typeIntoField(field, chosen.code);
}

void BatchRunner::dumpHost(const QStringList &)
{
    KitHostSystem &system = m_session.system();
    for (const auto &parameters : system.preloadedForm()->received()) {
        for (int i = 0; i < parameters->Count(); ++i) {
            const QString name = parameters->nameAt(i);
            record({QStringLiteral("host"), QStringLiteral("preloaded"), name, parameters->Item(name).toString()});
        }
    }
    record({QStringLiteral("host"), QStringLiteral("released"), m_session.systemReleased() ? QStringLiteral("1")
                                                                                         : QStringLiteral("0")});
    for (const QString &line : system.relayed())
        record(QStringList{QStringLiteral("host"), QStringLiteral("relay")} + line.split(u'\t'));
}

void BatchRunner::check(const QStringList &args)
{
    const QString &control = args.at(0);
    const QString &value = args.at(1);
    auto *box = m_session.control()->findChild<QCheckBox *>(control);
    if (!box)
        return error(QStringLiteral("check"), QStringLiteral("no check box %1").arg(control));
    if (value != u"0" && value != u"1")
        return error(QStringLiteral("check"), QStringLiteral("a check box takes 0 or 1, not %1").arg(value));
    if (!box->isEnabled())
        return error(QStringLiteral("check"), QStringLiteral("%1 is disabled").arg(control));
    if (box->isChecked() != (value == u"1"))
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
}

void BatchRunner::option(const QStringList &args)
{
    const QString &control = args.first();
    auto *button = m_session.control()->findChild<QRadioButton *>(control);
    if (!button)
        return error(QStringLiteral("option"), QStringLiteral("no option button %1").arg(control));
    if (!button->isEnabled())
        return error(QStringLiteral("option"), QStringLiteral("%1 is disabled").arg(control));
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}

void BatchRunner::answerButton(const QStringList &args)
{
    if (const int button = DesktopServices::buttonFromName(args.first()); button != 0)
        m_desktop.answerButton(button);
    else
        error(QStringLiteral("answer"), QStringLiteral("answer takes ok, cancel, yes, no, text TEXT or file PATH"));
}

void BatchRunner::answerText(const QStringList &args)
{
    m_desktop.answerText(args.first());
}

void BatchRunner::answerFile(const QStringList &args)
{
    m_desktop.answerFile(args.first());
}

void BatchRunner::dumpTree(const QStringList &)
{
    auto *tree = m_session.control()->findChild<QTreeView *>(QStringLiteral("TV"));
    if (!tree)
        return error(QStringLiteral("dump"), QStringLiteral("the form has no tree"));
    const QAbstractItemModel *model = tree->model();
    const int keyRole = roleNamed(model, "key", Qt::UserRole + 1);
    const int tagRole = roleNamed(model, "tag", Qt::UserRole + 2);
    std::function<void(const QModelIndex &, int)> walk = [&](const QModelIndex &parent, int depth) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            QString flags;
            if (tree->isExpanded(index))
                flags += u'E';
            if (tree->selectionModel()->isSelected(index))
                flags += u'S';
            record({QStringLiteral("tree"), QString::number(depth), model->data(index, keyRole).toString(),
                    model->data(index, Qt::DisplayRole).toString(), model->data(index, tagRole).toString(), flags});
            walk(index, depth + 1);
        }
    };
    walk(QModelIndex(), 0);
}

void BatchRunner::dumpSelection(const QStringList &)
{
    auto *tree = m_session.control()->findChild<QTreeView *>(QStringLiteral("TV"));
    if (!tree)
        return error(QStringLiteral("dump"), QStringLiteral("the form has no tree"));
    const QModelIndexList rows = tree->selectionModel()->selectedRows();
    const QModelIndex index = rows.isEmpty() ? QModelIndex() : rows.first();
    const QAbstractItemModel *model = tree->model();
    record({QStringLiteral("selection"), model->data(index, roleNamed(model, "key", Qt::UserRole + 1)).toString(),
            model->data(index, Qt::DisplayRole).toString()});
}

void BatchRunner::dumpFields(const QStringList &)
{
    FormControl *form = m_session.control();
    // The record's fields are the members of the control arrays, in array and index
    // order, whatever their number, then the two images.
    static const QStringList arrays = {QStringLiteral("kvT"), QStringLiteral("chk"), QStringLiteral("Opt"), QStringLiteral("lbl")};
    static const QRegularExpression member(QStringLiteral("^(kvT|chk|Opt|lbl)\\((\\d+)\\)$"));
    QList<std::pair<std::pair<qsizetype, int>, QString>> members;
    for (const QWidget *w : form->findChildren<QWidget *>()) {
        const QRegularExpressionMatch m = member.match(w->objectName());
        if (m.hasMatch())
            members.append({{arrays.indexOf(m.captured(1)), m.captured(2).toInt()}, w->objectName()});
    }
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    QStringList names;
    for (const auto &m : std::as_const(members))
        names << m.second;
    names << QStringLiteral("ImgBom") << QStringLiteral("ImgSr");

    for (const QString &name : std::as_const(names)) {
        QWidget *w = form->findChild<QWidget *>(name);
        if (!w)
            continue;
        QString text;
        QString key;
        if (auto *box = qobject_cast<QCheckBox *>(w)) {
            text = box->text();
            key = QString::number(int(box->checkState()) == Qt::PartiallyChecked ? 2 : box->isChecked() ? 1 : 0);
        } else if (auto *option = qobject_cast<QRadioButton *>(w)) {
            text = option->text();
            key = flag(option->isChecked());
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            text = label->text();
        } else {
            text = w->property("text").toString();
            key = w->property("keyValue").toString();
        }
        record({QStringLiteral("field"), name, text, key, flag(w->isEnabled()), flag(!w->isHidden())});
    }
}

void BatchRunner::dumpLayout(const QStringList &)
{
    for (const QWidget *w : m_session.control()->IDesignUI_Controls()) {
        QList<int> numbers;
        if (w->property("zevaType").toString().compare(u"Line", Qt::CaseInsensitive) == 0) {
            const TwipsLine l = twipsLine(w);
            numbers = {l.x1, l.y1, l.x2, l.y2};
        } else {
            const TwipsRect r = twipsGeometry(w);
            numbers = {r.left, r.top, r.width, r.height};
        }
        QStringList fields = {QStringLiteral("layout"), w->objectName()};
        for (int n : numbers)
            fields << QString::number(n);
        record(fields);
    }
}

void BatchRunner::sql(const QStringList &args)
{
    QString output;
    QString failure;
    QTextStream out(&output);
    QTextStream err(&failure);
    const int status = runSql(m_session.database(), args.first(), out, err);
    out.flush();
    err.flush();
    for (const QString &line : output.split(u'\n', Qt::SkipEmptyParts))
        m_out << "sql\t" << line << '\n';   // already escaped field by field
    if (status != 0)
        error(QStringLiteral("sql"), failure.trimmed());
}

QWidget *BatchRunner::formView() const
{
    // The part of the window the form is seen in: its scroll area, when it has one.
    QWidget *form = m_session.control();
    for (QWidget *up = form->parentWidget(); up && up != m_window; up = up->parentWidget()) {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(up))
            return area;
    }
    return form;
}

void BatchRunner::screenshot(const QStringList &args)
{
    const QString &path = args.first();
    QApplication::processEvents();
    if (!formView()->grab().save(path, "PNG"))
        error(QStringLiteral("screenshot"), QStringLiteral("cannot write %1").arg(path));
}

void BatchRunner::resize(const QStringList &args)
{
    bool okWidth = false;
    bool okHeight = false;
    const int w = args.at(0).toInt(&okWidth);
    const int h = args.at(1).toInt(&okHeight);
    // Beyond this the platform cannot paint a window (Qt's painter gives up, then crashes).
    constexpr int kLargest = 16384;
    if (!okWidth || !okHeight || w < 1 || h < 1 || w > kLargest || h > kLargest)
        return error(QStringLiteral("resize"),
                     QStringLiteral("resize takes a width and a height in pixels, each from 1 to %1").arg(kLargest));
    // The window grows or shrinks around the form's place, as a user sizes it.
    QWidget *view = formView();
    const QSize frame = m_window->size() - view->size();
    m_window->resize(QSize(w, h) + frame);
    QApplication::processEvents();
    if (view->size() != QSize(w, h))
        view->resize(w, h);
    QApplication::processEvents();
}

void BatchRunner::dragSplitter(const QStringList &args)
{
    bool ok = false;
    const int dx = args.first().toInt(&ok);
    // No further than the widest form the platform can paint.
    constexpr int kFarthest = 16384 * 15;
    if (!ok || dx < -kFarthest || dx > kFarthest)
        return error(QStringLiteral("drag-splitter"),
                     QStringLiteral("drag-splitter takes a distance in twips from %1 to %2").arg(-kFarthest).arg(kFarthest));
    auto *bar = m_session.control()->findChild<QWidget *>(QStringLiteral("Sp"));
    if (!bar || !bar->isVisibleTo(m_window))
        return error(QStringLiteral("drag-splitter"), QStringLiteral("the form shows no bar Sp"));
    // Pressed at the bar's left edge, so the bar follows the pointer by DX exactly; every
    // step is a move of the pointer, which the bar sees relative to where it is by then.
    const QPointF start = bar->mapToGlobal(QPointF(0, bar->height() / 2.0));
    const double pixelsPerTwip = twipsDpi(bar) / 1440.0;
    const auto send = [bar](QEvent::Type type, const QPointF &global, Qt::MouseButton button, Qt::MouseButtons buttons) {
        const QPointF local = bar->mapFromGlobal(global);
        QMouseEvent event(type, local, bar->window()->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
        QApplication::processEvents();
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    QPointF at = start;
    for (int moved = 0; moved != dx;) {
        moved += std::clamp(dx - moved, -120, 120);
        at = start + QPointF(moved * pixelsPerTwip, 0);
        send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

} // namespace zeva::host
