#include "drawingstore.h"

#include "commondialog.h"
#include "containerwork.h"
#include "desktopservices.h"
#include "filefield.h"
#include "formcontrol.h"
#include "hostservices.h"
#include "hostsystem.h"
#include "messagetitles.h"
#include "pathnames.h"
#include "postildialog.h"
#include "tempfiles.h"
#include "values.h"

#include <QFileInfo>
#include <QLabel>
#include <QTreeWidget>

#include <cmath>

namespace zeva {

namespace {

int column(DrawingColumn c)
{
    return int(c);
}

int productIdOf(const FormControls &c)
{
    return int(std::lround(leadingNumber(c.lbl[0]->text())));
}

// A column's text as the list shows it: NULL as empty.
QString text(HostRecordset &rs, const char *name)
{
    return rs.Fields(QString::fromLatin1(name)).Value().toText();
}

void fillRow(QTreeWidgetItem *item, HostRecordset &rs, int number)
{
    item->setText(column(DrawingColumn::Number), QString::number(number));
    item->setText(column(DrawingColumn::FileName), text(rs, "fileName"));
    item->setText(column(DrawingColumn::FileSize), sizeText(qint64(leadingNumber(text(rs, "fileSize")))));
    item->setText(column(DrawingColumn::Contents), text(rs, "contents"));
    item->setText(column(DrawingColumn::Marker), text(rs, "marker"));
    item->setText(column(DrawingColumn::MarkDate), text(rs, "markDate"));
    item->setText(column(DrawingColumn::Validity),
                  leadingNumber(text(rs, "invalidation")) == 1 ? QStringLiteral("失效") : QStringLiteral("启用"));
    item->setText(column(DrawingColumn::RowId), text(rs, "rowIndex"));
}

// The selected row's document key: 0 when the key is lost.
int rowIdOf(const QTreeWidgetItem *item)
{
    return int(std::lround(leadingNumber(item->text(column(DrawingColumn::RowId)))));
}

QTreeWidgetItem *selectedRow(const FormControls &c)
{
    const QList<QTreeWidgetItem *> selected = c.lvDraw->selectedItems();
    return selected.isEmpty() ? c.lvDraw->currentItem() : selected.first();
}

struct Unexpected {
    QString description;
};

// A container file on the way into or out of the database, removed whatever happens.
ScopedTempFile newContainer()
{
    ScopedTempFile file(QStringLiteral("tmp"));
    if (file.path().isEmpty())
        throw Unexpected{QStringLiteral("No temporary file can be made in %1.").arg(TempFolderPath())};
    return file;
}

void information(const DrawingStore &s, const QString &text, const QString &title)
{
    s.services.desktop().messageBox(text, DesktopServices::Information, title);
}

void upload(const DrawingStore &s)
{
    FormControls &c = s.controls;
    const int productId = productIdOf(c);
    if (productId <= 0) {
        information(s, QStringLiteral("必须先保存有产品目录基本信息之后，才能上传图纸，请保存后重试!"), kApplicationTitle);
        return;
    }
    FileDialogArgs dialog;
    dialog.fileTitle = QStringLiteral("图纸");
    dialog.mustExist = true;
    dialog.filter = QStringLiteral("所有文件(*.*)|*.*|AutoCad文件(*.dwg)|*.dwg|Word文档(*.doc)|*.Doc");
    dialog.filterIndex = 1;
    dialog.title = QStringLiteral("上传图纸...");
    dialog.defaultExtension = QStringLiteral("dwg");
    if (!ShowOpen(s.services.desktop(), dialog) || dialog.fileName.isEmpty())
        return;
    const QString path = dialog.fileName;
    const QFileInfo source(path);
    if (!source.isFile())
        throw Unexpected{QStringLiteral("文件不存在!")};
    if (s.limitKilobytes > 0 && source.size() > qint64(s.limitKilobytes) * 1024) {
        s.services.desktop().messageBox(QStringLiteral("文档") + FileNameOf(path)
                                            + QStringLiteral("的长度超过了系统设置允许值(%1K)，请修改后重试").arg(s.limitKilobytes),
                                        DesktopServices::Exclamation, kPrompt);
        return;
    }

    const ScopedTempFile container = newContainer();
    if (QString failure; !packDocument(*c.zLibControl3, path, container.path(), &failure))
        throw Unexpected{failure};

    const QString databaseError = QStringLiteral("数据库错误，原因:");
    const QString attachTitle = QStringLiteral("附加图片");
    int key = 0;
    if (const QString error = s.keys.Allocate(QStringLiteral("PDMZEVADraw"), QStringLiteral("rowIndex"), key);
        !error.isEmpty()) {
        emit s.events.ErrMessage(databaseError + error, 8, attachTitle);
        return;
    }
    auto db = s.system.Database();
    auto rs = db->Prepare(QStringLiteral("SELECT TOP 0 * From PDMZEVADraw"), 1)->OpenRecordset();
    if (const QString error = db->LastError().Description(); !error.isEmpty()) {
        emit s.events.ErrMessage(databaseError + error, 8, attachTitle);
        return;
    }
    const HostLogin login = s.system.Login();
    if (!rs->AddNew()) {
        emit s.events.ErrMessage(databaseError + db->LastError().Description(), 8, attachTitle);
        return;
    }
    rs->Fields(QStringLiteral("rowIndex")) = key;
    rs->Fields(QStringLiteral("CpID")) = productId;
    rs->Fields(QStringLiteral("fileName")) = FileNameOf(path);
    rs->Fields(QStringLiteral("fileSize")) = qint64(source.size());
    rs->Fields(QStringLiteral("contents")) = QStringLiteral("");
    rs->Fields(QStringLiteral("isCompress")) = 1;
    rs->Fields(QStringLiteral("isEncrypt")) = 0;
    rs->Fields(QStringLiteral("marker")) = login.UserName;
    rs->Fields(QStringLiteral("markDate")) = login.LoginDate;
    rs->Fields(QStringLiteral("invalidation")) = 0;
    if (const auto failure = FileToField(s.services, container.path(), rs->Fields(QStringLiteral("fileImage"))))
        throw Unexpected{failure->description};
    if (!rs->Update()) {
        // The row was not stored: the user must not see it listed.
        emit s.events.ErrMessage(databaseError + db->LastError().Description(), 8, attachTitle);
        return;
    }
    auto *item = new QTreeWidgetItem;
    fillRow(item, *rs, c.lvDraw->topLevelItemCount() + 1);
    item->setText(column(DrawingColumn::RowId), QString::number(key));
    c.lvDraw->addTopLevelItem(item);
    rs->Close();
}

void download(const DrawingStore &s)
{
    FormControls &c = s.controls;
    const QTreeWidgetItem *row = selectedRow(c);
    if (!row) {
        information(s, QStringLiteral("没有选择详细的图纸号"), kApplicationTitle);
        return;
    }
    const int id = rowIdOf(row);
    if (id <= 0) {
        information(s, QStringLiteral("没有选择详细的图纸号(索引号丢失)"), kApplicationTitle);
        return;
    }
    // The user's "zeva_g" setting is read before the dialog and written back unchanged.
    DesktopServices &desktop = s.services.desktop();
    const QString settings = s.system.Login().SettingsKey;
    const QString remembered = desktop.setting(settings, QStringLiteral("settings"), QStringLiteral("zeva_g"));
    FileDialogArgs dialog;
    dialog.fileName = row->text(column(DrawingColumn::FileName));
    dialog.fileTitle = QStringLiteral("图纸");
    dialog.overwritePrompt = true;
    dialog.filter = QStringLiteral("所有文件(*.*)|*.*|AutoCad文件(*.dwg)|*.dwg");
    dialog.filterIndex = 1;
    dialog.title = QStringLiteral("上传图纸...");
    dialog.defaultExtension = QStringLiteral("dwg");
    ShowSave(desktop, dialog);
    desktop.setSetting(settings, QStringLiteral("settings"), QStringLiteral("zeva_g"), remembered);
    QString chosen = dialog.fileName;
    chosen.remove(QChar(0));
    chosen = trimSpaces(chosen);
    if (chosen.isEmpty())
        return;

    const ScopedTempFile container = newContainer();
    auto db = s.system.Database();
    auto rs = db->Prepare(QStringLiteral("SELECT * From pdmZevaDraw WHERE rowIndex=") + QString::number(id), 1)->OpenRecordset();
    bool written = false;
    if (!rs->IsEOF() && leadingNumber(text(*rs, "filesize")) > 0) {
        if (!FieldToFile(s.services, container.path(), rs->Fields(QStringLiteral("fileImage")), true))
            throw Unexpected{QStringLiteral("Cannot write the container %1.").arg(container.path())};
        written = true;
    }
    rs->Close();
    if (!written)
        return;
    if (QString failure; !restoreDocument(*c.zLibControl3, container.path(), FolderOf(chosen), &failure))
        throw Unexpected{failure};
}

} // namespace

void loadDrawingList(FormControls &c, HostSystem &system)
{
    c.lvDraw->clear();
    const int productId = productIdOf(c);
    if (productId < 1)
        return;
    auto db = system.Database();
    if (!db)
        return;
    auto rs = db->Prepare(QStringLiteral("SELECT * From pdmZevaDraw WHERE cpID=") + QString::number(productId)
                              + QStringLiteral(" order by rowIndex "), 1)->OpenRecordset();
    QList<QTreeWidgetItem *> items;
    for (int number = 1; !rs->IsEOF(); rs->MoveNext(), ++number) {
        auto *item = new QTreeWidgetItem;
        fillRow(item, *rs, number);
        items << item;
    }
    rs->Close();
    c.lvDraw->addTopLevelItems(items);
}

void uploadDrawing(const DrawingStore &store)
{
    try {
        upload(store);
    } catch (const Unexpected &failure) {
        emit store.events.ErrMessage(QStringLiteral("程序错误，原因:") + failure.description, 8, kApplicationTitle);
    }
}

void downloadDrawing(const DrawingStore &store)
{
    try {
        download(store);
    } catch (const Unexpected &failure) {
        emit store.events.ErrMessage(QStringLiteral("程序错误，原因:") + failure.description, 8, kApplicationTitle);
    }
}

void deleteDrawing(const DrawingStore &s)
{
    FormControls &c = s.controls;
    QTreeWidgetItem *row = selectedRow(c);
    DesktopServices &desktop = s.services.desktop();
    if (!row) {
        desktop.messageBox(QStringLiteral("没有选择需要删除的文档，请选择后重试！"), DesktopServices::Information, kPrompt);
        return;
    }
    const int id = rowIdOf(row);
    if (id <= 0)
        return;
    if (desktop.messageBox(QStringLiteral("确认要删除此文档吗？ ") + row->text(column(DrawingColumn::FileName)),
                           DesktopServices::YesNo | DesktopServices::Question, QStringLiteral("删除确认"))
        != DesktopServices::Yes)
        return;
    auto db = s.system.Database();
    (void)db->Prepare(QStringLiteral("DELETE PDMZEVADraw Where rowIndex = ") + QString::number(id), 1)->Execute();
    if (const QString error = db->LastError().Description(); !error.isEmpty()) {
        desktop.messageBox(QStringLiteral("删除时，数据库发生错误，原因：") + error, DesktopServices::Exclamation,
                           QStringLiteral("错误："));
        return;
    }
    delete row;
    emit s.events.Message(QStringLiteral("删除文档成功!"));
}

void annotateDrawing(const DrawingStore &s)
{
    QTreeWidgetItem *row = selectedRow(s.controls);
    if (!row)
        return;
    const int id = rowIdOf(row);
    if (id <= 0) {
        information(s, QStringLiteral("没有选择详细的图纸号(索引号丢失)"), kApplicationTitle);
        return;
    }
    frmPostil dialog(s.controls.lvDraw->window());
    dialog.Display(s.system, id);
    row->setText(column(DrawingColumn::Contents), trimSpaces(dialog.description()));
}

} // namespace zeva
