#include "recordview.h"

#include "kvtxts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace zeva {

namespace {

// Clearing a group of option buttons needs their exclusivity off for a moment.
void clearOptions(FormControls &c)
{
    for (QRadioButton *option : c.Opt) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

} // namespace

void showRecord(FormControls &c, const ProductRecord &record)
{
    clearOptions(c);
    for (int i = 0; i < int(kAbcCodes.size()); ++i) {
        if (record.abc == QLatin1String(kAbcCodes[i]))
            c.Opt[i]->setChecked(true);
    }
    for (const FieldInfo &info : recordFields()) {
        if (info.table == FieldTable::Supplement && !record.hasSupplement)
            continue;
        kvTxt_S *box = c.field(info.field);
        const FieldValue &value = record[info.field];
        if (info.keyColumn)
            box->setKeyValue(value.key);
        box->setText(value.text);
    }
    const auto checks = recordChecks();
    for (size_t i = 0; i < checks.size(); ++i)
        c.check(checks[i].check)->setChecked(record.checks[i] != 0);
}

ProductRecord readRecord(const FormControls &c)
{
    ProductRecord record;
    for (const FieldInfo &info : recordFields()) {
        const kvTxt_S *box = c.field(info.field);
        record[info.field] = {box->text(), box->keyValue()};
    }
    const auto checks = recordChecks();
    for (size_t i = 0; i < checks.size(); ++i) {
        const QCheckBox *box = c.check(checks[i].check);
        record.checks[i] = box->checkState() == Qt::PartiallyChecked ? 2 : box->isChecked() ? 1 : 0;
    }
    for (int i = 0; i < int(kAbcCodes.size()); ++i) {
        if (c.Opt[i]->isChecked())
            record.abc = QLatin1String(kAbcCodes[i]);
    }
    record.hasSupplement = true;
    return record;
}

namespace {

// ClearFields, with the record's text boxes left to `keepFields`.
void clear(FormControls &c, bool keepFields)
{
    for (const CheckInfo &info : recordChecks())
        c.check(info.check)->setChecked(false);
    c.ImgBom->hide();
    c.ImgSr->hide();
    for (qsizetype i = 0; i < c.all.size(); ++i) {
        QWidget *w = c.all[i];
        const QString &type = c.types[i];
        if (type == u"TextBox") {
            if (auto *edit = qobject_cast<QLineEdit *>(w))
                edit->clear();
        } else if (type == u"kvTxt_S" && !keepFields) {
            static_cast<kvTxt_S *>(w)->clear();
        }
    }
    c.txtFileName->clear();
    c.imgZeva->clear();
    c.pic->clear();
    c.chk[4]->setChecked(false);
    c.chk[6]->setChecked(false);
}

} // namespace

void clearRecord(FormControls &c)
{
    clear(c, false);
}

void replaceRecord(FormControls &c, const ProductRecord &record)
{
    clear(c, true);
    if (!record.hasSupplement) {
        for (const FieldInfo &info : recordFields()) {
            if (info.table == FieldTable::Supplement)
                c.field(info.field)->clear();
        }
    }
    showRecord(c, record);
}

void showSelectionLabels(FormControls &c, const Selection &selection)
{
    c.lbl[0]->setText(QString::number(selection.productId));
    c.lbl[1]->setText(QString::number(selection.categoryId));
    c.lbl[2]->setText(selection.kindLetter());
    c.lbl[4]->setText(selection.categoryName);
}

} // namespace zeva
