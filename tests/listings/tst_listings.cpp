#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "data/procedures/BookDetail.h"
#include "data/procedures/CustomerDetail.h"
#include "reports/RecordTable.h"
#include "reports/TReportDM.h"
#include "reports/office/WordDocument.h"
#include "tests/reports/ReportFakes.h"
#include "tests/support/DemoEnv.h"
#include "tests/support/MessageRecorder.h"

using office::WordDocument;
using office::WordTable;

namespace {

UserAccount clerk()
{
    UserAccount a;
    a.code = "U01";
    a.name = "王小明";
    a.area = "C1";
    a.areaName = "禾嶼台中分公司";
    return a;
}

/// @p count rows of the given columns; cell (i, c) holds "<column>-<i>".
RecordTable rowsOf(const QStringList& columns, int count)
{
    RecordTable table(columns, {});
    for (int i = 1; i <= count; ++i) {
        QVariantList row;
        for (const QString& column : columns)
            row.append(column + QLatin1Char('-') + QString::number(i));
        table.append(row);
    }
    return table;
}

/// A history row as the procedures return it: twelve columns, the document number first.
const QStringList kCustomerHistory = {"估價單號", "日期", "書籍編號", "書名",
                                      "售價",     "數量", "折扣",     "幣別",
                                      "匯率",     "小計", "台幣價格", "公司編號"};

} // namespace

class TestListings : public QObject, protected ReportFixture
{
    Q_OBJECT

private slots:
    void init();
    void masterList_data();
    void masterList();
    void masterListRowCount_data();
    void masterListRowCount();
    void masterListMissingField();
    void masterListFromDataSet();
    void detailReport_data();
    void detailReport();
    void detailReportTooFewFields();
    void detailReportFromDataSet();
    void detailReportOfDemoHistory_data() { TestDb::addBackendRows(); }
    void detailReportOfDemoHistory();
    void detailReportOfAdjustments_data() { TestDb::addBackendRows(); }
    void detailReportOfAdjustments();
    void outstandingList_data();
    void outstandingList();
    void stockAdjustment();
    void missingTemplate();

private:
    WordTable lastBody() { return openLast()->table(1); }
};

void TestListings::init()
{
    startReports(clerk());
}

void TestListings::masterList_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("firstTitle");
    QTest::newRow("customers") << 0 << QStringList{"CustNo", "CustName", "Contact", "CTel",
                                                   "CFax",   "CAddress", "Remark"}
                               << "客戶編號";
    QTest::newRow("books") << 1
                           << QStringList{"BookNo",  "BookName", "Author", "BPublisher", "PubYear",
                                          "Edition", "ClsNo",    "ISBN",   "BShort",     "ORI_CR",
                                          "NTPrice", "FPrice",   "In_Date"}
                           << "書籍編號";
    QTest::newRow("suppliers") << 2 << QStringList{"VNo",  "VName",    "Contact", "VTel",
                                                   "VFax", "VAddress", "Remark"}
                               << "供應商編號";
    QTest::newRow("shipping_agents")
        << 3 << QStringList{"FNo", "FName", "Contact", "FTel", "FFax", "FAddress", "Remark"}
        << "船務商編號";
    QTest::newRow("subject_classes") << 4 << QStringList{"ClsNo", "ClsCNm", "ClsENm"} << "科目編號";
}

void TestListings::masterList()
{
    QFETCH(int, kind);
    QFETCH(QStringList, columns);
    QFETCH(QString, firstTitle);
    // Extra columns the listing does not print come first, so a position mix-up shows.
    RecordTable records = rowsOf(QStringList{"WDate", "SArea"} + columns, 3);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintMasterList(records, &progress, kind);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(m_desktop.opened.size(), 1);
    QCOMPARE(progress.maximum, 3);
    QVERIFY(progress.positions.contains(3));
    QCOMPARE(progress.positions.last(), 0);

    WordTable body = lastBody();
    QCOMPARE(body.rowCount(), 4);
    QCOMPARE(body.cellCount(2), columns.size());
    QCOMPARE(body.text(1, 1), firstTitle);
    for (int r = 2; r <= 4; ++r) {
        for (qsizetype c = 0; c < columns.size(); ++c)
            QCOMPARE(body.text(r, int(c) + 1),
                     columns.at(c) + QLatin1Char('-') + QString::number(r - 1));
    }
}

void TestListings::masterListRowCount_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("empty_keeps_template_line_row") << 0;
    QTest::newRow("one_inserts_nothing") << 1;
    QTest::newRow("forty_insert_39") << 40;
}

void TestListings::masterListRowCount()
{
    QFETCH(int, records);
    RecordTable rows = rowsOf({"ClsNo", "ClsCNm", "ClsENm"}, records);
    MessageRecorder messages;
    m_reports->PrintMasterList(rows, nullptr, 4);
    QCOMPARE(messages.texts(), QStringList());
    WordTable body = lastBody();
    QCOMPARE(body.rowCount(), 1 + qMax(records, 1));
    QCOMPARE(body.text(2, 1), records ? QStringLiteral("ClsNo-1") : QString());
    QCOMPARE(body.text(body.rowCount(), 3),
             records ? QStringLiteral("ClsENm-%1").arg(records) : QString());
}

void TestListings::masterListMissingField()
{
    // A customer list without remarks fails on the first remark; what was written stays.
    RecordTable rows = rowsOf({"CustNo", "CustName", "Contact", "CTel", "CFax", "CAddress"}, 2);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintMasterList(rows, &progress, 0);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("找不到欄位：Remark")});
    QCOMPARE(progress.positions.last(), 0);
    QCOMPARE(m_desktop.opened.size(), 1);
    WordTable body = lastBody();
    QCOMPARE(body.text(2, 6), QStringLiteral("CAddress-1"));
    QCOMPARE(body.text(2, 7), QString());
    QCOMPARE(body.text(3, 1), QString());
}

void TestListings::masterListFromDataSet()
{
    // The window's dataset: display texts, names in any letter case, controls given back and
    // the window's current row kept.
    TDataSet vendors(m_main->MainADOCon, "VendorDS");
    vendors.loadRows(
        {"vno", "vname", "contact", "vtel", "vfax", "vaddress", "remark", "wdate"},
        {{"V001", "青禾出版社", "趙先生", "04-1", "04-2", "台中市", QVariant(), QDate(2026, 1, 2)},
         {"V002", "遠山書局", "", "02-9", "", "台北市", "月結", QDate(2026, 3, 4)}});
    vendors.moveTo(1);
    MessageRecorder messages;
    m_reports->PrintMasterList(vendors, nullptr, 2);
    QCOMPARE(messages.texts(), QStringList());
    QVERIFY(!vendors.controlsDisabled());
    QCOMPARE(vendors.recNo(), 1);
    QVERIFY(QFileInfo(m_reports->LastDocument()).fileName().startsWith("供應商資料表_C1_"));
    WordTable body = lastBody();
    QCOMPARE(body.rowCount(), 3);
    QCOMPARE(body.text(2, 2), QStringLiteral("青禾出版社"));
    QCOMPARE(body.text(2, 7), QString());
    QCOMPARE(body.text(3, 1), QStringLiteral("V002"));
    QCOMPARE(body.text(3, 7), QStringLiteral("月結"));
}

void TestListings::detailReport_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("column4");
    QTest::addColumn<QString>("column12");
    QTest::newRow("company_number_last_field") << kCustomerHistory << "台幣價格"
                                               << "公司編號";
    // A result whose field 10 is the company number: field 11 goes to column 4, the company
    // number still to the last column.
    QStringList swapped = kCustomerHistory;
    swapped.swapItemsAt(10, 11);
    QTest::newRow("company_number_field_10") << swapped << "台幣價格"
                                             << "公司編號";
    QStringList other = kCustomerHistory;
    other[11] = "分公司";
    QTest::newRow("no_company_number") << other << "分公司"
                                       << "台幣價格";
}

void TestListings::detailReport()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, column4);
    QFETCH(QString, column12);
    RecordTable history = rowsOf(fields, 2);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintDetailReport(history, fields, &progress);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, 2);
    QCOMPARE(progress.positions.last(), 0);
    QVERIFY(progress.positions.contains(2));

    WordTable body = lastBody();
    QCOMPARE(body.rowCount(), 3);
    QCOMPARE(body.text(1, 1), fields.at(0));
    QCOMPARE(body.text(1, 3), fields.at(1));
    QCOMPARE(body.text(1, 4), column4);
    for (int r = 2; r <= 3; ++r) {
        const QString n = QStringLiteral("-%1").arg(r - 1);
        QCOMPARE(body.text(r, 1), fields.at(0) + n);
        QCOMPARE(body.text(r, 2), fields.at(9) + n);
        QCOMPARE(body.text(r, 3), fields.at(1) + n);
        QCOMPARE(body.text(r, 4), column4 + n);
        for (int f = 2; f <= 8; ++f)
            QCOMPARE(body.text(r, f + 3), fields.at(f) + n);
        QCOMPARE(body.text(r, 12), column12 + n);
    }
}

void TestListings::detailReportTooFewFields()
{
    // Eleven columns: the heading row fails where it looks for the twelfth.
    const QStringList fields = kCustomerHistory.mid(0, 11);
    RecordTable history = rowsOf(fields, 3);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintDetailReport(history, fields, &progress);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("找不到第12個欄位")});
    QCOMPARE(progress.positions.last(), 0);
    QCOMPARE(m_desktop.opened.size(), 1);
    WordTable body = lastBody();
    QCOMPARE(body.text(1, 1), QStringLiteral("估價單號"));
    QCOMPARE(body.rowCount(), 2);
    QCOMPARE(body.text(2, 1), QString());
}

void TestListings::detailReportFromDataSet()
{
    // The history dataset's columns are taken by position, with their display texts.
    TDataSet history(m_main->MainADOCon, "TranDetailDS");
    history.loadRows(kCustomerHistory, {{1201, QDate(2026, 11, 3), "HY0001", "島嶼的風", 320.0, 2,
                                         0.8, "NT", 1.0, 512.0, 512.0, "C1"}});
    MessageRecorder messages;
    m_reports->PrintDetailReport(history, nullptr);
    QCOMPARE(messages.texts(), QStringList());
    QVERIFY(!history.controlsDisabled());
    WordTable body = lastBody();
    QCOMPARE(body.rowCount(), 2);
    QCOMPARE(body.text(2, 1), history.field(0).displayText());
    QCOMPARE(body.text(2, 3), history.field(1).displayText());
    QCOMPARE(body.text(2, 6), QStringLiteral("島嶼的風"));
    QCOMPARE(body.text(2, 12), QStringLiteral("C1"));
}

void TestListings::detailReportOfDemoHistory()
{
    // A customer's history as the procedure returns it on each backend, loaded as the window
    // loads it: the company number is found by its column name and goes last.
    QFETCH(Backend, backend);
    DemoEnv env(backend);
    const Procedures::DetailResult r = Procedures::CustomerDetail(
        env.dm->MainADOCon, 5, QDate(2026, 10, 1), QDate(2026, 10, 31), "A0002", "C0");
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QVERIFY(r.lines.size() > 0);
    QStringList columns = r.lines.columns;
    columns[0] = QStringLiteral("單據編號");
    TDataSet history(env.dm->MainADOCon, "TranDetailDS");
    QVERIFY(history.loadRows(columns, r.lines.rows));
    TReportDM reports(*env.dm, m_desktop);
    reports.SetOutputFolder(m_out.path());
    MessageRecorder messages;
    reports.PrintDetailReport(history, nullptr);
    QCOMPARE(messages.texts(), QStringList());
    WordDocument doc;
    QString error;
    QVERIFY2(doc.open(reports.LastDocument(), &error), qPrintable(error));
    WordTable body = doc.table(1);
    QCOMPARE(body.rowCount(), 1 + r.lines.size());
    QCOMPARE(body.text(1, 1), QStringLiteral("單據編號"));
    QCOMPARE(body.text(1, 3), QStringLiteral("日期"));
    QCOMPARE(body.text(1, 4), QStringLiteral("台幣價格"));
    for (int i = 0; i < r.lines.size(); ++i) {
        QCOMPARE(body.text(2 + i, 1), r.lines.rows.at(i).at(0).toString());
        QCOMPARE(body.text(2 + i, 5), r.lines.rows.at(i).at(2).toString());
        QCOMPARE(body.text(2 + i, 12), QStringLiteral("C0"));
    }
}

void TestListings::detailReportOfAdjustments()
{
    // A book's stock adjustments print like every other history: no price, but every place there.
    QFETCH(Backend, backend);
    DemoEnv env(backend);
    const Procedures::DetailResult r = Procedures::BookDetail(
        env.dm->MainADOCon, 6, QDate(2026, 11, 1), QDate(2026, 11, 30), "HY0002", "C0");
    QVERIFY2(r.ok(), qPrintable(r.error.text));
    QCOMPARE(r.lines.size(), 1);
    TDataSet history(env.dm->MainADOCon, "TranDetailDS");
    QVERIFY(history.loadRows(r.lines.columns, r.lines.rows));
    TReportDM reports(*env.dm, m_desktop);
    reports.SetOutputFolder(m_out.path());
    MessageRecorder messages;
    reports.PrintDetailReport(history, nullptr);
    QCOMPARE(messages.texts(), QStringList());
    WordDocument doc;
    QString error;
    QVERIFY2(doc.open(reports.LastDocument(), &error), qPrintable(error));
    WordTable body = doc.table(1);
    QCOMPARE(body.rowCount(), 2);
    QCOMPARE(body.text(1, 1), QStringLiteral("調整單號"));
    QCOMPARE(body.text(2, 1), r.lines.rows.at(0).at(0).toString());
    QCOMPARE(body.text(2, 12), QStringLiteral("C0"));
}

void TestListings::outstandingList_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("records");
    QTest::addColumn<QStringList>("columns");
    const QStringList purchases = {"PNo",  "BookNo", "BookName", "Author",
                                   "ISBN", "SumQty", "SurQty",   "EDate"};
    const QStringList orders = {"PNo", "CustNo", "CustName", "BookNo", "SumQty", "SurQty", "EDate"};
    QTest::newRow("purchases_3") << 1 << 3 << purchases;
    QTest::newRow("orders_3") << 2 << 3 << orders;
    QTest::newRow("orders_1") << 2 << 1 << orders;
    QTest::newRow("orders_none_clerk_in_line_row") << 2 << 0 << orders;
}

void TestListings::outstandingList()
{
    QFETCH(int, kind);
    QFETCH(int, records);
    QFETCH(QStringList, columns);
    RecordTable rows = rowsOf(columns, records);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintOutstandingList(rows, &progress, "2026/12/31", "2026/10/01", kind);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, records);
    QCOMPARE(progress.positions.last(), 0);

    WordTable body = lastBody();
    QCOMPARE(body.text(1, 2), QStringLiteral("起迄日期：2026/10/01\n      至：2026/12/31"));
    QCOMPARE(body.text(1, 1),
             kind == 1 ? QStringLiteral("未進貨明細表") : QStringLiteral("未出貨明細表"));
    QCOMPARE(body.cellCount(2), columns.size());
    for (int i = 1; i <= records; ++i) {
        for (qsizetype c = 0; c < columns.size(); ++c)
            QCOMPARE(body.text(2 + i, int(c) + 1),
                     columns.at(c) + QLatin1Char('-') + QString::number(i));
    }
    // The clerk who printed, in the row after the last line.
    QCOMPARE(body.text(3 + records, 2), QStringLiteral("王小明"));
    QCOMPARE(body.rowCount(), 3 + qMax(records, 1));
}

void TestListings::stockAdjustment()
{
    const QStringList columns = {"BookNo", "Qty", "EDate", "UsCode", "UsName", "BRReason"};
    RecordTable rows = rowsOf(QStringList{"SArea"} + columns, 2);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintStockAdjustment(rows, &progress);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, 3);
    QVERIFY(progress.positions.contains(3));
    QCOMPARE(progress.positions.last(), 0);
    WordTable body = lastBody();
    QCOMPARE(body.rowCount(), 3);
    for (int r = 2; r <= 3; ++r) {
        for (qsizetype c = 0; c < columns.size(); ++c)
            QCOMPARE(body.text(r, int(c) + 1),
                     columns.at(c) + QLatin1Char('-') + QString::number(r - 1));
    }
}

void TestListings::missingTemplate()
{
    // A branch that removed its listing form: told once, nothing created, progress reset.
    m_reports->SetTemplateFolders({m_out.filePath("nothing-here")});
    RecordTable rows = rowsOf({"ClsNo", "ClsCNm", "ClsENm"}, 2);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintMasterList(rows, &progress, 4);
    m_reports->PrintStockAdjustment(rows, &progress);
    QCOMPARE(messages.texts(), QStringList(2, QStringLiteral("請檢查Word範本檔是否錯誤")));
    QCOMPARE(progress.positions.last(), 0);
    QVERIFY(m_desktop.opened.isEmpty());
}

QTEST_GUILESS_MAIN(TestListings)
#include "tst_listings.moc"
