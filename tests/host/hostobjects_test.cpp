// The host's objects: key allocation (also from two processes at once), the code rule,
// the command line, conversions, the binary stream and the system object.
#include "hosttestsupport.h"

#include "levelcoderule.h"
#include "memorybinarystream.h"
#include "namedcommandlineargs.h"
#include "standardvalueconverter.h"
#include "kithostservices.h"
#include "kithostsystem.h"
#include "schema.h"
#include "scripteddesktopservices.h"
#include "tablekeyallocator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using zeva::host::test::Backend;

namespace {

class KeysOnBothBackEnds : public ::testing::TestWithParam<Backend> {};

} // namespace

TEST_P(KeysOnBothBackEnds, AllocatesAboveExistingRowsAndReportsBadNames)
{
    auto db = zeva::host::test::demoDatabase(GetParam());
    ASSERT_TRUE(db);
    zeva::host::TableKeyAllocator keys;
    int key = -5;
    EXPECT_NE(keys.Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key), QString());   // not attached
    EXPECT_EQ(key, -5);
    keys.Attach(db);
    ASSERT_EQ(keys.Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key), QString());
    EXPECT_EQ(key, 302);   // the demo's products end at 301
    ASSERT_EQ(keys.Allocate(QStringLiteral("PDMZEVA"), QStringLiteral("产品id"), key), QString());
    EXPECT_EQ(key, 303);
    // A row written with a higher key by someone else moves the next key past it.
    ASSERT_TRUE(db->Prepare(QStringLiteral("insert into pdmxsy (AutoID,代码,名称) values (900,'900','x')"), 1)->Execute());
    ASSERT_EQ(keys.Allocate(QStringLiteral("pdmxsy"), QStringLiteral("AutoID"), key), QString());
    EXPECT_EQ(key, 901);
    ASSERT_EQ(keys.Allocate(QStringLiteral("PDMZEVADraw"), QStringLiteral("rowIndex"), key), QString());
    EXPECT_EQ(key, 1);

    key = -5;
    EXPECT_NE(keys.Allocate(QStringLiteral("nosuchtable"), QStringLiteral("id"), key), QString());
    EXPECT_NE(keys.Allocate(QStringLiteral("pdmzeva"), QStringLiteral("nosuch"), key), QString());
    EXPECT_NE(keys.Allocate(QStringLiteral("pdmzeva; DROP TABLE pdmzeva"), QStringLiteral("产品ID"), key), QString());
    EXPECT_NE(keys.Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID) FROM pdmzeva; --"), key), QString());
    EXPECT_EQ(key, -5);
    EXPECT_EQ(db->Prepare(QStringLiteral("select count(*) from pdmzeva"), 1)->GetValue().toInteger(), 301);

    // Inside the caller's transaction the key goes with it, and a refused allocation does
    // not spoil the caller's work.
    ASSERT_TRUE(db->BeginTrans());
    ASSERT_TRUE(db->Prepare(QStringLiteral("delete from pdmxsy where AutoID=900"), 1)->Execute());
    ASSERT_EQ(keys.Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key), QString());
    EXPECT_EQ(key, 304);
    if (GetParam() == Backend::Postgres) {   // there is no MAX of bytes
        EXPECT_NE(keys.Allocate(QStringLiteral("PDMZEVADraw"), QStringLiteral("fileImage"), key), QString());
    }
    ASSERT_TRUE(db->CommitTrans()) << db->LastError().Description().toStdString();
    EXPECT_EQ(db->Prepare(QStringLiteral("select count(*) from pdmxsy where AutoID=900"), 1)->GetValue().toInteger(), 0);
    ASSERT_EQ(keys.Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key), QString());
    EXPECT_EQ(key, 305);
}

TEST_P(KeysOnBothBackEnds, TwoProcessesAllocatingAtOnceNeverCollide)
{
    QString where;
    auto db = zeva::host::test::demoDatabase(GetParam(), &where);
    ASSERT_TRUE(db);
    const QString worker = zeva::host::test::binaryFolder() + QStringLiteral("/host_keyworker");
    const QStringList arguments = {GetParam() == Backend::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("pg"), where,
                                   QStringLiteral("2000"), QStringLiteral("pdmzeva"), QStringLiteral("产品ID")};
    QProcess first;
    QProcess second;
    first.start(worker, arguments);
    second.start(worker, arguments);
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    ASSERT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    ASSERT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    QSet<int> seen;
    for (QProcess *p : {&first, &second}) {
        const QList<QByteArray> lines = p->readAllStandardOutput().split('\n');
        int previous = 0;
        int count = 0;
        for (const QByteArray &line : lines) {
            if (line.isEmpty())
                continue;
            const int key = line.toInt();
            EXPECT_GT(key, 301);
            EXPECT_GT(key, previous);   // each process sees its keys rise
            EXPECT_FALSE(seen.contains(key)) << key;
            seen.insert(key);
            previous = key;
            ++count;
        }
        EXPECT_EQ(count, 2000);
    }
    EXPECT_EQ(seen.size(), 4000);
}

INSTANTIATE_TEST_SUITE_P(Host, KeysOnBothBackEnds, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto &info) { return std::string(zeva::host::test::backendName(info.param)); });

TEST(CodeRule, CountsLevelsOfShortLongAndPartialCodes)
{
    zeva::host::LevelCodeRule rule;
    const QString r = QStringLiteral("2-2-3");
    EXPECT_EQ(rule.LevelCount(QString(), r), 0);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("0"), r), 1);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("01"), r), 1);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("010"), r), 2);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("0101"), r), 2);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("010100"), r), 3);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("0101001"), r), 3);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("010100199"), r), 4);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("0101"), QString()), 1);
    EXPECT_EQ(rule.LevelCount(QStringLiteral("0101"), QStringLiteral("x-?")), 1);

    EXPECT_EQ(rule.LevelLength(1, r), 2);
    EXPECT_EQ(rule.LevelLength(2, r), 4);
    EXPECT_EQ(rule.LevelLength(3, r), 7);
    EXPECT_EQ(rule.LevelLength(0, r), 0);
    EXPECT_EQ(rule.LevelLength(4, r), 0);
    EXPECT_EQ(rule.LevelLength(1, QString()), 0);
    EXPECT_EQ(rule.LevelLength(2, QStringLiteral("3- 2")), 5);

    EXPECT_EQ(rule.ParentCode(QStringLiteral("01"), r), QString());
    EXPECT_EQ(rule.ParentCode(QStringLiteral("010"), r), QStringLiteral("01"));
    EXPECT_EQ(rule.ParentCode(QStringLiteral("0101"), r), QStringLiteral("01"));
    EXPECT_EQ(rule.ParentCode(QStringLiteral("01010"), r), QStringLiteral("0101"));
    EXPECT_EQ(rule.ParentCode(QStringLiteral("0101001"), r), QStringLiteral("0101"));
    EXPECT_EQ(rule.ParentCode(QStringLiteral("01010019"), r), QStringLiteral("0101001"));
    EXPECT_EQ(rule.ParentCode(QStringLiteral("0101001"), QString()), QString());
}

TEST(CommandLineArgs, ReadsNamedValuesQuotedOrNot)
{
    zeva::host::NamedCommandLineArgs args;
    EXPECT_TRUE(args.Parse(QStringLiteral("  k=01,02 t=\"a b\"  empty= q=\"say \"\"hi\"\"\" ")));
    QString text;
    EXPECT_TRUE(args.Item(QStringLiteral("K"), text));
    EXPECT_EQ(text, QStringLiteral("01,02"));
    EXPECT_TRUE(args.Item(QStringLiteral("t"), text));
    EXPECT_EQ(text, QStringLiteral("a b"));
    EXPECT_TRUE(args.Item(QStringLiteral("empty"), text));
    EXPECT_EQ(text, QString());
    EXPECT_TRUE(args.Item(QStringLiteral("q"), text));
    EXPECT_EQ(text, QStringLiteral("say \"hi\""));
    text = QStringLiteral("kept");
    EXPECT_FALSE(args.Item(QStringLiteral("missing"), text));
    EXPECT_EQ(text, QStringLiteral("kept"));

    zeva::host::NamedCommandLineArgs broken;
    EXPECT_FALSE(broken.Parse(QStringLiteral("k=01 lonely t=x")));
    EXPECT_TRUE(broken.Item(QStringLiteral("k"), text));   // what came before the fault stays
    EXPECT_FALSE(broken.Item(QStringLiteral("t"), text));
    EXPECT_FALSE(zeva::host::NamedCommandLineArgs().Parse(QStringLiteral("t=\"open")));
    EXPECT_FALSE(zeva::host::NamedCommandLineArgs().Parse(QStringLiteral("=x")));
    EXPECT_TRUE(zeva::host::NamedCommandLineArgs().Parse(QString()));
}

TEST(ValueConverter, TakesLeadingNumbersAndPartsOfText)
{
    zeva::host::StandardValueConverter convert;
    EXPECT_EQ(convert.ToLong(QStringLiteral(" 12.5abc")), 13);
    EXPECT_EQ(convert.ToLong(QStringLiteral("waiting")), 0);
    EXPECT_EQ(convert.ToLong(qint64(7)), 7);
    EXPECT_EQ(convert.ToLong(QStringLiteral("1e12")), 0);   // beyond a whole number
    EXPECT_EQ(convert.MidText(QStringLiteral("k0101"), 1, 1), QStringLiteral("k"));
    EXPECT_EQ(convert.MidText(QStringLiteral("齿轮箱"), 2, 5), QStringLiteral("轮箱"));
    EXPECT_EQ(convert.MidText(QStringLiteral("abc"), 0, 2), QString());
    EXPECT_EQ(convert.MidText(QStringLiteral("abc"), 9, 2), QString());
}

TEST(BinaryStream, MovesWholeFilesAndRefusesToOverwriteWhenAsked)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("图纸.dwg"));
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 31);
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    zeva::host::MemoryBinaryStream stream;
    EXPECT_FALSE(stream.LoadFromFile(source));   // not open
    EXPECT_NE(stream.errorString(), QString());
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.LoadFromFile(source));
    EXPECT_EQ(stream.Read(), bytes);
    EXPECT_EQ(stream.Read(), QByteArray());   // the position is at the end now

    const QString target = dir.filePath(QStringLiteral("out.dwg"));
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.Write(bytes));
    ASSERT_TRUE(stream.SaveToFile(target, zeva::BinaryStream::CreateNotExist));
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.Write("other"));
    EXPECT_FALSE(stream.SaveToFile(target, zeva::BinaryStream::CreateNotExist));
    EXPECT_FALSE(stream.SaveToFile(dir.path(), zeva::BinaryStream::CreateOverwrite));   // a folder
    EXPECT_FALSE(stream.SaveToFile(dir.filePath(QStringLiteral("missing/x.dwg")), zeva::BinaryStream::CreateOverwrite));
    EXPECT_FALSE(stream.LoadFromFile(dir.filePath(QStringLiteral("missing.dwg"))));
    EXPECT_FALSE(stream.LoadFromFile(dir.path()));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), bytes);   // the refused saves left it alone
    written.close();
    ASSERT_TRUE(stream.SaveToFile(target, zeva::BinaryStream::CreateOverwrite));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("other"));
}

TEST(HostSystem, AnswersOptionsParametersAndRights)
{
    auto db = zeva::host::test::freshDatabase(Backend::Sqlite);
    ASSERT_TRUE(db);
    zeva::host::HostOptions options;
    options.userName = QStringLiteral("张伟");
    options.loginDate = QDate(2026, 12, 6);
    ASSERT_TRUE(options.setParameter(QStringLiteral("drawNO=1")));
    ASSERT_TRUE(options.setParameter(QStringLiteral("16=3-3")));
    ASSERT_TRUE(options.setParameter(QStringLiteral("4=2")));
    ASSERT_TRUE(options.setParameter(QStringLiteral("99=x=y")));
    EXPECT_FALSE(options.setParameter(QStringLiteral("novalue")));
    EXPECT_FALSE(options.setParameter(QStringLiteral("=1")));
    ASSERT_TRUE(options.setRights(QStringLiteral("ac")));
    EXPECT_FALSE(options.setRights(QStringLiteral("AD")));

    zeva::host::KitHostSystem system(db, options);
    EXPECT_EQ(system.Database(), system.Database());
    EXPECT_EQ(system.GetParameter(11, QStringLiteral("DRAWno")).Value, QStringLiteral("1"));
    EXPECT_EQ(system.GetParameter(11, QStringLiteral("preloadzeva")).Value, QString());
    EXPECT_EQ(system.GetParameter(12, 16).Value, QStringLiteral("3-3"));
    EXPECT_EQ(system.GetParameter(12, QStringLiteral("4")).Value, QStringLiteral("2"));
    EXPECT_EQ(system.GetParameter(12, 99).Value, QStringLiteral("x=y"));
    EXPECT_EQ(system.GetParameter(7, 16).Value, QString());
    const zeva::OperationRights rights = system.GetRights(1001);
    EXPECT_TRUE(rights.RightA);
    EXPECT_FALSE(rights.RightB);
    EXPECT_TRUE(rights.RightC);
    EXPECT_EQ(system.Login().UserName, QStringLiteral("张伟"));
    EXPECT_EQ(system.Login().LoginDate, QDate(2026, 12, 6));
    EXPECT_EQ(system.Login().SettingsKey, QStringLiteral("zeva"));

    system.RelayFieldEvent(QStringLiteral("kg"), 1, 2, 3, -1);
    system.RelayFieldLookup(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("千克"), 4, 5);
    EXPECT_EQ(system.relayed(), (QStringList{QStringLiteral("event\tkg\t1\t2\t3\t-1"),
                                             QStringLiteral("lookup\ta\tb\tc\t千克\t4\t5")}));

    ASSERT_TRUE(system.GetPreloadedForm(QStringLiteral("ZEVA")));
    EXPECT_FALSE(system.GetPreloadedForm(QStringLiteral("other")));
    zeva::ScriptedDesktopServices desktop;
    zeva::host::KitHostServices services(desktop);
    auto parameters = services.createNameValueCollection();
    parameters->Add(QStringLiteral("reset"), QStringLiteral("True"));
    system.GetPreloadedForm(QStringLiteral("zeva"))->SetParameters(parameters);
    ASSERT_EQ(system.preloadedForm()->received().size(), 1);
    EXPECT_EQ(system.preloadedForm()->received().first()->Item(QStringLiteral("RESET")).toString(), QStringLiteral("True"));

    // The services make working objects; the allocator is attached by its user.
    auto keys = services.createKeyAllocator();
    int key = 0;
    EXPECT_NE(keys->Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key), QString());
    ASSERT_TRUE(zeva::host::createSchema(*db));
    keys->Attach(system.Database());
    EXPECT_EQ(keys->Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key), QString());
    EXPECT_EQ(key, 1);
    EXPECT_EQ(services.createCodeRule()->LevelCount(QStringLiteral("010"), QStringLiteral("2-2-3")), 2);
    EXPECT_EQ(&services.desktop(), &desktop);
}
