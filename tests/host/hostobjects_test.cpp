// The host's objects: key allocation (also from two processes at once), the code rule,
// the command line, conversions, the binary stream and the system object.
#include "hosttestsupport.h"

#include "kithostservices.h"
#include "kithostsystem.h"
#include "levelcoderule.h"
#include "hostbinarystream.h"
#include "namedcommandlineargs.h"
#include "picklist.h"
#include "schema.h"
#include "scripteddesktopservices.h"
#include "standardvalueconverter.h"
#include "tablekeyallocator.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using zeva::host::test::Backend;

namespace {

class KeysOnBothBackEnds : public ::testing::TestWithParam<Backend> {};

QString allocate(zeva::KeyAllocator &keys, const char *table, const char *column, int &key)
{
    return keys.Allocate(QString::fromUtf8(table), QString::fromUtf8(column), key);
}

} // namespace

TEST_P(KeysOnBothBackEnds, AllocatesAboveExistingRowsAndReportsBadNames)
{
    auto db = zeva::host::test::demoDatabase(GetParam());
    ASSERT_TRUE(db);
    zeva::host::TableKeyAllocator keys;
    int key = -5;
    EXPECT_NE(allocate(keys, "pdmzeva", "产品ID", key), QString());   // not attached
    keys.Attach(db);
    ASSERT_EQ(allocate(keys, "pdmzeva", "产品ID", key), QString());
    EXPECT_EQ(key, 302);   // the demo's products end at 301
    ASSERT_EQ(allocate(keys, "PDMZEVA", "产品id", key), QString());
    EXPECT_EQ(key, 303);
    // A row written with a higher key by someone else moves the next key past it.
    ASSERT_TRUE(db->Prepare(QStringLiteral("insert into pdmxsy (AutoID,代码,名称) values (900,'900','x')"), 1)->Execute());
    ASSERT_EQ(allocate(keys, "pdmxsy", "AutoID", key), QString());
    EXPECT_EQ(key, 901);

    key = -5;
    for (const auto &[table, column] : {std::pair{"nosuchtable", "id"}, {"pdmzeva", "nosuch"},
                                        {"pdmzeva; DROP TABLE pdmzeva", "产品ID"}, {"pdmzeva", "产品ID) FROM pdmzeva; --"}})
        EXPECT_NE(allocate(keys, table, column, key), QString()) << table << "." << column;
    EXPECT_EQ(key, -5);
    EXPECT_EQ(db->Prepare(QStringLiteral("select count(*) from pdmzeva"), 1)->GetValue().toInteger(), 301);

    // Inside the caller's transaction the key goes with it, and a refused allocation does
    // not spoil the caller's work.
    ASSERT_TRUE(db->BeginTrans());
    ASSERT_TRUE(db->Prepare(QStringLiteral("delete from pdmxsy where AutoID=900"), 1)->Execute());
    ASSERT_EQ(allocate(keys, "pdmzeva", "产品ID", key), QString());
    EXPECT_EQ(key, 304);
    if (GetParam() == Backend::Postgres) {   // there is no MAX of bytes
        EXPECT_NE(allocate(keys, "PDMZEVADraw", "fileImage", key), QString());
    }
    ASSERT_TRUE(db->CommitTrans()) << db->LastError().Description().toStdString();
    EXPECT_EQ(db->Prepare(QStringLiteral("select count(*) from pdmxsy where AutoID=900"), 1)->GetValue().toInteger(), 0);
    ASSERT_EQ(allocate(keys, "pdmzeva", "产品ID", key), QString());
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
        int previous = 301;
        for (const QByteArray &line : p->readAllStandardOutput().split('\n')) {
            if (line.isEmpty())
                continue;
            const int key = line.toInt();
            EXPECT_GT(key, previous);   // above the demo's keys, and rising in each process
            EXPECT_FALSE(seen.contains(key)) << key;
            seen.insert(key);
            previous = key;
        }
    }
    EXPECT_EQ(seen.size(), 4000);
}

INSTANTIATE_TEST_SUITE_P(Host, KeysOnBothBackEnds, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto &info) { return std::string(zeva::host::test::backendName(info.param)); });

TEST(CodeRule, CountsLevelsAndFindsParentsOfShortLongAndPartialCodes)
{
    zeva::host::LevelCodeRule rule;
    const struct {
        const char *code;
        const char *rule;
        int levels;
        const char *parent;
    } cases[] = {
        {"", "2-2-3", 0, ""},          {"0", "2-2-3", 1, ""},           {"01", "2-2-3", 1, ""},
        {"010", "2-2-3", 2, "01"},     {"0101", "2-2-3", 2, "01"},      {"01010", "2-2-3", 3, "0101"},
        {"0101001", "2-2-3", 3, "0101"}, {"01010019", "2-2-3", 4, "0101001"},   // past the rule: one more level
        {"0101", "", 1, ""},           {"0101", "x-?", 1, ""},          {"0101001", "", 1, ""},
    };
    for (const auto &c : cases) {
        const QString code = QString::fromUtf8(c.code);
        const QString r = QString::fromUtf8(c.rule);
        EXPECT_EQ(rule.LevelCount(code, r), c.levels) << c.code << " under " << c.rule;
        EXPECT_EQ(rule.ParentCode(code, r), QString::fromUtf8(c.parent)) << c.code << " under " << c.rule;
    }
    const struct {
        int level;
        const char *rule;
        int length;
    } lengths[] = {{1, "2-2-3", 2}, {3, "2-2-3", 7}, {0, "2-2-3", 0}, {4, "2-2-3", 0}, {1, "", 0}, {2, "3- 2", 5}};
    for (const auto &l : lengths)
        EXPECT_EQ(rule.LevelLength(l.level, QString::fromUtf8(l.rule)), l.length) << l.level << " of " << l.rule;
}

TEST(CommandLineArgs, ReadsNamedValuesQuotedOrNotAndKeepsWhatCameBeforeAFault)
{
    const auto item = [](const zeva::CommandLineArgs &args, const char *name) {
        QString text = QStringLiteral("<none>");
        args.Item(QString::fromUtf8(name), text);
        return text;
    };
    zeva::host::NamedCommandLineArgs args;
    EXPECT_TRUE(args.Parse(QStringLiteral("  k=01,02 t=\"a b\"  empty= q=\"say \"\"hi\"\"\" K=03")));
    EXPECT_EQ(item(args, "k"), QStringLiteral("03"));   // a later pair replaces an earlier one
    EXPECT_EQ(item(args, "t"), QStringLiteral("a b"));
    EXPECT_EQ(item(args, "empty"), QString());
    EXPECT_EQ(item(args, "q"), QStringLiteral("say \"hi\""));
    EXPECT_EQ(item(args, "missing"), QStringLiteral("<none>"));

    zeva::host::NamedCommandLineArgs broken;
    EXPECT_FALSE(broken.Parse(QStringLiteral("k=01 lonely t=x")));
    EXPECT_EQ(item(broken, "k"), QStringLiteral("01"));
    EXPECT_EQ(item(broken, "t"), QStringLiteral("<none>"));
    for (const char *bad : {"t=\"open", "=x", "t=\"a\"b"})
        EXPECT_FALSE(zeva::host::NamedCommandLineArgs().Parse(QString::fromUtf8(bad))) << bad;
}

TEST(ValueConverter, TakesLeadingNumbersAndPartsOfText)
{
    zeva::host::StandardValueConverter convert;
    EXPECT_EQ(convert.ToLong(QStringLiteral(" 12.5abc")), 13);
    EXPECT_EQ(convert.ToLong(QStringLiteral("-2.5")), -3);
    EXPECT_EQ(convert.ToLong(QStringLiteral("1e12")), 0);   // beyond a whole number
    EXPECT_EQ(convert.MidText(QStringLiteral("齿轮箱"), 2, 5), QStringLiteral("轮箱"));
    EXPECT_EQ(convert.MidText(QStringLiteral("abc"), 0, 2), QString());
}

TEST(BinaryStream, MovesWholeFilesAndRefusesToOverwriteWhenAsked)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("图纸.dwg"));
    const QByteArray bytes = QByteArray(300000, '\xff') + QByteArray(3, '\0') + "end";
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    zeva::host::HostBinaryStream stream;
    EXPECT_FALSE(stream.LoadFromFile(source));   // not open
    EXPECT_NE(stream.errorString(), QString());
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.LoadFromFile(source));
    EXPECT_EQ(stream.Read().toBytes(), bytes);
    EXPECT_EQ(stream.Read().toBytes(), QByteArray());   // the position is at the end now

    const QString target = dir.filePath(QStringLiteral("out.dwg"));
    ASSERT_TRUE(stream.SaveToFile(target, zeva::BinaryStream::CreateNotExist));
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.Write(QByteArray("other")));
    EXPECT_FALSE(stream.SaveToFile(target, zeva::BinaryStream::CreateNotExist));
    EXPECT_FALSE(stream.SaveToFile(dir.path(), zeva::BinaryStream::CreateOverwrite));   // a folder
    EXPECT_FALSE(stream.SaveToFile(dir.filePath(QStringLiteral("missing/x.dwg")), zeva::BinaryStream::CreateOverwrite));
    EXPECT_FALSE(stream.LoadFromFile(dir.path()));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), bytes);   // the refused saves left it alone
    written.close();
    ASSERT_TRUE(stream.SaveToFile(target, zeva::BinaryStream::CreateOverwrite));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("other"));
}

TEST(HostSystem, AnswersParametersAndRightsOfItsOptionsAndMakesWorkingObjects)
{
    auto db = zeva::host::test::freshDatabase(Backend::Sqlite);
    ASSERT_TRUE(db);
    zeva::host::HostOptions options;
    for (const char *parameter : {"drawNO=1", "16=3-3", "4=2", "99=x=y"})
        ASSERT_TRUE(options.setParameter(QString::fromUtf8(parameter))) << parameter;
    EXPECT_FALSE(options.setParameter(QStringLiteral("novalue")));
    EXPECT_FALSE(options.setParameter(QStringLiteral("=1")));
    ASSERT_TRUE(options.setRights(QStringLiteral("ac")));
    EXPECT_FALSE(options.setRights(QStringLiteral("AD")));

    zeva::host::KitHostSystem system(db, options);
    EXPECT_EQ(system.Database(), system.Database());   // the session's one connection
    EXPECT_EQ(system.GetParameter(11, QStringLiteral("DRAWno")).Value, QStringLiteral("1"));
    EXPECT_EQ(system.GetParameter(12, 16).Value, QStringLiteral("3-3"));
    EXPECT_EQ(system.GetParameter(12, QStringLiteral("4")).Value, QStringLiteral("2"));
    EXPECT_EQ(system.GetParameter(12, 99).Value, QStringLiteral("x=y"));
    EXPECT_EQ(system.GetParameter(7, 16).Value, QString());
    const zeva::OperationRights rights = system.GetRights(1001);
    EXPECT_EQ(std::tuple(rights.RightA, rights.RightB, rights.RightC), std::tuple(true, false, true));
    EXPECT_FALSE(system.GetPreloadedForm(QStringLiteral("other")));
    ASSERT_TRUE(system.GetPreloadedForm(QStringLiteral("ZEVA")));

    // The services' allocator works once its user attaches it to the system's database.
    zeva::ScriptedDesktopServices desktop;
    zeva::host::KitHostServices services(desktop);
    auto keys = services.createKeyAllocator();
    ASSERT_TRUE(zeva::host::createSchema(*db));
    keys->Attach(system.Database());
    int key = 0;
    EXPECT_EQ(allocate(*keys, "pdmzeva", "产品ID", key), QString());
    EXPECT_EQ(key, 1);
}

namespace zeva::host::test {
namespace {

// Each list holds only what its field's query accepts, in code order, filtered without
// regard to case and with the filter's quotes as text, on both back ends.
TEST(PickLists, ListWhatTheirFieldAcceptsFilteredByCodeOrName)
{
    for (const Backend backend : {Backend::Sqlite, Backend::Postgres}) {
        auto db = demoDatabase(backend);
        ASSERT_TRUE(db);
        const auto codes = [&db](const char *helpCode, const QString &filter) {
            QStringList shown;
            for (const PickRow &row : pickRows(*db, QString::fromLatin1(helpCode), filter))
                shown << row.code;
            EXPECT_EQ(db->LastError().Description(), QString()) << helpCode;
            return shown;
        };
        EXPECT_EQ(codes("hp_provide", {}),
                  (QStringList{"G0101", "G0102", "G0103", "G0104", "G0106", "G0107"}));   // no group, disabled, customer
        EXPECT_EQ(codes("hp_provide", QStringLiteral("o'b")), QStringList{"G0107"});
        EXPECT_EQ(codes("hp_provide", QStringLiteral("钢材")), QStringList{"G0101"});
        EXPECT_EQ(codes("zeva_cg", {}), (QStringList{"ht", "xk", "yj"}));   // only the catalogue's set
        EXPECT_EQ(codes("zeva_lx", QStringLiteral("K")), QStringList{"kg"});
        EXPECT_EQ(codes("gy_srlxname", {}), (QStringList{"旧装配路线", "标准机加路线", "标准装配路线"}));
        EXPECT_EQ(codes("hp_ywy", QStringLiteral("x'; DELETE FROM pdmxsy; --")), QStringList());
        EXPECT_EQ(codes("hp_ywy", {}).size(), 4);
        EXPECT_FALSE(hasPickList(QStringLiteral("unknown")));
    }
}

} // namespace
} // namespace zeva::host::test
