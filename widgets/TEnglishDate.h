#pragma once

#include <QDate>
#include <QLineEdit>

class TSpinButtons;

/**
 * @brief A date typed as "yyyy/mm/dd" over a fixed picture, or changed with its spin buttons.
 *
 * The text is always the ten-character picture: a date, or "    /  /  " for no date, so a text
 * whose first character is a blank means no date. Digits are typed over the picture at the caret
 * and skip the slashes; an impossible month or day is corrected as it is typed (month 15 becomes
 * 12, day 30 of February the month's last day) and the date is held between 1000/01/01 and
 * 3000/12/31. The spin buttons move the part under the caret: the year, the month or the day.
 * A date is never shortened digit by digit: Backspace and Delete clear it only when the whole
 * text is selected. The first digit or spin of an empty control starts from today's date.
 *
 * Windows may set the text directly (a "yyyy/mm/dd" date, or empty); the date value follows the
 * text, so a later spin moves from the date shown. Enter reaches the window as returnPressed().
 *
 * @code
 * auto* from = new TEnglishDate(panel);
 * connect(from, &QLineEdit::returnPressed, this, &TBookFrm::FindBitBtnClick);
 * if (!from->text().startsWith(u' ')) query.bindValue(":from", from->date());
 * @endcode
 */
class TEnglishDate : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int TextLength = 10;
    /// The text of an empty control.
    static QString blankText() { return QStringLiteral("    /  /  "); }

    explicit TEnglishDate(QWidget* parent = nullptr);

    /// The date value; a null date is "no date".
    QDate date() const { return m_date; }
    /// Sets the value, held within the minimum and maximum, and shows it.
    void setDate(const QDate& date);
    QDate minDate() const { return m_minDate; }
    QDate maxDate() const { return m_maxDate; }

    /// What the up and down spin buttons do, at the caret.
    void stepUp() { spin(1); }
    void stepDown() { spin(-1); }
    TSpinButtons* spinButtons() const { return m_spin; }

    /// "yyyy/mm/dd" with a four-digit year, or the blank picture for a null date.
    static QString formatDate(const QDate& date);
    /// The date of a "yyyy/mm/dd" text; null for a blank picture, an empty or a malformed text.
    static QDate parseDate(const QString& text);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    /// Asked before a key changes the text; a refused key is discarded. The unbound control
    /// refuses while it is read-only.
    virtual bool requestEdit();
    /// Asked before a spin; the unbound control does not spin while it is read-only.
    virtual bool requestSpin();
    /// Escape: returns true when it consumed the key.
    virtual bool escapePressed();
    /// Runs after every change of the text, after the date value has followed it.
    virtual void textWasChanged() {}

    /// Writes the date value into the text.
    void showDate();

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    QDate m_date;

private:
    void onTextChanged();
    void typeDigit(QChar digit);
    void clearKey();
    void spin(int direction);
    /// The caret (start of the selection), moved past a slash.
    int workingPosition() const;
    QDate bounded(const QDate& date) const;
    void updateMinimumHeight();

    QDate m_minDate;
    QDate m_maxDate;
    QString m_focusText;
    bool m_showing = false;
    TSpinButtons* m_spin;
};
