#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "data/TMainDM.h"
#include "reports/TReportDM.h"
#include "reports/office/ChineseNumerals.h"
#include "reports/office/ExcelWorkbook.h"
#include "reports/office/OfficeError.h"
#include "reports/office/WordDocument.h"
#include "tests/reports/ReportFakes.h"
#include "tests/support/MessageRecorder.h"

using namespace office;

namespace {

QString reportTemplate(const QString& name)
{
    return QDir(qEnvironmentVariable("HEYU_REPORT_DIR")).filePath(name);
}

QString fixture(const QString& name)
{
    return QDir(QStringLiteral(HEYU_REPORT_FIXTURES)).filePath(name);
}

// The body table of the shipment form: title row, prepared line rows 2 and 3, then the freight
// row, two total rows, the invoice row and the clerk row.
constexpr int kFreightRow = 4;

} // namespace

class TestOfficeEngine : public QObject
{
    Q_OBJECT

private slots:
    void capitalNumerals_data();
    void capitalNumerals();
    void capitalFromText_data();
    void capitalFromText();

    void twoRowExpansion_data();
    void twoRowExpansion();
    void singleRowExpansion_data();
    void singleRowExpansion();
    void rowByRowGrowthRemovesSpareRow();
    void tableDuplicationJoinsRows();
    void storyDuplication();

    void headerTableAndLetterhead();
    void cellTextSurvivesSaving();
    void missingCellThrows();
    void bookmarkText();
    void excelCells();

    void noApplication_data();
    void noApplication();
    void badTemplate_data();
    void badTemplate();
    void documentsGetFreshNames();

private:
    void openShipmentForm(WordDocument& doc)
    {
        QString error;
        QVERIFY2(doc.open(reportTemplate("ExportL.dotx"), &error), qPrintable(error));
    }
};

void TestOfficeEngine::capitalNumerals_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "零";
    QTest::newRow("ten_reads_one_ten") << qint64(10) << "壹拾";
    QTest::newRow("zero_between_digits") << qint64(105) << "壹佰零伍";
    QTest::newRow("zeros_run_into_next_group") << qint64(1000001) << "壹佰萬零壹";
    QTest::newRow("round_millions") << qint64(20000000) << "貳仟萬";
    QTest::newRow("zero_inside_each_group")
        << qint64(102030405060LL) << "壹仟零貳拾億參仟零肆拾萬伍仟零陸拾";
    QTest::newRow("empty_group_between") << qint64(100001000) << "壹億零壹仟";
    QTest::newRow("trailing_zero_of_group_silent") << qint64(101000) << "壹拾萬壹仟";
    QTest::newRow("leading_zero_of_lower_group") << qint64(10010) << "壹萬零壹拾";
    QTest::newRow("all_digits") << qint64(123456789) << "壹億貳仟參佰肆拾伍萬陸仟柒佰捌拾玖";
    QTest::newRow("negative") << qint64(-35) << "負參拾伍";
}

void TestOfficeEngine::capitalNumerals()
{
    QFETCH(qint64, value);
    QFETCH(QString, text);
    QCOMPARE(ChineseNumerals::capital(value), text);
}

void TestOfficeEngine::capitalFromText_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain_digits") << "12345" << true << "壹萬貳仟參佰肆拾伍";
    QTest::newRow("grouped_with_cents_rounds") << "12,345.60" << true << "壹萬貳仟參佰肆拾陸";
    QTest::newRow("not_a_number") << "abc" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void TestOfficeEngine::capitalFromText()
{
    QFETCH(QString, amount);
    QFETCH(bool, ok);
    QFETCH(QString, text);
    QString result;
    QCOMPARE(ChineseNumerals::capitalFromText(amount, &result), ok);
    if (ok)
        QCOMPARE(result, text);
}

void TestOfficeEngine::twoRowExpansion_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("rowDelta");
    QTest::newRow("none_keeps_both_prepared_rows") << 0 << 0;
    QTest::newRow("one_deletes_second_row") << 1 << -1;
    QTest::newRow("two_leave_table") << 2 << 0;
    QTest::newRow("three_insert_one") << 3 << 1;
    QTest::newRow("five_insert_three") << 5 << 3;
    QTest::newRow("twenty_five_insert_23") << 25 << 23;
}

void TestOfficeEngine::twoRowExpansion()
{
    QFETCH(int, records);
    QFETCH(int, rowDelta);
    WordDocument doc;
    openShipmentForm(doc);
    WordTable body = doc.table(1);
    const int before = body.rowCount();
    body.expandTwoRows(2, records);
    QCOMPARE(body.rowCount(), before + rowDelta);
    for (int k = 1; k <= records; ++k) {
        QCOMPARE(body.cellCount(k + 1), 9);
        body.setText(k + 1, 2, QStringLiteral("B%1").arg(k));
    }
    for (int k = 1; k <= records; ++k)
        QCOMPARE(body.text(k + 1, 2), QStringLiteral("B%1").arg(k));
    // The template's rows after the lines follow them; without lines, the two prepared rows stay.
    const int next = 2 + (records == 0 ? 2 : records);
    QCOMPARE(body.text(next, 1), QStringLiteral("運費："));
    if (records == 0)
        QCOMPARE(body.text(2, 2), QString());
}

void TestOfficeEngine::singleRowExpansion_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("four") << 4;
}

void TestOfficeEngine::singleRowExpansion()
{
    QFETCH(int, records);
    WordDocument doc;
    openShipmentForm(doc);
    WordTable body = doc.table(1);
    const int before = body.rowCount();
    // Row 3 as the one prepared row: lines are written from it on.
    body.setText(3, 2, QStringLiteral("template text"));
    body.expandSingleRow(3, records);
    QCOMPARE(body.rowCount(), before + qMax(records - 1, 0));
    for (int k = 2; k <= records; ++k) {
        QCOMPARE(body.cellCount(2 + k), 9);
        QCOMPARE(body.text(2 + k, 2), QString()); // inserted rows are empty
    }
    QCOMPARE(body.text(3 + qMax(records, 1), 1), QStringLiteral("運費："));
}

void TestOfficeEngine::rowByRowGrowthRemovesSpareRow()
{
    WordDocument doc;
    openShipmentForm(doc);
    WordTable body = doc.table(1);
    const int before = body.rowCount();
    const int lines = 4;
    int r = 2;
    for (int k = 1; k <= lines; ++k, ++r) {
        body.setText(r, 2, QStringLiteral("B%1").arg(k));
        body.insertRowsBelow(r + 1, 1);
    }
    body.deleteRow(r); // the spare row left at the end
    QCOMPARE(body.rowCount(), before + lines - 1);
    for (int k = 1; k <= lines; ++k)
        QCOMPARE(body.text(1 + k, 2), QStringLiteral("B%1").arg(k));
    QCOMPARE(body.text(2 + lines, 2), QString());
    QCOMPARE(body.text(3 + lines, 1), QStringLiteral("運費："));
}

void TestOfficeEngine::tableDuplicationJoinsRows()
{
    WordDocument doc;
    QString error;
    QVERIFY2(doc.open(fixture("Letter.dotx"), &error), qPrintable(error));
    WordTable table = doc.table(1);
    QCOMPARE(table.rowCount(), 2);
    // Copied while empty, as book labels copy the empty sheet row before filling it.
    const WordClip empty = doc.copyTable(table);
    table.setText(1, 2, QStringLiteral("禾嶼"));
    const WordClip filled = doc.copyTable(table);
    doc.pasteAtEnd(filled);
    doc.pasteAtEnd(empty);
    QCOMPARE(doc.tableCount(), 1);
    table = doc.table(1);
    QCOMPARE(table.rowCount(), 6);
    QCOMPARE(table.text(3, 1), QStringLiteral("寄件人"));
    QCOMPARE(table.text(3, 2), QStringLiteral("禾嶼"));
    QCOMPARE(table.text(5, 2), QString());
    // Later copies are addressed by running row numbers.
    table.setText(6, 2, QStringLiteral("第三份"));
    QCOMPARE(doc.table(1).text(6, 2), QStringLiteral("第三份"));
    QCOMPARE(doc.bookmarkText(1), QStringLiteral("（收件人）"));

    // Copies and inserted rows do not repeat the numbers Word gives rows and paragraphs.
    table.insertRowsBelow(1, 2);
    QTemporaryDir dir;
    QVERIFY2(doc.save(dir.filePath("labels.docx"), &error), qPrintable(error));
    ZipPackage zip;
    QVERIFY(zip.read(dir.filePath("labels.docx"), &error));
    const QByteArray xml = zip.part("word/document.xml");
    QCOMPARE(xml.count("0A0A0A01"), 1);
    QCOMPARE(xml.count("0B0B0B01"), 1);
    QCOMPARE(xml.count("w:bookmarkStart"), 2);
}

void TestOfficeEngine::storyDuplication()
{
    WordDocument doc;
    QString error;
    QVERIFY2(doc.open(fixture("Letter.dotx"), &error), qPrintable(error));
    doc.table(1).setText(2, 2, QStringLiteral("陳大文"));
    const WordClip story = doc.copyStory();
    doc.pasteAtEnd(story);
    doc.pasteAtEnd(story);
    // Text separates the copies of the form, so each keeps its own table.
    QCOMPARE(doc.tableCount(), 3);
    QCOMPARE(doc.table(3).text(2, 2), QStringLiteral("陳大文"));
    QCOMPARE(doc.bodyText().count(QStringLiteral("敬啟者：")), 3);
}

void TestOfficeEngine::headerTableAndLetterhead()
{
    WordDocument doc;
    openShipmentForm(doc);
    WordTable head = doc.headerTable();
    QCOMPARE(head.text(1, 2), QStringLiteral("\n出貨單\n"));
    TReportDM::WriteLetterhead(head, 1, 2, QStringLiteral("禾嶼圖書"),
                               QStringLiteral("台北市羅斯福路"), QStringLiteral("02-1"),
                               QStringLiteral("02-2"), QStringLiteral("a@b.tw"));
    QCOMPARE(
        head.text(1, 2),
        QStringLiteral("禾嶼圖書\n出貨單\n台北市羅斯福路\nTel: 02-1\nFax: 02-2\nE-mail: a@b.tw"));
    QCOMPARE(doc.table(1).text(1, 1), QStringLiteral("序"));
}

void TestOfficeEngine::cellTextSurvivesSaving()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.docx");
    {
        WordDocument doc;
        openShipmentForm(doc);
        WordTable head = doc.headerTable();
        head.insertBefore(2, 1, QStringLiteral("甲\n乙"));
        head.insertAfter(2, 1, QStringLiteral("丙\v丁"));
        WordTable body = doc.table(1);
        body.setText(2, 3, QStringLiteral("第一段\n第二段\v換行\x01<&>"));
        body.setNumber(2, 1, 17);
        QString error;
        QVERIFY2(doc.save(path, &error), qPrintable(error));
        QVERIFY2(!doc.save(path, &error), "an existing file is never replaced");
    }
    WordDocument copy;
    QString error;
    QVERIFY2(copy.open(path, &error), qPrintable(error));
    QCOMPARE(copy.headerTable().text(2, 1), QStringLiteral("甲\n乙客戶名稱：丙\v丁"));
    QCOMPARE(copy.table(1).text(2, 3), QStringLiteral("第一段\n第二段\v換行<&>"));
    QCOMPARE(copy.table(1).text(2, 1), QStringLiteral("17"));
    ZipPackage zip;
    QVERIFY(zip.read(path, &error));
    QVERIFY(zip.part("[Content_Types].xml").contains("wordprocessingml.document.main+xml"));
    QVERIFY(!zip.part("[Content_Types].xml").contains("template.main"));
}

void TestOfficeEngine::missingCellThrows()
{
    WordDocument doc;
    openShipmentForm(doc);
    WordTable body = doc.table(1);
    QVERIFY_THROWS_EXCEPTION(OfficeError, body.setText(2, 10, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(OfficeError, body.setText(99, 1, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(OfficeError, doc.table(2));
    try {
        body.setText(kFreightRow, 6, QStringLiteral("x")); // the freight row has five cells
        QFAIL("no error for a missing cell");
    } catch (const OfficeError& e) {
        QVERIFY(e.text().contains(QStringLiteral("第%1列第6欄").arg(kFreightRow)));
    }
}

void TestOfficeEngine::bookmarkText()
{
    WordDocument doc;
    QString error;
    QVERIFY2(doc.open(fixture("Letter.dotx"), &error), qPrintable(error));
    QCOMPARE(doc.bookmarkText(1), QStringLiteral("（收件人）")); // hidden bookmarks do not count
    doc.setBookmarkText(1, QStringLiteral("陳大文 先生"));
    QCOMPARE(doc.bookmarkText(1), QStringLiteral("陳大文 先生"));
    QVERIFY(doc.bodyText().contains(QStringLiteral("致 陳大文 先生 台啟")));
    QVERIFY_THROWS_EXCEPTION(OfficeError, doc.setBookmarkText(2, QStringLiteral("x")));
}

void TestOfficeEngine::excelCells()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.xlsx");
    {
        ExcelWorkbook book;
        QString error;
        QVERIFY2(book.open(fixture("Sheet.xltx"), &error), qPrintable(error));
        QCOMPARE(book.cell(1, 1).toString(), QStringLiteral("書號"));
        book.setCell(2, 1, QStringLiteral("HY0001"));
        book.setCell(2, 2, 3);
        book.setCell(3, 2, 2.5);
        book.setCell(10, 28, QStringLiteral("遠處"));
        book.setCell(1, 2, QStringLiteral("冊數")); // replaces a shared string
        QVERIFY_THROWS_EXCEPTION(OfficeError, book.setCell(0, 1, 1));
        QVERIFY2(book.save(path, &error), qPrintable(error));
    }
    ExcelWorkbook copy;
    QString error;
    QVERIFY2(copy.open(path, &error), qPrintable(error));
    QCOMPARE(copy.cell(2, 1), QVariant(QStringLiteral("HY0001")));
    QCOMPARE(copy.cell(2, 2), QVariant(3.0));
    QCOMPARE(copy.cell(3, 2), QVariant(2.5));
    QCOMPARE(copy.cell(1, 2), QVariant(QStringLiteral("冊數")));
    QCOMPARE(copy.cell(10, 28), QVariant(QStringLiteral("遠處")));
    QCOMPARE(ExcelWorkbook::reference(10, 28), QStringLiteral("AB10"));
    QVERIFY(copy.cell(5, 5).isNull());

    ZipPackage zip;
    QVERIFY(zip.read(path, &error));
    QVERIFY(zip.part("[Content_Types].xml").contains("spreadsheetml.sheet.main+xml"));
    // The calculation chain goes with its references; the formula is recalculated on opening.
    QVERIFY(!zip.contains("xl/calcChain.xml"));
    QVERIFY(!zip.part("xl/_rels/workbook.xml.rels").contains("calcChain"));
    QVERIFY(zip.part("xl/workbook.xml").contains("fullCalcOnLoad"));
    XmlPart sheet;
    QVERIFY(sheet.parse(zip.part("xl/worksheets/sheet1.xml"), &error));
    QList<int> rows;
    for (const XmlNode& row : sheet.root().child("sheetData").children("row"))
        rows.append(row.attribute("r").toInt());
    QCOMPARE(rows, (QList<int>{1, 2, 3, 4, 10}));
}

void TestOfficeEngine::noApplication_data()
{
    QTest::addColumn<bool>("word");
    QTest::newRow("word") << true;
    QTest::newRow("excel") << false;
}

void TestOfficeEngine::noApplication()
{
    QFETCH(bool, word);
    QTemporaryDir out;
    TMainDM mainDM;
    FakeDesktop desktop;
    desktop.missing = {word ? QStringLiteral("docx") : QStringLiteral("xlsx")};
    TReportDM reports(mainDM, desktop);
    reports.SetOutputFolder(out.path());
    reports.SetTemplateFolders(
        {qEnvironmentVariable("HEYU_REPORT_DIR"), QStringLiteral(HEYU_REPORT_FIXTURES)});
    MessageRecorder messages;
    const bool opened = word ? reports.OpenWordTemplate(QStringLiteral("ExportL.dot"))
                             : reports.OpenExcelTemplate(QStringLiteral("Sheet.xlt"));
    QVERIFY(!opened);
    QCOMPARE(messages.texts(), QStringList{word ? QStringLiteral("請檢查Word是否已安裝")
                                                : QStringLiteral("請檢查Excel是否已安裝")});
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QVERIFY(word ? reports.FinishWord("x").isEmpty() : reports.FinishExcel("x").isEmpty());
    QVERIFY(QDir(out.path()).isEmpty());
    QVERIFY(desktop.opened.isEmpty());
    // Retried once an application is there, the same report works.
    desktop.missing.clear();
    QVERIFY(word ? reports.OpenWordTemplate(QStringLiteral("ExportL.dot"))
                 : reports.OpenExcelTemplate(QStringLiteral("Sheet.xlt")));
}

void TestOfficeEngine::badTemplate_data()
{
    QTest::addColumn<bool>("word");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
    QTest::newRow("word_missing") << true << "Gone.dot" << QByteArray();
    QTest::newRow("word_not_a_zip") << true << "Broken.dot" << QByteArray("not a zip at all");
    QTest::newRow("word_given_a_workbook") << true << "Sheet.dot" << QByteArray("sheet");
    QTest::newRow("excel_missing") << false << "Gone.xlt" << QByteArray();
    QTest::newRow("excel_not_a_zip") << false << "Broken.xlt" << QByteArray("PK\x03\x04 truncated");
    QTest::newRow("excel_given_a_document") << false << "Letter.xlt" << QByteArray("letter");
}

void TestOfficeEngine::badTemplate()
{
    QFETCH(bool, word);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QTemporaryDir templates;
    QTemporaryDir out;
    const QString target = templates.filePath(file + 'x');
    if (content == "sheet")
        QVERIFY(QFile::copy(fixture("Sheet.xltx"), target));
    else if (content == "letter")
        QVERIFY(QFile::copy(fixture("Letter.dotx"), target));
    else if (!content.isEmpty()) {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    TMainDM mainDM;
    FakeDesktop desktop;
    TReportDM reports(mainDM, desktop);
    reports.SetTemplateFolders({templates.path()});
    reports.SetOutputFolder(out.path());
    MessageRecorder messages;
    QVERIFY(!(word ? reports.OpenWordTemplate(file) : reports.OpenExcelTemplate(file)));
    QCOMPARE(messages.texts(), QStringList{word ? QStringLiteral("請檢查Word範本檔是否錯誤")
                                                : QStringLiteral("請檢查Excel範本檔是否錯誤")});
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QVERIFY(QDir(out.path()).isEmpty());
}

void TestOfficeEngine::documentsGetFreshNames()
{
    QTemporaryDir out;
    TMainDM mainDM;
    FakeDesktop desktop;
    TReportDM reports(mainDM, desktop);
    reports.SetOutputFolder(out.filePath("not/yet/there"));
    MessageRecorder messages;
    QStringList saved;
    for (int i = 0; i < 2; ++i) {
        QVERIFY(reports.OpenWordTemplate(QStringLiteral("ExportL.dot")));
        reports.WordDocument1().table(1).setText(2, 2, QString::number(i));
        saved << reports.FinishWord(QStringLiteral("出貨單_C0/1"));
    }
    QVERIFY(messages.texts().isEmpty());
    QCOMPARE(desktop.opened, saved);
    QVERIFY(saved.at(0) != saved.at(1));
    for (int i = 0; i < 2; ++i) {
        const QFileInfo info(saved.at(i));
        QVERIFY(info.isFile());
        QCOMPARE(info.suffix(), QStringLiteral("docx"));
        QVERIFY2(info.fileName().startsWith(QStringLiteral("出貨單_C0_1_")),
                 qPrintable(info.fileName()));
        WordDocument doc;
        QString error;
        QVERIFY(doc.open(saved.at(i), &error));
        QCOMPARE(doc.table(1).text(2, 2), QString::number(i));
    }
}

QTEST_GUILESS_MAIN(TestOfficeEngine)
#include "tst_officeengine.moc"
