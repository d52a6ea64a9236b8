#include "batchrunner.h"

#include "hostcommandline.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace zeva::host {

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
void typeText(QWidget *editor, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(editor, &release);
    }
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString unescapeField(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const QChar next = text[++i];
        if (next == u't')
            plain += u'\t';
        else if (next == u'n')
            plain += u'\n';
        else if (next == u'r')
            plain += u'\r';
        else if (next == u'\\')
            plain += u'\\';
        else
            plain += u'\\', plain += next;
    }
    return plain;
}

BatchRunner::BatchRunner(HostSession &session, ScriptedDesktopServices &desktop, QWidget *window, QTextStream &out)
    : m_session(session), m_desktop(desktop), m_window(window), m_out(out)
{
    FormControl *control = m_session.control();
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

int BatchRunner::run(QTextStream &in)
{
    QString line;
    while (in.readLineInto(&line))
        runLine(line);
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

void BatchRunner::runLine(const QString &rawLine)
{
    QString line = rawLine;
    if (line.endsWith(u'\r'))
        line.chop(1);
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
        return;
    const qsizetype blank = line.indexOf(u' ');
    const QString command = blank < 0 ? line : line.left(blank);
    const QString rest = blank < 0 ? QString() : line.mid(blank + 1);
    const QStringList args = rest.split(u' ', Qt::SkipEmptyParts);
    FormControl *form = m_session.control();

    if (command == u"init") {
        result("IFormUI_Init", m_session.init());
        QApplication::processEvents();
        return;
    }
    static const QStringList known = {
        QStringLiteral("refresh"), QStringLiteral("new"), QStringLiteral("edit"), QStringLiteral("save"),
        QStringLiteral("cancel"), QStringLiteral("delete"), QStringLiteral("find"), QStringLiteral("findnext"),
        QStringLiteral("next"), QStringLiteral("previous"), QStringLiteral("clear"), QStringLiteral("select"),
        QStringLiteral("expand"), QStringLiteral("page"), QStringLiteral("set"), QStringLiteral("check"),
        QStringLiteral("option"), QStringLiteral("answer"), QStringLiteral("dump"), QStringLiteral("sql"),
        QStringLiteral("screenshot"), QStringLiteral("resize"),
    };
    if (!known.contains(command)) {
        error(QStringLiteral("unknown"), QStringLiteral("unknown command: %1").arg(command));
        return;
    }
    if (command != u"answer" && command != u"sql")
        ensureInit();

    if (command == u"refresh")
        result("IFormUI_Refresh", form->IFormUI_Refresh());
    else if (command == u"new")
        result("IFormUI_FileNew", form->IFormUI_FileNew());
    else if (command == u"edit")
        result("IFormUI_FileEdit", form->IFormUI_FileEdit());
    else if (command == u"save")
        result("IFormUI_FileSave", form->IFormUI_FileSave());
    else if (command == u"cancel")
        result("IFormUI_FileCancel", form->IFormUI_FileCancel());
    else if (command == u"delete")
        result("IFormUI_FileDelete", form->IFormUI_FileDelete());
    else if (command == u"find")
        result("IFormUI_Find", form->IFormUI_Find(rest.isEmpty() ? QVariant() : QVariant(unescapeField(rest))));
    else if (command == u"findnext")
        result("IFormUI_FindNext", form->IFormUI_FindNext());
    else if (command == u"next")
        result("IFormUI_RecordNext", form->IFormUI_RecordNext());
    else if (command == u"previous")
        result("IFormUI_RecordPrevious", form->IFormUI_RecordPrevious());
    else if (command == u"clear")
        result("IFormUI_Clear", form->IFormUI_Clear());
    else if (command == u"select" && !rest.isEmpty())
        select(unescapeField(rest));   // a key may hold blanks: it is the rest of the line
    else if (command == u"expand" && !rest.isEmpty())
        expand(unescapeField(rest));
    else if (command == u"page" && args.size() == 1)
        page(args.first());
    else if (command == u"set" && !args.isEmpty())
        set(rest.section(u' ', 0, 0), rest.section(u' ', 1));
    else if (command == u"check" && args.size() == 2)
        check(args[0], args[1]);
    else if (command == u"option" && args.size() == 1)
        option(args.first());
    else if (command == u"answer" && !args.isEmpty())
        answer(rest);
    else if (command == u"dump" && rest == u"tree")
        dumpTree();
    else if (command == u"dump" && rest == u"fields")
        dumpFields();
    else if (command == u"sql" && !rest.trimmed().isEmpty())
        sql(rest);
    else if (command == u"screenshot" && !rest.isEmpty())
        screenshot(rest);
    else if (command == u"resize" && args.size() == 2)
        resize(args[0], args[1]);
    else
        error(command, QStringLiteral("wrong arguments: %1").arg(line));
    QApplication::processEvents();
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

void BatchRunner::select(const QString &key)
{
    QTreeView *tree = nullptr;
    const QModelIndex index = visibleNode(QStringLiteral("select"), key, tree);
    if (index.isValid())
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualRect(index).center());
}

void BatchRunner::expand(const QString &key)
{
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

void BatchRunner::page(const QString &position)
{
    auto *button = m_session.control()->findChild<QToolButton *>(QStringLiteral("Buttons(%1)").arg(position));
    if (!button)
        return error(QStringLiteral("page"), QStringLiteral("Toolbar1 has no button %1").arg(position));
    if (!button->isEnabled())
        return error(QStringLiteral("page"), QStringLiteral("the button %1 is disabled").arg(position));
    QTest::mouseClick(button, Qt::LeftButton);
}

void BatchRunner::set(const QString &control, const QString &escapedText)
{
    auto *widget = m_session.control()->findChild<QWidget *>(control);
    if (!widget)
        return error(QStringLiteral("set"), QStringLiteral("no control %1").arg(control));
    auto *editor = qobject_cast<QLineEdit *>(widget);
    if (!editor)
        editor = qobject_cast<QLineEdit *>(widget->focusProxy());
    if (!editor)
        return error(QStringLiteral("set"), QStringLiteral("%1 is not a text field").arg(control));
    if (!editor->isEnabled() || !widget->isVisibleTo(m_window))
        return error(QStringLiteral("set"), QStringLiteral("%1 is disabled").arg(control));
    const QString text = unescapeField(escapedText);
    QTest::mouseClick(editor, Qt::LeftButton);
    editor->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    if (text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t'))
        editor->insert(text);   // a paste: tabs and line breaks cannot be typed into one line
    else if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        typeText(editor, text);
    QTest::keyClick(editor, Qt::Key_Tab);
}

void BatchRunner::check(const QString &control, const QString &value)
{
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

void BatchRunner::option(const QString &control)
{
    auto *button = m_session.control()->findChild<QRadioButton *>(control);
    if (!button)
        return error(QStringLiteral("option"), QStringLiteral("no option button %1").arg(control));
    if (!button->isEnabled())
        return error(QStringLiteral("option"), QStringLiteral("%1 is disabled").arg(control));
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}

void BatchRunner::answer(const QString &rest)
{
    const QString kind = rest.section(u' ', 0, 0);
    const QString value = unescapeField(rest.section(u' ', 1));
    if (kind == u"text")
        m_desktop.answerText(value);
    else if (kind == u"file")
        m_desktop.answerFile(value);
    else if (const int button = DesktopServices::buttonFromName(kind); button != 0 && value.isEmpty())
        m_desktop.answerButton(button);
    else
        error(QStringLiteral("answer"), QStringLiteral("answer takes ok, cancel, yes, no, text TEXT or file PATH"));
}

void BatchRunner::dumpTree()
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

void BatchRunner::dumpFields()
{
    FormControl *form = m_session.control();
    const auto field = [&](const QString &name) {
        QWidget *w = form->findChild<QWidget *>(name);
        if (!w)
            return;
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
    };
    for (int i = 0; i <= 32; ++i)
        field(QStringLiteral("kvT(%1)").arg(i));
    for (int i = 0; i <= 7; ++i)
        field(QStringLiteral("chk(%1)").arg(i));
    for (int i = 0; i <= 2; ++i)
        field(QStringLiteral("Opt(%1)").arg(i));
    for (int i = 0; i <= 4; ++i)
        field(QStringLiteral("lbl(%1)").arg(i));
    field(QStringLiteral("ImgBom"));
    field(QStringLiteral("ImgSr"));
}

void BatchRunner::sql(const QString &statement)
{
    QString output;
    QString failure;
    QTextStream out(&output);
    QTextStream err(&failure);
    const int status = runSql(m_session.database(), statement, out, err);
    out.flush();
    err.flush();
    for (const QString &line : output.split(u'\n', Qt::SkipEmptyParts))
        m_out << "sql\t" << line << '\n';   // already escaped field by field
    if (status != 0)
        error(QStringLiteral("sql"), failure.trimmed());
}

void BatchRunner::screenshot(const QString &path)
{
    QApplication::processEvents();
    if (!m_session.control()->grab().save(path, "PNG"))
        error(QStringLiteral("screenshot"), QStringLiteral("cannot write %1").arg(path));
}

void BatchRunner::resize(const QString &width, const QString &height)
{
    bool okWidth = false;
    bool okHeight = false;
    const int w = width.toInt(&okWidth);
    const int h = height.toInt(&okHeight);
    if (!okWidth || !okHeight || w <= 0 || h <= 0)
        return error(QStringLiteral("resize"), QStringLiteral("resize takes a width and a height in pixels"));
    FormControl *form = m_session.control();
    const QSize frame = m_window->size() - form->size();
    m_window->resize(QSize(w, h) + frame);
    QApplication::processEvents();
    if (form->size() != QSize(w, h))
        form->resize(w, h);
}

} // namespace zeva::host
