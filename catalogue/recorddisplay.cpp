#include "recorddisplay.h"

#include "ctreeview.h"
#include "documentpages.h"
#include "formcontrol.h"
#include "formstate.h"
#include "formtoolbar.h"
#include "kvtxts.h"
#include "treenode.h"
#include "values.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace zeva {

namespace {

const QString kTitle = QStringLiteral("产品目录");

// Clearing a group of option buttons needs their exclusivity off for a moment.
void clearOptions(FormControls &c)
{
    for (QRadioButton *option : c.Opt) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

QString text(HostRecordset &rs, const char *column)
{
    return rs.Fields(QString::fromUtf8(column)).Value().toText();
}

// A name query: the number of a key column spliced into its statement.
QString lookupName(HostDatabase &db, const QString &sql)
{
    return db.Prepare(sql, 1)->GetValue().toText();
}

// The first failure of the routine, if any, ends it.
struct Failed {
    QString description;
};

void check(HostDatabase &db)
{
    if (const QString error = db.LastError().Description(); !error.isEmpty())
        throw Failed{error};
}

// A standard bill of materials or routing: its ID goes to the host (0 without one) and its
// mark shows when there is one.
void standardMark(FormState &state, HostDatabase &db, const QString &sql, const QString &property, QWidget *mark)
{
    const qint64 id = leadingInteger(db.Prepare(sql, 1)->GetValue().toText());
    check(db);
    emit state.form->Property(property, id < 1 ? 0 : id, false);
    mark->setVisible(id >= 1);
}

void fillProduct(FormState &state, HostDatabase &db, int productId)
{
    FormControls &c = state.controls;
    const QString id = QString::number(productId);
    auto rs = db.Prepare(QStringLiteral("SELECT * FROM vtPDMZEVA WHERE 产品ID=") + id, 1)->OpenRecordset();
    check(db);
    if (rs->IsEOF() && rs->IsBOF()) {
        rs->Close();
        return;
    }
    const QString abc = text(*rs, "ABC码");
    clearOptions(c);
    if (abc == u"A")
        c.Opt[0]->setChecked(true);
    else if (abc == u"B")
        c.Opt[1]->setChecked(true);
    else if (abc == u"C")
        c.Opt[2]->setChecked(true);
    c.lbl[0]->setText(text(*rs, "产品ID"));
    c.lbl[1]->setText(text(*rs, "产品类别ID"));
    c.lbl[4]->setText(text(*rs, "产品类别"));

    static const char *const kColumns[] = {
        "物品编码", "助忆词", "物品名称", "规格", "物品产地", "条形码", "产品类别", "颜色", "特性", "尺寸",
        "图号", "物品说明", "超储限额", "短缺限额", "参考进价", "参考零售价", "参考税额", "参考批发价",
        "损耗率", "保质期", "缺省货位", "换算比例", "库存单位", "重量单位", "工艺路线", nullptr,
        "采购提前期", nullptr,
    };
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        if (i == 24) {
            c.kvT[24]->setText(text(*rs, "工艺路线"));
            c.kvT[24]->setKeyValue(text(*rs, "工艺路线ID"));
        } else if (i == 25) {
            const QString source = sqlNumber(leadingNumber(text(*rs, "来源ID")));
            c.kvT[25]->setKeyValue(text(*rs, "来源ID"));
            c.kvT[25]->setText(lookupName(db, QStringLiteral("SELECT Caption From xt_billattribute Where attribute ='产品来源' AND Text='")
                                                  + source + u'\''));
            check(db);
        } else if (i == 27) {
            const QString partner = sqlNumber(leadingNumber(text(*rs, "主往来ID")));
            c.kvT[27]->setKeyValue(text(*rs, "主往来ID"));
            c.kvT[27]->setText(lookupName(db, QStringLiteral("SELECT 公司名称 FROM PDMWLDW Where 往来ID=") + partner));
            check(db);
        } else {
            c.kvT[i]->setText(text(*rs, kColumns[i]));
        }
    }
    c.chk[0]->setChecked(leadingNumber(text(*rs, "是否使用")) != 0);
    c.chk[1]->setChecked(leadingNumber(text(*rs, "是否需批次管理")) != 0);
    c.chk[7]->setChecked(leadingNumber(text(*rs, "是否需单件管理")) != 0);
    rs->Close();

    auto extra = db.Prepare(QStringLiteral("SELECT * FROM PDMZEVAB WHERE 产品ID=") + id, 1)->OpenRecordset();
    check(db);
    if (!extra->IsEOF()) {
        c.kvT[29]->setText(text(*extra, "建议备库量"));
        const QString mode = text(*extra, "采购方式");
        c.kvT[28]->setKeyValue(mode);
        c.kvT[28]->setText(lookupName(db, QStringLiteral("SELECT Caption From xt_billattribute Where ProgID=")
                                              + QStringLiteral("200008")
                                              + QStringLiteral(" AND attribute ='采购方式' AND Text='")
                                              + sqlNumber(leadingNumber(mode)) + u'\''));
        check(db);
        c.kvT[30]->setText(text(*extra, "最高采购价"));
        c.kvT[31]->setText(text(*extra, "最低销售价"));
        const QString salesman = text(*extra, "业务员ID");
        c.kvT[32]->setKeyValue(salesman);
        c.kvT[32]->setText(lookupName(db, QStringLiteral("SELECT 名称 From pdmxsy Where AutoID=")
                                              + sqlNumber(leadingNumber(salesman))));
        check(db);
    }
    extra->Close();

    if (c.Toolbar1->value(5) == 1)
        loadPictures(state);
    else if (c.Toolbar1->value(7) == 1)
        loadDrawingList(state);

    standardMark(state, db,
                 QStringLiteral("select top 1 BomID FROM PDMbom where smark='02' and 是否标准=1 and 是否失效=0 and 产品ID=") + id,
                 QStringLiteral("BomID"), c.ImgBom);
    standardMark(state, db, QStringLiteral("select top 1 ID FROM PDMSRLX where 是否标准=1 and 是否失效=0 and 产品ID=") + id,
                 QStringLiteral("工艺ID"), c.ImgSr);

    emit state.form->Property(QStringLiteral("产品ID"), state.currentProductId, true);
}

} // namespace

void ClearFields(FormState &state)
{
    FormControls &c = state.controls;
    c.chk[1]->setChecked(false);
    c.chk[0]->setChecked(false);
    c.chk[7]->setChecked(false);
    c.ImgBom->hide();
    c.ImgSr->hide();
    for (QWidget *w : c.all) {
        const QString type = controlType(w);
        if (type == u"TextBox") {
            if (auto *edit = qobject_cast<QLineEdit *>(w))
                edit->clear();
        } else if (type == u"kvTxt_S") {
            static_cast<kvTxt_S *>(w)->clear();
        }
    }
    c.txtFileName->clear();
    c.imgZeva->clear();
    c.pic->clear();
    c.chk[4]->setChecked(false);
    c.chk[6]->setChecked(false);
}

void ShowRecord(FormState &state, int productId)
{
    auto db = state.database();
    if (!db)
        return;
    try {
        fillProduct(state, *db, productId);
    } catch (const Failed &failure) {
        emit state.form->ErrMessage(QStringLiteral("更新屏幕时出错，原因：") + failure.description, 8, kTitle);
    }
    db->Release();
}

void showSelection(FormState &state, TreeNode *node)
{
    if (!node)
        return;
    if (!state.valueConverter) {
        emit state.form->ErrMessage(QStringLiteral("选择类别时发生错误,原因：")
                                        + QStringLiteral("the form has no host: IFormUI_Init has not run, or Clear ended it"),
                                    8, kTitle);
        return;
    }
    FormControls &c = state.controls;
    ClearFields(state);
    c.lbl[1]->setText(QStringLiteral("0"));
    c.lbl[0]->setText(QStringLiteral("0"));
    c.lbl[4]->setText(QString());
    const QString key = node->key();
    const QChar kind = key.isEmpty() ? QChar() : key.front().toLower();
    if (kind == u'r') {
        c.lbl[2]->setText(QStringLiteral("r"));
    } else if (kind == u'k') {
        if (key.size() > 1) {
            state.currentProductId = state.valueConverter->ToLong(node->tag());
            c.lbl[1]->setText(QString::number(state.currentProductId));
            const QString nodeText = node->text();
            const qsizetype blank = nodeText.indexOf(u' ');
            c.lbl[4]->setText(blank < 0 ? QString() : trimSpaces(nodeText.mid(blank)));
            c.lbl[2]->setText(QStringLiteral("k"));
        } else {
            c.lbl[2]->setText(QStringLiteral("r"));
        }
    } else if (kind == u'w') {
        state.currentProductId = state.valueConverter->ToLong(node->tag());
        ShowRecord(state, state.currentProductId);
        c.lbl[2]->setText(QStringLiteral("w"));
        emit state.form->Property(QStringLiteral("产品ID"), state.currentProductId, true);
    }
}

} // namespace zeva
