#pragma once
// kvTxt_S: the record's text box. It draws its caption beside the entry and carries a key
// value (the ID behind a coded field; 0 after clearing) and a numeric state flag. A coded
// box resolves what the user typed, a code or a name, against its lookup query through the
// host database when the user leaves it or presses Enter: a match shows the name and keeps
// the key, no match shows the box's error message and leaves the box invalid.

#include <QLineEdit>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QToolButton;

namespace zeva {

class DesktopServices;
class HostDatabase;

class kvTxt_S : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString keyValue READ keyValue WRITE setKeyValue)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(int numericState READ numericState WRITE setNumericState)
    // The lookup definition, under the box's own property names.
    Q_PROPERTY(QString error_message READ error_message WRITE setErrorMessage)
    Q_PROPERTY(QString judge_base READ judge_base WRITE setJudgeBase)
    Q_PROPERTY(QString help_code READ help_code WRITE setHelpCode)
    Q_PROPERTY(QString text_field_code READ text_field_code WRITE setTextFieldCode)
    Q_PROPERTY(QString text_field_name READ text_field_name WRITE setTextFieldName)
    // The switches, in the order a coded field sets them; -1 is on for the flags.
    Q_PROPERTY(int judge_flag READ judge_flag WRITE setJudgeFlag)
    Q_PROPERTY(int judge_unique READ judge_unique WRITE setJudgeUnique)
    Q_PROPERTY(int show_type READ show_type WRITE setShowType)
    Q_PROPERTY(int key_type READ key_type WRITE setKeyType)
    Q_PROPERTY(int relay_lookup READ relay_lookup WRITE setRelayLookup)
    Q_PROPERTY(int relay_change READ relay_change WRITE setRelayChange)

public:
    // The session's database, fetched afresh for every lookup; null when there is none.
    using DatabaseSource = std::function<std::shared_ptr<HostDatabase>()>;

    explicit kvTxt_S(QWidget *parent = nullptr);

    // What a coded box needs from its owner: the database its queries run on and the
    // desktop services that show its messages. Without them a lookup fails quietly.
    void setLookupServices(DatabaseSource database, DesktopServices *desktop);

    QString text() const;
    // Text set by code is taken as it is: it is not looked up, and the box is valid.
    void setText(const QString &text);
    // The key value as text: "0" after clearing, the matched ID of a coded field.
    QString keyValue() const { return m_keyValue; }
    void setKeyValue(const QVariant &value);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    // Width of the caption column in pixels; 0 hides the caption.
    void setCaptionWidth(int pixels);
    int captionWidth() const { return m_captionWidth; }
    int numericState() const { return m_numericState; }
    void setNumericState(int state) { m_numericState = state; }

    // Shown (information icon, title "提示：") when the entry matches nothing.
    QString error_message() const { return m_errorMessage; }
    void setErrorMessage(const QString &text) { m_errorMessage = text; }
    // The lookup query; every "@" stands for the trimmed entry with its quotes doubled.
    QString judge_base() const { return m_judgeBase; }
    void setJudgeBase(const QString &sql) { m_judgeBase = sql; }
    // The key of the host's pick list for this field; carried by the lookup event.
    QString help_code() const { return m_helpCode; }
    void setHelpCode(const QString &key)
    {
        m_helpCode = key;
        placeChildren();
    }
    // The result column that becomes the key value; columns match without regard to case.
    QString text_field_code() const { return m_codeColumn; }
    void setTextFieldCode(const QString &column) { m_codeColumn = column; }
    // The result column that the box shows after a match.
    QString text_field_name() const { return m_nameColumn; }
    void setTextFieldName(const QString &column) { m_nameColumn = column; }

    // judge_flag (first switch; default 0): on, the entry is looked up on leaving the box
    // and on Enter; off, the box is plain text whatever its query.
    int judge_flag() const { return m_judgeFlag; }
    void setJudgeFlag(int value) { m_judgeFlag = value; }
    // judge_unique (the supplier's further switch; default 0): on, an entry that matches
    // several rows is no match, so an ambiguous entry never picks one of them silently.
    // Off, the first row of the result is taken.
    int judge_unique() const { return m_judgeUnique; }
    void setJudgeUnique(int value) { m_judgeUnique = value; }
    // show_type (second switch; default 1): 1 shows the text_field_name column after a
    // match, 0 leaves the entry as typed.
    int show_type() const { return m_showType; }
    void setShowType(int value) { m_showType = value; }
    // key_type (third switch; default 1): 1 keeps the text_field_code column as the key
    // value after a match, 0 leaves the key value alone.
    int key_type() const { return m_keyType; }
    void setKeyType(int value) { m_keyType = value; }
    // relay_lookup (fourth switch; default 0): non-zero raises lookupEvent after a match.
    int relay_lookup() const { return m_relayLookup; }
    void setRelayLookup(int value) { m_relayLookup = value; }
    // relay_change (fifth switch; default -1): non-zero raises fieldEvent whenever an entry
    // changes the key value, so the host hears of it; 0 keeps such changes to the form.
    int relay_change() const { return m_relayChange; }
    void setRelayChange(int value) { m_relayChange = value; }

    // Clears as the record display does: key value 0, then the empty text.
    void clear();

    // A box with a lookup query and judge_flag on.
    bool isCoded() const;
    // Resolves the entry now; what leaving the box and Enter do, and what a caller that
    // reads the key value while the user may still be typing (saving) should do first.
    // An all-blank entry is no error: an optional field left empty clears the key value to
    // 0 and is valid, and no query runs. Answers IsValid() afterwards; a plain box answers
    // true at once.
    bool resolveEntry();
    // A typed entry of a coded box that has not been resolved yet.
    bool entryPending() const;
    // Why the last lookup failed: empty after a match, the error message after no match,
    // the database's own description after a failing statement.
    QString errorString() const { return m_errorString; }

    // A box takes part in validation while it is enabled and shown.
    bool IsActive() const;
    // False while the last entry of a coded box matched nothing or its statement failed,
    // and while a typed entry waits to be resolved.
    bool IsValid() const;

    QLineEdit *editor() const { return m_edit; }
    // A multi-line box fills its height; a single line keeps its own and is centred in it.
    void setMultiLine(bool multiLine);

    // Asks the host for the pick list of help_code (F4, or the small button beside a box
    // that has one): lookupEvent(help_code, "", the entry, index, kPickListAsked). The host
    // answers by typing the chosen code into the box.
    static constexpr int kPickListAsked = -1;
    void requestPickList();

signals:
    // The user left the box or pressed Enter after editing it; lookups have run.
    void editingFinished();
    // The host-bound events. fieldEvent: the new key value; the box's index in its control
    // array (-1 without one); 1 after a match or 0 after an empty entry cleared the key;
    // the rows the query matched.
    void fieldEvent(const QVariant &value, int first, int second, int third);
    // lookupEvent, after a match: help_code, the matched key and name; the box's index;
    // the rows the query matched. For a pick list (requestPickList): help_code, "", the
    // entry, the index, kPickListAsked.
    void lookupEvent(const QString &first, const QString &second, const QString &third, int firstNumber,
                     int secondNumber);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeChildren();
    bool fail(const QString &message, int style, const QString &title);
    void takeKey(const QString &key, bool matched, int rows);
    int arrayIndex() const;

    QLabel *m_label;
    QLineEdit *m_edit;
    QToolButton *m_pick;   // shown while the box has a help_code
    bool m_multiLine = false;
    DatabaseSource m_database;
    DesktopServices *m_desktop = nullptr;
    QString m_errorMessage;
    QString m_judgeBase;
    QString m_helpCode;
    QString m_codeColumn;
    QString m_nameColumn;
    int m_judgeFlag = 0;
    int m_judgeUnique = 0;
    int m_showType = 1;
    int m_keyType = 1;
    int m_relayLookup = 0;
    int m_relayChange = -1;
    QString m_caption;
    QString m_keyValue = QStringLiteral("0");
    QString m_errorString;
    int m_captionWidth = 0;
    int m_numericState = 0;
    bool m_valid = true;
    bool m_pending = false;   // typed since the last lookup
};

} // namespace zeva
