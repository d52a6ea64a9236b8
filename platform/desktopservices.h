#pragma once
// Every dialog and desktop service the control uses: message and input boxes, file
// dialogs, opening a file with its program, per-user settings, and letting pending
// events run. The Qt implementation shows real dialogs; the scripted one answers from a
// queue and records each dialog, for tests and the host's batch mode.

#include "zevaplatform_export.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace zeva {

class ZEVA_PLATFORM_EXPORT DesktopServices {
public:
    // Message box results, with the platform's numbers.
    enum Button { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
    // Message box style: one button set, plus one icon, plus one default-button choice.
    enum Style {
        OkOnly = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5,
        Critical = 16, Question = 32, Exclamation = 48, Information = 64,
        DefaultButton2 = 256, DefaultButton3 = 512,
    };

    // A file dialog's request. `filter` pairs descriptions and patterns with "|"
    // ("图纸|*.dwg|所有文件|*.*"); `filterIndex` counts from 1.
    struct FileRequest {
        QString title;
        QString filter;
        QString initialFolder;
        QString fileName;
        QString defaultExtension;
        int filterIndex = 1;
        bool mustExist = true;        // open: only an existing file can be chosen
        bool overwritePrompt = true;  // save: ask before replacing a file
    };
    struct FileChoice {
        QString path;
        int filterIndex = 1;
    };

    virtual ~DesktopServices();

    // Shows a modal message box and answers the button pressed (Button numbers).
    virtual int messageBox(const QString &prompt, int style, const QString &title) = 0;
    // The text entered, or nothing when the user cancelled.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                            const QString &defaultText = {}) = 0;
    // The file chosen, or nothing on cancel.
    virtual std::optional<FileChoice> openFile(const FileRequest &request) = 0;
    virtual std::optional<FileChoice> saveFile(const FileRequest &request) = 0;
    // The shell's answers to shellOpen.
    enum ShellCode { ShellFileNotFound = 2, ShellNoAssociation = 31, ShellStarted = 42 };
    // Opens the file with the program the desktop associates with it, and answers a
    // ShellCode: the file is missing, no program is associated with its type, or the
    // program was started.
    virtual int shellOpen(const QString &path) = 0;

    // Per-user settings, one INI file per application name under the settings folder.
    // An empty application name reads nothing (the default holds) and stores nothing.
    QString setting(const QString &application, const QString &section, const QString &key,
                    const QString &defaultValue = {}) const;
    void setSetting(const QString &application, const QString &section, const QString &key,
                    const QString &value);
    QString settingsFolder() const { return m_settingsFolder; }

    // Lets pending user-interface events run, at most once per ~10 ms of work, so that a
    // loop may call it after every row without paying a repaint per row.
    void letEventsRun();

    // The buttons of a style, in the order the box shows them, and the one Enter presses.
    static QList<int> buttonsOf(int style);
    static int defaultButtonOf(int style);
    static QString buttonName(int button);   // "ok", "cancel", "yes", ...
    static int buttonFromName(const QString &name);   // 0 when unknown
    // "图纸|*.dwg|所有文件|*.*" -> "图纸 (*.dwg);;所有文件 (*.*)"; several patterns
    // separated by ";" are kept as one entry.
    static QString qtFilter(const QString &filter);

protected:
    // An empty folder keeps settings in memory for the life of the object.
    explicit DesktopServices(QString settingsFolder);
    virtual void doProcessEvents();

private:
    QString m_settingsFolder;
    struct MemorySettings;
    std::unique_ptr<MemorySettings> m_memory;
    QElapsedTimer m_sinceEvents;
};

} // namespace zeva
