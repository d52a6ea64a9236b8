#include "productsave.h"

#include "ctreeview.h"
#include "formcontrol.h"
#include "hostdatabase.h"
#include "hostsystem.h"
#include "keyallocator.h"
#include "kvtxts.h"
#include "messagetitles.h"
#include "productstatements.h"
#include "recordview.h"
#include "savevalidation.h"
#include "treecontrol.h"
#include "treemodel.h"
#include "values.h"

#include <QLabel>

namespace zeva {

namespace {


bool failed(ProductSave &save, const QString &prefix)
{
    const QString error = save.db->LastError().Description();
    if (error.isEmpty())
        return false;
    emit save.events.ErrMessage(prefix + error, 9, kTitle);
    return true;
}

// Integral numbers as integers, so that integer columns take them on every back end.
HostValue numberOf(const QString &text)
{
    const double v = leadingNumber(text);
    return v == double(qint64(v)) ? HostValue(qint64(v)) : HostValue(v);
}

bool run(ProductSave &save, const QString &sql)
{
    (void)save.db->Prepare(sql, 1)->Execute();
    return !failed(save, QStringLiteral("数据库操作错误，原因："));
}

bool writeSupplement(ProductSave &save, const ProductRecord &record, int id)
{
    auto rs = save.db->Prepare(QStringLiteral("SELECT * From PDMZEVAB Where 产品ID=") + QString::number(id), 1)
                  ->OpenRecordset();
    if (!rs->IsEOF()) {
        for (const Field f : {Field::PurchaseMode, Field::SuggestedStock, Field::MaxPurchasePrice,
                              Field::MinSalesPrice, Field::Salesman})
            rs->Fields(QString::fromUtf8(fieldInfo(f).column ? fieldInfo(f).column : fieldInfo(f).keyColumn)) =
                numberOf(numberValue(record, f));
        const bool stored = rs->Update();
        rs->Close();
        return stored || !failed(save, QStringLiteral("保存到附表时出错,原因："));
    }
    rs->Close();
    (void)save.db->Prepare(supplementInsert(record, id), 1)->Execute();
    return !failed(save, QStringLiteral("保存到附表时出错,原因："));
}

double billSwitch(HostDatabase &db, const char *caption)
{
    const QString sql = QStringLiteral("select text from xt_billattribute where ProgID=") + QStringLiteral("200008")
        + QStringLiteral(" and attribute ='参考进价' and caption='") + QString::fromUtf8(caption) + u'\'';
    return leadingNumber(db.Prepare(sql, 1)->GetValue().toText());
}

bool writePrice(ProductSave &save, const ProductRecord &record, int id)
{
    if (billSwitch(*save.db, "是否保存到往来价格库") != 1)
        return true;
    const bool zeroToo = billSwitch(*save.db, "为零是否保存到往来价格库") == 1;
    const qint64 supplier = qint64(leadingNumber(record[Field::Supplier].key));
    const QString price = numberValue(record, Field::PurchasePrice);
    if (supplier <= 0 || (leadingNumber(price) == 0 && !zeroToo))
        return true;
    const auto currency = [&save] { return sqlNumber(save.system.GetParameter(12, 4).Value); };
    const QString existing = QStringLiteral("select wlpriceID from pubwlprice where 往来ID=") + QString::number(supplier)
        + QStringLiteral(" and 币种ID=") + currency() + QStringLiteral(" and 产品ID=") + QString::number(id);
    const qint64 priceId = leadingInteger(save.db->Prepare(existing, 1)->GetValue().toText());
    if (priceId > 0)
        return run(save, QStringLiteral("update pubwlprice set 单价=") + price + u','
                             + QStringLiteral("备注='产品目录记入'") + QStringLiteral(" where wlpriceID=")
                             + QString::number(priceId));
    int key = 0;
    if (const QString error = save.keys.Allocate(QStringLiteral("pubwlprice"), QStringLiteral("wlpriceID"), key);
        !error.isEmpty())
        throw SaveFailure{error};
    return run(save, QStringLiteral("insert into pubwlprice(wlpriceID,往来ID,币种ID,产品ID,单价,smark,systemcode,备注)values(")
                         + QString::number(key) + u',' + QString::number(supplier) + u',' + currency() + u','
                         + QString::number(id) + u',' + price + u',' + QStringLiteral("'02','PO','产品目录记入')"));
}

QString nodeText(const FormControls &c)
{
    return trimSpaces(c.field(Field::Code)->text()) + QStringLiteral("  ") + trimSpaces(c.field(Field::Name)->text());
}

} // namespace

bool writeProduct(ProductSave &save)
{
    // An entry typed just before a save from the host's toolbar (which takes no focus) has
    // not been looked up yet: it is, as leaving its box would have done.
    for (kvTxt_S *box : save.controls.kvT) {
        if (box->entryPending())
            box->resolveEntry();
    }
    kvTxt_S *code = save.controls.field(Field::Code);
    code->setText(trimSpaces(QString(code->text()).remove(QStringLiteral("\r\n"))));
    if (!Cansave({save.controls, save.desktop, save.focus, save.system, *save.db, save.events,
                  save.isNew ? 0 : save.selection.productId}))
        return false;

    const ProductRecord record = readRecord(save.controls);
    QString sql;
    if (save.isNew) {
        int key = 0;
        if (const QString error = save.keys.Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key);
            !error.isEmpty())
            throw SaveFailure{error};
        save.currentProductId = key;
        sql = productInsert(record, key, save.selection.categoryId);
    } else {
        save.currentProductId = save.selection.productId;
        sql = productUpdate(record, save.currentProductId);
    }
    const int id = save.currentProductId;
    return run(save, sql) && writeSupplement(save, record, id) && writePrice(save, record, id);
}

void showSavedProduct(ProductSave &save)
{
    TreeControl *tree = save.tree.ctrl();
    FormControls &c = save.controls;
    if (!save.isNew) {
        if (save.tree.IsSelected()) {
            TreeNode *selected = tree->selectedItem();
            tree->Nodes().setText(selected, nodeText(c));
            tree->ensureVisible(selected);
        } else {
            emit save.events.ErrMessage(QStringLiteral("没有选中对象"), 8, kTitle);
        }
        save.tree.ReSelectItem();
        return;
    }
    c.lbl[0]->setText(QString::number(save.currentProductId));
    TreeNode *selected = tree->selectedItem();
    TreeNode *parent = save.selection.kind == Selection::Kind::Product && selected ? selected->parent() : selected;
    if (!parent)
        throw SaveFailure{QStringLiteral("没有选中对象")};
    TreeNode *node = tree->Nodes().add(QVariant::fromValue(parent), tvwChild,
                                       QStringLiteral("w") + trimSpaces(c.field(Field::Code)->text()), nodeText(c), 5,
                                       {}, {}, QString::number(save.currentProductId));
    if (!node)
        throw SaveFailure{tree->Nodes().errorString()};
    tree->setSelectedItem(node);
    tree->ensureVisible(node);
    save.tree.ReSelectItem(node);
}

} // namespace zeva
