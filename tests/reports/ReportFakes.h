#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "reports/ReportDesktop.h"
#include "reports/ReportProgress.h"

/// A desktop that launches nothing: it remembers what it was given to open.
class FakeDesktop : public ReportDesktop
{
public:
    bool canOpen(const QString& suffix) const override { return !missing.contains(suffix); }
    bool open(const QString& filePath) override
    {
        opened.append(filePath);
        return true;
    }

    QStringList missing; ///< suffixes with no application
    QStringList opened;
};

/// A progress bar that keeps every position it was set to.
class ProgressRecorder : public ReportProgress
{
public:
    void setMinimum(int value) override { minimum = value; }
    void setMaximum(int value) override { maximum = value; }
    void setPosition(int value) override
    {
        current = value;
        positions.append(value);
    }
    int position() const override { return current; }

    int minimum = -1;
    int maximum = -1;
    int current = 0;
    QList<int> positions;
};
