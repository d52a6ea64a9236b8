#include "demodata.h"

#include "schema.h"

#include <QDate>
#include <QSqlQuery>
#include <QVariantList>

#include <cmath>

namespace zeva::host {

namespace {

// Prices as a price list holds them: whole cents.
double cents(double amount)
{
    return std::round(amount * 100) / 100;
}

// Rows of one table through one prepared INSERT, inside the caller's transaction.
class Inserter {
public:
    Inserter(SqlHostDatabase &db, const QString &table, const QStringList &columns, QString *error)
        : m_query(db.connection()), m_error(error)
    {
        m_ok = m_query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(table, columns.join(u','), QStringList(columns.size(), QStringLiteral("?")).join(u',')));
        if (!m_ok)
            report();
    }
    bool add(const QVariantList &values)
    {
        if (!m_ok)
            return false;
        for (int i = 0; i < values.size(); ++i)
            m_query.bindValue(i, values.at(i));
        m_ok = m_query.exec();
        if (!m_ok)
            report();
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    void report()
    {
        if (m_error && m_error->isEmpty())
            *m_error = SqlHostDatabase::errorOf(m_query.lastError()).Description();
    }
    QSqlQuery m_query;
    QString *m_error;
    bool m_ok = false;
};

bool freshSchema(SqlHostDatabase &db, QString *error)
{
    return dropSchema(db, error) && createSchema(db, error);
}

bool inTransaction(SqlHostDatabase &db, QString *error, const std::function<bool()> &work)
{
    QSqlQuery q(db.connection());
    if (!q.exec(QStringLiteral("BEGIN"))) {
        if (error)
            *error = SqlHostDatabase::errorOf(q.lastError()).Description();
        return false;
    }
    if (!work()) {
        q.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!q.exec(QStringLiteral("COMMIT"))) {
        if (error)
            *error = SqlHostDatabase::errorOf(q.lastError()).Description();
        return false;
    }
    return true;
}

struct Category {
    int id;
    QString code;
    QString name;
};

// The reference tables both catalogues share.
bool addReferences(SqlHostDatabase &db, QString *error)
{
    Inserter units(db, QStringLiteral("PDMjldw"), {"单位ID", "代码", "名称"}, error);
    const QList<QPair<QString, QString>> unitRows = {
        {"ge", "个"}, {"jian", "件"}, {"kg", "千克"}, {"m", "米"}, {"tai", "台"}, {"tao", "套"}, {"t", "吨"}, {"zhang", "张"},
    };
    for (int i = 0; i < unitRows.size(); ++i)
        units.add({i + 1, unitRows.at(i).first, unitRows.at(i).second});

    // 属性 1 supplier, 2 customer; 是否明细 0 is a group of partners.
    Inserter partners(db, QStringLiteral("PDMWLDW"), {"往来ID", "公司编号", "助忆词", "公司名称", "属性", "是否明细", "是否停用"}, error);
    partners.add({1, "G01", "hdgt", "华东钢铁集团", 1, 0, 0});
    partners.add({2, "G0101", "hdgc", "华东钢材贸易有限公司", 1, 1, 0});
    partners.add({3, "G0102", "jnty", "江南铜业股份有限公司", 1, 1, 0});
    partners.add({4, "G0103", "mlsj", "明亮塑胶制品厂", 1, 1, 0});
    partners.add({5, "G0104", "xhzc", "新华轴承有限公司", 1, 1, 0});
    partners.add({6, "G0105", "dfdj", "东方电机厂", 1, 1, 1});
    partners.add({7, "G0106", "hxbz", "宏鑫包装材料有限公司", 1, 1, 0});
    partners.add({8, "G0107", "O'Brien", "O'Brien Fasteners Ltd.", 1, 1, 0});
    partners.add({9, "K01", "hyjx", "华阳机械设备有限公司", 2, 1, 0});
    partners.add({10, "K02", "bjzg", "北京重工集团", 2, 1, 0});
    partners.add({11, "G0108", "hdgc2", "华东钢材贸易（停用）", 1, 1, 1});

    Inserter salesmen(db, QStringLiteral("pdmxsy"), {"AutoID", "代码", "名称"}, error);
    salesmen.add({1, "001", "张伟"});
    salesmen.add({2, "002", "王芳"});
    salesmen.add({3, "003", "李强"});
    salesmen.add({4, "004", "刘洋"});

    Inserter attributes(db, QStringLiteral("xt_billattribute"), {"ProgID", "attribute", "code", "Text", "Caption"}, error);
    attributes.add({200008, "产品来源", "zz", "1", "自制"});
    attributes.add({200008, "产品来源", "wg", "2", "外购"});
    attributes.add({200008, "产品来源", "ww", "3", "委外加工"});
    attributes.add({200009, "产品来源", "kg", "4", "客户供料"});
    attributes.add({200008, "采购方式", "xk", "1", "现款采购"});
    attributes.add({200008, "采购方式", "yj", "2", "月结采购"});
    attributes.add({200008, "采购方式", "ht", "3", "合同采购"});
    attributes.add({200010, "采购方式", "qt", "9", "其他采购"});
    attributes.add({200008, "参考进价", "", "1", "是否保存到往来价格库"});
    attributes.add({200008, "参考进价", "", "0", "为零是否保存到往来价格库"});
    attributes.add({200008, "limitdrawing", "", "20480", "图纸上传限制(K)"});
    attributes.add({200008, "limitpicture", "", "2048", "图片上传限制(K)"});

    Inserter programs(db, QStringLiteral("xt_objects"), {"ProgID", "progName", "progCommandLine"}, error);
    programs.add({1001, "产品目录", ""});
    programs.add({1002, "原材料目录", "k=01"});
    programs.add({1003, "成品及半成品目录", "k=02,03 t=\"成品 半成品\""});
    return units.ok() && partners.ok() && salesmen.ok() && attributes.ok() && programs.ok();
}

} // namespace

int demoProductCount()
{
    return 301;
}

bool installDemoData(SqlHostDatabase &db, QString *error)
{
    if (!freshSchema(db, error))
        return false;
    return inTransaction(db, error, [&] {
        if (!addReferences(db, error))
            return false;

        // Code rule 2-2-3. The first level groups by account (对应科目编号), which the
        // program records' "k" filter selects.
        struct Row {
            const char *code;
            const char *name;
        };
        const QList<Row> categoryRows = {
            {"01", "原材料"}, {"0101", "钢材"}, {"0101001", "圆钢"}, {"0101002", "钢板"}, {"0101003", "无缝钢管"},
            {"0102", "有色金属"}, {"0102001", "铜材"}, {"0102002", "铝材"}, {"0103", "塑料粒子"},
            {"0104", "标准件"}, {"0104001", "螺栓"}, {"0104002", "螺母"}, {"0104003", "轴承"},
            {"02", "半成品"}, {"0201", "机加工件"}, {"0202", "焊接件"}, {"0203", "铸件"},
            {"03", "产成品"}, {"0301", "减速机"}, {"0301001", "蜗轮蜗杆减速机"}, {"0301002", "齿轮减速机"},
            {"0302", "电机"}, {"0303", "泵阀"},
            {"04", "包装物"}, {"0401", "纸箱"}, {"0402", "木箱"},
        };
        Inserter categories(db, QStringLiteral("pdmcplb"),
                            {"类别ID", "类别编码", "类别名称", "级次", "是否明细", "对应科目编号"}, error);
        QList<Category> leaves;
        for (int i = 0; i < categoryRows.size(); ++i) {
            const QString code = QString::fromUtf8(categoryRows.at(i).code);
            const bool hasChildren = i + 1 < categoryRows.size()
                && QString::fromUtf8(categoryRows.at(i + 1).code).startsWith(code);
            const int level = code.size() == 2 ? 1 : code.size() == 4 ? 2 : 3;
            categories.add({i + 1, code, QString::fromUtf8(categoryRows.at(i).name), level, hasChildren ? 0 : 1,
                            code.left(2)});
            if (!hasChildren)
                leaves.append({i + 1, code, QString::fromUtf8(categoryRows.at(i).name)});
        }

        Inserter products(db, QStringLiteral("pdmzeva"),
                          {"产品ID", "物品编码", "助忆词", "物品名称", "规格", "物品产地", "条形码", "产品类别ID", "图号",
                           "物品说明", "短缺限额", "超储限额", "参考进价", "参考零售价", "参考税额", "参考批发价",
                           "损耗率", "保质期", "缺省货位", "换算比例", "是否使用", "是否需批次管理", "ABC码",
                           "库存单位", "重量单位", "工艺路线ID", "主往来ID", "采购提前期", "来源ID", "是否需单件管理"},
                          error);
        const QStringList units = {"个", "件", "千克", "米", "台", "套"};
        const QStringList origins = {"上海", "江苏无锡", "浙江宁波", "天津", "广东佛山"};
        const QStringList abc = {"A", "B", "C", "", "a"};
        const int count = demoProductCount() - 1;   // and O'Brien's bolt below
        QList<int> finished;
        QList<int> raw;
        for (int p = 0; p < count; ++p) {
            const Category &category = leaves.at(p % leaves.size());
            const int seq = p / leaves.size() + 1;
            const int id = p + 1;
            const QString code = category.code + QStringLiteral("%1").arg(seq, 3, 10, QLatin1Char('0'));
            const QString model = QStringLiteral("%1-%2").arg(QChar(u'A' + (p % 5))).arg(10 + (p * 7) % 90);
            const bool isFinished = category.code.startsWith(QLatin1String("03"));
            (isFinished ? finished : raw).append(id);
            const double price = 2.5 * ((p * 37) % 400 + 1);
            products.add({id, code, QStringLiteral("cp%1").arg(id), category.name + model, model,
                          origins.at(p % origins.size()), QStringLiteral("69%1").arg(100000000 + p * 7919),
                          category.id, p % 4 == 0 ? QStringLiteral("ZV-%1").arg(id, 4, 10, QLatin1Char('0')) : QStringLiteral(""),
                          p % 10 == 0 ? QStringLiteral("常用件，注意防锈") : QStringLiteral(""), 10 * (p % 5), 500 + 10 * (p % 7),
                          price, cents(price * 1.3), cents(price * 0.13), cents(price * 1.15), (p % 3) * 0.5, p % 6 == 0 ? 365 : 0,
                          QStringLiteral("A-%1-%2").arg(p % 9 + 1).arg(p % 4 + 1), 1, p % 13 == 0 ? 0 : 1, p % 8 == 0 ? 1 : 0,
                          abc.at(p % abc.size()), units.at(p % units.size()), p % 3 == 0 ? QStringLiteral("千克") : QStringLiteral(""),
                          isFinished && p % 2 == 0 ? 1 + (p / 2) % 4 : 0, 2 + p % 6, 5 + p % 20, 1 + p % 3, p % 17 == 0 ? 1 : 0});
        }
        // One product named as users name things, with quotes and spaces.
        products.add({count + 1, QStringLiteral("0104001999"), QStringLiteral("obrien"), QStringLiteral("O'Brien 英制螺栓 1/2\""),
                      QStringLiteral("1/2\"-13UNC"), QStringLiteral("爱尔兰"), QStringLiteral(""), leaves.at(8).id, QStringLiteral(""), QStringLiteral(""),
                      0, 0, 0.85, 1.2, 0, 1, 0, 0, QStringLiteral(""), 1, 1, 0, QStringLiteral("C"), QStringLiteral("个"), QStringLiteral(""), 0, 8,
                      30, 2, 0});

        Inserter extra(db, QStringLiteral("PDMZEVAB"), {"产品ID", "建议备库量", "采购方式", "最高采购价", "最低销售价", "业务员ID"}, error);
        for (int id = 1; id <= count; id += 2)
            extra.add({id, 20 * (id % 5), 1 + id % 3, 10.0 + id % 50, 12.5 + id % 40, 1 + id % 4});

        Inserter prices(db, QStringLiteral("pubwlprice"), {"wlpriceID", "往来ID", "币种ID", "产品ID", "单价", "smark", "systemcode", "备注"}, error);
        for (int id = 1, key = 1; id <= count; id += 3, ++key)
            prices.add({key, 2 + id % 6, 1, id, 2.5 * (id % 100 + 1), "02", "PO", "产品目录记入"});

        Inserter routings(db, QStringLiteral("PDMSRLX"), {"ID", "产品ID", "路线名称", "是否标准", "是否失效"}, error);
        routings.add({1, finished.value(0), "标准装配路线", 1, 0});
        routings.add({2, finished.value(1), "标准机加路线", 1, 0});
        routings.add({3, finished.value(2), "返修路线", 0, 0});
        routings.add({4, finished.value(3), "旧装配路线", 1, 1});

        Inserter boms(db, QStringLiteral("PdmBom"), {"BomID", "产品ID", "smark", "是否标准", "是否失效", "版本"}, error);
        Inserter bomLines(db, QStringLiteral("PdmBommx"), {"BomID", "配件ID", "数量"}, error);
        for (int b = 0; b < 6 && b < finished.size(); ++b) {
            boms.add({b + 1, finished.at(b), "02", b == 5 ? 0 : 1, b == 4 ? 1 : 0, "V1"});
            for (int line = 0; line < 4; ++line)
                bomLines.add({b + 1, raw.at((b * 5 + line * 3) % raw.size()), 1 + line});
        }

        Inserter ledger(db, QStringLiteral("jxcgoodszztz"), {"产品ID", "日期", "摘要", "入库数量", "出库数量"}, error);
        for (int id = 1; id <= count; id += 7)
            ledger.add({id, QDate(2026, 1 + id % 12, 1 + id % 28), "期初入库", 100 + id, 0});

        return categories.ok() && products.ok() && extra.ok() && prices.ok() && routings.ok() && boms.ok()
            && bomLines.ok() && ledger.ok();
    });
}

bool installGeneratedCatalogue(SqlHostDatabase &db, int productCount, int categoryCount, QString *error)
{
    if (productCount < 0 || categoryCount < 1) {
        if (error)
            *error = QStringLiteral("A catalogue needs at least one category and no negative number of products.");
        return false;
    }
    if (!freshSchema(db, error))
        return false;
    const bool made = inTransaction(db, error, [&] {
        if (!addReferences(db, error))
            return false;
        Inserter categories(db, QStringLiteral("pdmcplb"),
                            {"类别ID", "类别编码", "类别名称", "级次", "是否明细", "对应科目编号"}, error);
        // Three levels, as the code rule 2-2-3 reads them: groups of 99 middle categories
        // of 99 detail categories each ("01", "0101", "0101001").
        QList<Category> leaves;
        int id = 1;
        const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
        for (int c = 0; c < categoryCount; ++c) {
            const QString top = two(c / (99 * 99) + 1);
            const QString middle = top + two(c / 99 % 99 + 1);
            if (c % (99 * 99) == 0)
                categories.add({id++, top, QStringLiteral("大类%1").arg(top), 1, 0, top});
            if (c % 99 == 0)
                categories.add({id++, middle, QStringLiteral("中类%1").arg(middle), 2, 0, top});
            const QString code = middle + QStringLiteral("%1").arg(c % 99 + 1, 3, 10, QLatin1Char('0'));
            leaves.append({id, code, QStringLiteral("类别%1").arg(c + 1)});
            categories.add({id++, code, leaves.last().name, 3, 1, top});
        }
        // A large manufacturer's largest category: with many small ones, the first holds
        // 10,000 products; the rest go round all of them.
        const int largest = leaves.size() > 1 && productCount >= 20000 && productCount / leaves.size() < 10000 ? 10000 : 0;
        QList<int> counts(leaves.size(), 0);
        Inserter products(db, QStringLiteral("pdmzeva"),
                          {"产品ID", "物品编码", "物品名称", "规格", "产品类别ID", "参考进价", "库存单位", "主往来ID", "来源ID"}, error);
        for (int p = 0; p < productCount; ++p) {
            const int leaf = p < largest ? 0 : (p - largest) % int(leaves.size());
            const Category &category = leaves.at(leaf);
            products.add({p + 1, category.code + QStringLiteral("%1").arg(++counts[leaf], 6, 10, QLatin1Char('0')),
                          QStringLiteral("产品%1").arg(p + 1), QStringLiteral("规格%1").arg(p % 50), category.id,
                          1.5 * (p % 300), "个", 2 + p % 6, 1 + p % 3});
        }
        return categories.ok() && products.ok();
    });
    // As after any bulk load on PostgreSQL: statistics for the planner, and the visibility
    // map that lets an index-only scan skip the table (autovacuum would get there later).
    if (made && db.dialect() == SqlDialect::Postgres && !db.inTransaction()) {
        QSqlQuery q(db.connection());
        if (!q.exec(QStringLiteral("VACUUM ANALYZE pdmcplb, pdmzeva"))) {
            if (error)
                *error = SqlHostDatabase::errorOf(q.lastError()).Description();
            return false;
        }
    }
    return made;
}

} // namespace zeva::host
