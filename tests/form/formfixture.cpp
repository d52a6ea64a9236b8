#include "formfixture.h"

#include "ctreeview.h"
#include "schema.h"
#include "treecontrol.h"

#include <QApplication>
#include <QTest>

namespace zeva::testing {

void FormFixture::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    QString error;
    db = host::SqlHostDatabase::openSqlite(dir.filePath(QStringLiteral("catalogue.db")), &error);
    ASSERT_TRUE(db) << error.toStdString();
    ASSERT_TRUE(host::createSchema(*db, &error)) << error.toStdString();
    desktop = std::make_unique<ScriptedDesktopServices>(dir.filePath(QStringLiteral("settings")));
    desktop->setUnansweredHandler([](const ScriptedDesktopServices::Record &r) {
        ADD_FAILURE() << "unanswered " << r.kind.toStdString() << ": " << r.text.toStdString();
    });
    services = std::make_unique<host::KitHostServices>(*desktop);
}

void FormFixture::TearDown()
{
    form.reset();
    system.reset();
    session.reset();
    db.reset();
}

void FormFixture::exec(const QString &sql)
{
    db->Prepare(sql, 1)->Execute();
    ASSERT_EQ(db->LastError().Description(), QString()) << sql.toStdString();
}

void FormFixture::exec(const QStringList &statements)
{
    for (const QString &sql : statements)
        exec(sql);
}

void FormFixture::addCategory(int id, const QString &code, const QString &name, bool detail, const QString &account)
{
    exec(QStringLiteral("INSERT INTO pdmcplb (类别ID, 类别编码, 类别名称, 级次, 是否明细, 对应科目编号) VALUES (%1, '%2', '%3', %4, %5, '%6')")
             .arg(id).arg(code, name).arg((code.size() + 1) / 2).arg(detail ? 1 : 0).arg(account));
}

void FormFixture::addProduct(int id, const QString &code, const QString &name, int categoryId,
                             const QString &extraColumns, const QString &extraValues)
{
    exec(QStringLiteral("INSERT INTO pdmzeva (产品ID, 物品编码, 物品名称, 产品类别ID%5) VALUES (%1, '%2', '%3', %4%6)")
             .arg(id).arg(code, name).arg(categoryId)
             .arg(extraColumns.isEmpty() ? QString() : QStringLiteral(", ") + extraColumns,
                  extraValues.isEmpty() ? QString() : QStringLiteral(", ") + extraValues));
}

void FormFixture::createForm()
{
    system = std::make_shared<host::KitHostSystem>(session ? session : db, options);
    form = std::make_unique<DrawingControl>(services.get());
    QObject::connect(form.get(), &FormControl::Message, [this](const QString &m) { events << QStringLiteral("Message|") + m; });
    QObject::connect(form.get(), &FormControl::ErrMessage, [this](const QString &m, int level, const QString &title) {
        events << QStringLiteral("ErrMessage|%1|%2|%3").arg(m).arg(level).arg(title);
    });
    QObject::connect(form.get(), &FormControl::FormRefreshed, [this] { events << QStringLiteral("FormRefreshed"); });
    QObject::connect(form.get(), &FormControl::Property, [this](const QString &name, const QVariant &value, bool autoUpdate) {
        events << QStringLiteral("Property|%1|%2|%3").arg(name, value.toString()).arg(autoUpdate ? 1 : 0);
    });
    form->show();
    form->activateWindow();
    QApplication::processEvents();
}

bool FormFixture::init(int plCzID, std::optional<int> plID)
{
    createForm();
    return form->IFormUI_Init(system, plCzID, plID);
}

void FormFixture::editOneProduct()
{
    addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
    addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 1);
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    clickNode(QStringLiteral("wA-1"));
    ASSERT_TRUE(form->IFormUI_FileEdit());
}

void FormFixture::clickNode(const QString &key)
{
    auto *tree = form->state().controls.TV;
    TreeNode *node = tree->Nodes().item(key);
    ASSERT_TRUE(node) << key.toStdString();
    tree->ensureVisible(node);
    QApplication::processEvents();
    const QRect rect = tree->visualRect(tree->Nodes().indexOf(node));
    ASSERT_TRUE(rect.isValid()) << key.toStdString();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QApplication::processEvents();
}

void FormFixture::expandNode(const QString &key)
{
    auto *tree = form->state().controls.TV;
    clickNode(key);
    TreeNode *node = tree->Nodes().item(key);
    ASSERT_TRUE(node) << key.toStdString();
    if (node->expanded())
        QTest::keyClick(tree, Qt::Key_Left);
    QTest::keyClick(tree, Qt::Key_Right);
    QApplication::processEvents();
}

QStringList FormFixture::treeLines() const
{
    auto *tree = form->state().controls.TV;
    QStringList lines;
    std::function<void(TreeNode *, int)> walk = [&](TreeNode *node, int depth) {
        lines << QStringLiteral("%1 %2 %3 %4").arg(depth).arg(node->key(), node->text(), node->tag().toString());
        for (int i = 0; i < node->children(); ++i)
            walk(node->childAt(i), depth + 1);
    };
    for (int i = 0; i < tree->Nodes().topLevelCount(); ++i)
        walk(tree->Nodes().topLevelAt(i), 0);
    return lines;
}

QStringList FormFixture::takeEvents()
{
    QStringList taken = events;
    events.clear();
    return taken;
}

} // namespace zeva::testing
