#pragma once
// zeva-host's batch mode: one command a line in, one record a line out, fields separated
// by tabs with "\\", "\t", "\n" and "\r" escaped. The control is driven as a user drives
// it — clicks on rows and buttons, typing then Tab — with every dialog answered from the
// queue the script fills ("answer ...") and every event, dialog and result printed.
// The language is described in README.md ("Batch mode").

#include "hostsession.h"
#include "scripteddesktopservices.h"

#include <QTextStream>

class QModelIndex;
class QTreeView;
class QWidget;

namespace zeva::host {

class BatchRunner {
public:
    // `window` holds the control; it is shown (offscreen) for geometry and focus to work.
    BatchRunner(HostSession &session, ScriptedDesktopServices &desktop, QWidget *window, QTextStream &out);

    // Runs every command of `in`; answers the exit status: 0, or 2 when any record was
    // an error.
    int run(QTextStream &in);
    // Runs one command line (empty lines and lines starting with "#" do nothing).
    void runLine(const QString &line);
    bool hadError() const { return m_errors > 0; }

private:
    void record(const QStringList &fields);
    void error(const QString &command, const QString &text);
    void ensureInit();
    void result(const char *member, bool value);

    // The node with `key`, made visible, in `tree`; invalid after an error record.
    QModelIndex visibleNode(const QString &command, const QString &key, QTreeView *&tree);
    void select(const QString &key);
    void expand(const QString &key);
    void page(const QString &position);
    void set(const QString &control, const QString &text);
    void check(const QString &control, const QString &value);
    void option(const QString &control);
    void answer(const QString &rest);
    void dumpTree();
    void dumpFields();
    void sql(const QString &statement);
    void screenshot(const QString &path);
    void resize(const QString &width, const QString &height);

    HostSession &m_session;
    ScriptedDesktopServices &m_desktop;
    QWidget *m_window;
    QTextStream &m_out;
    int m_errors = 0;
};

// Escapes a value for one field of a record; unescapes the text of "set".
QString unescapeField(const QString &text);

} // namespace zeva::host
