#pragma once
// The host window's pick list: a filter line over the list of codes and names, refetched as
// the user types; Up/Down/PageUp/PageDown move in the list from the filter line, Enter or a
// double click takes the row, Esc cancels.

#include "picklist.h"

#include <QDialog>

class QLineEdit;
class QTableWidget;

namespace zeva::host {

class PickListDialog : public QDialog {
    Q_OBJECT
public:
    PickListDialog(SqlHostDatabase &db, QString helpCode, const QString &filter, QWidget *parent = nullptr);

    // The row taken; empty code when none was.
    PickRow chosen() const { return m_chosen; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refetch();
    void take();

    SqlHostDatabase &m_db;
    QString m_helpCode;
    QLineEdit *m_filter;
    QTableWidget *m_rows;
    QList<PickRow> m_shown;
    PickRow m_chosen;
};

} // namespace zeva::host
