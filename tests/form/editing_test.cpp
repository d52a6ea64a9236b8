// Editing a product: the save's statements, its validation in order, the rows and the tree a
// save leaves, and starting a new record or a copy.

#include "formfixture.h"

#include "ctreeview.h"
#include "kvtxts.h"
#include "productstatements.h"
#include "treecontrol.h"

#include <QCheckBox>
#include <QTest>
#include <QLabel>
#include <QLineEdit>

namespace zeva::testing {
namespace {

class Editing : public FormFixture {
public:
    kvTxt_S *box(Field f) const { return form->state().controls.field(f); }
    void set(Field f, const QString &text) { box(f)->setText(text); }
    // The texts of the message boxes shown so far.
    QStringList messages() const
    {
        QStringList texts;
        for (const auto &r : desktop->records())
            texts << r.text;
        return texts;
    }
    // A detail category 01 with A-1 (drawing D-1) and B-2 (drawing D-2), a non-detail 02,
    // loaded; A-1 open for editing.
    void editA1()
    {
        desktop->setUnansweredHandler({});   // messages() checks what was shown
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
        addCategory(2, QStringLiteral("02"), QStringLiteral("汇总"), false);
        addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 1, QStringLiteral("图号, 库存单位"),
                   QStringLiteral("'D-1', '个'"));
        addProduct(11, QStringLiteral("B-2"), QStringLiteral("套"), 1, QStringLiteral("图号, 库存单位"),
                   QStringLiteral("'D-2', '个'"));
        ASSERT_TRUE(init());
        ASSERT_TRUE(form->IFormUI_Refresh());
        clickNode(QStringLiteral("wA-1"));
        ASSERT_TRUE(form->IFormUI_FileEdit());
        takeEvents();
    }
};

TEST(ProductStatements, FollowTheirFixedShapeWithQuotesDoubled)
{
    ProductRecord r;
    for (const FieldInfo &info : recordFields())
        r[info.field].text = QString::fromUtf8(info.caption);
    r[Field::Code].text = QStringLiteral(" O'Brien ");
    r[Field::StockUnit].text = QStringLiteral(" 个 ");
    r[Field::MinStock].text = QStringLiteral("12.50");
    r[Field::MaxStock].text = QString();
    r[Field::PurchasePrice].text = QStringLiteral("3kg");
    r[Field::Routing].key = QStringLiteral("5");
    r[Field::Supplier].key = QStringLiteral("6");
    r[Field::Source].key = QStringLiteral("7");
    r[Field::PurchaseMode].key = QStringLiteral("8");
    r[Field::Salesman].key = QStringLiteral("9");
    for (Field f : {Field::RetailPrice, Field::TaxAmount, Field::WholesalePrice, Field::LossRate, Field::ShelfLife,
                    Field::ConversionRate, Field::LeadTime, Field::SuggestedStock, Field::MaxPurchasePrice,
                    Field::MinSalesPrice})
        r[f].text = QString::number(fieldIndex(f));
    r.checks = {1, 0, 2};

    EXPECT_EQ(productInsert(r, 42, 3),
              QStringLiteral("insert into pdmzeva (产品ID,规格,物品编码,助忆词,物品名称,物品产地,条形码,产品类别ID,颜色,特性,尺寸,图号,"
                             "物品说明,短缺限额,超储限额,参考进价,参考零售价,参考税额,参考批发价,损耗率,保质期,缺省货位,换算比例,"
                             "是否使用,是否需批次管理,ABC码,库存单位,重量单位,工艺路线ID,主往来ID,采购提前期,来源ID,是否需单件管理) "
                             "values (42,'规格型号','O''Brien','助忆词','物品名称','物品产地','条形码',3,'颜色','特性','尺寸',"
                             "'工程图号','物品说明',12.5,0,3,15,16,17,18,19,'货位',21,1,0, '',' 个 ','辅助单位',5,6,26,7,2)"));
    r.abc = QStringLiteral("B");
    EXPECT_EQ(productUpdate(r, 42),
              QStringLiteral("update pdmzeva set 物品编码='O''Brien', 规格='规格型号',物品名称='物品名称',物品产地='物品产地',"
                             "助忆词='助忆词',条形码='条形码',颜色='颜色',特性='特性',尺寸='尺寸',图号='工程图号',"
                             "物品说明='物品说明',短缺限额=12.5,超储限额=0,参考进价=3,参考零售价=15,参考税额=16,"
                             "参考批发价=17,损耗率=18,保质期=19,缺省货位='货位',换算比例=21,是否使用=1, 是否需批次管理=0,"
                             "ABC码='B',库存单位=' 个 ',重量单位='辅助单位',工艺路线ID=5,主往来ID =6,采购提前期=26,"
                             "来源ID=7,是否需单件管理=2 where 产品ID=42"));
    EXPECT_EQ(supplementInsert(r, 42),
              QStringLiteral("Insert Into PDMZEVAB (产品ID,建议备库量,采购方式,最高采购价,最低销售价,业务员ID) Values (42,29,8,30,31,9)"));
}

// Each case edits A-1 in a fresh form; the save stops at the expected message, or passes.
TEST(SaveValidation, StopsAtTheFirstFailureInItsOrder)
{
    const QString chinese = QStringLiteral("系统参数中设置物品编码不允许包含有中文字符，请检查后重试");
    const struct Case {
        const char *what;
        std::function<void(Editing &)> edit;
        QStringList parameters;
        QString message;   // empty: the save passes
        Field focus = Field::Code;
    } cases[] = {
        {"unchanged", [](Editing &) {}, {}, {}},
        {"code of spaces", [](Editing &e) { e.set(Field::Code, QStringLiteral("   ")); }, {},
         QStringLiteral("没有具体的物品编码,请录入!")},
        {"Chinese in the code", [](Editing &e) { e.set(Field::Code, QStringLiteral("A-料")); }, {"bmcannotchinese=1"}, chinese},
        {"full-width sign", [](Editing &e) { e.set(Field::Code, QStringLiteral("A－1")); }, {"bmcannotchinese=1"}, chinese},
        {"Chinese allowed", [](Editing &e) { e.set(Field::Code, QStringLiteral("A-料")); }, {"bmcannotchinese=0"}, {}},
        {"no name", [](Editing &e) { e.set(Field::Name, QStringLiteral(" ")); }, {},
         QStringLiteral("没有具体的物品名称,请选择!"), Field::Name},
        {"no unit", [](Editing &e) { e.set(Field::StockUnit, QString()); }, {},
         QStringLiteral("没有具体的计量单位,请选择!"), Field::StockUnit},
        {"mnemonic of 16", [](Editing &e) { e.set(Field::Mnemonic, QString(16, QChar(0x8F74))); }, {}, {}},
        {"mnemonic of 17", [](Editing &e) { e.set(Field::Mnemonic, QString(17, QChar(0x8F74))); }, {},
         QStringLiteral("助忆词超过限定的长度16个字,指修改后重试!"), Field::Mnemonic},
        {"another's code", [](Editing &e) { e.set(Field::Code, QStringLiteral(" B-2 ")); }, {},
         QStringLiteral("物品编码重复,请检查!")},
        {"shared name allowed", [](Editing &e) { e.set(Field::Name, QStringLiteral("套")); }, {}, {}},
        {"unique names", [](Editing &e) { e.set(Field::Name, QStringLiteral("套")); }, {"zevanameuniquely=1"},
         QStringLiteral("物品名称重复,请检查!"), Field::Name},
        {"another's drawing", [](Editing &e) { e.set(Field::DrawingNumber, QStringLiteral("D-2")); }, {},
         QStringLiteral("系统设置产品的图号不能重复,现在与产品[B-2]的图号重复, 请检查后重试!"), Field::DrawingNumber},
        {"shared drawings allowed", [](Editing &e) { e.set(Field::DrawingNumber, QStringLiteral("D-2")); },
         {"drawNO=1"}, {}},
        {"quote in the code", [](Editing &e) { e.set(Field::Code, QStringLiteral("x'; DELETE FROM pdmzeva; --")); }, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        struct Run : Editing {
            void TestBody() override {}
        } e;
        e.SetUp();
        for (const QString &p : c.parameters)
            ASSERT_TRUE(e.options.setParameter(p));
        e.editA1();
        c.edit(e);
        const bool saved = e.form->IFormUI_FileSave();
        EXPECT_EQ(saved, c.message.isEmpty());
        EXPECT_EQ(e.messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        if (!saved) {
            EXPECT_TRUE(e.box(c.focus)->editor()->hasFocus());
        }
        EXPECT_EQ(e.scalar(QStringLiteral("SELECT COUNT(*) FROM pdmzeva")), QStringLiteral("2"));
        e.TearDown();
    }
}

// An entry typed and not yet looked up is looked up by the save; one that matches nothing
// stops it with the box's own message, before the empty code's.
TEST_F(Editing, AnInvalidCodedFieldStopsTheSaveBeforeAnyMessage)
{
    editA1();
    set(Field::Code, QString());
    QTest::keyClicks(box(Field::Supplier)->editor(), QStringLiteral("nobody"));
    EXPECT_FALSE(form->IFormUI_FileSave());
    EXPECT_EQ(messages(), QStringList{QStringLiteral("主供应商输入有误，请重新输入！")});
}

TEST_F(Editing, ANewProductIsWrittenVerbatimAndJoinsTheTree)
{
    editA1();
    ASSERT_TRUE(form->IFormUI_FileCancel());
    exec({QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, caption, text) VALUES (200008, '参考进价', '是否保存到往来价格库', '1')"),
          QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, caption, text) VALUES (200008, '参考进价', '为零是否保存到往来价格库', '0')")});
    const QString hostile = QStringLiteral("x'; DELETE FROM pdmzeva; --");
    ASSERT_TRUE(form->IFormUI_FileNew());   // beside the selected A-1
    EXPECT_EQ(box(Field::StockUnit)->text(), QStringLiteral("个"));   // kept from the shown record
    EXPECT_EQ(box(Field::Category)->text(), QStringLiteral("机加件"));
    set(Field::Code, QStringLiteral("N\r\n'1 "));
    set(Field::Name, hostile);
    set(Field::StockUnit, QStringLiteral(" 台 "));
    set(Field::PurchasePrice, QStringLiteral("12.50"));
    box(Field::Supplier)->setKeyValue(7);
    ASSERT_TRUE(form->IFormUI_FileSave()) << messages().join(u'|').toStdString();

    const QString id = scalar(QStringLiteral("SELECT 产品ID FROM pdmzeva WHERE 物品编码='N''1'"));
    ASSERT_FALSE(id.isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT 物品名称 FROM pdmzeva WHERE 产品ID=") + id), hostile);
    EXPECT_EQ(scalar(QStringLiteral("SELECT 库存单位 || '|' || ABC码 || '|' || 产品类别ID || '|' || 是否使用 FROM pdmzeva WHERE 产品ID=") + id),
              QStringLiteral(" 台 ||1|1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM PDMZEVAB WHERE 产品ID=") + id), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT 单价 FROM pubwlprice WHERE 往来ID=7 AND 产品ID=") + id), QStringLiteral("12.5"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pdmzeva")), QStringLiteral("3"));
    EXPECT_TRUE(treeLines().contains(QStringLiteral("2 wN'1 N'1  ") + hostile + u' ' + id));
    EXPECT_EQ(form->state().controls.lbl[0]->text(), id);
    EXPECT_TRUE(form->state().controls.TV->isEnabled()) << "browse mode";
    EXPECT_TRUE(takeEvents().contains(QStringLiteral("Message|保存产品目录成功")));

    // Another supplier makes a second price row; the first stays.
    ASSERT_TRUE(form->IFormUI_FileEdit());
    box(Field::Supplier)->setKeyValue(8);
    ASSERT_TRUE(form->IFormUI_FileSave());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pubwlprice WHERE 产品ID=") + id), QStringLiteral("2"));
}

TEST_F(Editing, AFailedSaveKeepsWhatWasWrittenAndTheNextIsADuplicate)
{
    editA1();
    ASSERT_TRUE(form->IFormUI_FileCancel());
    ASSERT_TRUE(form->IFormUI_FileNew());
    set(Field::Code, QStringLiteral("N-1"));
    set(Field::Name, QStringLiteral("新"));
    exec(QStringLiteral("DROP TABLE PDMZEVAB"));
    takeEvents();
    EXPECT_FALSE(form->IFormUI_FileSave());
    const QStringList events = takeEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("ErrMessage|保存到附表时出错,原因："))) << events[0].toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pdmzeva WHERE 物品编码='N-1'")), QStringLiteral("1"));
    EXPECT_EQ(form->state().controls.lbl[0]->text(), QStringLiteral("0"));
    EXPECT_FALSE(form->IFormUI_FileSave());
    EXPECT_EQ(messages(), QStringList{QStringLiteral("物品编码重复,请检查!")});
}

// An edit's first save makes the supplementary row; a zero price is no supplier price without
// its switch; cancelling drops the typed work; a failing price statement leaves the rows
// before it written.
TEST_F(Editing, EditsWriteWhatTheyShouldAndAFailingStepKeepsTheEarlierOnes)
{
    editA1();
    exec(QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, caption, text) VALUES (200008, '参考进价', '是否保存到往来价格库', '1')"));
    set(Field::PurchasePrice, QStringLiteral("0"));
    box(Field::Supplier)->setKeyValue(7);
    ASSERT_TRUE(form->IFormUI_FileSave());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM PDMZEVAB WHERE 产品ID=10")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pubwlprice")), QStringLiteral("0"));

    ASSERT_TRUE(form->IFormUI_FileEdit());
    set(Field::Name, QStringLiteral("不要"));
    ASSERT_TRUE(form->IFormUI_FileCancel());
    EXPECT_EQ(box(Field::Name)->text(), QStringLiteral("轴"));

    ASSERT_TRUE(form->IFormUI_FileEdit());
    set(Field::Name, QStringLiteral("新轴"));
    set(Field::PurchasePrice, QStringLiteral("5"));
    exec(QStringLiteral("CREATE TRIGGER refused BEFORE INSERT ON pubwlprice BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    takeEvents();
    EXPECT_FALSE(form->IFormUI_FileSave());
    const QStringList events = takeEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("ErrMessage|数据库操作错误，原因："))) << events[0].toStdString();
    EXPECT_TRUE(events[0].endsWith(QStringLiteral("refused|9|产品目录"))) << events[0].toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT 物品名称 FROM pdmzeva WHERE 产品ID=10")), QStringLiteral("新轴"));
    EXPECT_FALSE(form->state().controls.TV->isEnabled()) << "still editing";
}

TEST_F(Editing, NewNeedsADetailCategoryAndACopyWithoutRightAHasNoPrices)
{
    editA1();
    ASSERT_TRUE(form->IFormUI_FileCancel());
    clickNode(QStringLiteral("k"));
    EXPECT_FALSE(form->IFormUI_FileNew());
    clickNode(QStringLiteral("k02"));
    EXPECT_FALSE(form->IFormUI_FileNew());
    EXPECT_EQ(messages(), (QStringList{QStringLiteral("非明细级的产品类别，请选择后重试!"),
                                       QStringLiteral("非明细级的产品类别，不能新建!")}));

    ASSERT_TRUE(options.setRights(QStringLiteral("BC")));
    ASSERT_TRUE(form->IFormUI_Init(std::make_shared<host::KitHostSystem>(db, options), 200008));
    clickNode(QStringLiteral("wA-1"));
    set(Field::Mnemonic, QStringLiteral("ZH"));
    set(Field::PurchasePrice, QStringLiteral("9"));
    form->state().controls.chk[3]->setChecked(true);
    ASSERT_TRUE(form->IFormUI_FileNew());
    EXPECT_EQ(box(Field::Code)->text(), QStringLiteral("A-1"));   // copied
    EXPECT_EQ(box(Field::Mnemonic)->text(), QString());
    EXPECT_EQ(box(Field::PurchasePrice)->text(), QString());
    EXPECT_EQ(form->state().controls.lbl[0]->text(), QStringLiteral("0"));
    EXPECT_TRUE(form->state().controls.check(Check::InUse)->isChecked());
}

} // namespace
} // namespace zeva::testing
