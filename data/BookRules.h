#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

class TDataSet;

/**
 * @brief The rules of the book window that need no window: the subject a book number implies,
 * the stock of a book per company of the group, and the one-book text sheet.
 */
namespace BookRules {

/// The subject implied by a book number: the text before a dash found within the first six
/// characters ("MED-0012" -> "MED"), otherwise the whole number.
QString SubjectOf(const QString& bookNo);

/// A company of the group whose stock columns the book table holds.
struct Company
{
    QString code; ///< its branch code, `VNo`
    QString name;
};

/// What the stock query shows for one book.
struct StockTexts
{
    /// One text per company, in the order given: a number, "有", "無" or "錯誤".
    QStringList texts;
    /// Exact totals are shown: a head-office user allowed quantities, with a company read.
    bool totals = false;
    qlonglong branchTotal = 0; ///< every company but the head office
    qlonglong grandTotal = 0;
};

extern const QString Available;        ///< "有"
extern const QString NotAvailable;     ///< "無"
extern const QString ReadError;        ///< "錯誤"
extern const QString BranchTotalLabel; ///< "分公司合計:"
extern const QString GrandTotalLabel;  ///< "總計:"

/// The stock of the current row of @p book (a dataset over the book table) per company.
/// @p stockDisplay is the login's privilege character for the stock display; @p quantity is the
/// quantity the availability answers are measured against.
StockTexts StockPerCompany(TDataSet& book, const QList<Company>& companies, QChar stockDisplay,
                           const QString& loginArea, qlonglong quantity);

/// The lines of the one-book sheet for the current row of @p book.
QStringList SheetLines(TDataSet& book);

/// Writes the one-book sheet of the current row of @p book into the HTML folder of the data
/// folder, named by the trimmed book number, and tells the user where it went. A book number that
/// could leave that folder is refused and nothing is written; a file that cannot be written is
/// reported with the system's reason. Returns the file's path, empty when nothing was written.
QString WriteSheet(TDataSet& book);

} // namespace BookRules
