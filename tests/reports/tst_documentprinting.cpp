#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "reports/RecordTable.h"
#include "reports/TReportDM.h"
#include "reports/office/WordDocument.h"
#include "tests/reports/ReportFakes.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"

using office::WordDocument;
using office::WordTable;

namespace {

const QStringList kLineColumns = {"BookNo", "BookName",   "ISBN",    "PubYear", "Edition",
                                  "Author", "BPublisher", "NTPrice", "Price",   "Qty",
                                  "Disc",   "Rate",       "UnSum",   "ori_cr"};

QVariantList line(const QString& bookNo, const QString& name, const QString& isbn,
                  const QString& author, const QString& publisher, double price, int qty,
                  double unSum, const QString& currency)
{
    return {bookNo,
            name,
            isbn,
            isbn.isEmpty() ? QVariant() : QVariant(2023),
            isbn.isEmpty() ? "" : "2",
            author,
            publisher,
            480.0,
            price,
            qty,
            0.8,
            currency == "NT" ? 1.0 : 32.5,
            unSum,
            currency};
}

/// Three lines in two currencies; the second has no ISBN, year or edition.
RecordTable threeLines()
{
    return RecordTable(
        kLineColumns,
        {line("HY0001", " 島嶼的風 ", "9789860000011", "林清遠", "禾嶼圖書", 12.0, 2, 24.0, "US"),
         line("QH0101", "唐宋詩詞選讀", "", "陳雅文 ", "", 500.0, 2, 1000.0, "PD"),
         line("HY0002", "海岸地理圖鑑", "9789860000028", "許文彬", "禾嶼圖書", 12.0, 1, 12.0,
              "US")});
}

RecordTable linesOf(int count)
{
    RecordTable lines(kLineColumns, {});
    for (int i = 1; i <= count; ++i)
        lines.append(line(QStringLiteral("B%1").arg(i, 4, 10, QLatin1Char('0')),
                          QStringLiteral("書%1").arg(i), "978", "作者", "出版社", 100.0, 1, 80.0,
                          "NT"));
    return lines;
}

RecordTable header(bool foreign)
{
    return RecordTable({"SArea", "PNo", "CustNo", "VNo", "EDate", "MKind", "Remark", "SOrdNo",
                        "FCharge", "Sundries", "invDate", "invoice"},
                       {{"C0", 123, "A0002", "V001", QDate(2026, 12, 11), foreign ? 1 : 0, "急件",
                         88, 150.0, 1234.5, QDate(2026, 12, 12), "AB12345678"}});
}

RecordTable totals()
{
    return RecordTable({"SArea", "PNo", "SumQty", "SumPrice"}, {{"C0", 123, 5, 34710.0}});
}

RecordTable customer()
{
    return RecordTable({"CustNo", "CustName", "Contact", "CAddress", "CTel", "CFax", "Uniform_id"},
                       {{"A0002", "晨光書店", "周老闆", "台北市羅斯福路三段283號", "02-23621234",
                         "02-23621235", "12345678"}});
}

RecordTable supplier()
{
    return RecordTable({"VNo", "VName", "Contact", "VAddress", "VTel", "VFax"},
                       {{"V001", "青禾出版社", "趙先生", "台中市西區", "04-1", "04-2"}});
}

UserAccount clerk()
{
    UserAccount a;
    a.code = "U01";
    a.name = "王小明";
    a.area = "C0";
    a.priv = "0000000000000000";
    a.areaName = "禾嶼圖書出版社";
    a.areaAddress = "台北市中正區";
    a.areaTel = "02-1111";
    a.areaFax = "02-2222";
    a.areaEMail = "hq@heyu.example.tw";
    return a;
}

const QString kLetterheadTail =
    "\n台北市中正區\nTel: 02-1111\nFax: 02-2222\nE-mail: hq@heyu.example.tw";

} // namespace

class TestDocumentPrinting : public QObject, protected ReportFixture
{
    Q_OBJECT

private slots:
    void init();
    void printDocument_data();
    void printDocument();
    void lineCountPlacesTotals_data();
    void lineCountPlacesTotals();
    void printFromDataSets();
    void missingFieldShowsErrorAndKeepsDocument();
    void templateLackingCell();
    void counterReceipt_data();
    void counterReceipt();
    void counterReceiptAmountNotANumber();
    void branchShipmentNumber_data();
    void branchShipmentNumber();
    void branchShipment_data();
    void branchShipment();

};

void TestDocumentPrinting::init()
{
    startReports(clerk());
}

void TestDocumentPrinting::printDocument_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("foreign");
    QTest::addColumn<QString>("title");
    const QList<QPair<int, QString>> kinds = {{1, "估價單"},    {2, "客戶訂單"},   {3, "採購單"},
                                              {4, "進貨單"},    {5, "進貨退出單"}, {6, "出貨單"},
                                              {7, "出貨退回單"}};
    for (const auto& [kind, title] : kinds) {
        QTest::addRow("kind%d_nt", kind) << kind << false << title;
        QTest::addRow("kind%d_foreign", kind) << kind << true << title;
    }
}

void TestDocumentPrinting::printDocument()
{
    QFETCH(int, kind);
    QFETCH(bool, foreign);
    QFETCH(QString, title);
    const bool customerSide = kind == 1 || kind == 2 || kind >= 6;
    RecordTable head = header(foreign);
    RecordTable lines = threeLines();
    RecordTable sums = totals();
    RecordTable partner = customerSide ? customer() : supplier();
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintDocument(head, lines,
                             customerSide ? PartnerSide::Customer : PartnerSide::Supplier,
                             PrintKind(kind), &progress, sums, partner);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(m_desktop.opened.size(), 1);
    QVERIFY(QFileInfo(m_reports->LastDocument())
                .fileName()
                .startsWith(TReportDM::DocumentTitle(PrintKind(kind)) + "_C0_123_"));
    QCOMPARE(progress.maximum, 5);
    QVERIFY(progress.positions.contains(5));
    QCOMPARE(progress.positions.last(), 0);

    WordDocument* doc = openLast();
    WordTable top = doc->headerTable();
    QCOMPARE(top.text(1, 2), "禾嶼圖書出版社\n" + title + kLetterheadTail);
    if (customerSide) {
        QCOMPARE(top.text(2, 1), QStringLiteral("客戶名稱："));
        QCOMPARE(top.text(2, 2), QStringLiteral("A0002 晨光書店周老闆"));
        QString address =
            QStringLiteral("台北市羅斯福路三段283號\v Tel:02-23621234 Fax:02-23621235");
        if (kind == 1 || kind == 6)
            address += QStringLiteral(" 統一編號：12345678");
        QCOMPARE(top.text(3, 2), address);
    } else {
        QCOMPARE(top.text(2, 1), QStringLiteral("供應商名稱："));
        QCOMPARE(top.text(2, 2), QStringLiteral("V001 青禾出版社趙先生"));
        QCOMPARE(top.text(3, 2), QStringLiteral("台中市西區\vTel:04-1 Fax:04-2"));
    }
    QCOMPARE(top.text(3, 4), QStringLiteral("123"));
    QCOMPARE(top.text(4, 4), QStringLiteral("2026/12/11"));
    if (kind <= 5)
        QCOMPARE(top.text(4, 2),
                 kind == 4 ? QStringLiteral("採:88  急件") : QStringLiteral("急件"));
    else
        QCOMPARE(top.text(5, 2), QStringLiteral("急件"));

    WordTable body = doc->table(1);
    QCOMPARE(body.text(1, 5), foreign ? QStringLiteral("單價") : QStringLiteral("定價"));
    QCOMPARE(body.text(2, 1), QStringLiteral("1"));
    QCOMPARE(body.text(4, 1), QStringLiteral("3"));
    QCOMPARE(body.text(2, 2), QStringLiteral("HY0001"));
    QCOMPARE(body.text(2, 3), QStringLiteral("島嶼的風/9789860000011/2023/2"));
    QCOMPARE(body.text(2, 4), QStringLiteral("林清遠/禾嶼圖書"));
    QCOMPARE(body.text(3, 3), QStringLiteral("唐宋詩詞選讀")); // no slashes for empty parts
    QCOMPARE(body.text(3, 4), QStringLiteral("陳雅文"));
    if (foreign) {
        QCOMPARE(body.text(2, 5), QStringLiteral("US$ 12"));
        QCOMPARE(body.text(2, 6), QStringLiteral("2"));
        QCOMPARE(body.text(2, 8), QStringLiteral("32.50"));
    } else {
        QCOMPARE(body.text(2, 5), QStringLiteral("480"));
        QCOMPARE(body.text(2, 6), QStringLiteral("12"));
        QCOMPARE(body.text(2, 7), QStringLiteral("2"));
    }
    QCOMPARE(body.text(3, 9), QStringLiteral("1000"));

    int r = 5;
    if (kind == 1 || kind == 6) {
        QCOMPARE(body.text(r, 1), QStringLiteral("運費：150.00"));
        QCOMPARE(body.text(r, 2), QStringLiteral("雜項：1,234.50"));
        ++r;
    }
    QCOMPARE(body.text(r, 1), QStringLiteral("合計冊數：5項"));
    if (foreign) {
        // Codes ascending; only the last group has a blank after "$".
        QCOMPARE(body.text(r, 2), QStringLiteral("金額：PD$1,000.00 ; US$ 36.00 ; "));
        ++r;
        QCOMPARE(body.text(r, 2), QStringLiteral("折合台幣NT$ 34,710.00"));
    } else {
        QCOMPARE(body.text(r, 2), QStringLiteral("金額：NT$ 34,710.00"));
    }
    QCOMPARE(body.text(r, 4), QStringLiteral("參萬肆仟柒佰壹拾"));
    if (kind == 6) {
        QCOMPARE(body.text(r + 1, 3), QStringLiteral("2026/12/12"));
        QCOMPARE(body.text(r + 1, 5), QStringLiteral("AB12345678"));
        QCOMPARE(body.text(r + 2, 2), QStringLiteral("王小明"));
    } else {
        QCOMPARE(body.text(r + 1, 2), QStringLiteral("王小明"));
    }
}

void TestDocumentPrinting::lineCountPlacesTotals_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("freightRow");
    QTest::newRow("no_lines_totals_into_row_2") << 0 << 2;
    QTest::newRow("one_line") << 1 << 3;
    QTest::newRow("two_lines") << 2 << 4;
    QTest::newRow("twenty_five_lines") << 25 << 27;
}

void TestDocumentPrinting::lineCountPlacesTotals()
{
    QFETCH(int, lines);
    QFETCH(int, freightRow);
    RecordTable head = header(false);
    RecordTable rows = linesOf(lines);
    RecordTable sums = lines ? totals() : RecordTable({"SArea", "PNo", "SumQty", "SumPrice"}, {});
    RecordTable partner = customer();
    MessageRecorder messages;
    m_reports->PrintDocument(head, rows, PartnerSide::Customer, PrintKind::Shipment, nullptr, sums,
                             partner);
    QCOMPARE(messages.texts(), QStringList());
    WordTable body = openLast()->table(1);
    if (lines)
        QCOMPARE(body.text(1 + lines, 2),
                 QStringLiteral("B%1").arg(lines, 4, 10, QLatin1Char('0')));
    QCOMPARE(body.text(freightRow, 1), QStringLiteral("運費：150.00"));
    QCOMPARE(body.text(freightRow + 1, 1),
             lines ? QStringLiteral("合計冊數：5項") : QStringLiteral("合計冊數：0項"));
    QCOMPARE(body.text(freightRow + 1, 4),
             lines ? QStringLiteral("參萬肆仟柒佰壹拾") : QStringLiteral("零"));
    QCOMPARE(body.text(freightRow + 3, 2), QStringLiteral("王小明"));
}

void TestDocumentPrinting::printFromDataSets()
{
    // The windows hand over their datasets; names ignore letter case as on PostgreSQL.
    TDataSet head(m_main->MainADOCon, "OrderDS");
    head.loadRows({"sarea", "pno", "custno", "edate", "mkind", "remark"},
                  {{"C0", 55, "A0002", "2026/12/11", 0, "訂單備註"}});
    TDataSet lines(m_main->MainADOCon, "OrderDDS");
    lines.loadRows({"bookno", "bookname", "isbn", "pubyear", "edition", "author", "bpublisher",
                    "ntprice", "price", "qty", "disc", "rate", "unsum", "ori_cr"},
                   {{"HY0001", "島嶼的風", QVariant(), QVariant(), QVariant(), "林清遠", QVariant(),
                     320, 256, 3, 0.8, 1, 768, "NT"}});
    TDataSet sums(m_main->MainADOCon, "OrderTDS");
    sums.loadRows({"sumqty", "sumprice"}, {{3, 768}});
    m_main->CustDS.loadRows({"custname", "contact", "caddress", "ctel", "cfax"},
                            {{"晨光書店", "周老闆", "台北市", "02-1", "02-2"}});
    MessageRecorder messages;
    m_reports->PrintDocument(head, lines, PartnerSide::Customer, PrintKind::CustomerOrder, nullptr,
                             sums);
    QCOMPARE(messages.texts(), QStringList());
    QVERIFY(!lines.controlsDisabled());
    WordDocument* doc = openLast();
    QCOMPARE(doc->headerTable().text(2, 2), QStringLiteral("A0002 晨光書店周老闆"));
    QCOMPARE(doc->headerTable().text(4, 2), QStringLiteral("訂單備註"));
    WordTable body = doc->table(1);
    QCOMPARE(body.text(2, 3), QStringLiteral("島嶼的風"));
    QCOMPARE(body.text(2, 9), QStringLiteral("768.00"));
    QCOMPARE(body.text(3, 1), QStringLiteral("合計冊數：3項"));
    QCOMPARE(body.text(3, 4), QStringLiteral("柒佰陸拾捌"));

    // The supplier side reads the supplier lookup; a field it lacks is reported and the
    // document is kept.
    m_main->VenDS.loadRows({"vname"}, {{"青禾出版社"}});
    m_reports->PrintDocument(head, lines, PartnerSide::Supplier, PrintKind::PurchaseOrder, nullptr,
                             sums);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("找不到欄位：VNo")});
    QCOMPARE(m_desktop.opened.size(), 2);
}

void TestDocumentPrinting::missingFieldShowsErrorAndKeepsDocument()
{
    RecordTable head = header(false);
    QStringList columns = kLineColumns;
    QVariantList row = line("HY0001", "島嶼的風", "978", "林清遠", "禾嶼", 12, 1, 12, "NT");
    const qsizetype gone = columns.indexOf("BPublisher");
    columns.removeAt(gone);
    row.removeAt(gone);
    RecordTable lines(columns, {row});
    RecordTable sums = totals();
    RecordTable partner = customer();
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintDocument(head, lines, PartnerSide::Customer, PrintKind::CustomerOrder,
                             &progress, sums, partner);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("找不到欄位：BPublisher")});
    QCOMPARE(progress.positions.last(), 0);
    // Finishing still runs: what was filled is saved and shown.
    QCOMPARE(m_desktop.opened.size(), 1);
    WordDocument* doc = openLast();
    QCOMPARE(doc->headerTable().text(2, 2), QStringLiteral("A0002 晨光書店周老闆"));
    QCOMPARE(doc->table(1).text(2, 2), QStringLiteral("HY0001"));
}

void TestDocumentPrinting::templateLackingCell()
{
    // A shipment form whose page header lacks the remark row of shipments.
    QTemporaryDir templates;
    QVERIFY(QFile::copy(QDir(qEnvironmentVariable("HEYU_REPORT_DIR")).filePath("OrderL.dotx"),
                        templates.filePath("ExportL.dotx")));
    m_reports->SetTemplateFolders({templates.path()});
    RecordTable head = header(false);
    RecordTable lines = threeLines();
    RecordTable sums = totals();
    RecordTable partner = customer();
    MessageRecorder messages;
    m_reports->PrintDocument(head, lines, PartnerSide::Customer, PrintKind::Shipment, nullptr, sums,
                             partner);
    QCOMPARE(messages.messages().size(), 1);
    QVERIFY2(messages.last().contains(QStringLiteral("第5列")), qPrintable(messages.last()));
    QCOMPARE(m_desktop.opened.size(), 1);
    QCOMPARE(openLast()->headerTable().text(4, 4), QStringLiteral("2026/12/11"));
}

void TestDocumentPrinting::counterReceipt_data()
{
    QTest::addColumn<bool>("foreign");
    QTest::newRow("nt") << false;
    QTest::newRow("foreign") << true;
}

void TestDocumentPrinting::counterReceipt()
{
    QFETCH(bool, foreign);
    RecordTable lines = threeLines();
    RecordTable guest = customer();
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintCounterReceipt(lines, &progress, "1,234", "5", "2026/12/11", foreign, guest);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, 3);
    QCOMPARE(progress.positions.last(), 0);
    WordTable body = openLast()->table(1);
    QCOMPARE(body.text(1, 2), "禾嶼圖書出版社\n銷售單" + kLetterheadTail);
    QCOMPARE(body.text(2, 2), QStringLiteral("A0002 晨光書店周老闆"));
    QCOMPARE(body.text(2, 4), QStringLiteral("2026/12/11"));
    QCOMPARE(body.text(4, 1), QStringLiteral("1"));
    QCOMPARE(body.text(6, 1), QStringLiteral("3"));
    QCOMPARE(body.text(4, 3), QStringLiteral("島嶼的風")); // the counter form shows the name alone
    QCOMPARE(body.text(4, 4), QStringLiteral("林清遠"));
    QCOMPARE(body.text(4, 5), foreign ? QStringLiteral("US$ 12") : QStringLiteral("480"));
    int r = 7;
    QCOMPARE(body.text(r, 1), QStringLiteral("合計冊數：5項"));
    if (foreign) {
        QCOMPARE(body.text(r, 2), QStringLiteral("金額：PD$ 1,000.00 ; US$ 36.00 ; "));
        ++r;
        QCOMPARE(body.text(r, 2), QStringLiteral("折合台幣NT$ 1,234.00"));
    } else {
        QCOMPARE(body.text(r, 2), QStringLiteral("金額：NT$ 1,234.00"));
    }
    QCOMPARE(body.text(r, 4), QStringLiteral("壹仟貳佰參拾肆"));
    QCOMPARE(body.rowCount(), r); // no clerk row on the counter form
}

void TestDocumentPrinting::counterReceiptAmountNotANumber()
{
    RecordTable lines = threeLines();
    RecordTable guest = customer();
    MessageRecorder messages;
    m_reports->PrintCounterReceipt(lines, nullptr, "一千", "5", "2026/12/11", false, guest);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("「一千」不是有效的數值")});
    QCOMPARE(m_desktop.opened.size(), 1);
    QCOMPARE(openLast()->table(1).text(6, 2), QStringLiteral("HY0002"));
}

void TestDocumentPrinting::branchShipmentNumber_data()
{
    QTest::addColumn<QString>("remark");
    QTest::addColumn<QString>("number"); // empty: refused
    QTest::addColumn<QString>("message");
    QTest::newRow("number_after_marker") << "台中分公司出貨單 1234"
                                         << "1234"
                                         << "";
    QTest::newRow("no_blank") << "出貨單567"
                              << "567"
                              << "";
    QTest::newRow("no_marker") << "一般出貨"
                               << ""
                               << "非分公司資料，無法列印";
    QTest::newRow("text_after_number") << "出貨單 12 急件"
                                       << ""
                                       << "出貨單編號不明，無法列印";
    QTest::newRow("nothing_after_marker") << "出貨單"
                                          << ""
                                          << "出貨單編號不明，無法列印";
    // Only 34 bytes after the marker count: what follows them is not read.
    QTest::newRow("text_beyond_34_bytes") << "出貨單 88" + QString(31, ' ') + "急件"
                                          << "88"
                                          << "";
    QTest::newRow("text_within_34_bytes") << "出貨單 88" + QString(29, ' ') + "急件"
                                          << ""
                                          << "出貨單編號不明，無法列印";
}

void TestDocumentPrinting::branchShipmentNumber()
{
    QFETCH(QString, remark);
    QFETCH(QString, number);
    QFETCH(QString, message);
    MessageRecorder messages;
    QString result;
    const bool ok = TReportDM::BranchShipmentNumber(remark, &result);
    QCOMPARE(ok, !number.isEmpty());
    QCOMPARE(result, number);
    QCOMPARE(messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
}

void TestDocumentPrinting::branchShipment_data()
{
    TestDb::addBackendRows();
}

void TestDocumentPrinting::branchShipment()
{
    QFETCH(Backend, backend);
    auto db = TestDb::create(backend);
    QString error;
    QVERIFY2(db->loadDemo(&error), qPrintable(error));
    m_main->MainADOCon.configure(db->settings());
    QVERIFY(m_main->MainADOCon.open());
    QSqlQuery q(m_main->MainADOCon.database());
    VERIFY_SQL(
        q,
        q.exec(
            "INSERT INTO ExportM (SArea, PNo, CustNo, EDate, Invoice, InvDate, FCharge, Sundries,"
            " MKind, EComplete, Remark) VALUES ('C1', 9001, 'A0002', '2026-12-01 00:00:00',"
            " 'XY0001', '2026-12-02 00:00:00', 80, 0, 0, 1, '分公司備註')"));
    VERIFY_SQL(q, q.exec("INSERT INTO ExpDetail (SArea, PNo, BookNo, Price, Qty, Disc, ORI_CR, "
                         "rate, UnSum, ETime)"
                         " VALUES ('C1', 9001, 'HY0002', 680, 2, 0.5, 'NT', 1, 680, '10:00:02')"));
    VERIFY_SQL(q, q.exec("INSERT INTO ExpDetail (SArea, PNo, BookNo, Price, Qty, Disc, ORI_CR, "
                         "rate, UnSum, ETime)"
                         " VALUES ('C1', 9001, 'HY0001', 320, 1, 1, 'NT', 1, 320, '10:00:01')"));

    MessageRecorder messages;
    ProgressRecorder progress;
    m_reports->PrintBranchShipment("C1", " 9001 ", &progress, "禾嶼台中分公司", "台中市西屯區",
                                   "04-3", "04-4", "c1@heyu.example.tw");
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, 4);
    QCOMPARE(progress.positions.last(), 0);
    WordDocument* doc = openLast();
    WordTable top = doc->headerTable();
    QCOMPARE(top.text(1, 2), QStringLiteral("禾嶼台中分公司\n出貨單\n台中市西屯區\nTel: 04-3\nFax: "
                                            "04-4\nE-mail: c1@heyu.example.tw"));
    QCOMPARE(top.text(2, 2), QStringLiteral("A0002 晨光書店周老闆"));
    QCOMPARE(top.text(3, 2),
             QStringLiteral("台北市大安區羅斯福路三段283號\v Tel:02-23621234 Fax:"));
    QCOMPARE(top.text(3, 4), QStringLiteral("9001"));
    QCOMPARE(top.text(4, 4), QStringLiteral("2026/12/01"));
    QCOMPARE(top.text(5, 2), QStringLiteral("分公司備註"));
    WordTable body = doc->table(1);
    QCOMPARE(body.text(2, 2), QStringLiteral("HY0001")); // in entry-time order
    QCOMPARE(body.text(3, 2), QStringLiteral("HY0002"));
    QCOMPARE(body.text(3, 3), QStringLiteral("台灣海岸地理圖鑑/9789860000028/2022/1"));
    QCOMPARE(body.text(4, 1), QStringLiteral("運費：80.00"));
    QCOMPARE(body.text(5, 1), QStringLiteral("合計冊數：3項"));
    QCOMPARE(body.text(5, 2), QStringLiteral("金額：NT$ 1,000.00"));
    QCOMPARE(body.text(5, 4), QStringLiteral("壹仟"));
    QCOMPARE(body.text(6, 3), QStringLiteral("2026/12/02"));
    QCOMPARE(body.text(6, 5), QStringLiteral("XY0001"));
    QCOMPARE(body.text(7, 2), QStringLiteral("王小明"));

    // No such shipment, or a number that is not one: nothing is opened.
    for (const QString& number :
         {QStringLiteral("9002"), QStringLiteral("12'; drop table ExportM; --")}) {
        messages.clear();
        m_desktop.opened.clear();
        m_reports->PrintBranchShipment("C1", number, nullptr, "n", "a", "t", "f", "e");
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("查無此分公司資料")});
        QVERIFY(m_desktop.opened.isEmpty());
    }
    VERIFY_SQL(q, q.exec("SELECT COUNT(*) FROM ExportM WHERE SArea='C1' AND PNo=9001"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestDocumentPrinting)
#include "tst_documentprinting.moc"
