#include <memory>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "../reports/ReportFakes.h"
#include "../support/DemoEnv.h"
#include "../support/MessageRecorder.h"
#include "app/TMainFrm.h"
#include "app/TWindowRegistry.h"
#include "data/TMainDM.h"
#include "master/TBookFrm.h"
#include "master/TSouGrid.h"
#include "reports/TReportDM.h"
#include "reports/office/WordDocument.h"
#include "widgets/TEnglishDate.h"

namespace {

QString privWith(std::initializer_list<std::pair<int, QChar>> changes)
{
    QString p = DemoEnv::AdminPriv;
    for (const auto& [position, c] : changes)
        p[position] = c;
    return p;
}

/// The demo company, a login, and the book window on it, shown so that focus moves as a user's.
struct BookWindow
{
    DemoEnv env;
    MessageRecorder messages;
    QStringList opened; ///< menu commands the window ran
    QTemporaryDir dataDir;
    QByteArray previousDataDir = qgetenv("HEYU_DATA_DIR");
    FakeDesktop desktop;
    std::unique_ptr<TReportDM> reports;
    std::unique_ptr<TBookFrm> w;

    explicit BookWindow(Backend backend = Backend::Sqlite,
                        const QString& area = QStringLiteral("C0"),
                        const QString& priv = DemoEnv::AdminPriv)
        : env(backend, area, priv)
    {
        qputenv("HEYU_DATA_DIR", dataDir.path().toUtf8());
        env.dm->PrivIndex = 2;
        reports = std::make_unique<TReportDM>(*env.dm, desktop);
        reports->SetOutputFolder(dataDir.path());
        TWindowContext context{*env.dm, reports.get(),
                               [this](const QString& item) { opened << item; }};
        w = std::make_unique<TBookFrm>(context);
        w->resize(1000, 700);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("book window not active");
    }
    ~BookWindow()
    {
        w.reset();
        reports.reset();
        if (previousDataDir.isNull())
            qunsetenv("HEYU_DATA_DIR");
        else
            qputenv("HEYU_DATA_DIR", previousDataDir);
    }

    template <typename T = QWidget> T* child(const QString& name) const
    {
        T* c = w->findChild<T*>(name);
        if (!c)
            qFatal("no child %s", qPrintable(name));
        return c;
    }
    void click(const QString& name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    bool find(const QString& bookNo)
    {
        auto* e = child<QLineEdit>(QStringLiteral("FindBookNoEdit"));
        e->setText(bookNo);
        click(QStringLiteral("FindBitBtn"));
        return env.dm->BookDS.recordCount() == 1;
    }
    /// Types into a line edit as a user would: the focus goes there, the old text is replaced.
    void type(QWidget* edit, const QString& text)
    {
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, text);
    }
    /// Leaves the control with the focus, so what it holds is committed.
    void leave() { child(QStringLiteral("BShortEdit"))->setFocus(); }
    QString text(const QString& name) const { return child<QLineEdit>(name)->text(); }
    QStringList stockColumn(int column) const
    {
        auto* grid = child<QTableWidget>(QStringLiteral("StringGrid1"));
        QStringList texts;
        for (int r = 0; r < grid->rowCount(); ++r)
            texts << (grid->item(r, column) ? grid->item(r, column)->text() : QString());
        return texts;
    }
    QStringList historyTitles() const
    {
        auto* grid = child<TSouGrid>(QStringLiteral("DBGrid1"));
        QStringList titles;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            titles << grid->model()->headerData(c, Qt::Horizontal).toString();
        return titles;
    }
};

} // namespace

class TestBookFrm : public QObject
{
    Q_OBJECT
private slots:
    void registered();
    void stockPageByPosition14_data();
    void stockPageByPosition14();
    void subjectFromBookNumber_data();
    void subjectFromBookNumber();
    void subjectKeptWhenNumberUnchanged();
    void requiredFields_data();
    void requiredFields();
    void emptyCurrencyAndPricesOnSave_data() { TestDb::addBackendRows(); }
    void emptyCurrencyAndPricesOnSave();
    void branchUserKeepsOwnStockSettingsOnly_data() { TestDb::addBackendRows(); }
    void branchUserKeepsOwnStockSettingsOnly();
    void keyChangeGuard_data();
    void keyChangeGuard();
    void subjectAndSupplierButtons_data();
    void subjectAndSupplierButtons();
    void stockQuery_data();
    void stockQuery();
    void historyColumnsPerTag();
    void textSheet();
    void listPrint();
    void textSheetRefusesPathInBookNumber();
};

void TestBookFrm::registered()
{
    DemoEnv env(Backend::Sqlite);
    MessageRecorder messages;
    TMainFrm frm(*env.dm, TWindowRegistry::programWindows());
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    frm.OpenItem(QStringLiteral("BookItem"));
    auto* w = frm.findChild<TBookFrm*>();
    QVERIFY(w);
    QCOMPARE(env.dm->PrivIndex, 2);
    QCOMPARE(env.dm->LogItem, QStringLiteral("書籍檔管理作業"));
    w->findChild<QLineEdit*>(QStringLiteral("FindBookNoEdit"))->setText(QStringLiteral("QH0101"));
    w->FindBitBtnClick();
    // The subject window is not there yet: the main window says it cannot open it, after the
    // subject was looked up.
    w->BitBtn2Click();
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("無法開啟此畫面，請檢查是否同時開啟太多視窗")});
    QCOMPARE(env.dm->ClasesDS.fieldByName(QStringLiteral("ClsNo")).asString(),
             QStringLiteral("LIT"));
}

void TestBookFrm::stockPageByPosition14_data()
{
    QTest::addColumn<QChar>("display");
    QTest::addColumn<bool>("shown");
    QTest::newRow("no_stock_display") << QChar(u'0') << false;
    QTest::newRow("yes_no") << QChar(u'1') << true;
    QTest::newRow("quantities") << QChar(u'2') << true;
}

void TestBookFrm::stockPageByPosition14()
{
    QFETCH(QChar, display);
    QFETCH(bool, shown);
    BookWindow b(Backend::Sqlite, QStringLiteral("C0"), privWith({{14, display}}));
    auto* pages = b.child<QTabWidget>(QStringLiteral("PageControl1"));
    QWidget* stock = b.child(QStringLiteral("StockTabSheet"));
    QCOMPARE(pages->indexOf(stock) >= 0, shown);
    QCOMPARE(pages->count(), shown ? 4 : 3);
    auto* grid = b.child<QTableWidget>(QStringLiteral("StringGrid1"));
    QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("庫存量"));
}

void TestBookFrm::subjectFromBookNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("bookNo");
    QTest::addColumn<QString>("subject");
    QTest::newRow("subject_dash_serial") << "med-0012 "
                                         << "MED-0012"
                                         << "MED";
    QTest::newRow("no_dash") << "ABC"
                             << "ABC"
                             << "ABC";
    QTest::newRow("dash_at_position_6") << "LITER-1"
                                        << "LITER-1"
                                        << "LITER";
    // The whole number is the subject, but a subject holds at most 6 characters: it stays empty.
    QTest::newRow("dash_at_position_9_too_long_for_a_subject") << "MEDICINE-01"
                                                               << "MEDICINE-01"
                                                               << "";
}

void TestBookFrm::subjectFromBookNumber()
{
    QFETCH(QString, typed);
    QFETCH(QString, bookNo);
    QFETCH(QString, subject);
    BookWindow b;
    b.click(QStringLiteral("InsertBitBtn"));
    QCOMPARE(b.env.dm->BookDS.state(), TDataSet::State::Insert);
    b.type(b.child(QStringLiteral("DBEditNew1")), typed);
    b.leave();
    QCOMPARE(b.env.dm->BookDS.fieldByName("BookNo").asString(), bookNo);
    QCOMPARE(b.env.dm->BookDS.fieldByName("ClsNo").asString(), subject);
    QCOMPARE(b.text("ClsNoEdit"), subject);
    QVERIFY(b.messages.texts().isEmpty());
}

void TestBookFrm::subjectKeptWhenNumberUnchanged()
{
    BookWindow b;
    QVERIFY(b.find("HY0001"));
    b.click(QStringLiteral("EditBitBtn"));
    // Passing through the number on the way to other fields leaves the chosen subject alone.
    b.child(QStringLiteral("DBEditNew1"))->setFocus();
    QTRY_VERIFY(b.child(QStringLiteral("DBEditNew1"))->hasFocus());
    b.leave();
    QCOMPARE(b.env.dm->BookDS.fieldByName("ClsNo").asString(), QStringLiteral("LIT"));
    // A number typed anew implies its subject.
    b.type(b.child(QStringLiteral("DBEditNew1")), "CHI-77");
    b.leave();
    QCOMPARE(b.env.dm->BookDS.fieldByName("ClsNo").asString(), QStringLiteral("CHI"));
}

void TestBookFrm::requiredFields_data()
{
    QTest::addColumn<QString>("bookNo");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("focused");
    QTest::newRow("no_number") << "  "
                               << "Name"
                               << "V001"
                               << "請輸入書籍編號"
                               << "DBEditNew1";
    QTest::newRow("blank_name") << "NEW1"
                                << "   "
                                << "V001"
                                << "請輸入書籍名稱"
                                << "BookNameEdit";
    QTest::newRow("no_supplier") << "NEW1"
                                 << "Name"
                                 << ""
                                 << "請輸入供應商編號"
                                 << "VNoEdit";
}

void TestBookFrm::requiredFields()
{
    QFETCH(QString, bookNo);
    QFETCH(QString, name);
    QFETCH(QString, vendor);
    QFETCH(QString, warning);
    QFETCH(QString, focused);
    BookWindow b;
    const int books = b.env.scalar("SELECT COUNT(*) FROM Book").toInt();
    b.click(QStringLiteral("InsertBitBtn"));
    TDataSet& ds = b.env.dm->BookDS;
    ds.fieldByName("BookNo").setValue(bookNo);
    ds.fieldByName("BookName").setValue(name);
    ds.fieldByName("VNo").setValue(vendor.isEmpty() ? QVariant() : QVariant(vendor));
    b.click(QStringLiteral("PostBitBtn"));
    QCOMPARE(b.messages.texts(), QStringList{warning});
    QCOMPARE(b.messages.lastKind(), TDialogs::Kind::Warning);
    QCOMPARE(ds.state(), TDataSet::State::Insert);
    QTRY_VERIFY(b.child(focused)->hasFocus());
    QCOMPARE(b.env.scalar("SELECT COUNT(*) FROM Book").toInt(), books);
}

void TestBookFrm::emptyCurrencyAndPricesOnSave()
{
    QFETCH(Backend, backend);
    BookWindow b(backend);
    b.click(QStringLiteral("InsertBitBtn"));
    b.type(b.child(QStringLiteral("DBEditNew1")), "LIT-900");
    b.type(b.child(QStringLiteral("BookNameEdit")), "Sea Poems");
    b.type(b.child(QStringLiteral("VNoEdit")), "v001");
    b.type(b.child<QComboBox>(QStringLiteral("ORI_CRCombo"))->lineEdit(), "");
    b.type(b.child(QStringLiteral("NTPriceEdit")), "");
    b.type(b.child(QStringLiteral("FPriceEdit")), "");
    b.leave();
    QVERIFY(b.env.dm->BookDS.fieldByName("ORI_CR").asString().isEmpty());
    QVERIFY(b.env.dm->BookDS.fieldByName("NTPrice").isNull());
    QVERIFY(b.env.dm->BookDS.fieldByName("FPrice").isNull());
    b.click(QStringLiteral("PostBitBtn"));
    QCOMPARE(b.messages.texts(), QStringList());
    QCOMPARE(b.env.dm->BookDS.state(), TDataSet::State::Browse);
    QCOMPARE(b.env.scalar("SELECT ORI_CR FROM Book WHERE BookNo='LIT-900'").toString(),
             QStringLiteral("NT"));
    QCOMPARE(b.env.scalar("SELECT NTPrice FROM Book WHERE BookNo='LIT-900'").toDouble(), 0.0);
    QCOMPARE(b.env.scalar("SELECT FPrice FROM Book WHERE BookNo='LIT-900'").toDouble(), 0.0);
    QCOMPARE(b.env.scalar("SELECT VNo FROM Book WHERE BookNo='LIT-900'").toString(),
             QStringLiteral("V001"));
    QCOMPARE(b.env.scalar("SELECT ClsNo FROM Book WHERE BookNo='LIT-900'").toString(),
             QStringLiteral("LIT"));
    QCOMPARE(b.env.scalar("SELECT COUNT(*) FROM LogRec WHERE OPRemark='LIT-900/Sea Poems'").toInt(),
             1);
}

void TestBookFrm::branchUserKeepsOwnStockSettingsOnly()
{
    QFETCH(Backend, backend);
    BookWindow b(backend, QStringLiteral("C1"));
    QVERIFY(!b.child(QStringLiteral("InsertBitBtn"))->isVisible());
    QVERIFY(!b.child(QStringLiteral("DelBitBtn"))->isVisible());
    QVERIFY(b.child(QStringLiteral("EditBitBtn"))->isVisible());
    QVERIFY(!b.child(QStringLiteral("RemarkEdit"))->isVisible());
    QVERIFY(b.find("HY0001"));
    QCOMPARE(b.text("LocEdit"), QStringLiteral("B-0001"));
    QCOMPARE(b.text("StockEdit"), QStringLiteral("30"));
    b.click(QStringLiteral("EditBitBtn"));
    QCOMPARE(b.env.dm->BookDS.state(), TDataSet::State::Edit);

    // The shared book data does not take typing.
    b.type(b.child(QStringLiteral("NTPriceEdit")), "999");
    b.type(b.child(QStringLiteral("BookNameEdit")), "X");
    QVERIFY(b.child<QPlainTextEdit>(QStringLiteral("BookNameEdit"))->isReadOnly());
    QVERIFY(b.child<QLineEdit>(QStringLiteral("FPriceEdit"))->isReadOnly());
    QVERIFY(!b.child(QStringLiteral("ORI_CRCombo"))->isEnabled());

    b.type(b.child(QStringLiteral("LocEdit")), "Z-77");
    b.type(b.child(QStringLiteral("SStockEdit")), "12");
    b.leave();
    b.click(QStringLiteral("PostBitBtn"));
    QCOMPARE(b.messages.texts(), QStringList());
    QCOMPARE(b.env.dm->BookDS.state(), TDataSet::State::Browse);
    QCOMPARE(b.env.scalar("SELECT LocC1 FROM Book WHERE BookNo='HY0001'").toString(),
             QStringLiteral("Z-77"));
    QCOMPARE(b.env.scalar("SELECT SStockC1 FROM Book WHERE BookNo='HY0001'").toInt(), 12);
    QCOMPARE(b.env.scalar("SELECT LocC0 FROM Book WHERE BookNo='HY0001'").toString(),
             QStringLiteral("A-0001"));
    QCOMPARE(b.env.scalar("SELECT NTPrice FROM Book WHERE BookNo='HY0001'").toDouble(), 320.0);
    QCOMPARE(b.env.scalar("SELECT BookName FROM Book WHERE BookNo='HY0001'").toString(),
             QStringLiteral("島嶼的風"));
}

void TestBookFrm::keyChangeGuard_data()
{
    QTest::addColumn<QChar>("bookRight");
    QTest::addColumn<bool>("refused");
    QTest::newRow("insert_update_delete_7") << QChar(u'7') << true;
    QTest::newRow("update_only_2") << QChar(u'2') << true;
    QTest::newRow("change_number_8") << QChar(u'8') << false;
    QTest::newRow("all_F") << QChar(u'F') << false;
}

void TestBookFrm::keyChangeGuard()
{
    QFETCH(QChar, bookRight);
    QFETCH(bool, refused);
    BookWindow b(Backend::Sqlite, QStringLiteral("C0"), privWith({{2, bookRight}}));
    QVERIFY(b.find("HY0001"));
    b.click(QStringLiteral("EditBitBtn"));
    QWidget* key = b.child(QStringLiteral("DBEditNew1"));
    key->setFocus();
    if (refused) {
        QCOMPARE(b.messages.texts(), QStringList{QStringLiteral("無權修改書籍編號")});
        QTRY_VERIFY(b.child<QComboBox>(QStringLiteral("ORI_CRCombo"))->hasFocus());
    } else {
        QCOMPARE(b.messages.texts(), QStringList());
        QTRY_VERIFY(key->hasFocus());
    }
}

void TestBookFrm::subjectAndSupplierButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("dataSet");
    QTest::addColumn<QString>("keyField");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("denied");
    QTest::newRow("subject") << "BitBtn2" << 5 << "ClasesDS"
                             << "ClsNo"
                             << "LIT"
                             << "ClasesItem"
                             << "無權查詢科目資料";
    QTest::newRow("supplier") << "BitBtn3" << 3 << "VendorDS"
                              << "VNo"
                              << "V001"
                              << "VendorItem"
                              << "無權查詢供應商資料";
}

void TestBookFrm::subjectAndSupplierButtons()
{
    QFETCH(QString, button);
    QFETCH(int, position);
    QFETCH(QString, dataSet);
    QFETCH(QString, keyField);
    QFETCH(QString, value);
    QFETCH(QString, item);
    QFETCH(QString, denied);
    {
        BookWindow b(Backend::Sqlite, QStringLiteral("C0"), privWith({{position, u'N'}}));
        QVERIFY(b.find("QH0101"));
        b.click(button);
        QCOMPARE(b.messages.texts(), QStringList{denied});
        QCOMPARE(b.opened, QStringList());
    }
    BookWindow b;
    QVERIFY(b.find("QH0101"));
    b.click(button);
    QCOMPARE(b.messages.texts(), QStringList());
    QCOMPARE(b.opened, QStringList{item});
    TDataSet* ds = b.env.dm->DataSetByName(dataSet);
    QVERIFY(ds->isActive());
    QCOMPARE(ds->recordCount(), 1);
    QCOMPARE(ds->fieldByName(keyField).asString(), value);
}

void TestBookFrm::stockQuery_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QChar>("display");
    QTest::addColumn<QString>("book");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("stock");
    // Demo stock: LV2001 3/0/0, HY0001 120/30/25 at C0/C1/C2.
    const QStringList companies{"禾嶼圖書出版社", "禾嶼圖書台中分公司", "禾嶼圖書高雄分公司"};
    QTest::newRow("branch_quantities_head_office_short")
        << "C1" << QChar(u'2') << "LV2001" << 5 << companies << QStringList{"無", "0", "0"};
    QTest::newRow("branch_quantities_head_office_enough")
        << "C2" << QChar(u'2') << "HY0001" << 5 << companies << QStringList{"有", "30", "25"};
    QTest::newRow("head_office_quantities_sum_rows")
        << "C0" << QChar(u'2') << "HY0001" << 1 << (companies + QStringList{"分公司合計:", "總計:"})
        << QStringList{"120", "30", "25", "55", "175"};
    QTest::newRow("head_office_yes_no")
        << "C0" << QChar(u'1') << "HY0001" << 30 << companies << QStringList{"有", "有", "無"};
}

void TestBookFrm::stockQuery()
{
    QFETCH(QString, area);
    QFETCH(QChar, display);
    QFETCH(QString, book);
    QFETCH(int, quantity);
    QFETCH(QStringList, names);
    QFETCH(QStringList, stock);
    BookWindow b(Backend::Sqlite, area, privWith({{14, display}}));
    // No book yet: nothing to query.
    b.click(QStringLiteral("BitBtn1"));
    QCOMPARE(b.child<QTableWidget>(QStringLiteral("StringGrid1"))->rowCount(), 0);

    // Known figures, whatever the demo's documents did to the stock.
    b.env.exec("UPDATE Book SET StockC0=3, StockC1=0, StockC2=0 WHERE BookNo='LV2001'");
    b.env.exec("UPDATE Book SET StockC0=120, StockC1=30, StockC2=25 WHERE BookNo='HY0001'");
    QVERIFY(b.find(book));
    b.child<QSpinBox>(QStringLiteral("SpinEdit1"))->setValue(quantity);
    // Asked twice, the grid is rewritten, never extended.
    for (int i = 0; i < 2; ++i) {
        b.click(QStringLiteral("BitBtn1"));
        QCOMPARE(b.stockColumn(1), names);
        QCOMPARE(b.stockColumn(2), stock);
    }
    QCOMPARE(b.stockColumn(0).mid(0, 3), (QStringList{"C0", "C1", "C2"}));
    QCOMPARE(b.messages.texts(), QStringList());
}

void TestBookFrm::historyColumnsPerTag()
{
    BookWindow b;
    QVERIFY(b.find("HY0002"));
    b.child<TEnglishDate>(QStringLiteral("EnglishDate1"))->setDate(QDate(2000, 1, 1));
    b.child<TEnglishDate>(QStringLiteral("EnglishDate2"))->setDate(QDate(2099, 12, 31));
    QWidget* total = b.child(QStringLiteral("SumPriceLabel"));
    QWidget* caption = b.child(QStringLiteral("SumPriceCaption"));
    b.child<QTabWidget>(QStringLiteral("PageControl1"))
        ->setCurrentWidget(b.child(QStringLiteral("TranDTabSheet")));
    QVERIFY(total->isVisible());

    b.click(QStringLiteral("AdjBitBtn"));
    QCOMPARE(b.historyTitles(),
             (QStringList{"調整單號", "日期", "數量", "原因", "調整者", "公司編號"}));
    QVERIFY(!total->isVisible());
    QVERIFY(!caption->isVisible());
    QCOMPARE(b.messages.texts(), QStringList());
    QVERIFY(b.w->TranDetailDS.recordCount() >= 1);
    QVERIFY(b.w->TranDetailDS.findField("原因"));

    b.click(QStringLiteral("ExpBitBtn"));
    QCOMPARE(b.historyTitles(),
             (QStringList{"單據編號", "日期", "客戶編號", "客戶名稱", "售價", "數量", "折扣",
                          "幣別", "匯率", "小計", "台幣價格", "公司編號"}));
    QVERIFY(total->isVisible());
    QVERIFY(caption->isVisible());

    b.click(QStringLiteral("BuyBitBtn"));
    QCOMPARE(b.historyTitles().mid(0, 4),
             (QStringList{"採購單號", "日期", "供應商號", "供應商名稱"}));
}

void TestBookFrm::textSheet()
{
    BookWindow b(Backend::Sqlite, QStringLiteral("C1"));
    // Nothing current: nothing written.
    b.click(QStringLiteral("SPntBitBtn"));
    QVERIFY(b.messages.texts().isEmpty());

    QVERIFY(b.find("HY0001"));
    b.click(QStringLiteral("SPntBitBtn"));
    const QString path = QDir(b.dataDir.path()).filePath("HTML/HY0001.txt");
    QCOMPARE(b.messages.texts(),
             QStringList{"書籍資料已轉入" + QDir::toNativeSeparators(path) + "檔案中"});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QCOMPARE(lines.mid(0, 6), (QStringList{"書碼：HY0001", "科別：LIT", "書名：島嶼的風",
                                           "作者：林清遠", "ISBN：9789860000011", "NT訂價：320"}));
    QCOMPARE(lines.value(8), QStringLiteral("出版公司：禾嶼圖書出版社"));
}

void TestBookFrm::textSheetRefusesPathInBookNumber()
{
    BookWindow b;
    b.env.exec("INSERT INTO Book (BookNo, BookName, VNo, NTPrice, FPrice) VALUES ('../../X1', "
               "'Escape', 'V001', 1, 1)");
    QVERIFY(b.find("../../X1"));
    b.click(QStringLiteral("SPntBitBtn"));
    QCOMPARE(b.messages.messages().size(), 1);
    QCOMPARE(b.messages.lastKind(), TDialogs::Kind::Error);
    QVERIFY(!QFile::exists(QDir(b.dataDir.path()).filePath("../X1.txt")));
    QVERIFY(!QFile::exists(QDir(b.dataDir.path()).filePath("HTML/../../X1.txt")));
    QVERIFY(!QDir(QDir(b.dataDir.path()).filePath("HTML")).exists() ||
            QDir(QDir(b.dataDir.path()).filePath("HTML")).isEmpty());
}

void TestBookFrm::listPrint()
{
    BookWindow b;
    b.click(QStringLiteral("BPntBitBtn"));
    QCOMPARE(b.desktop.opened, QStringList());

    b.child<QLineEdit>(QStringLiteral("FindBookNoEdit"))->setText("hy*");
    b.click(QStringLiteral("FindBitBtn"));
    QCOMPARE(b.env.dm->BookDS.recordCount(), 3);
    b.click(QStringLiteral("BPntBitBtn"));
    QCOMPARE(b.messages.texts(), QStringList());
    QCOMPARE(b.desktop.opened.size(), 1);
    office::WordDocument doc;
    QString error;
    QVERIFY2(doc.open(b.reports->LastDocument(), &error), qPrintable(error));
    office::WordTable body = doc.table(1);
    QCOMPARE(body.rowCount(), 4);
    QCOMPARE(body.text(2, 1), QStringLiteral("HY0001"));
    QCOMPARE(body.text(4, 2), QStringLiteral("小熊的第一本數字書"));
}

QTEST_MAIN(TestBookFrm)
#include "tst_bookfrm.moc"
