#pragma once
// Toolbar1: the page buttons of the record area. Positions 1, 3, 5 and 7 are buttons,
// 2, 4 and 6 separators; the buttons behave as an exclusive group whose pressed button
// has the value 1. Each button is a child named "Buttons(<position>)".

#include <QToolBar>

#include <array>

class QToolButton;

namespace zeva {

class FormToolbar : public QToolBar {
    Q_OBJECT
public:
    explicit FormToolbar(QWidget *parent = nullptr);

    // 1 when the button at `position` is pressed, 0 otherwise (and for separators).
    int value(int position) const;
    void setValue(int position, int value);
    QToolButton *button(int position) const;

signals:
    // A user's click on the button at `position`.
    void ButtonClick(int position);

private:
    std::array<QToolButton *, 8> m_buttons{};
};

} // namespace zeva
