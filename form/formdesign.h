#pragma once
// The drawing form's design: every control with its name, index, type and place in twips
// at the design size, as a form designer's file holds it, and the builder that makes the
// real widgets from it. The form is laid out absolutely from this table; the layout
// recorder scales it when the host resizes the form, and the bar Sp between the tree and
// the record area lets the user share the width between them.

#include "pages.h"
#include "recordfields.h"

#include <QList>
#include <QString>

#include <array>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QWidget;

namespace zeva {

class DesktopServices;
class FormToolbar;
class Splitter;
class TreeControl;
class kvTxt_S;
class zLibControl;

// The form's design size in twips.
inline constexpr int kDesignWidth = 13200;
inline constexpr int kDesignHeight = 8400;

// One entry of the design table.
struct ControlDesign {
    const char *name;      // documented name without index
    int index;             // control-array index, -1 for a single control
    const char *type;      // control type name ("kvTxt_S", "CheckBox", ...)
    const char *parent;    // objectName of the container, "" for the form itself
    const char *caption;
    int left, top, width, height;   // twips, relative to the container
    int captionWidth = 0;  // kvTxt_S: the caption column in twips
};

// The design table, containers before what they contain, in tab order.
const QList<ControlDesign> &formDesign();

// objectName of a control: "kvT(2)", "TV", ...
QString controlName(const char *name, int index);

// The widgets made from the design, by their documented names.
struct FormControls {
    TreeControl *TV = nullptr;
    Splitter *Sp = nullptr;
    QFrame *frabase = nullptr;
    FormToolbar *Toolbar1 = nullptr;
    std::array<QFrame *, 5> fra{};  // the pages fra(0), fra(2), fra(3), fra(4); fra(1) is the ABC group
    std::array<kvTxt_S *, 33> kvT{};
    std::array<QCheckBox *, 8> chk{};
    std::array<QRadioButton *, 3> Opt{};
    std::array<QLabel *, 5> lbl{};  // lbl(3) is the caption "图片名"
    QLabel *ImgBom = nullptr;
    QLabel *ImgSr = nullptr;
    QFrame *picZeva = nullptr;
    QLabel *imgZeva = nullptr;
    QLabel *pic = nullptr;
    QLineEdit *txtFileName = nullptr;
    kvTxt_S *txt = nullptr;
    QPushButton *CmdOpenFile = nullptr;
    QPushButton *CmdClear = nullptr;
    QPushButton *CmdShow = nullptr;
    zLibControl *zLibControl1 = nullptr;
    QTreeWidget *lvDraw = nullptr;
    std::array<QPushButton *, 3> Cmd{};
    zLibControl *zLibControl3 = nullptr;
    QList<QWidget *> all;           // every control, in design order
    QStringList types;              // their type names, in the same order (as "zevaType" holds them)

    kvTxt_S *field(Field f) const { return kvT[fieldIndex(f)]; }
    QCheckBox *check(Check c) const { return chk[int(c)]; }
    QFrame *pageFrame(Page page) const { return fra[pageFrameIndex(page)]; }
};

// Builds every control of the design table under `form`, placed at the design size; the
// archive controls report their failures through `desktop`.
FormControls buildForm(QWidget *form, DesktopServices &desktop);

// The control type name of a widget of the form ("" for widgets outside the design).
QString controlType(const QWidget *widget);

} // namespace zeva
