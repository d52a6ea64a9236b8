#include "hostrecordset.h"

namespace zeva {

namespace {
const HostValue kNull;
}

const HostValue &HostField::Value() const
{
    if (!m_recordset->isOpen()) {
        m_recordset->reportError(QStringLiteral("The recordset is closed."));
        return kNull;
    }
    if (m_column < 0) {
        m_recordset->reportError(QStringLiteral("Column not found: %1").arg(m_requested));
        return kNull;
    }
    return m_recordset->valueAt(m_column);
}

void HostField::setValue(const HostValue &value)
{
    if (!m_recordset->isOpen()) {
        m_recordset->reportError(QStringLiteral("The recordset is closed."));
        return;
    }
    if (m_column < 0) {
        m_recordset->reportError(QStringLiteral("Column not found: %1").arg(m_requested));
        return;
    }
    m_recordset->setValueAt(m_column, value);
}

QString HostField::Name() const
{
    return m_column >= 0 ? m_recordset->fieldName(m_column) : m_requested;
}

HostRecordset::HostRecordset(QStringList columns, QList<Row> rows, bool updatable, ErrorSink errors)
    : m_columns(std::move(columns)), m_rows(std::move(rows)), m_updatable(updatable), m_errors(std::move(errors))
{
    // Backwards, so that the first of two equal names wins.
    for (int i = int(m_columns.size()) - 1; i >= 0; --i)
        m_index.insert(m_columns.at(i).toLower(), i);
}

HostRecordset::~HostRecordset() = default;

bool HostRecordset::IsEOF() const
{
    return !m_adding && m_position >= m_rows.size();
}

bool HostRecordset::IsBOF() const
{
    return !m_adding && m_rows.isEmpty();
}

int HostRecordset::fieldIndex(const QString &name) const
{
    // Reading a row reads the same names as the row before, usually the very same string
    // objects: checking identity first spares a case fold and a hash per value. The kept
    // copy holds the buffer, so an equal address always means an equal name.
    const qsizetype asked = m_asked.size();
    for (qsizetype k = 0; k < asked; ++k) {
        const qsizetype i = (m_askedNext + k) % asked;
        const QString &known = m_asked.at(i).first;
        if (known.constData() == name.constData() && known.size() == name.size()) {
            m_askedNext = i + 1;
            return m_asked.at(i).second;
        }
        if (k == 2)
            break;   // not the usual pattern: look it up
    }
    const int column = m_index.value(name.toLower(), -1);
    if (asked < 2 * m_columns.size() + 8) {
        m_asked.append({name, column});
        m_askedNext = asked + 1;
    }
    return column;
}

HostField HostRecordset::Fields(const QString &name)
{
    const int column = fieldIndex(name);
    // The requested name is kept only for the error about a missing column.
    return HostField(this, column, column < 0 ? name : QString());
}

void HostRecordset::MoveNext()
{
    if (!m_open)
        return;
    if (m_editing && !Update())
        return;
    if (m_position < m_rows.size())
        ++m_position;
}

void HostRecordset::MoveFirst()
{
    if (!m_open)
        return;
    if (m_editing && !Update())
        return;
    m_position = 0;
}

int HostRecordset::RecordCount() const
{
    return int(m_rows.size());
}

bool HostRecordset::AddNew()
{
    if (!m_open) {
        reportError(QStringLiteral("The recordset is closed."));
        return false;
    }
    if (!m_updatable) {
        reportError(QStringLiteral("This result cannot take new rows: it does not come from one table."));
        return false;
    }
    if (m_editing && !Update())
        return false;
    m_adding = true;
    m_editing = true;
    m_edit = Row(m_columns.size());
    m_changed = QList<bool>(m_columns.size(), false);
    return true;
}

bool HostRecordset::Update()
{
    if (!m_open) {
        reportError(QStringLiteral("The recordset is closed."));
        return false;
    }
    if (!m_editing) {
        if (m_errors)
            m_errors(HostError());   // a successful call leaves no error behind
        return true;
    }
    const Row original = m_adding ? Row() : m_rows.at(m_position);
    Row edited = m_edit;
    if (!doUpdate(original, edited, m_changed))
        return false;
    if (m_adding) {
        m_rows.append(edited);
        m_position = m_rows.size() - 1;
    } else {
        m_rows[m_position] = edited;
    }
    m_editing = m_adding = false;
    return true;
}

void HostRecordset::CancelUpdate()
{
    m_editing = m_adding = false;
    m_edit.clear();
    m_changed.clear();
}

void HostRecordset::Close()
{
    CancelUpdate();
    m_open = false;
    m_rows.clear();
    m_position = 0;
}

bool HostRecordset::hasCurrentRow() const
{
    return m_adding || m_position < m_rows.size();
}

const HostValue &HostRecordset::valueAt(int column) const
{
    if (m_editing)
        return m_edit.at(column);
    if (!hasCurrentRow()) {
        reportError(QStringLiteral("Either BOF or EOF is true: there is no current row."));
        return kNull;
    }
    return m_rows.at(m_position).at(column);
}

void HostRecordset::setValueAt(int column, const HostValue &value)
{
    if (!m_editing) {
        if (!hasCurrentRow()) {
            reportError(QStringLiteral("Either BOF or EOF is true: there is no current row."));
            return;
        }
        if (!m_updatable) {
            reportError(QStringLiteral("This result cannot be changed: it does not come from one table."));
            return;
        }
        m_editing = true;
        m_edit = m_rows.at(m_position);
        m_changed = QList<bool>(m_columns.size(), false);
    }
    m_edit[column] = value;
    m_changed[column] = true;
}

void HostRecordset::reportError(const QString &description, const QString &nativeCode) const
{
    if (m_errors)
        m_errors(HostError(description, nativeCode));
}

StaticRecordset::StaticRecordset(QStringList columns, QList<Row> rows, ErrorSink errors)
    : HostRecordset(std::move(columns), std::move(rows), false, std::move(errors))
{
}

std::unique_ptr<HostRecordset> StaticRecordset::empty(ErrorSink errors)
{
    return std::make_unique<StaticRecordset>(QStringList(), QList<Row>(), std::move(errors));
}

bool StaticRecordset::doUpdate(const Row &, Row &, const QList<bool> &)
{
    reportError(QStringLiteral("This result cannot be changed."));
    return false;
}

} // namespace zeva
