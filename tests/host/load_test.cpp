// Two hosts saving, deleting and moving products at once on one PostgreSQL database.

#include "hosttestsupport.h"
#include "loadrun.h"
#include "sqlhostdatabase.h"

#include <gtest/gtest.h>

namespace {

using namespace zeva::host;

TEST(ManyUsers, TwoHostsAtOnceLeaveWhatTheyReportedAndReportEveryFailure)
{
    QString connection;
    auto db = test::demoDatabase(test::Backend::Postgres, &connection);
    ASSERT_TRUE(db);
    double seconds = 0;
    const auto outcomes = load::runHosts(test::binaryFolder() + QStringLiteral("/zeva-host"),
                                         {QStringLiteral("--pg"), connection}, 2, 9, 120000, &seconds);
    int saves = 0;
    for (const load::HostOutcome &o : outcomes) {
        EXPECT_EQ(o.unreported, 0) << "a failure no user was shown";
        EXPECT_EQ(o.errors, 0) << o.stderrText.toStdString();
        saves += o.saves;
    }
    EXPECT_EQ(saves, 18) << "both hosts saved everything";
    EXPECT_EQ(load::checkDatabase(*db, outcomes), QStringList());
    // The moves that were not deleted ended in the target category.
    EXPECT_EQ(load::scalarText(*db, QStringLiteral("SELECT count(*) FROM pdmzeva p JOIN pdmcplb c ON c.类别ID = p.产品类别ID "
                                                   "WHERE p.物品编码 LIKE 'L%' AND c.类别编码 = '0101002'")),
              QStringLiteral("6"));
}

} // namespace
