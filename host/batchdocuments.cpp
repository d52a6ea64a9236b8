// The batch commands of the document pages: clicking a button, choosing a row of the
// drawing list, annotating a document in its dialog, and the dumps of the list and the
// picture.

#include "batchrunner.h"

#include "hostsession.h"
#include "hostunits.h"
#include "typedinput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace zeva::host {

namespace {

// The N-th row (from 1) of the list as it shows; null with the reason.
QTreeWidgetItem *shownRow(QTreeWidget *list, const QString &number, QString *why)
{
    bool ok = false;
    const int n = number.toInt(&ok);
    if (!ok || n < 1) {
        *why = QStringLiteral("a row counts from 1, not %1").arg(number);
        return nullptr;
    }
    if (n > list->topLevelItemCount()) {
        *why = QStringLiteral("lvDraw shows %1 rows").arg(list->topLevelItemCount());
        return nullptr;
    }
    return list->topLevelItem(n - 1);
}

QPoint rowPoint(QTreeWidget *list, QTreeWidgetItem *item)
{
    list->scrollToItem(item);
    return list->visualItemRect(item).center();
}

// Replaces the editor's text as a user does: select everything, then type.
void retype(QWidget *editor, const QString &text)
{
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(editor, Qt::Key_Delete);
        return;
    }
    // Line breaks are the Enter key, as a user makes them in the tall box.
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(editor, Qt::Key_Return);
        typeText(editor, lines.at(i));
    }
}

} // namespace

void BatchRunner::click(const QStringList &args)
{
    auto *button = m_session.control()->findChild<QAbstractButton *>(args.at(0));
    if (!button)
        return error(QStringLiteral("click"), QStringLiteral("no button %1").arg(args.at(0)));
    if (!button->isEnabled())
        return error(QStringLiteral("click"), QStringLiteral("%1 is disabled").arg(args.at(0)));
    if (!button->isVisible())
        return error(QStringLiteral("click"), QStringLiteral("%1 is not shown").arg(args.at(0)));
    QTest::mouseClick(button, Qt::LeftButton);
}

void BatchRunner::row(const QStringList &args)
{
    auto *list = m_session.control()->findChild<QTreeWidget *>(args.at(0));
    if (!list)
        return error(QStringLiteral("row"), QStringLiteral("no list %1").arg(args.at(0)));
    if (!list->isVisible())
        return error(QStringLiteral("row"), QStringLiteral("%1 is not shown").arg(args.at(0)));
    QString why;
    QTreeWidgetItem *item = shownRow(list, args.at(1), &why);
    if (!item)
        return error(QStringLiteral("row"), why);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(list, item));
}

void BatchRunner::annotate(const QStringList &args)
{
    const QString &how = args.at(3);
    if (how != u"save" && how != u"nosave")
        return error(QStringLiteral("annotate"), QStringLiteral("the last argument is save or nosave, not %1").arg(how));
    auto *list = m_session.control()->findChild<QTreeWidget *>(QStringLiteral("lvDraw"));
    if (!list || !list->isVisible())
        return error(QStringLiteral("annotate"), QStringLiteral("lvDraw is not shown"));
    QString why;
    QTreeWidgetItem *item = shownRow(list, args.at(0), &why);
    if (!item)
        return error(QStringLiteral("annotate"), why);
    // The dialog is modal: its work is queued before the double-click opens it.
    bool seen = false;
    QTimer::singleShot(0, m_window, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = true;
        record({QStringLiteral("dialog"), QStringLiteral("Postil"), dialog->windowTitle(),
                dialog->findChild<QLineEdit *>(QStringLiteral("txt(0)"))->text()});
        retype(dialog->findChild<QLineEdit *>(QStringLiteral("txt(2)")), args.at(1));
        retype(dialog->findChild<QPlainTextEdit *>(QStringLiteral("txt(1)")), args.at(2));
        if (how == u"save") {
            auto *save = dialog->findChild<QAbstractButton *>(QStringLiteral("Cmd(0)"));
            if (save->isEnabled())
                QTest::mouseClick(save, Qt::LeftButton);
            else
                error(QStringLiteral("annotate"), QStringLiteral("save is disabled"));
        }
        QTest::mouseClick(dialog->findChild<QAbstractButton *>(QStringLiteral("Cmd(1)")), Qt::LeftButton);
    });
    const QPoint at = rowPoint(list, item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    if (!seen)
        error(QStringLiteral("annotate"), QStringLiteral("no dialog opened for row %1").arg(args.at(0)));
}

void BatchRunner::dumpList(const QStringList &args)
{
    auto *list = m_session.control()->findChild<QTreeWidget *>(args.at(0));
    if (!list)
        return error(QStringLiteral("dump"), QStringLiteral("no list %1").arg(args.at(0)));
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList fields{QStringLiteral("row")};
        const QTreeWidgetItem *item = list->topLevelItem(i);
        for (int column = 0; column < list->columnCount(); ++column)
            fields << item->text(column);
        record(fields);
    }
}

void BatchRunner::dumpPicture(const QStringList &)
{
    QWidget *form = m_session.control();
    auto *file = form->findChild<QLineEdit *>(QStringLiteral("txtFileName"));
    auto *image = form->findChild<QLabel *>(QStringLiteral("imgZeva"));
    auto *stored = form->findChild<QCheckBox *>(QStringLiteral("chk(4)"));
    auto *changed = form->findChild<QCheckBox *>(QStringLiteral("chk(6)"));
    if (!file || !image || !stored || !changed)
        return error(QStringLiteral("dump"), QStringLiteral("the form has no picture page"));
    const QRect g = image->geometry();
    record({QStringLiteral("picture"), file->text(), stored->isChecked() ? QStringLiteral("1") : QStringLiteral("0"),
            changed->isChecked() ? QStringLiteral("1") : QStringLiteral("0"), QString::number(pixelsToTwips(g.x(), image)),
            QString::number(pixelsToTwips(g.y(), image)), QString::number(pixelsToTwips(g.width(), image)),
            QString::number(pixelsToTwips(g.height(), image))});
}

} // namespace zeva::host
