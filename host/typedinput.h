#pragma once
// What the host types into the form for the user: a chosen pick-list row goes into the
// field that asked for it as keystrokes, so the field resolves it as it resolves typing.

#include <QString>

class QWidget;

namespace zeva::host {

// Types `text` into `editor` a character a key event, as an input method delivers it (any
// script, surrogate pairs kept together).
void typeText(QWidget *editor, const QString &text);

// Replaces the text of `field` (a line edit, normally the one that had the focus when the
// list was asked for) by `text` and presses Enter; false when it is no line edit.
bool typeIntoField(QWidget *field, const QString &text);

} // namespace zeva::host
