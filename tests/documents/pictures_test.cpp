// The picture page: choosing, showing, clearing and opening a picture, and the picture
// step of saving, with the rows they leave in PDMZEVAAttach.

#include "documentsfixture.h"
#include "kvtxts.h"
#include "picturestore.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

using namespace zeva;
using namespace zeva::testing;

namespace {

class Pictures : public DocumentsFixture {
protected:
    QString picture(const QString &name, int width, int height, const char *format = "PNG")
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(image.save(&buffer, format));
        return writeFile(name, bytes);
    }

    void choose(const QString &path)
    {
        desktop->answerFile(path);
        click(controls().CmdOpenFile);
    }

    // The image's place in the frame, and the picture state: "x y w h chk4 chk6".
    QString shown()
    {
        const QRect g = controls().imgZeva->geometry();
        return QStringLiteral("%1 %2 %3 %4 %5 %6")
            .arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
            .arg(int(controls().chk[4]->isChecked())).arg(int(controls().chk[6]->isChecked()));
    }

    void editOnPicturePage()
    {
        ASSERT_TRUE(form->IFormUI_FileEdit());
        form->Toolbar1_ButtonClick(5);
        QApplication::processEvents();
    }
};

TEST_F(Pictures, APictureFitsTheFrameByItsLongerSide)
{
    showProduct(5);
    editOnPicturePage();
    const int fw = controls().picZeva->width(), fh = controls().picZeva->height();
    choose(picture(QStringLiteral("square.png"), 50, 50));
    EXPECT_EQ(shown(), QStringLiteral("0 0 %1 %2 0 1").arg(fw).arg(fh));
    choose(picture(QStringLiteral("wide.png"), 200, 100));
    const int h = int(std::lround(fh * 0.5));
    EXPECT_EQ(shown(), QStringLiteral("0 %1 %2 %3 0 1").arg((fh - h) / 2).arg(fw).arg(h));
    choose(picture(QStringLiteral("tall.jpg"), 100, 400, "JPG"));
    const int w = int(std::lround(fw * 0.25));
    EXPECT_EQ(shown(), QStringLiteral("%1 0 %2 %3 0 1").arg((fw - w) / 2).arg(w).arg(fh));
    EXPECT_FALSE(controls().imgZeva->pixmap().isNull());

    choose(writeFile(QStringLiteral("drawing.wmf"), "not a picture this platform reads"));
    EXPECT_TRUE(controls().imgZeva->hasScaledContents()) << "the placeholder, stretched";
    EXPECT_FALSE(controls().imgZeva->pixmap().isNull());
    EXPECT_EQ(dialogs().filter(QStringLiteral("MsgBox")), QStringList());
}

TEST_F(Pictures, TheLimitRefusesOneByteMoreButKeepsTheFolder)
{
    showProduct(5, 0, 1);
    editOnPicturePage();
    QDir().mkpath(dir.filePath(QStringLiteral("big")));
    const QString exact = writeFile(QStringLiteral("exact.bmp"), QByteArray(1024, 'x'));
    const QString over = writeFile(QStringLiteral("big/over.bmp"), QByteArray(1025, 'x'));
    choose(exact);
    EXPECT_EQ(controls().txtFileName->text(), exact);
    desktop->answerFile(over);
    desktop->answerButton(DesktopServices::Ok);
    click(controls().CmdOpenFile);
    EXPECT_EQ(dialogs().last(),
              QStringLiteral("MsgBox|48|提示：|文件over.bmp的长度超过了系统设置允许的上传范围(1k)，请修改后重试|ok"));
    EXPECT_EQ(controls().txtFileName->text(), exact);
    desktop->answerCancel();
    click(controls().CmdOpenFile);
    EXPECT_EQ(desktop->records().last().kind, QStringLiteral("OpenFile"));
    EXPECT_EQ(form->state().pictureFolder, dir.filePath(QStringLiteral("big")));
    EXPECT_EQ(takeEvents().last(), QStringLiteral("Message|取消了选择图片"));
}

TEST_F(Pictures, SavingStoresThePictureAndShowingTheProductRestoresIt)
{
    showProduct(5);
    editOnPicturePage();
    const QString path = picture(QStringLiteral("零件.png"), 40, 30);
    choose(path);
    ASSERT_TRUE(form->IFormUI_FileSave());
    EXPECT_TRUE(takeEvents().contains(QStringLiteral("ErrMessage|图片保存处理，图片文件名%1|1|图片").arg(path)));
    EXPECT_EQ(scalar(QStringLiteral("SELECT fileName || '|' || fileSize || '|' || isCompress FROM PDMZEVAAttach WHERE 产品ID=10")),
              QStringLiteral("零件.png|%1|1").arg(QFileInfo(path).size()));

    clickNode(QStringLiteral("k01"));
    clickNode(QStringLiteral("wA-1"));
    form->Toolbar1_ButtonClick(5);
    const QString restored = controls().txtFileName->text();
    EXPECT_NE(restored, path);
    EXPECT_EQ(readFile(restored), readFile(path));
    EXPECT_TRUE(shown().endsWith(u"1 0")) << shown().toStdString();

    // An unchanged picture is not written again: the row stays as it is.
    exec(QStringLiteral("UPDATE PDMZEVAAttach SET contents='kept' WHERE 产品ID=10"));
    ASSERT_TRUE(form->IFormUI_FileEdit());
    ASSERT_TRUE(form->IFormUI_FileSave());
    EXPECT_EQ(scalar(QStringLiteral("SELECT contents FROM PDMZEVAAttach WHERE 产品ID=10")), QStringLiteral("kept"));

    // Clearing deletes at once, without a question or a save.
    ASSERT_TRUE(form->IFormUI_FileEdit());
    form->Toolbar1_ButtonClick(5);
    desktop->clearRecords();
    click(controls().CmdClear);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PDMZEVAAttach WHERE 产品ID=10")), QStringLiteral("0"));
    EXPECT_EQ(controls().txtFileName->text(), QString());
    EXPECT_TRUE(controls().imgZeva->pixmap().isNull());
    EXPECT_EQ(dialogs(), QStringList());
}

TEST_F(Pictures, RawAndEmptyRowsLoadAsTheyAre)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));
    showProduct(1);
    auto rs = db->Prepare(QStringLiteral("SELECT TOP 0 * From PDMZEVAAttach"), 1)->OpenRecordset();
    ASSERT_TRUE(rs->AddNew());
    rs->Fields(QStringLiteral("产品ID")) = 10;
    rs->Fields(QStringLiteral("fileName")) = QStringLiteral("raw.bmp");
    rs->Fields(QStringLiteral("fileSize")) = qint64(bytes.size());
    rs->Fields(QStringLiteral("isCompress")) = 0;
    rs->Fields(QStringLiteral("contents")) = QStringLiteral("原样");
    rs->Fields(QStringLiteral("fileImage")) = bytes;
    ASSERT_TRUE(rs->Update());
    form->Toolbar1_ButtonClick(5);
    EXPECT_EQ(readFile(controls().txtFileName->text()), bytes);
    EXPECT_EQ(controls().txt->text(), QStringLiteral("原样"));
    EXPECT_TRUE(shown().endsWith(u"1 0"));

    exec(QStringLiteral("UPDATE PDMZEVAAttach SET fileSize=0"));
    form->Toolbar1_ButtonClick(1);
    form->Toolbar1_ButtonClick(5);
    EXPECT_TRUE(shown().endsWith(u"0 0")) << "a row without a size shows no picture";

    // Showing a file that is gone says so, naming it.
    desktop->clearRecords();
    desktop->answerButton(DesktopServices::Ok);
    showPictureFile(controls(), *desktop, dir.filePath(QStringLiteral("gone.png")));
    EXPECT_EQ(dialogs(), QStringList{QStringLiteral("MsgBox|48|提示：|没有找到图片文件gone.png,请重新选取!|ok")});
}

TEST_F(Pictures, ShowOpensTheFileWithItsProgram)
{
    showProduct(5);
    editOnPicturePage();
    choose(picture(QStringLiteral("p.png"), 4, 4));
    desktop->clearRecords();
    click(controls().CmdShow);
    EXPECT_EQ(dialogs(), QStringList{QStringLiteral("ShellOpen|0||%1|42").arg(dir.filePath(QStringLiteral("p.png")))});
}

} // namespace
