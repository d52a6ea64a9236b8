#pragma once
// frmPostil, "文档说明": the two descriptions of one stored document — the one-line
// description shown in the drawing list and the detailed annotation — edited in a modal
// dialog. Save writes both (the one-line text trimmed of spaces), and stays open; any
// change of a box makes save usable again.

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zeva {

class HostSystem;

class frmPostil : public QDialog {
    Q_OBJECT
public:
    explicit frmPostil(QWidget *parent = nullptr);

    // Loads the document `plRowIndex` and shows the dialog modally; returns when it closes.
    // A document that does not exist leaves the boxes empty.
    void Display(HostSystem &poSystem, int plRowIndex);

    // txt(2), as the user left it.
    QString description() const;

protected:
    bool event(QEvent *event) override;

private:
    void save();

    HostSystem *m_system = nullptr;
    int m_rowIndex = 0;
    QLineEdit *m_fileName;      // txt(0)
    QLineEdit *m_description;   // txt(2)
    QPlainTextEdit *m_detail;   // txt(1)
    std::array<QPushButton *, 2> m_cmd{};
};

} // namespace zeva
