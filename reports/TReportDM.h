#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "reports/ReportDesktop.h"
#include "reports/ReportProgress.h"
#include "reports/ReportRecords.h"
#include "reports/office/ExcelWorkbook.h"
#include "reports/office/WordDocument.h"

class TDataSet;
class TMainDM;

/// The forms PrintDocument fills. Numbered as the print buttons pass them; not DocKind.
enum class PrintKind {
    Quotation = 1,
    CustomerOrder = 2,
    PurchaseOrder = 3,
    GoodsReceipt = 4,
    PurchaseReturn = 5,
    Shipment = 6,
    SalesReturn = 7,
};

/// Whose name and address head a printed document.
enum class PartnerSide { Customer = 1, Supplier = 2 };

/**
 * @brief The report data module: opens a template from the Report folder as a new document,
 * lets a report operation fill it, saves it under a fresh name in the user's documents folder
 * and hands it to the desktop's office application.
 *
 * Only one report runs at a time; each leaves a new document and never replaces an earlier one.
 *
 * @code
 * if (!reportDM.OpenWordTemplate("ExportF.dot"))
 *     return;                       // the message has been shown
 * try {
 *     reportDM.WordDocument1().table(1).setText(2, 2, bookNo);
 * } catch (const std::exception& e) {
 *     reportDM.ShowFillError(e);
 * }
 * reportDM.FinishWord("出貨單_C0_12");
 * @endcode
 */
class TReportDM : public QObject
{
    Q_OBJECT
public:
    TReportDM(TMainDM& mainDM, ReportDesktop& desktop, QObject* parent = nullptr);
    ~TReportDM() override;

    // --- engine -----------------------------------------------------------------------------
    /// Opens a template such as "Quote1F.dot" (kept as "Quote1F.dotx") as a new document.
    bool OpenWordTemplate(const QString& fileName);
    /// Opens a template such as "Quote.xlt" (kept as "Quote.xltx") as a new workbook.
    bool OpenExcelTemplate(const QString& fileName);
    office::WordDocument& WordDocument1() { return *m_word; }
    office::ExcelWorkbook& ExcelWorkbook1() { return *m_excel; }

    /// Saves the document being filled under a fresh name made from @p title and hands it to
    /// the desktop. Returns the file, empty when nothing could be saved.
    QString FinishWord(const QString& title);
    QString FinishExcel(const QString& title);
    /// Shows the text of a failure caught while filling.
    static void ShowFillError(const std::exception& error);

    /// Folders searched for templates, first match wins: the per-user override folder, the
    /// folder named by HEYU_REPORT_DIR, the Report folder beside the program.
    QStringList TemplateFolders() const { return m_templateFolders; }
    void SetTemplateFolders(const QStringList& folders) { m_templateFolders = folders; }
    /// The template file for a name as the reports give it; empty when none is found.
    QString TemplatePath(const QString& fileName) const;
    /// Where filled documents go: the user's documents folder unless set.
    QString OutputFolder() const { return m_outputFolder; }
    void SetOutputFolder(const QString& folder) { m_outputFolder = folder; }
    /// The last document saved, for the caller and for checks.
    QString LastDocument() const { return m_lastDocument; }

    /// The standard letterhead: @p name before the cell's caption, the contact block after it.
    static void WriteLetterhead(office::WordTable& table, int row, int column, const QString& name,
                                const QString& address, const QString& tel, const QString& fax,
                                const QString& eMail);
    /// Per-currency totals of the lines: "US$1,234.00 ; NT$ 100.00 ; ". With @p plainLastMark
    /// only the last group has the blank after "$" (document printing); otherwise every group.
    static QString CurrencyBreakdown(ReportRecords& lines, bool plainLastMark);
    /// "#,##0.00" and "#,##0" as the forms print them.
    static QString FormatF2(double value);
    static QString FormatF0(double value);

    // --- document printing -----------------------------------------------------------------
    /// The common form of the seven trade documents. @p partner is the single-customer or
    /// single-supplier lookup holding the document's partner.
    void PrintDocument(ReportRecords& header, ReportRecords& lines, PartnerSide side,
                       PrintKind kind, ReportProgress* progressBar, ReportRecords& totals,
                       ReportRecords& partner);
    /// The head office prints a shipment as branch @p customerNo recorded it.
    void PrintBranchShipment(const QString& customerNo, const QString& shipmentNo,
                             ReportProgress* progressBar, const QString& name,
                             const QString& address, const QString& tel, const QString& fax,
                             const QString& eMail);
    /// The branch's own shipment number as a head-office shipment's remark carries it: the
    /// text after "出貨單", at most 34 Big5 bytes, trimmed, an integer. Tells the user and
    /// returns false when the remark has no "出貨單" or the number is unclear.
    static bool BranchShipmentNumber(const QString& remark, QString* shipmentNo);
    /// A walk-in sale; @p customer is the counter's customer lookup.
    void PrintCounterReceipt(ReportRecords& lines, ReportProgress* progressBar,
                             const QString& amountText, const QString& quantityText,
                             const QString& saleDate, bool foreign, ReportRecords& customer);

    /// The same from the windows' datasets; the partner is the one the single-customer
    /// (`CustDS`) or single-supplier (`VenDS`) lookup of TMainDM holds.
    void PrintDocument(TDataSet& header, TDataSet& lines, PartnerSide side, PrintKind kind,
                       ReportProgress* progressBar, TDataSet& totals);
    /// The counter's customer is the one `CustDS` holds.
    void PrintCounterReceipt(TDataSet& lines, ReportProgress* progressBar,
                             const QString& amountText, const QString& quantityText,
                             const QString& saleDate, bool foreign);

    static QString DocumentTemplate(PrintKind kind, bool foreign);
    static QString DocumentTitle(PrintKind kind);

    // --- labels ----------------------------------------------------------------------------
    /// Address labels, two to a sheet row. Kind 0: the current customer @p copies times;
    /// kind 1: every customer once; kind 2: every customer once with number and name.
    void PrintCustomerLabels(ReportRecords& customers, ReportProgress* progressBar, int copies,
                             int kind);
    void PrintCustomerLabels(TDataSet& customers, ReportProgress* progressBar, int copies,
                             int kind);
    /// Book labels, four to a sheet row, one per copy of each chosen line. @p selectedRows are
    /// row numbers of @p lines (from 0, as the line grid numbers them), in the order the user
    /// chose them. The caller clears its grid's selection afterwards.
    void PrintBookLabels(ReportRecords& lines, const QList<int>& selectedRows,
                         const QString& currency, const QString& dateText);
    void PrintBookLabels(TDataSet& lines, const QList<int>& selectedRows, const QString& currency,
                         const QString& dateText);
    /// The address form of a shipment's envelope; @p mailClass ticks one of the five classes
    /// (-1: none). @p customer is the single-customer lookup holding the shipment's customer.
    void PrintEnvelope(ReportRecords& header, ReportProgress* progressBar, int copies,
                       int mailClass, ReportRecords& customer);
    /// The customer is the one `CustDS` holds.
    void PrintEnvelope(TDataSet& header, ReportProgress* progressBar, int copies, int mailClass);

    // --- listings --------------------------------------------------------------------------
    /// One table row per record: 0 customers, 1 books, 2 suppliers, 3 shipping agents,
    /// 4 subject classes.
    void PrintMasterList(ReportRecords& records, ReportProgress* progressBar, int kind);
    void PrintMasterList(TDataSet& dataSet, ReportProgress* progressBar, int kind);
    /// A transaction history as the history procedures return it; its columns are addressed by
    /// position, @p fieldNames giving their names in result order.
    void PrintDetailReport(ReportRecords& history, const QStringList& fieldNames,
                           ReportProgress* progressBar);
    void PrintDetailReport(TDataSet& dataSet, ReportProgress* progressBar);
    /// Outstanding purchases (kind 1) or orders (kind 2) of the period given as shown.
    void PrintOutstandingList(ReportRecords& records, ReportProgress* progressBar,
                              const QString& endText, const QString& startText, int kind);
    void PrintOutstandingList(TDataSet& dataSet, ReportProgress* progressBar,
                              const QString& endText, const QString& startText, int kind);
    void PrintStockAdjustment(ReportRecords& records, ReportProgress* progressBar);
    void PrintStockAdjustment(TDataSet& dataSet, ReportProgress* progressBar);

private:
    QString SaveAndHandOver(const QString& title, const QString& suffix, bool word);
    QString FreshPath(const QString& title, const QString& suffix) const;
    void WriteLines(office::WordTable& table, ReportRecords& lines, int firstRow, bool foreign,
                    bool fullBookText, ReportProgress* progress);

    TMainDM& m_mainDM;
    ReportDesktop& m_desktop;
    QStringList m_templateFolders;
    QString m_outputFolder;
    QString m_lastDocument;
    std::unique_ptr<office::WordDocument> m_word;
    std::unique_ptr<office::ExcelWorkbook> m_excel;
};
