#include "productstatements.h"

#include "values.h"

#include <QStringList>

namespace zeva {

namespace {

using enum Field;

// The units are written as they are shown, surrounding blanks and all.
QString untrimmed(const ProductRecord &r, Field f)
{
    return sqlEscape(r[f].text);
}

QString keyValue(const ProductRecord &r, Field f)
{
    return sqlNumber(r[f].key);
}

QString check(const ProductRecord &r, Check c)
{
    const auto checks = recordChecks();
    for (size_t i = 0; i < checks.size(); ++i)
        if (checks[i].check == c)
            return QString::number(r.checks[i]);
    return QStringLiteral("0");
}

QString abc(const ProductRecord &r)
{
    for (const char *code : kAbcCodes)
        if (r.abc == QLatin1String(code))
            return r.abc;
    return {};
}

} // namespace

QString textValue(const ProductRecord &r, Field f)
{
    return sqlEscape(trimSpaces(r[f].text));
}

QString numberValue(const ProductRecord &r, Field f)
{
    const FieldInfo &info = fieldInfo(f);
    return info.kind == FieldKind::CodedKey ? keyValue(r, f) : sqlNumber(r[f].text);
}

QString productInsert(const ProductRecord &r, int productId, int categoryId)
{
    const auto q = [&r](Field f) { return u'\'' + textValue(r, f) + u'\''; };
    const auto n = [&r](Field f) { return numberValue(r, f); };
    const QStringList values = {
        QString::number(productId), q(ModelNumber), q(Code), q(Mnemonic), q(Name), q(Origin), q(BarCode),
        QString::number(categoryId), q(Colour), q(Feature), q(Size), q(DrawingNumber), q(Description),
        n(MinStock), n(MaxStock), n(PurchasePrice), n(RetailPrice), n(TaxAmount), n(WholesalePrice), n(LossRate),
        n(ShelfLife), q(Location), n(ConversionRate), check(r, Check::InUse), check(r, Check::Batch),
    };
    const QStringList after = {
        u'\'' + untrimmed(r, StockUnit) + u'\'', u'\'' + untrimmed(r, WeightUnit) + u'\'', keyValue(r, Routing),
        keyValue(r, Supplier), n(LeadTime), keyValue(r, Source), check(r, Check::Single),
    };
    return QStringLiteral("insert into pdmzeva (产品ID,规格,物品编码,助忆词,物品名称,物品产地,条形码,"
                          "产品类别ID,颜色,特性,尺寸,图号,物品说明,短缺限额,超储限额,参考进价,参考零售价,参考税额,参考批发价,损耗率,保质期,"
                          "缺省货位,换算比例,是否使用,是否需批次管理,ABC码,库存单位,重量单位,工艺路线ID,主往来ID,采购提前期,来源ID,是否需单件管理) values (")
        + values.join(u',') + QStringLiteral(", '") + abc(r) + QStringLiteral("',") + after.join(u',') + u')';
}

QString productUpdate(const ProductRecord &r, int productId)
{
    const auto t = [&r](Field f) { return textValue(r, f); };
    const auto n = [&r](Field f) { return numberValue(r, f); };
    return QStringLiteral("update pdmzeva set 物品编码='") + t(Code) + QStringLiteral("',")
        + QStringLiteral(" 规格='") + t(ModelNumber) + QStringLiteral("',")
        + QStringLiteral("物品名称='") + t(Name) + QStringLiteral("',物品产地='") + t(Origin) + QStringLiteral("',")
        + QStringLiteral("助忆词='") + t(Mnemonic) + QStringLiteral("',条形码='") + t(BarCode) + QStringLiteral("',")
        + QStringLiteral("颜色='") + t(Colour) + QStringLiteral("',特性='") + t(Feature) + QStringLiteral("',")
        + QStringLiteral("尺寸='") + t(Size) + QStringLiteral("',图号='") + t(DrawingNumber) + QStringLiteral("',")
        + QStringLiteral("物品说明='") + t(Description) + QStringLiteral("',短缺限额=") + n(MinStock) + u','
        + QStringLiteral("超储限额=") + n(MaxStock) + QStringLiteral(",参考进价=") + n(PurchasePrice) + u','
        + QStringLiteral("参考零售价=") + n(RetailPrice) + QStringLiteral(",参考税额=") + n(TaxAmount) + u','
        + QStringLiteral("参考批发价=") + n(WholesalePrice) + QStringLiteral(",损耗率=") + n(LossRate) + u','
        + QStringLiteral("保质期=") + n(ShelfLife) + QStringLiteral(",缺省货位='") + t(Location) + QStringLiteral("',")
        + QStringLiteral("换算比例=") + n(ConversionRate) + u','
        + QStringLiteral("是否使用=") + check(r, Check::InUse) + QStringLiteral(", 是否需批次管理=")
        + check(r, Check::Batch) + u','
        + QStringLiteral("ABC码='") + abc(r) + QStringLiteral("',")
        + QStringLiteral("库存单位='") + untrimmed(r, StockUnit) + QStringLiteral("',")
        + QStringLiteral("重量单位='") + untrimmed(r, WeightUnit) + QStringLiteral("',")
        + QStringLiteral("工艺路线ID=") + keyValue(r, Routing) + u','
        + QStringLiteral("主往来ID =") + keyValue(r, Supplier) + QStringLiteral(",采购提前期=") + n(LeadTime) + u','
        + QStringLiteral("来源ID=") + keyValue(r, Source) + u','
        + QStringLiteral("是否需单件管理=") + check(r, Check::Single) + QStringLiteral(" where 产品ID=")
        + QString::number(productId);
}

QString supplementInsert(const ProductRecord &r, int productId)
{
    return QStringLiteral("Insert Into PDMZEVAB (产品ID,建议备库量,采购方式,最高采购价,最低销售价,业务员ID) Values (")
        + QString::number(productId) + u',' + numberValue(r, SuggestedStock) + u',' + numberValue(r, PurchaseMode)
        + u',' + numberValue(r, MaxPurchasePrice) + u',' + numberValue(r, MinSalesPrice) + u','
        + numberValue(r, Salesman) + u')';
}

} // namespace zeva
