// zLibControl as a control: its bar, its setters' clamping, its persisted properties, and
// the failure message that reaches the desktop services.

#include "archivetestutil.h"
#include "scripteddesktopservices.h"
#include "zlibcontrol.h"

#include <QImage>

namespace zeva::archive::test {
namespace {

TEST(ZLibControlDisplay, BarClampsFillsAndTellsEachChangeOnce)
{
    ScriptedDesktopServices desktop;
    zLibControl bar(&desktop);
    QStringList changes;
    QObject::connect(&bar, &zLibControl::propertyChanged, [&](const QString &n) { changes << n; });
    bar.resize(202, 102);
    bar.setFlat(true);                // a one-pixel frame: the drawing area is 200 x 100
    bar.setBarColor(0x000000FF);      // 0x00BBGGRR: red
    bar.setBackColor(0x0000FF00);
    bar.show();
    const auto at = [&](int x, int y) { return bar.grab().toImage().pixelColor(x + 1, y + 1); };

    bar.setMax(-40);
    bar.setValue(150);
    EXPECT_EQ(std::pair(bar.Max(), bar.Value()), std::pair(1, 1));   // Max at least 1, Value at most Max
    EXPECT_EQ(at(199, 99), QColor(Qt::red));     // a full bar reaches the far corner
    bar.setMax(100);
    bar.setValue(-3);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(at(0, 0), QColor(Qt::green));      // at the minimum nothing is in the bar colour
    bar.setValue(80);
    bar.setMax(30);
    EXPECT_EQ(bar.Value(), 30);                  // pulled down to the new Max
    changes.clear();
    bar.setMax(60);
    bar.setValue(40);
    bar.setValue(30);
    bar.setValue(30);
    EXPECT_EQ(changes, (QStringList{"Max", "Value", "Value"}));   // each change once, no change never

    EXPECT_EQ(at(90, 50), QColor(Qt::red));
    EXPECT_EQ(at(110, 50), QColor(Qt::green));
    bar.setVertical(true);
    EXPECT_EQ(at(100, 40), QColor(Qt::green));
    EXPECT_EQ(at(100, 60), QColor(Qt::red));     // the lower half
}

TEST(ZLibControlProperties, WriteReadAndSkipUnreadable)
{
    ScriptedDesktopServices desktop;
    zLibControl control(&desktop);
    MemoryPropertyBag fresh;
    control.WriteProperties(fresh);
    EXPECT_TRUE(fresh.values().isEmpty());   // a new instance differs from no default
    MemoryPropertyBag bag, again;
    bag.values() = {{"BackColor", qlonglong(0xFF00)}, {"Flat", true}, {"Max", 500}, {"ReadBuf", 4096}, {"Value", 120},
                    {"Vertical", true}};
    control.ReadProperties(bag);
    control.WriteProperties(again);
    EXPECT_EQ(again.values(), bag.values());

    MemoryPropertyBag odd;   // BarColor stored signed, a Max that cannot be read
    odd.values() = {{"BarColor", qlonglong(int32_t(0x80000012))}, {"Max", "not a number"}, {"Value", 7}, {"ReadBuf", 0}};
    control.ReadProperties(odd);
    EXPECT_EQ(control.BarColor(), 0x80000012u);
    EXPECT_EQ(control.Max(), 500);   // skipped: kept as it was
    EXPECT_EQ(control.Value(), 7);
    EXPECT_EQ(control.ReadBuf(), 65536);
}

TEST(ZLibControlArchive, ProgressAdvancesAndFailuresShowTheCriticalBox)
{
    TempDir dir;
    writeFile(dir.path("f"), sampleData(50000));
    ScriptedDesktopServices desktop;
    zLibControl control(&desktop);
    control.setReadBuf(5000);
    ASSERT_TRUE(control.AddFile(QString::fromStdString(dir.path("f"))));
    int values = 0;
    QObject::connect(&control, &zLibControl::propertyChanged, [&](const QString &n) { values += n == "Value"; });
    ASSERT_EQ(control.Compress(QString::fromStdString(dir.path("c"))), 0);
    EXPECT_GE(values, 10);
    EXPECT_TRUE(desktop.records().isEmpty());

    writeFile(dir.path("cut"), readFile(dir.path("c")).substr(0, 60));
    EXPECT_EQ(control.Decompress(QString::fromStdString(dir.path("cut")), QString::fromStdString(dir.path("out"))), 0);
    ASSERT_EQ(desktop.records().size(), 1);
    const auto &box = desktop.records().first();
    EXPECT_EQ(box.kind, "MsgBox");
    EXPECT_EQ(box.style, DesktopServices::Critical);
    EXPECT_EQ(box.title, "错误：");
    EXPECT_TRUE(box.text.startsWith("发生错误，原因：")) << box.text.toStdString();
}

} // namespace
} // namespace zeva::archive::test
