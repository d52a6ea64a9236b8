#pragma once
// zeva-host's batch mode: one command a line in, one record a line out, fields separated
// by tabs and escaped (fieldescape.h). The control is driven as a user drives it — clicks
// on rows and buttons, typing then Tab — with every dialog answered from the queue the
// script fills ("answer ...") and every event, dialog and result printed. One table holds
// the commands, their arguments (batchsyntax.h), their handlers and their help.

#include "hostsession.h"
#include "scripteddesktopservices.h"

#include <QTextStream>

class QIODevice;
class QLineEdit;
class QModelIndex;
class QTreeView;
class QWidget;

namespace zeva::host {

class BatchRunner {
public:
    // `window` holds the control; it is shown (offscreen) for geometry and focus to work.
    BatchRunner(HostSession &session, ScriptedDesktopServices &desktop, QWidget *window, QTextStream &out);

    // Runs every line of `in`; answers the exit status: 0, or 2 when any record was an
    // error.
    int run(QIODevice &in);
    // Runs one command line (empty lines and lines starting with "#" do nothing).
    void runLine(const QString &line);
    bool hadError() const { return m_errors > 0; }

    // The commands, their arguments and what they do: `zeva-host --batch --help`.
    static void printHelp(QTextStream &out);

private:
    struct Command;
    static const QList<Command> &commands();

    void record(const QStringList &fields);
    void error(const QString &command, const QString &text);
    void ensureInit();
    void result(const char *member, bool value);

    // The node with `key`, made visible, in `tree`; invalid after an error record.
    QModelIndex visibleNode(const QString &command, const QString &key, QTreeView *&tree);

    // The handlers, each given the arguments its table row asks for.
    void init(const QStringList &);
    void find(const QStringList &args);
    void select(const QStringList &args);
    void expand(const QStringList &args);
    void drag(const QStringList &args);
    void page(const QStringList &args);
    void set(const QStringList &args);
    void pick(const QStringList &args);
    // The host's answer to a field's pick-list request while `pick` runs.
    void takePickRow(const QString &helpCode, const QString &filter);
    // Clicks the text field named `control` and gives it the focus; null after an error record.
    QLineEdit *clickTextField(const QString &command, const QString &control);
    void check(const QStringList &args);
    void option(const QStringList &args);
    void answerButton(const QStringList &args);
    void answerText(const QStringList &args);
    void answerFile(const QStringList &args);
    void dumpTree(const QStringList &);
    void dumpSelection(const QStringList &);
    void dumpFields(const QStringList &);
    void dumpLayout(const QStringList &);
    void dumpHost(const QStringList &);
    void sql(const QStringList &args);
    void screenshot(const QStringList &args);
    void resize(const QStringList &args);
    void dragSplitter(const QStringList &args);
    void click(const QStringList &args);
    void row(const QStringList &args);
    void annotate(const QStringList &args);
    void dumpList(const QStringList &args);
    void dumpPicture(const QStringList &args);

    // Where the form is seen: the scroll area the window shows it in, else the form.
    QWidget *formView() const;

    HostSession &m_session;
    ScriptedDesktopServices &m_desktop;
    QWidget *m_window;
    QTextStream &m_out;
    int m_errors = 0;
    int m_pickRow = 0;      // the row `pick` takes, while it runs
    bool m_picked = false;  // the field asked for its list
};

} // namespace zeva::host
