#pragma once
// A drawing control on a fresh SQLite database with the host's schema, scripted desktop
// services and every event it raises recorded as one text line.

#include "drawingcontrol.h"
#include "kithostservices.h"
#include "kithostsystem.h"
#include "scripteddesktopservices.h"
#include "sqlhostdatabase.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// Readable QString output in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace zeva::testing {

class FormFixture : public ::testing::Test {
public:   // a table-driven test drives fixtures of its own
    void SetUp() override;
    void TearDown() override;

    // Runs statements (SQL Server dialect, through the host database); fails the test on error.
    void exec(const QString &sql);
    void exec(const QStringList &statements);
    // The first value of a query's first row, as text.
    QString scalar(const QString &sql) { return db->Prepare(sql, 1)->GetValue().toText(); }
    // Adds a category row: id, code, name, level, detail flag, account number.
    void addCategory(int id, const QString &code, const QString &name, bool detail = true,
                     const QString &account = {});
    // Adds a product row with the columns the tree reads, plus extra "列=值" assignments.
    void addProduct(int id, const QString &code, const QString &name, int categoryId,
                    const QString &extraColumns = {}, const QString &extraValues = {});

    // Creates the control (UserControl_InitProperties) and shows it offscreen.
    void createForm();
    // Creates the control and calls IFormUI_Init.
    bool init(int plCzID = 200008, std::optional<int> plID = {});

    // One category "01" with the product "A-1", loaded, selected and opened for editing.
    void editOneProduct();
    // A user's click on the row of the node with `key`, its ancestors expanded first.
    void clickNode(const QString &key);
    // A user's expansion of the node with the keyboard: a click on its row, then Right
    // (and Left first when it is already expanded).
    void expandNode(const QString &key);
    // The tree as "depth key text tag" lines, pre-order.
    QStringList treeLines() const;
    QStringList takeEvents();

    QTemporaryDir dir;
    std::shared_ptr<host::SqlHostDatabase> db;
    std::shared_ptr<HostDatabase> session;   // the form's database when set, else db
    std::unique_ptr<ScriptedDesktopServices> desktop;
    std::unique_ptr<host::KitHostServices> services;
    host::HostOptions options;
    std::shared_ptr<host::KitHostSystem> system;
    std::unique_ptr<DrawingControl> form;
    QStringList events;
};

} // namespace zeva::testing
