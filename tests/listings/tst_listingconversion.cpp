#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "data/TMainDM.h"
#include "reports/RecordTable.h"
#include "reports/TReportDM.h"
#include "tests/reports/ReportFakes.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/OfficeConverter.h"

/// A real office application opens every label and listing form we fill: headless LibreOffice
/// converts them, and what we wrote comes out.
class TestListingConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyFormConverts();
    void envelopeCopiesTakeAPageEach();

private:
    OfficeConverter m_office;
    QTemporaryDir m_dir;
};

void TestListingConversion::initTestCase()
{
    if (!m_office.available())
        QSKIP("libreoffice is not on PATH");
}

void TestListingConversion::everyFormConverts()
{
    TMainDM mainDM;
    UserAccount clerk;
    clerk.name = "王小明";
    clerk.area = "C0";
    clerk.areaName = "禾嶼圖書出版社";
    clerk.areaAddress = "台北市中正區";
    mainDM.SetLogin(clerk);
    FakeDesktop desktop;
    TReportDM reports(mainDM, desktop);
    reports.SetOutputFolder(m_dir.filePath("forms"));
    MessageRecorder messages;

    // Each document with the one text that proves its filling survived the conversion.
    QList<QPair<QString, QString>> documents;
    auto keep = [&](const QString& expected) {
        documents.append({reports.LastDocument(), expected});
    };

    const QList<QPair<int, QStringList>> listings = {
        {0, {"CustNo", "CustName", "Contact", "CTel", "CFax", "CAddress", "Remark"}},
        {1,
         {"BookNo", "BookName", "Author", "BPublisher", "PubYear", "Edition", "ClsNo", "ISBN",
          "BShort", "ORI_CR", "NTPrice", "FPrice", "In_Date"}},
        {2, {"VNo", "VName", "Contact", "VTel", "VFax", "VAddress", "Remark"}},
        {3, {"FNo", "FName", "Contact", "FTel", "FFax", "FAddress", "Remark"}},
        {4, {"ClsNo", "ClsCNm", "ClsENm"}}};
    for (const auto& [kind, columns] : listings) {
        QList<QVariantList> rows;
        for (int i = 1; i <= 3; ++i) {
            QVariantList row;
            for (const QString& column : columns)
                row.append(QStringLiteral("%1列%2").arg(column).arg(i));
            rows.append(row);
        }
        RecordTable records(columns, rows);
        reports.PrintMasterList(records, nullptr, kind);
        keep(columns.at(1) + QStringLiteral("列3"));
    }

    const QStringList historyColumns = {"估價單號", "日期", "書籍編號", "書名",
                                        "售價",     "數量", "折扣",     "幣別",
                                        "匯率",     "小計", "台幣價格", "公司編號"};
    RecordTable history(historyColumns, {{1201, "2026/11/03", "HY0001", "島嶼的風", 320, 2, 0.8,
                                          "NT", 1, 512, 512, "C0"}});
    reports.PrintDetailReport(history, historyColumns, nullptr);
    keep(QStringLiteral("島嶼的風"));

    RecordTable purchases(
        {"PNo", "BookNo", "BookName", "Author", "ISBN", "SumQty", "SurQty", "EDate"},
        {{7, "HY0002", "海岸地理圖鑑", "許文彬", "978", 5, 2, "2026/11/01"}});
    reports.PrintOutstandingList(purchases, nullptr, "2026/12/31", "2026/10/01", 1);
    keep(QStringLiteral("海岸地理圖鑑"));
    RecordTable orders({"PNo", "CustNo", "CustName", "BookNo", "SumQty", "SurQty", "EDate"},
                       {{8, "A0002", "晨光書店", "HY0002", 5, 2, "2026/11/01"}});
    reports.PrintOutstandingList(orders, nullptr, "2026/12/31", "2026/10/01", 2);
    keep(QStringLiteral("晨光書店"));

    RecordTable adjustments({"BookNo", "Qty", "EDate", "UsCode", "UsName", "BRReason"},
                            {{"HY0003", -2, "2026/11/05", "U01", "王小明", "盤點短少"}});
    reports.PrintStockAdjustment(adjustments, nullptr);
    keep(QStringLiteral("盤點短少"));

    RecordTable customers({"CustNo", "CustName", "Contact", "CAddress", "CTel"},
                          {{"A0001", "晨光書店", "周老闆", "台北市羅斯福路", "02-1"},
                           {"A0002", "遠山書局", "", "台中市西區", "04-1"},
                           {"A0003", "海風文庫", "陳小姐", "高雄市苓雅區", "07-1"}});
    reports.PrintCustomerLabels(customers, nullptr, 3, 0);
    keep(QStringLiteral("晨光書店 周老闆"));
    reports.PrintCustomerLabels(customers, nullptr, 1, 1);
    keep(QStringLiteral("海風文庫 陳小姐"));
    reports.PrintCustomerLabels(customers, nullptr, 1, 2);
    keep(QStringLiteral("編號：A0003"));

    RecordTable lines(
        {"BookNo", "BookName", "Author", "BPublisher", "VNo", "NTPrice", "FPrice", "Qty"},
        {{"HY0001", "島嶼的風", "林清遠", "禾嶼圖書", "V001", 480, 12.5, 5}});
    reports.PrintBookLabels(lines, {0}, "NT", "2026/12/11");
    keep(QStringLiteral("含稅價NT$480"));

    RecordTable header({"CustNo"}, {{"A0002"}});
    customers.first();
    reports.PrintEnvelope(header, nullptr, 1, 3, customers);
    keep(QStringLiteral("台北市羅斯福路"));

    QVERIFY2(messages.texts().isEmpty(), qPrintable(messages.texts().join('\n')));
    QStringList files;
    for (const auto& document : documents)
        files.append(document.first);
    QCOMPARE(QSet<QString>(files.begin(), files.end()).size(), 14);

    const QString outDir = m_dir.filePath("forms-text");
    QVERIFY(m_office.convert(files, "txt:Text (encoded):UTF8", outDir));
    for (const auto& [document, expected] : documents) {
        QFile text(QDir(outDir).filePath(QFileInfo(document).completeBaseName() + ".txt"));
        QVERIFY2(text.open(QIODevice::ReadOnly), qPrintable(document));
        const QString content = QString::fromUtf8(text.readAll());
        QVERIFY2(content.contains(expected), qPrintable(document + ":\n" + content));
    }
}

void TestListingConversion::envelopeCopiesTakeAPageEach()
{
    TMainDM mainDM;
    UserAccount clerk;
    clerk.area = "C0";
    clerk.areaName = "禾嶼圖書出版社";
    mainDM.SetLogin(clerk);
    FakeDesktop desktop;
    TReportDM reports(mainDM, desktop);
    reports.SetOutputFolder(m_dir.filePath("envelopes"));
    MessageRecorder messages;
    RecordTable header({"CustNo"}, {{"A0002"}});
    RecordTable customer({"CustName", "Contact", "CAddress", "CTel"},
                         {{"晨光書店", "周老闆", "台北市", "02-1"}});
    reports.PrintEnvelope(header, nullptr, 3, 0, customer);
    QCOMPARE(messages.texts(), QStringList());

    const QString outDir = m_dir.filePath("envelopes-pdf");
    QVERIFY(m_office.convert({reports.LastDocument()}, "pdf", outDir));
    QFile pdf(QDir(outDir).filePath(QFileInfo(reports.LastDocument()).completeBaseName() + ".pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QString content = QString::fromLatin1(pdf.readAll());
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    QCOMPARE(content.count(page), 3);
}

QTEST_GUILESS_MAIN(TestListingConversion)
#include "tst_listingconversion.moc"
