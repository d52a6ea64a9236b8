#include "picturestore.h"

#include "commondialog.h"
#include "containerwork.h"
#include "desktopservices.h"
#include "filefield.h"
#include "formcontrol.h"
#include "hostdatabase.h"
#include "hostservices.h"
#include "kvtxts.h"
#include "pathnames.h"
#include "placeholderpicture.h"
#include "shellopen.h"
#include "tempfiles.h"
#include "values.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>

#include <cmath>
#include <optional>

namespace zeva {

namespace {

const QString kPictureTitle = QStringLiteral("图片");

int productIdOf(const FormControls &c)
{
    return int(std::lround(leadingNumber(c.lbl[0]->text())));
}

// Writes the picture's columns into the current (or added) row and stores it.
bool writePicture(const PictureStore &s, HostRecordset &rs, const QString &file, const QString &container)
{
    rs.Fields(QStringLiteral("fileName")) = FileNameOf(file);
    rs.Fields(QStringLiteral("fileSize")) = qint64(QFileInfo(file).size());
    rs.Fields(QStringLiteral("contents")) = s.controls.txt->text();
    rs.Fields(QStringLiteral("isCompress")) = 1;
    rs.Fields(QStringLiteral("isEncrypt")) = 0;
    if (container.isEmpty() || FileToField(s.services, container, rs.Fields(QStringLiteral("fileImage"))))
        return false;
    return rs.Update();
}

void reportDatabase(const PictureStore &s)
{
    emit s.events.ErrMessage(QStringLiteral("数据库错误，原因:") + s.db.LastError().Description(), 8,
                             QStringLiteral("附加图片"));
}

} // namespace

void showPictureFile(FormControls &c, DesktopServices &desktop, const QString &path)
{
    QLabel *image = c.imgZeva;
    image->setScaledContents(c.chk[5]->isChecked());
    const int fw = c.picZeva->width(), fh = c.picZeva->height();
    image->setGeometry(0, 0, fw, fh);
    if (path.isEmpty()) {
        image->clear();
        return;
    }
    if (!FileExists(path)) {
        desktop.messageBox(QStringLiteral("没有找到图片文件") + FileNameOf(path) + QStringLiteral(",请重新选取!"),
                           DesktopServices::Exclamation, QStringLiteral("提示："));
        return;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        if (reader.error() == QImageReader::DeviceError) {
            desktop.messageBox(QStringLiteral("显示图片时出错，原因:") + reader.errorString(), DesktopServices::Critical,
                               QStringLiteral("错误："));
            return;
        }
        // Not a picture this platform can read: the placeholder, stretched.
        image->setScaledContents(true);
        image->setPixmap(placeholderPicture());
        return;
    }
    c.pic->setPixmap(QPixmap::fromImage(picture));
    const double pw = picture.width(), ph = picture.height();
    if (pw >= ph) {
        const int height = int(std::lround(fh * ph / pw));
        image->setGeometry(0, (fh - height) / 2, fw, height);
    } else {
        const int width = int(std::lround(fw * pw / ph));
        image->setGeometry((fw - width) / 2, image->y(), width, fh);
    }
    image->setPixmap(c.pic->pixmap());
}

void loadPicture(const PictureStore &s)
{
    FormControls &c = s.controls;
    c.chk[4]->setChecked(false);
    c.chk[6]->setChecked(false);
    const int productId = productIdOf(c);
    if (productId <= 0)
        return;
    auto rs = s.db.Prepare(QStringLiteral("SELECT * From pdmZevaAttach WHERE 产品ID=") + QString::number(productId), 1)
                  ->OpenRecordset();
    if (rs->IsEOF()) {
        rs->Close();
        return;
    }
    c.txt->setText(rs->Fields(QStringLiteral("contents")).Value().toText());
    if (leadingNumber(rs->Fields(QStringLiteral("filesize")).Value().toText()) > 0) {
        // Restored into the session's own folder, under the stored name's last part only.
        const QString target = SessionFolderPath() + FileNameOf(rs->Fields(QStringLiteral("fileName")).Value().toText());
        const HostField image = rs->Fields(QStringLiteral("fileImage"));
        if (leadingNumber(rs->Fields(QStringLiteral("isCompress")).Value().toText()) == 1) {
            // A picture that cannot be restored shows as missing when it is shown.
            const ScopedTempFile container(QStringLiteral("tmp"));
            QString failure;
            if (!container.path().isEmpty() && FieldToFile(s.services, container.path(), image, true))
                (void)restoreDocument(*c.zLibControl1, container.path(), FolderOf(target), &failure);
        } else {
            FieldToFile(s.services, target, image, true);
        }
        c.txtFileName->setText(target);
        showPictureFile(c, s.services.desktop(), target);
        c.chk[4]->setChecked(true);
        c.chk[6]->setChecked(false);
    }
    rs->Close();
}

void choosePicture(const PictureStore &s, int limitKilobytes, QString &folder)
{
    FormControls &c = s.controls;
    DesktopServices &desktop = s.services.desktop();
    FileDialogArgs dialog;
    dialog.fileTitle = QStringLiteral("取图片");
    dialog.mustExist = true;
    dialog.readOnly = true;
    dialog.filter = QStringLiteral("所有图片(*.jpg;*.gif;*.bmp;*.wmf)|*.jpg;*.gif;*.bmp;*.wmf|windows元图(*.wmf)|*.wmf|"
                                   "Bmp图片(*.bmp)|*.bmp|Gif图片(*.gif)|*.gif|Jpg图片(*.jpg)|*.jpg|所有文件(*.*)|*.*");
    dialog.filterIndex = 1;
    dialog.initialFolder = folder;
    dialog.title = QStringLiteral("取图片");
    ShowOpen(desktop, dialog);
    const QString path = dialog.fileName;
    if (path.isEmpty()) {
        emit s.events.Message(QStringLiteral("取消了选择图片"));
        return;
    }
    if (!FileExists(path)) {
        desktop.messageBox(QStringLiteral("没有找到文件") + path + QStringLiteral(",请重新选取!"), DesktopServices::Exclamation,
                           QStringLiteral("没有文件"));
        return;
    }
    folder = FolderOf(path);
    if (limitKilobytes > 0 && QFileInfo(path).size() > qint64(limitKilobytes) * 1024) {
        desktop.messageBox(QStringLiteral("文件") + FileNameOf(path)
                               + QStringLiteral("的长度超过了系统设置允许的上传范围(%1k)，请修改后重试").arg(limitKilobytes),
                           DesktopServices::Exclamation, QStringLiteral("提示："));
        return;
    }
    c.txtFileName->setText(path);
    c.chk[6]->setChecked(true);
    showPictureFile(c, desktop, path);
}

void clearPicture(const PictureStore &s)
{
    FormControls &c = s.controls;
    c.txtFileName->clear();
    (void)s.db.Prepare(QStringLiteral("DELETE FROM PDMZEVAAttach WHERE 产品ID=") + sqlNumber(c.lbl[0]->text()), 1)->Execute();
    showPictureFile(c, s.services.desktop(), QString());
}

void openPicture(FormControls &c, DesktopServices &desktop)
{
    const QString file = c.txtFileName->text();
    if (!file.isEmpty())
        (void)ShellOpen(desktop, file, 10, QString(), QString(), QStringLiteral("open"));
}

bool savePicture(const PictureSave &save)
{
    const PictureStore &s = save.store;
    FormControls &c = s.controls;
    const QString file = trimSpaces(c.txtFileName->text());
    emit s.events.ErrMessage(QStringLiteral("图片保存处理，图片文件名") + file, 1, kPictureTitle);
    const bool hasPicture = c.chk[4]->isChecked(), changed = c.chk[6]->isChecked();
    const bool store = !file.isEmpty() && (save.isNew || !hasPicture || changed);
    // The container is only made when it will be stored, and removed once it was; "" when
    // the picture could not be packed (the archive control has said why).
    std::optional<ScopedTempFile> packed;
    QString container;
    if (store) {
        packed.emplace(QStringLiteral("tmp"));
        QString failure;
        if (!packed->path().isEmpty() && packDocument(*c.zLibControl1, file, packed->path(), &failure))
            container = packed->path();
    }
    const QString id = QString::number(save.productId);

    if (save.isNew) {
        emit s.events.ErrMessage(QStringLiteral("是在新建中"), 1, kPictureTitle);
        if (file.isEmpty() || !FileExists(file))
            return true;
        auto rs = s.db.Prepare(QStringLiteral("SELECT TOP 0 * From PDMZEVAAttach"), 1)->OpenRecordset();
        if (!s.db.LastError().Description().isEmpty()) {
            reportDatabase(s);
            return false;
        }
        if (!rs->AddNew()) {
            reportDatabase(s);
            return false;
        }
        rs->Fields(QStringLiteral("产品ID")) = save.productId;
        if (!writePicture(s, *rs, file, container)) {
            reportDatabase(s);
            return false;
        }
        rs->Close();
        return true;
    }
    if (store) {
        auto rs = s.db.Prepare(QStringLiteral("SELECT * From PDMZEVAAttach WHERE 产品ID =") + id, 1)->OpenRecordset();
        if (rs->IsEOF()) {
            if (rs->AddNew())
                rs->Fields(QStringLiteral("产品ID")) = save.productId;
        }
        // The product is saved whatever happens here; the host still hears of a failure.
        if (!writePicture(s, *rs, file, container))
            reportDatabase(s);
        rs->Close();
        return true;
    }
    if (file.isEmpty() && hasPicture)
        (void)s.db.Prepare(QStringLiteral("DELETE FROM pdmZevaAttach WHERE 产品ID = ") + id, 1)->Execute();
    return true;
}

} // namespace zeva
