#include "reports/desktop/ProgressBarAdapter.h"

void ProgressBarAdapter::setMinimum(int value)
{
    if (m_bar)
        m_bar->setMinimum(value);
}

void ProgressBarAdapter::setMaximum(int value)
{
    if (m_bar)
        m_bar->setMaximum(value);
}

void ProgressBarAdapter::setPosition(int value)
{
    if (m_bar)
        m_bar->setValue(value);
}

int ProgressBarAdapter::position() const
{
    return m_bar ? m_bar->value() : 0;
}
