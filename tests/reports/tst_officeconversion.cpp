#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "data/TMainDM.h"
#include "reports/RecordTable.h"
#include "reports/TReportDM.h"
#include "tests/reports/ReportFakes.h"
#include "tests/support/MessageRecorder.h"

/// A real office application opens what we write: headless LibreOffice converts a filled
/// document and a filled workbook, and their text comes out.
class TestOfficeConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void documentAndWorkbookConvert();

private:
    /// Converts @p file with a profile of its own; returns the converted file's content.
    QByteArray convert(const QString& file, const QString& filter, const QString& suffix);

    QString m_office;
    QTemporaryDir m_dir;
};

void TestOfficeConversion::initTestCase()
{
    m_office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (m_office.isEmpty())
        QSKIP("libreoffice is not on PATH");
}

QByteArray TestOfficeConversion::convert(const QString& file, const QString& filter, const QString& suffix)
{
    const QString outDir = m_dir.filePath("converted");
    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    office.start(m_office, {"--headless", "--norestore",
                            "-env:UserInstallation=" + QUrl::fromLocalFile(m_dir.filePath("profile")).toString(),
                            "--convert-to", filter, "--outdir", outDir, file});
    if (!office.waitForFinished(180000)) {
        office.kill();
        qWarning("libreoffice did not finish");
        return {};
    }
    const QByteArray log = office.readAll();
    if (office.exitCode() != 0)
        qWarning("libreoffice: %s", log.constData());
    QFile out(QDir(outDir).filePath(QFileInfo(file).completeBaseName() + '.' + suffix));
    if (!out.open(QIODevice::ReadOnly)) {
        qWarning("no converted file; libreoffice said: %s", log.constData());
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
    reports.SetTemplateFolders({qEnvironmentVariable("HEYU_REPORT_DIR"), QStringLiteral(HEYU_REPORT_FIXTURES)});
    MessageRecorder messages;

    RecordTable header({"PNo", "CustNo", "EDate", "MKind", "Remark", "FCharge", "Sundries", "invDate", "invoice"},
                       {{77, "A0002", "2026/12/11", 1, "急件", 0, 0, "", ""}});
    RecordTable lines({"BookNo", "BookName", "ISBN", "PubYear", "Edition", "Author", "BPublisher", "NTPrice",
                       "Price", "Qty", "Disc", "Rate", "UnSum", "ori_cr"},
                      {{"HY0001", "島嶼的風", "9789860000011", 2023, "", "林清遠", "禾嶼", 320, 12.5, 2, 1, 32.5,
                        25.0, "US"}});
    RecordTable totals({"SumQty", "SumPrice"}, {{2, 813}});
    RecordTable customer({"CustName", "Contact", "CAddress", "CTel", "CFax", "Uniform_id"},
                         {{"晨光書店", "周老闆", "台北市", "02-1", "02-2", ""}});
    reports.PrintDocument(header, lines, PartnerSide::Customer, PrintKind::Shipment, nullptr, totals, customer);
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

    const QString csv = QString::fromUtf8(
        convert(workbook, "csv:Text - txt - csv (StarCalc):44,34,76", "csv"));
    QVERIFY2(csv.contains(QStringLiteral("HY0001,3")), qPrintable(csv));
    // The template's total formula is recalculated over the written numbers.
    QVERIFY2(csv.contains(QStringLiteral("合計,5.5")), qPrintable(csv));
}

QTEST_GUILESS_MAIN(TestOfficeConversion)
#include "tst_officeconversion.moc"
