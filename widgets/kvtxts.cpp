#include "kvtxts.h"

#include <QLabel>

namespace zeva {

kvTxt_S::kvTxt_S(QWidget *parent)
    : QWidget(parent), m_label(new QLabel(this)), m_edit(new QLineEdit(this))
{
    setProperty("zevaType", QStringLiteral("kvTxt_S"));
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label->setBuddy(m_edit);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);
    // Records are read in browse mode, where the boxes are disabled: keep the caption and
    // the value readable there, marking the mode by the entry's background only.
    QPalette labelPalette = m_label->palette();
    labelPalette.setColor(QPalette::Disabled, QPalette::WindowText,
                          labelPalette.color(QPalette::Active, QPalette::WindowText));
    m_label->setPalette(labelPalette);
    QPalette editPalette = m_edit->palette();
    editPalette.setColor(QPalette::Disabled, QPalette::Text, editPalette.color(QPalette::Active, QPalette::Text));
    editPalette.setColor(QPalette::Disabled, QPalette::Base, editPalette.color(QPalette::Active, QPalette::Window));
    m_edit->setPalette(editPalette);
    connect(m_edit, &QLineEdit::editingFinished, this, &kvTxt_S::editingFinished);
    connect(m_edit, &QLineEdit::textEdited, this, [this] { m_valid = true; });
}

QString kvTxt_S::text() const
{
    return m_edit->text();
}

void kvTxt_S::setText(const QString &text)
{
    m_edit->setText(text);
    m_edit->setCursorPosition(0);
}

void kvTxt_S::setKeyValue(const QVariant &value)
{
    m_keyValue = value.isNull() ? QString() : value.toString();
}

void kvTxt_S::setCaption(const QString &caption)
{
    m_caption = caption;
    m_label->setText(caption);
}

void kvTxt_S::setCaptionWidth(int pixels)
{
    m_captionWidth = pixels;
    m_label->setVisible(pixels > 0);
    placeChildren();
}

void kvTxt_S::clear()
{
    m_keyValue = QStringLiteral("0");
    setText(QString());
    m_valid = true;
}

bool kvTxt_S::IsActive() const
{
    return isEnabled() && !isHidden();
}

void kvTxt_S::setMultiLine(bool multiLine)
{
    m_edit->setAlignment(multiLine ? Qt::AlignLeft | Qt::AlignTop : Qt::AlignLeft | Qt::AlignVCenter);
}

void kvTxt_S::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void kvTxt_S::placeChildren()
{
    const int gap = m_captionWidth > 0 ? 6 : 0;
    m_label->setGeometry(0, 0, m_captionWidth, height());
    m_edit->setGeometry(m_captionWidth + gap, 0, qMax(0, width() - m_captionWidth - gap), height());
}

} // namespace zeva
