#include "kvtxts.h"

#include "desktopservices.h"
#include "hostdatabase.h"
#include "values.h"

#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace zeva {

namespace {

const QString kPrompt = QStringLiteral("提示：");
const QString kFailure = QStringLiteral("错误：");

} // namespace

kvTxt_S::kvTxt_S(QWidget *parent)
    : QWidget(parent), m_label(new QLabel(this)), m_edit(new QLineEdit(this)), m_pick(new QToolButton(this))
{
    m_pick->setText(QStringLiteral("…"));
    m_pick->setToolTip(QStringLiteral("选择 (F4)"));
    m_pick->setFocusPolicy(Qt::NoFocus);
    m_pick->hide();
    connect(m_pick, &QToolButton::clicked, this, [this] {
        m_edit->setFocus(Qt::OtherFocusReason);
        requestPickList();
    });
    m_edit->installEventFilter(this);
    setProperty("zevaType", QStringLiteral("kvTxt_S"));
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label->setBuddy(m_edit);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);
    // Records are read in browse mode, where the boxes are disabled: keep the caption and
    // the value readable there, marking the mode by the entry's background only.
    QPalette labelPalette = m_label->palette();
    labelPalette.setColor(QPalette::Disabled, QPalette::WindowText,
                          labelPalette.color(QPalette::Active, QPalette::WindowText));
    m_label->setPalette(labelPalette);
    QPalette editPalette = m_edit->palette();
    editPalette.setColor(QPalette::Disabled, QPalette::Text, editPalette.color(QPalette::Active, QPalette::Text));
    editPalette.setColor(QPalette::Disabled, QPalette::Base, editPalette.color(QPalette::Active, QPalette::Window));
    m_edit->setPalette(editPalette);
    // Leaving and Enter both end an edit. Only an entry typed since the last lookup is looked
    // up: Enter also moves on to the next field, and a message box takes the focus away, and
    // neither may ask a second time.
    connect(m_edit, &QLineEdit::editingFinished, this, [this] {
        if (!m_pending)
            return;
        resolveEntry();
        emit editingFinished();
    });
    connect(m_edit, &QLineEdit::textEdited, this, [this] { m_pending = true; });
}

void kvTxt_S::setLookupServices(DatabaseSource database, DesktopServices *desktop)
{
    m_database = std::move(database);
    m_desktop = desktop;
}

QString kvTxt_S::text() const
{
    return m_edit->text();
}

void kvTxt_S::setText(const QString &text)
{
    // Showing a record sets every field, most of them to what they hold: laying the same
    // text out again is what a record display would spend its time on.
    if (text != m_edit->text()) {
        m_edit->setText(text);
        m_edit->setCursorPosition(0);
    }
    m_pending = false;
    m_valid = true;
}

void kvTxt_S::setKeyValue(const QVariant &value)
{
    m_keyValue = value.isNull() ? QString() : value.toString();
}

void kvTxt_S::setCaption(const QString &caption)
{
    m_caption = caption;
    m_label->setText(caption);
}

void kvTxt_S::setCaptionWidth(int pixels)
{
    m_captionWidth = pixels;
    m_label->setVisible(pixels > 0);
    placeChildren();
}

void kvTxt_S::clear()
{
    m_keyValue = QStringLiteral("0");
    setText(QString());
}

bool kvTxt_S::isCoded() const
{
    return m_judgeFlag != 0 && !m_judgeBase.isEmpty();
}

bool kvTxt_S::resolveEntry()
{
    m_pending = false;
    m_errorString.clear();
    if (!isCoded())
        return m_valid = true;
    const QString entry = trimSpaces(text());
    if (entry.isEmpty()) {
        setText(QString());
        takeKey(QStringLiteral("0"), false, 0);
        return true;
    }
    const std::shared_ptr<HostDatabase> db = m_database ? m_database() : nullptr;
    if (!db) {
        // Only after the host let go of the form: nothing a user could act on.
        m_valid = false;
        m_errorString = QStringLiteral("no database to look the entry up in");
        return false;
    }

    // The entry is spliced in as the body of the query's quoted literals; doubling its
    // quotes keeps it one literal, whatever it holds.
    QString sql = m_judgeBase;
    sql.replace(QLatin1Char('@'), sqlEscape(entry));
    std::unique_ptr<HostRecordset> rows = db->Prepare(sql, 1)->OpenRecordset();
    if (const HostError error = db->LastError(); error.isError()) {
        db->Release();
        return fail(error.Description(), DesktopServices::Critical, kFailure);
    }
    const int count = rows->RecordCount();
    const int codeColumn = rows->fieldIndex(m_codeColumn);
    const int nameColumn = rows->fieldIndex(m_nameColumn);
    if (count > 0 && (codeColumn < 0 || nameColumn < 0)) {
        db->Release();
        return fail(QStringLiteral("the lookup gives no column %1")
                        .arg(codeColumn < 0 ? m_codeColumn : m_nameColumn),
                    DesktopServices::Critical, kFailure);
    }
    if (count == 0 || (m_judgeUnique != 0 && count > 1)) {
        db->Release();
        return fail(m_errorMessage, DesktopServices::Information, kPrompt);
    }
    const QString key = rows->Fields(m_codeColumn).Value().toText();
    const QString name = rows->Fields(m_nameColumn).Value().toText();
    rows->Close();
    db->Release();

    setText(m_showType != 0 ? name : entry);
    if (m_keyType != 0)
        takeKey(key, true, count);
    if (m_relayLookup != 0)
        emit lookupEvent(m_helpCode, key, name, arrayIndex(), count);
    return true;
}

bool kvTxt_S::fail(const QString &message, int style, const QString &title)
{
    m_valid = false;
    m_errorString = message;
    if (m_desktop)
        m_desktop->messageBox(message, DesktopServices::OkOnly | style, title);
    return false;
}

void kvTxt_S::takeKey(const QString &key, bool matched, int rows)
{
    m_valid = true;
    if (key == m_keyValue)
        return;
    m_keyValue = key;
    if (m_relayChange != 0)
        emit fieldEvent(QVariant(key), arrayIndex(), matched ? 1 : 0, rows);
}

int kvTxt_S::arrayIndex() const
{
    // Control arrays name their elements "kvT(22)".
    const QString name = objectName();
    const qsizetype open = name.lastIndexOf(QLatin1Char('('));
    if (open < 0 || !name.endsWith(QLatin1Char(')')))
        return -1;
    bool ok = false;
    const int index = name.mid(open + 1, name.size() - open - 2).toInt(&ok);
    return ok ? index : -1;
}

bool kvTxt_S::IsActive() const
{
    return isEnabled() && !isHidden();
}

bool kvTxt_S::entryPending() const
{
    return m_pending && isCoded();
}

bool kvTxt_S::IsValid() const
{
    return m_valid && !(m_pending && isCoded());
}

void kvTxt_S::setMultiLine(bool multiLine)
{
    m_multiLine = multiLine;
    placeChildren();
    m_edit->setAlignment(multiLine ? Qt::AlignLeft | Qt::AlignTop : Qt::AlignLeft | Qt::AlignVCenter);
}

void kvTxt_S::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void kvTxt_S::placeChildren()
{
    const int gap = m_captionWidth > 0 ? 6 : 0;
    m_label->setGeometry(0, 0, m_captionWidth, height());
    const int lineHeight = m_multiLine ? height() : qMin(height(), m_edit->sizeHint().height());
    const int top = (height() - lineHeight) / 2;
    m_pick->setVisible(!m_helpCode.isEmpty());
    const int button = m_helpCode.isEmpty() ? 0 : lineHeight;
    const int left = m_captionWidth + gap;
    const int editWidth = qMax(0, width() - left - button);
    m_edit->setGeometry(left, top, editWidth, lineHeight);
    m_pick->setGeometry(left + editWidth, top, button, lineHeight);
}

void kvTxt_S::requestPickList()
{
    if (!m_helpCode.isEmpty() && isEnabled())
        emit lookupEvent(m_helpCode, QString(), text(), arrayIndex(), kPickListAsked);
}

bool kvTxt_S::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F4 && !m_helpCode.isEmpty()) {
        requestPickList();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zeva
