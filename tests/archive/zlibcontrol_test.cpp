// zLibControl as a control: its bar, its setters' clamping, its persisted properties, and
// the failure message that reaches the desktop services.

#include "archivetestutil.h"
#include "scripteddesktopservices.h"
#include "zlibcontrol.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace zeva::archive::test {
namespace {

constexpr uint32_t kRed = 0x000000FF;     // 0x00BBGGRR
constexpr uint32_t kGreen = 0x0000FF00;

struct Bar {
    ScriptedDesktopServices desktop;
    zLibControl control{&desktop};
    QStringList changes;

    Bar()
    {
        QObject::connect(&control, &zLibControl::propertyChanged, [this](const QString &n) { changes << n; });
        control.resize(202, 102);
        control.setFlat(true);   // a one-pixel frame: the drawing area is 200 x 100
        control.setBarColor(kRed);
        control.setBackColor(kGreen);
        control.show();
        changes.clear();
    }

    QColor at(int x, int y) { return control.grab().toImage().pixelColor(x + 1, y + 1); }
    int count(QColor colour)
    {
        const QImage image = control.grab().toImage();
        int n = 0;
        for (int y = 1; y < image.height() - 1; ++y)
            for (int x = 1; x < image.width() - 1; ++x)
                n += image.pixelColor(x, y) == colour;
        return n;
    }
};

TEST(ZLibControlDisplay, DefaultsOfANewInstance)
{
    ScriptedDesktopServices desktop;
    zLibControl control(&desktop);
    EXPECT_EQ(control.BackColor(), 0x8000000Fu);
    EXPECT_EQ(control.BarColor(), 0x8000000Du);
    EXPECT_FALSE(control.Vertical());
    EXPECT_FALSE(control.Flat());
    EXPECT_EQ(control.Max(), 100);
    EXPECT_EQ(control.Value(), 0);
    EXPECT_EQ(control.ReadBuf(), 65536);
    EXPECT_EQ(control.FileCount(), 0);
    EXPECT_EQ(zLibControl::colorOf(0x8000000F, control.palette()), control.palette().color(QPalette::Button));
    EXPECT_EQ(zLibControl::colorOf(0x8000000D, control.palette()), control.palette().color(QPalette::Highlight));
    EXPECT_EQ(zLibControl::colorOf(0x00336699, control.palette()), QColor(0x99, 0x66, 0x33));
}

TEST(ZLibControlDisplay, SettersClampMaxAndValue)
{
    Bar bar;
    bar.control.setMax(0);
    EXPECT_EQ(bar.control.Max(), 1);
    bar.control.setMax(-40);
    EXPECT_EQ(bar.control.Max(), 1);
    bar.control.setMax(100);
    bar.control.setValue(150);
    EXPECT_EQ(bar.control.Value(), 100);
    EXPECT_EQ(bar.count(Qt::red), 200 * 100);   // a full bar
    bar.control.setValue(-3);
    EXPECT_EQ(bar.control.Value(), 0);
    EXPECT_EQ(bar.count(Qt::red), 0);           // at the minimum nothing is in the bar colour
    bar.control.setValue(80);
    bar.control.setMax(30);
    EXPECT_EQ(bar.control.Value(), 30);          // pulled down to the new Max
    EXPECT_TRUE(bar.changes.contains("Max"));
    EXPECT_TRUE(bar.changes.contains("Value"));

    bar.changes.clear();
    bar.control.setMax(50);
    bar.control.setValue(20);
    EXPECT_EQ(bar.changes, (QStringList{"Max", "Value"}));   // each change told once
    bar.changes.clear();
    bar.control.setValue(20);
    EXPECT_TRUE(bar.changes.isEmpty());
}

TEST(ZLibControlDisplay, BarFillsFromTheLeftOrFromTheBottom)
{
    Bar bar;
    bar.control.setValue(50);
    EXPECT_EQ(bar.at(10, 50), QColor(Qt::red));
    EXPECT_EQ(bar.at(90, 50), QColor(Qt::red));
    EXPECT_EQ(bar.at(110, 50), QColor(Qt::green));
    EXPECT_EQ(bar.at(190, 50), QColor(Qt::green));

    bar.control.setVertical(true);
    EXPECT_TRUE(bar.changes.contains("Vertical"));
    EXPECT_EQ(bar.at(100, 10), QColor(Qt::green));
    EXPECT_EQ(bar.at(100, 40), QColor(Qt::green));
    EXPECT_EQ(bar.at(100, 60), QColor(Qt::red));   // the lower half
    EXPECT_EQ(bar.at(100, 95), QColor(Qt::red));
}

TEST(ZLibControlDisplay, FlatAndClick)
{
    Bar bar;
    EXPECT_TRUE(bar.control.Flat());
    bar.control.setFlat(false);
    EXPECT_FALSE(bar.control.Flat());
    EXPECT_EQ(bar.changes, QStringList{"Flat"});

    int clicks = 0;
    QObject::connect(&bar.control, &zLibControl::Click, [&] { ++clicks; });
    const QPointF inside(20, 20);
    QMouseEvent press(QEvent::MouseButtonPress, inside, bar.control.mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, bar.control.mapToGlobal(inside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&bar.control, &press);
    QApplication::sendEvent(&bar.control, &release);
    EXPECT_EQ(clicks, 1);
}

TEST(ZLibControlProperties, WriteReadAndSkipUnreadable)
{
    ScriptedDesktopServices desktop;
    zLibControl saved(&desktop);
    MemoryPropertyBag defaults;
    saved.WriteProperties(defaults);
    EXPECT_TRUE(defaults.values().isEmpty());   // nothing differs from its default

    saved.setBackColor(kGreen);
    saved.setVertical(true);
    saved.setMax(500);
    saved.setValue(120);
    saved.setFlat(true);
    saved.setReadBuf(4096);
    MemoryPropertyBag bag;
    saved.WriteProperties(bag);
    EXPECT_EQ(bag.values().keys(), (QStringList{"BackColor", "Flat", "Max", "ReadBuf", "Value", "Vertical"}));

    zLibControl read(&desktop);
    read.ReadProperties(bag);
    EXPECT_EQ(read.BackColor(), kGreen);
    EXPECT_EQ(read.BarColor(), 0x8000000Du);
    EXPECT_TRUE(read.Vertical());
    EXPECT_EQ(read.Max(), 500);
    EXPECT_EQ(read.Value(), 120);
    EXPECT_TRUE(read.Flat());
    EXPECT_EQ(read.ReadBuf(), 4096);

    MemoryPropertyBag odd;
    odd.values().insert("BarColor", qlonglong(int32_t(0x80000012)));   // stored signed
    odd.values().insert("Max", "not a number");
    odd.values().insert("Value", 7);
    odd.values().insert("ReadBuf", 0);
    zLibControl third(&desktop);
    third.ReadProperties(odd);
    EXPECT_EQ(third.BarColor(), 0x80000012u);
    EXPECT_EQ(third.Max(), 100);   // skipped
    EXPECT_EQ(third.Value(), 7);
    EXPECT_EQ(third.ReadBuf(), 65536);
}

TEST(ZLibControlArchive, ProgressAdvancesAndFailuresShowTheCriticalBox)
{
    TempDir dir;
    writeFile(dir.path("f"), sampleData(50000));
    ScriptedDesktopServices desktop;
    zLibControl control(&desktop);
    QList<int> values;
    QObject::connect(&control, &zLibControl::propertyChanged, [&](const QString &n) {
        if (n == "Value")
            values << control.Value();
    });
    control.setReadBuf(5000);
    control.Reset();
    ASSERT_TRUE(control.AddFile(QString::fromStdString(dir.path("f"))));
    values.clear();
    ASSERT_EQ(control.Compress(QString::fromStdString(dir.path("c"))), 0);
    EXPECT_GE(values.size(), 10);
    EXPECT_TRUE(desktop.records().isEmpty());

    writeFile(dir.path("cut"), readFile(dir.path("c")).substr(0, 60));
    EXPECT_EQ(control.Decompress(QString::fromStdString(dir.path("cut")), QString::fromStdString(dir.path("out")),
                                 false, true, false, true, false, true), 0);
    ASSERT_EQ(desktop.records().size(), 1);
    const auto &box = desktop.records().first();
    EXPECT_EQ(box.kind, "MsgBox");
    EXPECT_EQ(box.style, DesktopServices::Critical);
    EXPECT_EQ(box.title, "错误：");
    EXPECT_TRUE(box.text.startsWith("发生错误，原因：")) << box.text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.path("out/f")));
}

} // namespace
} // namespace zeva::archive::test
