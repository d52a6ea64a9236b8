#include "picklist.h"

#include "values.h"

namespace zeva::host {

namespace {

struct PickSource {
    const char *helpCode;
    const char *code;    // columns, then the table and what restricts it
    const char *name;
    const char *from;
};

// The routing is found by its name alone, so its name is its code.
constexpr PickSource kSources[] = {
    {"gy_jldw", "代码", "名称", "PDMjldw WHERE 1=1"},
    {"zeva_lx", "code", "caption", "xt_billattribute WHERE attribute='产品来源'"},
    {"zeva_cg", "code", "caption", "xt_billattribute WHERE ProgID=200008 AND attribute='采购方式'"},
    {"hp_provide", "公司编号", "公司名称", "vtpdmwldw WHERE 属性=1 AND 是否明细=1 AND 是否停用=0"},
    {"gy_srlxname", "路线名称", "路线名称", "PDMSRLX WHERE 是否标准=1"},
    {"hp_ywy", "代码", "名称", "pdmxsy WHERE 1=1"},
};

const PickSource *source(const QString &helpCode)
{
    for (const PickSource &s : kSources) {
        if (helpCode.compare(QLatin1String(s.helpCode), Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

} // namespace

bool hasPickList(const QString &helpCode)
{
    return source(helpCode) != nullptr;
}

QList<PickRow> pickRows(SqlHostDatabase &db, const QString &helpCode, const QString &filter, int limit)
{
    const PickSource *s = source(helpCode);
    if (!s)
        return {};
    const QString code = QString::fromUtf8(s->code), name = QString::fromUtf8(s->name);
    QString sql = QStringLiteral("SELECT TOP %1 %2, %3 FROM %4").arg(limit).arg(code, name, QString::fromUtf8(s->from));
    if (const QString text = trimSpaces(filter); !text.isEmpty()) {
        // The filter is one literal: its quotes doubled; % and _ are the user's wildcards. The
        // host's text columns compare without regard to case; on PostgreSQL the pattern is
        // matched upper-cased, which measured faster than LIKE or ILIKE on its case-blind text.
        const QString like = QStringLiteral("'%") + sqlEscape(text) + QStringLiteral("%'");
        if (db.dialect() == SqlDialect::Postgres)
            sql += QStringLiteral(" AND (UPPER(%1) LIKE %3 OR UPPER(%2) LIKE %3)")
                       .arg(code, name, like.toUpper());
        else
            sql += QStringLiteral(" AND (%1 LIKE %3 OR %2 LIKE %3)").arg(code, name, like);
    }
    sql += QStringLiteral(" ORDER BY ") + code;
    auto rs = db.Prepare(sql, 1)->OpenRecordset();
    QList<PickRow> rows;
    for (; !rs->IsEOF(); rs->MoveNext())
        rows.append({rs->Fields(code).Value().toText(), rs->Fields(name).Value().toText()});
    rs->Close();
    return rows;
}

} // namespace zeva::host
