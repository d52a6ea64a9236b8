#include "drawingcontrol.h"

#include "cataloguetree.h"
#include "ctreeview.h"
#include "formtoolbar.h"
#include "hostunits.h"
#include "kvtxts.h"
#include "messagetitles.h"
#include "preloadedform.h"
#include "productmove.h"
#include "recorddisplay.h"
#include "splitter.h"
#include "treecontrol.h"
#include "treeimagelist.h"
#include "values.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace zeva {

namespace {


// The tree's pictures by their index: 1 and 2 categories, 4 the drag cursor, 5 products.
TreeImageList *makeImages(QWidget *owner)
{
    auto *images = new TreeImageList(owner);
    QStyle *style = owner->style();
    const QSize size(16, 16);
    images->add(style->standardIcon(QStyle::SP_DirClosedIcon).pixmap(size));
    images->add(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(size));
    images->add(style->standardIcon(QStyle::SP_DirIcon).pixmap(size));
    images->add(style->standardIcon(QStyle::SP_ArrowRight).pixmap(size), QStringLiteral("DRAGICON"));
    images->add(style->standardIcon(QStyle::SP_FileIcon).pixmap(size));
    return images;
}

} // namespace

DrawingControl::DrawingControl(HostServices *services, QWidget *parent)
    : FormControl(parent)
{
    m_state.services = services;
    setObjectName(QStringLiteral("drawing"));
    setProperty("zevaType", QStringLiteral("UserControl"));
    setMinimumSize(twipsToPixels(kDesignWidth) / 2, twipsToPixels(kDesignHeight) / 2);
    resize(twipsToPixels(kDesignWidth), twipsToPixels(kDesignHeight));
    m_state.controls = buildForm(this, m_state.desktop());
    m_state.images = makeImages(this);
    for (QWidget *w : m_state.controls.all)
        w->installEventFilter(this);
    for (kvTxt_S *box : m_state.controls.kvT)
        box->editor()->installEventFilter(this);
    connect(m_state.controls.Toolbar1, &FormToolbar::ButtonClick, this, &DrawingControl::Toolbar1_ButtonClick);
    FormControls &c = m_state.controls;
    m_state.layout = std::make_unique<LayoutRecorder>(this, c.all);
    m_state.layout->setPanes(c.TV, c.Sp, c.frabase);
    // "允许拖动记录" switches dragging in the tree; the other boxes leave it alone.
    connect(c.chk[2], &QCheckBox::clicked, this, [this](bool ticked) {
        if (m_state.m_Tv)
            m_state.m_Tv->setDragEnabled(ticked);
    });
    connect(c.Sp, &Splitter::Moving, this,
            [this](bool moved, int offset) { m_state.layout->SplitterMoving(moved, offset); });
    UserControl_InitProperties();
}

DrawingControl::~DrawingControl()
{
    if (m_state.m_Tv)
        m_state.m_Tv->UnHookCtrl();
}

void DrawingControl::UserControl_InitProperties()
{
    configureCodedFields();

    TreeControl *tree = m_state.controls.TV;
    tree->setIndentationTwips(285);
    hookTree();
    hookDocuments();
    connect(tree, &TreeControl::nodeCollapse, this, &DrawingControl::categoryCollapsed);
    connect(tree, &TreeControl::nodeExpand, this, [this](TreeNode *node) {
        whileBusy([&] {
            if (auto db = m_state.database(); db && m_state.m_Tv)
                expandCategory(catalogue(), *db, node);
            return true;
        });
    });

    m_state.fieldFocus = m_state.services->createFieldFocus();
    m_state.valueConverter = m_state.services->createValueConverter();
    m_state.codeRule = m_state.services->createCodeRule();
    // The form's client size is its width and height, here and at every resize.
    const TwipsRect size = twipsGeometry(this);
    m_state.layout->RecordLayout(size.height, size.width);
    m_state.setupDone = true;
}

void DrawingControl::hookTree()
{
    m_state.m_Tv = std::make_unique<cTreeView>(m_state.desktop());
    m_state.m_Tv->HookCtrl(m_state.controls.TV, m_state.images);
    connect(m_state.m_Tv.get(), &cTreeView::Selected, this, [this](TreeNode *node) {
        m_state.newRecord = false;   // the form shows a stored record again
        RecordDisplay display = recordDisplay();
        showSelection(display, node);
    });
    // The drag picture is image 4; a drop is a move of a product to another category.
    connect(m_state.m_Tv.get(), &cTreeView::Dragging, this, [this](TreeNode *, TreeNode *) {
        m_state.controls.TV->setDragIcon(m_state.images->picture(4));
    });
    connect(m_state.m_Tv.get(), &cTreeView::Dropped, this, [this](TreeNode *source, TreeNode *target) {
        if (auto db = m_state.database())
            (void)MoveProductNode({*this, m_state.desktop(), m_state.fieldFocus.get(), m_state.valueConverter.get(), db,
                                   *m_state.m_Tv, this},
                                  source, target);
    });
    m_state.m_Tv->setDragEnabled(m_state.controls.chk[2]->isChecked());
    // A right click highlights its node without a Selected event; the record follows it,
    // so that what is highlighted is what the host's commands work on.
    connect(m_state.m_Tv.get(), &cTreeView::ContextMenu, this, [this](TreeNode *node, int, int) {
        if (node && node->key() != m_state.selection.nodeKey) {
            RecordDisplay display = recordDisplay();
            showSelection(display, node);
        }
    });
}

bool DrawingControl::whileBusy(const std::function<bool()> &work)
{
    // Loads let pending events run: a second load, or the host's Clear, may arrive inside
    // one. The first is refused, the second waits until the load is over.
    if (m_state.busy)
        return false;
    m_state.busy = true;
    const bool done = work();
    m_state.busy = false;
    if (m_state.clearRequested) {
        m_state.clearRequested = false;
        IFormUI_Clear();
    }
    return done;
}

void DrawingControl::configureCodedFields()
{
    // Switches and properties are set in the order the lookups were designed with; the
    // supplier takes its further switch and gives its pick list before its query.
    for (Field f : lookupOrder()) {
        const FieldLookup &def = *fieldInfo(f).lookup;
        kvTxt_S *box = m_state.controls.field(f);
        const bool supplier = f == Field::Supplier;
        box->setJudgeFlag(-1);
        if (supplier)
            box->setJudgeUnique(-1);
        box->setShowType(1);
        box->setKeyType(1);
        box->setErrorMessage(def.errorMessage
                                 ? QString::fromUtf8(def.errorMessage)
                                 : trimSpaces(box->caption()) + QStringLiteral("输入有误，请重新输入！"));
        box->setTextFieldCode(QString::fromUtf8(def.codeColumn));
        box->setTextFieldName(QString::fromUtf8(def.nameColumn));
        if (def.fourthSwitch != kNoSwitch)
            box->setRelayLookup(def.fourthSwitch);
        if (!supplier)
            box->setRelayChange(0);
        if (supplier) {
            box->setHelpCode(QString::fromUtf8(def.helpCode));
            box->setJudgeBase(QString::fromUtf8(def.judgeBase));
        } else {
            box->setJudgeBase(QString::fromUtf8(def.judgeBase));
            box->setHelpCode(QString::fromUtf8(def.helpCode));
        }
        box->setLookupServices([this] { return m_state.database(); }, &m_state.desktop());
    }
    for (Field f : lookupOrder()) {
        if (!fieldInfo(f).lookup->helpFlags)
            continue;
        kvTxt_S *box = m_state.controls.field(f);
        box->setProperty("help_flag", -1);
        box->setProperty("help_menuflag", -1);
        box->setProperty("judge_type", 1);
    }
    for (kvTxt_S *box : m_state.controls.kvT) {
        connect(box, &kvTxt_S::fieldEvent, this, [this](const QVariant &value, int a, int b, int c) {
            if (m_state.pcSystem)
                m_state.pcSystem->RelayFieldEvent(value.toString(), a, b, c, -1);
        });
        connect(box, &kvTxt_S::lookupEvent, this,
                [this, box](const QString &a, const QString &b, const QString &c, int n1, int n2) {
                    if (m_state.pcSystem)
                        m_state.pcSystem->RelayFieldLookup(a, b, c, QVariant(box->text()), n1, n2);
                });
    }
}

CatalogueTree DrawingControl::catalogue()
{
    return CatalogueTree{*m_state.m_Tv, *m_state.codeRule, m_state.config, m_state.desktop(), *this};
}

RecordDisplay DrawingControl::recordDisplay()
{
    return RecordDisplay{m_state.controls,        *this,
                         m_state.selection,       m_state.currentProductId,
                         m_state.valueConverter.get(), m_state.database(),
                         [this] { loadShownPage(); }};
}

void DrawingControl::categoryCollapsed(TreeNode *node)
{
    // The shown product went out of sight with its category: the category becomes the
    // highlighted node and the record follows, as a click on it would.
    TreeControl *tree = m_state.controls.TV;
    const QString shown = m_state.selection.nodeKey;
    TreeNode *selected = shown.isEmpty() ? nullptr : tree->Nodes().item(shown);
    if (!node || !selected || selected == node || !m_state.m_Tv || !m_state.m_Tv->IsParentNode(selected, node))
        return;
    tree->setSelectedItem(node);
    RecordDisplay display = recordDisplay();
    showSelection(display, node);
}

void DrawingControl::loadShownPage()
{
    FormControls &c = m_state.controls;
    if (c.Toolbar1->value(int(Page::Picture)) == 1)
        loadPicturePage();
    else if (c.Toolbar1->value(int(Page::Documents)) == 1)
        loadDrawingPage();
}

bool DrawingControl::IFormUI_Init(std::shared_ptr<HostSystem> pcSystem, int plCzID, std::optional<int> plID)
{
    // A host may hand the form a new system object after Clear let go of everything.
    if (!m_state.m_Tv)
        hookTree();
    if (!m_state.codeRule)
        m_state.codeRule = m_state.services->createCodeRule();
    m_state.pcSystem = std::move(pcSystem);
    m_state.fieldFocus = m_state.services->createFieldFocus();
    m_state.valueConverter = m_state.services->createValueConverter();
    m_state.keyAllocator = m_state.services->createKeyAllocator();
    if (m_state.pcSystem)
        m_state.keyAllocator->Attach(m_state.pcSystem->Database());

    m_state.config.plCzID = plCzID;
    m_state.currentProductId = plID.value_or(0);

    setUpDrawingList();
    readConfiguration();
    SetEditMode(false);
    Toolbar1_ButtonClick(int(Page::Basic));
    if (m_state.pcSystem)
        m_state.controls.CmdShow->setEnabled(m_state.pcSystem->GetRights(plCzID).RightC);
    return true;
}

void DrawingControl::setUpDrawingList()
{
    struct Column {
        const char *text;
        const char *key;
        int width;
    };
    static const Column kColumns[] = {
        {"序号", "rowIndex", 800},     {"文件名称", "fileName", 2400}, {"文件大小", "fileSize", 1000},
        {"说明", "contents", 2400},    {"上传人", "marker", 1200},     {"上传日期", "markDate", 1600},
        {"是否有效", "invalidation", 800}, {"行号", "rowID", 0},
    };
    QTreeWidget *list = m_state.controls.lvDraw;
    list->clear();
    list->setRootIsDecorated(false);   // a report of rows, not a tree
    list->setColumnCount(int(std::size(kColumns)));
    QStringList headers;
    QStringList keys;
    for (const Column &c : kColumns) {
        headers << QString::fromUtf8(c.text);
        keys << QString::fromLatin1(c.key);
    }
    list->setHeaderLabels(headers);
    list->setProperty("columnKeys", keys);
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        list->setColumnWidth(i, twipsToPixels(kColumns[i].width));
        list->setColumnHidden(i, kColumns[i].width == 0);
    }
}

void DrawingControl::readConfiguration()
{
    FormConfig &config = m_state.config;
    config.formTitle = QStringLiteral("产品类别");
    config.filterList.clear();
    auto db = m_state.database();
    if (!db)
        return;
    auto rs = db->Prepare(QStringLiteral("SELECT progName,progCommandLine From xt_objects Where ProgID =")
                              + QString::number(config.plCzID), 1)->OpenRecordset();
    if (db->LastError().Description().isEmpty() && !rs->IsEOF()) {
        auto args = m_state.services->createCommandLineArgs();
        args->Parse(rs->Fields(QStringLiteral("progCommandLine")).Value().toText());
        config.formTitle = rs->Fields(QStringLiteral("progName")).Value().toText();
        QString k;
        if (args->Item(QStringLiteral("k"), k) && !k.isEmpty()) {
            QStringList quoted;
            for (const QString &part : k.split(u','))
                quoted << sqlQuote(part);
            config.filterList = quoted.join(u',');
        }
    }
    rs->Close();

    config.codeRuleText = m_state.pcSystem->GetParameter(12, 16).Value;
    emit ErrMessage(config.codeRuleText + QStringLiteral("读取编码规则"), 1, kTitle);

    const auto limit = [&db](const char *attribute) {
        const QString sql = QStringLiteral("select text from xt_billattribute where attribute='%1'").arg(QString::fromLatin1(attribute));
        return int(leadingInteger(db->Prepare(sql, 1)->GetValue().toText()));
    };
    config.limitDrawing = limit("limitdrawing");
    config.limitPicture = limit("limitpicture");
    db->Release();
}

void DrawingControl::SetEditMode(bool edit)
{
    static const QStringList kEditable = {QStringLiteral("CommandButton"), QStringLiteral("Button"),
                                          QStringLiteral("TextBox"), QStringLiteral("kvTxt_S"),
                                          QStringLiteral("ComboBox"), QStringLiteral("CheckBox"),
                                          QStringLiteral("OptionButton")};
    FormControls &c = m_state.controls;
    for (qsizetype i = 0; i < c.all.size(); ++i) {
        QWidget *w = c.all[i];
        const QString &type = c.types[i];
        if (kEditable.contains(type))
            w->setEnabled(edit);
        else if (type == u"TreeView")
            w->setEnabled(!edit);
    }
    for (const FieldInfo &info : recordFields()) {
        if (info.kind == FieldKind::Display)
            c.field(info.field)->setEnabled(false);
    }
    c.chk[2]->setEnabled(!edit);
    c.chk[3]->setEnabled(!edit);
    if (!m_state.pcSystem)
        return;
    const OperationRights rights = m_state.pcSystem->GetRights(m_state.config.plCzID);
    c.Cmd[0]->setEnabled(rights.RightC);
    c.Cmd[1]->setEnabled(rights.RightB);
    c.Cmd[2]->setEnabled(rights.RightB);
    if (!rights.RightA) {
        for (const FieldInfo &info : recordFields()) {
            if (info.price)
                c.field(info.field)->hide();
        }
    }
    c.CmdShow->setEnabled(rights.RightC);
}

void DrawingControl::Toolbar1_ButtonClick(int position)
{
    const auto page = std::find(kPages.begin(), kPages.end(), Page(position));
    if (page == kPages.end())
        return;
    FormControls &c = m_state.controls;
    for (Page p : kPages) {
        c.Toolbar1->setValue(int(p), p == *page ? 1 : 0);
        // The picture page loads while the drawing page may still show; it goes after.
        if (!(*page == Page::Picture && p == Page::Documents))
            c.pageFrame(p)->setVisible(p == *page);
    }
    // The field that takes the focus on a page of fields, when it is enabled.
    const auto focusOn = [this](Field f) {
        if (kvTxt_S *field = m_state.controls.field(f); field->isEnabled() && m_state.fieldFocus)
            m_state.fieldFocus->SetFocusTo(field);
    };
    switch (*page) {
    case Page::Basic: focusOn(Field::Code); break;
    case Page::Further: focusOn(Field::MaxStock); break;
    case Page::Picture:
        loadPicturePage();
        c.pageFrame(Page::Documents)->hide();
        break;
    case Page::Documents: loadDrawingPage(); break;
    }
}

bool DrawingControl::eventFilter(QObject *watched, QEvent *event)
{
    // Enter moves on to the next field, as Tab does; the keypad's Enter as well.
    if (event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier
            && qobject_cast<QWidget *>(watched) && watched != m_state.controls.TV) {
            // Tab itself, so hidden and disabled fields are passed over as Tab passes them.
            if (QWidget *focus = focusWidget()) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(focus, &tab);
            }
            return true;
        }
    }
    return FormControl::eventFilter(watched, event);
}

void DrawingControl::resizeEvent(QResizeEvent *event)
{
    FormControl::resizeEvent(event);
    if (m_state.layout)
        m_state.layout->FormResized();
}

bool DrawingControl::IFormUI_Clear()
{
    if (m_state.busy) {
        m_state.clearRequested = true;
        return false;
    }
    emit Message(QString());
    if (m_state.m_Tv)
        m_state.m_Tv->UnHookCtrl();
    if (m_state.pcSystem
        && leadingNumber(m_state.pcSystem->GetParameter(11, QStringLiteral("preloadzeva")).Value) == 0) {
        auto parameters = m_state.services->createNameValueCollection();
        parameters->Add(QStringLiteral("reset"), QStringLiteral("True"));
        if (auto preloaded = m_state.pcSystem->GetPreloadedForm(QStringLiteral("zeva")))
            preloaded->SetParameters(parameters);
    }
    m_state.pcSystem.reset();
    m_state.keyAllocator.reset();
    m_state.fieldFocus.reset();
    m_state.valueConverter.reset();
    m_state.codeRule.reset();
    m_state.m_Tv.reset();
    return false;
}

bool DrawingControl::IFormUI_FileEdit()
{
    if (!m_state.m_Tv || !m_state.pcSystem)
        return false;
    FormControls &c = m_state.controls;
    if (!m_state.m_Tv->IsSelected()) {
        m_state.desktop().messageBox(QStringLiteral("无选择项目,不能进行编辑! "), DesktopServices::Information, kPrompt);
        return false;
    }
    if (m_state.selection.productId != 0) {
        SetEditMode(true);
        if (c.Toolbar1->value(int(Page::Basic)) != 1)
            Toolbar1_ButtonClick(int(Page::Basic));
        m_state.fieldFocus->SetFocusTo(c.field(Field::Code));
        return true;
    }
    m_state.desktop().messageBox(QStringLiteral("选择的节点为分类节点，不允许编辑！ "), DesktopServices::OkOnly, QString());
    return false;
}

bool DrawingControl::IFormUI_FileCancel()
{
    m_state.newRecord = false;
    m_state.controls.field(Field::Code)->setNumericState(0);
    SetEditMode(false);
    if (m_state.m_Tv)
        m_state.m_Tv->ReSelectItem();
    return true;
}

bool DrawingControl::IFormUI_Refresh()
{
    return whileBusy([this] {
        auto db = m_state.database();
        if (!db || !m_state.m_Tv)
            return false;
        const int limit = fullLoadLimit(m_state.desktop(), m_state.pcSystem->Login().SettingsKey);
        return refreshTree(catalogue(), *db, limit);
    });
}

// The host's commands this form does not take.
bool DrawingControl::IFormUI_FileNewNext() { return false; }
bool DrawingControl::IFormUI_Filter(const QVariant &) { return false; }
bool DrawingControl::IFormUI_RecordTop() { return false; }
bool DrawingControl::IFormUI_RecordBottom() { return false; }
bool DrawingControl::IFormUI_Check() { return false; }
bool DrawingControl::IFormUI_UnCheck() { return false; }
bool DrawingControl::IFormUI_PrintPreview() { return false; }
bool DrawingControl::IFormUI_DoPrint() { return false; }
bool DrawingControl::IFormUI_PrintSetup() { return false; }
bool DrawingControl::IFormUI_Help() { return false; }
bool DrawingControl::IFormUI_DoSetStatus(const QString &, bool) { return false; }
int DrawingControl::IFormUI_GetID() const { return 0; }
bool DrawingControl::IFormUI_CheckStatus(const QString &) const { return false; }
QString DrawingControl::IFormUI_ReturnPrintName() const { return {}; }
bool DrawingControl::IFormUI_IsDirty() const { return false; }
void DrawingControl::IFormUI_DoGetFormStatus() {}
void DrawingControl::IFormUI_DoSaveFormStatus() {}
QString DrawingControl::IFormUI_Attributes(int) const { return {}; }

QList<QWidget *> DrawingControl::IDesignUI_Controls() const
{
    return m_state.controls.all;
}

std::shared_ptr<NameValueCollection> DrawingControl::IDesignUI_Parameters() const
{
    return nullptr;
}

void DrawingControl::IDesignUI_SetParameters(std::shared_ptr<NameValueCollection> parameters)
{
    if (!parameters || parameters->Count() == 0 || !parameters->Exists(QStringLiteral("backcolor")))
        return;
    const qint64 colour = HostValue::fromVariant(parameters->Item(QStringLiteral("backcolor"))).toInteger();
    QPalette p = palette();
    p.setColor(QPalette::Window, hostColor(quint32(colour), p));
    setPalette(p);
    setAutoFillBackground(true);
}

QSize DrawingControl::sizeHint() const
{
    return QSize(twipsToPixels(kDesignWidth), twipsToPixels(kDesignHeight));
}

} // namespace zeva
