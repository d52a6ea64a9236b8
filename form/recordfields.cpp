#include "recordfields.h"

#include <array>

namespace zeva {

namespace {

constexpr FieldLookup kStockUnit = {
    "Select 单位ID,代码,名称 From PDMjldw  where 代码 = '@' or 名称 = '@'", "单位ID", "名称", "gy_jldw",
    "计量单位输入有误，请重新输入！", kNoSwitch, true};
constexpr FieldLookup kWeightUnit = {
    "Select 单位ID,代码,名称 From PDMjldw  where 代码 = '@' or 名称 = '@'", "单位ID", "名称", "gy_jldw",
    "辅助单位输入有误，请重新输入！", 0, false};
constexpr FieldLookup kSource = {
    "select text,caption FROM xt_billattribute where (code = '@' or caption='@' ) AND ( attribute ='产品来源' ) ",
    "Text", "Caption", "zeva_lx", "产品来源输入有误，请重新输入！", 1, false};
constexpr FieldLookup kPurchaseMode = {
    "select text,caption FROM xt_billattribute where ProgID=200008 AND (code = '@' or caption='@' ) AND ( attribute ='采购方式' ) ",
    "Text", "Caption", "zeva_cg", "采购方式输入有误，请重新输入！", 1, false};
constexpr FieldLookup kSupplier = {
    "select * from vtpdmwldw where (公司编号='@' or 助忆词='@' or 公司名称='@') and 属性=1 AND 是否明细=1 and 是否停用=0",
    "往来ID", "公司名称", "hp_provide", nullptr, kNoSwitch, false};
constexpr FieldLookup kRouting = {
    "select 路线名称,ID FROM PDMSRLX where 是否标准=1 and  路线名称 = '@'", "ID", "路线名称", "gy_srlxname",
    "工艺路线输入有误，请重新输入！", kNoSwitch, true};
constexpr FieldLookup kSalesman = {
    "Select 代码,名称,AutoID From pdmxsy where 代码= '@' or 名称='@'", "AutoID", "名称", "hp_ywy",
    "业务员输入有误，请重新输入！", 1, false};

using enum Field;
using enum FieldKind;
constexpr FieldTable P = FieldTable::Product;
constexpr FieldTable B = FieldTable::Supplement;
constexpr Page Basic = Page::Basic;
constexpr Page Further = Page::Further;

// clang-format off
constexpr std::array<FieldInfo, kFieldCount> kFields = {{
    {Code,             "物品编码",       Basic,   P, Text,      "物品编码",   nullptr, nullptr, nullptr, false, nullptr},
    {Mnemonic,         "助忆词",         Basic,   P, Text,      "助忆词",     nullptr, nullptr, nullptr, false, nullptr},
    {Name,             "物品名称",       Basic,   P, Text,      "物品名称",   nullptr, nullptr, nullptr, false, nullptr},
    {ModelNumber,    "规格型号",       Basic,   P, Text,      "规格",       nullptr, nullptr, nullptr, false, nullptr},
    {Origin,           "物品产地",       Basic,   P, Text,      "物品产地",   nullptr, nullptr, nullptr, false, nullptr},
    {BarCode,          "条形码",         Basic,   P, Text,      "条形码",     nullptr, nullptr, nullptr, false, nullptr},
    {Category,         "产品类别",       Basic,   P, Display,   "产品类别",   nullptr, nullptr, nullptr, false, nullptr},
    {Colour,           "颜色",           Basic,   P, Text,      "颜色",       nullptr, nullptr, nullptr, false, nullptr},
    {Feature,          "特性",           Basic,   P, Text,      "特性",       nullptr, nullptr, nullptr, false, nullptr},
    {Size,             "尺寸",           Basic,   P, Text,      "尺寸",       nullptr, nullptr, nullptr, false, nullptr},
    {DrawingNumber,    "工程图号",       Basic,   P, Text,      "图号",       nullptr, nullptr, nullptr, false, nullptr},
    {Description,      "物品说明",       Basic,   P, Text,      "物品说明",   nullptr, nullptr, nullptr, false, nullptr},
    {MaxStock,         "最大允许库存量", Further, P, Number,    "超储限额",   nullptr, nullptr, nullptr, false, nullptr},
    {MinStock,         "最小允许库存量", Further, P, Number,    "短缺限额",   nullptr, nullptr, nullptr, false, nullptr},
    {PurchasePrice,    "参考进价",       Basic,   P, Number,    "参考进价",   nullptr, nullptr, nullptr, true,  nullptr},
    {RetailPrice,      "参考售价",       Basic,   P, Number,    "参考零售价", nullptr, nullptr, nullptr, true,  nullptr},
    {TaxAmount,        "参考税额",       Basic,   P, Number,    "参考税额",   nullptr, nullptr, nullptr, true,  nullptr},
    {WholesalePrice,   "参考批发价",     Basic,   P, Number,    "参考批发价", nullptr, nullptr, nullptr, true,  nullptr},
    {LossRate,         "损耗率",         Further, P, Number,    "损耗率",     nullptr, nullptr, nullptr, false, nullptr},
    {ShelfLife,        "保质期",         Further, P, Number,    "保质期",     nullptr, nullptr, nullptr, false, nullptr},
    {Location,         "货位",           Further, P, Text,      "缺省货位",   nullptr, nullptr, nullptr, false, nullptr},
    {ConversionRate,   "转换率",         Basic,   P, Number,    "换算比例",   nullptr, nullptr, nullptr, false, nullptr},
    {StockUnit,        "计量单位",       Basic,   P, CodedText, "库存单位",   nullptr, nullptr, nullptr, false, &kStockUnit},
    {WeightUnit,       "辅助单位",       Basic,   P, CodedText, "重量单位",   nullptr, nullptr, nullptr, false, &kWeightUnit},
    {Routing,          "工艺路线",       Further, P, CodedKey,  "工艺路线",   "工艺路线ID", nullptr, nullptr, false, &kRouting},
    {Source,           "产品来源",       Further, P, CodedKey,  nullptr,      "来源ID",
     "SELECT Caption From xt_billattribute Where attribute ='产品来源' AND Text='", "'", false, &kSource},
    {LeadTime,         "提前期",         Further, P, Number,    "采购提前期", nullptr, nullptr, nullptr, false, nullptr},
    {Supplier,         "主供应商",       Further, P, CodedKey,  nullptr,      "主往来ID",
     "SELECT 公司名称 FROM PDMWLDW Where 往来ID=", "", false, &kSupplier},
    {PurchaseMode,     "采购方式",       Further, B, CodedKey,  nullptr,      "采购方式",
     "SELECT Caption From xt_billattribute Where ProgID=200008 AND attribute ='采购方式' AND Text='", "'", false, &kPurchaseMode},
    {SuggestedStock,   "建议备库量",     Further, B, Number,    "建议备库量", nullptr, nullptr, nullptr, false, nullptr},
    {MaxPurchasePrice, "最高采购价",     Further, B, Number,    "最高采购价", nullptr, nullptr, nullptr, false, nullptr},
    {MinSalesPrice,    "最低销售价",     Further, B, Number,    "最低销售价", nullptr, nullptr, nullptr, false, nullptr},
    {Salesman,         "业务员",         Further, B, CodedKey,  nullptr,      "业务员ID",
     "SELECT 名称 From pdmxsy Where AutoID=", "", false, &kSalesman},
}};
// clang-format on

constexpr bool inIndexOrder()
{
    for (int i = 0; i < kFieldCount; ++i)
        if (fieldIndex(kFields[i].field) != i)
            return false;
    return true;
}
static_assert(inIndexOrder(), "the field table is indexed by the field's kvT() index");

constexpr std::array<Field, 7> kLookupOrder = {StockUnit, WeightUnit, Source, PurchaseMode, Supplier, Routing, Salesman};

constexpr std::array<CheckInfo, 3> kChecks = {{
    {Check::InUse, "是否使用"},
    {Check::Batch, "是否需批次管理"},
    {Check::Single, "是否需单件管理"},
}};

} // namespace

std::span<const FieldInfo> recordFields()
{
    return kFields;
}

const FieldInfo &fieldInfo(Field field)
{
    return kFields[fieldIndex(field)];
}

std::span<const Field> lookupOrder()
{
    return kLookupOrder;
}

std::span<const CheckInfo> recordChecks()
{
    return kChecks;
}

} // namespace zeva
