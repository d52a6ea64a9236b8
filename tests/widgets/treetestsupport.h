#pragma once
// A shown tree with its helper, a model tester (Fatal) watching every change, scripted
// dialogs that fail the test when one comes unanswered, and the Selected events raised.

#include "ctreeview.h"
#include "scripteddesktopservices.h"
#include "treecontrol.h"
#include "treeimagelist.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *os) { *os << '[' << list.join(" | ").toStdString() << ']'; }

namespace zeva::test {

class TreeFixture : public ::testing::Test {
protected:
    TreeFixture()
    {
        services.setUnansweredHandler([](const ScriptedDesktopServices::Record &r) {
            ADD_FAILURE() << "unanswered dialog: " << r.kind.toStdString() << " " << r.text.toStdString();
        });
        tree.resize(300, 400);
        tree.show();
        helper.HookCtrl(&tree);
        QObject::connect(&helper, &cTreeView::Selected, [this](TreeNode *n) { selected << key(n); });
    }

    // Adds through the helper under `parent` (a key; empty for top level).
    TreeNode *add(const QString &parent, const QString &key, const QString &text)
    {
        return helper.NodeAdd(parent.isEmpty() ? QVariant() : QVariant(parent), tvwChild, key, text);
    }
    // Adds each {parent, key, text} in turn.
    void build(std::initializer_list<std::array<QString, 3>> nodes)
    {
        for (const auto &[parent, key, text] : nodes)
            add(parent, key, text);
    }
    TreeNode *node(const QString &key) const { return tree.Nodes().item(key); }
    static QString key(const TreeNode *n) { return n ? n->key() : QString("<none>"); }

    // Pre-order lines "depth key text", the way a reader sees the tree.
    QStringList dump() const
    {
        QStringList lines;
        const std::function<void(TreeNode *, int)> walk = [&](TreeNode *n, int depth) {
            lines << QString("%1 %2 %3").arg(depth).arg(n->key(), n->text());
            for (int i = 0; i < n->children(); ++i)
                walk(n->childAt(i), depth + 1);
        };
        for (int i = 0; i < tree.Nodes().topLevelCount(); ++i)
            walk(tree.Nodes().topLevelAt(i), 0);
        return lines;
    }

    // Mouse input to the rows area, at a pixel position.
    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint pos)
    {
        QMouseEvent event(type, pos, tree.viewport()->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &event);
    }
    void press(QPoint pos, Qt::MouseButton button = Qt::LeftButton) { mouse(QEvent::MouseButtonPress, button, button, pos); }
    void moveHeld(QPoint pos) { mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, pos); }
    void release(QPoint pos, Qt::MouseButton button = Qt::LeftButton) { mouse(QEvent::MouseButtonRelease, button, {}, pos); }
    void click(QPoint pos) { press(pos); release(pos); }

    QRect row(TreeNode *n) const { return tree.visualRect(tree.Nodes().indexOf(n)); }
    QPoint rowCenter(TreeNode *n) const { return row(n).center(); }
    QPoint markOf(TreeNode *n) const { return {row(n).left() - tree.indentation() / 2, row(n).center().y()}; }   // expand mark
    QImage rowImage(TreeNode *n) const { return tree.viewport()->grab(row(n)).toImage(); }   // as drawn

    ScriptedDesktopServices services;
    TreeControl tree;
    cTreeView helper{services};
    std::unique_ptr<QAbstractItemModelTester> tester =
        std::make_unique<QAbstractItemModelTester>(tree.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QStringList selected;   // keys of the Selected events
};

} // namespace zeva::test
