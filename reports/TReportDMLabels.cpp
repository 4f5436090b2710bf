// Labels: customer address labels, book labels of a document's lines, the envelope form of a
// shipment. Each sheet grows by pasting copies of the template's table after it, which joins
// them into one table with running row numbers.
#include <cmath>
#include <optional>

#include "data/Big5.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "reports/DataSetRecords.h"
#include "reports/ReportFill.h"
#include "reports/TReportDM.h"
#include "reports/office/OfficeError.h"

using office::WordTable;
using namespace ReportFill;

namespace {

constexpr QChar kLineBreak = QChar('\v');

/// Rows of one label row of the customer sheets, and of one sheet row of book labels.
constexpr int kCustomerLabelRows = 3;
constexpr int kNumberedLabelRows = 6;
constexpr int kBookLabelRows = 4;
constexpr int kBookLabelsPerRow = 4;

/// Labels are placed in pairs: n labels need n / 2 rows, rounded up.
int labelRowsFor(int labels)
{
    return (labels + 1) / 2;
}

/// One customer label at table row @p top: on the left (cells 1) or on the right (cells 2 of
/// the first two rows, cell 3 of the name row, which has a gap cell between the labels).
void writeCustomerLabel(WordTable& table, int top, bool right, const QString& sender,
                        ReportRecords& customer, bool numbered)
{
    table.setText(top, right ? 2 : 1, sender);
    table.setText(top + 1, right ? 2 : 1,
                  QStringLiteral("To:") + kLineBreak + customer.text(QStringLiteral("CAddress")));
    const QString name = customer.text(QStringLiteral("CustName"));
    table.setText(top + 2, right ? 3 : 1,
                  name + QLatin1Char(' ') + customer.text(QStringLiteral("Contact")));
    if (numbered) {
        table.setText(top + 4, right ? 3 : 1,
                      QStringLiteral("編號：") + customer.text(QStringLiteral("CustNo")));
        table.setText(top + 4, right ? 4 : 2, QStringLiteral("姓名：") + name);
    }
}

/// Moves to row @p row (from 0) of records that can only be walked forward from the first.
bool goToRow(ReportRecords& records, int row)
{
    if (row < 0)
        return false;
    records.first();
    for (int i = 0; i < row && !records.eof(); ++i)
        records.next();
    return !records.eof();
}

/// The mail classes the shipment window lists, in its order.
constexpr int kMailClasses = 5;

} // namespace

void TReportDM::PrintCustomerLabels(ReportRecords& customers, ReportProgress* progressBar,
                                    int copies, int kind)
{
    if (kind < 0 || kind > 2)
        return;
    const QString sender = m_mainDM.AreaAddress() + kLineBreak + QLatin1Char('(') +
                           m_mainDM.AreaName() + QLatin1Char(')');
    const QString title = QStringLiteral("客戶名條_") + m_mainDM.LoginArea();
    if (kind == 0) {
        // The current customer only, on a sheet filled with copies of its first label row.
        if (!OpenWordTemplate(QStringLiteral("CustLabel.dot")))
            return;
        try {
            WordTable table = m_word->table(1);
            const int rows = labelRowsFor(copies);
            writeCustomerLabel(table, 1, false, sender, customers, false);
            if (copies > 1)
                writeCustomerLabel(table, 1, true, sender, customers, false);
            if (rows > 1) {
                const office::WordClip filled = m_word->copyTable(table);
                for (int i = 1; i < rows; ++i)
                    m_word->pasteAtEnd(filled);
            }
        } catch (const std::exception& e) {
            ShowFillError(e);
        }
        FinishWord(title);
        return;
    }

    const bool numbered = kind == 2;
    if (!OpenWordTemplate(numbered ? QStringLiteral("CustLabel2.dot")
                                   : QStringLiteral("CustLabel.dot")))
        return;
    const int count = customers.recordCount();
    startProgress(progressBar, count);
    try {
        std::optional<ControlsDisabled> held;
        if (numbered)
            held.emplace(customers);
        customers.first();
        WordTable table = m_word->table(1);
        const int rows = labelRowsFor(count);
        if (rows > 1) {
            const office::WordClip empty = m_word->copyTable(table);
            for (int i = 1; i < rows; ++i)
                m_word->pasteAtEnd(empty);
            table = m_word->table(1);
        }
        const int rowsPerLabel = numbered ? kNumberedLabelRows : kCustomerLabelRows;
        int i = 0;
        for (customers.first(); !customers.eof(); customers.next(), ++i) {
            writeCustomerLabel(table, (i / 2) * rowsPerLabel + 1, i % 2 == 1, sender, customers,
                               numbered);
            stepProgress(progressBar);
        }
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(title);
}

void TReportDM::PrintCustomerLabels(TDataSet& customers, ReportProgress* progressBar, int copies,
                                    int kind)
{
    PositionKept kept(customers);
    DataSetRecords records(customers);
    PrintCustomerLabels(records, progressBar, copies, kind);
}

void TReportDM::PrintBookLabels(ReportRecords& lines, const QList<int>& selectedRows,
                                const QString& currency, const QString& dateText)
{
    if (!OpenWordTemplate(QStringLiteral("BookLabel.dot")))
        return;
    const bool nt = currency == QLatin1String("NT");
    const QString priceField = nt ? QStringLiteral("NTPrice") : QStringLiteral("FPrice");
    try {
        ControlsDisabled held(lines);
        lines.first();
        WordTable table = m_word->table(1);
        const office::WordClip emptyRow = m_word->copyTable(table);
        int b = 1;
        int p = 1;
        for (const int row : selectedRows) {
            if (!goToRow(lines, row))
                continue;
            const double quantity = lines.value(QStringLiteral("Qty")).toDouble();
            const qint64 labels = std::isfinite(quantity) ? qRound64(quantity) : 0;
            for (qint64 copy = 0; copy < labels; ++copy) {
                if (p > kBookLabelsPerRow) {
                    m_word->pasteAtEnd(emptyRow);
                    table = m_word->table(1);
                    b += kBookLabelRows;
                    p = 1;
                }
                table.setText(b, 2 * p - 1, lines.text(QStringLiteral("BookNo")));
                table.setText(b, 2 * p, dateText);
                table.setText(b + 1, 2 * p - 1,
                              Big5::leftBytes(lines.text(QStringLiteral("Author")).trimmed(), 10));
                table.setText(
                    b + 1, 2 * p,
                    Big5::leftBytes(lines.text(QStringLiteral("BPublisher")).trimmed(), 12));
                table.setText(
                    b + 2, p,
                    Big5::leftBytes(lines.text(QStringLiteral("BookName")).trimmed(), 76));
                table.setText(b + 3, 2 * p - 1,
                              Big5::leftBytes(lines.text(QStringLiteral("VNo")).trimmed(), 6));
                const QString price = lines.text(priceField);
                table.setText(b + 3, 2 * p,
                              nt ? QStringLiteral("含稅價NT$") + price
                                 : QStringLiteral("Tax  ") + currency + QLatin1Char('$') + price);
                ++p;
            }
        }
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    FinishWord(QStringLiteral("書條_") + m_mainDM.LoginArea());
}

void TReportDM::PrintBookLabels(TDataSet& lines, const QList<int>& selectedRows,
                                const QString& currency, const QString& dateText)
{
    PositionKept kept(lines);
    DataSetRecords records(lines);
    PrintBookLabels(records, selectedRows, currency, dateText);
}

void TReportDM::PrintEnvelope(ReportRecords& header, ReportProgress* progressBar, int copies,
                              int mailClass, ReportRecords& customer)
{
    startProgress(progressBar, copies);
    if (!OpenWordTemplate(QStringLiteral("CustLetter.dot"))) {
        setProgress(progressBar, 0);
        return;
    }
    try {
        WordTable table = m_word->table(1);
        if (mailClass >= 0 && mailClass < kMailClasses)
            table.setText(mailClass + 1, 2, QStringLiteral("＊"));
        table.setText(1, 3, m_mainDM.AreaName());
        table.setText(2, 3, m_mainDM.AreaAddress());
        table.setText(3, 3, QStringLiteral("Tel: ") + m_mainDM.AreaTel());
        table.setText(4, 3, QStringLiteral("Fax: ") + m_mainDM.AreaFax());
        table.setText(5, 3, QStringLiteral("E-mail: ") + m_mainDM.AreaEMail());
        table.setText(6, 2, header.text(QStringLiteral("CustNo")));
        const QString contact = customer.text(QStringLiteral("Contact")).trimmed();
        const QString name = customer.text(QStringLiteral("CustName")).trimmed();
        table.setText(7, 2, contact.isEmpty() ? name : contact + QLatin1Char('\n') + name);
        table.setText(8, 2, customer.text(QStringLiteral("CAddress")));
        table.setText(9, 2, customer.text(QStringLiteral("CTel")));
        stepProgress(progressBar);
        if (copies > 1) {
            const office::WordClip form = m_word->copyStory();
            for (int i = 1; i < copies; ++i) {
                m_word->pasteAtEnd(form);
                stepProgress(progressBar);
            }
        }
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(QStringLiteral("信封_") + m_mainDM.LoginArea());
}

void TReportDM::PrintEnvelope(TDataSet& header, ReportProgress* progressBar, int copies,
                              int mailClass)
{
    DataSetRecords headerRecords(header);
    DataSetRecords customerRecords(m_mainDM.CustDS);
    PrintEnvelope(headerRecords, progressBar, copies, mailClass, customerRecords);
}
