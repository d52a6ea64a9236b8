// Every statement the form issues, recorded from the form itself as a user drives it,
// answers alike on SQLite and on PostgreSQL. The list is what the form really sends, so
// it cannot drift from the form's code.
#include "formfixture.h"
#include "hosttestsupport.h"
#include "recordingdatabase.h"

#include "ctreeview.h"
#include "kvtxts.h"
#include "postildialog.h"
#include "productstatements.h"
#include "recordsearch.h"
#include "recordview.h"
#include "treecontrol.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace zeva::testing {
namespace {

using host::test::Backend;
using host::test::demoDatabase;
using host::test::runForText;

class FormStatements : public FormFixture {
protected:
    // The key of the first product or category node whose tag is `tag` (any, when empty).
    QString keyOf(QChar kind, const QString &tag = {}) const
    {
        for (TreeNode *node : form->state().controls.TV->Nodes()) {
            if (node->key().size() > 1 && node->key().startsWith(kind) && (tag.isEmpty() || node->tag().toString() == tag))
                return node->key();
        }
        return {};
    }
    // A category whose products wait to be loaded.
    QString waitingCategory() const
    {
        for (TreeNode *node : form->state().controls.TV->Nodes()) {
            if (node->children() == 1 && node->child()->tag().toString() == QStringLiteral("waiting"))
                return node->key();
        }
        return {};
    }
};

TEST_F(FormStatements, AnswerAlikeOnBothBackEnds)
{
    db = demoDatabase(Backend::Sqlite);
    ASSERT_TRUE(db);
    exec(QStringLiteral("INSERT INTO xt_objects (ProgID, progName, progCommandLine) VALUES (7, '成品', 'k=01,03')"));
    auto recorder = std::make_shared<RecordingDatabase>(db);
    session = recorder;

    // Browse as a user does: the whole catalogue, then a filtered one loaded lazily.
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    const QString bomProduct = scalar(QStringLiteral("SELECT 产品ID FROM PdmBom WHERE BomID=1"));
    const QString routed = scalar(QStringLiteral("SELECT 产品ID FROM PDMSRLX WHERE ID=1"));
    for (const QString &tag : {bomProduct, routed, QString()})
        clickNode(keyOf(u'w', tag));
    clickNode(keyOf(u'k'));
    clickNode(QStringLiteral("k"));
    clickNode(keyOf(u'w'));
    ASSERT_TRUE(form->IFormUI_FileEdit());
    // Every coded field looks an entry up; a source of any attribute set is found, a
    // purchase mode of another set is not, and quotes reach the database as data.
    const std::pair<Field, const char *> entries[] = {
        {Field::StockUnit, "kg"}, {Field::WeightUnit, "t"},     {Field::Source, "kg"},   {Field::PurchaseMode, "qt"},
        {Field::Supplier, "O'Brien"}, {Field::Routing, "x'--"}, {Field::Salesman, "002"},
    };
    desktop->answerButton(DesktopServices::Ok);
    desktop->answerButton(DesktopServices::Ok);
    for (const auto &[field, entry] : entries) {
        QLineEdit *editor = form->state().controls.field(field)->editor();
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromUtf8(entry));
        QTest::keyClick(editor, Qt::Key_Return);
    }
    EXPECT_EQ(form->state().controls.field(Field::Source)->keyValue(), QStringLiteral("4"));
    EXPECT_FALSE(form->state().controls.field(Field::PurchaseMode)->IsValid());
    EXPECT_EQ(form->state().controls.field(Field::Supplier)->keyValue(), QStringLiteral("8"));
    EXPECT_EQ(desktop->pendingAnswers(), 0);
    ASSERT_TRUE(form->IFormUI_FileCancel());
    // Saving an edit; a new product's statements join the list (keys come from the host's
    // own allocator, which the recording stand-in does not offer).
    FormControls &c = form->state().controls;
    // The document pages: a drawing listed, annotated with quotes and deleted; a picture
    // looked for and cleared.
    exec(QStringLiteral("INSERT INTO PDMZEVADraw (rowIndex, cpID, fileName, fileSize) VALUES (77, %1, 'd''1.dwg', 3)")
             .arg(c.lbl[0]->text()));
    form->Toolbar1_ButtonClick(7);
    ASSERT_EQ(c.lvDraw->topLevelItemCount(), 1);
    c.lvDraw->setCurrentItem(c.lvDraw->topLevelItem(0));
    {
        frmPostil postil;
        QTimer::singleShot(0, [&postil] {
            postil.findChild<QLineEdit *>(QStringLiteral("txt(2)"))->setText(QStringLiteral(" it's "));
            postil.findChild<QPlainTextEdit *>(QStringLiteral("txt(1)"))->setPlainText(QStringLiteral("'; --"));
            QTest::mouseClick(postil.findChild<QPushButton *>(QStringLiteral("Cmd(0)")), Qt::LeftButton);
            postil.hide();
        });
        postil.Display(*system, 77);
    }
    desktop->answerButton(DesktopServices::Yes);
    QTest::mouseClick(c.Cmd[2], Qt::LeftButton);
    ASSERT_EQ(c.lvDraw->topLevelItemCount(), 0);
    ASSERT_TRUE(form->IFormUI_FileEdit());
    form->Toolbar1_ButtonClick(5);
    QTest::mouseClick(c.CmdClear, Qt::LeftButton);
    ASSERT_TRUE(form->IFormUI_FileCancel());
    ASSERT_TRUE(form->IFormUI_FileEdit());
    c.field(Field::Code)->setText(QStringLiteral("S'1"));
    c.field(Field::Name)->setText(QStringLiteral("O'Neil"));
    c.field(Field::DrawingNumber)->setText(QStringLiteral("D'1"));
    c.field(Field::PurchasePrice)->setText(QStringLiteral("7.50"));
    c.field(Field::Supplier)->setKeyValue(0);   // a price row would need a new key
    ASSERT_TRUE(form->IFormUI_FileSave());
    const ProductRecord saved = readRecord(c);
    // Deleting it: every question takes its default, Yes.
    desktop->setUnansweredHandler({});
    ASSERT_TRUE(form->IFormUI_FileDelete());
    // Moving a product into another detail category (the question's default is Yes).
    TreeNode *product = form->state().controls.TV->Nodes().item(keyOf(u'w'));
    TreeNode *target = nullptr;
    for (TreeNode *node : form->state().controls.TV->Nodes()) {
        if (node->key().startsWith(u'k') && node->parent() && node != product->parent()
            && !(node->children() > 0 && node->child()->key().startsWith(u'k')))
            target = node;
    }
    ASSERT_TRUE(target);
    emit form->state().m_Tv->Dropped(product, target);
    ASSERT_EQ(product->parent(), target);
    desktop->answerText(QStringLiteral("x'%_"));   // in no node: the database is asked
    ASSERT_TRUE(form->IFormUI_Find(QVariant()));
    desktop->setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("1"));
    ASSERT_TRUE(form->IFormUI_Init(system, 7));
    ASSERT_TRUE(form->IFormUI_Refresh());
    const QString lazy = waitingCategory();
    ASSERT_FALSE(lazy.isEmpty());
    expandNode(lazy);   // loads its products
    expandNode(lazy);   // counts them
    // A product of a category not loaded yet, found through the database.
    const QString other = waitingCategory();
    ASSERT_FALSE(other.isEmpty());
    const QString code = scalar(QStringLiteral("SELECT top 1 物品编码 FROM pdmzeva WHERE 产品类别ID=")
                                + c.TV->Nodes().item(other)->tag().toString() + QStringLiteral(" ORDER BY 物品编码"));
    desktop->answerText(code);
    ASSERT_TRUE(form->IFormUI_Find(QVariant()));
    EXPECT_EQ(form->state().selection.nodeKey, QStringLiteral("w") + code);

    // Find's look-up with other letters' case than the stored code and name, as the form
    // builds it (PostgreSQL compares the columns as text with ILIKE).
    const QStringList caseBlind = {productCategoryQuery({}, QStringLiteral("o'BRIEN 英制")),
                                   productCategoryQuery({}, QStringLiteral("brIEN 英制螺栓 1/2\""))};
    const QStringList statements = recorder->statements()
        + QStringList{productInsert(saved, 990001, 1), supplementInsert(saved, 990001)} + caseBlind;
    ASSERT_GE(statements.size(), 20) << statements.join(u'\n').toStdString();
    EXPECT_EQ(recorder->statements().filter(QStringLiteral("SELECT top 1 PDMCPLB.")).size(), 2) << "Find without and with the filter";
    EXPECT_EQ(statements.filter(QStringLiteral("'O''Brien'")).size(), 1) << "the supplier's lookup, quotes doubled";

    // Replayed in the same order on two fresh copies of the demo catalogue.
    auto sqlite = demoDatabase(Backend::Sqlite);
    auto postgres = demoDatabase(Backend::Postgres);
    ASSERT_TRUE(sqlite && postgres);
    for (const QString &sql : statements) {
        const bool ordered = sql.contains(QStringLiteral("order by"), Qt::CaseInsensitive);
        QString onSqlite = runForText(*sqlite, sql, !ordered);
        QString onPostgres = runForText(*postgres, sql, !ordered);
        // An expression's column has no name in SQL Server; each back end makes up its own.
        if (sql.contains(QStringLiteral("count("), Qt::CaseInsensitive)) {
            onSqlite = onSqlite.section(u'\n', 1);
            onPostgres = onPostgres.section(u'\n', 1);
        }
        EXPECT_FALSE(onSqlite.startsWith(QStringLiteral("error"))) << sql.toStdString() << "\n" << onSqlite.toStdString();
        EXPECT_EQ(onSqlite.toStdString(), onPostgres.toStdString()) << sql.toStdString();
        if (caseBlind.contains(sql))
            EXPECT_TRUE(onPostgres.startsWith(QStringLiteral("1 rows: "))) << "a category found: " << onPostgres.toStdString();
    }
}

} // namespace
} // namespace zeva::testing
