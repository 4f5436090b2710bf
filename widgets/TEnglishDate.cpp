#include "widgets/TEnglishDate.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "widgets/TSpinButtons.h"

namespace {

constexpr int SpinWidth = 15;
constexpr int SpinHeight = 19;

// Positions of the picture "yyyy/mm/dd", counted from 0.
constexpr int FirstSlash = 4;
constexpr int SecondSlash = 7;

int daysInMonth(int year, int month)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 29 : 28;
    default:
        return 31;
    }
}

int readPart(const QString& text, int from, int length)
{
    return text.mid(from, length).trimmed().toInt();
}

bool isEditingSequence(QKeyEvent* event)
{
    return event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
           event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
           event->matches(QKeySequence::DeleteEndOfLine) ||
           event->matches(QKeySequence::DeleteStartOfWord) ||
           event->matches(QKeySequence::DeleteEndOfWord) ||
           event->matches(QKeySequence::DeleteCompleteLine);
}

} // namespace

TEnglishDate::TEnglishDate(QWidget* parent)
    : QLineEdit(parent), m_minDate(parseDate(QStringLiteral("1000/01/01"))),
      m_maxDate(parseDate(QStringLiteral("3000/12/31"))),
      m_spin(new TSpinButtons(this, SpinWidth, SpinHeight))
{
    setMaxLength(TextLength);
    setAcceptDrops(false);
    showDate();
    connect(this, &QLineEdit::textChanged, this, &TEnglishDate::onTextChanged);
    connect(m_spin, &TSpinButtons::up, this, [this] { spin(1); });
    connect(m_spin, &TSpinButtons::down, this, [this] { spin(-1); });
    updateMinimumHeight();
}

QString TEnglishDate::formatDate(const QDate& date)
{
    if (!date.isValid())
        return blankText();
    return QStringLiteral("%1/%2/%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QDate TEnglishDate::parseDate(const QString& text)
{
    const QStringList parts = text.trimmed().split(u'/');
    if (parts.size() != 3)
        return {};
    bool okYear = false, okMonth = false, okDay = false;
    const int year = parts[0].trimmed().toInt(&okYear);
    const int month = parts[1].trimmed().toInt(&okMonth);
    const int day = parts[2].trimmed().toInt(&okDay);
    if (!okYear || !okMonth || !okDay)
        return {};
    return QDate(year, month, day);
}

void TEnglishDate::setDate(const QDate& date)
{
    m_date = date.isValid() ? bounded(date) : QDate();
    showDate();
}

QDate TEnglishDate::bounded(const QDate& date) const
{
    if (date < m_minDate)
        return m_minDate;
    if (date > m_maxDate)
        return m_maxDate;
    return date;
}

void TEnglishDate::showDate()
{
    const bool wasShowing = m_showing;
    m_showing = true;
    // Setting the same text again would move the caret to the end.
    const QString shown = formatDate(m_date);
    if (text() != shown)
        setText(shown);
    m_showing = wasShowing;
}

void TEnglishDate::onTextChanged()
{
    if (!m_showing) {
        // A window set the text: the value follows it, and the text keeps the picture.
        const QString current = text();
        const QDate parsed = current.startsWith(u' ') ? QDate() : parseDate(current);
        m_date = parsed.isValid() ? bounded(parsed) : QDate();
        if (formatDate(m_date) != current) {
            showDate(); // runs the hook with the corrected text
            return;
        }
    }
    textWasChanged();
}

bool TEnglishDate::requestEdit()
{
    return !isReadOnly();
}

bool TEnglishDate::requestSpin()
{
    return !isReadOnly();
}

bool TEnglishDate::escapePressed()
{
    if (m_focusText.isNull() || text() == m_focusText)
        return false;
    setText(m_focusText);
    return true;
}

int TEnglishDate::workingPosition() const
{
    int p = hasSelectedText() ? selectionStart() : cursorPosition();
    if (p == FirstSlash || p == SecondSlash)
        ++p;
    return p;
}

void TEnglishDate::typeDigit(QChar digit)
{
    if (!requestEdit())
        return;
    const int p = workingPosition();
    if (!m_date.isValid() || text() == blankText()) {
        m_date = QDate::currentDate();
        showDate();
    }
    if (p >= TextLength)
        return; // nothing left to type over

    QString copy = text();
    copy[p] = digit;
    const int year = readPart(copy, 0, 4);
    int month = readPart(copy, 5, 2);
    int day = readPart(copy, 8, 2);

    bool corrected = false;
    if (month < 1 || month > 12) {
        month = month < 1 ? 1 : 12;
        corrected = true;
    }
    const int lastDay = daysInMonth(year, month);
    if (day < 1 || day > lastDay) {
        day = day < 1 ? 1 : lastDay;
        corrected = true;
    }
    // A year below 1000 (one typed with a leading zero) counts as below the minimum.
    QDate date;
    if (year < m_minDate.year()) {
        date = m_minDate;
        corrected = true;
    } else {
        date = QDate(year, month, day);
        if (date != bounded(date)) {
            date = bounded(date);
            corrected = true;
        }
    }

    m_date = date;
    showDate();
    if (corrected) {
        setCursorPosition(p + 1);
    } else {
        // As the mask would: on to the next digit, over a slash.
        int next = p + 1;
        if (next == FirstSlash || next == SecondSlash)
            ++next;
        setCursorPosition(next);
    }
}

void TEnglishDate::clearKey()
{
    if (!requestEdit())
        return;
    if (hasSelectedText() && selectionStart() == 0 && selectionEnd() >= TextLength - 1) {
        m_date = QDate();
        showDate();
        setCursorPosition(0);
    }
}

void TEnglishDate::spin(int direction)
{
    if (!requestSpin())
        return;
    const int p = workingPosition();
    if (!m_date.isValid())
        m_date = QDate::currentDate();
    QDate date = m_date;
    if (p < FirstSlash)
        date = date.addMonths(12 * direction);
    else if (p < SecondSlash)
        date = date.addMonths(direction);
    else if (p < TextLength)
        date = date.addDays(direction);
    else
        return;
    m_date = bounded(date);
    showDate();
    setCursorPosition(p);
}

void TEnglishDate::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete || event->matches(QKeySequence::Delete) ||
        event->matches(QKeySequence::Backspace)) {
        clearKey();
        event->accept();
        return;
    }
    if (key == Qt::Key_Escape) {
        if (escapePressed())
            event->accept();
        else
            event->ignore();
        return;
    }
    if (isEditingSequence(event)) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).unicode() >= 32 && typed.at(0).unicode() != 127) {
        const bool control = event->modifiers() & Qt::ControlModifier;
        if (typed.size() == 1 && typed.at(0) >= u'0' && typed.at(0) <= u'9' && !control) {
            typeDigit(typed.at(0));
            event->accept();
            return;
        }
        if (!control) {
            event->accept(); // signs, letters and other characters never enter a date
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TEnglishDate::inputMethodEvent(QInputMethodEvent* event)
{
    // Composed text is no date; ASCII digits from an input method count as typed.
    for (QChar c : event->commitString()) {
        if (c >= u'0' && c <= u'9')
            typeDigit(c);
    }
    event->accept();
}

QVariant TEnglishDate::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return false;
    return QLineEdit::inputMethodQuery(query);
}

void TEnglishDate::focusInEvent(QFocusEvent* event)
{
    m_focusText = text();
    QLineEdit::focusInEvent(event);
}

void TEnglishDate::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo") ||
            name == QLatin1String("edit-cut") || name == QLatin1String("edit-paste")) {
            action->setVisible(false);
        } else if (name == QLatin1String("edit-delete")) {
            disconnect(action, nullptr, this, nullptr);
            connect(action, &QAction::triggered, this, &TEnglishDate::clearKey);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TEnglishDate::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        event->accept(); // no pasting of the selection clipboard
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TEnglishDate::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    m_spin->place(0);
}

void TEnglishDate::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateMinimumHeight();
}

void TEnglishDate::updateMinimumHeight()
{
    setMinimumHeight(TSpinButtons::minimumEditHeight(this));
}
