#pragma once
// Desktop services without a screen: each dialog takes the next queued answer and is
// recorded with its kind, style, title and text. A dialog with no fitting answer takes
// its default button (a message box's default, an input box's default text, a file
// dialog's Cancel) and is passed to the unanswered handler, which tests use to fail and
// the batch mode to report.

#include "desktopservices.h"

#include <QList>
#include <QQueue>

#include <functional>

namespace zeva {

class ZEVA_PLATFORM_EXPORT ScriptedDesktopServices : public DesktopServices {
public:
    struct Record {
        QString kind;      // "MsgBox", "InputBox", "OpenFile", "SaveFile", "ShellOpen"
        int style = 0;     // message boxes
        QString title;
        QString text;      // prompt, or the shell's path
        QString filter;    // file dialogs
        QString answer;    // "ok", "yes", typed text, a path, "cancel" or "default"
        bool byDefault = false;
    };
    using Handler = std::function<void(const Record &)>;

    explicit ScriptedDesktopServices(QString settingsFolder = {});

    // Queue the answer of the next dialog.
    void answerButton(int button);
    void answerText(const QString &text);
    void answerFile(const QString &path);
    void answerCancel();
    int pendingAnswers() const { return int(m_answers.size()); }

    const QList<Record> &records() const { return m_records; }
    void clearRecords() { m_records.clear(); }
    // Called for every dialog after it is answered, in order.
    void setRecordHandler(Handler handler) { m_onRecord = std::move(handler); }
    // Called for a dialog that found no fitting answer.
    void setUnansweredHandler(Handler handler) { m_onUnanswered = std::move(handler); }
    // What shellOpen answers (ShellStarted unless told otherwise).
    void setShellResult(int code) { m_shellResult = code; }

    int messageBox(const QString &prompt, int style, const QString &title) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText = {}) override;
    std::optional<FileChoice> openFile(const FileRequest &request) override;
    std::optional<FileChoice> saveFile(const FileRequest &request) override;
    int shellOpen(const QString &path) override;

private:
    struct Answer {
        enum Kind { Button, Text, File, Cancel } kind;
        int button = 0;
        QString text;
    };
    std::optional<Answer> takeAnswer();
    void finish(Record record, bool unanswered);
    std::optional<FileChoice> fileDialog(const QString &kind, const FileRequest &request);

    QQueue<Answer> m_answers;
    QList<Record> m_records;
    Handler m_onRecord;
    Handler m_onUnanswered;
    int m_shellResult = ShellStarted;
};

} // namespace zeva
