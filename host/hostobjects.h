#pragma once
// The host's small auxiliary objects, each a plain implementation of its contract in
// platform/: the code rule, the command-line parser, value conversions, field focus,
// the binary stream, the preloaded form and the window registry. They share one header
// because each is a few lines; the key allocator and the system object have their own.

#include "binarystream.h"
#include "coderule.h"
#include "commandlineargs.h"
#include "desktopservices.h"
#include "fieldfocus.h"
#include "hostwindowservice.h"
#include "namevaluecollection.h"
#include "preloadedform.h"
#include "valueconverter.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace zeva::host {

// Level lengths separated by "-" ("2-2-3"); parts that are not a positive number are
// ignored, so a rule without any means one level.
class LevelCodeRule final : public CodeRule {
public:
    int LevelCount(const QString &code, const QString &rule) override;
    int LevelLength(int level, const QString &rule) override;
    QString ParentCode(const QString &code, const QString &rule) override;

    // The cumulative code lengths of the rule's levels: "2-2-3" gives 2, 4, 7.
    static QList<int> levelEnds(const QString &rule);
};

// `name=value` pairs separated by blanks; a value may be double-quoted ("a b"), with ""
// standing for one quote inside. Parse answers false at a word without "=", an empty
// name or an unterminated quote; the pairs before it stay. A later pair of the same name
// replaces the earlier one.
class NamedCommandLineArgs final : public CommandLineArgs {
public:
    bool Parse(const QString &commandLine) override;
    bool Item(const QString &name, QString &text) const override;

private:
    QHash<QString, QString> m_items;   // lower-cased name -> value
};

class StandardValueConverter final : public ValueConverter {
public:
    int ToLong(const QVariant &value) override;
    QString MidText(const QString &text, int start, int length) override;
};

// Focus goes to the field after every tab page and stacked page on its way is brought
// forward; messages go through the desktop services.
class DesktopFieldFocus final : public FieldFocus {
public:
    explicit DesktopFieldFocus(DesktopServices &desktop) : m_desktop(desktop) {}
    void SetFocusTo(QWidget *field) override;
    void ShowMessage(const QString &first, const QString &second, const QString &message, int style,
                     const QString &title, int *result = nullptr) override;

private:
    DesktopServices &m_desktop;
};

// Holds the content in memory; files are written through a temporary file and renamed,
// so a failed save leaves the old file as it was.
class MemoryBinaryStream final : public BinaryStream {
public:
    bool Open() override;
    bool LoadFromFile(const QString &path) override;
    QByteArray Read() override;
    bool Write(const QByteArray &bytes) override;
    bool SaveToFile(const QString &path, SaveMode mode) override;
    void Close() override;
    QString errorString() const override { return m_error; }

private:
    bool requireOpen();
    bool m_open = false;
    QByteArray m_bytes;
    qsizetype m_position = 0;
    QString m_error;
};

// Keeps every parameter collection it is given, for tests and the host window to read.
class RecordingPreloadedForm final : public PreloadedForm {
public:
    void SetParameters(std::shared_ptr<NameValueCollection> parameters) override;
    QList<std::shared_ptr<NameValueCollection>> received() const { return m_received; }

private:
    QList<std::shared_ptr<NameValueCollection>> m_received;
};

// The host's list of dialogs that announced themselves; closed ones drop out.
class WindowRegistry final : public HostWindowService {
public:
    void RegisterWindow(QWidget *window) override;
    QList<QWidget *> windows() const;

private:
    QList<QPointer<QWidget>> m_windows;
};

} // namespace zeva::host
