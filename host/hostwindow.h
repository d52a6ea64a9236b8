#pragma once
// The host's main window around the drawing control: the standard form commands on a
// toolbar and a menu with shortcuts, enabled as a business application enables them
// (saving and cancelling only while editing), Message in the status bar, ErrMessage in a
// log pane with level and title, and the Property events in a small panel.

#include "hostsession.h"

#include <QMainWindow>

class QAction;
class QTableWidget;
class QTreeWidget;

namespace zeva::host {

class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    // Loads the control into the window; `loaded()` tells whether that worked.
    explicit HostWindow(HostSession &session, QWidget *parent = nullptr);

    bool loaded() const { return m_session.control() != nullptr; }
    QString loadError() const { return m_loadError; }
    // Initialises the control and loads its tree, as the host does when it opens a form.
    void start();
    // The user's last size and place (per-user settings), else a size that fits the
    // screen's free area. Batch mode sizes the window itself and never calls this.
    void placeOnScreen();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    void setEditing(bool editing);
    void command(const char *member, bool (FormControl::*call)());
    void log(int level, const QString &title, const QString &text);
    void showProperty(const QString &name, const QVariant &value, bool autoUpdate);

    HostSession &m_session;
    QString m_loadError;
    QTreeWidget *m_log = nullptr;
    QTableWidget *m_properties = nullptr;
    QList<QAction *> m_browseActions;
    QList<QAction *> m_editActions;
    bool m_running = false;
    bool m_editing = false;
    bool m_remembersPlace = false;   // the window was placed by placeOnScreen
};

} // namespace zeva::host
