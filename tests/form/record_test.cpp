#include "formfixture.h"

#include "formtoolbar.h"
#include "kvtxts.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace zeva::testing {
namespace {

class RecordDisplayTest : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (HasFatalFailure())
            return;
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
        exec(QStringList{
            QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, code, Text, Caption) VALUES (200001, '产品来源', 'zz', '2', '自制')"),
            QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, code, Text, Caption) VALUES (200008, '采购方式', 'xj', '3', '询价采购')"),
            QStringLiteral("INSERT INTO PDMWLDW (往来ID, 公司编号, 公司名称, 属性, 是否明细, 是否停用) VALUES (7, 'S07', '华东轴承厂', 1, 1, 0)"),
            QStringLiteral("INSERT INTO pdmxsy (AutoID, 代码, 名称) VALUES (4, 'Y04', '李明')"),
            QStringLiteral("INSERT INTO PDMSRLX (ID, 产品ID, 路线名称, 是否标准, 是否失效) VALUES (9, 10, '车-铣-磨', 1, 0)"),
            QStringLiteral("INSERT INTO PdmBom (BomID, 产品ID, smark, 是否标准, 是否失效) VALUES (33, 10, '02', 1, 0)"),
        });
        addProduct(10, QStringLiteral("A-1"), QStringLiteral("主轴"), 1,
                   QStringLiteral("规格, 参考进价, 是否使用, 是否需批次管理, ABC码, 库存单位, 工艺路线ID, 主往来ID, 来源ID, 换算比例"),
                   QStringLiteral("'Φ40×300', 12.5, 1, 0, 'B', '件', 9, 7, 2, 0.25"));
        exec(QStringLiteral("INSERT INTO PDMZEVAB (产品ID, 建议备库量, 采购方式, 最高采购价, 最低销售价, 业务员ID) VALUES (10, 50, 3, 18.5, 20, 4)"));
        addProduct(11, QStringLiteral("a-2"), QStringLiteral("副轴"), 1, QStringLiteral("ABC码, 来源ID"), QStringLiteral("'a', 8"));
        ASSERT_TRUE(init());
        ASSERT_TRUE(form->IFormUI_Refresh());
        takeEvents();
    }
    const FormControls &c() const { return form->state().controls; }
};

TEST_F(RecordDisplayTest, ProductFillsEveryFieldAndRaisesItsIds)
{
    clickNode(QStringLiteral("wA-1"));
    EXPECT_EQ(takeEvents(), (QStringList{
                                QStringLiteral("Property|BomID|33|0"),
                                QStringLiteral("Property|工艺ID|9|0"),
                                QStringLiteral("Property|产品ID|10|1"),
                                QStringLiteral("Property|产品ID|10|1"),
                            }));
    EXPECT_EQ(c().field(Field::Code)->text(), QStringLiteral("A-1"));
    EXPECT_EQ(c().field(Field::ModelNumber)->text(), QStringLiteral("Φ40×300"));
    EXPECT_EQ(c().field(Field::Category)->text(), QStringLiteral("机加件"));
    EXPECT_EQ(c().field(Field::PurchasePrice)->text(), QStringLiteral("12.5"));
    EXPECT_EQ(c().field(Field::ConversionRate)->text(), QStringLiteral("0.25"));
    EXPECT_EQ(c().field(Field::StockUnit)->text(), QStringLiteral("件"));
    EXPECT_EQ(c().field(Field::Routing)->text(), QStringLiteral("车-铣-磨"));
    EXPECT_EQ(c().field(Field::Routing)->keyValue(), QStringLiteral("9"));
    EXPECT_EQ(c().field(Field::Source)->text(), QStringLiteral("自制")) << "any ProgID for the source";
    EXPECT_EQ(c().field(Field::Supplier)->text(), QStringLiteral("华东轴承厂"));
    EXPECT_EQ(c().field(Field::Supplier)->keyValue(), QStringLiteral("7"));
    EXPECT_EQ(c().field(Field::PurchaseMode)->text(), QStringLiteral("询价采购"));
    EXPECT_EQ(c().field(Field::SuggestedStock)->text(), QStringLiteral("50"));
    EXPECT_EQ(c().field(Field::MaxPurchasePrice)->text(), QStringLiteral("18.5"));
    EXPECT_EQ(c().field(Field::Salesman)->text(), QStringLiteral("李明"));
    EXPECT_EQ(c().field(Field::Salesman)->keyValue(), QStringLiteral("4"));
    EXPECT_TRUE(c().check(Check::InUse)->isChecked());
    EXPECT_FALSE(c().check(Check::Batch)->isChecked());
    EXPECT_TRUE(c().Opt[1]->isChecked());
    EXPECT_FALSE(c().Opt[0]->isChecked());
    EXPECT_EQ(c().lbl[0]->text(), QStringLiteral("10"));
    EXPECT_EQ(c().lbl[1]->text(), QStringLiteral("1"));
    EXPECT_EQ(c().lbl[2]->text(), QStringLiteral("w"));
    EXPECT_EQ(c().lbl[4]->text(), QStringLiteral("机加件"));
    EXPECT_FALSE(c().ImgBom->isHidden());
    EXPECT_FALSE(c().ImgSr->isHidden());
    EXPECT_EQ(form->state().currentProductId, 10);
    EXPECT_EQ(form->state().selection.productId, 10);
    EXPECT_EQ(form->state().selection.nodeKey, QStringLiteral("wA-1"));
}

TEST_F(RecordDisplayTest, LowerCaseAbcNoSupplementAndUnknownSource)
{
    clickNode(QStringLiteral("wA-1"));
    takeEvents();
    clickNode(QStringLiteral("wa-2"));
    EXPECT_EQ(takeEvents().filter(QStringLiteral("BomID")), QStringList{QStringLiteral("Property|BomID|0|0")});
    for (QRadioButton *option : c().Opt)
        EXPECT_FALSE(option->isChecked());
    for (const FieldInfo &info : recordFields()) {
        if (info.table == FieldTable::Supplement) {
            EXPECT_EQ(c().field(info.field)->text(), QString()) << info.caption;
        }
    }
    EXPECT_EQ(c().field(Field::Source)->text(), QString()) << "no caption row";
    EXPECT_EQ(c().field(Field::Source)->keyValue(), QStringLiteral("8")) << "the key value keeps the ID";
    EXPECT_TRUE(c().ImgBom->isHidden());
    EXPECT_TRUE(c().ImgSr->isHidden());
    EXPECT_FALSE(c().check(Check::InUse)->isChecked());

    // A product whose row is gone leaves the fields empty; only the handler's own Property.
    exec(QStringLiteral("DELETE pdmzeva WHERE 产品ID = 10"));
    takeEvents();
    clickNode(QStringLiteral("wA-1"));
    EXPECT_EQ(takeEvents(), QStringList{QStringLiteral("Property|产品ID|10|1")});
    EXPECT_EQ(c().field(Field::Code)->text(), QString());
    EXPECT_EQ(c().lbl[0]->text(), QStringLiteral("0"));
}

TEST_F(RecordDisplayTest, CategoryAndRootSelectionsNeedNoDatabase)
{
    clickNode(QStringLiteral("wA-1"));
    takeEvents();
    clickNode(QStringLiteral("k01"));
    EXPECT_EQ(takeEvents(), QStringList()) << "a category raises no Property";
    EXPECT_EQ(c().lbl[2]->text(), QStringLiteral("k"));
    EXPECT_EQ(c().lbl[1]->text(), QStringLiteral("1"));
    EXPECT_EQ(c().lbl[0]->text(), QStringLiteral("0"));
    EXPECT_EQ(c().lbl[4]->text(), QStringLiteral("机加件"));
    EXPECT_EQ(form->state().currentProductId, 1);
    EXPECT_EQ(c().field(Field::Code)->text(), QString()) << "fields cleared";
    EXPECT_EQ(c().field(Field::Supplier)->keyValue(), QStringLiteral("0"));

    clickNode(QStringLiteral("k"));
    EXPECT_EQ(c().lbl[2]->text(), QStringLiteral("r"));
    EXPECT_EQ(c().lbl[1]->text(), QStringLiteral("0"));

    // With the product view gone, a category still shows: it reads nothing.
    exec(QStringLiteral("DROP VIEW vtPDMZEVA"));
    takeEvents();
    clickNode(QStringLiteral("k01"));
    EXPECT_EQ(takeEvents(), QStringList());
    EXPECT_EQ(c().lbl[4]->text(), QStringLiteral("机加件"));
}

TEST_F(RecordDisplayTest, ShowRecordFailureIsReported)
{
    exec(QStringLiteral("DROP TABLE PDMZEVAB"));
    clickNode(QStringLiteral("wA-1"));
    const QStringList errors = takeEvents().filter(QStringLiteral("ErrMessage|"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(QStringLiteral("ErrMessage|更新屏幕时出错，原因：")));
    EXPECT_TRUE(errors.first().endsWith(QStringLiteral("|8|产品目录")));
}

TEST_F(RecordDisplayTest, CodedFieldsResolveThroughTheSessionAndRelayTheirEventsToTheHost)
{
    exec(QStringLiteral("INSERT INTO PDMWLDW (往来ID, 公司编号, 公司名称, 属性, 是否明细, 是否停用) VALUES (8, 'S08', '江南铜业', 1, 1, 0)"));
    clickNode(QStringLiteral("wA-1"));
    ASSERT_TRUE(form->IFormUI_FileEdit());
    const auto enter = [](kvTxt_S *box, const QString &entry) {
        box->editor()->selectAll();
        QTest::keyClicks(box->editor(), entry);
        QTest::keyClick(box->editor(), Qt::Key_Return);
    };
    enter(c().field(Field::Salesman), QStringLiteral("y04"));
    enter(c().field(Field::Supplier), QStringLiteral("S08"));
    EXPECT_EQ(c().field(Field::Salesman)->text(), QStringLiteral("李明"));
    EXPECT_EQ(c().field(Field::Supplier)->keyValue(), QStringLiteral("8"));
    EXPECT_EQ(system->relayed(), (QStringList{QStringLiteral("RelayFieldLookup\thp_ywy\t4\t李明\t李明\t32\t1"),
                                              QStringLiteral("RelayFieldEvent\t8\t27\t1\t1\t-1")}));
}

} // namespace
} // namespace zeva::testing
