#include "formtoolbar.h"

#include <QStyle>
#include <QToolButton>

namespace zeva {

namespace {

struct ButtonDesign {
    int position;
    const char *caption;
    const char *toolTip;
    QStyle::StandardPixmap icon;
};

constexpr ButtonDesign kButtons[] = {
    {1, "基本属性", "产品的基本属性", QStyle::SP_FileDialogDetailedView},
    {3, "其他属性", "物料的扩展属性", QStyle::SP_FileDialogInfoView},
    {5, "产品图片", "物品的图片信息", QStyle::SP_DesktopIcon},
    {7, "相关文档", "图纸管理", QStyle::SP_FileDialogContentsView},
};

} // namespace

FormToolbar::FormToolbar(QWidget *parent)
    : QToolBar(parent)
{
    setProperty("zevaType", QStringLiteral("Toolbar"));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    for (const ButtonDesign &design : kButtons) {
        if (design.position > 1)
            addSeparator();
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("Buttons(%1)").arg(design.position));
        button->setText(QString::fromUtf8(design.caption));
        button->setToolTip(QString::fromUtf8(design.toolTip));
        button->setIcon(style()->standardIcon(design.icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setCheckable(true);
        button->setAutoRaise(true);
        // The form decides which page shows: a click only reports, then the handler sets
        // the values, so the group stays exclusive whatever the handler does.
        connect(button, &QToolButton::clicked, this, [this, button, position = design.position] {
            button->setChecked(!button->isChecked());
            emit ButtonClick(position);
        });
        addWidget(button);
        m_buttons[design.position] = button;
    }
}

int FormToolbar::value(int position) const
{
    const QToolButton *b = button(position);
    return b && b->isChecked() ? 1 : 0;
}

void FormToolbar::setValue(int position, int value)
{
    if (QToolButton *b = button(position))
        b->setChecked(value != 0);
}

QToolButton *FormToolbar::button(int position) const
{
    return position >= 0 && position < int(m_buttons.size()) ? m_buttons[position] : nullptr;
}

} // namespace zeva
