#include "reports/office/ExcelWorkbook.h"

#include "reports/office/OfficeError.h"

namespace office {

namespace {

int columnOf(const QString& reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (c < QChar('A') || c > QChar('Z'))
            break;
        column = column * 26 + (c.unicode() - 'A' + 1);
    }
    return column;
}

} // namespace

QString ExcelWorkbook::reference(int row, int column)
{
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar('A' + (c - 1) % 26));
    return letters + QString::number(row);
}

bool ExcelWorkbook::open(const QString& path, QString* error)
{
    m_sharedStrings.clear();
    if (!m_package.load(path, error))
        return false;
    const QString workbookName = m_package.mainPart();
    XmlPart workbook;
    if (!m_package.parsePart(workbookName, &workbook, error))
        return false;
    const XmlNode sheets = workbook.root().child("sheets");
    const XmlNode first = sheets ? sheets.child("sheet") : XmlNode();
    if (!first) {
        *error = path + ": the workbook has no worksheet";
        return false;
    }
    m_sheetName = m_package.relationshipTarget(workbookName, first.attribute("r:id"));
    if (!m_package.parsePart(m_sheetName, &m_sheet, error) || !m_sheet.root().child("sheetData")) {
        if (error->isEmpty())
            *error = path + ": unreadable worksheet";
        return false;
    }
    // Shared strings are only read, to show what the template holds; we write inline text.
    const QString stringsName =
        workbookName.left(workbookName.lastIndexOf('/') + 1) + "sharedStrings.xml";
    XmlPart strings;
    QString ignored;
    if (m_package.zip().contains(stringsName) &&
        m_package.parsePart(stringsName, &strings, &ignored)) {
        for (const XmlNode& item : strings.root().children("si")) {
            QString text;
            if (const XmlNode t = item.child("t"))
                text = t.text();
            for (const XmlNode& run : item.children("r"))
                text += run.child("t").text();
            m_sharedStrings.append(text);
        }
    }
    // Written cells may replace formulas: let the application rebuild its calculation order
    // and recalculate on opening.
    XmlNode root = workbook.root();
    XmlNode calc = root.child("calcPr");
    if (!calc) {
        // calcPr follows these elements in the workbook's fixed element order.
        XmlNode after;
        for (const char* name :
             {"sheets", "functionGroups", "externalReferences", "definedNames"}) {
            if (const XmlNode n = root.child(name))
                after = n;
        }
        calc = root.insertChildAfter("calcPr", after);
    }
    calc.setAttribute("fullCalcOnLoad", QStringLiteral("1"));
    m_package.zip().setPart(workbookName, workbook.serialize());
    m_package.removePart(workbookName.left(workbookName.lastIndexOf('/') + 1) + "calcChain.xml");
    return true;
}

bool ExcelWorkbook::save(const QString& path, QString* error)
{
    // Results the template cached for its formulas are stale once cells change; without them
    // every application computes the formulas when it opens the workbook.
    for (const XmlNode& row : m_sheet.root().child("sheetData").children("row")) {
        for (XmlNode c : row.children("c")) {
            if (!c.child("f"))
                continue;
            if (const XmlNode v = c.child("v"))
                c.removeChild(v);
        }
    }
    m_package.zip().setPart(m_sheetName, m_sheet.serialize());
    return m_package.saveAs(path, error);
}

XmlNode ExcelWorkbook::findCell(int row, int column, bool create)
{
    if (row < 1 || column < 1 || row > 1048576 || column > 16384)
        throw OfficeError(QStringLiteral("要求的儲存格不存在：第%1列第%2欄").arg(row).arg(column));
    XmlNode data = m_sheet.root().child("sheetData");
    XmlNode rowNode;
    for (XmlNode r = data.child("row"); r; r = r.nextSibling()) {
        const int number = r.attribute("r").toInt();
        if (number == row) {
            rowNode = r;
            break;
        }
        if (number > row) {
            if (!create)
                return {};
            rowNode = data.insertChildBefore("row", r);
            rowNode.setAttribute("r", QString::number(row));
            break;
        }
    }
    if (!rowNode) {
        if (!create)
            return {};
        rowNode = data.appendChild("row");
        rowNode.setAttribute("r", QString::number(row));
    }
    const QString ref = reference(row, column);
    // The row's column span is only a hint for readers; a new cell may lie outside it.
    if (create)
        rowNode.removeAttribute("spans");
    for (XmlNode c = rowNode.child("c"); c; c = c.nextSibling()) {
        const int number = columnOf(c.attribute("r"));
        if (number == column)
            return c;
        if (number > column) {
            if (!create)
                return {};
            XmlNode cellNode = rowNode.insertChildBefore("c", c);
            cellNode.setAttribute("r", ref);
            return cellNode;
        }
    }
    if (!create)
        return {};
    XmlNode cellNode = rowNode.appendChild("c");
    cellNode.setAttribute("r", ref);
    // A row-wide style applies to cells the row did not have.
    if (rowNode.attribute("customFormat") == QLatin1String("1") &&
        !rowNode.attribute("s").isEmpty())
        cellNode.setAttribute("s", rowNode.attribute("s"));
    return cellNode;
}

void ExcelWorkbook::setCell(int row, int column, const QVariant& value)
{
    XmlNode c = findCell(row, column, true);
    const QString style = c.attribute("s");
    XmlNode parent = c.parent();
    // Rebuild the cell so no old formula, value or type survives; only its style stays.
    XmlNode fresh = parent.insertChildBefore("c", c);
    parent.removeChild(c);
    fresh.setAttribute("r", reference(row, column));
    if (!style.isEmpty())
        fresh.setAttribute("s", style);
    if (!value.isValid() || value.isNull())
        return;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        fresh.appendChild("v").setText(QString::number(value.toDouble(), 'g', 15));
        return;
    case QMetaType::Bool:
        fresh.setAttribute("t", QStringLiteral("b"));
        fresh.appendChild("v").setText(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        return;
    default:
        break;
    }
    QString text = value.toString();
    text.removeIf(
        [](QChar ch) { return ch.unicode() < 0x20 && ch != QChar('\n') && ch != QChar('\t'); });
    fresh.setAttribute("t", QStringLiteral("inlineStr"));
    XmlNode t = fresh.appendChild("is").appendChild("t");
    t.setAttribute("xml:space", QStringLiteral("preserve"));
    t.setText(text);
}

QVariant ExcelWorkbook::cell(int row, int column) const
{
    XmlNode c = const_cast<ExcelWorkbook*>(this)->findCell(row, column, false);
    if (!c)
        return {};
    const QString type = c.attribute("t");
    if (type == QLatin1String("inlineStr")) {
        const XmlNode is = c.child("is");
        QString text = is.child("t").text();
        for (const XmlNode& run : is.children("r"))
            text += run.child("t").text();
        return text;
    }
    const XmlNode v = c.child("v");
    if (!v)
        return {};
    if (type == QLatin1String("s"))
        return m_sharedStrings.value(v.text().toInt());
    if (type == QLatin1String("str") || type == QLatin1String("e"))
        return v.text();
    if (type == QLatin1String("b"))
        return v.text() == QLatin1String("1");
    return v.text().toDouble();
}

} // namespace office
