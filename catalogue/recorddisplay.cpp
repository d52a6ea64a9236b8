#include "recorddisplay.h"

#include "formcontrol.h"
#include "hostdatabase.h"
#include "messagetitles.h"
#include "recordview.h"
#include "treenode.h"
#include "valueconverter.h"
#include "values.h"

#include <QLabel>

namespace zeva {

namespace {


QString text(HostRecordset &rs, const char *column)
{
    return rs.Fields(QString::fromUtf8(column)).Value().toText();
}

// The first failure of a routine ends it.
struct Failed {
    QString description;
};

void check(HostDatabase &db)
{
    if (const QString error = db.LastError().Description(); !error.isEmpty())
        throw Failed{error};
}

// The text and key of one field from a row; a field shown by name runs its name query
// with the key's number.
void readField(HostDatabase &db, HostRecordset &rs, const FieldInfo &info, FieldValue &value)
{
    if (info.keyColumn)
        value.key = text(rs, info.keyColumn);
    if (info.column) {
        value.text = text(rs, info.column);
        return;
    }
    const QString sql = QString::fromUtf8(info.namePrefix) + sqlNumber(leadingNumber(value.key))
        + QString::fromUtf8(info.nameSuffix);
    value.text = db.Prepare(sql, 1)->GetValue().toText();
    check(db);
}

void readRows(HostDatabase &db, int productId, RecordRead &read)
{
    ProductRecord &record = read.record;
    const QString id = QString::number(productId);
    auto rs = db.Prepare(QStringLiteral("SELECT * FROM vtPDMZEVA WHERE 产品ID=") + id, 1)->OpenRecordset();
    check(db);
    if (rs->IsEOF() && rs->IsBOF()) {
        rs->Close();
        return;
    }
    record.abc = text(*rs, kAbcColumn);
    record.productId = int(leadingInteger(text(*rs, "产品ID")));
    record.categoryId = int(leadingInteger(text(*rs, "产品类别ID")));
    record.categoryName = text(*rs, "产品类别");
    for (const FieldInfo &info : recordFields()) {
        if (info.table == FieldTable::Product)
            readField(db, *rs, info, record[info.field]);
    }
    const auto checks = recordChecks();
    for (size_t i = 0; i < checks.size(); ++i)
        record.checks[i] = int(leadingInteger(text(*rs, checks[i].column)));
    rs->Close();

    auto extra = db.Prepare(QStringLiteral("SELECT * FROM PDMZEVAB WHERE 产品ID=") + id, 1)->OpenRecordset();
    check(db);
    record.hasSupplement = !extra->IsEOF();
    if (record.hasSupplement) {
        for (const FieldInfo &info : recordFields()) {
            if (info.table == FieldTable::Supplement)
                readField(db, *extra, info, record[info.field]);
        }
    }
    extra->Close();
    read.status = RecordRead::Found;
}

// A standard bill of materials or routing: its ID goes to the host (0 without one) and its
// mark shows when there is one.
void standardMark(RecordDisplay &display, HostDatabase &db, const QString &sql, const QString &property,
                  QWidget *mark)
{
    const qint64 id = leadingInteger(db.Prepare(sql, 1)->GetValue().toText());
    check(db);
    emit display.events.Property(property, id < 1 ? 0 : id, false);
    mark->setVisible(id >= 1);
}

void showWith(RecordDisplay &display, HostDatabase &db, int productId)
{
    const RecordRead read = readProduct(db, productId);
    if (read.status != RecordRead::Found) {
        clearRecord(display.controls);
        if (read.status == RecordRead::Failed)
            throw Failed{read.error};
        return;
    }
    replaceRecord(display.controls, read.record);   // cleared and shown in one pass
    display.selection.productId = read.record.productId;
    display.selection.categoryId = read.record.categoryId;
    display.selection.categoryName = read.record.categoryName;
    showSelectionLabels(display.controls, display.selection);
    if (display.loadShownPage)
        display.loadShownPage();

    const QString id = QString::number(productId);
    FormControls &c = display.controls;
    standardMark(display, db,
                 QStringLiteral("select top 1 BomID FROM PDMbom where smark='02' and 是否标准=1 and 是否失效=0 and 产品ID=") + id,
                 QStringLiteral("BomID"), c.ImgBom);
    standardMark(display, db, QStringLiteral("select top 1 ID FROM PDMSRLX where 是否标准=1 and 是否失效=0 and 产品ID=") + id,
                 QStringLiteral("工艺ID"), c.ImgSr);

    emit display.events.Property(QStringLiteral("产品ID"), display.currentProductId, true);
}

} // namespace

RecordRead readProduct(HostDatabase &db, int productId)
{
    RecordRead read;
    try {
        readRows(db, productId, read);
    } catch (const Failed &failure) {
        read.status = RecordRead::Failed;
        read.error = failure.description;
    }
    return read;
}

void showProduct(RecordDisplay &display, int productId)
{
    if (!display.db) {
        clearRecord(display.controls);
        return;
    }
    try {
        showWith(display, *display.db, productId);
    } catch (const Failed &failure) {
        emit display.events.ErrMessage(QStringLiteral("更新屏幕时出错，原因：") + failure.description, 8, kTitle);
    }
    display.db->Release();
}

void showSelection(RecordDisplay &display, TreeNode *node)
{
    if (!node)
        return;
    if (!display.converter) {
        emit display.events.ErrMessage(QStringLiteral("选择类别时发生错误,原因：")
                                           + QStringLiteral("the form has no host: IFormUI_Init has not run, or Clear ended it"),
                                       8, kTitle);
        return;
    }
    Selection &selection = display.selection;
    selection = Selection{};
    selection.nodeKey = node->key();
    const QChar kind = selection.nodeKey.isEmpty() ? QChar() : selection.nodeKey.front().toLower();
    if (kind != u'w')
        clearRecord(display.controls);   // a product's record clears the fields as it fills them
    if (kind == u'r') {
        selection.kind = Selection::Kind::Root;
    } else if (kind == u'k') {
        if (selection.nodeKey.size() > 1) {
            display.currentProductId = display.converter->ToLong(node->tag());
            selection.kind = Selection::Kind::Category;
            selection.categoryId = display.currentProductId;
            const QString nodeText = node->text();
            const qsizetype blank = nodeText.indexOf(u' ');
            selection.categoryName = blank < 0 ? QString() : trimSpaces(nodeText.mid(blank));
        } else {
            selection.kind = Selection::Kind::Root;
        }
    } else if (kind == u'w') {
        display.currentProductId = display.converter->ToLong(node->tag());
        selection.kind = Selection::Kind::Product;
        showProduct(display, display.currentProductId);
    }
    showSelectionLabels(display.controls, selection);
    if (selection.kind == Selection::Kind::Product)
        emit display.events.Property(QStringLiteral("产品ID"), display.currentProductId, true);
}

} // namespace zeva
