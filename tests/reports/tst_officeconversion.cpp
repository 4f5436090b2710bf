#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "data/TMainDM.h"
#include "reports/RecordTable.h"
#include "reports/TReportDM.h"
#include "reports/office/WordDocument.h"
#include "tests/reports/ReportFakes.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/OfficeConverter.h"

/// A real office application opens what we write: headless LibreOffice converts a filled
/// document and a filled workbook, and their text comes out.
class TestOfficeConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void documentAndWorkbookConvert();
    void templateSavedByOfficeStillFills();
    void everyFormConverts();

private:
    /// Converts @p file with a profile of its own; returns the converted file's content.
    QByteArray convert(const QString& file, const QString& filter, const QString& suffix);

    OfficeConverter m_office;
    QTemporaryDir m_dir;
};

void TestOfficeConversion::initTestCase()
{
    if (!m_office.available())
        QSKIP("libreoffice is not on PATH");
}

QByteArray TestOfficeConversion::convert(const QString& file, const QString& filter,
                                         const QString& suffix)
{
    const QString outDir = m_dir.filePath("converted");
    if (!m_office.convert({file}, filter, outDir))
        return {};
    QFile out(QDir(outDir).filePath(QFileInfo(file).completeBaseName() + '.' + suffix));
    if (!out.open(QIODevice::ReadOnly)) {
        qWarning("no converted file of %s", qPrintable(file));
        return {};
    }
    return out.readAll();
}

void TestOfficeConversion::documentAndWorkbookConvert()
{
    TMainDM mainDM;
    UserAccount clerk;
    clerk.name = "王小明";
    clerk.area = "C0";
    clerk.areaName = "禾嶼圖書出版社";
    mainDM.SetLogin(clerk);
    FakeDesktop desktop;
    TReportDM reports(mainDM, desktop);
    reports.SetOutputFolder(m_dir.filePath("documents"));
    reports.SetTemplateFolders(
        {qEnvironmentVariable("HEYU_REPORT_DIR"), QStringLiteral(HEYU_REPORT_FIXTURES)});
    MessageRecorder messages;

    RecordTable header(
        {"PNo", "CustNo", "EDate", "MKind", "Remark", "FCharge", "Sundries", "invDate", "invoice"},
        {{77, "A0002", "2026/12/11", 1, "急件", 0, 0, "", ""}});
    RecordTable lines({"BookNo", "BookName", "ISBN", "PubYear", "Edition", "Author", "BPublisher",
                       "NTPrice", "Price", "Qty", "Disc", "Rate", "UnSum", "ori_cr"},
                      {{"HY0001", "島嶼的風", "9789860000011", 2023, "", "林清遠", "禾嶼", 320,
                        12.5, 2, 1, 32.5, 25.0, "US"}});
    RecordTable totals({"SumQty", "SumPrice"}, {{2, 813}});
    RecordTable customer({"CustName", "Contact", "CAddress", "CTel", "CFax", "Uniform_id"},
                         {{"晨光書店", "周老闆", "台北市", "02-1", "02-2", ""}});
    reports.PrintDocument(header, lines, PartnerSide::Customer, PrintKind::Shipment, nullptr,
                          totals, customer);
    const QString document = reports.LastDocument();
    QVERIFY(!document.isEmpty());

    QVERIFY(reports.OpenExcelTemplate("Sheet.xlt"));
    reports.ExcelWorkbook1().setCell(2, 1, QStringLiteral("HY0001"));
    reports.ExcelWorkbook1().setCell(2, 2, 3);
    reports.ExcelWorkbook1().setCell(3, 2, 2.5);
    const QString workbook = reports.FinishExcel(QStringLiteral("估價單"));
    QVERIFY(!workbook.isEmpty());
    QCOMPARE(messages.texts(), QStringList());

    const QString text = QString::fromUtf8(convert(document, "txt:Text (encoded):UTF8", "txt"));
    QVERIFY2(text.contains(QStringLiteral("島嶼的風/9789860000011/2023")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("金額：US$ 25.00 ; ")));
    QVERIFY(text.contains(QStringLiteral("捌佰壹拾參")));

    const QString csv =
        QString::fromUtf8(convert(workbook, "csv:Text - txt - csv (StarCalc):44,34,76", "csv"));
    QVERIFY2(csv.contains(QStringLiteral("HY0001,3")), qPrintable(csv));
    // The template's total formula is recalculated over the written numbers.
    QVERIFY2(csv.contains(QStringLiteral("合計,5.5")), qPrintable(csv));
}

void TestOfficeConversion::templateSavedByOfficeStillFills()
{
    // A member of staff opens the shipment form in the office application and saves it again.
    const QString saved = m_dir.filePath("edited/ExportL.docx");
    QDir().mkpath(QFileInfo(saved).path());
    QVERIFY(
        QFile::copy(QDir(qEnvironmentVariable("HEYU_REPORT_DIR")).filePath("ExportL.dotx"), saved));
    const QByteArray rewritten = convert(saved, "docx:MS Word 2007 XML", "docx");
    QVERIFY(!rewritten.isEmpty());
    const QString overrides = m_dir.filePath("overrides");
    QDir().mkpath(overrides);
    QFile edited(QDir(overrides).filePath("ExportL.dotx"));
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write(rewritten);
    edited.close();

    TMainDM mainDM;
    UserAccount clerk;
    clerk.name = "王小明";
    clerk.area = "C0";
    mainDM.SetLogin(clerk);
    FakeDesktop desktop;
    TReportDM reports(mainDM, desktop);
    reports.SetOutputFolder(m_dir.filePath("documents"));
    reports.SetTemplateFolders({overrides});
    MessageRecorder messages;
    RecordTable header(
        {"PNo", "CustNo", "EDate", "MKind", "Remark", "FCharge", "Sundries", "invDate", "invoice"},
        {{78, "A0002", "2026/12/11", 0, "", 30, 0, "2026/12/12", "AB1"}});
    RecordTable lines(
        {"BookNo", "BookName", "ISBN", "PubYear", "Edition", "Author", "BPublisher", "NTPrice",
         "Price", "Qty", "Disc", "Rate", "UnSum", "ori_cr"},
        {{"HY0001", "島嶼的風", "", "", "", "林清遠", "", 320, 320, 1, 1, 1, 320, "NT"}});
    RecordTable totals({"SumQty", "SumPrice"}, {{1, 320}});
    RecordTable customer({"CustName", "Contact", "CAddress", "CTel", "CFax", "Uniform_id"},
                         {{"晨光書店", "周老闆", "台北市", "02-1", "02-2", ""}});
    reports.PrintDocument(header, lines, PartnerSide::Customer, PrintKind::Shipment, nullptr,
                          totals, customer);
    QCOMPARE(messages.texts(), QStringList());
    office::WordDocument doc;
    QString error;
    QVERIFY2(doc.open(reports.LastDocument(), &error), qPrintable(error));
    QCOMPARE(doc.headerTable().text(2, 2), QStringLiteral("A0002 晨光書店周老闆"));
    QCOMPARE(doc.table(1).text(2, 3), QStringLiteral("島嶼的風"));
    QCOMPARE(doc.table(1).text(3, 1), QStringLiteral("運費：30.00"));
    QCOMPARE(doc.table(1).text(4, 4), QStringLiteral("參佰貳拾"));
    QCOMPARE(doc.table(1).text(5, 5), QStringLiteral("AB1"));
    QCOMPARE(doc.table(1).text(6, 2), QStringLiteral("王小明"));
}

void TestOfficeConversion::everyFormConverts()
{
    // Every document form, in both currencies, and both counter forms, filled and converted by
    // one run of the office application.
    TMainDM mainDM;
    UserAccount clerk;
    clerk.name = "王小明";
    clerk.area = "C0";
    clerk.areaName = "禾嶼圖書出版社";
    mainDM.SetLogin(clerk);
    FakeDesktop desktop;
    TReportDM reports(mainDM, desktop);
    const QString folder = m_dir.filePath("forms");
    reports.SetOutputFolder(folder);
    MessageRecorder messages;
    RecordTable lines(
        {"BookNo", "BookName", "ISBN", "PubYear", "Edition", "Author", "BPublisher", "NTPrice",
         "Price", "Qty", "Disc", "Rate", "UnSum", "ori_cr"},
        {{"HY0001", "島嶼的風", "978986", 2023, "2", "林清遠", "禾嶼", 320, 12.5, 2, 1, 32.5, 25.0,
          "US"},
         {"HY0002", "海岸地理", "", "", "", "許文彬", "", 680, 20, 1, 1, 40, 20.0, "PD"}});
    RecordTable totals({"SumQty", "SumPrice"}, {{3, 1613}});
    RecordTable partner({"CustNo", "CustName", "VName", "Contact", "CAddress", "VAddress", "CTel",
                         "VTel", "CFax", "VFax", "Uniform_id"},
                        {{"A0002", "晨光書店", "青禾出版社", "周老闆", "台北市", "台中市", "02-1",
                          "04-1", "02-2", "04-2", "1234"}});
    QStringList documents;
    for (int kind = 1; kind <= 7; ++kind) {
        for (const bool foreign : {false, true}) {
            RecordTable header({"PNo", "CustNo", "VNo", "EDate", "MKind", "Remark", "SOrdNo",
                                "FCharge", "Sundries", "invDate", "invoice"},
                               {{kind * 10 + foreign, "A0002", "V001", "2026/12/11", foreign,
                                 "備註", 5, 10, 0, "2026/12/12", "AB1"}});
            const bool customerSide = kind == 1 || kind == 2 || kind >= 6;
            reports.PrintDocument(header, lines,
                                  customerSide ? PartnerSide::Customer : PartnerSide::Supplier,
                                  PrintKind(kind), nullptr, totals, partner);
            documents << reports.LastDocument();
        }
    }
    for (const bool foreign : {false, true}) {
        reports.PrintCounterReceipt(lines, nullptr, "1613", "3", "2026/12/11", foreign, partner);
        documents << reports.LastDocument();
    }
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(QSet<QString>(documents.begin(), documents.end()).size(), 16);

    const QString outDir = m_dir.filePath("forms-text");
    QVERIFY(m_office.convert(documents, "txt:Text (encoded):UTF8", outDir));
    for (const QString& document : documents) {
        QFile text(QDir(outDir).filePath(QFileInfo(document).completeBaseName() + ".txt"));
        QVERIFY2(text.open(QIODevice::ReadOnly), qPrintable(document));
        const QString content = QString::fromUtf8(text.readAll());
        QVERIFY2(content.contains(QStringLiteral("島嶼的風")), qPrintable(document));
        QVERIFY2(content.contains(QStringLiteral("壹仟陸佰壹拾參")), qPrintable(document));
    }
}

QTEST_GUILESS_MAIN(TestOfficeConversion)
#include "tst_officeconversion.moc"
