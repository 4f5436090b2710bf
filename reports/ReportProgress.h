#pragma once

/**
 * @brief The progress bar of the window that runs a report.
 *
 * Report operations set the range and step the position through it, so they need no widget;
 * windows pass an adapter of their bar (ProgressBarAdapter), tests a recorder.
 */
class ReportProgress
{
public:
    virtual ~ReportProgress() = default;
    virtual void setMinimum(int value) = 0;
    virtual void setMaximum(int value) = 0;
    virtual void setPosition(int value) = 0;
    virtual int position() const = 0;

    void step() { setPosition(position() + 1); }
};
