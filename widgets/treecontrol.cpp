#include "treecontrol.h"

#include "hostunits.h"

#include "treeimagelist.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>

namespace zeva {

namespace {

int vbButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int vbButtons(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
         | (buttons & Qt::MiddleButton ? 4 : 0);
}

} // namespace

// Marks what the tree is handling while Qt reacts to it, so that the signals Qt emits on
// the way (current changed, expanded) can be told from code-caused ones.
class TreeControl::InputScope {
public:
    InputScope(TreeControl *tree, Input input) : m_tree(tree), m_saved(tree->m_input) { tree->m_input = input; }
    ~InputScope() { m_tree->m_input = m_saved; }
    InputScope(const InputScope &) = delete;
    InputScope &operator=(const InputScope &) = delete;

private:
    TreeControl *m_tree;
    Input m_saved;
};

// Handlers run as code: whatever they do to the tree raises no further user event.
template <typename Emit>
void TreeControl::raise(Emit emitter)
{
    const Input saved = m_input;
    m_input = Input::None;
    emitter();
    m_input = saved;
}

// Draws what the view owns: the node's picture by its state, the cut mark and the drop
// target, over the node's own data from the model.
class TreeItemDelegate : public QStyledItemDelegate {
public:
    explicit TreeItemDelegate(TreeControl *tree) : QStyledItemDelegate(tree), m_tree(tree) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const TreeNode *node = m_tree->m_model->nodeAt(index);
        if (!node)
            return;
        const QIcon icon = m_tree->nodeIcon(node);
        if (!icon.isNull()) {
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->icon = icon;
            const QIcon::Mode mode = !(option->state & QStyle::State_Enabled) ? QIcon::Disabled
                : option->state & QStyle::State_Selected                      ? QIcon::Selected
                                                                              : QIcon::Normal;
            const QIcon::State state = option->state & QStyle::State_Open ? QIcon::On : QIcon::Off;
            option->decorationSize = icon.actualSize(option->decorationSize, mode, state);
        }
        if (node == m_tree->m_dropHighlight) {
            option->backgroundBrush = option->palette.brush(QPalette::Highlight);
            option->palette.setBrush(QPalette::Text, option->palette.brush(QPalette::HighlightedText));
        } else if (node->cut()) {
            option->palette.setBrush(QPalette::Text, option->palette.brush(QPalette::Disabled, QPalette::Text));
        }
    }

private:
    TreeControl *m_tree;
};

TreeControl::TreeControl(QWidget *parent) : QTreeView(parent), m_model(new TreeModel(this))
{
    setProperty("zevaType", QStringLiteral("TreeView"));
    setModel(m_model);
    setItemDelegate(new TreeItemDelegate(this));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAnimated(false);
    setExpandsOnDoubleClick(true);
    m_indentTwips = toTwips(indentation());
    m_deferredTimer.setInterval(20);
    connect(&m_deferredTimer, &QTimer::timeout, this, &TreeControl::applyDeferred);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &index) { onExpanded(index, true); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) { onExpanded(index, false); });
    connect(m_model, &TreeModel::expandedChanged, this, &TreeControl::followExpansion);
    connect(m_model, &TreeModel::nodeAboutToBeRemoved, this, &TreeControl::aboutToRemove);
    connect(m_model, &TreeModel::aboutToBeCleared, this, &TreeControl::aboutToClear);
}

TreeControl::~TreeControl()
{
    // The view must not reach the model's nodes while both go away.
    m_pendingSelection = nullptr;
    m_dropHighlight = nullptr;
    setModel(nullptr);
}

// ---- selection, visibility, repaint --------------------------------------------------

TreeNode *TreeControl::selectedItem() const
{
    return m_pendingSelect ? m_pendingSelection : m_model->nodeAt(currentIndex());
}

void TreeControl::setSelectedItem(TreeNode *node)
{
    if (node && !m_model->contains(node))
        return;
    if (isRepaintSuspended()) {
        m_pendingSelection = node;
        m_pendingSelect = true;
        if (!m_deferredTimer.isActive())
            m_deferredTimer.start();
    } else {
        m_pendingSelect = false;
        m_pendingSelection = nullptr;
        syncCurrent(node);
    }
}

void TreeControl::syncCurrent(TreeNode *node)
{
    m_syncing = true;
    if (node)
        selectionModel()->setCurrentIndex(m_model->indexOf(node), QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
    m_syncing = false;
}

void TreeControl::ensureVisible(TreeNode *node)
{
    if (!node || !m_model->contains(node))
        return;
    if (isRepaintSuspended()) {
        m_pendingShow = true;
        if (!m_deferredTimer.isActive())
            m_deferredTimer.start();
        return;
    }
    for (TreeNode *up = node->parent(); up; up = up->parent())
        m_model->setExpanded(up, true);
    scrollTo(m_model->indexOf(node), QAbstractItemView::EnsureVisible);
}

void TreeControl::applyDeferred()
{
    if (isRepaintSuspended())
        return;
    m_deferredTimer.stop();
    if (m_pendingSelect) {
        TreeNode *node = m_pendingSelection;
        m_pendingSelect = false;
        m_pendingSelection = nullptr;
        syncCurrent(node);
    }
    if (m_pendingShow) {
        m_pendingShow = false;
        if (TreeNode *node = selectedItem())
            ensureVisible(node);
    }
}

void TreeControl::setRedraw(bool enabled)
{
    if (!enabled)
        scheduleDelayedItemsLayout();   // expansions meanwhile only store their state
    m_model->holdAppends(!enabled);   // a fill is told to the view once per parent
    setUpdatesEnabled(enabled);
    if (enabled)
        applyDeferred();
}

bool TreeControl::isRepaintSuspended() const
{
    return !updatesEnabled();
}

void TreeControl::followExpansion(TreeNode *node, bool expanded)
{
    const QModelIndex index = m_model->indexOf(node);
    if (expanded)
        expand(index);
    else
        collapse(index);
}

void TreeControl::onExpanded(const QModelIndex &index, bool expanded)
{
    TreeNode *node = m_model->nodeAt(index);
    if (!node)
        return;
    m_model->setExpanded(node, expanded);
    if (m_input == Input::None)
        return;
    m_toggled = true;
    raise([&] { emit expanded ? nodeExpand(node) : nodeCollapse(node); });
}

void TreeControl::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    if (m_syncing)
        return;
    // Qt moved the current row itself: by input, or because the current row went away.
    TreeNode *node = m_model->nodeAt(current);
    if (m_pendingSelect)
        m_pendingSelection = node;
    if (node && m_input == Input::Key)
        raise([&] { emit nodeClick(node); });
}

void TreeControl::setDropHighlight(TreeNode *node)
{
    if (node && !m_model->contains(node))
        node = nullptr;
    if (node == m_dropHighlight)
        return;
    const QModelIndex old = m_model->indexOf(m_dropHighlight);
    m_dropHighlight = node;
    update(old);
    update(m_model->indexOf(node));
}

QIcon TreeControl::nodeIcon(const TreeNode *node) const
{
    if (!m_imageList)
        return {};
    QVariant image = node->image();
    if (node->selectedImage().isValid() && node == selectedItem())
        image = node->selectedImage();
    else if (node->expanded() && node->expandedImage().isValid())
        image = node->expandedImage();
    const QIcon icon = m_imageList->icon(image);
    if (icon.isNull() || !node->cut())
        return icon;
    // A pending cut is drawn ghosted.
    return QIcon(icon.pixmap(m_imageList->imageSize(), QIcon::Disabled));
}

QPixmap TreeControl::createDragImage(const TreeNode *node) const
{
    QFont font = this->font();
    font.setBold(node->bold());
    const QFontMetrics metrics(font);
    const QIcon icon = nodeIcon(node);
    const QSize imageSize = icon.isNull() ? QSize(0, 0) : iconSize();
    const int gap = icon.isNull() ? 0 : 3;
    const int width = imageSize.width() + gap + metrics.horizontalAdvance(node->text()) + 4;
    const int height = std::max(imageSize.height(), metrics.height()) + 2;
    QPixmap picture(std::max(width, 1), std::max(height, 1));
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (!icon.isNull())
        icon.paint(&painter, QRect(QPoint(0, (height - imageSize.height()) / 2), imageSize));
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(imageSize.width() + gap, 0, width, height), Qt::AlignVCenter | Qt::AlignLeft, node->text());
    return picture;
}

void TreeControl::aboutToRemove(TreeNode *node)
{
    auto inside = [node](const TreeNode *n) {
        for (; n; n = n->parent()) {
            if (n == node)
                return true;
        }
        return false;
    };
    if (inside(m_dropHighlight))
        setDropHighlight(nullptr);
    if (inside(selectedItem())) {
        // The row that takes the place of the removed one, else the row above.
        TreeNode *heir = node->next() ? node->next() : node->previous() ? node->previous() : node->parent();
        setSelectedItem(heir);
    }
}

void TreeControl::aboutToClear()
{
    m_dropHighlight = nullptr;
    m_pendingSelection = nullptr;
    m_pendingSelect = false;
    m_pendingShow = false;
}

// ---- geometry in twips ---------------------------------------------------------------

int TreeControl::toPixels(int twips) const
{
    return twipsToPixels(twips, this);
}

int TreeControl::toTwips(int pixels) const
{
    return pixelsToTwips(pixels, this);
}

QPoint TreeControl::twipsAt(QPoint viewportPos) const
{
    return {toTwips(viewportPos.x()), toTwips(viewportPos.y())};
}

TreeNode *TreeControl::hitTest(int x, int y) const
{
    if (m_model->topLevelCount() == 0)
        return nullptr;
    return m_model->nodeAt(indexAt(QPoint(toPixels(x), toPixels(y))));
}

int TreeControl::rowHeightTwips() const
{
    int pixels = 0;
    if (m_model->topLevelCount() > 0) {
        pixels = indexRowSizeHint(m_model->index(0, 0));
    } else {
        // Known without rows: what the delegate would ask of the style for one line.
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.text = QStringLiteral("Xg");
        option.features |= QStyleOptionViewItem::HasDisplay;
        if (m_imageList && m_imageList->count() > 0) {
            option.features |= QStyleOptionViewItem::HasDecoration;
            option.decorationSize = iconSize();
        }
        pixels = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height();
    }
    return toTwips(pixels);
}

int TreeControl::GetVisibleCount() const
{
    int rows = height() - 2 * frameWidth();
    if (!isHeaderHidden())
        rows -= header()->height();
    if (horizontalScrollBar()->isVisible())
        rows -= horizontalScrollBar()->height();
    const int row = toPixels(rowHeightTwips());
    return row > 0 && rows > 0 ? rows / row : 0;
}

int TreeControl::heightTwips() const
{
    return toTwips(height());
}

int TreeControl::indentationTwips() const
{
    return m_indentTwips;
}

void TreeControl::setIndentationTwips(int twips)
{
    m_indentTwips = twips;
    setIndentation(std::max(12, toPixels(twips)));
}

void TreeControl::setScroll(bool on)
{
    m_scroll = on;
    const Qt::ScrollBarPolicy policy = on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setVerticalScrollBarPolicy(policy);
    setHorizontalScrollBarPolicy(policy);
}

void TreeControl::setImageList(TreeImageList *images)
{
    if (m_imageList)
        disconnect(m_imageList, nullptr, this, nullptr);
    m_imageList = images;
    if (images) {
        setIconSize(images->imageSize());
        connect(images, &TreeImageList::changed, viewport(), qOverload<>(&QWidget::update));
    }
    viewport()->update();
}

// ---- input ---------------------------------------------------------------------------

int TreeControl::vbShift(Qt::KeyboardModifiers modifiers) const
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
         | (modifiers & Qt::AltModifier ? 4 : 0);
}

void TreeControl::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragging)
        return;
    const QPoint pos = event->position().toPoint();
    const QPoint at = twipsAt(pos);
    InputScope input(this, Input::Mouse);
    raise([&] { emit mouseDown(vbButton(event->button()), vbShift(event->modifiers()), at.x(), at.y()); });
    if (event->button() != Qt::LeftButton)
        return;   // a right click selects only through the helper, without a node click
    m_leftHeld = true;
    m_movedPastThreshold = false;
    m_pressPos = pos;
    const QPersistentModelIndex hit = indexAt(pos);
    m_toggled = false;
    QTreeView::mousePressEvent(event);
    // A press on the expand mark toggles the node; a press on the row clicks it.
    if (hit.isValid() && !m_toggled && currentIndex() == hit) {
        if (TreeNode *node = m_model->nodeAt(hit))
            raise([&] { emit nodeClick(node); });
    }
}

void TreeControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragging)
        return;
    const QPoint pos = event->position().toPoint();
    const QPoint at = twipsAt(pos);
    InputScope input(this, Input::Mouse);
    raise([&] { emit mouseDown(vbButton(event->button()), vbShift(event->modifiers()), at.x(), at.y()); });
    if (event->button() != Qt::LeftButton)
        return;
    m_leftHeld = true;
    m_movedPastThreshold = false;
    m_pressPos = pos;
    const QPersistentModelIndex hit = indexAt(pos);
    m_toggled = false;
    QTreeView::mouseDoubleClickEvent(event);
    if (hit.isValid() && currentIndex() == hit) {
        if (TreeNode *node = m_model->nodeAt(hit))
            raise([&] { emit nodeClick(node); });
    }
}

void TreeControl::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    const QPoint pos = event->position().toPoint();
    const QPoint at = twipsAt(pos);
    if (m_dragging) {
        raise([&] { emit dragOver(this, at.x(), at.y(), vbOver); });
        return;
    }
    if (m_leftHeld && (event->buttons() & Qt::LeftButton) && !m_movedPastThreshold) {
        // A click that jitters a pixel is not a drag.
        if ((pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return;
        m_movedPastThreshold = true;
    }
    InputScope input(this, Input::Mouse);
    raise([&] { emit mouseMove(vbButtons(event->buttons()), vbShift(event->modifiers()), at.x(), at.y()); });
    // With a button held Qt would drag the selection along; the helper owns that gesture.
    if (event->buttons() == Qt::NoButton && !m_dragging)
        QTreeView::mouseMoveEvent(event);
}

void TreeControl::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const QPoint pos = event->position().toPoint();
    if (m_dragging) {
        if (event->button() == Qt::LeftButton) {
            m_leftHeld = false;
            setState(NoState);
            endDrag(true, pos);
        }
        return;
    }
    const QPoint at = twipsAt(pos);
    InputScope input(this, Input::Mouse);
    raise([&] { emit mouseUp(vbButton(event->button()), vbShift(event->modifiers()), at.x(), at.y()); });
    if (event->button() == Qt::LeftButton) {
        m_leftHeld = false;
        QTreeView::mouseReleaseEvent(event);
    }
}

bool TreeControl::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QTreeView::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = indexAt(help->pos());
    const QRect row = visualRect(index);
    // The row's whole width as drawn (picture and text) against what the viewport shows.
    const bool cut = index.isValid() && row.left() + sizeHintForIndex(index).width() > viewport()->width();
    if (cut)
        QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(), viewport(), row);
    else
        QToolTip::hideText();
    return true;
}

void TreeControl::keyPressEvent(QKeyEvent *event)
{
    if (m_dragging) {
        event->accept();
        if (event->key() == Qt::Key_Escape)
            endDrag(false, viewport()->mapFromGlobal(QCursor::pos()));
        return;
    }
    InputScope input(this, Input::Key);
    QTreeView::keyPressEvent(event);
}

void TreeControl::focusOutEvent(QFocusEvent *event)
{
    if (m_dragging)
        endDrag(false, viewport()->mapFromGlobal(QCursor::pos()));
    QTreeView::focusOutEvent(event);
}

// ---- drag ----------------------------------------------------------------------------

void TreeControl::drag(int action)
{
    switch (action) {
    case vbBeginDrag:
        if (m_dragging)
            return;
        m_dragging = true;
        viewport()->setCursor(m_dragIcon.isNull() ? QCursor(Qt::DragMoveCursor) : QCursor(m_dragIcon, 0, 0));
        break;
    case vbEndDrag:
        if (m_dragging)
            endDrag(true, viewport()->mapFromGlobal(QCursor::pos()));
        break;
    case vbCancel:
        if (m_dragging)
            endDrag(false, viewport()->mapFromGlobal(QCursor::pos()));
        break;
    default:
        break;
    }
}

void TreeControl::endDrag(bool drop, QPoint viewportPos)
{
    m_dragging = false;
    viewport()->unsetCursor();
    if (!drop)
        setDropHighlight(nullptr);
    const QPoint at = twipsAt(viewportPos);
    raise([&] { emit dragDrop(this, at.x(), at.y()); });
}

} // namespace zeva
