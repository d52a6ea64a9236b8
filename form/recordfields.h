#pragma once
// The product record's field table: every field of the record named once, with the
// control that shows it, its caption and page, the columns it is read from and written
// to, its kind, its lookup where it is coded, and whether it is a price that users
// without right A do not see. The design builder, the record display, the mode switch
// and the editing routines all read this table; nothing addresses a field by position.

#include "pages.h"

#include <QString>

#include <span>

namespace zeva {

// The text fields; the value is the field's index in the kvT() control array.
enum class Field {
    Code = 0,           // 物品编码
    Mnemonic = 1,       // 助忆词
    Name = 2,           // 物品名称
    ModelNumber = 3,  // 规格型号
    Origin = 4,         // 物品产地
    BarCode = 5,        // 条形码
    Category = 6,       // 产品类别, never editable
    Colour = 7,
    Feature = 8,
    Size = 9,
    DrawingNumber = 10, // 工程图号
    Description = 11,
    MaxStock = 12,      // 最大允许库存量
    MinStock = 13,      // 最小允许库存量
    PurchasePrice = 14,
    RetailPrice = 15,
    TaxAmount = 16,
    WholesalePrice = 17,
    LossRate = 18,
    ShelfLife = 19,
    Location = 20,
    ConversionRate = 21,
    StockUnit = 22,
    WeightUnit = 23,
    Routing = 24,
    Source = 25,
    LeadTime = 26,
    Supplier = 27,
    PurchaseMode = 28,
    SuggestedStock = 29,
    MaxPurchasePrice = 30,
    MinSalesPrice = 31,
    Salesman = 32,
};
inline constexpr int kFieldCount = 33;
constexpr int fieldIndex(Field field) { return int(field); }

// How a field's value is written back.
enum class FieldKind {
    Text,        // its text, trimmed
    Number,      // the leading number of its text
    CodedText,   // coded; its text, untrimmed (the units)
    CodedKey,    // coded; its key value, as a number
    Display,     // shown only, never written
};

// Where a field is read from and written to: the product (vtPDMZEVA to read, pdmzeva to
// write) or its supplementary row (PDMZEVAB).
enum class FieldTable { Product, Supplement };

// The lookup of a coded field, under the text box's own property names.
struct FieldLookup {
    const char *judgeBase;      // the query; every "@" stands for the typed entry
    const char *codeColumn;     // text_field_code: the column that becomes the key value
    const char *nameColumn;     // text_field_name: the column that is shown
    const char *helpCode;
    const char *errorMessage;   // nullptr: the field's caption + "输入有误，请重新输入！"
    int fourthSwitch;           // kNoSwitch: not set
    bool helpFlags;             // help_flag, help_menuflag and judge_type are set too
};
inline constexpr int kNoSwitch = -2;

struct FieldInfo {
    Field field;
    const char *caption;
    Page page;
    FieldTable table;
    FieldKind kind;
    const char *column;         // column of its text; nullptr where a name query gives it
    const char *keyColumn;      // coded: column of its key value
    // Coded fields whose text is a name looked up by the key's number: the statement is
    // namePrefix + number + nameSuffix.
    const char *namePrefix;
    const char *nameSuffix;
    bool price;                 // hidden without right A
    const FieldLookup *lookup;  // nullptr: not coded
};

// Every field, in kvT() order.
std::span<const FieldInfo> recordFields();
const FieldInfo &fieldInfo(Field field);

// The coded fields in the order their lookups are set up.
std::span<const Field> lookupOrder();

// The check boxes of the record; the value is the index in the chk() control array.
enum class Check {
    InUse = 0,    // 允许使用
    Batch = 1,    // 批次管理
    Single = 7,   // 单件管理
};
struct CheckInfo {
    Check check;
    const char *column;   // in vtPDMZEVA and pdmzeva
};
std::span<const CheckInfo> recordChecks();

// The ABC class, by the Opt() buttons 0, 1 and 2.
inline constexpr const char *kAbcColumn = "ABC码";
inline constexpr std::array<const char *, 3> kAbcCodes = {"A", "B", "C"};

} // namespace zeva
