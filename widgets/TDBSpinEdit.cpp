#include "widgets/TDBSpinEdit.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include "data/dataset/TDataSet.h"
#include "data/dataset/TField.h"
#include "widgets/TSpinButtons.h"

namespace {

constexpr int SpinWidth = 15;
constexpr int SpinHeight = 17;
constexpr int TextGap = 2;

} // namespace

TDBSpinEdit::TDBSpinEdit(QWidget* parent)
    : QLineEdit(QStringLiteral("0"), parent), m_link(this),
      m_spin(new TSpinButtons(this, SpinWidth, SpinHeight))
{
    m_link.updateData = [this] { return updateData(); };
    connect(&m_link, &TFieldDataLink::refused, this, [this] {
        // Taken back once the focus change under way has finished.
        QTimer::singleShot(0, this, [this] {
            setFocus(Qt::OtherFocusReason);
            selectAll();
        });
    });
    connect(&m_link, &TFieldDataLink::dataChanged, this, &TDBSpinEdit::load);
    connect(&m_link, &TFieldDataLink::editingChanged, this, &TDBSpinEdit::updateTextReadOnly);
    connect(this, &QLineEdit::textChanged, this, [this] {
        // A load is no user change: it neither starts editing nor marks the field modified.
        if (m_loading)
            return;
        m_link.edit();
        m_link.setModified();
    });
    connect(m_spin, &TSpinButtons::up, this, [this] { step(1); });
    connect(m_spin, &TSpinButtons::down, this, [this] { step(-1); });
    setMinimumHeight(TSpinButtons::minimumEditHeight(this));
}

TDBSpinEdit::TDBSpinEdit(TDataSource* source, const QString& field, QWidget* parent)
    : TDBSpinEdit(parent)
{
    bind(source, field);
}

void TDBSpinEdit::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    updateTextReadOnly();
}

void TDBSpinEdit::updateTextReadOnly()
{
    QLineEdit::setReadOnly(m_readOnly || !m_link.isEditing());
}

qlonglong TDBSpinEdit::bounded(qlonglong value) const
{
    if (m_minValue == m_maxValue)
        return value;
    return std::clamp(value, m_minValue, m_maxValue);
}

qlonglong TDBSpinEdit::value() const
{
    bool ok = false;
    const qlonglong v = text().trimmed().toLongLong(&ok);
    return ok ? v : m_minValue;
}

void TDBSpinEdit::setValue(qlonglong value)
{
    const QString shown = QString::number(bounded(value));
    if (text() != shown)
        setText(shown);
}

void TDBSpinEdit::load()
{
    updateTextReadOnly();
    TField* f = m_link.field();
    m_loading = true;
    setValue(f && !f->isNull() ? f->asInteger() : 0);
    m_loading = false;
    m_link.setModified(false);
}

bool TDBSpinEdit::updateData()
{
    TField* f = m_link.field();
    if (!f)
        return false;
    if (text().trimmed().isEmpty())
        setText(QStringLiteral("0"));
    if (bounded(value()) != value())
        setValue(value());
    return f->setValue(value());
}

void TDBSpinEdit::step(int direction)
{
    if (m_readOnly || !m_link.canModify())
        return;
    if (text().trimmed().isEmpty())
        setText(QStringLiteral("0"));
    if (!m_link.edit()) {
        QApplication::beep();
        return;
    }
    setValue(value() + direction * m_increment);
}

void TDBSpinEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        step(key == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        if (clipboardAllowed())
            QLineEdit::keyPressEvent(event);
        else
            event->accept();
        return;
    }
    if (key == Qt::Key_Delete && !m_link.edit()) {
        event->accept();
        return;
    }

    QString typed = event->text();
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        typed = QStringLiteral("\r");
    else if (key == Qt::Key_Backspace)
        typed = QStringLiteral("\b");
    if (!typed.isEmpty() && key != Qt::Key_Escape) {
        const QChar c = typed.at(0);
        const bool controlChar = c.unicode() < 32;
        const QChar point = QLocale().decimalPoint().at(0);
        bool valid;
        if (controlChar)
            valid = c != u'\r' && (m_editorEnabled || c != u'\b');
        else
            valid = m_editorEnabled && typed.size() == 1 &&
                    ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == point);
        const bool editing = m_link.edit();
        if (!valid || !editing || m_readOnly) {
            QApplication::beep();
            if (c == u'\r')
                event->ignore(); // Enter still reaches the window's default button
            else
                event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TDBSpinEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // Composed text is never an integer.
    if (!event->commitString().isEmpty())
        QApplication::beep();
    event->accept();
}

QVariant TDBSpinEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return false;
    return QLineEdit::inputMethodQuery(query);
}

bool TDBSpinEdit::clipboardAllowed()
{
    return m_editorEnabled && !m_readOnly && m_link.edit();
}

void TDBSpinEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (m_autoSelect && !(QApplication::mouseButtons() & Qt::LeftButton))
        selectAll();
}

void TDBSpinEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    if (text().trimmed().isEmpty())
        setText(QStringLiteral("0"));
    if (bounded(value()) != value())
        setValue(value());
    if (m_link.commit())
        emit exited();
}

void TDBSpinEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        void (QLineEdit::*slot)() = nullptr;
        if (name == QLatin1String("edit-cut"))
            slot = &QLineEdit::cut;
        else if (name == QLatin1String("edit-paste"))
            slot = &QLineEdit::paste;
        else if (name == QLatin1String("edit-delete"))
            slot = &QLineEdit::del;
        else if (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo"))
            action->setVisible(false);
        if (!slot)
            continue;
        disconnect(action, nullptr, this, nullptr);
        connect(action, &QAction::triggered, this, [this, slot] {
            if (clipboardAllowed())
                (this->*slot)();
        });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TDBSpinEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && !clipboardAllowed()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TDBSpinEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    m_spin->place(TextGap);
}

void TDBSpinEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        setMinimumHeight(TSpinButtons::minimumEditHeight(this));
}
