// Document printing: the common form of the trade documents, the branch shipment and the
// counter receipt.
#include <QSqlQuery>

#include "data/Big5.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "reports/DataSetRecords.h"
#include "reports/RecordTable.h"
#include "reports/ReportFill.h"
#include "reports/TReportDM.h"
#include "reports/office/ChineseNumerals.h"
#include "reports/office/OfficeError.h"

using office::WordTable;
using namespace ReportFill;

namespace {

constexpr QChar kLineBreak = QChar('\v');

/// Joins texts read in the order given: a braced list is evaluated left to right, so the first
/// missing field is the one reported.
QString joined(std::initializer_list<QString> parts)
{
    QString result;
    for (const QString& part : parts)
        result += part;
    return result;
}

double numberOf(ReportRecords& records, const QString& field)
{
    return records.value(field).toDouble();
}

QString capitalOf(const QString& amount)
{
    QString text;
    if (!office::ChineseNumerals::capitalFromText(amount, &text))
        throw office::OfficeError(QStringLiteral("「%1」不是有效的數值").arg(amount));
    return text;
}

/// The totals view has no row for a document without lines: its totals are then nothing.
QString totalText(ReportRecords& totals, const QString& field)
{
    if (totals.eof())
        return QStringLiteral("0");
    const QString text = totals.text(field);
    return text.isEmpty() ? QStringLiteral("0") : text;
}

double totalNumber(ReportRecords& totals, const QString& field)
{
    return totals.eof() ? 0.0 : totals.value(field).toDouble();
}

/// The totals block below the lines, from row @p r; returns the row after it.
int writeTotals(WordTable& body, int r, bool foreign, const QString& breakdown,
                const QString& quantity, double ntAmount, const QString& amountText)
{
    body.setText(r, 1, QStringLiteral("合計冊數：") + quantity + QStringLiteral("項"));
    if (foreign) {
        body.setText(r, 2, QStringLiteral("金額：") + breakdown);
        ++r;
        body.setText(r, 2, QStringLiteral("折合台幣NT$ ") + TReportDM::FormatF2(ntAmount));
    } else {
        body.setText(r, 2, QStringLiteral("金額：NT$ ") + TReportDM::FormatF2(ntAmount));
    }
    body.setText(r, 4, capitalOf(amountText));
    return r;
}

} // namespace

QString TReportDM::DocumentTemplate(PrintKind kind, bool foreign)
{
    switch (kind) {
    case PrintKind::Quotation:
        return foreign ? QStringLiteral("Quote1F.dot") : QStringLiteral("Quote1L.dot");
    case PrintKind::CustomerOrder:
        return foreign ? QStringLiteral("OrderF.dot") : QStringLiteral("OrderL.dot");
    case PrintKind::PurchaseOrder:
        return foreign ? QStringLiteral("BuyLF.dot") : QStringLiteral("BuyL.dot");
    case PrintKind::GoodsReceipt:
        return foreign ? QStringLiteral("ImportF.dot") : QStringLiteral("ImportL.dot");
    case PrintKind::PurchaseReturn:
        return foreign ? QStringLiteral("ImpRetF.dot") : QStringLiteral("ImpRetL.dot");
    case PrintKind::Shipment:
        return foreign ? QStringLiteral("ExportF.dot") : QStringLiteral("ExportL.dot");
    case PrintKind::SalesReturn:
        return foreign ? QStringLiteral("ExpRetF.dot") : QStringLiteral("ExpRetL.dot");
    }
    return {};
}

QString TReportDM::DocumentTitle(PrintKind kind)
{
    switch (kind) {
    case PrintKind::Quotation:
        return QStringLiteral("估價單");
    case PrintKind::CustomerOrder:
        return QStringLiteral("客戶訂單");
    case PrintKind::PurchaseOrder:
        return QStringLiteral("國內採購單");
    case PrintKind::GoodsReceipt:
        return QStringLiteral("進貨單");
    case PrintKind::PurchaseReturn:
        return QStringLiteral("進貨退出單");
    case PrintKind::Shipment:
        return QStringLiteral("出貨單");
    case PrintKind::SalesReturn:
        return QStringLiteral("出貨退回單");
    }
    return {};
}

void TReportDM::WriteLines(WordTable& table, ReportRecords& lines, int firstRow, bool foreign,
                           bool fullBookText, ReportProgress* progress)
{
    int r = firstRow;
    for (lines.first(); !lines.eof(); lines.next(), ++r) {
        table.setNumber(r, 1, r - firstRow + 1);
        table.setText(r, 2, lines.text(QStringLiteral("BookNo")));
        QString book = lines.text(QStringLiteral("BookName")).trimmed();
        QString author = lines.text(QStringLiteral("Author")).trimmed();
        if (fullBookText) {
            for (const char* field : {"ISBN", "PubYear", "Edition"}) {
                const QString part = lines.text(QLatin1String(field)).trimmed();
                if (!part.isEmpty())
                    book += QLatin1Char('/') + part;
            }
            const QString publisher = lines.text(QStringLiteral("BPublisher")).trimmed();
            if (!publisher.isEmpty())
                author += QLatin1Char('/') + publisher;
        }
        table.setText(r, 3, book);
        table.setText(r, 4, author);
        if (foreign) {
            table.setText(r, 5,
                          joined({lines.text(QStringLiteral("ori_cr")), QStringLiteral("$ "),
                                  lines.text(QStringLiteral("Price"))}));
            table.setText(r, 6, lines.text(QStringLiteral("Qty")));
            table.setText(r, 7, lines.text(QStringLiteral("Disc")));
            table.setText(r, 8, lines.text(QStringLiteral("Rate")));
        } else {
            table.setText(r, 5, lines.text(QStringLiteral("NTPrice")));
            table.setText(r, 6, lines.text(QStringLiteral("Price")));
            table.setText(r, 7, lines.text(QStringLiteral("Qty")));
            table.setText(r, 8, lines.text(QStringLiteral("Disc")));
        }
        table.setText(r, 9, lines.text(QStringLiteral("UnSum")));
        stepProgress(progress);
    }
}

void TReportDM::PrintDocument(ReportRecords& header, ReportRecords& lines, PartnerSide side,
                              PrintKind kind, ReportProgress* progressBar, ReportRecords& totals,
                              ReportRecords& partner)
{
    const int lineCount = lines.recordCount();
    startProgress(progressBar, lineCount + 2);
    bool foreign = false;
    try {
        foreign = header.value(QStringLiteral("MKind")).toBool();
    } catch (const std::exception& e) {
        ShowFillError(e);
        setProgress(progressBar, 0);
        return;
    }
    if (!OpenWordTemplate(DocumentTemplate(kind, foreign))) {
        setProgress(progressBar, 0);
        return;
    }
    const int k = int(kind);
    QString title = DocumentTitle(kind) + QLatin1Char('_') + m_mainDM.LoginArea();
    try {
        ControlsDisabled held(lines);
        title += QLatin1Char('_') + header.text(QStringLiteral("PNo"));
        WordTable head = m_word->headerTable();
        WriteLetterhead(head, 1, 2, m_mainDM.AreaName(), m_mainDM.AreaAddress(), m_mainDM.AreaTel(),
                        m_mainDM.AreaFax(), m_mainDM.AreaEMail());
        if (side == PartnerSide::Customer) {
            head.setText(2, 1, QStringLiteral("客戶名稱："));
            head.setText(2, 2,
                         joined({header.text(QStringLiteral("CustNo")), QStringLiteral(" "),
                                 partner.text(QStringLiteral("CustName")),
                                 partner.text(QStringLiteral("Contact"))}));
            QString address =
                joined({partner.text(QStringLiteral("CAddress")), QString(kLineBreak),
                        QStringLiteral(" Tel:"), partner.text(QStringLiteral("CTel")),
                        QStringLiteral(" Fax:"), partner.text(QStringLiteral("CFax"))});
            if (kind == PrintKind::Quotation || kind == PrintKind::Shipment)
                address +=
                    QStringLiteral(" 統一編號：") + partner.text(QStringLiteral("Uniform_id"));
            head.setText(3, 2, address);
        } else {
            head.setText(2, 1, QStringLiteral("供應商名稱："));
            head.setText(2, 2,
                         joined({header.text(QStringLiteral("VNo")), QStringLiteral(" "),
                                 partner.text(QStringLiteral("VName")),
                                 partner.text(QStringLiteral("Contact"))}));
            head.setText(3, 2,
                         joined({partner.text(QStringLiteral("VAddress")), QString(kLineBreak),
                                 QStringLiteral("Tel:"), partner.text(QStringLiteral("VTel")),
                                 QStringLiteral(" Fax:"), partner.text(QStringLiteral("VFax"))}));
        }
        head.setText(3, 4, header.text(QStringLiteral("PNo")));
        if (k <= 5) {
            if (kind == PrintKind::GoodsReceipt)
                head.setText(4, 2,
                             joined({QStringLiteral("採:"), header.text(QStringLiteral("SOrdNo")),
                                     QStringLiteral("  "), header.text(QStringLiteral("Remark"))}));
            else
                head.setText(4, 2, header.text(QStringLiteral("Remark")));
            head.setText(4, 4, header.text(QStringLiteral("EDate")));
        } else {
            head.setText(4, 4, header.text(QStringLiteral("EDate")));
            head.setText(5, 2, header.text(QStringLiteral("Remark")));
        }
        setProgress(progressBar, 2);

        WordTable body = m_word->table(1);
        lines.first();
        body.expandTwoRows(2, lineCount);
        WriteLines(body, lines, 2, foreign, true, progressBar);
        int r = 2 + lineCount;
        if (kind == PrintKind::Quotation || kind == PrintKind::Shipment) {
            body.setText(r, 1,
                         QStringLiteral("運費：") +
                             FormatF2(numberOf(header, QStringLiteral("FCharge"))));
            body.setText(r, 2,
                         QStringLiteral("雜項：") +
                             FormatF2(numberOf(header, QStringLiteral("Sundries"))));
            ++r;
        }
        const QString breakdown = foreign ? CurrencyBreakdown(lines, true) : QString();
        r = writeTotals(body, r, foreign, breakdown, totalText(totals, QStringLiteral("SumQty")),
                        totalNumber(totals, QStringLiteral("SumPrice")),
                        totalText(totals, QStringLiteral("SumPrice")));
        if (kind == PrintKind::Shipment) {
            body.setText(r + 1, 3, header.text(QStringLiteral("invDate")));
            body.setText(r + 1, 5, header.text(QStringLiteral("invoice")));
            body.setText(r + 2, 2, m_mainDM.LoginName());
        } else {
            body.setText(r + 1, 2, m_mainDM.LoginName());
        }
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(title);
}

void TReportDM::PrintBranchShipment(const QString& customerNo, const QString& shipmentNo,
                                    ReportProgress* progressBar, const QString& name,
                                    const QString& address, const QString& tel, const QString& fax,
                                    const QString& eMail)
{
    // The branch's own rows, read with bound values: the number comes from a remark text.
    QSqlDatabase db = m_mainDM.MainADOCon.database();
    bool numberOk = false;
    const qlonglong number = shipmentNo.trimmed().toLongLong(&numberOk);
    RecordTable shipment;
    if (numberOk) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("Select * from ExportM where SArea=? and PNo=?"));
        query.addBindValue(customerNo);
        query.addBindValue(number);
        if (!query.exec()) {
            TDialogs::error(query.lastError().text());
            return;
        }
        shipment = RecordTable::fromQuery(query);
    }
    if (shipment.recordCount() == 0) {
        TDialogs::information(QStringLiteral("查無此分公司資料"));
        return;
    }
    shipment.first();
    const bool foreign = shipment.value(QStringLiteral("MKind")).toBool();
    if (!OpenWordTemplate(foreign ? QStringLiteral("ExportF.dot") : QStringLiteral("ExportL.dot")))
        return;
    const QString title =
        QStringLiteral("分公司出貨單_") + customerNo + QLatin1Char('_') + QString::number(number);
    try {
        WordTable head = m_word->headerTable();
        WriteLetterhead(head, 1, 2, name, address, tel, fax, eMail);
        head.setText(3, 4, shipment.text(QStringLiteral("PNo")));
        head.setText(4, 4, shipment.text(QStringLiteral("EDate")));
        head.setText(5, 2, shipment.text(QStringLiteral("Remark")));
        const double freight = shipment.value(QStringLiteral("FCharge")).toDouble();
        const double sundries = shipment.value(QStringLiteral("Sundries")).toDouble();
        const QString invDate = shipment.text(QStringLiteral("invDate"));
        const QString invoice = shipment.text(QStringLiteral("invoice"));

        QSqlQuery query(db);
        query.prepare(QStringLiteral(
            "Select CustNo,CustName,Contact,CAddress,CTel,CFax from Customer where CustNo=?"));
        query.addBindValue(shipment.value(QStringLiteral("CustNo")));
        if (!query.exec())
            throw office::OfficeError(query.lastError().text());
        RecordTable customer = RecordTable::fromQuery(query);
        customer.first();
        head.setText(2, 1, QStringLiteral("客戶名稱："));
        head.setText(2, 2,
                     joined({shipment.text(QStringLiteral("CustNo")), QStringLiteral(" "),
                             customer.text(QStringLiteral("CustName")),
                             customer.text(QStringLiteral("Contact"))}));
        head.setText(3, 2,
                     joined({customer.text(QStringLiteral("CAddress")), QString(kLineBreak),
                             QStringLiteral(" Tel:"), customer.text(QStringLiteral("CTel")),
                             QStringLiteral(" Fax:"), customer.text(QStringLiteral("CFax"))}));
        setProgress(progressBar, 2);

        // BookCols is built by the program from a validated branch code, never from input.
        query.prepare(QStringLiteral("Select ExpDetail.*,") + m_mainDM.BookCols() +
                      QStringLiteral(
                          " FROM ExpDetail left join Book on (ExpDetail.BookNo=Book.BookNo)"
                          " where ExpDetail.SArea=? and ExpDetail.PNO=? order by ExpDetail.ETime"));
        query.addBindValue(customerNo);
        query.addBindValue(number);
        if (!query.exec())
            throw office::OfficeError(query.lastError().text());
        RecordTable lines = RecordTable::fromQuery(query);
        startProgress(progressBar, lines.recordCount() + 2);
        setProgress(progressBar, 2);
        WordTable body = m_word->table(1);
        body.expandTwoRows(2, lines.recordCount());
        WriteLines(body, lines, 2, foreign, true, progressBar);
        int r = 2 + lines.recordCount();
        body.setText(r, 1, QStringLiteral("運費：") + FormatF2(freight));
        body.setText(r, 2, QStringLiteral("雜項：") + FormatF2(sundries));
        ++r;
        const QString breakdown = foreign ? CurrencyBreakdown(lines, true) : QString();
        query.prepare(QStringLiteral("Select * from SumExpDetail where SArea=? and PNO=?"));
        query.addBindValue(customerNo);
        query.addBindValue(number);
        if (!query.exec())
            throw office::OfficeError(query.lastError().text());
        RecordTable totals = RecordTable::fromQuery(query);
        totals.first();
        r = writeTotals(body, r, foreign, breakdown, totalText(totals, QStringLiteral("SumQty")),
                        totalNumber(totals, QStringLiteral("SumPrice")),
                        totalText(totals, QStringLiteral("SumPrice")));
        body.setText(r + 1, 3, invDate);
        body.setText(r + 1, 5, invoice);
        body.setText(r + 2, 2, m_mainDM.LoginName());
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(title);
}

bool TReportDM::BranchShipmentNumber(const QString& remark, QString* shipmentNo)
{
    static const QString marker = QStringLiteral("出貨單");
    const qsizetype at = remark.indexOf(marker);
    if (at < 0) {
        TDialogs::information(QStringLiteral("非分公司資料，無法列印"));
        return false;
    }
    const QString number = Big5::leftBytes(remark.mid(at + marker.size()), 34).trimmed();
    bool ok = false;
    number.toLongLong(&ok);
    if (!ok) {
        TDialogs::information(QStringLiteral("出貨單編號不明，無法列印"));
        return false;
    }
    *shipmentNo = number;
    return true;
}

void TReportDM::PrintCounterReceipt(ReportRecords& lines, ReportProgress* progressBar,
                                    const QString& amountText, const QString& quantityText,
                                    const QString& saleDate, bool foreign, ReportRecords& customer)
{
    const int lineCount = lines.recordCount();
    startProgress(progressBar, lineCount);
    if (!OpenWordTemplate(foreign ? QStringLiteral("GuestF.dot") : QStringLiteral("GuestL.dot")))
        return;
    QString title = QStringLiteral("銷售單_") + m_mainDM.LoginArea();
    try {
        ControlsDisabled held(lines);
        WordTable body = m_word->table(1);
        WriteLetterhead(body, 1, 2, m_mainDM.AreaName(), m_mainDM.AreaAddress(), m_mainDM.AreaTel(),
                        m_mainDM.AreaFax(), m_mainDM.AreaEMail());
        body.setText(2, 2,
                     joined({customer.text(QStringLiteral("CustNo")), QStringLiteral(" "),
                             customer.text(QStringLiteral("CustName")),
                             customer.text(QStringLiteral("Contact"))}));
        body.setText(2, 4, saleDate);
        body.expandTwoRows(4, lineCount);
        WriteLines(body, lines, 4, foreign, false, progressBar);
        const int r = 4 + lineCount;
        const QString breakdown = foreign ? CurrencyBreakdown(lines, false) : QString();
        QString plain = amountText.trimmed();
        plain.remove(QLatin1Char(','));
        bool ok = false;
        const double amount = plain.toDouble(&ok);
        if (!ok)
            throw office::OfficeError(QStringLiteral("「%1」不是有效的數值").arg(amountText));
        writeTotals(body, r, foreign, breakdown, quantityText, amount, amountText);
    } catch (const std::exception& e) {
        ShowFillError(e);
    }
    setProgress(progressBar, 0);
    FinishWord(title);
}

void TReportDM::PrintDocument(TDataSet& header, TDataSet& lines, PartnerSide side, PrintKind kind,
                              ReportProgress* progressBar, TDataSet& totals)
{
    DataSetRecords headerRecords(header);
    DataSetRecords lineRecords(lines);
    DataSetRecords totalRecords(totals);
    DataSetRecords partnerRecords(side == PartnerSide::Customer ? m_mainDM.CustDS : m_mainDM.VenDS);
    PrintDocument(headerRecords, lineRecords, side, kind, progressBar, totalRecords,
                  partnerRecords);
}

void TReportDM::PrintCounterReceipt(TDataSet& lines, ReportProgress* progressBar,
                                    const QString& amountText, const QString& quantityText,
                                    const QString& saleDate, bool foreign)
{
    DataSetRecords lineRecords(lines);
    DataSetRecords customerRecords(m_mainDM.CustDS);
    PrintCounterReceipt(lineRecords, progressBar, amountText, quantityText, saleDate, foreign,
                        customerRecords);
}
