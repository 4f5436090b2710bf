#include <QTemporaryDir>
#include <QtTest>

#include "data/Big5.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "reports/RecordTable.h"
#include "reports/TReportDM.h"
#include "reports/office/WordDocument.h"
#include "tests/reports/ReportFakes.h"
#include "tests/support/MessageRecorder.h"

using office::WordDocument;
using office::WordTable;

namespace {

UserAccount clerk()
{
    UserAccount a;
    a.code = "U01";
    a.name = "王小明";
    a.area = "C0";
    a.areaName = "禾嶼圖書出版社";
    a.areaAddress = "台北市中正區重慶南路一段10號";
    a.areaTel = "02-1111";
    a.areaFax = "02-2222";
    a.areaEMail = "hq@heyu.example.tw";
    return a;
}

const QString kSender = QStringLiteral("台北市中正區重慶南路一段10號\v(禾嶼圖書出版社)");

RecordTable customers(int count)
{
    RecordTable table({"CustNo", "CustName", "Contact", "CAddress"}, {});
    for (int i = 1; i <= count; ++i)
        table.append({QStringLiteral("A%1").arg(i, 4, 10, QLatin1Char('0')),
                      QStringLiteral("書店%1").arg(i), QStringLiteral("聯絡人%1").arg(i),
                      QStringLiteral("地址%1").arg(i)});
    return table;
}

const QStringList kLineColumns = {"BookNo", "BookName", "Author", "BPublisher",
                                  "VNo",    "NTPrice",  "FPrice", "Qty"};

QVariantList bookLine(const QString& bookNo, int qty, const QString& name = "島嶼的風",
                      const QString& author = "林清遠", const QString& publisher = "禾嶼圖書",
                      const QString& vNo = "V001")
{
    return {bookNo, name, author, publisher, vNo, 480, 12.5, qty};
}

} // namespace

class TestLabels : public QObject, protected ReportFixture
{
    Q_OBJECT

private slots:
    void init();
    void singleCustomerCopies_data();
    void singleCustomerCopies();
    void everyCustomer_data();
    void everyCustomer();
    void numberedLabelsLackingNumber();
    void numberedLabelsFromDataSet();
    void bookLabelsFollowSelection();
    void bookLabelTexts_data();
    void bookLabelTexts();
    void bookLabelsFromDataSet();
    void envelope_data();
    void envelope();
    void envelopeCopies();

private:
    /// Left (false) or right label of label row @p top: sender, address, name.
    static QStringList label(const WordTable& table, int top, bool right)
    {
        return {table.text(top, right ? 2 : 1), table.text(top + 1, right ? 2 : 1),
                table.text(top + 2, right ? 3 : 1)};
    }
    static QStringList expectedLabel(int customer)
    {
        return {kSender, QStringLiteral("To:\v地址%1").arg(customer),
                QStringLiteral("書店%1 聯絡人%1").arg(customer)};
    }
};

void TestLabels::init()
{
    startReports(clerk());
}

void TestLabels::singleCustomerCopies_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("labelRows");
    QTest::newRow("one_copy_left_only") << 1 << 1;
    QTest::newRow("two_copies_one_row") << 2 << 1;
    QTest::newRow("four_copies_two_rows") << 4 << 2;
    QTest::newRow("five_copies_print_six") << 5 << 3;
}

void TestLabels::singleCustomerCopies()
{
    QFETCH(int, copies);
    QFETCH(int, labelRows);
    // The window's current customer: the second row, not the first.
    RecordTable list = customers(2);
    list.first();
    list.next();
    MessageRecorder messages;
    m_reports->PrintCustomerLabels(list, nullptr, copies, 0);
    QCOMPARE(messages.texts(), QStringList());
    WordDocument* doc = openLast();
    QCOMPARE(doc->tableCount(), 1);
    WordTable table = doc->table(1);
    QCOMPARE(table.rowCount(), 3 * labelRows);
    for (int k = 0; k < labelRows; ++k) {
        QCOMPARE(label(table, 3 * k + 1, false), expectedLabel(2));
        if (copies > 1)
            QCOMPARE(label(table, 3 * k + 1, true), expectedLabel(2));
        else
            QCOMPARE(label(table, 1, true), QStringList(3, QString()));
    }
}

void TestLabels::everyCustomer_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rowsPerLabel");
    QTest::newRow("kind1_three_customers") << 1 << 3 << 3;
    QTest::newRow("kind1_one_customer") << 1 << 1 << 3;
    QTest::newRow("kind1_none_template_as_is") << 1 << 0 << 3;
    QTest::newRow("kind2_three_customers") << 2 << 3 << 6;
    QTest::newRow("kind2_four_customers") << 2 << 4 << 6;
}

void TestLabels::everyCustomer()
{
    QFETCH(int, kind);
    QFETCH(int, count);
    QFETCH(int, rowsPerLabel);
    RecordTable list = customers(count);
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintCustomerLabels(list, &progress, 1, kind);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, count);
    QCOMPARE(progress.positions.last(), 0);
    if (count)
        QVERIFY(progress.positions.contains(count));

    WordDocument* doc = openLast();
    QCOMPARE(doc->tableCount(), 1);
    WordTable table = doc->table(1);
    const int labelRows = qMax(1, (count + 1) / 2);
    QCOMPARE(table.rowCount(), rowsPerLabel * labelRows);
    for (int i = 0; i < count; ++i) {
        const int top = (i / 2) * rowsPerLabel + 1;
        const bool right = i % 2 == 1;
        QCOMPARE(label(table, top, right), expectedLabel(i + 1));
        if (kind == 2) {
            QCOMPARE(table.text(top + 4, right ? 3 : 1),
                     QStringLiteral("編號：A%1").arg(i + 1, 4, 10, QLatin1Char('0')));
            QCOMPARE(table.text(top + 4, right ? 4 : 2), QStringLiteral("姓名：書店%1").arg(i + 1));
        }
    }
    // An odd count leaves the right label of the last row as the template has it.
    if (count % 2 == 1)
        QCOMPARE(label(table, (labelRows - 1) * rowsPerLabel + 1, true), QStringList(3, QString()));
}

void TestLabels::numberedLabelsLackingNumber()
{
    // A list without customer numbers fails at the first number; the label so far stays.
    RecordTable list({"CustName", "Contact", "CAddress"},
                     {{"書店1", "聯絡人1", "地址1"}, {"書店2", "聯絡人2", "地址2"}});
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintCustomerLabels(list, &progress, 1, 2);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("找不到欄位：CustNo")});
    QCOMPARE(progress.positions.last(), 0);
    QCOMPARE(m_desktop.opened.size(), 1);
    WordTable table = openLast()->table(1);
    QCOMPARE(label(table, 1, false), expectedLabel(1));
    QCOMPARE(table.text(5, 1), QString());
    QCOMPARE(label(table, 1, true), QStringList(3, QString()));
}

void TestLabels::numberedLabelsFromDataSet()
{
    // The customer window's list: every row once, controls given back, current row kept.
    TDataSet list(m_main->MainADOCon, "CustomerDS");
    list.loadRows({"custno", "custname", "contact", "caddress", "wdate"},
                  {{"A0001", "書店1", "聯絡人1", "地址1", QDate(2026, 1, 1)},
                   {"A0002", "書店2", "聯絡人2", "地址2", QDate(2026, 1, 1)},
                   {"A0003", "書店3", "聯絡人3", "地址3", QDate(2026, 1, 1)}});
    list.moveTo(2);
    MessageRecorder messages;
    m_reports->PrintCustomerLabels(list, nullptr, 1, 2);
    QCOMPARE(messages.texts(), QStringList());
    QVERIFY(!list.controlsDisabled());
    QCOMPARE(list.recNo(), 2);
    WordTable table = openLast()->table(1);
    QCOMPARE(table.rowCount(), 12);
    QCOMPARE(label(table, 1, true), expectedLabel(2));
    QCOMPARE(table.text(11, 1), QStringLiteral("編號：A0003"));
}

void TestLabels::bookLabelsFollowSelection()
{
    // Lines 3 (quantity 2) and 1 (quantity 3) chosen in that order; line 2 is not chosen and
    // line 4 has no quantity: five labels, the fifth opening a second sheet row.
    RecordTable lines(kLineColumns,
                      {bookLine("B1", 3), bookLine("B2", 7), bookLine("B3", 2), bookLine("B4", 0)});
    MessageRecorder messages;
    m_reports->PrintBookLabels(lines, {2, 0, 3}, "NT", "2026/12/11");
    QCOMPARE(messages.texts(), QStringList());
    WordDocument* doc = openLast();
    QCOMPARE(doc->tableCount(), 1);
    WordTable table = doc->table(1);
    QCOMPARE(table.rowCount(), 8);
    const QStringList order = {"B3", "B3", "B1", "B1", "B1"};
    for (int n = 0; n < order.size(); ++n) {
        const int b = 1 + (n / 4) * 4;
        const int p = 1 + n % 4;
        QCOMPARE(table.text(b, 2 * p - 1), order.at(n));
        QCOMPARE(table.text(b, 2 * p), QStringLiteral("2026/12/11"));
    }
    QCOMPARE(table.text(5, 3), QString());
    QCOMPARE(table.text(7, 2), QString());
}

void TestLabels::bookLabelTexts_data()
{
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("author");
    QTest::addColumn<QString>("publisher");
    QTest::addColumn<QString>("vNo");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("nameText");
    QTest::addColumn<QString>("authorText");
    QTest::addColumn<QString>("publisherText");
    QTest::addColumn<QString>("vNoText");

    QTest::newRow("nt_short_texts_kept") << "NT"
                                         << " 島嶼的風 "
                                         << " 林清遠 "
                                         << "禾嶼圖書"
                                         << "V001"
                                         << "含稅價NT$480"
                                         << "島嶼的風"
                                         << "林清遠"
                                         << "禾嶼圖書"
                                         << "V001";
    // 40 Chinese characters are 80 bytes: the name keeps 38 of them (76 bytes).
    const QString longName = QString(40, QChar(0x66F8));
    QTest::newRow("us_long_texts_cut")
        << "US" << longName << "歐陽林清遠張"
        << "禾嶼圖書出版社"
        << "VENDOR01"
        << "Tax  US$12.50" << QString(38, QChar(0x66F8)) << "歐陽林清遠"
        << "禾嶼圖書出版"
        << "VENDOR";
    // A cut inside a double-byte character leaves that character out.
    QTest::newRow("cut_inside_a_character") << "HK"
                                            << "Atlas " + longName << "Li 林清遠張"
                                            << "abc禾嶼圖書出版"
                                            << "V12林清"
                                            << "Tax  HK$12.50"
                                            << "Atlas " + QString(35, QChar(0x66F8)) << "Li 林清遠"
                                            << "abc禾嶼圖書"
                                            << "V12林";
}

void TestLabels::bookLabelTexts()
{
    QFETCH(QString, currency);
    QFETCH(QString, name);
    QFETCH(QString, author);
    QFETCH(QString, publisher);
    QFETCH(QString, vNo);
    QFETCH(QString, price);
    QFETCH(QString, nameText);
    QFETCH(QString, authorText);
    QFETCH(QString, publisherText);
    QFETCH(QString, vNoText);
    RecordTable lines(kLineColumns,
                      {bookLine("B1", 1), bookLine("B2", 2, name, author, publisher, vNo)});
    MessageRecorder messages;
    m_reports->PrintBookLabels(lines, {1}, currency, "2026/12/11");
    QCOMPARE(messages.texts(), QStringList());
    WordTable table = openLast()->table(1);
    QCOMPARE(table.rowCount(), 4);
    for (int p = 1; p <= 2; ++p) {
        QCOMPARE(table.text(1, 2 * p - 1), QStringLiteral("B2"));
        QCOMPARE(table.text(2, 2 * p - 1), authorText);
        QCOMPARE(table.text(2, 2 * p), publisherText);
        QCOMPARE(table.text(3, p), nameText);
        QCOMPARE(table.text(4, 2 * p - 1), vNoText);
        QCOMPARE(table.text(4, 2 * p), price);
    }
    QVERIFY(Big5::byteLength(table.text(3, 1)) <= 76);
    QCOMPARE(table.text(3, 3), QString());
}

void TestLabels::bookLabelsFromDataSet()
{
    // The document window's line dataset: its current line stays, controls are given back; a
    // line dataset without supplier numbers fails at the first and keeps what was written.
    TDataSet lines(m_main->MainADOCon, "QuoteDDS");
    lines.loadRows({"bookno", "bookname", "author", "bpublisher", "ntprice", "fprice", "qty"},
                   {{"B1", "島嶼的風", "林清遠", "禾嶼", 480, 12.5, 1},
                    {"B2", "海岸地理", "許文彬", "禾嶼", 680, 20, 1}});
    lines.moveTo(1);
    MessageRecorder messages;
    m_reports->PrintBookLabels(lines, {1}, "NT", "2026/12/11");
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("找不到欄位：VNo")});
    QVERIFY(!lines.controlsDisabled());
    QCOMPARE(lines.recNo(), 1);
    QCOMPARE(m_desktop.opened.size(), 1);
    WordTable table = openLast()->table(1);
    QCOMPARE(table.text(1, 1), QStringLiteral("B2"));
    QCOMPARE(table.text(3, 1), QStringLiteral("海岸地理"));
    QCOMPARE(table.text(4, 2), QString());
}

void TestLabels::envelope_data()
{
    QTest::addColumn<int>("mailClass");
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QString>("recipient");
    QTest::newRow("no_class_chosen") << -1 << "周老闆"
                                     << "周老闆\n晨光書店";
    QTest::newRow("printed_matter") << 0 << " 周老闆 "
                                    << "周老闆\n晨光書店";
    QTest::newRow("express") << 1 << "周老闆"
                             << "周老闆\n晨光書店";
    QTest::newRow("ordinary") << 2 << "周老闆"
                              << "周老闆\n晨光書店";
    QTest::newRow("registered") << 3 << "周老闆"
                                << "周老闆\n晨光書店";
    QTest::newRow("registered_return_receipt_no_contact") << 4 << "  "
                                                          << "晨光書店";
}

void TestLabels::envelope()
{
    QFETCH(int, mailClass);
    QFETCH(QString, contact);
    QFETCH(QString, recipient);
    RecordTable header({"SArea", "PNo", "CustNo"}, {{"C0", 31, "A0002"}});
    RecordTable customer({"CustNo", "CustName", "Contact", "CAddress", "CTel"},
                         {{"A0002", " 晨光書店 ", contact, "台北市羅斯福路三段283號", "02-2362"}});
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintEnvelope(header, &progress, 1, mailClass, customer);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, 1);
    QCOMPARE(progress.positions, (QList<int>{0, 1, 0}));
    WordDocument* doc = openLast();
    QCOMPARE(doc->tableCount(), 1);
    WordTable table = doc->table(1);
    const QStringList classes = {"印刷品", "限時", "平信", "掛號", "雙掛號"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(table.text(i + 1, 1), classes.at(i));
        QCOMPARE(table.text(i + 1, 2), i == mailClass ? QStringLiteral("＊") : QString());
    }
    QCOMPARE(table.text(1, 3), QStringLiteral("禾嶼圖書出版社"));
    QCOMPARE(table.text(2, 3), QStringLiteral("台北市中正區重慶南路一段10號"));
    QCOMPARE(table.text(3, 3), QStringLiteral("Tel: 02-1111"));
    QCOMPARE(table.text(4, 3), QStringLiteral("Fax: 02-2222"));
    QCOMPARE(table.text(5, 3), QStringLiteral("E-mail: hq@heyu.example.tw"));
    QCOMPARE(table.text(6, 2), QStringLiteral("A0002"));
    QCOMPARE(table.text(7, 2), recipient);
    QCOMPARE(table.text(8, 2), QStringLiteral("台北市羅斯福路三段283號"));
    QCOMPARE(table.text(9, 2), QStringLiteral("02-2362"));
}

void TestLabels::envelopeCopies()
{
    // Three envelopes: three whole forms in one document, each filled; from the shipment
    // window's header, with the customer CustDS holds.
    TDataSet header(m_main->MainADOCon, "ExportDS");
    header.loadRows({"sarea", "pno", "custno"}, {{"C0", 31, "A0002"}});
    m_main->CustDS.loadRows({"custno", "custname", "contact", "caddress", "ctel"},
                            {{"A0002", "晨光書店", "", "台北市", "02-2362"}});
    ProgressRecorder progress;
    MessageRecorder messages;
    m_reports->PrintEnvelope(header, &progress, 3, 3);
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(progress.maximum, 3);
    QCOMPARE(progress.positions, (QList<int>{0, 1, 2, 3, 0}));
    WordDocument* doc = openLast();
    QCOMPARE(doc->tableCount(), 3);
    for (int t = 1; t <= 3; ++t) {
        WordTable form = doc->table(t);
        QCOMPARE(form.rowCount(), 9);
        QCOMPARE(form.text(4, 2), QStringLiteral("＊"));
        QCOMPARE(form.text(6, 2), QStringLiteral("A0002"));
        QCOMPARE(form.text(7, 2), QStringLiteral("晨光書店"));
    }
}

QTEST_GUILESS_MAIN(TestLabels)
#include "tst_labels.moc"
