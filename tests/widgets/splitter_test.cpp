// The splitter bar between two named controls of a container: the pointer's threshold,
// the drag limits, hiding a control and showing it again, the container's resize and the
// persisted properties.
#include "hostunits.h"
#include "propertybag.h"
#include "splitter.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace zeva::test {
namespace {

using Moves = std::vector<std::pair<bool, int>>;

// A container of 8000 x 6000 twips holding the bar at Left 2000 between "a" and "b". The
// bar is made first, so a drag is bounded by the container's width.
class SplitterTest : public ::testing::Test {
protected:
    SplitterTest()
    {
        container = new QWidget(&window);
        setTwipsGeometry(container, {0, 0, 8000, 6000});
        bar = new Splitter(container);
        a = new QWidget(container);
        b = new QWidget(container);
        for (QWidget *w : {a, b})
            w->setProperty("zevaType", "Frame");
        a->setObjectName("a");
        b->setObjectName("b");
        setTwipsGeometry(bar, {2000, 0, 75, 6000});
        bar->setControlName1("a");
        bar->setControlName2("b");
        window.resize(800, 600);
        window.show();
        QApplication::processEvents();   // the bar's own resize: it takes the container's size
        QObject::connect(bar, &Splitter::Moving, [this](bool moved, int offset) { moves.emplace_back(moved, offset); });
        QObject::connect(bar, &Splitter::MoveUpIng, [this](bool moved, int offset) { upIngs.emplace_back(moved, offset); });
    }

    // The pointer at `x` twips from the bar's left edge (fractional pixels where needed).
    void mouse(QEvent::Type type, double x)
    {
        const QPointF local(x * twipsDpi(bar) / 1440.0, 10);
        const bool move = type == QEvent::MouseMove;
        QMouseEvent event(type, local, bar->mapToGlobal(local), move ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    }
    int barLeft() const { return twipsGeometry(bar).left; }

    QWidget window;
    QWidget *container = nullptr;
    Splitter *bar = nullptr;
    QWidget *a = nullptr;
    QWidget *b = nullptr;
    Moves moves;
    Moves upIngs;
};

TEST_F(SplitterTest, APointerMovesTheBarFrom80TwipsOnWithinTheLimits)
{
    mouse(QEvent::MouseMove, 400);
    EXPECT_EQ(barLeft(), 2000) << "no drag without the button down on the bar";
    mouse(QEvent::MouseButtonPress, 0);
    mouse(QEvent::MouseMove, 79);
    mouse(QEvent::MouseMove, -79);
    EXPECT_EQ(barLeft(), 2000);
    EXPECT_TRUE(moves.empty());

    mouse(QEvent::MouseMove, 80);
    EXPECT_EQ(moves, (Moves{{true, 0}, {true, 80}}));
    // The left control ends at the bar; the right one starts after it, 40 short of the edge.
    EXPECT_EQ(twipsGeometry(a), (TwipsRect{0, -30, 2080, 5960}));
    EXPECT_EQ(twipsGeometry(b), (TwipsRect{2155, 0, 8000 - 2155 - 40, 5960}));

    moves.clear();
    mouse(QEvent::MouseMove, -1580);   // the left edge would be at 500
    EXPECT_EQ(barLeft(), Splitter::MinLeft);
    mouse(QEvent::MouseMove, 7000);
    EXPECT_EQ(barLeft(), 8000 - Splitter::MinRight - 75);
    EXPECT_EQ(moves, (Moves(4, {true, 0}))) << "a move the limits stop reports 0";

    moves.clear();
    mouse(QEvent::MouseButtonRelease, 0);
    EXPECT_EQ(moves, (Moves{{false, 0}}));
    EXPECT_EQ(upIngs, (Moves{{true, 0}}));
}

TEST_F(SplitterTest, AHiddenControlGivesTheOtherTheWidthAndShownAgainTheBarReturns)
{
    mouse(QEvent::MouseButtonPress, 0);
    mouse(QEvent::MouseMove, 500);
    mouse(QEvent::MouseButtonRelease, 0);
    bar->Resize();   // the container's resize handling keeps 2500 as the place to return to

    bar->setControlVisible1(false);
    EXPECT_TRUE(a->isHidden());
    EXPECT_EQ(barLeft(), -75);
    EXPECT_EQ(twipsGeometry(b).left, 0);
    EXPECT_EQ(twipsGeometry(b).width, 8000);

    bar->setControlVisible1(true);
    EXPECT_FALSE(a->isHidden());
    EXPECT_EQ(barLeft(), 2500);
    EXPECT_EQ(twipsGeometry(a).width, 2500);
    EXPECT_EQ(twipsGeometry(b).left, 2575);

    bar->setControlVisible2(false);
    EXPECT_EQ(barLeft(), 8000) << "just outside the right edge";
    EXPECT_EQ(twipsGeometry(a).width, 8000);
    bar->setControlVisible1(false);
    EXPECT_EQ(barLeft(), 8000) << "both hidden: the right edge wins";
}

TEST_F(SplitterTest, AWiderContainerKeepsTheBarInProportionWithinTheLimits)
{
    setTwipsGeometry(container, {0, 0, 12000, 6000});
    bar->Resize();
    EXPECT_EQ(barLeft(), 3000);
    EXPECT_EQ(twipsGeometry(a).width, 3000);
    EXPECT_EQ(twipsGeometry(b), (TwipsRect{3075, 0, 12000 - 3075 - 40, 5960}));

    // Narrowed to 1000 the bar would sit at 250: MinLeft holds it.
    setTwipsGeometry(container, {0, 0, 1000, 6000});
    bar->Resize();
    EXPECT_EQ(barLeft(), Splitter::MinLeft);
    EXPECT_EQ(twipsGeometry(b).width, Splitter::MinRight) << "never narrower than MinRight";
}

TEST_F(SplitterTest, PropertiesSaveAllFiveAndMissingOnesLoadAsEmptyZeroAndFalse)
{
    MemoryPropertyBag saved;
    bar->WriteProperties(saved);
    EXPECT_EQ(saved.values(), (QVariantMap{{"ControlName1", "a"}, {"ControlName2", "b"}, {"SplitterWidth", 75},
                                           {"ControlVisible1", true}, {"ControlVisible2", true}}));

    Splitter loaded(container);
    MemoryPropertyBag partial;
    partial.values() = {{"ControlName2", "b"}, {"ControlVisible1", "1"}};
    loaded.ReadProperties(partial);
    EXPECT_EQ(loaded.ControlName1(), "");
    EXPECT_EQ(loaded.ControlName2(), "b");
    EXPECT_EQ(loaded.SplitterWidth(), 0);
    EXPECT_EQ(twipsGeometry(&loaded).width, 0) << "the bar takes the width it loaded";
    EXPECT_TRUE(loaded.ControlVisible1());
    EXPECT_FALSE(loaded.ControlVisible2());
}

} // namespace
} // namespace zeva::test
