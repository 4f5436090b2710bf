#pragma once

#include <QString>
#include <QVariant>

#include "reports/office/OfficePackage.h"
#include "reports/office/Xml.h"

namespace office {

/**
 * @brief A workbook made from a template, writing the cells of its first worksheet.
 *
 * Rows and columns count from 1 as the spreadsheet counts them. Numbers stay numbers, so the
 * template's formulas and number formats apply to them; text is stored in the cell itself.
 */
class ExcelWorkbook
{
public:
    bool open(const QString& path, QString* error);
    bool save(const QString& path, QString* error);

    void setCell(int row, int column, const QVariant& value);
    /// A number as double, text as QString, an empty cell as a null QVariant.
    QVariant cell(int row, int column) const;

    /// "A1"-style reference of a cell.
    static QString reference(int row, int column);

private:
    XmlNode findCell(int row, int column, bool create);

    OfficePackage m_package;
    QString m_sheetName;
    XmlPart m_sheet;
    QStringList m_sharedStrings;
};

} // namespace office
