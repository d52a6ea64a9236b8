#include "scripteddesktopservices.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zeva;
using Record = ScriptedDesktopServices::Record;

namespace {

TEST(ScriptedDesktop, UnansweredOrUnfittingDialogsTakeTheirDefaultAndAreReported)
{
    ScriptedDesktopServices desktop;
    QList<Record> unanswered;
    desktop.setUnansweredHandler([&](const Record &r) { unanswered << r; });
    EXPECT_EQ(desktop.messageBox(QStringLiteral("q"), DesktopServices::YesNo, QString()), DesktopServices::Yes);
    EXPECT_EQ(desktop.messageBox(QStringLiteral("q"), DesktopServices::YesNo | DesktopServices::DefaultButton2, QString()),
              DesktopServices::No);
    EXPECT_EQ(desktop.inputBox(QStringLiteral("查找"), QStringLiteral("t"), QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(desktop.openFile({}), std::nullopt);
    desktop.answerButton(DesktopServices::Cancel);   // an OK-only box has no Cancel
    EXPECT_EQ(desktop.messageBox(QStringLiteral("x"), DesktopServices::OkOnly, QString()), DesktopServices::Ok);
    desktop.answerText(QStringLiteral("typed"));     // a message box takes no text
    EXPECT_EQ(desktop.messageBox(QStringLiteral("x"), DesktopServices::OkCancel, QString()), DesktopServices::Ok);
    ASSERT_EQ(unanswered.size(), 6);
    for (const Record &r : unanswered)
        EXPECT_TRUE(r.byDefault && r.answer == u"default") << r.kind.toStdString();
}

TEST(ScriptedDesktop, AnswersFromTheQueueAndRecordsEveryDialog)
{
    ScriptedDesktopServices desktop;
    desktop.answerButton(DesktopServices::No);
    desktop.answerText(QStringLiteral("齿轮"));
    desktop.answerCancel();
    desktop.answerFile(QStringLiteral("/tmp/a b/图.dwg"));
    desktop.setShellResult(DesktopServices::ShellNoAssociation);
    EXPECT_EQ(desktop.messageBox(QStringLiteral("是否将[a]移到[b]下？"), 68, QStringLiteral("提示：")), DesktopServices::No);
    EXPECT_EQ(desktop.inputBox(QStringLiteral("p"), QStringLiteral("t")), QStringLiteral("齿轮"));
    EXPECT_EQ(desktop.inputBox(QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("d")), std::nullopt);
    DesktopServices::FileRequest request;
    request.filter = QStringLiteral("图纸|*.dwg|所有文件|*.*");
    request.filterIndex = 2;
    const auto chosen = desktop.openFile(request);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, QStringLiteral("/tmp/a b/图.dwg"));
    EXPECT_EQ(chosen->filterIndex, 2);
    EXPECT_EQ(desktop.shellOpen(QStringLiteral("/tmp/y.unknown")), DesktopServices::ShellNoAssociation) << "recorded, never run";
    QStringList seen;
    for (const Record &r : desktop.records())
        seen << QStringLiteral("%1|%2|%3|%4").arg(r.kind, r.text).arg(r.style).arg(r.answer);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("MsgBox|是否将[a]移到[b]下？|68|no"), QStringLiteral("InputBox|p|0|齿轮"),
                                 QStringLiteral("InputBox|p|0|cancel"), QStringLiteral("OpenFile||0|/tmp/a b/图.dwg"),
                                 QStringLiteral("ShellOpen|/tmp/y.unknown|0|31")}))
        << seen.join(u'\n').toStdString();
    EXPECT_EQ(desktop.pendingAnswers(), 0);
}

TEST(DesktopSettings, PersistPerApplicationAndIgnoreAnEmptyName)
{
    QTemporaryDir dir;
    {
        ScriptedDesktopServices desktop(dir.path());
        desktop.setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("50"));
        desktop.setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva_g"), QStringLiteral("/home/li/图纸"));
        desktop.setSetting(QString(), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("7"));
    }
    ScriptedDesktopServices again(dir.path());
    EXPECT_EQ(again.setting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("1000")),
              QStringLiteral("50"));
    EXPECT_EQ(again.setting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva_g")),
              QStringLiteral("/home/li/图纸"));
    EXPECT_EQ(again.setting(QString(), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("1000")),
              QStringLiteral("1000"));
    EXPECT_EQ(again.setting(QStringLiteral("other"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("1000")),
              QStringLiteral("1000"));
    // A hostile application name stays inside the settings folder.
    again.setSetting(QStringLiteral("../../escape"), QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_EQ(again.setting(QStringLiteral("../../escape"), QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("v"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("../../escape.ini"))));
}

TEST(DesktopFilters, VbFilterBecomesQtFilter)
{
    EXPECT_EQ(DesktopServices::qtFilter(QStringLiteral("图纸|*.dwg|所有文件|*.*")),
              QStringLiteral("图纸 (*.dwg);;所有文件 (*.*)"));
    EXPECT_EQ(DesktopServices::qtFilter(QStringLiteral("图片|*.bmp;*.jpg")), QStringLiteral("图片 (*.bmp *.jpg)"));
    EXPECT_EQ(DesktopServices::qtFilter(QString()), QString());
}

} // namespace
