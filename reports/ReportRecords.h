#pragma once

#include <QString>
#include <QVariant>

/**
 * @brief The read-only view a report takes of a dataset: fields by name, rows walked with
 * first/next/eof.
 *
 * A report never changes data. A field the rows lack throws office::OfficeError, which the
 * report shows and then finishes with what it filled.
 */
class ReportRecords
{
public:
    virtual ~ReportRecords() = default;

    virtual int recordCount() const = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;

    virtual bool hasField(const QString& name) const = 0;
    /// The field's value in the current row.
    virtual QVariant value(const QString& name) const = 0;
    /// The field's text as the windows show it.
    virtual QString text(const QString& name) const = 0;

    /// Bound widgets stop following the walk; the report restores them when it finishes.
    virtual void disableControls() {}
    virtual void enableControls() {}
};
