// The host's small auxiliary objects.
#include "desktopfieldfocus.h"
#include "levelcoderule.h"
#include "memorybinarystream.h"
#include "namedcommandlineargs.h"
#include "recordingpreloadedform.h"
#include "standardvalueconverter.h"
#include "windowregistry.h"

#include "values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStackedWidget>
#include <QTabWidget>

#include <cmath>

namespace zeva::host {

QList<int> LevelCodeRule::levelEnds(const QString &rule)
{
    QList<int> ends;
    int total = 0;
    for (const QString &part : rule.split(u'-')) {
        const qint64 length = leadingInteger(part);
        if (length <= 0 || length > 1000)
            continue;
        total += int(length);
        ends.append(total);
    }
    return ends;
}

const QList<int> &LevelCodeRule::endsOf(const QString &rule)
{
    if (!m_parsed || rule != m_rule) {
        m_rule = rule;
        m_ends = levelEnds(rule);
        m_parsed = true;
    }
    return m_ends;
}

int LevelCodeRule::LevelCount(const QString &code, const QString &rule)
{
    const int length = int(code.size());
    if (length == 0)
        return 0;
    const QList<int> &ends = endsOf(rule);
    int count = 0;
    int start = 0;
    for (int end : ends) {
        if (length <= start)
            break;
        ++count;
        start = end;
    }
    // Longer than the rule: one more level, ending at the code's full length.
    if (length > start)
        ++count;
    return count;
}

int LevelCodeRule::LevelLength(int level, const QString &rule)
{
    const QList<int> &ends = endsOf(rule);
    return level >= 1 && level <= ends.size() ? ends.at(level - 1) : 0;
}

QString LevelCodeRule::ParentCode(const QString &code, const QString &rule)
{
    const int count = LevelCount(code, rule);
    if (count <= 1)
        return {};
    const QList<int> &ends = endsOf(rule);
    return code.left(ends.at(count - 2));
}

bool NamedCommandLineArgs::Parse(const QString &commandLine)
{
    const QString &s = commandLine;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && s.at(i).isSpace())
            ++i;
        if (i >= n)
            return true;
        qsizetype end = i;
        while (end < n && s.at(end) != u'=' && !s.at(end).isSpace())
            ++end;
        if (end >= n || s.at(end) != u'=' || end == i)
            return false;
        const QString name = s.mid(i, end - i).toLower();
        i = end + 1;
        QString value;
        if (i < n && s.at(i) == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (s.at(i) == u'"') {
                    if (i + 1 < n && s.at(i + 1) == u'"') {
                        value += u'"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += s.at(i++);
            }
            if (!closed || (i < n && !s.at(i).isSpace()))
                return false;
        } else {
            while (i < n && !s.at(i).isSpace())
                value += s.at(i++);
        }
        m_items.insert(name, value);
    }
}

bool NamedCommandLineArgs::Item(const QString &name, QString &text) const
{
    auto it = m_items.constFind(name.toLower());
    if (it == m_items.cend())
        return false;
    text = *it;
    return true;
}

int StandardValueConverter::ToLong(const QVariant &value)
{
    const double number = leadingNumber(value.toString());
    const double rounded = std::round(number);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return 0;
    return int(rounded);
}

QString StandardValueConverter::MidText(const QString &text, int start, int length)
{
    if (start < 1 || length <= 0)
        return {};
    return text.mid(start - 1, length);
}

void DesktopFieldFocus::SetFocusTo(QWidget *field)
{
    if (!field)
        return;
    // Bring forward every page that holds the field. A tab widget's pages sit in its
    // own stacked widget; asking the tab widget keeps its tab bar in step.
    for (QWidget *page = field; page->parentWidget(); page = page->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
        if (!stack)
            continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
            tabs->setCurrentWidget(page);
        else
            stack->setCurrentWidget(page);
    }
    field->setFocus(Qt::OtherFocusReason);
}

void DesktopFieldFocus::ShowMessage(const QString &, const QString &, const QString &message, int style,
                                    const QString &title, int *result)
{
    const int button = m_desktop.messageBox(message, style, title);
    if (result)
        *result = button;
}

bool MemoryBinaryStream::requireOpen()
{
    if (m_open)
        return true;
    m_error = QStringLiteral("The stream is not open.");
    return false;
}

bool MemoryBinaryStream::Open()
{
    m_open = true;
    m_bytes.clear();
    m_position = 0;
    m_error.clear();
    return true;
}

bool MemoryBinaryStream::LoadFromFile(const QString &path)
{
    if (!requireOpen())
        return false;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Cannot read %1: %2").arg(path, QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                                                          : file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    m_bytes = std::move(bytes);
    m_position = 0;
    m_error.clear();
    return true;
}

QByteArray MemoryBinaryStream::Read()
{
    if (!requireOpen())
        return {};
    const QByteArray rest = m_position == 0 ? m_bytes : m_bytes.mid(m_position);
    m_position = m_bytes.size();
    m_error.clear();
    return rest;
}

bool MemoryBinaryStream::Write(const QByteArray &bytes)
{
    if (!requireOpen())
        return false;
    m_bytes.truncate(m_position);
    m_bytes.append(bytes);
    m_position = m_bytes.size();
    m_error.clear();
    return true;
}

bool MemoryBinaryStream::SaveToFile(const QString &path, SaveMode mode)
{
    if (!requireOpen())
        return false;
    const QFileInfo info(path);
    if (info.isDir()) {
        m_error = QStringLiteral("Cannot write %1: it is a folder.").arg(path);
        return false;
    }
    if (mode == CreateNotExist && info.exists()) {
        m_error = QStringLiteral("Cannot write %1: the file exists.").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_bytes) != m_bytes.size() || !file.commit()) {
        m_error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    m_position = 0;
    m_error.clear();
    return true;
}

void MemoryBinaryStream::Close()
{
    m_open = false;
    m_bytes.clear();
    m_position = 0;
}

void RecordingPreloadedForm::SetParameters(std::shared_ptr<NameValueCollection> parameters)
{
    m_received.append(std::move(parameters));
}

void WindowRegistry::RegisterWindow(QWidget *window)
{
    if (!window)
        return;
    m_windows.removeIf([window](const QPointer<QWidget> &w) { return w.isNull() || w == window; });
    m_windows.append(window);
}

QList<QWidget *> WindowRegistry::windows() const
{
    QList<QWidget *> alive;
    for (const QPointer<QWidget> &w : m_windows) {
        if (w)
            alive.append(w);
    }
    return alive;
}

} // namespace zeva::host
