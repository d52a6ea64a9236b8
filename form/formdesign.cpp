#include "formdesign.h"

#include "formtoolbar.h"
#include "hostunits.h"
#include "kvtxts.h"
#include "splitter.h"
#include "treecontrol.h"
#include "zlibcontrol.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace zeva {

namespace {

// Two columns of fields on the pages: left edges, width, caption column, row pitch.
constexpr int C1 = 180, C2 = 4740, FW = 4380, CW = 1500, RH = 330;
constexpr int row(int r) { return 180 + r * 450; }

// A record field in its page's column, with the caption of the field table.
ControlDesign field(Field f, int left, int top, int width = FW)
{
    const FieldInfo &info = fieldInfo(f);
    return {"kvT", fieldIndex(f), "kvTxt_S", info.page == Page::Basic ? "fra(2)" : "fra(3)", info.caption,
            left, top, width, RH, CW};
}

using enum Field;

// The bar comes first: a drag's right limit is the width of the control before the bar
// in the collection, and with none the form's own, so the record area keeps its minimum.
const QList<ControlDesign> kDesign = {
    {"Sp", -1, "Splitter", "", "", 3670, 60, 75, 8280},
    {"TV", -1, "TreeView", "", "", 60, 60, 3600, 8280},
    {"frabase", -1, "Frame", "", "", 3755, 60, 9385, 8280},
    {"Toolbar1", -1, "Toolbar", "frabase", "", 0, 0, 6000, 540},
    {"chk", 2, "CheckBox", "frabase", "允许拖动记录", 6150, 120, 1550, 300},
    {"chk", 3, "CheckBox", "frabase", "引用数据(&H)", 7750, 120, 1550, 300},

    // Basic properties.
    {"fra", 2, "Frame", "frabase", "", 0, 600, 9385, 7680},
    field(Code, C1, row(0)),
    field(Colour, C2, row(0)),
    field(Mnemonic, C1, row(1)),
    field(Feature, C2, row(1)),
    field(Name, C1, row(2)),
    field(Size, C2, row(2)),
    field(ModelNumber, C1, row(3)),
    field(DrawingNumber, C2, row(3)),
    field(Origin, C1, row(4)),
    field(PurchasePrice, C2, row(4)),
    field(BarCode, C1, row(5)),
    field(RetailPrice, C2, row(5)),
    field(Category, C1, row(6)),
    field(TaxAmount, C2, row(6)),
    field(StockUnit, C1, row(7)),
    field(WholesalePrice, C2, row(7)),
    field(WeightUnit, C1, row(8)),
    field(ConversionRate, C2, row(8)),
    field(Description, C1, row(9), C2 + FW - C1),
    {"chk", 0, "CheckBox", "fra(2)", "允许使用", C1 + CW + 90, row(10), 1300, 300},
    {"chk", 1, "CheckBox", "fra(2)", "批次管理", C1 + CW + 1500, row(10), 1300, 300},
    {"chk", 7, "CheckBox", "fra(2)", "单件管理", C1 + CW + 2910, row(10), 1300, 300},
    {"fra", 1, "Frame", "fra(2)", "物料ABC分类", C1, row(11), FW, 720},
    {"Opt", 0, "OptionButton", "fra(1)", "A类", CW + 90, 330, 900, 300},
    {"Opt", 1, "OptionButton", "fra(1)", "B类", CW + 1050, 330, 900, 300},
    {"Opt", 2, "OptionButton", "fra(1)", "C类", CW + 2010, 330, 900, 300},
    {"ImgBom", -1, "Image", "fra(2)", "标准BOM", C2 + CW + 90, row(11) + 150, 480, 480},
    {"ImgSr", -1, "Image", "fra(2)", "标准工艺", C2 + CW + 690, row(11) + 150, 480, 480},

    // Further properties.
    {"fra", 3, "Frame", "frabase", "", 0, 600, 9385, 7680},
    field(MaxStock, C1, row(0)),
    field(Routing, C2, row(0)),
    field(MinStock, C1, row(1)),
    field(Source, C2, row(1)),
    field(LossRate, C1, row(2)),
    field(Supplier, C2, row(2)),
    field(ShelfLife, C1, row(3)),
    field(PurchaseMode, C2, row(3)),
    field(Location, C1, row(4)),
    field(Salesman, C2, row(4)),
    field(LeadTime, C1, row(5)),
    field(SuggestedStock, C2, row(5)),
    field(MaxPurchasePrice, C2, row(6)),
    field(MinSalesPrice, C2, row(7)),

    // Product picture.
    {"fra", 0, "Frame", "frabase", "", 0, 600, 9385, 7680},
    {"picZeva", -1, "PictureBox", "fra(0)", "", C1, 180, 5400, 5400},
    {"imgZeva", -1, "Image", "picZeva", "", 0, 0, 5400, 5400},
    {"pic", -1, "PictureBox", "fra(0)", "", C1, 180, 600, 600},
    {"lbl", 3, "Label", "fra(0)", "图片名", 5760, 180, 3400, 300},
    {"txtFileName", -1, "TextBox", "fra(0)", "", 5760, 510, 3400, RH},
    {"txt", -1, "kvTxt_S", "fra(0)", "说明", 5760, 990, 3400, RH, 600},
    {"chk", 5, "CheckBox", "fra(0)", "缩放图片", 5760, 1500, 3400, 300},
    {"chk", 4, "CheckBox", "fra(0)", "数据库是否有图片", 5760, 1860, 3400, 300},
    {"chk", 6, "CheckBox", "fra(0)", "图片是否已更改", 5760, 2220, 3400, 300},
    {"CmdOpenFile", -1, "CommandButton", "fra(0)", "取图片", 5760, 2760, 1080, 390},
    {"CmdClear", -1, "CommandButton", "fra(0)", "清空", 6920, 2760, 1080, 390},
    {"CmdShow", -1, "CommandButton", "fra(0)", "正常显示", 8080, 2760, 1080, 390},
    {"zLibControl1", -1, "zLibControl", "fra(0)", "", C1, 5700, 5400, 300},

    // Drawings and documents.
    {"fra", 4, "Frame", "frabase", "", 0, 600, 9385, 7680},
    {"lvDraw", -1, "ListView", "fra(4)", "", C1, 180, 9025, 6480},
    {"Cmd", 0, "CommandButton", "fra(4)", "上传(&U)", C1, 6840, 1200, 390},
    {"Cmd", 1, "CommandButton", "fra(4)", "下载(&L)", C1 + 1320, 6840, 1200, 390},
    {"Cmd", 2, "CommandButton", "fra(4)", "删除(&D)", C1 + 2640, 6840, 1200, 390},
    {"zLibControl3", -1, "zLibControl", "fra(4)", "", C1 + 4080, 6885, 4945, 300},

    // Selection state, never shown.
    {"lbl", 0, "Label", "frabase", "0", 0, 7900, 600, 240},
    {"lbl", 1, "Label", "frabase", "0", 600, 7900, 600, 240},
    {"lbl", 2, "Label", "frabase", "", 1200, 7900, 600, 240},
    {"lbl", 4, "Label", "frabase", "", 1800, 7900, 600, 240},
};

// A small badge for the BOM and routing marks.
QPixmap badge(const QString &text, const QColor &colour)
{
    const int size = twipsToPixels(480);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), 5, 5);
    p.setPen(Qt::white);
    QFont font = QApplication::font();
    font.setPixelSize(size / 3);
    font.setBold(true);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return pixmap;
}

} // namespace

const QList<ControlDesign> &formDesign()
{
    return kDesign;
}

QString controlName(const char *name, int index)
{
    const QString base = QString::fromLatin1(name);
    return index < 0 ? base : QStringLiteral("%1(%2)").arg(base).arg(index);
}

QString controlType(const QWidget *widget)
{
    return widget ? widget->property("zevaType").toString() : QString();
}

FormControls buildForm(QWidget *form, DesktopServices &desktop)
{
    FormControls c;
    QHash<QString, QWidget *> containers;
    for (const ControlDesign &d : kDesign) {
        const QString name = controlName(d.name, d.index);
        const QString type = QString::fromLatin1(d.type);
        const QString caption = QString::fromUtf8(d.caption);
        QWidget *parent = *d.parent ? containers.value(QString::fromLatin1(d.parent)) : form;
        QWidget *w = nullptr;
        const std::string_view n(d.name);
        if (type == u"TreeView") {
            c.TV = new TreeControl(parent);
            w = c.TV;
        } else if (type == u"Splitter") {
            c.Sp = new Splitter(parent);
            w = c.Sp;
        } else if (type == u"Frame" && n == "fra" && d.index == 1) {
            auto *box = new QGroupBox(caption, parent);
            w = box;
        } else if (type == u"Frame") {
            auto *frame = new QFrame(parent);
            frame->setFrameShape(n == "frabase" ? QFrame::NoFrame : QFrame::StyledPanel);
            if (n == "frabase")
                c.frabase = frame;
            else
                c.fra[d.index] = frame;
            w = frame;
        } else if (type == u"Toolbar") {
            c.Toolbar1 = new FormToolbar(parent);
            w = c.Toolbar1;
        } else if (type == u"kvTxt_S") {
            auto *box = new kvTxt_S(parent);
            box->setCaption(caption);
            box->setCaptionWidth(twipsToPixels(d.captionWidth));
            if (n == "txt")
                c.txt = box;
            else
                c.kvT[d.index] = box;
            w = box;
        } else if (type == u"CheckBox") {
            c.chk[d.index] = new QCheckBox(caption, parent);
            w = c.chk[d.index];
        } else if (type == u"OptionButton") {
            c.Opt[d.index] = new QRadioButton(caption, parent);
            w = c.Opt[d.index];
        } else if (type == u"Label") {
            auto *label = new QLabel(caption, parent);
            c.lbl[d.index] = label;
            if (d.index != 3)
                label->hide();
            w = label;
        } else if (type == u"Image") {
            auto *image = new QLabel(parent);
            image->setToolTip(caption);
            if (n == "ImgBom") {
                image->setPixmap(badge(QStringLiteral("BOM"), QColor(0x2e, 0x7d, 0x32)));
                image->hide();
                c.ImgBom = image;
            } else if (n == "ImgSr") {
                image->setPixmap(badge(QStringLiteral("工艺"), QColor(0x15, 0x65, 0xc0)));
                image->hide();
                c.ImgSr = image;
            } else {
                image->setAlignment(Qt::AlignCenter);
                c.imgZeva = image;
            }
            w = image;
        } else if (type == u"PictureBox") {
            if (n == "picZeva") {
                auto *frame = new QFrame(parent);
                frame->setFrameShape(QFrame::StyledPanel);
                frame->setAutoFillBackground(true);
                c.picZeva = frame;
                w = frame;
            } else {
                c.pic = new QLabel(parent);
                c.pic->hide();
                w = c.pic;
            }
        } else if (type == u"TextBox") {
            c.txtFileName = new QLineEdit(parent);
            w = c.txtFileName;
        } else if (type == u"CommandButton") {
            auto *button = new QPushButton(caption, parent);
            if (n == "Cmd")
                c.Cmd[d.index] = button;
            else if (n == "CmdOpenFile")
                c.CmdOpenFile = button;
            else if (n == "CmdClear")
                c.CmdClear = button;
            else
                c.CmdShow = button;
            w = button;
        } else if (type == u"ListView") {
            auto *list = new QTreeWidget(parent);
            list->setRootIsDecorated(false);
            list->setUniformRowHeights(true);
            list->setAlternatingRowColors(true);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->header()->setStretchLastSection(false);
            c.lvDraw = list;
            w = list;
        } else if (type == u"zLibControl") {
            auto *archive = new zLibControl(&desktop, parent);
            archive->hide();   // shown only while it works
            (n == "zLibControl1" ? c.zLibControl1 : c.zLibControl3) = archive;
            w = archive;
        }
        Q_ASSERT(w);
        w->setObjectName(name);
        w->setProperty("zevaType", type);
        setTwipsGeometry(w, {d.left, d.top, d.width, d.height});
        containers.insert(name, w);
        c.all.append(w);
        c.types.append(type);   // read on every mode switch and clearing: a property lookup is slow
    }
    // Pages other than the first start hidden; the toolbar shows one at a time.
    for (Page page : kPages)
        c.pageFrame(page)->setVisible(page == Page::Basic);
    return c;
}

} // namespace zeva
