#include <memory>

#include <QSqlQuery>
#include <QtTest>

#include "../support/MessageRecorder.h"
#include "../support/DemoEnv.h"
#include "../support/TestDb.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"

namespace {

const QString& AdminPriv = DemoEnv::AdminPriv;

QString privWith(int position, QChar c)
{
    QString p = AdminPriv;
    p[position] = c;
    return p;
}

/// The demo company with a module logged in at the head office with the given privileges.
struct Env : DemoEnv
{
    explicit Env(Backend backend, const QString& priv = AdminPriv)
        : DemoEnv(backend, QStringLiteral("C0"), priv)
    {
    }

    QString lastRemark()
    {
        return scalar(QStringLiteral("SELECT OPRemark FROM LogRec ORDER BY LogNo DESC")).toString();
    }
    bool openWhere(TDataSet& ds, const QString& sql)
    {
        ds.setSql(sql);
        return ds.open();
    }
};

} // namespace

class TestMasterRules : public QObject
{
    Q_OBJECT
private slots:
    void vipNumber_data() { TestDb::addBackendRows(); }
    void vipNumber();
    void classRights_data();
    void classRights();
    void classSaveChecks_data() { TestDb::addBackendRows(); }
    void classSaveChecks();
    void rateRights_data();
    void rateRights();
    void stockAdjustment_data() { TestDb::addBackendRows(); }
    void stockAdjustment();
    void customerDelete_data() { TestDb::addBackendRows(); }
    void customerDelete();
};

void TestMasterRules::vipNumber()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    QVERIFY(env.openWhere(dm.CustomerDS,
                          QStringLiteral("select * from Customer where CustNo='A0002'")));
    QVERIFY(dm.CustomerDS.edit());
    TField& vip = dm.CustomerDS.fieldByName(QStringLiteral("VIPNo"));
    // The customer's own number counts as taken, as does another customer's.
    for (const QString& taken :
         {QStringLiteral("8860000000017"), QStringLiteral(" 8860000000024")}) {
        messages.clear();
        QVERIFY(!vip.setEditText(taken));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("此VIP號碼已存在")});
        QCOMPARE(vip.asString(), QStringLiteral("8860000000017"));
    }
    messages.clear();
    QVERIFY(vip.setEditText(QStringLiteral(" 8861111111111 ")));
    QCOMPARE(vip.asString(), QStringLiteral("8861111111111"));
    QVERIFY(vip.setEditText(QStringLiteral("  ")));
    QVERIFY(vip.asString().isEmpty());
    QVERIFY(messages.messages().isEmpty());
}

void TestMasterRules::classRights_data()
{
    QTest::addColumn<QChar>("right");
    QTest::addColumn<bool>("insert");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<bool>("number");
    QTest::newRow("none_0") << QChar('0') << false << false << false << false;
    QTest::newRow("no_access_N") << QChar('N') << false << false << false << false;
    QTest::newRow("insert_1") << QChar('1') << true << false << false << false;
    QTest::newRow("update_2") << QChar('2') << false << true << false << false;
    QTest::newRow("insert_update_3") << QChar('3') << true << true << false << false;
    QTest::newRow("delete_4") << QChar('4') << false << false << true << false;
    QTest::newRow("all_but_number_7") << QChar('7') << true << true << true << false;
    QTest::newRow("number_8_edits") << QChar('8') << false << true << false << true;
    QTest::newRow("number_insert_9") << QChar('9') << true << true << false << true;
    QTest::newRow("number_delete_C") << QChar('C') << false << true << true << true;
    QTest::newRow("everything_F") << QChar('F') << true << true << true << true;
}

void TestMasterRules::classRights()
{
    QFETCH(QChar, right);
    QFETCH(bool, insert);
    QFETCH(bool, edit);
    QFETCH(bool, remove);
    QFETCH(bool, number);
    Env env(Backend::Sqlite, privWith(5, right));
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("科目分類");
    dm.ClasesDS.setReadOnly(false); // the rights under test, not the window's read-only switch
    QVERIFY(env.openWhere(dm.ClasesDS, QStringLiteral("select * from Clases where ClsNo='LIT'")));

    QCOMPARE(dm.ClasesDS.append(), insert);
    dm.ClasesDS.cancel();
    QCOMPARE(dm.ClasesDS.edit(), edit);
    if (edit) {
        QVERIFY(dm.ClasesDS.fieldByName(QStringLiteral("ClsNo")).setValue(QStringLiteral("LIT9")));
        messages.answer({true});
        QCOMPARE(dm.ClasesDS.post(), number);
        if (number) {
            QCOMPARE(messages.texts(), QStringList{QStringLiteral("編號是否確定修改？")});
            QCOMPARE(env.lastRemark(), QStringLiteral("編號LIT修改為LIT9"));
        } else {
            QCOMPARE(messages.texts(), QStringList{QStringLiteral("無權修改科目編號")});
            QCOMPARE(dm.ClasesDS.state(), TDataSet::State::Browse);
            QCOMPARE(dm.ClasesDS.fieldByName(QStringLiteral("ClsNo")).asString(),
                     QStringLiteral("LIT"));
        }
    }
    messages.clear();
    messages.answer({true});
    const int classes = env.scalar(QStringLiteral("SELECT COUNT(*) FROM Clases")).toInt();
    // The subject is still linked to books and customers: only whether the delete is tried matters.
    dm.ClasesDS.remove();
    QCOMPARE(messages.texts().contains(QStringLiteral("確定刪除？")), remove);
    if (!remove)
        QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM Clases")).toInt(), classes);
    QVERIFY(!dm.MainADOCon.inTransaction());
}

void TestMasterRules::classSaveChecks()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("科目分類");
    dm.ClasesDS.setReadOnly(false);
    QVERIFY(env.openWhere(dm.ClasesDS, QStringLiteral("select * from Clases where ClsNo='LIT'")));
    const int logs = env.logCount();

    // An unchanged row saves nothing and logs nothing.
    QVERIFY(dm.ClasesDS.edit());
    dm.ClasesDS.post();
    QCOMPARE(dm.ClasesDS.state(), TDataSet::State::Browse);
    QCOMPARE(env.logCount(), logs);

    // No to the number question keeps the old number and saves the other changes.
    QVERIFY(dm.ClasesDS.edit());
    QVERIFY(dm.ClasesDS.fieldByName(QStringLiteral("ClsNo")).setValue(QStringLiteral("LIT2")));
    QVERIFY(dm.ClasesDS.fieldByName(QStringLiteral("ClsCNm")).setValue(QStringLiteral("文學類")));
    messages.answer({false});
    QVERIFY2(dm.ClasesDS.post(), qPrintable(messages.texts().join('|')));
    QCOMPARE(env.scalar(QStringLiteral("SELECT ClsCNm FROM Clases WHERE ClsNo='LIT'")).toString(),
             QStringLiteral("文學類"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM Clases WHERE ClsNo='LIT2'")).toInt(),
             0);
    QCOMPARE(env.logCount(), logs + 1);

    messages.clear();
    QVERIFY(dm.ClasesDS.append());
    QVERIFY(dm.ClasesDS.fieldByName(QStringLiteral("ClsNo")).setValue(QStringLiteral("   ")));
    QVERIFY(!dm.ClasesDS.post());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("請輸入科目編號")});
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Warning);
    dm.ClasesDS.cancel();
    QVERIFY(!dm.MainADOCon.inTransaction());
}

void TestMasterRules::rateRights_data()
{
    QTest::addColumn<QChar>("right");
    QTest::addColumn<bool>("insert");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("remove");
    QTest::newRow("none_0") << QChar('0') << false << false << false;
    QTest::newRow("insert_1") << QChar('1') << true << false << false;
    QTest::newRow("update_2") << QChar('2') << false << true << false;
    QTest::newRow("insert_update_3") << QChar('3') << true << true << false;
    QTest::newRow("delete_4") << QChar('4') << false << false << true;
    QTest::newRow("update_delete_6") << QChar('6') << false << true << true;
    QTest::newRow("all_7") << QChar('7') << true << true << true;
    QTest::newRow("above_7_nothing_8") << QChar('8') << false << false << false;
    QTest::newRow("above_7_nothing_F") << QChar('F') << false << false << false;
}

void TestMasterRules::rateRights()
{
    QFETCH(QChar, right);
    QFETCH(bool, insert);
    QFETCH(bool, edit);
    QFETCH(bool, remove);
    Env env(Backend::Sqlite, privWith(15, right));
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("匯率");
    dm.RateDS.setReadOnly(false); // as the exchange-rate window opens it
    QVERIFY(dm.RateDS.open());
    QVERIFY(dm.RateDS.locate({QStringLiteral("ORI_CR")}, {QStringLiteral("DM")}));
    const int rates = env.scalar(QStringLiteral("SELECT COUNT(*) FROM ExRate")).toInt();

    QCOMPARE(dm.RateDS.append(), insert);
    if (insert) {
        QCOMPARE(dm.RateDS.fieldByName(QStringLiteral("rate")).asFloat(), 1.0);
        QVERIFY(dm.RateDS.fieldByName(QStringLiteral("ORI_CR")).setValue(QStringLiteral(" ")));
        QVERIFY(!dm.RateDS.post());
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("請輸入幣別")});
        QVERIFY(dm.RateDS.fieldByName(QStringLiteral("ORI_CR")).setValue(QStringLiteral("sgd")));
        QVERIFY(dm.RateDS.post());
        QCOMPARE(
            env.scalar(QStringLiteral("SELECT rate FROM ExRate WHERE ORI_CR='SGD'")).toDouble(),
            1.0);
        QVERIFY(dm.RateDS.locate({QStringLiteral("ORI_CR")}, {QStringLiteral("DM")}));
    }
    QCOMPARE(dm.RateDS.edit(), edit);
    dm.RateDS.cancel();
    const int logs = env.logCount();
    messages.clear();
    messages.answer({true});
    QCOMPARE(dm.RateDS.remove(), remove);
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM ExRate")).toInt(),
             rates + (insert ? 1 : 0) - (remove ? 1 : 0));
    QCOMPARE(env.logCount(), logs + (remove ? 1 : 0)); // a deleted rate is logged like every change
    QVERIFY(!dm.MainADOCon.inTransaction());
}

void TestMasterRules::stockAdjustment()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("庫存調整");
    env.exec(QStringLiteral("UPDATE Book SET StockC0=12 WHERE BookNo='HY0002'"));
    const auto stock = [&] {
        return env.scalar(QStringLiteral("SELECT StockC0 FROM Book WHERE BookNo='HY0002'")).toInt();
    };
    QVERIFY(dm.BRStockDS.open());
    QVERIFY(dm.BRStockDS.append());
    TField& book = dm.BRStockDS.fieldByName(QStringLiteral("BookNo"));
    TField& qty = dm.BRStockDS.fieldByName(QStringLiteral("Qty"));
    QVERIFY(!book.setEditText(QStringLiteral("  ")));
    QVERIFY(messages.messages().isEmpty());
    QVERIFY(!book.setEditText(QStringLiteral("NOSUCH")));
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("查無此書籍資料")});
    QVERIFY(book.setEditText(QStringLiteral(" HY0002 ")));
    QCOMPARE(book.asString(), QStringLiteral("HY0002"));
    QVERIFY(qty.setEditText(QStringLiteral("-5")));
    dm.LogRemark = QStringLiteral("HY0002/-5");
    QVERIFY2(dm.BRStockDS.post(), qPrintable(messages.texts().join('|')));
    QCOMPARE(stock(), 7);
    QCOMPARE(env.lastRemark(), QStringLiteral("HY0002/-5/調整庫存"));

    // Later the reason may change; the book and the quantity stay, and so does the stock.
    QVERIFY(dm.BRStockDS.edit());
    QVERIFY(!qty.setValue(-50));
    QVERIFY(!book.setEditText(QStringLiteral("HY0001")));
    QVERIFY(
        dm.BRStockDS.fieldByName(QStringLiteral("BRReason")).setValue(QStringLiteral("盤點修正")));
    dm.LogRemark = QStringLiteral("HY0002/盤點修正");
    QVERIFY(dm.BRStockDS.post());
    QCOMPARE(stock(), 7);
    QCOMPARE(env.scalar(QStringLiteral("SELECT Qty FROM BRStock WHERE PNo=?"),
                        {dm.BRStockDS.fieldByName(QStringLiteral("PNo")).value()})
                 .toInt(),
             -5);

    messages.clear();
    QVERIFY(!dm.BRStockDS.remove());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("已修改庫存資料不可刪除")});

    // A book removed between entry and save: the save fails, nothing moves, no transaction stays.
    env.exec(
        QStringLiteral("INSERT INTO Book (BookNo, BookName, StockC0) VALUES ('GONE01', 'x', 3)"));
    QVERIFY(dm.BRStockDS.append());
    QVERIFY(book.setEditText(QStringLiteral("GONE01")));
    QVERIFY(qty.setEditText(QStringLiteral("2")));
    env.exec(QStringLiteral("DELETE FROM Book WHERE BookNo='GONE01'"));
    const int logs = env.logCount();
    messages.clear();
    QVERIFY(!dm.BRStockDS.post());
    QCOMPARE(messages.texts().size(), 1);
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QCOMPARE(env.logCount(), logs);
    QCOMPARE(
        env.scalar(QStringLiteral("SELECT COUNT(*) FROM BRStock WHERE BookNo='GONE01'")).toInt(),
        0);
    QVERIFY(!dm.MainADOCon.inTransaction());
    dm.BRStockDS.cancel();
}

void TestMasterRules::customerDelete()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("客戶");
    env.exec(QStringLiteral("INSERT INTO Customer (CustNo, CustName) VALUES ('Z0001', '新客戶')"));
    env.exec(QStringLiteral("INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('Z0001', 'LIT')"));
    env.exec(QStringLiteral("INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('Z0001', 'CHI')"));
    const auto links = [&](const char* cust) {
        return env
            .scalar(QStringLiteral("SELECT COUNT(*) FROM CustClsNo WHERE CustNo=?"),
                    {QLatin1String(cust)})
            .toInt();
    };
    QVERIFY(env.openWhere(
        dm.CustomerDS,
        QStringLiteral(
            "select * from Customer where CustNo in ('Z0001','A0002') order by CustNo")));

    // A customer with documents cannot go: its links stay with it.
    QVERIFY(dm.CustomerDS.locate({QStringLiteral("CustNo")}, {QStringLiteral("A0002")}));
    QCOMPARE(links("A0002"), 2);
    int logs = env.logCount();
    messages.answer({true});
    QVERIFY(!dm.CustomerDS.remove());
    QCOMPARE(messages.texts().first(), QStringLiteral("確定刪除？"));
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QCOMPARE(links("A0002"), 2);
    QCOMPARE(
        env.scalar(QStringLiteral("SELECT COUNT(*) FROM Customer WHERE CustNo='A0002'")).toInt(),
        1);
    QCOMPARE(env.logCount(), logs);
    QVERIFY(!dm.MainADOCon.inTransaction());

    // No keeps everything.
    QVERIFY(dm.CustomerDS.locate({QStringLiteral("CustNo")}, {QStringLiteral("Z0001")}));
    messages.clear();
    messages.answer({false});
    QVERIFY(!dm.CustomerDS.remove());
    QCOMPARE(links("Z0001"), 2);

    messages.answer({true});
    QVERIFY(dm.CustomerDS.remove());
    QCOMPARE(links("Z0001"), 0);
    QCOMPARE(
        env.scalar(QStringLiteral("SELECT COUNT(*) FROM Customer WHERE CustNo='Z0001'")).toInt(),
        0);
    QCOMPARE(env.logCount(), logs + 1);
    QCOMPARE(env.lastRemark(), QStringLiteral("Z0001/新客戶"));
    QVERIFY(!dm.MainADOCon.inTransaction());
}

QTEST_GUILESS_MAIN(TestMasterRules)
#include "tst_masterrules.moc"
