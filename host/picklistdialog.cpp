#include "picklistdialog.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zeva::host {

PickListDialog::PickListDialog(SqlHostDatabase &db, QString helpCode, const QString &filter, QWidget *parent)
    : QDialog(parent), m_db(db), m_helpCode(std::move(helpCode)), m_filter(new QLineEdit(filter, this)),
      m_rows(new QTableWidget(0, 2, this))
{
    setWindowTitle(QStringLiteral("选择"));
    m_filter->setPlaceholderText(QStringLiteral("代码或名称"));
    m_filter->installEventFilter(this);
    m_rows->setHorizontalHeaderLabels({QStringLiteral("代码"), QStringLiteral("名称")});
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rows->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->verticalHeader()->hide();
    m_rows->horizontalHeader()->setStretchLastSection(true);
    m_rows->setTabKeyNavigation(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_rows);
    auto *hint = new QLabel(QStringLiteral("输入以筛选，↑↓ 选择，Enter 确定，Esc 取消"), this);
    hint->setEnabled(false);
    layout->addWidget(hint);
    resize(480, 360);
    connect(m_filter, &QLineEdit::textChanged, this, &PickListDialog::refetch);
    connect(m_rows, &QTableWidget::cellDoubleClicked, this, &PickListDialog::take);
    refetch();
}

void PickListDialog::refetch()
{
    m_shown = pickRows(m_db, m_helpCode, m_filter->text());
    m_rows->setRowCount(int(m_shown.size()));
    for (int i = 0; i < m_shown.size(); ++i) {
        m_rows->setItem(i, 0, new QTableWidgetItem(m_shown[i].code));
        m_rows->setItem(i, 1, new QTableWidgetItem(m_shown[i].name));
    }
    if (!m_shown.isEmpty())
        m_rows->selectRow(0);
}

void PickListDialog::take()
{
    const int row = m_rows->currentRow();
    if (row < 0 || row >= m_shown.size())
        return;
    m_chosen = m_shown[row];
    accept();
}

bool PickListDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The filter line keeps the focus; the moving keys go to the list.
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(m_rows, event);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            take();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zeva::host
