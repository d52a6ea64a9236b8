#include "layoutrecorder.h"

#include "controlplace_p.h"
#include "hostunits.h"
#include "values.h"

#include <QWidget>

#include <array>
#include <cmath>

namespace zeva {

namespace {

bool isType(const QWidget *w, const char *type)
{
    return w->property("zevaType").toString().compare(QLatin1String(type), Qt::CaseInsensitive) == 0;
}

// The four numbers of a Tag: each is the text up to the next blank. A number with no
// blank after it is 0, and so are the ones after it.
std::array<double, 4> tagNumbers(const QString &tag)
{
    std::array<double, 4> numbers{};
    qsizetype from = 0;
    for (double &n : numbers) {
        const qsizetype blank = tag.indexOf(u' ', from);
        if (blank < 0)
            break;
        n = leadingNumber(tag.mid(from, blank - from));
        from = blank + 1;
    }
    return numbers;
}

int scaled(double ratio, double value)
{
    return int(std::lround(ratio * value));
}

} // namespace

LayoutRecorder::LayoutRecorder(QWidget *form, QList<QWidget *> controls)
    : m_form(form), m_controls(std::move(controls))
{
}

void LayoutRecorder::RecordLayout(int designHeight, int designWidth)
{
    const TwipsRect size = twipsGeometry(m_form);
    m_designHeight = designHeight != 0 ? designHeight : size.height;
    m_designWidth = designWidth != 0 ? designWidth : size.width;
    for (QWidget *w : std::as_const(m_controls)) {
        QList<int> numbers;
        if (isType(w, "Line")) {
            const TwipsLine l = twipsLine(w);
            numbers = {l.x1, l.y1, l.x2, l.y2};
        } else {
            const TwipsRect r = twipsGeometry(w);
            numbers = {r.left, r.top, r.width, r.height};
        }
        QString tag;
        for (int n : numbers)
            tag += QString::number(n) + u' ';
        w->setProperty("Tag", tag);
    }
    m_layoutEnabled = true;
}

void LayoutRecorder::LayoutControls()
{
    if (!m_layoutEnabled || m_designWidth == 0 || m_designHeight == 0)
        return;
    const TwipsRect form = twipsGeometry(m_form);
    const double rx = double(form.width) / m_designWidth;
    const double ry = double(form.height) / m_designHeight;
    for (QWidget *w : std::as_const(m_controls)) {
        const auto [v0, v1, v2, v3] = tagNumbers(w->property("Tag").toString());
        if (isType(w, "Line")) {
            setTwipsLine(w, {scaled(rx, v0), scaled(ry, v1), scaled(rx, v2), scaled(ry, v3)});
            continue;
        }
        TwipsRect place = twipsGeometry(w);
        place.left = scaled(rx, v0);
        place.top = scaled(ry, v1);
        const bool keepsSize = isType(w, "Label") || isType(w, "CheckBox") || isType(w, "OptionButton")
                               || isType(w, "Shape");
        const bool keepsHeight = isType(w, "ComboBox") || isType(w, "TextBox") || isType(w, "DTPicker")
                                 || isType(w, "VscrollBar")
                                 || (isType(w, "CommandButton") && w->property("Style").toInt() != 0);
        if (!keepsSize)
            place.width = scaled(rx, v2);
        if (!keepsSize && !keepsHeight)
            place.height = scaled(ry, v3);
        setTwipsGeometry(w, place);
    }
}

void LayoutRecorder::setPanes(QWidget *tree, QWidget *bar, QWidget *records)
{
    m_tree = tree;
    m_bar = bar;
    m_records = records;
}

void LayoutRecorder::FormResized()
{
    LayoutControls();
    if (!m_tree || !m_bar || !m_records)
        return;
    const TwipsRect tree = twipsGeometry(m_tree);
    TwipsRect bar = twipsGeometry(m_bar);
    bar = {tree.left + tree.width + 10, tree.top, bar.width, tree.height};
    setTwipsGeometry(m_bar, bar);
    bar = twipsGeometry(m_bar);
    setPlace(m_records, &TwipsRect::left, bar.left + bar.width + 10);
}

void LayoutRecorder::SplitterMoving(bool bIsMoved, int iOffset)
{
    if (!bIsMoved || !m_tree || !m_bar || !m_records)
        return;
    setPlace(m_tree, &TwipsRect::width, twipsGeometry(m_tree).width + iOffset);
    const TwipsRect tree = twipsGeometry(m_tree);
    setPlace(m_bar, &TwipsRect::left, tree.left + tree.width + 10);
    m_layoutEnabled = false;
    const TwipsRect bar = twipsGeometry(m_bar);
    setPlace(m_records, &TwipsRect::left, bar.left + bar.width + 10);
    setPlace(m_records, &TwipsRect::width, twipsGeometry(m_records).width - iOffset);
    m_layoutEnabled = true;
}

} // namespace zeva
