#pragma once
// kvTxt_S: the record's text box. It draws its caption beside the entry, carries a key
// value (the ID behind a coded field; 0 after clearing) and a numeric state flag, and
// holds a lookup definition that resolves typed codes or names against the database.
// Its two host-bound events are relayed by the form to the host.

#include <QLineEdit>
#include <QString>
#include <QVariant>
#include <QWidget>

class QLabel;

namespace zeva {

class kvTxt_S : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString keyValue READ keyValue WRITE setKeyValue)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(int numericState READ numericState WRITE setNumericState)

public:
    // The lookup definition of a coded field, under the box's own property names.
    struct Lookup {
        QString error_message;
        QString judge_base;        // the query; every "@" stands for the typed entry
        QString help_code;
        QString text_field_code;   // column that becomes the key value
        QString text_field_name;   // column that is shown
        QList<int> switches;       // the maker's switches, in the order they were set
    };

    explicit kvTxt_S(QWidget *parent = nullptr);

    QString text() const;
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

    // Clears as the record display does: key value 0, then the empty text.
    void clear();

    bool isCoded() const { return !m_lookup.judge_base.isEmpty(); }
    const Lookup &lookup() const { return m_lookup; }
    Lookup &lookup() { return m_lookup; }
    // A box takes part in validation while it is enabled and shown.
    bool IsActive() const;
    // False while a typed entry of a coded field matched nothing.
    bool IsValid() const { return m_valid; }
    void setValid(bool valid) { m_valid = valid; }

    QLineEdit *editor() const { return m_edit; }
    void setMultiLine(bool multiLine);

signals:
    // The text was edited by the user and the box was left.
    void editingFinished();
    // The host-bound events: a value with three numbers, and three texts with two numbers.
    void fieldEvent(const QVariant &value, int first, int second, int third);
    void lookupEvent(const QString &first, const QString &second, const QString &third, int firstNumber,
                     int secondNumber);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeChildren();

    QLabel *m_label;
    QLineEdit *m_edit;
    Lookup m_lookup;
    QString m_caption;
    QString m_keyValue = QStringLiteral("0");
    int m_captionWidth = 0;
    int m_numericState = 0;
    bool m_valid = true;
};

} // namespace zeva
