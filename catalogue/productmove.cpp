#include "productmove.h"

#include "ctreeview.h"
#include "desktopservices.h"
#include "fieldfocus.h"
#include "formcontrol.h"
#include "hostdatabase.h"
#include "messagetitles.h"
#include "treecontrol.h"
#include "treenode.h"
#include "valueconverter.h"

namespace zeva {

namespace {


void focusForm(const ProductMove &m)
{
    if (m.focus && m.form)
        m.focus->SetFocusTo(m.form);
}

} // namespace

bool MoveProductNode(const ProductMove &m, TreeNode *s, TreeNode *t)
{
    if (!s || !t)
        return false;
    if (!s->parent()) {
        emit m.events.ErrMessage(QStringLiteral("不能移动根节点"), 4, kPrompt);
        return false;
    }
    const QString kind = m.converter ? m.converter->MidText(s->key(), 1, 1) : s->key().left(1);
    if (kind == u"k") {
        emit m.events.ErrMessage(QStringLiteral("不能移动分类节点!"), 4, kPrompt);
        return false;
    }
    if (!t->parent()) {
        emit m.events.Message(QStringLiteral("不能将[") + s->text() + QStringLiteral("]移到根节点下"));
        return false;
    }
    if (t->key().startsWith(u'w'))
        t = t->parent();
    if (s->parent()->text() == t->text()) {
        emit m.events.Message(QStringLiteral("相同的父节点间，不能移动"));
        return false;
    }
    if (t->children() > 0 && t->child()->key().startsWith(u'k')) {
        const QString text = QStringLiteral("不能将[") + s->text() + QStringLiteral("]移到[") + t->text()
            + QStringLiteral("]下(非明细级产品类别)");
        if (m.focus)
            m.focus->ShowMessage(QString(), QString(), text, DesktopServices::Exclamation, kPrompt);
        focusForm(m);
        return false;
    }
    const int answer = m.desktop.messageBox(QStringLiteral("是否将[") + s->text() + QStringLiteral("]移到[") + t->text()
                                                + QStringLiteral("]下？"),
                                            DesktopServices::YesNo | DesktopServices::Information, kPrompt);
    if (answer != DesktopServices::Yes) {
        focusForm(m);
        return false;
    }
    if (m.tree.IsParentNode(t, s))
        return true;
    TreeNode *from = s->parent();
    if (!m.tree.NodeMove(t, s, true))
        return true;
    (void)m.db->Prepare(QStringLiteral("update pdmzeva set 产品类别ID = '") + t->tag().toString()
                            + QStringLiteral("'  where 产品ID =") + s->tag().toString(),
                        1)
        ->Execute();
    if (const QString error = m.db->LastError().Description(); !error.isEmpty()) {
        (void)m.tree.NodeMove(from, s, true);
        emit m.events.ErrMessage(QStringLiteral("移动产品时出错，原因：") + error, 8, QStringLiteral("产品目录"));
        return false;
    }
    return true;
}

} // namespace zeva
