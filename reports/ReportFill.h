#pragma once

#include "data/dataset/TDataSet.h"
#include "reports/ReportProgress.h"
#include "reports/ReportRecords.h"

/// Small steps every report shares: the caller's progress bar, which may be
/// absent, and bound widgets held still while a report walks their dataset.
namespace ReportFill {

inline void startProgress(ReportProgress* progress, int maximum)
{
    if (!progress)
        return;
    progress->setMinimum(0);
    progress->setMaximum(maximum);
    progress->setPosition(0);
}

inline void setProgress(ReportProgress* progress, int position)
{
    if (progress)
        progress->setPosition(position);
}

inline void stepProgress(ReportProgress* progress)
{
    if (progress)
        progress->step();
}

/// Disables the dataset's controls for its lifetime, so they are enabled again whatever happens.
class ControlsDisabled
{
public:
    explicit ControlsDisabled(ReportRecords& records) : m_records(records)
    {
        m_records.disableControls();
    }
    ~ControlsDisabled() { m_records.enableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    ReportRecords& m_records;
};

/// The window's dataset comes back to the row it showed before the report walked it.
class PositionKept
{
public:
    explicit PositionKept(TDataSet& dataSet) : m_dataSet(dataSet), m_row(dataSet.recNo()) {}
    ~PositionKept()
    {
        if (m_row >= 0 && m_row < m_dataSet.recordCount())
            m_dataSet.moveTo(m_row);
    }
    PositionKept(const PositionKept&) = delete;
    PositionKept& operator=(const PositionKept&) = delete;

private:
    TDataSet& m_dataSet;
    int m_row;
};

} // namespace ReportFill
