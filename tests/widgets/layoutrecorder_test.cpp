// The proportional layout: what RecordLayout writes, LayoutControls by type name, and the
// tree, bar and record area snapped together and following a drag of the bar.
#include "hostunits.h"
#include "layoutrecorder.h"
#include "splitter.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace zeva::test {
namespace {

QWidget *control(QWidget *parent, const char *type, const TwipsRect &place)
{
    auto *w = new QWidget(parent);
    w->setProperty("zevaType", type);
    setTwipsGeometry(w, place);
    return w;
}

TEST(LayoutRecorder, WideningFrom10000To15000ScalesEachControlAsItsTypeAllows)
{
    QWidget form;
    setTwipsGeometry(&form, {0, 0, 10000, 8000});
    const TwipsRect at{2000, 1000, 1000, 300};
    auto *button = control(&form, "CommandButton", at);
    auto *graphical = control(&form, "CommandButton", at);
    graphical->setProperty("Style", 1);
    const QList<QWidget *> controls = {control(&form, "TextBox", at), control(&form, "label", at), button, graphical,
                                       control(&form, "CheckBox", at), control(&form, "ComboBox", at),
                                       control(&form, "kvTxt_S", at), control(&form, "Line", at)};
    setTwipsLine(controls.last(), {100, 200, 3000, 200});
    LayoutRecorder layout(&form, controls);
    layout.LayoutControls();
    EXPECT_EQ(twipsGeometry(controls[0]), at) << "nothing before the layout is recorded";

    layout.RecordLayout();
    EXPECT_EQ(controls[0]->property("Tag").toString(), "2000 1000 1000 300 ");
    EXPECT_EQ(controls.last()->property("Tag").toString(), "100 200 3000 200 ");

    setTwipsGeometry(&form, {0, 0, 15000, 12000});
    layout.LayoutControls();
    const TwipsRect expected[] = {
        {3000, 1500, 1500, 300},   // a text box keeps its height
        {3000, 1500, 1000, 300},   // a label moves but keeps its size, whatever the case of its type
        {3000, 1500, 1500, 450},   // a standard command button scales both ways
        {3000, 1500, 1500, 300},   // any other style keeps its height
        {3000, 1500, 1000, 300},   // check boxes and option buttons move only
        {3000, 1500, 1500, 300},   // a combo box keeps its height
        {3000, 1500, 1500, 450},   // every other type scales both ways
    };
    for (int i = 0; i < int(std::size(expected)); ++i)
        EXPECT_EQ(twipsGeometry(controls[i]), expected[i]) << controls[i]->property("zevaType").toString().toStdString();
    EXPECT_EQ(twipsLine(controls.last()), (TwipsLine{150, 300, 4500, 300}));

    // A Tag without the blank after its last number gives that number 0.
    controls[6]->setProperty("Tag", "2000 1000 1000 300");
    controls.last()->setProperty("Tag", "100 200 3000 200");
    layout.LayoutControls();
    EXPECT_EQ(twipsGeometry(controls[6]), (TwipsRect{3000, 1500, 1500, 0}));
    EXPECT_EQ(twipsLine(controls.last()), (TwipsLine{150, 300, 4500, 0}));
}

// A form of the catalogue's design width: the tree, the bar and the record area.
TEST(LayoutRecorder, ResizingSnapsThePanesAndADragOf300MovesThemWithTheirGaps)
{
    QWidget window;
    auto *form = new QWidget(&window);
    setTwipsGeometry(form, {0, 0, 13200, 8400});
    auto *bar = new Splitter(form);   // first: bounded by the form's width
    setTwipsGeometry(bar, {3670, 60, 75, 8280});
    QWidget *tree = control(form, "TreeView", {60, 60, 3600, 8280});
    QWidget *records = control(form, "Frame", {3755, 60, 9385, 8280});
    LayoutRecorder layout(form, {bar, tree, records});
    layout.setPanes(tree, bar, records);
    QObject::connect(bar, &Splitter::Moving, [&layout](bool moved, int offset) { layout.SplitterMoving(moved, offset); });
    layout.RecordLayout();
    window.resize(1400, 900);
    window.show();
    QApplication::processEvents();

    setTwipsGeometry(form, {0, 0, 19800, 12600});
    layout.FormResized();
    EXPECT_EQ(twipsGeometry(tree), (TwipsRect{90, 90, 5400, 12420}));
    EXPECT_EQ(twipsGeometry(bar), (TwipsRect{5500, 90, 75, 12420})) << "10 right of the tree, its own width kept";
    EXPECT_EQ(twipsGeometry(records), (TwipsRect{5585, 90, 14078, 12420})) << "10 right of the bar";

    layout.SplitterMoving(false, 300);
    EXPECT_EQ(twipsGeometry(tree).width, 5400) << "only a move of the bar counts";

    // The user's drag: pressed at the bar's left edge, one move 300 twips to the right.
    const auto mouse = [bar](QEvent::Type type, double twips) {
        const QPointF local(twips * twipsDpi(bar) / 1440.0, 20);
        QMouseEvent event(type, local, bar->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    };
    mouse(QEvent::MouseButtonPress, 0);
    mouse(QEvent::MouseMove, 300);
    mouse(QEvent::MouseButtonRelease, 0);
    EXPECT_EQ(twipsGeometry(tree).width, 5700);
    EXPECT_EQ(twipsGeometry(bar).left, 5800);
    EXPECT_EQ(twipsGeometry(records), (TwipsRect{5885, 90, 13778, 12420}));
    EXPECT_TRUE(layout.LayoutEnabled());
}

} // namespace
} // namespace zeva::test
