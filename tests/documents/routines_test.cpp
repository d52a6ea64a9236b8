// The file, dialog and shell routines beneath the document pages.

#include "bytesource.h"
#include "commondialog.h"
#include "filefield.h"
#include "hosttestsupport.h"
#include "kithostservices.h"
#include "pathnames.h"
#include "schema.h"
#include "scripteddesktopservices.h"
#include "shellopen.h"
#include "tempfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zeva;

namespace {

QString nul(const char *text)
{
    QString s = QString::fromUtf8(text);
    s.replace(u'~', QChar(0));
    return s;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(FileDialogs, PassTheRequestAndReturnTheChosenEntryOrClearedOutputs)
{
    EXPECT_EQ(dialogFilterText(QStringLiteral("A|*.a|B|*.b")), nul("A~*.a~B~*.b~~"));
    EXPECT_EQ(FilterEntry(dialogFilterText(QStringLiteral("A|*.a|B|*.b")), 2), nul("B~*.b"));
    EXPECT_EQ(FilterEntry(dialogFilterText(QStringLiteral("A|*.a|B|*.b")), 3), QString());
    EXPECT_EQ(FilterEntry(QString(), 1), QString());

    ScriptedDesktopServices desktop;
    FileDialogArgs open;
    open.filter = QStringLiteral("A|*.a|B|*.b");
    open.filterIndex = 2;
    open.fileName = nul("old~junk");
    open.mustExist = open.readOnly = true;
    open.flags = 8 | 32 | 64;   // the hook and template flags are never passed on
    desktop.answerFile(QStringLiteral("/srv/图纸/b.dwg"));
    ASSERT_TRUE(ShowOpen(desktop, open));
    EXPECT_EQ(desktop.records().last().text, QStringLiteral("old")) << "the proposed name is cut at its NUL";
    EXPECT_EQ(open.fileName, QStringLiteral("/srv/图纸/b.dwg"));
    EXPECT_EQ(open.fileTitle, QStringLiteral("b.dwg"));
    EXPECT_EQ(open.filter, nul("B~*.b"));
    EXPECT_EQ(open.filterIndex, 2);
    EXPECT_EQ(open.flags, 8 | kFileMustExist | kReadOnly);

    desktop.answerCancel();
    ASSERT_FALSE(ShowOpen(desktop, open));
    EXPECT_EQ(std::tuple(open.fileName, open.fileTitle, open.filter, open.flags, open.filterIndex),
              std::tuple(QString(), QString(), QString(), 0, -1));
    FileDialogArgs save;
    save.filter = QStringLiteral("A|*.a");
    save.overwritePrompt = true;
    desktop.answerFile(QStringLiteral("/tmp/x.a"));
    ASSERT_TRUE(ShowSave(desktop, save));
    EXPECT_EQ(save.flags, kOverwritePrompt | kHideReadOnly);
    desktop.answerCancel();
    ASSERT_FALSE(ShowSave(desktop, save));
    EXPECT_EQ(save.filterIndex, 0) << "a cancelled save dialog answers index 0, not -1";
}

TEST(PathNames, SplitOnEitherSeparatorAndTestFilesAndFolders)
{
    EXPECT_EQ(FolderOf(QStringLiteral("C:\\a\\b.dwg")), QStringLiteral("C:\\a"));
    EXPECT_EQ(FileNameOf(QStringLiteral("C:\\a\\b.dwg")), QStringLiteral("b.dwg"));
    EXPECT_EQ(FolderOf(QStringLiteral("/srv/a/b.dwg")), QStringLiteral("/srv/a"));
    EXPECT_EQ(FileNameOf(QStringLiteral("/srv/a\\b.dwg")), QStringLiteral("b.dwg"));
    EXPECT_EQ(FolderOf(QStringLiteral("b.dwg")), QStringLiteral("b.dwg"));
    EXPECT_EQ(FileNameOf(QStringLiteral("b.dwg")), QStringLiteral("b.dwg"));
    EXPECT_EQ(TrimAtNul(nul("a.dwg~~x")), QStringLiteral("a.dwg"));

    QTemporaryDir dir;
    EXPECT_TRUE(FileExists(dir.path(), kFolderAttribute));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(QString()));
    EXPECT_FALSE(FileExists(dir.filePath(QStringLiteral("none"))));
}

TEST(TempFiles, EachNameIsANewEmptyFileInTheTemporaryFolder)
{
    const QString a = NewTempFileName(QStringLiteral("tmp"));
    const QString b = NewTempFileName(QStringLiteral("tmp"));
    ASSERT_FALSE(a.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).isFile() && QFileInfo(a).size() == 0);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith(u"tmp"));
    EXPECT_EQ(QFileInfo(a).absolutePath() + u'/', TempFolderPath());
    const QString hostile = NewTempFileName(QStringLiteral("../x"));
    EXPECT_EQ(QFileInfo(hostile).absolutePath() + u'/', TempFolderPath()) << "a prefix never leaves the folder";
    for (const QString &f : {a, b, hostile})
        QFile::remove(f);
}

// Written on either back end, read back byte for byte.
TEST(FileTransfer, MovesFilesThroughAColumnAndNeverReplacesUnasked)
{
    for (const auto backend : {host::test::Backend::Sqlite, host::test::Backend::Postgres}) {
        SCOPED_TRACE(host::test::backendName(backend));
        QTemporaryDir dir;
        ScriptedDesktopServices desktop;
        host::KitHostServices services(desktop);
        auto db = host::test::freshDatabase(backend);
        QString error;
        ASSERT_TRUE(db && host::createSchema(*db, &error)) << error.toStdString();
        const QString source = dir.filePath(QStringLiteral("图纸.dwg"));
        const QByteArray bytes = QByteArray(3 << 20, '\x5a') + QByteArray("\0end", 4);   // several read pieces
        {
            QFile f(source);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        auto rs = db->Prepare(QStringLiteral("SELECT TOP 0 * From PDMZEVADraw"), 1)->OpenRecordset();
        ASSERT_TRUE(rs->AddNew()) << db->LastError().Description().toStdString();
        rs->Fields(QStringLiteral("rowIndex")) = 7;
        const auto missing = FileToField(services, dir.filePath(QStringLiteral("none.dwg")), rs->Fields(QStringLiteral("fileImage")));
        ASSERT_TRUE(missing);
        EXPECT_EQ(std::tuple(missing->number, missing->source, missing->description),
                  std::tuple(50001, QStringLiteral("dbfile"), QStringLiteral("文件不存在!")));
        ASSERT_FALSE(FileToField(services, source, rs->Fields(QStringLiteral("fileImage"))));
        ASSERT_TRUE(rs->Update()) << db->LastError().Description().toStdString();

        auto stored = db->Prepare(QStringLiteral("SELECT * From PDMZEVADraw WHERE rowIndex=7"), 1)->OpenRecordset();
        ASSERT_FALSE(stored->IsEOF());
        EXPECT_TRUE(stored->Fields(QStringLiteral("fileImage")).Value().isStreamed()) << "a listing reads no document";
        const QString existing = dir.filePath(QStringLiteral("existing.dwg"));
        {
            QFile f(existing);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("keep") == 4);
        }
        EXPECT_FALSE(FieldToFile(services, existing, stored->Fields(QStringLiteral("fileImage")), false));
        EXPECT_EQ(contentOf(existing), QByteArray("keep"));
        EXPECT_FALSE(FieldToFile(services, dir.path(), stored->Fields(QStringLiteral("fileImage")), true)) << "a folder";
        ASSERT_TRUE(FieldToFile(services, existing, stored->Fields(QStringLiteral("fileImage")), true));
        EXPECT_EQ(contentOf(existing), bytes);
        const QString fresh = dir.filePath(QStringLiteral("fresh.dwg"));
        ASSERT_TRUE(FieldToFile(services, fresh, stored->Fields(QStringLiteral("fileImage")), false));
        EXPECT_EQ(contentOf(fresh), bytes);

        // A file that changed after it was given stores nothing: not its old length, not the row.
        ASSERT_TRUE(rs->AddNew());
        rs->Fields(QStringLiteral("rowIndex")) = 8;
        ASSERT_FALSE(FileToField(services, existing, rs->Fields(QStringLiteral("fileImage"))));
        {
            QFile f(existing);
            ASSERT_TRUE(f.open(QIODevice::Append) && f.write("more") == 4);
        }
        EXPECT_FALSE(rs->Update());
        EXPECT_TRUE(db->LastError().Description().contains(u"changed")) << db->LastError().Description().toStdString();
        EXPECT_EQ(db->Prepare(QStringLiteral("SELECT count(*) FROM PDMZEVADraw WHERE rowIndex=8"), 1)->GetValue().toText(),
                  QStringLiteral("0"));
    }
}

TEST(FileTransfer, AFileThatChangesLengthWhileReadFailsTheRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grows.bin"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("1234") == 4);
    }
    QString error;
    const auto source = ByteSource::fromFile(path, &error);
    ASSERT_TRUE(source);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append) && f.write("5") == 1);
    }
    QByteArray all;
    EXPECT_FALSE(readAll(*source, &all, &error));
    EXPECT_TRUE(error.contains(u"changed")) << error.toStdString();
    EXPECT_FALSE(writeFile(*source, dir.filePath(QStringLiteral("copy.bin")), true, &error));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("copy.bin")))) << "no partial file stays";
    EXPECT_FALSE(ByteSource::fromFile(dir.path(), &error));
}

TEST(ShellOpen, RefusalsAreRecordedWithTheShellsNumberAndText)
{
    ScriptedDesktopServices desktop;
    RoutineFailure failure;
    EXPECT_TRUE(ShellOpen(desktop, QStringLiteral("/tmp/a.dwg"), 10, {}, {}, QStringLiteral("open"), &failure));
    desktop.setShellResult(DesktopServices::ShellNoAssociation);
    EXPECT_FALSE(ShellOpen(desktop, QStringLiteral("/tmp/a.xyz"), 10, {}, {}, QStringLiteral("open"), &failure));
    EXPECT_EQ(failure.number, -2147220425);
    EXPECT_EQ(failure.description, QStringLiteral("No application is associated with this file type."));
    EXPECT_TRUE(failure.source.endsWith(u".GShell"));
    desktop.setShellResult(DesktopServices::ShellFileNotFound);
    EXPECT_FALSE(ShellOpen(desktop, QStringLiteral("/tmp/gone"), 10, {}, {}, QStringLiteral("open"), &failure));
    EXPECT_EQ(std::pair(failure.number, failure.description), std::pair(53, QStringLiteral("File not found")));
    EXPECT_EQ(shellFailure(27).number, 27 - 2147220456);
    EXPECT_EQ(shellFailure(9).description, QStringLiteral("An error occurred occurred whilst trying to open or print the selected file."));
}
