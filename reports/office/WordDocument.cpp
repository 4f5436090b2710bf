#include "reports/office/WordDocument.h"

#include "reports/office/OfficeError.h"

namespace office {

namespace {

/// Control characters other than the breaks we translate cannot stand in XML.
QString cleaned(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.removeIf([](QChar c) {
        return c.unicode() < 0x20 && c != QChar('\n') && c != QChar('\v') && c != QChar('\t');
    });
    return text;
}

bool isPPr(const XmlNode& node)
{
    return node.name() == QLatin1String("w:pPr");
}

/// The run properties new text takes: those of the first (or last) run, else of the paragraph mark.
XmlNode runPropertiesOf(const XmlNode& paragraph, bool last)
{
    const QList<XmlNode> runs = paragraph.descendants("w:r");
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const XmlNode& run = last ? runs.at(runs.size() - 1 - i) : runs.at(i);
        if (const XmlNode rPr = run.child("w:rPr"))
            return rPr;
        return {};
    }
    if (const XmlNode pPr = paragraph.child("w:pPr"))
        return pPr.child("w:rPr");
    return {};
}

/// Builds one run holding @p segment (no LF), VT as line breaks and tabs as tab stops.
XmlNode makeRun(XmlNode paragraph, const XmlNode& before, const QString& segment,
                const XmlNode& rPr)
{
    XmlNode run =
        before ? paragraph.insertChildBefore("w:r", before) : paragraph.appendChild("w:r");
    if (rPr) {
        XmlNode copy = run.insertCopyAfter(rPr, XmlNode());
        // A paragraph mark's properties may carry revision marks a run cannot hold.
        for (const char* name : {"w:ins", "w:del", "w:moveFrom", "w:moveTo"}) {
            for (const XmlNode& mark : copy.children(name))
                copy.removeChild(mark);
        }
    }
    QString piece;
    auto flush = [&]() {
        if (piece.isEmpty())
            return;
        XmlNode t = run.appendChild("w:t");
        t.setAttribute("xml:space", QStringLiteral("preserve"));
        t.setText(piece);
        piece.clear();
    };
    for (const QChar c : segment) {
        if (c == QChar('\v')) {
            flush();
            run.appendChild("w:br");
        } else if (c == QChar('\t')) {
            flush();
            run.appendChild("w:tab");
        } else {
            piece.append(c);
        }
    }
    flush();
    return run;
}

XmlNode newParagraphLike(XmlNode container, const XmlNode& model, const XmlNode& reference,
                         bool after)
{
    XmlNode paragraph = after ? container.insertChildAfter("w:p", reference)
                              : container.insertChildBefore("w:p", reference);
    if (const XmlNode pPr = model.child("w:pPr")) {
        XmlNode copy = paragraph.insertCopyAfter(pPr, XmlNode());
        // Only the paragraph that ends a section carries its properties.
        if (const XmlNode sectPr = copy.child("w:sectPr"))
            copy.removeChild(sectPr);
    }
    return paragraph;
}

void collectText(const XmlNode& node, QString* out)
{
    for (const XmlNode& child : node.elements()) {
        const QString name = child.name();
        if (name == QLatin1String("w:t"))
            out->append(child.text());
        else if (name == QLatin1String("w:br") || name == QLatin1String("w:cr"))
            out->append(QChar('\v'));
        else if (name == QLatin1String("w:tab"))
            out->append(QChar('\t'));
        else if (name == QLatin1String("w:delText") || name == QLatin1String("w:instrText") ||
                 name == QLatin1String("w:pPr") || name == QLatin1String("w:rPr"))
            continue;
        else
            collectText(child, out);
    }
}

QString paragraphsText(const XmlNode& container)
{
    QStringList lines;
    for (const XmlNode& paragraph : container.children("w:p")) {
        QString line;
        collectText(paragraph, &line);
        lines.append(line);
    }
    return lines.join(QChar('\n'));
}

/// Empties a copied row's cells, keeping their shape and the text formatting of each cell.
void clearRow(XmlNode row)
{
    for (XmlNode cell : row.children("w:tc")) {
        const QList<XmlNode> paragraphs = cell.children("w:p");
        for (const XmlNode& child : cell.elements()) {
            if (child.name() != QLatin1String("w:tcPr") &&
                !(paragraphs.size() && child == paragraphs.first()))
                cell.removeChild(child);
        }
        if (paragraphs.isEmpty()) {
            cell.appendChild("w:p");
            continue;
        }
        XmlNode paragraph = paragraphs.first();
        const XmlNode rPr = runPropertiesOf(paragraph, false);
        XmlNode pPr = paragraph.child("w:pPr");
        if (rPr && rPr.parent().name() == QLatin1String("w:r")) {
            if (!pPr)
                pPr = paragraph.prependChild("w:pPr");
            if (const XmlNode old = pPr.child("w:rPr"))
                pPr.removeChild(old);
            pPr.insertCopyAfter(rPr, XmlNode());
        }
        for (const XmlNode& child : paragraph.elements()) {
            if (!isPPr(child))
                paragraph.removeChild(child);
        }
    }
}

/// Word numbers paragraphs and rows for its own bookkeeping; copies must not repeat the numbers.
void stripParagraphIds(XmlNode node)
{
    QList<XmlNode> nodes = node.descendants("w:p");
    nodes += node.descendants("w:tr");
    nodes.append(node);
    for (XmlNode n : nodes) {
        n.removeAttribute("w14:paraId");
        n.removeAttribute("w14:textId");
    }
}

/// Pasted content must not repeat the bookmarks and paragraph numbers of what it was copied from.
void prepareCopy(XmlNode node)
{
    stripParagraphIds(node);
    for (const char* name : {"w:bookmarkStart", "w:bookmarkEnd"}) {
        for (const XmlNode& mark : node.descendants(name))
            mark.parent().removeChild(mark);
    }
}

QString missingCell(int row, int column)
{
    return QStringLiteral("要求的集合成員不存在：表格第%1列第%2欄").arg(row).arg(column);
}

} // namespace

// --- WordTable ---------------------------------------------------------------------------------

XmlNode WordTable::row(int rowIndex) const
{
    if (!m_document)
        throw OfficeError(QStringLiteral("沒有表格"));
    const QList<XmlNode>& rows = m_document->rowsOf(m_table);
    if (rowIndex < 1 || rowIndex > rows.size())
        throw OfficeError(QStringLiteral("要求的集合成員不存在：表格第%1列").arg(rowIndex));
    return rows.at(rowIndex - 1);
}

XmlNode WordTable::cell(int rowIndex, int column) const
{
    const XmlNode tr = row(rowIndex);
    int n = 0;
    for (XmlNode tc = tr.child("w:tc"); tc; tc = tc.nextSibling()) {
        if (tc.name() == QLatin1String("w:tc") && ++n == column)
            return tc;
    }
    throw OfficeError(missingCell(rowIndex, column));
}

int WordTable::rowCount() const
{
    return m_document ? int(m_document->rowsOf(m_table).size()) : 0;
}

int WordTable::cellCount(int rowIndex) const
{
    return int(row(rowIndex).children("w:tc").size());
}

void WordTable::setText(int rowIndex, int column, const QString& value)
{
    XmlNode tc = cell(rowIndex, column);
    const QStringList segments = cleaned(value).split(QChar('\n'));
    QList<XmlNode> old = tc.elements();
    old.removeIf([](const XmlNode& n) { return n.name() == QLatin1String("w:tcPr"); });
    XmlNode first;
    for (const XmlNode& n : old) {
        if (n.name() == QLatin1String("w:p")) {
            first = n;
            break;
        }
    }
    if (!first) {
        first = tc.appendChild("w:p");
    }
    // New content is built before the old is removed, so the old formatting can be copied.
    const XmlNode rPr = runPropertiesOf(first, false);
    if (segments.size() == 1 && old.size() == 1) {
        // One paragraph becomes one paragraph: keep it and replace its runs.
        QList<XmlNode> runs = first.elements();
        runs.removeIf(isPPr);
        if (!segments.first().isEmpty())
            makeRun(first, XmlNode(), segments.first(), rPr);
        for (const XmlNode& n : runs)
            first.removeChild(n);
        return;
    }
    XmlNode previous = first;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        XmlNode paragraph = newParagraphLike(tc, first, previous, true);
        if (!segments.at(i).isEmpty())
            makeRun(paragraph, XmlNode(), segments.at(i), rPr);
        previous = paragraph;
    }
    for (const XmlNode& n : old)
        tc.removeChild(n);
}

void WordTable::setNumber(int rowIndex, int column, qint64 value)
{
    setText(rowIndex, column, QString::number(value));
}

void WordTable::insertBefore(int rowIndex, int column, const QString& value)
{
    XmlNode tc = cell(rowIndex, column);
    XmlNode first = tc.child("w:p");
    if (!first)
        first = tc.appendChild("w:p");
    const QStringList segments = cleaned(value).split(QChar('\n'));
    const XmlNode rPr = runPropertiesOf(first, false);
    for (qsizetype i = 0; i + 1 < segments.size(); ++i) {
        XmlNode paragraph = newParagraphLike(tc, first, first, false);
        if (!segments.at(i).isEmpty())
            makeRun(paragraph, XmlNode(), segments.at(i), rPr);
    }
    if (!segments.last().isEmpty()) {
        XmlNode reference;
        for (const XmlNode& child : first.elements()) {
            if (!isPPr(child)) {
                reference = child;
                break;
            }
        }
        makeRun(first, reference, segments.last(), rPr);
    }
}

void WordTable::insertAfter(int rowIndex, int column, const QString& value)
{
    XmlNode tc = cell(rowIndex, column);
    const QList<XmlNode> paragraphs = tc.children("w:p");
    XmlNode last = paragraphs.isEmpty() ? tc.appendChild("w:p") : paragraphs.last();
    const QStringList segments = cleaned(value).split(QChar('\n'));
    const XmlNode rPr = runPropertiesOf(last, true);
    if (!segments.first().isEmpty())
        makeRun(last, XmlNode(), segments.first(), rPr);
    XmlNode previous = last;
    for (qsizetype i = 1; i < segments.size(); ++i) {
        XmlNode paragraph = newParagraphLike(tc, last, previous, true);
        if (!segments.at(i).isEmpty())
            makeRun(paragraph, XmlNode(), segments.at(i), rPr);
        previous = paragraph;
    }
}

QString WordTable::text(int rowIndex, int column) const
{
    return paragraphsText(cell(rowIndex, column));
}

void WordTable::insertRowsBelow(int rowIndex, int count)
{
    XmlNode source = row(rowIndex);
    if (count <= 0)
        return;
    XmlNode table = source.parent();
    XmlNode blank = table.insertCopyAfter(source, source);
    clearRow(blank);
    stripParagraphIds(blank);
    for (int i = 1; i < count; ++i)
        table.insertCopyAfter(blank, blank);
    m_document->forgetRows();
}

void WordTable::deleteRow(int rowIndex)
{
    XmlNode tr = row(rowIndex);
    XmlNode table = tr.parent();
    table.removeChild(tr);
    // Like Word, deleting the last row deletes the table.
    if (!table.child("w:tr"))
        table.parent().removeChild(table);
    m_document->forgetRows();
}

void WordTable::expandSingleRow(int first, int lines)
{
    if (lines - 1 > 0)
        insertRowsBelow(first, lines - 1);
}

void WordTable::expandTwoRows(int first, int lines)
{
    if (lines == 1)
        deleteRow(first + 1);
    else if (lines >= 3)
        insertRowsBelow(first + 1, lines - 2);
}

// --- WordDocument ------------------------------------------------------------------------------

WordDocument::WordDocument() = default;
WordDocument::~WordDocument() = default;

bool WordDocument::open(const QString& path, QString* error)
{
    m_rows.clear();
    m_header.reset();
    m_headerName.clear();
    if (!m_package.load(path, error))
        return false;
    m_mainName = m_package.mainPart();
    if (!m_package.parsePart(m_mainName, &m_main, error))
        return false;
    if (m_main.root().name() != QLatin1String("w:document") || !body()) {
        *error = path + ": not a word-processing document";
        return false;
    }
    return true;
}

bool WordDocument::save(const QString& path, QString* error)
{
    m_package.zip().setPart(m_mainName, m_main.serialize());
    if (m_header)
        m_package.zip().setPart(m_headerName, m_header->serialize());
    return m_package.saveAs(path, error);
}

XmlNode WordDocument::body() const
{
    return m_main.root().child("w:body");
}

QList<XmlNode>& WordDocument::rowsOf(const XmlNode& table)
{
    auto it = m_rows.find(table.id());
    if (it == m_rows.end())
        it = m_rows.insert(table.id(), table.children("w:tr"));
    return *it;
}

int WordDocument::tableCount() const
{
    return int(body().children("w:tbl").size());
}

WordTable WordDocument::table(int index)
{
    const QList<XmlNode> tables = body().children("w:tbl");
    if (index < 1 || index > tables.size())
        throw OfficeError(QStringLiteral("要求的集合成員不存在：第%1個表格").arg(index));
    return WordTable(this, tables.at(index - 1));
}

WordTable WordDocument::headerTable()
{
    if (!m_header) {
        // The first section's properties sit in its last paragraph, or at the end of the body.
        const XmlNode sectPr = body().firstDescendant("w:sectPr");
        QString target;
        for (const XmlNode& reference :
             sectPr ? sectPr.children("w:headerReference") : QList<XmlNode>()) {
            if (reference.attribute("w:type") == QLatin1String("default") ||
                reference.attribute("w:type").isEmpty())
                target = m_package.relationshipTarget(m_mainName, reference.attribute("r:id"));
        }
        auto header = std::make_unique<XmlPart>();
        QString error;
        if (target.isEmpty() || !m_package.parsePart(target, header.get(), &error))
            throw OfficeError(QStringLiteral("範本沒有頁首"));
        m_header = std::move(header);
        m_headerName = target;
    }
    XmlNode table = m_header->root().child("w:tbl");
    if (!table)
        table = m_header->root().firstDescendant("w:tbl");
    if (!table)
        throw OfficeError(QStringLiteral("要求的集合成員不存在：頁首沒有表格"));
    return WordTable(this, table);
}

void WordDocument::setBookmarkText(int index, const QString& value)
{
    QList<XmlNode> marks = body().descendants("w:bookmarkStart");
    marks.removeIf([](const XmlNode& n) { return n.attribute("w:name").startsWith('_'); });
    if (index < 1 || index > marks.size())
        throw OfficeError(QStringLiteral("要求的集合成員不存在：第%1個書籤").arg(index));
    XmlNode start = marks.at(index - 1);
    XmlNode end;
    for (const XmlNode& candidate : body().descendants("w:bookmarkEnd")) {
        if (candidate.attribute("w:id") == start.attribute("w:id")) {
            end = candidate;
            break;
        }
    }
    XmlNode container = start.parent();
    XmlNode rPr;
    if (const XmlNode next = start.nextSibling(); next && next.name() == QLatin1String("w:r"))
        rPr = next.child("w:rPr");
    // Collect what the bookmark spans inside its paragraph; runs are written before it goes.
    QList<XmlNode> old;
    for (XmlNode n = start.nextSibling(); n && !(n == end); n = n.nextSibling())
        old.append(n);
    const XmlNode reference = end && end.parent() == container ? end : XmlNode();
    QString segment = cleaned(value);
    segment.replace(QChar('\n'), QChar('\v'));
    makeRun(container, reference.isNull() && !old.isEmpty() ? old.first() : reference, segment,
            rPr);
    for (const XmlNode& n : old)
        container.removeChild(n);
}

QString WordDocument::bookmarkText(int index) const
{
    QList<XmlNode> marks = body().descendants("w:bookmarkStart");
    marks.removeIf([](const XmlNode& n) { return n.attribute("w:name").startsWith('_'); });
    if (index < 1 || index > marks.size())
        throw OfficeError(QStringLiteral("要求的集合成員不存在：第%1個書籤").arg(index));
    const XmlNode start = marks.at(index - 1);
    QString result;
    for (XmlNode n = start.nextSibling(); n && n.name() != QLatin1String("w:bookmarkEnd");
         n = n.nextSibling()) {
        if (n.name() == QLatin1String("w:r"))
            collectText(n, &result);
    }
    return result;
}

WordClip WordDocument::copyTable(const WordTable& table)
{
    WordClip clip;
    clip.m_holder = std::make_shared<XmlPart>();
    clip.m_blocks = clip.m_holder->scratch("clip");
    prepareCopy(clip.m_blocks.insertCopyAfter(table.m_table, XmlNode()));
    return clip;
}

WordClip WordDocument::copyStory()
{
    WordClip clip;
    clip.m_holder = std::make_shared<XmlPart>();
    clip.m_blocks = clip.m_holder->scratch("clip");
    for (const XmlNode& block : body().elements()) {
        if (block.name() != QLatin1String("w:sectPr"))
            prepareCopy(clip.m_blocks.insertCopyAfter(block, XmlNode()));
    }
    return clip;
}

void WordDocument::pasteAtEnd(const WordClip& clip)
{
    if (clip.isEmpty())
        return;
    XmlNode container = body();
    // The end of the story is the last paragraph; an empty one stays last, after the paste.
    XmlNode reference = container.child("w:sectPr");
    QList<XmlNode> blocks = container.elements();
    blocks.removeIf([](const XmlNode& n) { return n.name() == QLatin1String("w:sectPr"); });
    if (!blocks.isEmpty() && blocks.last().name() == QLatin1String("w:p") &&
        blocks.last().descendants("w:t").isEmpty() && !blocks.last().firstDescendant("w:sectPr"))
        reference = blocks.last();
    for (const XmlNode& block : clip.m_blocks.elements()) {
        if (reference)
            container.insertCopyBefore(block, reference);
        else
            container.insertCopyAfter(block, XmlNode());
    }
    joinAdjacentTables();
}

void WordDocument::joinAdjacentTables()
{
    XmlNode container = body();
    XmlNode current = container.child("w:tbl");
    while (current) {
        XmlNode next = current.nextSibling();
        if (next && next.name() == QLatin1String("w:tbl") &&
            current.name() == QLatin1String("w:tbl")) {
            for (const XmlNode& tr : next.children("w:tr"))
                current.insertCopyAfter(tr, XmlNode());
            container.removeChild(next);
            continue;
        }
        current = next;
    }
    m_rows.clear();
}

QString WordDocument::bodyText() const
{
    QStringList lines;
    for (const XmlNode& paragraph : body().descendants("w:p")) {
        QString line;
        collectText(paragraph, &line);
        lines.append(line);
    }
    return lines.join(QChar('\n'));
}

} // namespace office
