#pragma once

#include <memory>

#include <QHash>
#include <QList>
#include <QString>

#include "reports/office/OfficePackage.h"
#include "reports/office/Xml.h"

namespace office {

class WordDocument;

/**
 * @brief One table of a document, addressed as Word addresses it: rows and cells from 1, each
 * row with its own cell count, so a merged or split row has its own column numbering.
 *
 * A handle: cheap to copy, valid while its document lives. Every failure to find a row or cell
 * throws OfficeError.
 */
class WordTable
{
public:
    WordTable() = default;

    int rowCount() const;
    int cellCount(int row) const;

    /// Replaces the cell's text, keeping the formatting of its first paragraph and run.
    /// LF starts a new paragraph, VT is a line break.
    void setText(int row, int column, const QString& text);
    void setNumber(int row, int column, qint64 value);
    /// Adds text at the start / end of the cell, keeping what the cell already holds.
    void insertBefore(int row, int column, const QString& text);
    void insertAfter(int row, int column, const QString& text);
    /// The cell's text: paragraphs joined by LF, line breaks as VT.
    QString text(int row, int column) const;

    /// Inserts @p count empty rows shaped like @p row below it.
    void insertRowsBelow(int row, int count);
    void deleteRow(int row);

    /// Row rules of the line tables; line k of @p lines is then written in row first + k - 1.
    /// One prepared line row: lines - 1 rows are inserted below it.
    void expandSingleRow(int first, int lines);
    /// Two prepared line rows: one line deletes the second, three or more insert lines - 2
    /// below it, none or two leave the table as it is.
    void expandTwoRows(int first, int lines);

private:
    friend class WordDocument;
    WordTable(WordDocument* document, XmlNode table) : m_document(document), m_table(table) {}
    XmlNode row(int row) const;
    XmlNode cell(int row, int column) const;

    WordDocument* m_document = nullptr;
    XmlNode m_table;
};

/// Content copied from a document, ready to be pasted at the end of it.
class WordClip
{
public:
    bool isEmpty() const { return !m_holder; }

private:
    friend class WordDocument;
    std::shared_ptr<XmlPart> m_holder;
    XmlNode m_blocks;
};

/**
 * @brief A word-processing document made from a template: body and header tables, bookmarks,
 * copy and paste of tables, saving as a new .docx.
 *
 * @code
 * WordDocument doc;
 * if (!doc.open(templatePath, &error)) ...
 * WordTable body = doc.table(1);
 * body.insertRowsBelow(3, lines - 2);
 * body.setText(2, 2, bookNo);
 * doc.save(path, &error);
 * @endcode
 */
class WordDocument
{
public:
    WordDocument();
    ~WordDocument();
    WordDocument(const WordDocument&) = delete;
    WordDocument& operator=(const WordDocument&) = delete;

    /// Reads a .dotx or .docx. False with a reason when it is missing or not a document.
    bool open(const QString& path, QString* error);
    bool save(const QString& path, QString* error);

    int tableCount() const;
    /// A table of the body, from 1.
    WordTable table(int index);
    /// The first table of the primary header of the first section.
    WordTable headerTable();

    /// Replaces the text of a bookmark (from 1, in document order).
    void setBookmarkText(int index, const QString& text);
    QString bookmarkText(int index) const;

    /// Copies one table / the whole body content.
    WordClip copyTable(const WordTable& table);
    WordClip copyStory();
    /// Pastes at the end of the body. A table pasted right after a table joins it, so the
    /// earlier table grows and its later rows are numbered on from it.
    void pasteAtEnd(const WordClip& clip);

    /// Plain text of the body, paragraphs separated by LF (for checks and logs).
    QString bodyText() const;

private:
    friend class WordTable;
    QList<XmlNode>& rowsOf(const XmlNode& table);
    void forgetRows() { m_rows.clear(); }
    XmlNode body() const;
    void joinAdjacentTables();

    OfficePackage m_package;
    QString m_mainName;
    XmlPart m_main;
    QString m_headerName;
    std::unique_ptr<XmlPart> m_header;
    QHash<const void*, QList<XmlNode>> m_rows;
};

} // namespace office
