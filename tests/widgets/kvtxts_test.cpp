// The coded text box resolving typed entries against the demo catalogue's lookup tables on
// SQLite: codes and names, blanks, entries that match nothing, quotes that must not change
// the statement, rejected suppliers and a failing statement. The form's tests follow the
// events to the host.
#include "hosttestsupport.h"
#include "kvtxts.h"
#include "scripteddesktopservices.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace zeva::test {
namespace {

using host::test::Backend;

const QString kUnitQuery = QStringLiteral("Select 单位ID,代码,名称 From PDMjldw  where 代码 = '@' or 名称 = '@'");
const QString kSupplierQuery = QStringLiteral(
    "select * from vtpdmwldw where (公司编号='@' or 助忆词='@' or 公司名称='@') and 属性=1 AND 是否明细=1 and 是否停用=0");
const QString kUnitError = QStringLiteral("计量单位输入有误，请重新输入！");
const QString kSupplierError = QStringLiteral("主供应商输入有误，请重新输入！");

class LookupBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = host::test::demoDatabase(Backend::Sqlite);
        ASSERT_TRUE(db);
        desktop.setUnansweredHandler(
            [](const ScriptedDesktopServices::Record &r) { ADD_FAILURE() << "unanswered: " << r.text.toStdString(); });
        box->setObjectName(QStringLiteral("kvT(22)"));
        box->setLookupServices([this] { return std::shared_ptr<HostDatabase>(db); }, &desktop);
        define(kUnitQuery, QStringLiteral("单位ID"), QStringLiteral("名称"), kUnitError);
    }

    void define(const QString &query, const QString &code, const QString &name, const QString &message)
    {
        box->setJudgeFlag(-1);
        box->setErrorMessage(message);
        box->setTextFieldCode(code);
        box->setTextFieldName(name);
        box->setJudgeBase(query);
    }

    // A user's entry: the old text selected and typed over, a key event a character as an
    // input method delivers Chinese, then Enter.
    void type(const QString &entry)
    {
        box->editor()->selectAll();
        QTest::keyClick(box->editor(), Qt::Key_Delete);
        for (const QChar ch : entry) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(box->editor(), &press);
        }
        QTest::keyClick(box->editor(), Qt::Key_Return);
    }

    QString scalar(const QString &sql)
    {
        return db->Prepare(sql)->GetValue().toText();
    }

    std::shared_ptr<host::SqlHostDatabase> db;
    ScriptedDesktopServices desktop;
    QWidget window;
    kvTxt_S *box = new kvTxt_S(&window);
};

struct Entry {
    const char *typed;
    const char *key;
    const char *shown;
};

class UnitEntryTest : public LookupBoxTest, public ::testing::WithParamInterface<Entry> {};

TEST_P(UnitEntryTest, ResolvesToTheUnitsKey)
{
    box->setKeyValue(5);
    type(QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(box->keyValue(), QString::fromUtf8(GetParam().key));
    EXPECT_EQ(box->text(), QString::fromUtf8(GetParam().shown));
    EXPECT_TRUE(box->IsValid());
    EXPECT_TRUE(desktop.records().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Units, UnitEntryTest,
                         ::testing::Values(Entry{"kg", "3", "千克"}, Entry{"千克", "3", "千克"},
                                           Entry{"KG", "3", "千克"},      // text compares without case
                                           Entry{"  kg  ", "3", "千克"},  // surrounding blanks trimmed
                                           Entry{"   ", "0", ""}));       // an empty optional field

TEST_F(LookupBoxTest, NoMatchShowsTheMessageAndLeavesTheBoxInvalidUntilAValidEntry)
{
    box->setKeyValue(1);
    desktop.answerButton(DesktopServices::Ok);
    type(QStringLiteral("公斤"));
    ASSERT_EQ(desktop.records().size(), 1);
    const ScriptedDesktopServices::Record &shown = desktop.records().first();
    EXPECT_EQ(shown.kind, QStringLiteral("MsgBox"));
    EXPECT_EQ(shown.text, kUnitError);
    EXPECT_EQ(shown.title, QStringLiteral("提示："));
    EXPECT_EQ(shown.style, DesktopServices::OkOnly | DesktopServices::Information);
    EXPECT_FALSE(box->IsValid());
    EXPECT_EQ(box->text(), QStringLiteral("公斤"));

    QTest::keyClicks(box->editor(), QStringLiteral("x"));
    EXPECT_FALSE(box->IsValid()) << "an entry being typed is not valid before it is looked up";
    type(QStringLiteral("台"));
    EXPECT_TRUE(box->IsValid());
    EXPECT_EQ(box->keyValue(), QStringLiteral("5"));
    EXPECT_EQ(desktop.records().size(), 1);
}

TEST_F(LookupBoxTest, LeavingTheBoxResolvesOnceAndTextSetByCodeIsNotLookedUp)
{
    auto *next = new QLineEdit(&window);
    next->move(0, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    box->setText(QStringLiteral("不是单位"));
    box->editor()->setFocus();
    next->setFocus();
    EXPECT_TRUE(desktop.records().isEmpty());

    box->editor()->setFocus();
    box->editor()->selectAll();
    QTest::keyClicks(box->editor(), QStringLiteral("tao"));
    next->setFocus();
    EXPECT_EQ(box->text(), QStringLiteral("套"));
    EXPECT_EQ(box->keyValue(), QStringLiteral("6"));
}

struct Supplier {
    const char *typed;
    const char *key;   // nullptr: rejected
    const char *why;
};

class SupplierEntryTest : public LookupBoxTest, public ::testing::WithParamInterface<Supplier> {};

TEST_P(SupplierEntryTest, OnlyDetailSuppliersInUseAreAccepted)
{
    box->setObjectName(QStringLiteral("kvT(27)"));
    define(kSupplierQuery, QStringLiteral("往来ID"), QStringLiteral("公司名称"), kSupplierError);
    box->setJudgeUnique(-1);
    // A second supplier whose mnemonic is G0102's number: that entry is ambiguous.
    ASSERT_EQ(host::test::runForText(*db, QStringLiteral("INSERT INTO PDMWLDW (往来ID, 公司编号, 助忆词, 公司名称, 属性, "
                                                          "是否明细, 是否停用) VALUES (12, 'G0109', 'G0102', '同码', 1, 1, 0)")),
              QStringLiteral("ok, 1 rows affected"));
    const char *key = GetParam().key;
    if (!key)
        desktop.answerButton(DesktopServices::Ok);
    type(QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(box->IsValid(), key != nullptr) << GetParam().why;
    EXPECT_EQ(box->keyValue(), QString::fromUtf8(key ? key : "0")) << GetParam().why;
    EXPECT_EQ(box->errorString(), key ? QString() : kSupplierError) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(Suppliers, SupplierEntryTest,
                         ::testing::Values(Supplier{"G0103", "4", "by number"},
                                           Supplier{"xhzc", "5", "by mnemonic"},
                                           Supplier{"宏鑫包装材料有限公司", "7", "by name"},
                                           Supplier{"G0105", nullptr, "disabled"},
                                           Supplier{"G01", nullptr, "a group, not a detail record"},
                                           Supplier{"K01", nullptr, "a customer"},
                                           Supplier{"G0102", nullptr, "two suppliers match"}));

TEST_F(LookupBoxTest, QuotesInTheEntryAreLookedUpVerbatimAndChangeNoStatement)
{
    define(kSupplierQuery, QStringLiteral("往来ID"), QStringLiteral("公司名称"), kSupplierError);
    const QString products = scalar(QStringLiteral("SELECT Count(*) FROM pdmzeva"));
    ASSERT_NE(products, QStringLiteral("0"));

    type(QStringLiteral("O'Brien"));
    EXPECT_EQ(box->keyValue(), QStringLiteral("8"));
    EXPECT_EQ(box->text(), QStringLiteral("O'Brien Fasteners Ltd."));

    for (const QString &hostile : {QStringLiteral("x'; DELETE FROM pdmzeva; --"), QStringLiteral("' or 1=1 or '"),
                                   QStringLiteral("@'@")}) {
        desktop.answerButton(DesktopServices::Ok);
        type(hostile);
        EXPECT_FALSE(box->IsValid()) << hostile.toStdString();
        EXPECT_EQ(box->errorString(), kSupplierError) << "no match, not an SQL error: " << hostile.toStdString();
    }
    EXPECT_EQ(box->keyValue(), QStringLiteral("8"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM pdmzeva")), products);
}

TEST_F(LookupBoxTest, AFailingStatementIsReportedWithTheDatabasesReasonAndLeavesTheBoxInvalid)
{
    define(QStringLiteral("Select 单位ID, 名称 From 没有这张表 where 代码 = '@'"), QStringLiteral("单位ID"),
           QStringLiteral("名称"), kUnitError);
    desktop.answerButton(DesktopServices::Ok);
    type(QStringLiteral("kg"));
    EXPECT_FALSE(box->IsValid());
    ASSERT_EQ(desktop.records().size(), 1);
    EXPECT_EQ(desktop.records().first().style, DesktopServices::OkOnly | DesktopServices::Critical);
    EXPECT_NE(box->errorString(), kUnitError);
    EXPECT_TRUE(box->errorString().contains(QStringLiteral("没有这张表"))) << box->errorString().toStdString();

    define(kUnitQuery, QStringLiteral("单位ID"), QStringLiteral("名称"), kUnitError);
    type(QStringLiteral("kg"));
    EXPECT_TRUE(box->IsValid()) << "the connection serves the next lookup";
}

} // namespace
} // namespace zeva::test
