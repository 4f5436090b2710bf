#pragma once

#include <QPointer>
#include <QProgressBar>

#include "reports/ReportProgress.h"

/// Lets a report drive the progress bar of a window.
class ProgressBarAdapter : public ReportProgress
{
public:
    explicit ProgressBarAdapter(QProgressBar* bar) : m_bar(bar) {}

    void setMinimum(int value) override;
    void setMaximum(int value) override;
    void setPosition(int value) override;
    int position() const override;

private:
    QPointer<QProgressBar> m_bar;
};
