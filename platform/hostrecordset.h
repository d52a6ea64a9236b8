#pragma once
// A result of the host database, held in memory: walk it with IsEOF/MoveNext, read
// columns by name (without regard to case), and, when it comes from one table, insert
// rows (AddNew, Fields(..).setValue, Update) or change the current row in place.
// Failures never throw: they become the connection's last error, as every statement's do.

#include "hosterror.h"
#include "hostvalue.h"
#include "zevaplatform_export.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

namespace zeva {

class HostRecordset;

// One column of the current row, as `Fields(name)` hands it out.
class ZEVA_PLATFORM_EXPORT HostField {
public:
    // The column's value in the current row (or the row being added); NULL when the
    // column does not exist or there is no current row (the last error says which).
    // The reference is valid until the recordset moves, changes or closes.
    const HostValue &Value() const;
    // Writes into the current row's edit buffer; Update stores it.
    void setValue(const HostValue &value);
    HostField &operator=(const HostValue &value)
    {
        setValue(value);
        return *this;
    }
    // The column's name as the database spells it; the requested name when unknown.
    QString Name() const;
    bool exists() const { return m_column >= 0; }

private:
    friend class HostRecordset;
    HostField(HostRecordset *recordset, int column, QString requested)
        : m_recordset(recordset), m_column(column), m_requested(std::move(requested)) {}

    HostRecordset *m_recordset;
    int m_column;
    QString m_requested;
};

class ZEVA_PLATFORM_EXPORT HostRecordset {
public:
    using Row = QList<HostValue>;
    using ErrorSink = std::function<void(const HostError &)>;

    virtual ~HostRecordset();
    HostRecordset(const HostRecordset &) = delete;
    HostRecordset &operator=(const HostRecordset &) = delete;

    // Both are true on an empty result; EOF also once MoveNext passed the last row.
    bool IsEOF() const;
    bool IsBOF() const;
    HostField Fields(const QString &name);
    // Moves to the next row; a pending edit is stored first, as a move does in the
    // platform's recordsets. Past the end it stays at EOF and reports nothing.
    void MoveNext();
    void MoveFirst();
    // The exact number of rows, added ones included.
    int RecordCount() const;

    // Starts a new row with every column NULL; false (with an error) when the result
    // does not come from one table.
    [[nodiscard]] bool AddNew();
    // Stores the added row or the edits of the current row. Nothing pending: true.
    // On failure the row keeps its edits, the stored data is unchanged, and the
    // connection's last error holds the reason.
    [[nodiscard]] bool Update();
    // Drops pending edits (an added row disappears).
    void CancelUpdate();
    // Ends the use of the result; pending edits are dropped. Reading afterwards gives
    // NULL and an error.
    void Close();

    bool isOpen() const { return m_open; }
    bool isUpdatable() const { return m_updatable; }
    bool isEditing() const { return m_editing; }
    int fieldCount() const { return int(m_columns.size()); }
    QString fieldName(int column) const { return m_columns.value(column); }
    // -1 when there is no such column; names compare without regard to case.
    int fieldIndex(const QString &name) const;

protected:
    HostRecordset(QStringList columns, QList<Row> rows, bool updatable, ErrorSink errors);

    // Writes one row back to its table. `original` is empty for an added row; `changed`
    // marks the columns the caller wrote. The back end may complete `edited` with what
    // the database assigned. Answers false after reporting the failure through
    // reportError(); the success path clears the connection's last error.
    virtual bool doUpdate(const Row &original, Row &edited, const QList<bool> &changed) = 0;

    void reportError(const QString &description, const QString &nativeCode = {}) const;

private:
    friend class HostField;
    const HostValue &valueAt(int column) const;
    void setValueAt(int column, const HostValue &value);
    bool hasCurrentRow() const;

    QStringList m_columns;
    QHash<QString, int> m_index;      // lower-cased name -> column
    // The names callers asked for, in the order they asked, with their columns: a loop
    // that reads the same columns row after row finds each by its string's identity.
    mutable QList<QPair<QString, int>> m_asked;
    mutable qsizetype m_askedNext = 0;
    QList<Row> m_rows;
    bool m_updatable;
    ErrorSink m_errors;
    qsizetype m_position = 0;
    bool m_open = true;
    bool m_editing = false;
    bool m_adding = false;
    Row m_edit;
    QList<bool> m_changed;
};

// A read-only result built from values in hand: a failed statement's empty result, and
// host-side answers that need no database.
class ZEVA_PLATFORM_EXPORT StaticRecordset final : public HostRecordset {
public:
    StaticRecordset(QStringList columns, QList<Row> rows, ErrorSink errors);
    static std::unique_ptr<HostRecordset> empty(ErrorSink errors = {});

protected:
    bool doUpdate(const Row &, Row &, const QList<bool> &) override;
};

} // namespace zeva
