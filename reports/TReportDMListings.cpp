// Listings: master-data lists, transaction histories, outstanding lists and stock adjustments,
// each one table row per record.
#include <array>

#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "reports/DataSetRecords.h"
#include "reports/ReportFill.h"
#include "reports/TReportDM.h"
#include "reports/office/OfficeError.h"

using office::WordTable;
using namespace ReportFill;

namespace {

struct MasterListing
{
    const char* templateName;
    const char* title;
    QStringList columns;
};

const std::array<MasterListing, 5>& masterListings()
{
    static const std::array<MasterListing, 5> listings = {{
        {"CustReport.dot",
         "客戶資料表",
         {"CustNo", "CustName", "Contact", "CTel", "CFax", "CAddress", "Remark"}},
        {"BookReport.dot",
         "書籍資料表",
         {"BookNo", "BookName", "Author", "BPublisher", "PubYear", "Edition", "ClsNo", "ISBN",
          "BShort", "ORI_CR", "NTPrice", "FPrice", "In_Date"}},
        {"VendReport.dot",
         "供應商資料表",
         {"VNo", "VName", "Contact", "VTel", "VFax", "VAddress", "Remark"}},
        {"ForwReport.dot",
         "船務代理商資料表",
         {"FNo", "FName", "Contact", "FTel", "FFax", "FAddress", "Remark"}},
        {"ClasesReport.dot", "科目資料表", {"ClsNo", "ClsCNm", "ClsENm"}},
    }};
    return listings;
}

/// Writes @p columns of every record from row @p firstRow on, one row per record.
int writeRows(WordTable& table, ReportRecords& records, int firstRow, const QStringList& columns,
              ReportProgress* progress)
{
    int r = firstRow;
    for (records.first(); !records.eof(); records.next(), ++r) {
        for (qsizetype c = 0; c < columns.size(); ++c)
            table.setText(r, int(c) + 1, records.text(columns.at(c)));
        stepProgress(progress);
    }
    return r;
}

const QString kCompanyNumber = QStringLiteral("公司編號");

} // namespace

void TReportDM::PrintMasterList(ReportRecords& records, ReportProgress* progressBar, int kind)
{
    if (kind < 0 || kind >= int(masterListings().size()))
        return;
    const MasterListing& listing = masterListings().at(size_t(kind));
    const int count = records.recordCount();
    startProgress(progressBar, count);
    if (!OpenWordTemplate(QLatin1String(listing.templateName))) {
        setProgress(progressBar, 0);
        return;
    }
    try {
        ControlsDisabled held(records);
        records.first();
        WordTable body = m_word->table(1);
        body.expandSingleRow(2, count);
        writeRows(body, records, 2, listing.columns, progressBar);
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(QString::fromUtf8(listing.title) + QLatin1Char('_') + m_mainDM.LoginArea());
}

void TReportDM::PrintMasterList(TDataSet& dataSet, ReportProgress* progressBar, int kind)
{
    PositionKept kept(dataSet);
    DataSetRecords records(dataSet);
    PrintMasterList(records, progressBar, kind);
}

void TReportDM::PrintDetailReport(ReportRecords& history, const QStringList& fieldNames,
                                  ReportProgress* progressBar)
{
    if (!OpenWordTemplate(QStringLiteral("DetailReport.dot")))
        return;
    const int count = history.recordCount();
    startProgress(progressBar, count);
    // The history's columns by position; a result with fewer columns fails where it lacks one.
    auto nameOf = [&fieldNames](int index) {
        if (index >= fieldNames.size())
            throw office::OfficeError(QStringLiteral("找不到第%1個欄位").arg(index + 1));
        return fieldNames.at(index);
    };
    try {
        ControlsDisabled held(history);
        history.first();
        WordTable body = m_word->table(1);
        body.setText(1, 1, nameOf(0));
        body.setText(1, 3, nameOf(1));
        // The company number goes to the last column whichever of fields 10 and 11 holds it.
        const int k = nameOf(11) == kCompanyNumber ? 10 : 11;
        const int last = k == 10 ? 11 : 10;
        body.setText(1, 4, nameOf(k));
        body.expandSingleRow(2, count);
        int r = 2;
        for (history.first(); !history.eof(); history.next(), ++r) {
            body.setText(r, 1, history.text(nameOf(0)));
            body.setText(r, 2, history.text(nameOf(9)));
            body.setText(r, 3, history.text(nameOf(1)));
            body.setText(r, 4, history.text(nameOf(k)));
            for (int field = 2; field <= 8; ++field)
                body.setText(r, field + 3, history.text(nameOf(field)));
            body.setText(r, 12, history.text(nameOf(last)));
            stepProgress(progressBar);
        }
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(QStringLiteral("交易明細_") + m_mainDM.LoginArea());
}

void TReportDM::PrintDetailReport(TDataSet& dataSet, ReportProgress* progressBar)
{
    PositionKept kept(dataSet);
    DataSetRecords records(dataSet);
    PrintDetailReport(records, dataSet.fieldNames(), progressBar);
}

void TReportDM::PrintOutstandingList(ReportRecords& records, ReportProgress* progressBar,
                                     const QString& endText, const QString& startText, int kind)
{
    if (kind != 1 && kind != 2)
        return;
    const int count = records.recordCount();
    startProgress(progressBar, count);
    if (!OpenWordTemplate(kind == 1 ? QStringLiteral("YetImp.dot")
                                    : QStringLiteral("YetExp.dot"))) {
        setProgress(progressBar, 0);
        return;
    }
    static const QStringList purchases = {"PNo",  "BookNo", "BookName", "Author",
                                          "ISBN", "SumQty", "SurQty",   "EDate"};
    static const QStringList orders = {"PNo",    "CustNo", "CustName", "BookNo",
                                       "SumQty", "SurQty", "EDate"};
    try {
        WordTable body = m_word->table(1);
        body.setText(1, 2,
                     QStringLiteral("起迄日期：") + startText + QStringLiteral("\n      至：") +
                         endText);
        ControlsDisabled held(records);
        records.first();
        // The rows for all but one line go below the prepared line row 3; row by row this numbers
        // the lines exactly as rows inserted between the titles and that row would, and every
        // line keeps the line row's look.
        body.expandSingleRow(3, count);
        const int r = writeRows(body, records, 3, kind == 1 ? purchases : orders, progressBar);
        body.setText(r, 2, m_mainDM.LoginName());
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord((kind == 1 ? QStringLiteral("未進貨明細_") : QStringLiteral("未出貨明細_")) +
               m_mainDM.LoginArea());
}

void TReportDM::PrintOutstandingList(TDataSet& dataSet, ReportProgress* progressBar,
                                     const QString& endText, const QString& startText, int kind)
{
    PositionKept kept(dataSet);
    DataSetRecords records(dataSet);
    PrintOutstandingList(records, progressBar, endText, startText, kind);
}

void TReportDM::PrintStockAdjustment(ReportRecords& records, ReportProgress* progressBar)
{
    const int count = records.recordCount();
    startProgress(progressBar, count + 1);
    if (!OpenWordTemplate(QStringLiteral("BRStock.dot"))) {
        setProgress(progressBar, 0);
        return;
    }
    static const QStringList columns = {"BookNo", "Qty", "EDate", "UsCode", "UsName", "BRReason"};
    try {
        WordTable body = m_word->table(1);
        stepProgress(progressBar);
        records.first();
        body.expandSingleRow(2, count);
        writeRows(body, records, 2, columns, progressBar);
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(QStringLiteral("庫存調整明細_") + m_mainDM.LoginArea());
}

void TReportDM::PrintStockAdjustment(TDataSet& dataSet, ReportProgress* progressBar)
{
    PositionKept kept(dataSet);
    DataSetRecords records(dataSet);
    PrintStockAdjustment(records, progressBar);
}
