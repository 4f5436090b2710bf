#include "widgets/TSpinButtons.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int RepeatDelay = 400;
constexpr int RepeatInterval = 100;

QToolButton* makeButton(QWidget* parent, Qt::ArrowType arrow)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(RepeatDelay);
    button->setAutoRepeatInterval(RepeatInterval);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    return button;
}

} // namespace

TSpinButtons::TSpinButtons(QLineEdit* owner, int width, int height)
    : QWidget(owner), m_owner(owner), m_up(makeButton(this, Qt::UpArrow)),
      m_down(makeButton(this, Qt::DownArrow))
{
    setCursor(Qt::ArrowCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    resize(width, height);

    // An auto-repeating button emits pressed() on the press and again on every repetition.
    auto step = [this](bool isUp) {
        if (!m_owner->hasFocus())
            m_owner->setFocus(Qt::OtherFocusReason);
        if (isUp)
            emit up();
        else
            emit down();
    };
    connect(m_up, &QToolButton::pressed, this, [step] { step(true); });
    connect(m_down, &QToolButton::pressed, this, [step] { step(false); });
}

void TSpinButtons::place(int gap)
{
    const int frame =
        m_owner->hasFrame()
            ? m_owner->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_owner)
            : 0;
    const int h = std::max(1, m_owner->height() - 2 * frame);
    setGeometry(m_owner->width() - frame - width(), frame, width(), h);
    m_owner->setTextMargins(0, 0, width() + gap, 0);
}

int TSpinButtons::minimumEditHeight(const QWidget* edit)
{
    const int border =
        std::max(1, edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit));
    const int own = QFontMetrics(edit->font()).height();
    const int system = QFontMetrics(QApplication::font()).height();
    return own + std::min(own, system) / 4 + 4 * border + 2;
}
