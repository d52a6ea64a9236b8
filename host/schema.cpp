#include "schema.h"

#include <QSqlQuery>

namespace zeva::host {

namespace {

enum class Type { Key, Identity, Integer, Real, Text, Date, Bytes };

struct Column {
    const char *name;
    Type type;
};

struct Table {
    const char *name;
    QList<Column> columns;
};

const QList<Table> &tables()
{
    static const QList<Table> all = {
        {"pdmcplb", {{"类别ID", Type::Key}, {"类别编码", Type::Text}, {"类别名称", Type::Text}, {"级次", Type::Integer},
                     {"是否明细", Type::Integer}, {"对应科目编号", Type::Text}, {"备注", Type::Text}}},
        {"pdmzeva", {{"产品ID", Type::Key},        {"规格", Type::Text},          {"物品编码", Type::Text},
                     {"助忆词", Type::Text},       {"物品名称", Type::Text},      {"物品产地", Type::Text},
                     {"条形码", Type::Text},       {"产品类别ID", Type::Integer}, {"颜色", Type::Text},
                     {"特性", Type::Text},         {"尺寸", Type::Text},          {"图号", Type::Text},
                     {"物品说明", Type::Text},     {"短缺限额", Type::Real},      {"超储限额", Type::Real},
                     {"参考进价", Type::Real},     {"参考零售价", Type::Real},    {"参考税额", Type::Real},
                     {"参考批发价", Type::Real},   {"损耗率", Type::Real},        {"保质期", Type::Real},
                     {"缺省货位", Type::Text},     {"换算比例", Type::Real},      {"是否使用", Type::Integer},
                     {"是否需批次管理", Type::Integer}, {"ABC码", Type::Text},    {"库存单位", Type::Text},
                     {"重量单位", Type::Text},     {"工艺路线ID", Type::Integer}, {"主往来ID", Type::Integer},
                     {"采购提前期", Type::Real},   {"来源ID", Type::Integer},     {"是否需单件管理", Type::Integer}}},
        {"PDMZEVAB", {{"产品ID", Type::Key}, {"建议备库量", Type::Real}, {"采购方式", Type::Integer},
                      {"最高采购价", Type::Real}, {"最低销售价", Type::Real}, {"业务员ID", Type::Integer}}},
        {"pubwlprice", {{"wlpriceID", Type::Key}, {"往来ID", Type::Integer}, {"币种ID", Type::Integer},
                        {"产品ID", Type::Integer}, {"单价", Type::Real}, {"smark", Type::Text},
                        {"systemcode", Type::Text}, {"备注", Type::Text}}},
        {"PDMZEVADraw", {{"rowIndex", Type::Key}, {"CpID", Type::Integer}, {"fileName", Type::Text},
                         {"fileSize", Type::Integer}, {"contents", Type::Text}, {"isCompress", Type::Integer},
                         {"isEncrypt", Type::Integer}, {"marker", Type::Text}, {"markDate", Type::Date},
                         {"invalidation", Type::Integer}, {"fileImage", Type::Bytes}, {"postil", Type::Text}}},
        {"PDMZEVAAttach", {{"hostRowID", Type::Identity}, {"产品ID", Type::Integer}, {"fileName", Type::Text},
                           {"fileSize", Type::Integer}, {"contents", Type::Text}, {"isCompress", Type::Integer},
                           {"isEncrypt", Type::Integer}, {"fileImage", Type::Bytes}}},
        {"PdmBom", {{"BomID", Type::Key}, {"产品ID", Type::Integer}, {"smark", Type::Text}, {"是否标准", Type::Integer},
                    {"是否失效", Type::Integer}, {"版本", Type::Text}}},
        {"PdmBommx", {{"hostRowID", Type::Identity}, {"BomID", Type::Integer}, {"配件ID", Type::Integer},
                      {"数量", Type::Real}}},
        {"jxcgoodszztz", {{"hostRowID", Type::Identity}, {"产品ID", Type::Integer}, {"日期", Type::Date},
                          {"摘要", Type::Text}, {"入库数量", Type::Real}, {"出库数量", Type::Real}}},
        {"PDMSRLX", {{"ID", Type::Key}, {"产品ID", Type::Integer}, {"路线名称", Type::Text}, {"是否标准", Type::Integer},
                     {"是否失效", Type::Integer}}},
        {"PDMjldw", {{"单位ID", Type::Key}, {"代码", Type::Text}, {"名称", Type::Text}}},
        {"PDMWLDW", {{"往来ID", Type::Key}, {"公司编号", Type::Text}, {"助忆词", Type::Text}, {"公司名称", Type::Text},
                     {"属性", Type::Integer}, {"是否明细", Type::Integer}, {"是否停用", Type::Integer}}},
        {"pdmxsy", {{"AutoID", Type::Key}, {"代码", Type::Text}, {"名称", Type::Text}}},
        {"xt_billattribute", {{"hostRowID", Type::Identity}, {"ProgID", Type::Integer}, {"attribute", Type::Text},
                              {"code", Type::Text}, {"Text", Type::Text}, {"Caption", Type::Text}}},
        {"xt_objects", {{"ProgID", Type::Key}, {"progName", Type::Text}, {"progCommandLine", Type::Text}}},
    };
    return all;
}

// Views of the tables the form writes, with outer joins so that every product shows
// whatever its references hold.
const QList<QPair<const char *, const char *>> &views()
{
    static const QList<QPair<const char *, const char *>> all = {
        {"vtPDMZEVA",
         "SELECT z.*, c.类别名称 AS 产品类别, c.类别编码 AS 类别编码, r.路线名称 AS 工艺路线 "
         "FROM pdmzeva z LEFT JOIN pdmcplb c ON z.产品类别ID = c.类别ID LEFT JOIN PDMSRLX r ON z.工艺路线ID = r.ID"},
        {"vtPDMZEVAX",
         "SELECT z.*, c.类别编码 AS 类别编码, c.类别名称 AS 类别名称 "
         "FROM pdmzeva z LEFT JOIN pdmcplb c ON z.产品类别ID = c.类别ID"},
        {"vtpdmwldw", "SELECT 往来ID, 公司编号, 助忆词, 公司名称, 属性, 是否明细, 是否停用 FROM PDMWLDW"},
    };
    return all;
}

QString columnDefinition(const Column &column, SqlDialect dialect)
{
    const bool pg = dialect == SqlDialect::Postgres;
    const QString name = QString::fromUtf8(column.name);
    switch (column.type) {
    case Type::Key:
        return name + QStringLiteral(" INTEGER NOT NULL PRIMARY KEY");
    case Type::Identity:
        return name + (pg ? QStringLiteral(" INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                          : QStringLiteral(" INTEGER PRIMARY KEY"));
    case Type::Integer:
        return name + QStringLiteral(" INTEGER DEFAULT 0");
    case Type::Real:
        return name + (pg ? QStringLiteral(" DOUBLE PRECISION DEFAULT 0") : QStringLiteral(" REAL DEFAULT 0"));
    case Type::Text:
        return name + (pg ? QStringLiteral(" CITEXT DEFAULT ''") : QStringLiteral(" TEXT COLLATE NOCASE DEFAULT ''"));
    case Type::Date:
        return name + QStringLiteral(" DATE");
    case Type::Bytes:
        return name + (pg ? QStringLiteral(" BYTEA") : QStringLiteral(" BLOB"));
    }
    return name;
}

// One transaction, so that two hosts starting at once on the same database take turns
// (DDL is transactional on both back ends) and a failure leaves the schema as it was.
bool runAll(SqlHostDatabase &db, const QStringList &statements, QString *error)
{
    QSqlQuery q(db.connection());
    const bool pg = db.dialect() == SqlDialect::Postgres;
    QStringList all;
    if (!db.inTransaction())
        all << db.backend().beginStatement();
    if (pg)
        all << QStringLiteral("SELECT pg_advisory_xact_lock(20261206)");
    all << statements;
    for (const QString &sql : std::as_const(all)) {
        if (!q.exec(sql)) {
            if (error)
                *error = QStringLiteral("%1 (in: %2)").arg(SqlHostDatabase::errorOf(q.lastError()).Description(), sql);
            if (!db.inTransaction())
                QSqlQuery(db.connection()).exec(QStringLiteral("ROLLBACK"));
            db.forgetTables();
            return false;
        }
    }
    db.forgetTables();
    if (!db.inTransaction() && !q.exec(QStringLiteral("COMMIT"))) {
        if (error)
            *error = SqlHostDatabase::errorOf(q.lastError()).Description();
        return false;
    }
    return true;
}

} // namespace

QStringList schemaStatements(SqlDialect dialect, bool trigramIndexes)
{
    const bool pg = dialect == SqlDialect::Postgres;
    QStringList statements;
    if (pg)
        statements << QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext");
    if (pg && trigramIndexes)
        statements << QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm");
    for (const Table &table : tables()) {
        QStringList columns;
        for (const Column &column : table.columns)
            columns << columnDefinition(column, dialect);
        statements << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
                          .arg(QString::fromUtf8(table.name), columns.join(QStringLiteral(", ")));
        // Documents arrive packed: kept uncompressed out of line, a piece of one is read
        // without reading the rest.
        for (const Column &column : table.columns) {
            if (pg && column.type == Type::Bytes)
                statements << QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 SET STORAGE EXTERNAL")
                                  .arg(QString::fromUtf8(table.name), QString::fromUtf8(column.name));
        }
    }
    statements << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tablename %2 NOT NULL, columnname %2 NOT NULL, "
                                 "lastkey INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (tablename, columnname))")
                      .arg(QLatin1String(keyTableName), pg ? QStringLiteral("CITEXT") : QStringLiteral("TEXT COLLATE NOCASE"));
    // The lookups the form runs on every selection, the duplicate check of every save, and
    // the supplier pick list's pages in code order. On PostgreSQL the category index also
    // holds the product key, so counting all products is an index-only scan (SQLite's holds
    // the key anyway); on SQLite the code index also holds what Find reads, so its scan of
    // "code or name contains" reads the index instead of the table.
    statements << (pg ? QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzeva_category ON pdmzeva (产品类别ID) INCLUDE (产品ID)")
                      : QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzeva_category ON pdmzeva (产品类别ID)"))
               << (pg ? QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzeva_code ON pdmzeva (物品编码)")
                      : QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzeva_code ON pdmzeva (物品编码, 物品名称, 产品类别ID)"))
               << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmwldw_number ON PDMWLDW (公司编号)")
               << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzevadraw_product ON PDMZEVADraw (CpID)")
               << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzevaattach_product ON PDMZEVAAttach (产品ID)")
               // A product's uses, marks and prices, looked up by every selection and delete.
               << QStringLiteral("CREATE INDEX IF NOT EXISTS pubwlprice_product ON pubwlprice (产品ID)")
               << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmbom_product ON PdmBom (产品ID)")
               << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmbommx_part ON PdmBommx (配件ID)")
               << QStringLiteral("CREATE INDEX IF NOT EXISTS jxcgoodszztz_product ON jxcgoodszztz (产品ID)")
               << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmsrlx_product ON PDMSRLX (产品ID)");
    // Find's "code or name contains": the translator compares a column as text with ILIKE,
    // which these serve for a text of three characters or more.
    if (pg && trigramIndexes)
        statements << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzeva_code_trigrams ON pdmzeva USING gin ((物品编码::text) gin_trgm_ops)")
                   << QStringLiteral("CREATE INDEX IF NOT EXISTS pdmzeva_name_trigrams ON pdmzeva USING gin ((物品名称::text) gin_trgm_ops)");
    for (const auto &view : views()) {
        const QString name = QString::fromUtf8(view.first);
        // Made again each time, so that a changed table shows through.
        statements << QStringLiteral("DROP VIEW IF EXISTS %1").arg(name)
                   << QStringLiteral("CREATE VIEW %1 AS %2").arg(name, QString::fromUtf8(view.second));
    }
    return statements;
}

QStringList schemaTables()
{
    QStringList names;
    for (const Table &table : tables())
        names << QString::fromUtf8(table.name);
    names << QLatin1String(keyTableName);
    return names;
}

bool createSchema(SqlHostDatabase &db, QString *error)
{
    // pg_trgm comes with PostgreSQL's contributed modules; without them Find scans the table.
    bool trigrams = false;
    if (db.dialect() == SqlDialect::Postgres) {
        QSqlQuery q(db.connection());
        trigrams = q.exec(QStringLiteral("SELECT 1 FROM pg_available_extensions WHERE name = 'pg_trgm'")) && q.next();
    }
    return runAll(db, schemaStatements(db.dialect(), trigrams), error);
}

bool dropSchema(SqlHostDatabase &db, QString *error)
{
    QStringList statements;
    for (const auto &view : views())
        statements << QStringLiteral("DROP VIEW IF EXISTS %1").arg(QString::fromUtf8(view.first));
    for (const QString &table : schemaTables())
        statements << QStringLiteral("DROP TABLE IF EXISTS %1").arg(table);
    return runAll(db, statements, error);
}

} // namespace zeva::host
