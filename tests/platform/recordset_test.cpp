#include "memorydatabase.h"
#include "namevaluecollection.h"
#include "recordsetcontract.h"

#include <gtest/gtest.h>

using namespace zeva;
using zeva::testing::MemoryDatabase;

namespace {

struct MemoryBackend {
    static std::shared_ptr<HostDatabase> make()
    {
        MemoryDatabase::Table table;
        table.name = QStringLiteral("contract_fixture");
        table.columns = QStringList{"id", "名称", "price", "qty", "data", "made", "note"};
        table.rows = {
            {HostValue(1), HostValue("alpha"), HostValue(12.5), HostValue(3), HostValue(QByteArray("\x00\x01", 2)),
             HostValue(QDate(2026, 1, 2)), HostValue()},
            {HostValue(2), HostValue("Beta"), HostValue(0.0), HostValue(0), HostValue(), HostValue(), HostValue("b")},
            {HostValue(3), HostValue("齿轮"), HostValue(1.25), HostValue(7), HostValue(), HostValue(), HostValue()},
        };
        return std::make_shared<MemoryDatabase>(table);
    }
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RecordsetContract, ::testing::Types<MemoryBackend>);

namespace {

class Recordset : public ::testing::Test {
protected:
    std::shared_ptr<HostDatabase> db = MemoryBackend::make();
    std::unique_ptr<HostRecordset> open(const char *sql) { return db->Prepare(QString::fromUtf8(sql))->OpenRecordset(); }
};

TEST_F(Recordset, MovingOnStoresPendingEdits)
{
    auto rs = open("SELECT * From contract_fixture ORDER BY id");
    rs->Fields(QStringLiteral("note")) = QStringLiteral("moved");
    EXPECT_TRUE(rs->isEditing());
    rs->MoveNext();
    EXPECT_FALSE(rs->isEditing());
    EXPECT_EQ(db->Prepare(QStringLiteral("SELECT note From contract_fixture WHERE id=1"))->GetValue().toText(),
              QStringLiteral("moved"));
}

TEST_F(Recordset, CancelAndCloseDropEdits)
{
    auto rs = open("SELECT * From contract_fixture WHERE id=1");
    rs->Fields(QStringLiteral("名称")) = QStringLiteral("dropped");
    EXPECT_EQ(rs->Fields(QStringLiteral("名称")).Value().toText(), QStringLiteral("dropped"));
    rs->CancelUpdate();
    EXPECT_EQ(rs->Fields(QStringLiteral("名称")).Value().toText(), QStringLiteral("alpha"));
    ASSERT_TRUE(rs->AddNew());
    rs->Fields(QStringLiteral("id")) = 5;
    rs->Close();
    EXPECT_FALSE(rs->isOpen());
    EXPECT_TRUE(rs->Fields(QStringLiteral("id")).Value().isNull());
    EXPECT_NE(db->LastError().Description(), QString());
    EXPECT_EQ(db->Prepare(QStringLiteral("SELECT Count(*) From contract_fixture"))->GetValue().toInteger(), 3);
}

TEST_F(Recordset, ReadingPastTheEndIsAnErrorNotACrash)
{
    auto rs = open("SELECT * From contract_fixture WHERE id=1");
    rs->MoveNext();
    ASSERT_TRUE(rs->IsEOF());
    EXPECT_TRUE(rs->Fields(QStringLiteral("id")).Value().isNull());
    EXPECT_NE(db->LastError().Description(), QString());
    rs->Fields(QStringLiteral("id")) = 9;   // nothing to write into
    EXPECT_FALSE(rs->isEditing());
}

TEST_F(Recordset, ResultsOfSeveralColumnsOrCountsCannotTakeRows)
{
    auto rs = open("SELECT id, 名称 From contract_fixture");
    EXPECT_FALSE(rs->isUpdatable());
    EXPECT_FALSE(rs->AddNew());
    EXPECT_NE(db->LastError().Description(), QString());
    rs->Fields(QStringLiteral("名称")) = QStringLiteral("x");
    EXPECT_FALSE(rs->isEditing());
}

TEST(StaticRecordsetTest, EmptyResultIsSafeToUse)
{
    QString error;
    auto rs = StaticRecordset::empty([&](const HostError &e) { error = e.Description(); });
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_TRUE(rs->IsBOF());
    EXPECT_EQ(rs->RecordCount(), 0);
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields(QStringLiteral("any")).Value().isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(rs->AddNew());
}

TEST(NameValues, NamesCompareWithoutCase)
{
    NameValueCollection c;
    c.Add(QStringLiteral("BackColor"), 255);
    c.Add(QStringLiteral("reset"), QStringLiteral("True"));
    c.Add(QStringLiteral("backcolor"), 16);
    EXPECT_EQ(c.Count(), 2);
    EXPECT_TRUE(c.Exists(QStringLiteral("BACKCOLOR")));
    EXPECT_EQ(c.Item(QStringLiteral("backcolor")).toInt(), 16);
    EXPECT_FALSE(c.Item(QStringLiteral("missing")).isValid());
}

} // namespace
