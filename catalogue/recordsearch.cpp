#include "recordsearch.h"

#include "hostdatabase.h"
#include "values.h"

namespace zeva {

QString productCategoryQuery(const QString &filterList, const QString &text)
{
    const QString literal = sqlEscape(text);
    QString sql = QStringLiteral("SELECT top 1 PDMCPLB.类别编码") + QStringLiteral(" FROM PDMZEVA ")
        + QStringLiteral(" INNER JOIN PDMCPLB ON PDMZEVA.产品类别ID = PDMCPLB.类别ID");
    if (!filterList.isEmpty())
        sql += QStringLiteral(" WHERE PDMCPLB.对应科目编号 IN (") + filterList + u')';
    sql += QStringLiteral(" and (物品编码 like '%") + literal + QStringLiteral("%' or 物品名称 like '%") + literal
        + QStringLiteral("%') ORDER BY 类别编码,物品编码");
    return sql;
}

QString findProductCategory(HostDatabase &db, const QString &filterList, const QString &text, QString &error)
{
    const HostValue code = db.Prepare(productCategoryQuery(filterList, text), 1)->GetValue();
    error = db.LastError().Description();
    return error.isEmpty() ? code.toText() : QString();
}

} // namespace zeva
