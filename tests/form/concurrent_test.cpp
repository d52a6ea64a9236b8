// Two users with the same product open for editing, each on a connection of their own.

#include "formfixture.h"

#include "ctreeview.h"
#include "kvtxts.h"
#include "treecontrol.h"

#include <QApplication>

namespace zeva::testing {
namespace {

TEST_F(FormFixture, TwoUsersEditingOneProductTheLaterSaveWinsAndNeitherIsTold)
{
    addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
    addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 1, QStringLiteral("库存单位"), QStringLiteral("'个'"));
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    clickNode(QStringLiteral("wA-1"));
    ASSERT_TRUE(form->IFormUI_FileEdit());
    QString error;
    auto otherDb = host::SqlHostDatabase::openSqlite(dir.filePath(QStringLiteral("catalogue.db")), &error);
    ASSERT_TRUE(otherDb) << error.toStdString();
    auto otherSystem = std::make_shared<host::KitHostSystem>(otherDb, options);
    DrawingControl other(services.get());
    QStringList otherEvents;
    QObject::connect(&other, &FormControl::ErrMessage, [&](const QString &m, int level, const QString &) {
        if (level > 1)
            otherEvents << m;
    });
    other.show();
    ASSERT_TRUE(other.IFormUI_Init(otherSystem, 200008));
    ASSERT_TRUE(other.IFormUI_Refresh());
    TreeNode *node = other.state().controls.TV->Nodes().item(QStringLiteral("wA-1"));
    ASSERT_TRUE(node);
    other.state().controls.TV->setSelectedItem(node);
    other.state().m_Tv->ReSelectItem(node);
    ASSERT_TRUE(other.IFormUI_FileEdit());

    form->state().controls.field(Field::Name)->setText(QStringLiteral("甲的轴"));
    other.state().controls.field(Field::Name)->setText(QStringLiteral("乙的轴"));
    desktop->clearRecords();
    takeEvents();
    ASSERT_TRUE(form->IFormUI_FileSave());
    ASSERT_TRUE(other.IFormUI_FileSave());
    EXPECT_EQ(scalar(QStringLiteral("SELECT 物品名称 FROM pdmzeva WHERE 产品ID=10")), QStringLiteral("乙的轴"));
    // Neither user hears of the other's change: no dialog, no warning.
    EXPECT_TRUE(desktop->records().isEmpty());
    EXPECT_TRUE(otherEvents.isEmpty());
    EXPECT_TRUE(takeEvents().filter(QStringLiteral("|8|")).isEmpty());
}

} // namespace
} // namespace zeva::testing
