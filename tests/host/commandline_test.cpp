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
    HostRun init = zevaHost(db + QStringList{QStringLiteral("--init-demo")});
    ASSERT_EQ(init.status, 0) << init.err.toStdString();

    HostRun first = zevaHost(db + QStringList{QStringLiteral("--sql"), QStringLiteral("select top 1 物品编码 from pdmzeva order by 产品ID")});
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, QStringLiteral("物品编码\n0101001001\n"));

    HostRun escaped = zevaHost(db + QStringList{QStringLiteral("--sql"),
                                            QStringLiteral("select 产品ID, 规格 from pdmzeva where 物品名称 like 'o''brien%'")});
    EXPECT_EQ(escaped.status, 0) << escaped.err.toStdString();
    EXPECT_EQ(escaped.out.section(u'\n', 1), QStringLiteral("301\t1/2\"-13UNC\n"));

    HostRun changed = zevaHost(db + QStringList{QStringLiteral("--sql"), QStringLiteral("DELETE PDMZEVAB Where 产品ID < 10")});
    EXPECT_EQ(changed.status, 0) << changed.err.toStdString();
    EXPECT_EQ(changed.out, QStringLiteral("(5 rows affected)\n"));

    HostRun failed = zevaHost(db + QStringList{QStringLiteral("--sql"), QStringLiteral("select nosuch from pdmzeva")});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, QString());
    EXPECT_TRUE(failed.err.contains(QStringLiteral("nosuch"))) << failed.err.toStdString();

    HostRun generated = zevaHost(db + QStringList{QStringLiteral("--generate"), QStringLiteral("500"), QStringLiteral("--categories"),
                                              QStringLiteral("7"), QStringLiteral("--sql"),
                                              QStringLiteral("select count(*) from vtPDMZEVAX where 类别编码 like '01%'")});
    EXPECT_EQ(generated.status, 0) << generated.err.toStdString();
    EXPECT_TRUE(generated.out.endsWith(QStringLiteral("\n500\n"))) << generated.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Host, CommandLine, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto &info) { return std::string(zeva::host::test::backendName(info.param)); });

TEST(CommandLineErrors, ReportBadDatabasesAndOptions)
{
    QTemporaryDir folder;
    HostRun missing = zevaHost({QStringLiteral("--db"), folder.filePath(QStringLiteral("no/such/t.sqlite")), QStringLiteral("--sql"),
                            QStringLiteral("select 1")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("folder does not exist"))) << missing.err.toStdString();

    HostRun folderAsFile = zevaHost({QStringLiteral("--db"), folder.path(), QStringLiteral("--sql"), QStringLiteral("select 1")});
    EXPECT_EQ(folderAsFile.status, 1);

    const QString junk = folder.filePath(QStringLiteral("junk.sqlite"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    HostRun notADatabase = zevaHost({QStringLiteral("--db"), junk, QStringLiteral("--init-demo")});
    EXPECT_EQ(notADatabase.status, 1);
    EXPECT_NE(notADatabase.err, QString());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(4096, 'x'));   // left as it was

    HostRun both = zevaHost({QStringLiteral("--db"), junk, QStringLiteral("--pg"), QStringLiteral("host=/nowhere"),
                             QStringLiteral("--sql"), QStringLiteral("select 1")});
    EXPECT_EQ(both.status, 2);
    HostRun badCount = zevaHost({QStringLiteral("--db"), junk, QStringLiteral("--generate"), QStringLiteral("many")});
    EXPECT_EQ(badCount.status, 2);
    HostRun noServer = zevaHost({QStringLiteral("--pg"), QStringLiteral("host=/nowhere dbname=x user=y"), QStringLiteral("--sql"),
                             QStringLiteral("select 1")});
    EXPECT_EQ(noServer.status, 1);
    EXPECT_NE(noServer.err, QString());
}
