#include "widgets/TDBEditNew.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QValidator>

#include "data/Big5.h"
#include "data/dataset/TDataSet.h"
#include "data/dataset/TField.h"

namespace {

bool isNumber(ColType type)
{
    return type == ColType::Integer || type == ColType::SmallInt || type == ColType::Identity ||
           type == ColType::Decimal;
}

bool isPrintable(QChar c)
{
    return c.unicode() >= 32 && c.unicode() != 127;
}

} // namespace

/// Applies the case conversion and holds the text within the maximum length in Big5 bytes.
class TBig5LimitValidator : public QValidator
{
public:
    explicit TBig5LimitValidator(TDBEditNew* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int& pos) const override
    {
        if (m_edit->m_charCase == TDBEditNew::CharCase::Upper)
            input = input.toUpper();
        else if (m_edit->m_charCase == TDBEditNew::CharCase::Lower)
            input = input.toLower();
        pos = std::min<int>(pos, int(input.size()));

        const int max = m_edit->m_maxLength;
        if (m_edit->m_loading || max <= 0)
            return Acceptable;
        const int before = Big5::byteLength(m_edit->m_lastText);
        // What was put in before the caret is cut back until the text fits; a text that was
        // already longer (loaded so) may shrink but never grow.
        while (Big5::byteLength(input) > max && Big5::byteLength(input) > before && pos > 0) {
            int from = pos - 1;
            if (from > 0 && input.at(from).isLowSurrogate() && input.at(from - 1).isHighSurrogate())
                --from;
            input.remove(from, pos - from);
            pos = from;
        }
        const int bytes = Big5::byteLength(input);
        return bytes <= max || bytes <= before ? Acceptable : Invalid;
    }

private:
    TDBEditNew* m_edit;
};

TDBEditNew::TDBEditNew(QWidget* parent)
    : QLineEdit(parent), m_link(this), m_validator(new TBig5LimitValidator(this))
{
    QLineEdit::setReadOnly(true);
    setValidator(m_validator);
    m_link.updateData = [this] { return updateData(); };
    connect(&m_link, &TFieldDataLink::refused, this, [this] {
        // Taken back once the focus change under way has finished.
        QTimer::singleShot(0, this, [this] {
            setFocus(Qt::OtherFocusReason);
            selectAll();
        });
    });
    connect(&m_link, &TFieldDataLink::dataChanged, this, &TDBEditNew::load);
    connect(&m_link, &TFieldDataLink::editingChanged, this, &TDBEditNew::setEditingText);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_lastText = text;
        if (!m_loading)
            m_link.setModified();
    });
}

TDBEditNew::TDBEditNew(TDataSource* source, const QString& field, QWidget* parent)
    : TDBEditNew(parent)
{
    bind(source, field);
}

TDBEditNew::~TDBEditNew() = default;

void TDBEditNew::setCharCase(CharCase charCase)
{
    m_charCase = charCase;
    load();
}

void TDBEditNew::setEditingText(bool editing)
{
    QLineEdit::setReadOnly(!editing);
    // The input method may compose while the field could be edited; the key rules decide.
    setAttribute(Qt::WA_InputMethodEnabled, m_link.canModify() || editing);
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void TDBEditNew::load()
{
    setEditingText(m_link.isEditing());
    TField* f = m_link.field();
    QString text;
    Qt::Alignment alignment = Qt::AlignLeft;
    if (f) {
        if (isNumber(f->type()))
            alignment = Qt::AlignRight;
        if (f->type() == ColType::Text && m_maxLength == 0)
            m_maxLength = f->size();
        text = m_focused && m_link.canModify() ? f->editText() : f->displayText();
    }
    if (alignment != m_fieldAlignment) {
        m_fieldAlignment = alignment;
        applyAlignment();
    }
    m_loading = true;
    // The same text set again would move the caret and drop the selection.
    if (this->text() != text)
        setText(text);
    m_loading = false;
    m_lastText = this->text();
    m_link.setModified(false);
}

bool TDBEditNew::updateData()
{
    TField* f = m_link.field();
    return f && f->setEditText(text());
}

void TDBEditNew::applyAlignment()
{
    // Right-aligned and centred fields are drawn so only while the control lacks the focus.
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (!m_focused)
        horizontal = m_fieldAlignment == Qt::AlignRight     ? Qt::AlignRight
                     : m_fieldAlignment == Qt::AlignHCenter ? Qt::AlignHCenter
                                                            : Qt::AlignLeft;
    setAlignment(horizontal | Qt::AlignVCenter);
}

bool TDBEditNew::acceptsChar(QChar c) const
{
    TField* f = m_link.field();
    if (!f || !isPrintable(c))
        return true;
    switch (f->type()) {
    case ColType::Integer:
    case ColType::SmallInt:
    case ColType::Identity:
        return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
    case ColType::Decimal:
        return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
    default:
        return true;
    }
}

bool TDBEditNew::acceptsText(const QString& text)
{
    for (QChar c : text) {
        if (!acceptsChar(c)) {
            QApplication::beep();
            return false;
        }
    }
    return true;
}

void TDBEditNew::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();

    // Keys that delete or paste ask for edit state as they go down.
    if (key == Qt::Key_Delete || (key == Qt::Key_Insert && (mods & Qt::ShiftModifier)) ||
        event->matches(QKeySequence::Delete)) {
        if (!m_link.edit()) {
            event->accept();
            return;
        }
    }

    const QString typed = event->text();
    const bool control = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
    const bool printable = !typed.isEmpty() && isPrintable(typed.at(0)) && !control;
    if (printable && !acceptsText(typed)) {
        event->accept();
        return;
    }
    if (printable || key == Qt::Key_Backspace || event->matches(QKeySequence::Paste) ||
        event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Undo) ||
        event->matches(QKeySequence::Redo)) {
        if (!m_link.edit()) {
            event->accept();
            return;
        }
    }
    if (key == Qt::Key_Escape) {
        load();
        selectAll();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEditNew::inputMethodEvent(QInputMethodEvent* event)
{
    // While the record is not being edited the text stays as it is: a composition shows in the
    // input method's own window, and its committed text asks for edit state like typed keys.
    const QString committed = event->commitString();
    if (!m_link.isEditing()) {
        if (committed.isEmpty() || !acceptsText(committed) || !m_link.edit()) {
            event->accept();
            return;
        }
    } else if (!committed.isEmpty() && !acceptsText(committed)) {
        QInputMethodEvent withoutText(QString(), {});
        QLineEdit::inputMethodEvent(&withoutText);
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

QVariant TDBEditNew::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return isEnabled() && echoMode() == QLineEdit::Normal &&
               (m_link.canModify() || m_link.isEditing());
    return QLineEdit::inputMethodQuery(query);
}

void TDBEditNew::focusInEvent(QFocusEvent* event)
{
    // Taking the focus back after a refused commit keeps the text as typed.
    if (!m_focused) {
        m_focused = true;
        applyAlignment();
        load();
    }
    QLineEdit::focusInEvent(event);
    emit entered();
}

void TDBEditNew::focusOutEvent(QFocusEvent* event)
{
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
        QLineEdit::focusOutEvent(event);
        return;
    }
    const bool committed = m_link.commit();
    QLineEdit::focusOutEvent(event);
    if (!committed)
        return;
    m_focused = false;
    applyAlignment();
    load();
    emit exited();
}

void TDBEditNew::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    // Cut, paste, delete and undo from the menu ask for edit state like their keys.
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        void (QLineEdit::*slot)() = nullptr;
        if (name == QLatin1String("edit-undo"))
            slot = &QLineEdit::undo;
        else if (name == QLatin1String("edit-redo"))
            slot = &QLineEdit::redo;
        else if (name == QLatin1String("edit-cut"))
            slot = &QLineEdit::cut;
        else if (name == QLatin1String("edit-paste"))
            slot = &QLineEdit::paste;
        else if (name == QLatin1String("edit-delete"))
            slot = &QLineEdit::del;
        if (!slot)
            continue;
        disconnect(action, nullptr, this, nullptr);
        connect(action, &QAction::triggered, this, [this, slot] {
            if (m_link.edit())
                (this->*slot)();
        });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
