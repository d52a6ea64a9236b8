// Moving a product by dropping its node on another category: every refusal on its own
// channel, the question, the tree and the one update statement, and a failed update undone.

#include "formfixture.h"

#include "ctreeview.h"
#include "treecontrol.h"

namespace zeva::testing {
namespace {

class Moving : public FormFixture {
public:
    // 01 (with subcategories 0101 holding A-1, B-2 and 0102 holding C-3) and 02 (empty), loaded.
    void load()
    {
        desktop->setUnansweredHandler({});
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"), false);
        addCategory(2, QStringLiteral("0101"), QStringLiteral("轴类"));
        addCategory(3, QStringLiteral("0102"), QStringLiteral("盘类"));
        addCategory(4, QStringLiteral("02"), QStringLiteral("标准件"));
        addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 2);
        addProduct(11, QStringLiteral("B-2"), QStringLiteral("套"), 2);
        addProduct(12, QStringLiteral("C-3"), QStringLiteral("盘"), 3);
        ASSERT_TRUE(init());
        ASSERT_TRUE(form->IFormUI_Refresh());
        takeEvents();
    }
    TreeNode *node(const char *key) const { return form->state().controls.TV->Nodes().item(QString::fromLatin1(key)); }
    void drop(const char *source, const char *target) { emit form->state().m_Tv->Dropped(node(source), node(target)); }
    QString categoryOf(int id) { return scalar(QStringLiteral("SELECT 产品类别ID FROM pdmzeva WHERE 产品ID=%1").arg(id)); }
    QString parentOf(const char *key) const { return node(key)->parent()->key(); }
    QStringList dialogs() const
    {
        QStringList texts;
        for (const auto &r : desktop->records())
            texts << QStringLiteral("%1|%2").arg(r.style).arg(r.text);
        return texts;
    }
};

TEST_F(Moving, EveryRefusalSaysWhyOnItsChannelAndChangesNothing)
{
    load();
    drop("k", "k02");
    drop("k0101", "k02");
    drop("wA-1", "k");
    drop("wA-1", "wB-2");   // a product of its own category
    drop("wA-1", "k01");    // a category with subcategories
    EXPECT_EQ(takeEvents(), (QStringList{QStringLiteral("ErrMessage|不能移动根节点|4|提示："),
                                         QStringLiteral("ErrMessage|不能移动分类节点!|4|提示："),
                                         QStringLiteral("Message|不能将[A-1  轴]移到根节点下"),
                                         QStringLiteral("Message|相同的父节点间，不能移动")}));
    EXPECT_EQ(dialogs(), QStringList{QStringLiteral("48|不能将[A-1  轴]移到[01  机加件]下(非明细级产品类别)")});
    desktop->answerButton(DesktopServices::No);
    drop("wA-1", "k02");
    EXPECT_EQ(dialogs().last(), QStringLiteral("68|是否将[A-1  轴]移到[02  标准件]下？"));
    EXPECT_EQ(parentOf("wA-1"), QStringLiteral("k0101"));
    EXPECT_EQ(categoryOf(10), QStringLiteral("2"));
}

// A drop on a product of another category moves into that category; a failing update puts
// the node back and says so.
TEST_F(Moving, AgreedMovesChangeTreeThenDatabaseAndAFailureIsUndone)
{
    load();
    desktop->answerButton(DesktopServices::Yes);
    drop("wA-1", "wC-3");
    EXPECT_EQ(dialogs().last(), QStringLiteral("68|是否将[A-1  轴]移到[0102  盘类]下？"));
    EXPECT_EQ(parentOf("wA-1"), QStringLiteral("k0102"));
    EXPECT_EQ(categoryOf(10), QStringLiteral("3"));
    EXPECT_EQ(form->state().controls.TV->selectedItem(), node("wA-1"));

    exec(QStringLiteral("CREATE TRIGGER refused BEFORE UPDATE ON pdmzeva BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    desktop->answerButton(DesktopServices::Yes);
    takeEvents();
    drop("wB-2", "k02");   // an empty category
    const QStringList events = takeEvents();
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.last(), QStringLiteral("ErrMessage|移动产品时出错，原因：refused|8|产品目录"));
    EXPECT_EQ(parentOf("wB-2"), QStringLiteral("k0101")) << "back where the database has it";
    EXPECT_EQ(categoryOf(11), QStringLiteral("2"));
}

} // namespace
} // namespace zeva::testing
