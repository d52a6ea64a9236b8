#pragma once
// The contract every host database back end keeps, as one typed GoogleTest suite. A back
// end instantiates it with a type that has
//
//   static std::shared_ptr<zeva::HostDatabase> make();
//
// answering a fresh database whose table contract_fixture (made with the back end's own
// DDL; text compares without case) holds exactly these rows:
//
//   id INTEGER PRIMARY KEY | 名称 text   | price decimal | qty integer | data bytes | made date   | note text
//   1                      | 'alpha'    | 12.5          | 3           | 00 01      | 2026-01-02  | NULL
//   2                      | 'Beta'     | 0             | 0           | NULL       | NULL        | 'b'
//   3                      | '齿轮'      | 1.25          | 7           | NULL       | NULL        | NULL
//
// and then:  INSTANTIATE_TYPED_TEST_SUITE_P(Name, RecordsetContract, ::testing::Types<Backend>);
//
// Statements are written in the form's dialect (SQL Server), as the control issues them.

#include "hostdatabase.h"

#include <gtest/gtest.h>

#include <memory>

namespace zeva::contract {

inline HostValue scalar(HostDatabase &db, const QString &sql)
{
    return db.Prepare(sql, 1)->GetValue();
}

inline QString lastError(HostDatabase &db)
{
    return db.LastError().Description();
}

} // namespace zeva::contract

template <class Backend>
class RecordsetContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = Backend::make();
        ASSERT_TRUE(db);
    }
    std::unique_ptr<zeva::HostRecordset> open(const QString &sql) { return db->Prepare(sql, 1)->OpenRecordset(); }
    std::shared_ptr<zeva::HostDatabase> db;
};

TYPED_TEST_SUITE_P(RecordsetContract);

TYPED_TEST_P(RecordsetContract, WalksRowsInOrderWithExactCount)
{
    auto rs = this->open(QStringLiteral("SELECT * From contract_fixture ORDER BY id"));
    EXPECT_EQ(zeva::contract::lastError(*this->db), QString());
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_FALSE(rs->IsEOF());
    EXPECT_FALSE(rs->IsBOF());
    QStringList names;
    while (!rs->IsEOF()) {
        names << rs->Fields(QStringLiteral("名称")).Value().toText();
        rs->MoveNext();
    }
    EXPECT_EQ(names, (QStringList{"alpha", "Beta", "齿轮"}));
    rs->MoveNext();   // past the end stays at the end
    EXPECT_TRUE(rs->IsEOF());
    rs->Close();
}

TYPED_TEST_P(RecordsetContract, ReadsEveryKindAndNull)
{
    auto rs = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=1"));
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Fields(QStringLiteral("id")).Value().toInteger(), 1);
    EXPECT_EQ(rs->Fields(QStringLiteral("price")).Value().toText(), QStringLiteral("12.5"));
    EXPECT_EQ(rs->Fields(QStringLiteral("qty")).Value().toText(), QStringLiteral("3"));
    EXPECT_EQ(rs->Fields(QStringLiteral("data")).Value().toBytes(), QByteArray("\x00\x01", 2));
    EXPECT_EQ(rs->Fields(QStringLiteral("made")).Value().toDate(), QDate(2026, 1, 2));
    const zeva::HostValue note = rs->Fields(QStringLiteral("note")).Value();
    EXPECT_TRUE(note.isNull());
    EXPECT_EQ(note.toText(), QString());
    EXPECT_EQ(zeva::contract::lastError(*this->db), QString());
}

TYPED_TEST_P(RecordsetContract, MatchesColumnNamesWithoutCase)
{
    auto rs = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=2"));
    EXPECT_EQ(rs->Fields(QStringLiteral("NOTE")).Value().toText(), QStringLiteral("b"));
    EXPECT_EQ(rs->Fields(QStringLiteral("Id")).Value().toInteger(), 2);
    EXPECT_TRUE(rs->Fields(QStringLiteral("Price")).exists());
}

TYPED_TEST_P(RecordsetContract, EmptyResultIsBothEofAndBof)
{
    auto rs = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=99"));
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_TRUE(rs->IsBOF());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(zeva::contract::scalar(*this->db, QStringLiteral("SELECT 名称 From contract_fixture WHERE id=99")).isNull());
    EXPECT_EQ(zeva::contract::lastError(*this->db), QString());
}

TYPED_TEST_P(RecordsetContract, TextComparesWithoutCase)
{
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT id From contract_fixture WHERE 名称='ALPHA'")).toInteger(), 1);
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT Count(*) From contract_fixture WHERE 名称='beta'")).toInteger(), 1);
}

TYPED_TEST_P(RecordsetContract, InsertsThroughAddNewOnAnEmptyResult)
{
    auto rs = this->open(QStringLiteral("SELECT TOP 0 * From contract_fixture"));
    EXPECT_TRUE(rs->IsEOF() && rs->IsBOF());
    EXPECT_GE(rs->fieldCount(), 7);
    ASSERT_TRUE(rs->AddNew());
    QByteArray bytes(70000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    rs->Fields(QStringLiteral("id")) = 10;
    rs->Fields(QStringLiteral("名称")) = QStringLiteral("O'Brien; -- 图纸");
    rs->Fields(QStringLiteral("PRICE")) = 99.75;
    rs->Fields(QStringLiteral("qty")) = 4;
    rs->Fields(QStringLiteral("data")) = bytes;
    rs->Fields(QStringLiteral("made")) = QDate(2026, 12, 6);
    EXPECT_TRUE(rs->Update()) << zeva::contract::lastError(*this->db).toStdString();
    EXPECT_EQ(zeva::contract::lastError(*this->db), QString());
    EXPECT_EQ(rs->RecordCount(), 1);
    rs->Close();

    auto back = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=10"));
    ASSERT_EQ(back->RecordCount(), 1);
    EXPECT_EQ(back->Fields(QStringLiteral("名称")).Value().toText(), QStringLiteral("O'Brien; -- 图纸"));
    EXPECT_EQ(back->Fields(QStringLiteral("price")).Value().toText(), QStringLiteral("99.75"));
    EXPECT_EQ(back->Fields(QStringLiteral("data")).Value().toBytes(), bytes);
    EXPECT_EQ(back->Fields(QStringLiteral("made")).Value().toDate(), QDate(2026, 12, 6));
    EXPECT_TRUE(back->Fields(QStringLiteral("note")).Value().isNull());
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT Count(*) From contract_fixture")).toInteger(), 4);
}

TYPED_TEST_P(RecordsetContract, UpdatesTheCurrentRowByItsKey)
{
    {
        auto rs = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=2"));
        rs->Fields(QStringLiteral("note")) = QStringLiteral("changed 'here'");
        rs->Fields(QStringLiteral("data")) = QByteArray("\xff\x00\xfe", 3);
        EXPECT_TRUE(rs->Update()) << zeva::contract::lastError(*this->db).toStdString();
    }
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT note From contract_fixture WHERE id=2")).toText(),
              QStringLiteral("changed 'here'"));
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT data From contract_fixture WHERE id=2")).toBytes(),
              QByteArray("\xff\x00\xfe", 3));
    // No other row moved.
    EXPECT_TRUE(zeva::contract::scalar(*this->db, QStringLiteral("SELECT note From contract_fixture WHERE id=1")).isNull());
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT 名称 From contract_fixture WHERE id=3")).toText(),
              QStringLiteral("齿轮"));
}

TYPED_TEST_P(RecordsetContract, ExecuteCountsRowsAffected)
{
    qint64 rows = -1;
    EXPECT_TRUE(this->db->Prepare(QStringLiteral("UPDATE contract_fixture SET qty=qty+1 WHERE id<3"), 1)->Execute(&rows));
    EXPECT_EQ(rows, 2);
    EXPECT_TRUE(this->db->Prepare(QStringLiteral("DELETE contract_fixture WHERE id=3"), 1)->Execute(&rows));
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(this->db->Prepare(QStringLiteral("DELETE contract_fixture WHERE id=3"), 1)->Execute(&rows));
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT qty From contract_fixture WHERE id=1")).toInteger(), 4);
}

TYPED_TEST_P(RecordsetContract, FailuresSetAndSuccessClearsTheLastError)
{
    auto rs = this->open(QStringLiteral("SELECT nosuchcolumn From contract_fixture"));
    EXPECT_NE(zeva::contract::lastError(*this->db), QString());
    // A failed result is an empty one that can still be walked and asked for fields.
    EXPECT_TRUE(rs->IsEOF() && rs->IsBOF());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->Fields(QStringLiteral("nosuchcolumn")).Value().isNull());
    EXPECT_FALSE(this->db->Prepare(QStringLiteral("UPDATE nosuchtable SET x=1"), 1)->Execute());
    EXPECT_NE(zeva::contract::lastError(*this->db), QString());
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT Count(*) From contract_fixture")).toInteger(), 3);
    EXPECT_EQ(zeva::contract::lastError(*this->db), QString());
    // An empty statement is a failure of its own.
    EXPECT_TRUE(this->db->Prepare(QStringLiteral(""), 1)->GetValue().isNull());
    EXPECT_NE(zeva::contract::lastError(*this->db), QString());
}

TYPED_TEST_P(RecordsetContract, UnknownColumnIsAnErrorNotACrash)
{
    auto rs = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=1"));
    EXPECT_FALSE(rs->Fields(QStringLiteral("nosuch")).exists());
    EXPECT_TRUE(rs->Fields(QStringLiteral("nosuch")).Value().isNull());
    EXPECT_NE(zeva::contract::lastError(*this->db), QString());
}

TYPED_TEST_P(RecordsetContract, RollbackUndoesAndCommitKeeps)
{
    ASSERT_TRUE(this->db->BeginTrans());
    EXPECT_TRUE(this->db->Prepare(QStringLiteral("DELETE contract_fixture WHERE id=1"), 1)->Execute());
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT Count(*) From contract_fixture")).toInteger(), 2);
    ASSERT_TRUE(this->db->RollbackTrans());
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT Count(*) From contract_fixture")).toInteger(), 3);

    ASSERT_TRUE(this->db->BeginTrans());
    auto rs = this->open(QStringLiteral("SELECT TOP 0 * From contract_fixture"));
    ASSERT_TRUE(rs->AddNew());
    rs->Fields(QStringLiteral("id")) = 20;
    rs->Fields(QStringLiteral("名称")) = QStringLiteral("kept");
    EXPECT_TRUE(rs->Update());
    ASSERT_TRUE(this->db->CommitTrans());
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT 名称 From contract_fixture WHERE id=20")).toText(),
              QStringLiteral("kept"));

    EXPECT_FALSE(this->db->CommitTrans());   // no transaction is open
    EXPECT_NE(zeva::contract::lastError(*this->db), QString());
}

TYPED_TEST_P(RecordsetContract, FailedUpdateKeepsStoredRows)
{
    auto rs = this->open(QStringLiteral("SELECT TOP 0 * From contract_fixture"));
    ASSERT_TRUE(rs->AddNew());
    rs->Fields(QStringLiteral("id")) = 1;   // the key is taken
    rs->Fields(QStringLiteral("名称")) = QStringLiteral("duplicate");
    EXPECT_FALSE(rs->Update());
    EXPECT_NE(zeva::contract::lastError(*this->db), QString());
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT 名称 From contract_fixture WHERE id=1")).toText(),
              QStringLiteral("alpha"));
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT Count(*) From contract_fixture")).toInteger(), 3);
}

TYPED_TEST_P(RecordsetContract, EmptyTextStaysEmptyNotNull)
{
    {
        auto rs = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=2"));
        rs->Fields(QStringLiteral("note")) = QString();   // an empty box's text
        rs->Fields(QStringLiteral("data")) = QByteArray();
        EXPECT_TRUE(rs->Update()) << zeva::contract::lastError(*this->db).toStdString();
    }
    EXPECT_EQ(zeva::contract::scalar(*this->db, QStringLiteral("SELECT Count(*) From contract_fixture WHERE note=''")).toInteger(), 1);
    auto back = this->open(QStringLiteral("SELECT * From contract_fixture WHERE id=2"));
    EXPECT_FALSE(back->Fields(QStringLiteral("note")).Value().isNull());
    // A no-op Update is a successful call: it clears an earlier failure.
    this->db->Prepare(QStringLiteral("SELECT nosuch From contract_fixture"), 1)->GetValue();
    ASSERT_NE(zeva::contract::lastError(*this->db), QString());
    EXPECT_TRUE(back->Update());
    EXPECT_EQ(zeva::contract::lastError(*this->db), QString());
}

REGISTER_TYPED_TEST_SUITE_P(RecordsetContract,
                            WalksRowsInOrderWithExactCount, ReadsEveryKindAndNull, MatchesColumnNamesWithoutCase,
                            EmptyResultIsBothEofAndBof, TextComparesWithoutCase, InsertsThroughAddNewOnAnEmptyResult,
                            UpdatesTheCurrentRowByItsKey, ExecuteCountsRowsAffected,
                            FailuresSetAndSuccessClearsTheLastError, UnknownColumnIsAnErrorNotACrash,
                            RollbackUndoesAndCommitKeeps, FailedUpdateKeepsStoredRows, EmptyTextStaysEmptyNotNull);
