#pragma once
// The proportional layout of a form. RecordLayout writes every control's design place
// into its Tag; each resize of the form then places every control again, scaled by how
// much the form grew or shrank, by its type (labels keep their size, text boxes their
// height, ...). A tree, a splitter bar and a record area beside each other (the panes)
// are then snapped together with gaps of 10 twips, and follow the bar when it is dragged.
//
// The form's width and height are its client size (the widget's own size, in twips):
// the same measure at recording and at every resize.

#include <QList>
#include <QString>

class QWidget;

namespace zeva {

class LayoutRecorder {
public:
    // `form` holds the `controls`, in its collection order.
    LayoutRecorder(QWidget *form, QList<QWidget *> controls);

    // Records the design size (0: the form's current height or width) and every
    // control's place: "Left Top Width Height " in twips, each number followed by one
    // blank, and for a line its end points "X1 Y1 X2 Y2 ". Enables the layout.
    void RecordLayout(int designHeight = 0, int designWidth = 0);
    // Places every control from its Tag, scaled by the form's size over the design size;
    // nothing while the layout is not enabled.
    void LayoutControls();

    // The tree on the left, the bar, and the record area on the right.
    void setPanes(QWidget *tree, QWidget *bar, QWidget *records);
    // The form's resize handling: LayoutControls, then the bar and the record area
    // snapped against the tree.
    void FormResized();
    // The bar's Moving handler: when it moved, the tree widens by the offset and the
    // record area moves right and narrows by as much, the gaps kept.
    void SplitterMoving(bool bIsMoved, int iOffset);

    int DesignHeight() const { return m_designHeight; }
    int DesignWidth() const { return m_designWidth; }
    bool LayoutEnabled() const { return m_layoutEnabled; }

private:
    QWidget *m_form;
    QList<QWidget *> m_controls;
    QWidget *m_tree = nullptr;
    QWidget *m_bar = nullptr;
    QWidget *m_records = nullptr;
    int m_designHeight = 0;
    int m_designWidth = 0;
    bool m_layoutEnabled = false;
};

} // namespace zeva
