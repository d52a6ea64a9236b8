// The drawing page: upload, list, download, delete and the annotation dialog, as a user
// drives them, with the rows they leave in PDMZEVADraw.

#include "documentsfixture.h"
#include "drawingstore.h"
#include "postildialog.h"
#include "values.h"
#include "zlibarchive.h"
#include "zlibcontrol.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtEndian>

#include <zlib.h>

using namespace zeva;
using namespace zeva::testing;

namespace {

// The entry's bytes, read from the container as the format describes it, without the
// archive engine: header, one entry, chunks inflated by zlib's own uncompress.
QByteArray unpackIndependently(const QByteArray &c, QString *name)
{
    qsizetype at = 0;
    const auto int32 = [&] {
        const qint32 v = at + 4 <= c.size() ? qFromLittleEndian<qint32>(c.constData() + at) : -1;
        at += 4;
        return v;
    };
    if (int32() != 21 || c.mid(4, 21) != "Quorvanta zLibControl")
        return "<signature>";
    at = 25;
    if (int32() != 0)
        return "<count>";
    // The name's length counts characters; a GBK lead byte (0x81 and up) starts a pair.
    const qint32 nameLength = int32();
    const qsizetype nameStart = at;
    for (qint32 i = 0; i < nameLength && at < c.size(); ++i)
        at += quint8(c.at(at)) >= 0x81 ? 2 : 1;
    *name = QString::fromLatin1(c.mid(nameStart, at - nameStart));
    const qint32 size = int32();
    const quint32 crc = quint32(int32());
    int32();   // compressed CRC
    const qint32 compressed = int32();
    if (at + compressed != c.size())
        return "<length>";
    QByteArray out;
    while (at < c.size()) {
        const qint32 plain = int32(), packed = int32();
        QByteArray chunk(plain, Qt::Uninitialized);
        uLongf length = uLongf(plain);
        if (uncompress(reinterpret_cast<Bytef *>(chunk.data()), &length, reinterpret_cast<const Bytef *>(c.constData() + at),
                       uLong(packed)) != Z_OK || length != uLongf(plain))
            return "<chunk>";
        out += chunk;
        at += packed;
    }
    if (out.size() != size || crc32(0, reinterpret_cast<const Bytef *>(out.constData()), uInt(out.size())) != crc)
        return "<crc>";
    return out;
}

class Drawings : public DocumentsFixture {
protected:
    QStringList listRows()
    {
        QStringList rows;
        QTreeWidget *list = controls().lvDraw;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList texts;
            for (int c = 0; c < list->columnCount(); ++c)
                texts << list->topLevelItem(i)->text(c);
            rows << texts.join(u'|');
        }
        return rows;
    }

    void upload(const QString &path)
    {
        desktop->answerFile(path);
        click(controls().Cmd[0]);
    }

    void selectRow(int index)
    {
        QTreeWidget *list = controls().lvDraw;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->topLevelItem(index)).center());
    }
};

TEST_F(Drawings, UploadStoresAContainerThatEveryReaderReadsAndListsTheRow)
{
    showProduct(7);
    // Two chunks and a tail, of text that compresses and bytes that do not.
    QByteArray bytes;
    for (int i = 0; bytes.size() < 150000; ++i)
        bytes += QByteArray::number(i * 7919 % 10007) + (i % 5 ? " " : "\n");
    const QString path = writeFile(QStringLiteral("轴 A-1.dwg"), bytes);
    upload(path);
    EXPECT_EQ(dialogs(), QStringList{QStringLiteral("OpenFile|0|上传图纸...||%1").arg(path)});
    EXPECT_EQ(desktop->records().first().filter,
              QStringLiteral("所有文件(*.*)|*.*|AutoCad文件(*.dwg)|*.dwg|Word文档(*.doc)|*.Doc"));
    EXPECT_TRUE(controls().zLibControl3->isHidden());
    const QString key = scalar(QStringLiteral("SELECT rowIndex FROM PDMZEVADraw"));
    EXPECT_EQ(listRows(), QStringList{QStringLiteral("1|轴 A-1.dwg|%1||admin|%2|启用|%3")
                                          .arg(sizeText(bytes.size()), QDate::currentDate().toString(Qt::ISODate), key)});
    auto rs = db->Prepare(QStringLiteral("SELECT * FROM PDMZEVADraw"), 1)->OpenRecordset();
    EXPECT_EQ(rs->Fields(QStringLiteral("cpID")).Value().toText(), QStringLiteral("10"));
    EXPECT_EQ(rs->Fields(QStringLiteral("fileSize")).Value().toText(), QString::number(bytes.size()));
    EXPECT_EQ(rs->Fields(QStringLiteral("isCompress")).Value().toText(), QStringLiteral("1"));
    EXPECT_EQ(rs->Fields(QStringLiteral("marker")).Value().toText(), QStringLiteral("admin"));
    const QByteArray container = rs->Fields(QStringLiteral("fileImage")).Value().toBytes();
    QString storedName;
    EXPECT_EQ(unpackIndependently(container, &storedName), bytes);
    EXPECT_TRUE(storedName.startsWith(u'\\') && storedName.endsWith(QStringLiteral(" A-1.dwg"))) << storedName.toStdString();

    const QString copy = writeFile(QStringLiteral("copy.zlc"), container);
    const QString out = dir.filePath(QStringLiteral("engine"));
    QDir().mkpath(out);
    archive::ZLibArchive engine;
    ASSERT_EQ(engine.Decompress(copy.toStdString(), out.toStdString(), false, true, false, true, false, true), 0);
    EXPECT_EQ(readFile(out + QStringLiteral("/轴 A-1.dwg")), bytes);
}

TEST_F(Drawings, TheSizeLimitTakesExactlyItsKilobytesAndRefusesBeforePacking)
{
    showProduct(7, 1);
    upload(writeFile(QStringLiteral("exact.dwg"), QByteArray(1024, 'x')));
    const QString over = writeFile(QStringLiteral("over.dwg"), QByteArray(1025, 'x'));
    desktop->clearRecords();
    const QString keysBefore = scalar(QStringLiteral("SELECT count(*) FROM PDMZEVADraw"));
    // No temporary folder: packing, had it started, would have failed with another message.
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.filePath(QStringLiteral("missing"))));
    const auto restoreTemp = qScopeGuard([&] { oldTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTemp); });
    desktop->answerFile(over);
    desktop->answerButton(DesktopServices::Ok);
    click(controls().Cmd[0]);
    EXPECT_EQ(dialogs().last(), QStringLiteral("MsgBox|48|提示：|文档over.dwg的长度超过了系统设置允许值(1K)，请修改后重试|ok"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PDMZEVADraw")), keysBefore);
    EXPECT_EQ(controls().lvDraw->topLevelItemCount(), 1);

    // A file gone between the dialog and the upload is an unexpected failure, reported.
    takeEvents();
    upload(dir.filePath(QStringLiteral("gone.dwg")));
    EXPECT_EQ(takeEvents(), QStringList{QStringLiteral("ErrMessage|程序错误，原因:文件不存在!|8|zeva产品目录")});
}

TEST_F(Drawings, AProductNotSavedYetHasNoListAndRefusesUploads)
{
    showProduct(7);
    ASSERT_TRUE(form->IFormUI_FileNew());
    form->Toolbar1_ButtonClick(7);
    EXPECT_EQ(controls().lvDraw->topLevelItemCount(), 0);
    desktop->clearRecords();
    desktop->answerButton(DesktopServices::Ok);
    click(controls().Cmd[0]);
    EXPECT_EQ(dialogs(), QStringList{QStringLiteral(
                             "MsgBox|64|zeva产品目录|必须先保存有产品目录基本信息之后，才能上传图纸，请保存后重试!|ok")});
}

TEST_F(Drawings, DownloadWritesTheStoredNameIntoTheChosenFolderAndEmptyRowsWriteNothing)
{
    showProduct(7);
    const QByteArray bytes = QByteArray("drawing ") + QByteArray(70000, '\x01');
    upload(writeFile(QStringLiteral("原图.dwg"), bytes));
    exec(QStringLiteral("INSERT INTO PDMZEVADraw (rowIndex, cpID, fileName, fileSize) VALUES (900, 10, 'empty.dwg', 0)"));
    form->Toolbar1_ButtonClick(7);
    ASSERT_EQ(controls().lvDraw->topLevelItemCount(), 2);

    const QString folder = dir.filePath(QStringLiteral("下载"));
    QDir().mkpath(folder);
    selectRow(0);
    desktop->clearRecords();
    desktop->answerFile(folder + QStringLiteral("/another name.bin"));
    click(controls().Cmd[1]);
    EXPECT_EQ(desktop->records().first().text, QStringLiteral("原图.dwg")) << "the dialog proposes the stored name";
    EXPECT_EQ(readFile(folder + QStringLiteral("/原图.dwg")), bytes);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/another name.bin")));

    selectRow(1);
    desktop->answerFile(folder + QStringLiteral("/empty.dwg"));
    click(controls().Cmd[1]);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("原图.dwg")});
    EXPECT_EQ(takeEvents(), QStringList());
}

TEST_F(Drawings, DeleteAsksFirstAndTheOtherRowsKeepTheirNumbers)
{
    showProduct(7);
    for (const char *name : {"a.dwg", "b.dwg", "c.dwg"})
        upload(writeFile(QString::fromLatin1(name), name));
    selectRow(1);
    desktop->clearRecords();
    desktop->answerButton(DesktopServices::No);
    click(controls().Cmd[2]);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PDMZEVADraw")), QStringLiteral("3"));
    desktop->answerButton(DesktopServices::Yes);
    click(controls().Cmd[2]);
    EXPECT_EQ(dialogs().last(), QStringLiteral("MsgBox|36|删除确认|确认要删除此文档吗？ b.dwg|yes"));
    EXPECT_EQ(takeEvents(), QStringList{QStringLiteral("Message|删除文档成功!")});
    QStringList numbers;
    for (const QString &row : listRows())
        numbers << row.section(u'|', 0, 1);
    EXPECT_EQ(numbers, (QStringList{QStringLiteral("1|a.dwg"), QStringLiteral("3|c.dwg")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PDMZEVADraw WHERE fileName='b.dwg'")), QStringLiteral("0"));

    controls().lvDraw->clearSelection();
    controls().lvDraw->setCurrentItem(nullptr);
    desktop->clearRecords();
    desktop->answerButton(DesktopServices::Ok);
    click(controls().Cmd[2]);
    EXPECT_EQ(dialogs(), QStringList{QStringLiteral("MsgBox|64|提示：|没有选择需要删除的文档，请选择后重试！|ok")});
}

TEST_F(Drawings, TheAnnotationDialogSavesQuotedTextsAndShowsWhatWasTyped)
{
    showProduct(7);
    exec(QStringLiteral("INSERT INTO PDMZEVADraw (rowIndex, cpID, fileName, fileSize) VALUES (5, 10, 'it''s.dwg', 3)"));
    form->Toolbar1_ButtonClick(7);
    QStringList seen;
    const auto drive = [&](const QString &description, const QString &detail, int saves) {
        QTimer::singleShot(0, [&, description, detail, saves] {
            auto *dialog = qobject_cast<frmPostil *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            auto *save = dialog->findChild<QPushButton *>(QStringLiteral("Cmd(0)"));
            seen << dialog->windowTitle() + u'|' + dialog->findChild<QLineEdit *>(QStringLiteral("txt(0)"))->text()
                        + (save->isEnabled() ? QStringLiteral("|enabled") : QStringLiteral("|disabled"));
            dialog->findChild<QLineEdit *>(QStringLiteral("txt(2)"))->setText(description);
            dialog->findChild<QPlainTextEdit *>(QStringLiteral("txt(1)"))->setPlainText(detail);
            for (int i = 0; i < saves; ++i) {
                ASSERT_TRUE(save->isEnabled());
                QTest::mouseClick(save, Qt::LeftButton);
                seen << (save->isEnabled() ? QStringLiteral("saved, enabled") : QStringLiteral("saved, disabled"));
            }
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Cmd(1)")), Qt::LeftButton);
        });
        QTreeWidget *list = controls().lvDraw;
        const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    drive(QStringLiteral("  主视图 'A'  "), QStringLiteral("  line'1\nline 2 "), 1);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("文档说明|it's.dwg|enabled"), QStringLiteral("saved, disabled")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT contents FROM PDMZEVADraw WHERE rowIndex=5")), QStringLiteral("主视图 'A'"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT postil FROM PDMZEVADraw WHERE rowIndex=5")), QStringLiteral("  line'1\nline 2 "));
    EXPECT_EQ(controls().lvDraw->topLevelItem(0)->text(3), QStringLiteral("主视图 'A'"));

    seen.clear();
    drive(QStringLiteral(" 未保存 "), QStringLiteral("x"), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT contents FROM PDMZEVADraw WHERE rowIndex=5")), QStringLiteral("主视图 'A'"));
    EXPECT_EQ(controls().lvDraw->topLevelItem(0)->text(3), QStringLiteral("未保存")) << "shown until the list reloads";
}

} // namespace
