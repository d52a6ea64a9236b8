#include "postildialog.h"

#include "hostsystem.h"
#include "hostunits.h"
#include "hostwindowservice.h"
#include "values.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace zeva {

namespace {

// Places a child in twips, as the form's own controls are placed.
template <class W>
W *place(W *widget, const QString &name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsToPixels(left, widget), twipsToPixels(top, widget), twipsToPixels(width, widget),
                        twipsToPixels(height, widget));
    return widget;
}

} // namespace

frmPostil::frmPostil(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("文档说明"));
    setModal(true);
    place(new QLabel(QStringLiteral("文件名称"), this), QStringLiteral("lbl(0)"), 120, 150, 1000, 300);
    m_fileName = place(new QLineEdit(this), QStringLiteral("txt(0)"), 1140, 120, 5200, 330);
    place(new QLabel(QStringLiteral("文件说明"), this), QStringLiteral("lbl(2)"), 120, 600, 1000, 300);
    m_description = place(new QLineEdit(this), QStringLiteral("txt(2)"), 1140, 570, 5200, 330);
    place(new QLabel(QStringLiteral("详细说明"), this), QStringLiteral("lbl(1)"), 120, 1050, 1000, 300);
    m_detail = place(new QPlainTextEdit(this), QStringLiteral("txt(1)"), 1140, 1020, 5200, 2600);
    m_cmd[0] = place(new QPushButton(QStringLiteral("保存(&S)"), this), QStringLiteral("Cmd(0)"), 3900, 3780, 1150, 390);
    m_cmd[1] = place(new QPushButton(QStringLiteral("关闭(&E)"), this), QStringLiteral("Cmd(1)"), 5190, 3780, 1150, 390);
    setFixedSize(twipsToPixels(6500, this), twipsToPixels(4350, this));
    // The boxes from top to bottom are txt(0), txt(2), txt(1): so is the tab order.
    setTabOrder(m_fileName, m_description);
    setTabOrder(m_description, m_detail);
    setTabOrder(m_detail, m_cmd[0]);
    setTabOrder(m_cmd[0], m_cmd[1]);
    m_cmd[0]->setEnabled(false);
    const auto changed = [this] { m_cmd[0]->setEnabled(true); };
    connect(m_fileName, &QLineEdit::textChanged, this, changed);
    connect(m_description, &QLineEdit::textChanged, this, changed);
    connect(m_detail, &QPlainTextEdit::textChanged, this, changed);
    connect(m_cmd[0], &QPushButton::clicked, this, &frmPostil::save);
    connect(m_cmd[1], &QPushButton::clicked, this, &QDialog::hide);
}

void frmPostil::Display(HostSystem &poSystem, int plRowIndex)
{
    m_system = &poSystem;
    m_rowIndex = plRowIndex;
    if (auto db = poSystem.Database()) {
        auto rs = db->Prepare(QStringLiteral("SELECT * From pdmZevaDraw WHERE rowIndex=") + QString::number(plRowIndex), 1)
                      ->OpenRecordset();
        if (!rs->IsEOF()) {
            m_fileName->setText(rs->Fields(QStringLiteral("fileName")).Value().toText());
            m_description->setText(rs->Fields(QStringLiteral("contents")).Value().toText());
            m_detail->setPlainText(rs->Fields(QStringLiteral("postil")).Value().toText());
        }
        rs->Close();
    }
    exec();
}

QString frmPostil::description() const
{
    return m_description->text();
}

bool frmPostil::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_system) {
        if (auto windows = m_system->WindowService())
            windows->RegisterWindow(this);
    }
    return QDialog::event(event);
}

void frmPostil::save()
{
    if (!m_system)
        return;
    // The texts go between quotes with their own quotes doubled: one update of this row,
    // whatever the user typed.
    const QString sql = QStringLiteral(" Update pdmZevaDraw set ") + QStringLiteral(" contents='")
        + sqlEscape(trimSpaces(m_description->text())) + QStringLiteral("',") + QStringLiteral(" postil = '")
        + sqlEscape(m_detail->toPlainText()) + QStringLiteral("'") + QStringLiteral(" Where rowIndex =")
        + QString::number(m_rowIndex);
    if (auto db = m_system->Database())
        (void)db->Prepare(sql, 1)->Execute();
    m_cmd[0]->setEnabled(false);
}

} // namespace zeva
