#pragma once

#include "reports/ReportRecords.h"

class TDataSet;

/**
 * @brief A window's dataset as a report reads it: fields by name (ignoring letter case), the
 * field's display text, rows walked from the first.
 */
class DataSetRecords : public ReportRecords
{
public:
    explicit DataSetRecords(TDataSet& dataSet) : m_dataSet(dataSet) {}

    int recordCount() const override;
    void first() override;
    void next() override;
    bool eof() const override;
    bool hasField(const QString& name) const override;
    QVariant value(const QString& name) const override;
    QString text(const QString& name) const override;
    void disableControls() override;
    void enableControls() override;

private:
    TDataSet& m_dataSet;
};
