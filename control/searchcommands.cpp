// The host's search and navigation commands: Find, Find next, Next and Previous record.
// A record is a tree node and showing it means selecting its node; the tree helper's
// Selected event does the showing. Find also reaches products not loaded yet: the
// database names their category, which is loaded, and the search runs again.

#include "drawingcontrol.h"

#include "cataloguetree.h"
#include "ctreeview.h"
#include "messagetitles.h"
#include "recordsearch.h"
#include "treecontrol.h"

namespace zeva {

bool DrawingControl::IFormUI_Find(const QVariant &)
{
    if (!m_state.m_Tv || !m_state.m_Tv->ctrl())
        return false;
    // Busy for its whole length: the input box lets events run, and a Clear arriving
    // there must not take the tree helper away from under the search.
    return whileBusy([this] {
        cTreeView &tv = *m_state.m_Tv;
        m_state.m_FindText.clear();
        if (tv.NodeFind(nullptr, &m_state.m_FindText, QString(), true) || m_state.m_FindText.isEmpty())
            return true;
        auto db = m_state.database();
        if (!db)
            return false;
        QString error;
        QString category = findProductCategory(*db, m_state.config.filterList, m_state.m_FindText, error);
        db->Release();
        if (!error.isEmpty()) {
            emit ErrMessage(QStringLiteral("查找记录时出错，原因：") + error, 8, kTitle);
            return false;
        }
        // The category is found by the same substring search as any node: an earlier node
        // whose text holds the code is taken instead, and its expand handling runs.
        if (category.isEmpty() || !tv.NodeFind(nullptr, &category, QString(), true))
            return true;
        TreeControl *tree = tv.ctrl();
        if (TreeNode *selected = tree->selectedItem())
            expandCategory(catalogue(), *db, selected);
        if (tree->isEnabled())
            tree->setFocus(Qt::OtherFocusReason);
        update();   // the form is painted again with the category's new rows
        tv.NodeFind(nullptr, &m_state.m_FindText, QString(), true);
        return true;
    });
}

bool DrawingControl::IFormUI_FindNext()
{
    // A tree half loaded is no place to search.
    if (!m_state.m_Tv || !m_state.m_Tv->ctrl() || m_state.busy)
        return false;
    cTreeView &tv = *m_state.m_Tv;
    if (TreeNode *selected = tv.ctrl()->selectedItem())
        tv.NodeFindNext(nullptr, m_state.m_FindText, selected->index(), true);
    else if (!m_state.m_FindText.isEmpty())   // nothing selected: from the top of the tree
        tv.NodeFind(nullptr, &m_state.m_FindText, QString(), true);
    return true;
}

bool DrawingControl::IFormUI_RecordNext()
{
    if (!m_state.m_Tv || m_state.busy)
        return false;
    m_state.m_Tv->MoveNodeNext();
    return true;
}

bool DrawingControl::IFormUI_RecordPrevious()
{
    if (!m_state.m_Tv || m_state.busy)
        return false;
    m_state.m_Tv->MoveNodePrevious();
    return true;
}

} // namespace zeva
