#pragma once
// Splitter ("Zeva.Splitter"): a vertical bar between two controls of one container, named
// by ControlName1 (left) and ControlName2 (right). Dragging it with the left button moves
// it and re-arranges the two: the left one from the container's left edge to the bar, the
// right one from the bar to the container's right edge, each keeping a minimum width. A
// hidden control gives the other the whole width. Every move is reported by Moving and
// the end of a drag by MoveUpIng; with empty names the owner arranges the neighbours.
//
// Lengths are twips, as the container's controls report them (hostunits.h). The
// container calls Resize from its own resize handling.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>

namespace zeva {

class PropertyBag;

class Splitter : public QWidget {
    Q_OBJECT
public:
    static constexpr uint32_t DefaultBackColor = 0x8000000F;   // the platform's button face
    static constexpr int16_t DefaultSplitterWidth = 75;
    // A drag keeps the bar's left edge at MinLeft or beyond, and MinRight right of it.
    static constexpr int MinLeft = 600;
    static constexpr int MinRight = 600;
    // A pointer this close to the bar's left edge does not move it.
    static constexpr int MinMove = 80;

    explicit Splitter(QWidget *parent = nullptr);

    QString ControlName1() const { return m_controlName1; }
    void setControlName1(const QString &name);
    QString ControlName2() const { return m_controlName2; }
    void setControlName2(const QString &name);
    int16_t SplitterWidth() const { return m_splitterWidth; }
    void setSplitterWidth(int16_t width);
    bool ControlVisible1() const { return m_controlVisible1; }
    void setControlVisible1(bool visible);
    bool ControlVisible2() const { return m_controlVisible2; }
    void setControlVisible2(bool visible);
    uint32_t BackColor() const { return m_backColor; }
    void setBackColor(uint32_t colour);
    QString Name() const { return objectName(); }

    // Places the bar and the controls again after the container changed size: the bar
    // keeps its relative position within the limits, or sits just outside the edge of a
    // hidden control.
    void Resize();

    // The persisted properties, by the names "ControlName1", "ControlName2",
    // "SplitterWidth", "ControlVisible1", "ControlVisible2". A missing entry reads as "",
    // 0 or False; one that cannot be read leaves the property as it was.
    void ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;

signals:
    // The bar moved or re-arranged the controls: bIsMoved while the button is down,
    // iOffset the horizontal offset of this move (0 when re-arranged in place).
    void Moving(bool bIsMoved, int iOffset);
    // The left button came up: raised with True and 0.
    void MoveUpIng(bool bIsMoved, int iOffset);
    // A persisted property has a new value (the designer saves the form again).
    void propertyChanged(const QString &name);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setControlVisible(int which, bool visible);
    void Arrange(int offset);
    // The bar's own size changed: its width is forced back, the container's size taken.
    void barResized();
    QWidget *findControl(const QString &name) const;
    // Width of the control before the bar in its container's collection; with none, of
    // the container. It bounds a drag to the right.
    int boundingWidth();
    void setSize(int width, int height);

    QString m_controlName1;
    QString m_controlName2;
    int16_t m_splitterWidth = DefaultSplitterWidth;
    bool m_controlVisible1 = true;
    bool m_controlVisible2 = true;
    uint32_t m_backColor = DefaultBackColor;

    // Lengths are held in 32 bits: a screen wider than 2184 pixels exceeds 16 bits of twips.
    bool m_adjustHeight = true;
    int m_parentWidth = 0;
    int m_parentHeight = 0;
    int m_heightGap = 0;
    int m_savedLeft = 0;
    int m_offset = 0;
    QPointer<QWidget> m_control1;
    QPointer<QWidget> m_control2;
    bool m_tracking = false;
    bool m_sizing = false;   // the bar is setting its own size
};

} // namespace zeva
