#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/MessageRecorder.h"
#include "data/BookRules.h"
#include "data/Connection.h"
#include "data/DataFolder.h"
#include "data/dataset/TDataSet.h"

using BookRules::Company;

namespace {

const QList<Company> Group = {{QStringLiteral("C0"), QStringLiteral("總公司")},
                              {QStringLiteral("C1"), QStringLiteral("台中")},
                              {QStringLiteral("C2"), QStringLiteral("高雄")}};

/// One book row held on the client, as a search of the book table would give it.
struct BookRow
{
    Connection connection{QStringLiteral("bookrules")};
    TDataSet book{connection, QStringLiteral("BookDS")};

    BookRow(const QStringList& columns, const QVariantList& values)
    {
        book.loadRows(columns, {values});
        book.first();
    }
};

} // namespace

class TestBookRules : public QObject
{
    Q_OBJECT
private slots:
    void subjectOf_data();
    void subjectOf();
    void stockPerCompany_data();
    void stockPerCompany();
    void stockCompanyWithoutColumns();
    void sheet();
    void sheetRefusesPaths_data();
    void sheetRefusesPaths();
    void sheetFolderNotWritable();
};

void TestBookRules::subjectOf_data()
{
    QTest::addColumn<QString>("bookNo");
    QTest::addColumn<QString>("subject");
    QTest::newRow("subject_dash_serial") << "MED-0012"
                                         << "MED";
    QTest::newRow("dash_at_position_9_whole_number") << "MEDICINE-01"
                                                     << "MEDICINE-01";
    QTest::newRow("no_dash_whole_number") << "ABC"
                                          << "ABC";
    QTest::newRow("dash_at_position_6") << "ABCDE-1"
                                        << "ABCDE";
    QTest::newRow("dash_at_position_7") << "ABCDEF-1"
                                        << "ABCDEF-1";
    QTest::newRow("first_dash_counts") << "AB-CD-1"
                                       << "AB";
}

void TestBookRules::subjectOf()
{
    QFETCH(QString, bookNo);
    QFETCH(QString, subject);
    QCOMPARE(BookRules::SubjectOf(bookNo), subject);
}

void TestBookRules::stockPerCompany_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("display");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QVariantList>("stocks"); // StockC0, StockC1, StockC2 of the book
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("totals");
    QTest::addColumn<int>("branchTotal");
    QTest::addColumn<int>("grandTotal");

    const QVariantList stocks{120, 30, 25};
    QTest::newRow("head_office_quantities_sum_rows")
        << "C0"
        << "2" << 1 << stocks << QStringList{"120", "30", "25"} << true << 55 << 175;
    QTest::newRow("branch_quantities_head_office_short_of_5")
        << "C1"
        << "2" << 5 << QVariantList{3, 0, 9} << QStringList{"無", "0", "9"} << false << 0 << 0;
    QTest::newRow("branch_quantities_head_office_holds_enough")
        << "C2"
        << "2" << 5 << QVariantList{5, 7, 1} << QStringList{"有", "7", "1"} << false << 0 << 0;
    QTest::newRow("head_office_yes_no_only")
        << "C0"
        << "1" << 30 << stocks << QStringList{"有", "有", "無"} << false << 0 << 0;
    QTest::newRow("branch_yes_no_only")
        << "C1"
        << "1" << 26 << stocks << QStringList{"有", "有", "無"} << false << 0 << 0;
    QTest::newRow("empty_stock_counts_as_none") << "C0"
                                                << "2" << 1 << QVariantList{QVariant(), 4, 1}
                                                << QStringList{"0", "4", "1"} << true << 5 << 5;
}

void TestBookRules::stockPerCompany()
{
    QFETCH(QString, area);
    QFETCH(QString, display);
    QFETCH(int, quantity);
    QFETCH(QVariantList, stocks);
    QFETCH(QStringList, texts);
    QFETCH(bool, totals);
    QFETCH(int, branchTotal);
    QFETCH(int, grandTotal);

    BookRow row({"BookNo", "StockC0", "StockC1", "StockC2"}, QVariantList{"HY0001"} + stocks);
    const BookRules::StockTexts r =
        BookRules::StockPerCompany(row.book, Group, display.at(0), area, quantity);
    QCOMPARE(r.texts, texts);
    QCOMPARE(r.totals, totals);
    if (totals) {
        QCOMPARE(r.branchTotal, qlonglong(branchTotal));
        QCOMPARE(r.grandTotal, qlonglong(grandTotal));
    }
}

void TestBookRules::stockCompanyWithoutColumns()
{
    // A company listed before its columns were added, and a code that may not name a column.
    BookRow row({"BookNo", "StockC0", "StockC1", "StockC2"}, {"HY0001", 120, 30, 25});
    const QList<Company> companies = Group + QList<Company>{{"C3", "新竹"}, {"C1 or 1=1", "?"}};
    const BookRules::StockTexts r = BookRules::StockPerCompany(row.book, companies, u'2', "C0", 1);
    QCOMPARE(r.texts, (QStringList{"120", "30", "25", "錯誤", "錯誤"}));
    QVERIFY(r.totals);
    QCOMPARE(r.branchTotal, 55);
    QCOMPARE(r.grandTotal, 175);

    // No company could be read: no sum rows.
    const BookRules::StockTexts none =
        BookRules::StockPerCompany(row.book, {{"C3", "新竹"}}, u'2', "C0", 1);
    QCOMPARE(none.texts, QStringList{"錯誤"});
    QVERIFY(!none.totals);
}

namespace {

const QStringList SheetColumns = {"BookNo",     "ClsNo",   "BookName", "Author",
                                  "ISBN",       "NTPrice", "PubYear",  "Edition",
                                  "BPublisher", "BWeight", "Summary"};

/// The data folder pointed at a fresh temporary folder for one test.
struct DataDir
{
    QTemporaryDir dir;
    QByteArray previous = qgetenv("HEYU_DATA_DIR");
    DataDir() { qputenv("HEYU_DATA_DIR", dir.path().toUtf8()); }
    ~DataDir()
    {
        if (previous.isNull())
            qunsetenv("HEYU_DATA_DIR");
        else
            qputenv("HEYU_DATA_DIR", previous);
    }
    QStringList allFiles() const
    {
        QStringList files;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }
};

} // namespace

void TestBookRules::sheet()
{
    DataDir data;
    MessageRecorder messages;
    BookRow row(SheetColumns, {"  HY0001 ", "LIT", "島嶼的風", "林清遠", "9789860000011", 320.0,
                               2023, "1", "禾嶼圖書出版社", 0.45, "海島的\n散文"});
    const QString path = BookRules::WriteSheet(row.book);
    const QString expected = QDir(data.dir.path()).filePath("HTML/HY0001.txt");
    QCOMPARE(path, expected);
    QCOMPARE(messages.texts(),
             QStringList{"書籍資料已轉入" + QDir::toNativeSeparators(expected) + "檔案中"});
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Information);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral(
                 "書碼：  HY0001 \n科別：LIT\n書名：島嶼的風\n作者：林清遠\nISBN：9789860000011\n"
                 "NT訂價：320\n出版年代：2023\n版次：1\n出版公司：禾嶼圖書出版社\n重量：0.45\n"
                 "簡介：海島的\n散文\n"));

    // Written again, the sheet is replaced, not appended to.
    row.book.edit();
    row.book.fieldByName("Author").setValue("林清");
    QVERIFY(!BookRules::WriteSheet(row.book).isEmpty());
    QVERIFY(file.seek(0));
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).count(u'\n'), 12);
}

void TestBookRules::sheetRefusesPaths_data()
{
    QTest::addColumn<QString>("bookNo");
    QTest::newRow("parent_folder") << "../X1";
    QTest::newRow("climbs_two_levels") << "../../tmp/X";
    QTest::newRow("absolute") << "/tmp/X1";
    QTest::newRow("subfolder") << "A/B";
    QTest::newRow("backslash") << "..\\X1";
    QTest::newRow("dots_only") << "..";
    QTest::newRow("blank") << "   ";
}

void TestBookRules::sheetRefusesPaths()
{
    QFETCH(QString, bookNo);
    DataDir data;
    MessageRecorder messages;
    BookRow row(SheetColumns, {bookNo, "LIT", "名", "", "", 1.0, 2020, "", "", 0.0, ""});
    QVERIFY(BookRules::WriteSheet(row.book).isEmpty());
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QVERIFY(!messages.last().contains("已轉入"));
    QCOMPARE(data.allFiles(), QStringList());
}

void TestBookRules::sheetFolderNotWritable()
{
    DataDir data;
    MessageRecorder messages;
    // A file where the HTML folder should be: the folder cannot be made.
    QFile blocker(QDir(data.dir.path()).filePath("HTML"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    BookRow row(SheetColumns, {"HY0001", "LIT", "名", "", "", 1.0, 2020, "", "", 0.0, ""});
    QVERIFY(BookRules::WriteSheet(row.book).isEmpty());
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QVERIFY(!messages.last().contains("已轉入"));
}

QTEST_GUILESS_MAIN(TestBookRules)
#include "tst_bookrules.moc"
