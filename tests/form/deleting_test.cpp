// Deleting a product: refusals, the questions for its uses and their log lines, the four
// deletions in one transaction, and the tree afterwards.

#include "formfixture.h"

#include "treecontrol.h"

namespace zeva::testing {
namespace {

class Deleting : public FormFixture {
public:
    // Category 01 with A-1 (ID 10: a BOM head and a component, two prices, a supplementary
    // row) and B-2 (ID 11), loaded, A-1 selected.
    void selectA1()
    {
        options.userName = QStringLiteral("李工");
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
        addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 1);
        addProduct(11, QStringLiteral("B-2"), QStringLiteral("套"), 1);
        exec({QStringLiteral("INSERT INTO PdmBom (BomID, 产品ID) VALUES (1, 10)"),
              QStringLiteral("INSERT INTO PdmBommx (BomID, 配件ID) VALUES (2, 10)"),
              QStringLiteral("INSERT INTO pubwlprice (wlpriceID, 往来ID, 产品ID, 单价) VALUES (1, 7, 10, 2.5)"),
              QStringLiteral("INSERT INTO pubwlprice (wlpriceID, 往来ID, 产品ID, 单价) VALUES (2, 8, 10, 3)"),
              QStringLiteral("INSERT INTO PDMZEVAB (产品ID) VALUES (10)")});
        ASSERT_TRUE(init());
        ASSERT_TRUE(form->IFormUI_Refresh());
        clickNode(QStringLiteral("wA-1"));
        takeEvents();
    }
    QString rows()
    {
        QStringList counts;
        for (const char *table : {"pubwlprice", "PDMZEVAB", "pdmzeva"})
            counts << scalar(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(table));
        return counts.join(u' ');
    }
    QStringList dialogs() const
    {
        QStringList texts;
        for (const auto &r : desktop->records())
            texts << QStringLiteral("%1|%2|%3").arg(r.style).arg(r.title, r.text);
        return texts;
    }
};

const QString kHead = QStringLiteral("36|确认删除？|在物料清单（BOM）的组成中，已经有该产品的BOM结构，删除后可能引起错误！\n\n确认删除此记录？");
const QString kComponent = QStringLiteral("36|确认删除？|在物料清单（BOM）的组成中，已经有产品使用了该物料，删除后可能引起BOM混乱！\n\n确认删除此记录？");
const QString kFinal = QStringLiteral("36|zeva产品目录|是否删除当前记录:A-1  轴");
const QString kHeadLog = QStringLiteral("ErrMessage|物料清单中，已经有产品物料清单，但被强制删除,用户名：李工|1|zeva产品目录");
const QString kComponentLog = QStringLiteral("ErrMessage|物料清单中，已经有产品使用了该物料，但被强制删除,用户名：李工|1|zeva产品目录");

TEST_F(Deleting, RootAndCategoriesAreRefused)
{
    selectA1();
    desktop->setUnansweredHandler({});
    clickNode(QStringLiteral("k"));
    EXPECT_FALSE(form->IFormUI_FileDelete());
    clickNode(QStringLiteral("k01"));
    EXPECT_FALSE(form->IFormUI_FileDelete());
    EXPECT_EQ(dialogs(), (QStringList{QStringLiteral("64|提示：|无选择项目,不能进行删除!    "),
                                      QStringLiteral("64|提示：|该节点为分类节点,不能删除!")}));
    EXPECT_EQ(rows(), QStringLiteral("2 1 2"));
}

// Yes to both warnings logs both at once; No to the last question keeps every row and the
// logged lines; the second time all four deletions run and the next product is shown.
TEST_F(Deleting, EachUseAsksAndLogsThenTheFourDeletionsRunTogether)
{
    selectA1();
    for (int answer : {DesktopServices::Yes, DesktopServices::Yes, DesktopServices::No})
        desktop->answerButton(answer);
    EXPECT_FALSE(form->IFormUI_FileDelete());
    EXPECT_EQ(dialogs(), (QStringList{kHead, kComponent, kFinal}));
    EXPECT_EQ(takeEvents(), (QStringList{kHeadLog, kComponentLog}));
    EXPECT_EQ(rows(), QStringLiteral("2 1 2"));

    for (int answer : {DesktopServices::Yes, DesktopServices::Yes, DesktopServices::Yes})
        desktop->answerButton(answer);
    EXPECT_TRUE(form->IFormUI_FileDelete());
    const QStringList events = takeEvents();
    EXPECT_EQ(events.mid(0, 6),
              (QStringList{kHeadLog, kComponentLog,
                           QStringLiteral("ErrMessage|成功删除往来单价数据,产品ID号=10记录数：2|1|zeva产品目录"),
                           QStringLiteral("ErrMessage|成功删除数据的附属图片,产品ID号=10记录数：0|1|zeva产品目录"),
                           QStringLiteral("ErrMessage|成功删除数据附表(PDMZEVAB,产品ID号=10 记录数=1|1|zeva产品目录"),
                           QStringLiteral("ErrMessage|成功删除数据,产品ID号=10 记录数=1|1|zeva产品目录")}));
    EXPECT_TRUE(events.contains(QStringLiteral("Property|产品ID|11|1"))) << "the next product is shown";
    EXPECT_EQ(rows(), QStringLiteral("0 0 1"));
    EXPECT_EQ(form->state().controls.TV->Nodes().item(QStringLiteral("wA-1")), nullptr);
}

TEST_F(Deleting, NoToAWarningOrAFailingDeletionLosesNothing)
{
    selectA1();
    desktop->answerButton(DesktopServices::No);
    EXPECT_FALSE(form->IFormUI_FileDelete());
    EXPECT_EQ(dialogs(), QStringList{kHead});
    EXPECT_TRUE(takeEvents().isEmpty());

    exec(QStringLiteral("CREATE TRIGGER refused BEFORE DELETE ON pdmzeva BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    for (int answer : {DesktopServices::Yes, DesktopServices::Yes, DesktopServices::Yes})
        desktop->answerButton(answer);
    EXPECT_FALSE(form->IFormUI_FileDelete());
    const QStringList events = takeEvents();
    ASSERT_FALSE(events.isEmpty());
    EXPECT_TRUE(events.last().startsWith(QStringLiteral("ErrMessage|删除数据时出错：")) && events.last().endsWith(QStringLiteral("|1|产品目录")))
        << events.last().toStdString();
    EXPECT_EQ(rows(), QStringLiteral("2 1 2")) << "rolled back: prices and supplementary row kept";
    EXPECT_NE(form->state().controls.TV->Nodes().item(QStringLiteral("wA-1")), nullptr);
}

} // namespace
} // namespace zeva::testing
