#include "formfixture.h"

#include "formtoolbar.h"
#include "kvtxts.h"
#include "treecontrol.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace zeva::testing {
namespace {

using Lifecycle = FormFixture;

void expectPricesHidden(const FormControls &c)
{
    for (Field f : {Field::PurchasePrice, Field::RetailPrice, Field::TaxAmount, Field::WholesalePrice})
        EXPECT_TRUE(c.field(f)->isHidden()) << fieldIndex(f);
}

TEST_F(Lifecycle, InitReadsConfigurationAndEntersBrowseMode)
{
    exec(QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, Text) VALUES (200008, 'limitdrawing', '2048')"));
    exec(QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, Text) VALUES (200008, 'limitpicture', ' 512kb')"));
    options.codeRule = QStringLiteral("2-2-3");
    ASSERT_TRUE(init());
    const FormState &s = form->state();
    EXPECT_EQ(s.currentProductId, 0) << "no plID";
    EXPECT_EQ(s.config.formTitle, QStringLiteral("产品类别")) << "no xt_objects row";
    EXPECT_EQ(s.config.filterList, QString());
    EXPECT_EQ(s.config.limitDrawing, 2048);
    EXPECT_EQ(s.config.limitPicture, 512);
    EXPECT_EQ(takeEvents(), QStringList{QStringLiteral("ErrMessage|2-2-3读取编码规则|1|产品目录")});

    const FormControls &c = s.controls;
    EXPECT_FALSE(c.field(Field::Code)->isEnabled());
    EXPECT_FALSE(c.chk[0]->isEnabled());
    EXPECT_FALSE(c.CmdOpenFile->isEnabled());
    EXPECT_TRUE(c.TV->isEnabled());
    EXPECT_TRUE(c.chk[2]->isEnabled()) << "usable in browse mode only";
    EXPECT_TRUE(c.chk[3]->isEnabled());
    EXPECT_TRUE(c.Cmd[0]->isEnabled()) << "follows the rights, whatever the mode";
    EXPECT_TRUE(c.CmdShow->isEnabled());
    EXPECT_EQ(c.Toolbar1->value(1), 1);
    EXPECT_TRUE(c.fra[2]->isVisible());
    EXPECT_FALSE(c.fra[3]->isVisible());
}

TEST_F(Lifecycle, AnEmptyOrQuotedCategoryFilterCannotChangeTheStatements)
{
    exec(QStringLiteral("INSERT INTO xt_objects (ProgID, progName, progCommandLine) VALUES (8, '全部', 'k=')"));
    exec(QStringLiteral("INSERT INTO xt_objects (ProgID, progName, progCommandLine) VALUES (9, 'O''Brien', 'k=0''1')"));
    ASSERT_TRUE(init(8));
    EXPECT_EQ(form->state().config.formTitle, QStringLiteral("全部"));
    EXPECT_EQ(form->state().config.filterList, QString()) << "an empty k gives no filter";
    ASSERT_TRUE(form->IFormUI_Init(system, 9));
    EXPECT_EQ(form->state().config.filterList, QStringLiteral("'0''1'")) << "a quote cannot end the literal";
}

TEST_F(Lifecycle, RightsHidePricesAndDisableDrawingButtonsInBothModes)
{
    options.rights = {false, false, true};
    addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
    addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 1);
    ASSERT_TRUE(init());
    const FormControls &c = form->state().controls;
    expectPricesHidden(c);
    EXPECT_FALSE(c.Cmd[1]->isEnabled());
    EXPECT_FALSE(c.Cmd[2]->isEnabled());
    EXPECT_TRUE(c.Cmd[0]->isEnabled());

    ASSERT_TRUE(form->IFormUI_Refresh());
    clickNode(QStringLiteral("wA-1"));
    ASSERT_TRUE(form->IFormUI_FileEdit());
    EXPECT_TRUE(c.field(Field::Code)->isEnabled());
    EXPECT_FALSE(c.field(Field::Category)->isEnabled()) << "the category name is never editable";
    expectPricesHidden(c);
    EXPECT_FALSE(c.Cmd[1]->isEnabled());
    EXPECT_FALSE(c.Cmd[2]->isEnabled());
    EXPECT_FALSE(c.TV->isEnabled());
    EXPECT_FALSE(c.chk[2]->isEnabled());
    EXPECT_FALSE(form->IFormUI_IsDirty()) << "never dirty, even during an edit";

    EXPECT_TRUE(form->IFormUI_FileCancel());
    EXPECT_FALSE(c.field(Field::Code)->isEnabled());
    EXPECT_TRUE(c.TV->isEnabled());
}

TEST_F(Lifecycle, EditNeedsASelectedProduct)
{
    addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    clickNode(QStringLiteral("k01"));
    desktop->answerButton(DesktopServices::Ok);
    EXPECT_FALSE(form->IFormUI_FileEdit());
    ASSERT_FALSE(desktop->records().isEmpty());
    EXPECT_EQ(desktop->records().last().text, QStringLiteral("选择的节点为分类节点，不允许编辑！ "));
    EXPECT_EQ(desktop->records().last().style, 0);
    EXPECT_FALSE(form->state().controls.field(Field::Code)->isEnabled());
}

TEST_F(Lifecycle, BackColorParameterPaintsTheForm)
{
    createForm();
    auto parameters = std::make_shared<NameValueCollection>();
    parameters->Add(QStringLiteral("BackColor"), 0x0000FF);   // red in the host's 0xBBGGRR
    form->IDesignUI_SetParameters(parameters);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(255, 0, 0));
    form->IDesignUI_SetParameters(std::make_shared<NameValueCollection>());
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(255, 0, 0)) << "an empty collection changes nothing";
}

TEST_F(Lifecycle, ClearReleasesTheHostAndResetsThePreloadedFormUnlessKept)
{
    ASSERT_TRUE(init());
    takeEvents();
    EXPECT_FALSE(form->IFormUI_Clear());
    EXPECT_EQ(takeEvents(), QStringList{QStringLiteral("Message|")});
    ASSERT_EQ(system->preloadedForm()->received().size(), 1);
    EXPECT_EQ(system->preloadedForm()->received().first()->Item(QStringLiteral("reset")).toString(), QStringLiteral("True"));
    EXPECT_FALSE(form->IFormUI_Refresh()) << "no host after Clear";

    system->options().namedParameters.insert(QStringLiteral("preloadzeva"), QStringLiteral("1"));
    ASSERT_TRUE(form->IFormUI_Init(system, 200008));
    EXPECT_FALSE(form->IFormUI_Clear());
    EXPECT_EQ(system->preloadedForm()->received().size(), 1) << "a preloaded form the host keeps is left alone";
}

TEST_F(Lifecycle, PagesAreExclusive)
{
    ASSERT_TRUE(init());
    const FormControls &c = form->state().controls;
    // Positions and frames spelled out, not taken from the enum under test.
    const std::pair<int, int> pages[] = {{3, 3}, {5, 0}, {7, 4}, {1, 2}};
    for (auto [position, frame] : pages) {
        c.Toolbar1->button(position)->click();
        for (int p : {1, 3, 5, 7})
            EXPECT_EQ(c.Toolbar1->value(p), p == position ? 1 : 0) << position << " " << p;
        for (int f : {0, 2, 3, 4})
            EXPECT_EQ(c.fra[f]->isVisible(), f == frame) << position << " " << f;
    }
    // In browse mode the fields are disabled: the page changes, the focus does not move.
    EXPECT_FALSE(c.field(Field::Code)->hasFocus());
}


TEST_F(Lifecycle, EnterMovesToTheNextFieldAsTabDoesPassingHiddenAndDisabledOnes)
{
    options.rights = {false, true, true};   // price fields hidden
    ASSERT_NO_FATAL_FAILURE(editOneProduct());
    const FormControls &c = form->state().controls;
    ASSERT_TRUE(c.field(Field::Code)->editor()->hasFocus());
    QTest::keyClick(c.field(Field::Code)->editor(), Qt::Key_Return);
    EXPECT_TRUE(c.field(Field::Colour)->editor()->hasFocus()) << "row by row: code, then colour";
    QTest::keyClick(c.field(Field::Colour)->editor(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(c.field(Field::Mnemonic)->editor()->hasFocus()) << "the keypad's Enter too";
    c.field(Field::Origin)->editor()->setFocus();
    QTest::keyClick(c.field(Field::Origin)->editor(), Qt::Key_Return);
    EXPECT_TRUE(c.field(Field::BarCode)->editor()->hasFocus()) << "the purchase price is hidden";
    QTest::keyClick(c.field(Field::BarCode)->editor(), Qt::Key_Return);
    EXPECT_TRUE(c.field(Field::StockUnit)->editor()->hasFocus()) << "the category is disabled, the tax hidden";
}

TEST_F(Lifecycle, PagesOneAndThreeFocusTheirFirstFieldWhileEditing)
{
    ASSERT_NO_FATAL_FAILURE(editOneProduct());
    const FormControls &c = form->state().controls;
    c.Toolbar1->button(3)->click();
    EXPECT_TRUE(c.field(Field::MaxStock)->editor()->hasFocus());
    c.Toolbar1->button(1)->click();
    EXPECT_TRUE(c.field(Field::Code)->editor()->hasFocus());
}

TEST_F(Lifecycle, ClearDuringARefreshWaitsForItAndARefreshInsideIsRefused)
{
    addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
    db->BeginTrans();
    for (int i = 0; i < 4000; ++i)
        addProduct(100 + i, QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("件"), 1);
    ASSERT_TRUE(db->CommitTrans());
    desktop->setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("5000"));
    ASSERT_TRUE(init());
    takeEvents();
    bool nestedRefresh = true;
    bool ranInside = false;
    QTimer::singleShot(0, form.get(), [&] {
        ranInside = true;
        nestedRefresh = form->IFormUI_Refresh();
        form->IFormUI_Clear();
    });
    EXPECT_TRUE(form->IFormUI_Refresh());
    ASSERT_TRUE(ranInside) << "the load let events run";
    EXPECT_FALSE(nestedRefresh);
    const QStringList events = takeEvents();
    ASSERT_GE(events.size(), 2);
    EXPECT_EQ(events.at(events.size() - 2), QStringLiteral("FormRefreshed"));
    EXPECT_EQ(events.last(), QStringLiteral("Message|")) << "Clear ran after the load";
    EXPECT_FALSE(form->IFormUI_Refresh()) << "no host after Clear";
}

TEST_F(Lifecycle, InitAfterClearWorksWithTheNewHost)
{
    addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
    addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 1);
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    EXPECT_FALSE(form->IFormUI_Clear());
    ASSERT_TRUE(form->IFormUI_Init(system, 200008));
    ASSERT_TRUE(form->IFormUI_Refresh());
    takeEvents();
    clickNode(QStringLiteral("wA-1"));
    EXPECT_EQ(takeEvents().filter(QStringLiteral("产品ID")).size(), 2);
}

TEST_F(Lifecycle, RefreshInEditModeLeavesTheTreeDisabled)
{
    ASSERT_NO_FATAL_FAILURE(editOneProduct());
    ASSERT_TRUE(form->IFormUI_Refresh());
    EXPECT_FALSE(form->state().controls.TV->isEnabled());
}

} // namespace
} // namespace zeva::testing
