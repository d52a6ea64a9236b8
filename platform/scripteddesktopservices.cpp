#include "scripteddesktopservices.h"

namespace zeva {

namespace {
const QString kDefault = QStringLiteral("default");
const QString kCancel = QStringLiteral("cancel");
}

ScriptedDesktopServices::ScriptedDesktopServices(QString settingsFolder)
    : DesktopServices(std::move(settingsFolder))
{
}

void ScriptedDesktopServices::answerButton(int button)
{
    m_answers.enqueue({Answer::Button, button, {}});
}

void ScriptedDesktopServices::answerText(const QString &text)
{
    m_answers.enqueue({Answer::Text, 0, text});
}

void ScriptedDesktopServices::answerFile(const QString &path)
{
    m_answers.enqueue({Answer::File, 0, path});
}

void ScriptedDesktopServices::answerCancel()
{
    m_answers.enqueue({Answer::Cancel, 0, {}});
}

std::optional<ScriptedDesktopServices::Answer> ScriptedDesktopServices::takeAnswer()
{
    if (m_answers.isEmpty())
        return std::nullopt;
    return m_answers.dequeue();
}

void ScriptedDesktopServices::finish(Record record, bool unanswered)
{
    record.byDefault = unanswered;
    if (unanswered)
        record.answer = kDefault;
    m_records.append(record);
    if (unanswered && m_onUnanswered)
        m_onUnanswered(record);
    if (m_onRecord)
        m_onRecord(record);
}

int ScriptedDesktopServices::messageBox(const QString &prompt, int style, const QString &title)
{
    Record record{QStringLiteral("MsgBox"), style, title, prompt, {}, {}, false};
    const QList<int> buttons = buttonsOf(style);
    const auto answer = takeAnswer();
    int pressed = 0;
    if (answer && answer->kind == Answer::Button && buttons.contains(answer->button))
        pressed = answer->button;
    else if (answer && answer->kind == Answer::Cancel && buttons.contains(Cancel))
        pressed = Cancel;
    if (pressed == 0) {
        finish(record, true);
        return defaultButtonOf(style);
    }
    record.answer = buttonName(pressed);
    finish(record, false);
    return pressed;
}

std::optional<QString> ScriptedDesktopServices::inputBox(const QString &prompt, const QString &title,
                                                         const QString &defaultText)
{
    Record record{QStringLiteral("InputBox"), 0, title, prompt, {}, {}, false};
    const auto answer = takeAnswer();
    if (answer && answer->kind == Answer::Text) {
        record.answer = answer->text;
        finish(record, false);
        return answer->text;
    }
    if (answer && (answer->kind == Answer::Cancel || (answer->kind == Answer::Button && answer->button == Cancel))) {
        record.answer = kCancel;
        finish(record, false);
        return std::nullopt;
    }
    if (answer && answer->kind == Answer::Button && answer->button == Ok) {
        record.answer = defaultText;
        finish(record, false);
        return defaultText;
    }
    finish(record, true);
    return defaultText;
}

std::optional<DesktopServices::FileChoice> ScriptedDesktopServices::fileDialog(const QString &kind,
                                                                              const FileRequest &request)
{
    Record record{kind, 0, request.title, request.fileName, request.filter, {}, false};
    const auto answer = takeAnswer();
    if (answer && answer->kind == Answer::File) {
        record.answer = answer->text;
        finish(record, false);
        return FileChoice{answer->text, request.filterIndex};
    }
    if (answer && (answer->kind == Answer::Cancel || (answer->kind == Answer::Button && answer->button == Cancel))) {
        record.answer = kCancel;
        finish(record, false);
        return std::nullopt;
    }
    finish(record, true);   // Escape: the dialog's default is to choose nothing
    return std::nullopt;
}

std::optional<DesktopServices::FileChoice> ScriptedDesktopServices::openFile(const FileRequest &request)
{
    return fileDialog(QStringLiteral("OpenFile"), request);
}

std::optional<DesktopServices::FileChoice> ScriptedDesktopServices::saveFile(const FileRequest &request)
{
    return fileDialog(QStringLiteral("SaveFile"), request);
}

int ScriptedDesktopServices::shellOpen(const QString &path)
{
    Record record{QStringLiteral("ShellOpen"), 0, {}, path, {}, QString::number(m_shellResult), false};
    m_records.append(record);
    if (m_onRecord)
        m_onRecord(record);
    return m_shellResult;
}

} // namespace zeva
