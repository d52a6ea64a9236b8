// zeva-host's batch mode, run as a user runs it: a script in, records out, the drawing
// control loaded from its library as a foreign host loads it.
#include "hosttestsupport.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct BatchRun {
    int status = -1;
    QStringList records;   // stdout, line by line
    QString err;
};

class Batch : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // One demo catalogue for the suite; each test copies it.
        templateFolder = new QTemporaryDir;
        QProcess process;
        process.start(zeva::host::test::binaryFolder() + QStringLiteral("/zeva-host"),
                      {QStringLiteral("--db"), templateFolder->filePath(QStringLiteral("demo.sqlite")), QStringLiteral("--init-demo")});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete templateFolder;
        templateFolder = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(templateFolder->filePath(QStringLiteral("demo.sqlite")), database()));
    }
    QString database() const { return folder.filePath(QStringLiteral("demo.sqlite")); }

    // The script goes to the standard input, or, `fromFile`, into a file --batch names.
    BatchRun run(const QString &script, const QStringList &extra = {}, const QProcessEnvironment &env = {},
                 bool fromFile = false)
    {
        QString source = QStringLiteral("-");
        if (fromFile) {
            QFile file(source = folder.filePath(QStringLiteral("script.batch")));
            if (!file.open(QIODevice::WriteOnly) || file.write(script.toUtf8()) < 0)
                return {};
        }
        QProcess process;
        if (!env.isEmpty())
            process.setProcessEnvironment(env);
        process.start(zeva::host::test::binaryFolder() + QStringLiteral("/zeva-host"),
                      QStringList{QStringLiteral("--db"), database(), QStringLiteral("--settings-dir"),
                                  folder.filePath(QStringLiteral("settings")), QStringLiteral("--batch"), source}
                          + extra);
        if (!fromFile)
            process.write(script.toUtf8());
        process.closeWriteChannel();
        BatchRun result;
        if (!process.waitForFinished(120000))
            return result;
        result.status = process.exitCode();
        result.records = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static QTemporaryDir *templateFolder;
    QTemporaryDir folder;
};

QTemporaryDir *Batch::templateFolder = nullptr;

QStringList starting(const QStringList &records, const QString &prefix)
{
    return records.filter(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(prefix)));
}

TEST_F(Batch, CommandsAnswerWithTheirMembersDialogsWithTheirAnswersAndAWrongCommandIsAnError)
{
    const BatchRun r = run(QStringLiteral("frobnicate now\nrefresh\nselect k01\nedit\nanswer ok\nedit\nfindnext\nnext\ndump selection\nprevious\n"
                                          "clear\nselect\n# a comment\n\nresize wide 3\nrefresh at once\nresize 50000 50000\nresize 16385 10\n"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(starting(r.records, QStringLiteral("result")),
              (QStringList{QStringLiteral("result\tIFormUI_Init\ttrue"), QStringLiteral("result\tIFormUI_Refresh\ttrue"),
                           QStringLiteral("result\tIFormUI_FileEdit\tfalse"), QStringLiteral("result\tIFormUI_FileEdit\tfalse"),
                           QStringLiteral("result\tIFormUI_FindNext\ttrue"), QStringLiteral("result\tIFormUI_RecordNext\ttrue"),
                           QStringLiteral("result\tIFormUI_RecordPrevious\ttrue"), QStringLiteral("result\tIFormUI_Clear\tfalse")}));
    EXPECT_EQ(starting(r.records, QStringLiteral("selection")), QStringList{QStringLiteral("selection\tk02\t02  半成品")});
    // A dialog takes the queued answer, or its default button without an error record.
    EXPECT_EQ(starting(r.records, QStringLiteral("dialog")),
              (QStringList{QStringLiteral("dialog\tMsgBox\t0\t\t选择的节点为分类节点，不允许编辑！ \tdefault"),
                           QStringLiteral("dialog\tMsgBox\t0\t\t选择的节点为分类节点，不允许编辑！ \tok")}));
    EXPECT_TRUE(r.records.contains(QStringLiteral("event\tErrMessage\t1\t产品目录\t2-2-3读取编码规则")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("event\tFormRefreshed")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("event\tMessage\t"))) << "Clear's empty message";
    EXPECT_TRUE(r.records.contains(QStringLiteral("error\tunknown\tunknown command: frobnicate")));
    // Sizes no platform can paint are refused, not tried (they ended in a crash inside Qt).
    EXPECT_EQ(starting(r.records, QStringLiteral("error\tresize")).size(), 3);
    EXPECT_EQ(starting(r.records, QStringLiteral("error")).size(), 6) << r.records.join(u'\n').toStdString();
}

TEST(HostCommandLine, OptionsAreCheckedBeforeAWindowIsAskedFor)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QTemporaryDir folder;
    const QString db = folder.filePath(QStringLiteral("empty.sqlite"));
    for (const QStringList &args : {QStringList{QStringLiteral("--frobnicate")}, QStringList{QStringLiteral("--db"), db}}) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(zeva::host::test::binaryFolder() + QStringLiteral("/zeva-host"), args);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort: " << err.toStdString();
        EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
        EXPECT_EQ(err.count(u'\n'), 1) << "one line: " << err.toStdString();
        EXPECT_TRUE(err.contains(args.size() == 1 ? QStringLiteral("frobnicate") : QStringLiteral("--batch")))
            << err.toStdString();
    }
}

TEST_F(Batch, SelectingAProductRaisesItsPropertiesFillsTheFieldsAndShowsInAScreenshot)
{
    const QString shot = folder.filePath(QStringLiteral("the form.png"));
    const BatchRun r = run(QStringLiteral("refresh\nselect w0101001003\ndump fields\ndump tree\nresize 1000 640\nscreenshot \"%1\"\n")
                               .arg(shot));
    EXPECT_EQ(r.status, 0) << r.records.join(u'\n').toStdString();
    EXPECT_EQ(starting(r.records, QStringLiteral("event\tProperty")),
              (QStringList{QStringLiteral("event\tProperty\tBomID\t0\t0"), QStringLiteral("event\tProperty\t工艺ID\t0\t0"),
                           QStringLiteral("event\tProperty\t产品ID\t37\t1"), QStringLiteral("event\tProperty\t产品ID\t37\t1")}));
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tkvT(0)\t0101001003\t0\t0\t1"))) << "disabled in browse mode";
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tlbl(2)\tw\t\t1\t0")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("tree\t0\tk\t产品类别\t1\tE")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("tree\t4\tw0101001003\t0101001003  圆钢B-82\t37\tS")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("tree\t3\tk0101001\t0101001  圆钢\t3\tE"))) << "made visible by select";
    EXPECT_EQ(starting(r.records, QStringLiteral("field")).size(), 33 + 8 + 3 + 5 + 2);
    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1000, 640));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20) << "not a blank picture";
}

TEST_F(Batch, TheBarDragsInStepsAndTheFormIsLaidOutForTheSizeItIsGiven)
{
    const QString shot = folder.filePath(QStringLiteral("small.png"));
    const BatchRun r = run(QStringLiteral("resize 880 560\ndump layout\ndrag-splitter 300\ndump layout\nresize 700 500\n"
                                          "screenshot \"%1\"\nresize 1320 840\ndump layout\ndrag-splitter 1e3\n")
                               .arg(shot));
    EXPECT_EQ(r.status, 2);
    const QStringList layout = starting(r.records, QStringLiteral("layout"));
    ASSERT_EQ(layout.size() % 3, 0);
    const qsizetype n = layout.size() / 3;
    // At the design size, in collection order; the bar comes first.
    EXPECT_EQ(layout.mid(0, 3), (QStringList{QStringLiteral("layout\tSp\t3670\t60\t75\t8280"),
                                              QStringLiteral("layout\tTV\t60\t60\t3600\t8280"),
                                              QStringLiteral("layout\tfrabase\t3755\t60\t9385\t8280")}));
    // Steps of 120, 120 and a last one of 60, under the 80 twips that move the bar.
    EXPECT_EQ(layout.mid(n, 3), (QStringList{QStringLiteral("layout\tSp\t3910\t60\t75\t8300"),
                                              QStringLiteral("layout\tTV\t60\t60\t3840\t8280"),
                                              QStringLiteral("layout\tfrabase\t3995\t60\t9145\t8280")}));
    // Smaller than the design size the form scrolls; larger, it is laid out again.
    EXPECT_EQ(QImage(shot).size(), QSize(700, 500));
    EXPECT_EQ(layout.mid(2 * n, 3), (QStringList{QStringLiteral("layout\tSp\t5500\t90\t75\t12420"),
                                                  QStringLiteral("layout\tTV\t90\t90\t5400\t12420"),
                                                  QStringLiteral("layout\tfrabase\t5585\t90\t14078\t12420")}));
    EXPECT_TRUE(layout.contains(QStringLiteral("layout\tkvT(0)\t270\t270\t6570\t495"))) << "fields scale in both directions";
    EXPECT_EQ(starting(r.records, QStringLiteral("error")), QStringList{QStringLiteral(
                  "error\tdrag-splitter\tdrag-splitter takes a distance in twips from -245760 to 245760")});
}

TEST_F(Batch, TypingNeedsAnEnabledFieldAndValuesComeBackEscaped)
{
    // Written on Windows: every line ends in CR LF; the CR inside a line is text.
    const BatchRun r = run(QStringLiteral("refresh\r\nselect w0101001003\r\nset kvT(2) 不能输入\r\nedit\r\n"
                                          "set kvT(3)  a\\tb\\\\c\r \r\ncheck chk(1) 1\r\noption Opt(2)\r\ndump fields\r\n"),
                           {}, {}, true);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.records.contains(QStringLiteral("error\tset\tkvT(2) is disabled")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("result\tIFormUI_FileEdit\ttrue")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tkvT(3)\t a\\tb\\\\c\\r \t0\t1\t1")))
        << starting(r.records, QStringLiteral("field\tkvT(3)")).join(u'\n').toStdString();
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tchk(1)\t批次管理\t1\t1\t1")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tOpt(2)\tC类\t1\t1\t1")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tOpt(1)\tB类\t0\t1\t1")));
}

TEST_F(Batch, SqlPrintsRowsEscapedAndFailures)
{
    const BatchRun r = run(QStringLiteral("sql select top 1 物品编码 from pdmzeva order by 产品ID\nsql select nosuch from pdmzeva\n"
                                          "sql select 'a\\x1bb\\\\' as v\n"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(starting(r.records, QStringLiteral("sql")),
              (QStringList{QStringLiteral("sql\t物品编码"), QStringLiteral("sql\t0101001001"), QStringLiteral("sql\tv"),
                           QStringLiteral("sql\ta\\x1bb\\\\")}));
    ASSERT_EQ(starting(r.records, QStringLiteral("error\tsql\t")).size(), 1);
}

TEST_F(Batch, DocumentsAreUploadedAnnotatedListedAndPicturesDumped)
{
    const QString drawing = folder.filePath(QStringLiteral("图 1.dwg"));
    {
        QFile file(drawing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("AB\x01") == 3);
    }
    const BatchRun r = run(QStringLiteral("refresh\nanswer text 圆钢A-10\nfind\npage 7\nanswer file %1\nclick Cmd(0)\n"
                                          "annotate 1 \"  说明 \\\"1\\\"  \" \"a\\nb\" save\ndump list lvDraw\n"
                                          "sql select postil from pdmzevadraw\n"
                                          "sql select cast(x'00ff1a' as blob) as b\npage 5\ndump picture\nrow lvDraw 9\n")
                               .arg(drawing));
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_EQ(starting(r.records, QStringLiteral("dialog\tPostil")), QStringList{QStringLiteral("dialog\tPostil\t文档说明\t图 1.dwg")});
    const QStringList rows = starting(r.records, QStringLiteral("row\t"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows.first().startsWith(QStringLiteral("row\t1\t图 1.dwg\t.K\t说明 \"1\"\tadmin\t"))) << rows.first().toStdString();
    EXPECT_TRUE(r.records.contains(QStringLiteral("sql\ta\\nb"))) << "the line break typed as Enter, printed escaped";
    EXPECT_TRUE(r.records.contains(QStringLiteral("sql\t0x00FF1A")));
    const QStringList picture = starting(r.records, QStringLiteral("picture\t"));
    ASSERT_EQ(picture.size(), 1);
    EXPECT_TRUE(picture.first().startsWith(QStringLiteral("picture\t\t0\t0\t0\t0\t"))) << picture.first().toStdString();
    EXPECT_EQ(starting(r.records, QStringLiteral("error\t")), QStringList{QStringLiteral("error\trow\tlvDraw is not shown")});
}

TEST_F(Batch, AMissingControlLibraryIsAClearFailure)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZEVA_DRAWING_LIBRARY"), folder.filePath(QStringLiteral("nothing.so")));
    const BatchRun r = run(QStringLiteral("refresh\n"), {}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cannot load the drawing control"))) << r.err.toStdString();
}

// A limit of 10 products (a setting) loads a category's products when it is expanded.
TEST_F(Batch, ExpandingLoadsACategoryAsAUserWouldUnderTheOptionsRightsAndSettings)
{
    const BatchRun r = run(QStringLiteral("refresh\nexpand k0101001\nexpand k0101001\nexpand k01\npage 3\npage 9\n"
                                          "answer text 齿轮\nanswer file /tmp/a\\tb.dwg\nanswer maybe\ninit\ndump tree\ndump fields\n"),
                           {QStringLiteral("--rights"), QStringLiteral("C"), QStringLiteral("--setting"), QStringLiteral("zeva=10")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tkvT(14)\t\t0\t0\t0"))) << "price hidden without right A";
    EXPECT_EQ(starting(r.records, QStringLiteral("event\tMessage")),
              (QStringList{QStringLiteral("event\tMessage\t共加载17条记录"), QStringLiteral("event\tMessage\t共加载17条记录"),
                           QStringLiteral("event\tMessage\t")}))
        << "loaded once, then counted; a category without products of its own reports nothing";
    EXPECT_EQ(starting(r.records, QStringLiteral("error")),
              (QStringList{QStringLiteral("error\tpage\tToolbar1 has no button 9"),
                           QStringLiteral("error\tanswer\tanswer takes ok, cancel, yes, no, text TEXT or file PATH")}));
    EXPECT_EQ(starting(r.records, QStringLiteral("result\tIFormUI_Init")).size(), 2) << "implicit, then asked for";
    EXPECT_TRUE(r.records.contains(QStringLiteral("tree\t3\tk0101001\t0101001  圆钢\t3\tE")));
    EXPECT_EQ(starting(r.records, QStringLiteral("tree\t4\tw0101001")).size(), 17);
}

TEST_F(Batch, ChineseTextIsTypedAndKeysMayHoldBlanks)
{
    const BatchRun setup = run(QStringLiteral("sql UPDATE pdmzeva SET 物品编码='AB 12' WHERE 产品ID=37\n"));
    ASSERT_EQ(setup.status, 0) << setup.records.join(u'\n').toStdString();
    const BatchRun r = run(QStringLiteral("refresh\nselect wAB 12\nedit\nset kvT(2) 齿轮减速机，Φ40\ndump fields\n"));
    EXPECT_EQ(r.status, 0) << r.records.join(u'\n').toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.records.contains(QStringLiteral("result\tIFormUI_FileEdit\ttrue")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("field\tkvT(2)\t齿轮减速机，Φ40\t0\t1\t1")))
        << starting(r.records, QStringLiteral("field\tkvT(2)")).join(u'\n').toStdString();
}

// F4 in a coded field asks the host for its list (filtered by the field's text, quotes and
// all); the chosen row is typed into the field, which resolves it; the host saw each relay.
TEST_F(Batch, APickedRowIsTypedIntoItsFieldAndTheHostSeesEveryRelay)
{
    const BatchRun r = run(QStringLiteral("refresh\nselect w0101001003\nedit\nset kvT(22) \npick kvT(22) 2\npick kvT(22) 99\n"
                                          "pick kvT(2) 1\npage 3\nset kvT(27) O'\npick kvT(27) 1\ndump fields\ndump host\n"
                                          "save\nclear\ndump host\n"));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.records.contains(QStringLiteral("pick\tgy_jldw\tjian\t件"))) << r.records.join(u'\n').toStdString();
    EXPECT_TRUE(r.records.contains(QStringLiteral("error\tpick\tthe list of gy_jldw filtered by \"件\" has 1 rows")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("error\tpick\tkvT(2) has no pick list")));
    const QStringList supplier = starting(r.records, QStringLiteral("pick\thp_provide\t"));
    ASSERT_EQ(supplier.size(), 1);
    EXPECT_TRUE(supplier[0].endsWith(QStringLiteral("\tO'Brien Fasteners Ltd."))) << supplier[0].toStdString();
    EXPECT_EQ(starting(r.records, QStringLiteral("field\tkvT(27)\tO'Brien Fasteners Ltd.\t8\t")).size(), 1);
    EXPECT_TRUE(r.records.contains(QStringLiteral("result\tIFormUI_FileSave\ttrue")));
    EXPECT_EQ(starting(r.records, QStringLiteral("host\treleased")),
              (QStringList{QStringLiteral("host\treleased\t0"), QStringLiteral("host\treleased\t1")}));
    EXPECT_TRUE(r.records.contains(QStringLiteral("host\trelay\tRelayFieldLookup\thp_provide\t\tO'\tO'\t27\t-1")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("host\trelay\tRelayFieldEvent\t8\t27\t1\t1\t-1")));
    EXPECT_TRUE(r.records.contains(QStringLiteral("host\tpreloaded\treset\tTrue")));
}


// A drag through the tree's own mouse handling: nothing while "允许拖动记录" is off, a
// move into another category once it is ticked and the question answered.
TEST_F(Batch, DraggingAProductMovesItOnlyWithDraggingOnAndAfterTheQuestion)
{
    const BatchRun r = run(QStringLiteral("refresh\nexpand k0101002\ndrag w0101001004 k0101002\ncheck chk(2) 1\n"
                                          "answer yes\ndrag w0101001004 k0101002\ndump selection\n"
                                          "sql select 产品类别ID from pdmzeva where 物品编码='0101001004'\n"));
    EXPECT_EQ(r.status, 0) << r.records.join(u'\n').toStdString();
    EXPECT_EQ(starting(r.records, QStringLiteral("dialog")),
              QStringList{QStringLiteral("dialog\tMsgBox\t68\t提示：\t是否将[0101001004  圆钢E-28]移到[0101002  钢板]下？\tyes")});
    EXPECT_TRUE(r.records.contains(QStringLiteral("selection\tw0101001004\t0101001004  圆钢E-28")));
    EXPECT_EQ(r.records.last(), QStringLiteral("sql\t4"));
}

} // namespace
