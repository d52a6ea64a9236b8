// zeva-host's command line: demo data, one statement as the form would run it, failures.
#include "hosttestsupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using zeva::host::test::Backend;

namespace {

struct HostRun {
    int status = -1;
    QString out;
    QString err;
};

HostRun zevaHost(const QStringList &arguments)
{
    QProcess process;
    process.start(zeva::host::test::binaryFolder() + QStringLiteral("/zeva-host"), arguments);
    HostRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class CommandLine : public ::testing::TestWithParam<Backend> {
protected:
    QStringList target()
    {
        if (GetParam() == Backend::Sqlite)
            return {QStringLiteral("--db"), folder.filePath(QStringLiteral("t.sqlite"))};
        QString where;
        keep = zeva::host::test::freshDatabase(Backend::Postgres, &where);
        EXPECT_TRUE(keep);
        return {QStringLiteral("--pg"), where};
    }
    QTemporaryDir folder;
    std::shared_ptr<zeva::host::SqlHostDatabase> keep;
};

} // namespace

TEST_P(CommandLine, RunsTheFormsStatementsOnTheDemoCatalogue)
{
    const QStringList db = target();
    const HostRun init = zevaHost(db + QStringList{QStringLiteral("--init-demo")});
    ASSERT_EQ(init.status, 0) << init.err.toStdString();
    const struct {
        QStringList arguments;
        int status;
        const char *outEnd;    // how the output ends (a failure's is empty)
        const char *errHas;    // what the error output holds
    } runs[] = {
        {{"--sql", "select top 1 物品编码 from pdmzeva order by 产品ID"}, 0, "物品编码\n0101001001\n", ""},
        // A statement that opens with a comment still answers rows; comments nest on both.
        {{"--sql", "/* c */ select top 1 物品编码 from pdmzeva order by 产品ID"}, 0, "物品编码\n0101001001\n", ""},
        {{"--sql", "select /* a /* b */ c */ 'x' as v"}, 0, "v\nx\n", ""},
        {{"--sql", "select 产品ID, 规格 from pdmzeva where 物品名称 like 'o''brien%'"}, 0, "\n301\t1/2\"-13UNC\n", ""},
        {{"--sql", "DELETE PDMZEVAB Where 产品ID < 10"}, 0, "(5 rows affected)\n", ""},
        {{"--sql", "select nosuch from pdmzeva"}, 1, "", "nosuch"},
        {{"--generate", "500", "--categories", "7", "--sql", "select count(*) from vtPDMZEVAX where 类别编码 like '01%'"}, 0,
         "\n500\n", ""},
    };
    for (const auto &r : runs) {
        const HostRun run = zevaHost(db + r.arguments);
        EXPECT_EQ(run.status, r.status) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(r.errHas))) << run.err.toStdString();
        // A failure prints nothing on the standard output.
        EXPECT_TRUE(r.status == 0 ? run.out.endsWith(QString::fromUtf8(r.outEnd)) : run.out.isEmpty())
            << r.arguments.join(u' ').toStdString() << ": " << run.out.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Host, CommandLine, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto &info) { return std::string(zeva::host::test::backendName(info.param)); });

TEST(CommandLineErrors, ReportBadDatabasesAndOptionsAndLeaveFilesAlone)
{
    QTemporaryDir folder;
    const QString junk = folder.filePath(QStringLiteral("junk.sqlite"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    const struct {
        QStringList arguments;
        int status;
        const char *says;
    } cases[] = {
        {{"--db", folder.filePath("no/such/t.sqlite"), "--sql", "select 1"}, 1, "folder does not exist"},
        {{"--db", folder.path(), "--sql", "select 1"}, 1, "not a file name"},
        {{"--db", junk, "--init-demo"}, 1, "file is not a database"},
        {{"--db", junk, "--pg", "host=/nowhere", "--sql", "select 1"}, 2, "exclude each other"},
        {{"--db", junk, "--generate", "many"}, 2, "--generate takes a number"},
        {{"--pg", "host=/nowhere dbname=x user=y", "--sql", "select 1"}, 1, "Cannot connect to"},
        {{"--pg", "host=/nowhere password='open", "--sql", "select 1"}, 1, "unterminated quote"},
    };
    for (const auto &c : cases) {
        const HostRun run = zevaHost(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(4096, 'x'));   // left as it was
}
