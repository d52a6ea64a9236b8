#include "savevalidation.h"

#include "desktopservices.h"
#include "fieldfocus.h"
#include "formcontrol.h"
#include "hostdatabase.h"
#include "hostsystem.h"
#include "kvtxts.h"
#include "messagetitles.h"
#include "values.h"

namespace zeva {

namespace {


struct QueryFailed {
    QString description;
};

class Validation {
public:
    explicit Validation(const SaveValidation &check) : m(check) {}

    bool fail(Field field, const QString &message)
    {
        m.desktop.messageBox(message, DesktopServices::Information, kPrompt);
        if (m.focus)
            m.focus->SetFocusTo(m.controls.field(field));
        return false;
    }

    double parameter(const char *name)
    {
        return leadingNumber(m.system.GetParameter(11, QString::fromLatin1(name)).Value);
    }

    QString trimmed(Field field) const { return trimSpaces(m.controls.field(field)->text()); }

    // The first row's 物品编码 of the query's result; nothing when it found no row.
    std::optional<QString> firstCode(const QString &sql)
    {
        auto rs = m.db.Prepare(sql, 1)->OpenRecordset();
        if (const QString error = m.db.LastError().Description(); !error.isEmpty())
            throw QueryFailed{error};
        if (rs->IsEOF() && rs->IsBOF())
            return std::nullopt;
        const QString code = rs->Fields(QStringLiteral("物品编码")).Value().toText();
        rs->Close();
        return code;
    }

    bool run()
    {
        for (qsizetype i = 0; i < m.controls.all.size(); ++i) {
            if (m.controls.types[i] != u"kvTxt_S")
                continue;
            const auto *box = static_cast<const kvTxt_S *>(m.controls.all[i]);
            if (box->IsActive() && !box->IsValid())
                return false;
        }
        kvTxt_S *codeBox = m.controls.field(Field::Code);
        const QString code = trimSpaces(codeBox->text());
        codeBox->setText(code);
        if (code.isEmpty())
            return fail(Field::Code, QStringLiteral("没有具体的物品编码,请录入!"));
        if (parameter("bmcannotchinese") == 1 && ContainsChinese(code))
            return fail(Field::Code, QStringLiteral("系统参数中设置物品编码不允许包含有中文字符，请检查后重试"));
        const QString name = trimmed(Field::Name);
        if (name.isEmpty())
            return fail(Field::Name, QStringLiteral("没有具体的物品名称,请选择!"));
        if (trimmed(Field::StockUnit).isEmpty())
            return fail(Field::StockUnit, QStringLiteral("没有具体的计量单位,请选择!"));
        if (trimmed(Field::Mnemonic).size() > 16)
            return fail(Field::Mnemonic, QStringLiteral("助忆词超过限定的长度16个字,指修改后重试!"));
        return duplicates(code, name, trimmed(Field::DrawingNumber));
    }

private:
    bool duplicates(const QString &code, const QString &name, const QString &drawing)
    {
        const bool isNew = m.recordId == 0;
        const QString id = QString::number(m.recordId);
        const QString others = isNew ? QString() : QStringLiteral("产品ID <> ") + id + QStringLiteral(" and ");
        const QString duplicateCode = QStringLiteral("物品编码重复,请检查!");
        if (firstCode(QStringLiteral(" Select * From pdmzeva Where ") + others + QStringLiteral("物品编码='")
                      + sqlEscape(code) + u'\''))
            return fail(Field::Code, duplicateCode);
        if (parameter("zevanameuniquely") == 1) {
            const QString sql = isNew
                ? QStringLiteral(" Select * From pdmzeva Where 物品名称='") + sqlEscape(name) + u'\''
                : QStringLiteral(" Select  * From pdmzeva Where 产品ID <> ") + id + QStringLiteral(" and 物品名称='")
                    + sqlEscape(name) + u'\'';
            if (firstCode(sql))
                return fail(Field::Name, QStringLiteral("物品名称重复,请检查!"));
        }
        if (parameter("drawNO") == 0 && !drawing.isEmpty()) {
            const QString sql = isNew
                ? QStringLiteral(" Select * From pdmzeva Where 图号='") + sqlEscape(drawing) + u'\''
                : QStringLiteral(" Select * From pdmzeva Where 产品ID <> ") + id + QStringLiteral(" and  图号='")
                    + sqlEscape(drawing) + u'\'';
            if (const auto other = firstCode(sql))
                return fail(Field::DrawingNumber, QStringLiteral("系统设置产品的图号不能重复,现在与产品[") + *other
                                                      + QStringLiteral("]的图号重复, 请检查后重试!"));
        }
        return true;
    }

    const SaveValidation &m;
};

} // namespace

bool Cansave(const SaveValidation &check)
{
    try {
        return Validation(check).run();
    } catch (const QueryFailed &failure) {
        emit check.events.ErrMessage(QStringLiteral("Cansave中出错，原因：") + failure.description, 8,
                                     QStringLiteral("产品目录"));
        return false;
    }
}

} // namespace zeva
