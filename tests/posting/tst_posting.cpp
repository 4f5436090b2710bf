#include <memory>

#include <QSqlQuery>
#include <QtTest>

#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "../support/MessageRecorder.h"
#include "../support/DemoEnv.h"
#include "../support/TestDb.h"

namespace {

const QString& AdminPriv = DemoEnv::AdminPriv;

/// Errors and warnings shown; the line entry's information box about the book is not one.
QStringList problems(const MessageRecorder& messages)
{
    QStringList texts;
    for (const auto& m : messages.messages()) {
        if (m.kind != TDialogs::Kind::Information && m.kind != TDialogs::Kind::Question)
            texts << m.text;
    }
    return texts;
}

struct Env : DemoEnv
{
    using DemoEnv::DemoEnv;

    QStringList lastLog()
    {
        QSqlQuery q(check->database());
        q.exec(QStringLiteral("SELECT OPItem, OPKind, OPRemark, OPUserC FROM LogRec ORDER BY LogNo DESC"));
        if (!q.next())
            return {};
        return {q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()};
    }

    /// A new header saved through its dataset; returns its number.
    int newHeader(TDataSet& ds, const QString& partnerField, const QString& partner)
    {
        if (!ds.isActive() && !ds.open())
            qFatal("open %s", qPrintable(ds.name()));
        if (!ds.append() || !ds.fieldByName(partnerField).setValue(partner)
            || !ds.fieldByName(QStringLiteral("EDate")).setValue(QDateTime(QDate(2024, 6, 3), QTime(0, 0))))
            return -1;
        if (!ds.post())
            return -1;
        return int(ds.fieldByName(QStringLiteral("PNo")).asInteger());
    }
    /// A line of the header's current document.
    bool addLine(TDataSet& lines, const QString& book, int qty)
    {
        if (!lines.isActive() && !lines.open())
            return false;
        return lines.append() && lines.fieldByName(QStringLiteral("BookNo")).setValue(book)
               && lines.fieldByName(QStringLiteral("Qty")).setValue(qty)
               && lines.fieldByName(QStringLiteral("Price")).setValue(100)
               && lines.fieldByName(QStringLiteral("ORI_CR")).setValue(QStringLiteral("NT"))
               && lines.fieldByName(QStringLiteral("UnSum")).setValue(100 * qty)
               && lines.fieldByName(QStringLiteral("ETime")).setValue(QStringLiteral("10:00:00")) && lines.post();
    }
    bool complete(TDataSet& ds, bool on)
    {
        return ds.edit() && ds.fieldByName(QStringLiteral("EComplete")).setValue(on) && ds.post();
    }
};

} // namespace

class TestPosting : public QObject
{
    Q_OBJECT
private slots:
    void newHeadersAreNumberedAndLogged_data();
    void newHeadersAreNumberedAndLogged();
    void newReceiptRunsStockRulesOnce_data() { TestDb::addBackendRows(); }
    void newReceiptRunsStockRulesOnce();
    void completeShipmentAndUndo_data() { TestDb::addBackendRows(); }
    void completeShipmentAndUndo();
    void failingUpdateStockLeavesNothing_data() { TestDb::addBackendRows(); }
    void failingUpdateStockLeavesNothing();
    void documentDelete_data() { TestDb::addBackendRows(); }
    void documentDelete();
    void masterSaveAndDeleteAreLogged_data();
    void masterSaveAndDeleteAreLogged();
    void duplicateCustomerStaysOpen_data() { TestDb::addBackendRows(); }
    void duplicateCustomerStaysOpen();
    void refusals_data() { TestDb::addBackendRows(); }
    void refusals();
    void readOnlyDataSetLeavesDatabase_data() { TestDb::addBackendRows(); }
    void readOnlyDataSetLeavesDatabase();
    void privilegeEffectsOnDataSets_data();
    void privilegeEffectsOnDataSets();
    void concurrentCompletionPostsOnce_data() { TestDb::addBackendRows(); }
    void concurrentCompletionPostsOnce();
    void bookSaveKeepsStockPostedMeanwhile_data() { TestDb::addBackendRows(); }
    void bookSaveKeepsStockPostedMeanwhile();
    void wildToLike_data();
    void wildToLike();
    void searchTextIsOnlyEverBound_data() { TestDb::addBackendRows(); }
    void searchTextIsOnlyEverBound();
    void sharedDataSetsOpenAndClose_data() { TestDb::addBackendRows(); }
    void startingValuesAndEntryRules_data() { TestDb::addBackendRows(); }
    void counterDateIsUnique_data() { TestDb::addBackendRows(); }
    void counterDateIsUnique();
    void classRightsAndNumberChange_data() { TestDb::addBackendRows(); }
    void classRightsAndNumberChange();
    void startingValuesAndEntryRules();
    void sharedDataSetsOpenAndClose();
};

void TestPosting::newHeadersAreNumberedAndLogged_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("dataSet");
    QTest::addColumn<QString>("partnerField");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<bool>("stock");
    struct Row
    {
        const char* ds;
        const char* field;
        const char* partner;
        bool stock;
    };
    const Row rows[] = {{"QuoteDS", "CustNo", "A0001", false},  {"OrderDS", "CustNo", "A0002", false},
                        {"BuyDS", "VNO", "V001", false},        {"ImportDS", "VNo", "V001", true},
                        {"ImpRetDS", "VNo", "V002", true},      {"ExportDS", "CustNo", "A0001", true},
                        {"ExpRetDS", "CustNo", "A0003", true}};
    for (const char* be : {"sqlite", "postgres"}) {
        if (QByteArray(be) == "postgres" && !TestDb::postgresAvailable())
            continue;
        for (const Row& r : rows)
            QTest::newRow(qPrintable(QStringLiteral("%1_%2").arg(be, r.ds)))
                << (QByteArray(be) == "sqlite" ? Backend::Sqlite : Backend::Postgres) << QString::fromLatin1(r.ds)
                << QString::fromLatin1(r.field) << QString::fromLatin1(r.partner) << r.stock;
    }
}

void TestPosting::newHeadersAreNumberedAndLogged()
{
    QFETCH(Backend, backend);
    QFETCH(QString, dataSet);
    QFETCH(QString, partnerField);
    QFETCH(QString, partner);
    QFETCH(bool, stock);
    Env env(backend);
    MessageRecorder messages;
    TDataSet& ds = *env.dm->DataSetByName(dataSet);
    env.dm->LogItem = QStringLiteral("單據");
    const int logs = env.logCount();
    const int first = env.newHeader(ds, partnerField, partner);
    QVERIFY2(first > 0, qPrintable(messages.texts().join('|') + ds.lastError().text()));
    QCOMPARE(ds.state(), TDataSet::State::Browse);
    QCOMPARE(env.dm->LogKind, QStringLiteral("新增"));
    QCOMPARE(env.logCount(), logs + 1);
    const QString remark = QStringLiteral("C0/%1/%2").arg(first).arg(partner) + (stock ? QStringLiteral("/修改庫存") : QString());
    QCOMPARE(env.lastLog(), QStringList({QStringLiteral("單據"), QStringLiteral("新增"), remark, QStringLiteral("TESTER")}));
    QCOMPARE(env.dm->CompleteChanged, stock);
    const int second = env.newHeader(ds, partnerField, partner);
    QCOMPARE(second, first + 1);
    QVERIFY(!env.dm->MainADOCon.inTransaction());
    QVERIFY(messages.messages().isEmpty());

    // An edit is logged as an update; saving it unchanged logs nothing.
    QVERIFY(ds.edit());
    QCOMPARE(env.dm->LogKind, QStringLiteral("更新"));
    QVERIFY(ds.fieldByName(QStringLiteral("Remark")).setValue(QStringLiteral("備註")));
    QVERIFY(ds.post());
    QCOMPARE(env.lastLog().at(1), QStringLiteral("更新"));
    QCOMPARE(env.dm->CompleteChanged, false);
    const int afterUpdate = env.logCount();
    QVERIFY(ds.edit());
    QVERIFY(ds.post());
    QCOMPARE(env.logCount(), afterUpdate);
}

void TestPosting::newReceiptRunsStockRulesOnce()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("進貨單");
    const int pno = env.newHeader(dm.ImportDS, QStringLiteral("VNo"), QStringLiteral("V001"));
    QVERIFY(pno > 0);
    QVERIFY(env.lastLog().at(2).endsWith(QStringLiteral("/修改庫存")));
    QCOMPARE(env.lastLog().at(2).count(QStringLiteral("修改庫存")), 1);
    // Taking back a receipt that was never posted records nothing.
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM StockPost WHERE SArea='C0' AND DocKind=4 AND PNo=?"), {pno}).toInt(), 0);

    const int before = env.stock(QStringLiteral("HY0002"));
    QVERIFY(env.addLine(dm.ImportDDS, QStringLiteral("HY0002"), 7));
    QCOMPARE(dm.ImportDDS.fieldByName(QStringLiteral("BookName")).asString(), QStringLiteral("台灣海岸地理圖鑑"));
    QVERIFY(dm.ImportDDS.fieldByName(QStringLiteral("PDNo")).asInteger() > 0);
    QVERIFY(dm.LineBookChanged);
    QVERIFY(env.complete(dm.ImportDS, true));
    QCOMPARE(env.stock(QStringLiteral("HY0002")), before + 7);
    QCOMPARE(env.scalar(QStringLiteral("SELECT In_Date FROM Book WHERE BookNo='HY0002'")).toString().left(10),
             QStringLiteral("2024-06-03"));
    QVERIFY(problems(messages).isEmpty());
}

void TestPosting::completeShipmentAndUndo()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("出貨單");
    const int pno = env.newHeader(dm.ExportDS, QStringLiteral("CustNo"), QStringLiteral("A0001"));
    QVERIFY(pno > 0);
    QCOMPARE(dm.ExportDS.fieldByName(QStringLiteral("FCharge")).asFloat(), 0.0); // zero charges
    QVERIFY(env.addLine(dm.ExportDDS, QStringLiteral("HY0001"), 2));
    const int before = env.stock(QStringLiteral("HY0001"));
    QVERIFY(env.complete(dm.ExportDS, true));
    QCOMPARE(env.stock(QStringLiteral("HY0001")), before - 2);
    QCOMPARE(env.lastLog().at(2), QStringLiteral("C0/%1/A0001/修改庫存").arg(pno));

    messages.answer({false});
    dm.UndoComplete(dm.ExportDS);
    QCOMPARE(messages.last(), QStringLiteral("確定取消完成？"));
    QCOMPARE(env.stock(QStringLiteral("HY0001")), before - 2);
    messages.answer({true});
    dm.UndoComplete(dm.ExportDS);
    QCOMPARE(env.stock(QStringLiteral("HY0001")), before);
    QCOMPARE(env.lastLog().at(1), QStringLiteral("更新"));
    QCOMPARE(env.lastLog().at(2), QStringLiteral("C0/%1/取消完成/修改庫存").arg(pno));
    QCOMPARE(env.scalar(QStringLiteral("SELECT EComplete FROM ExportM WHERE SArea='C0' AND PNo=?"), {pno}).toInt(), 0);
    // Nothing to cancel on an open header: no question.
    messages.clear();
    dm.UndoComplete(dm.ExportDS);
    QVERIFY(messages.messages().isEmpty());
}

void TestPosting::failingUpdateStockLeavesNothing()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("出貨單");
    const int pno = env.newHeader(dm.ExportDS, QStringLiteral("CustNo"), QStringLiteral("A0001"));
    QVERIFY(pno > 0);
    QVERIFY(env.addLine(dm.ExportDDS, QStringLiteral("HY0001"), 2));
    messages.clear();
    // The stock may not fall below zero in this database: posting it must fail.
    const int stock = env.stock(QStringLiteral("HY0001"));
    env.exec(QStringLiteral("UPDATE ExpDetail SET Qty=? WHERE SArea='C0' AND PNo=?"), {stock + 1000000000, pno});
    env.exec(backend == Backend::Sqlite
                 ? QStringLiteral("CREATE TRIGGER no_negative BEFORE UPDATE ON Book WHEN NEW.StockC0 < -1000 "
                                  "BEGIN SELECT RAISE(ABORT, 'negative stock'); END")
                 : QStringLiteral("ALTER TABLE Book ADD CONSTRAINT no_negative CHECK (StockC0 >= -1000)"));
    const int logs = env.logCount();
    QVERIFY(!env.complete(dm.ExportDS, true));
    QCOMPARE(messages.texts().join('|'), QStringLiteral("無法修改庫存"));
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QCOMPARE(env.logCount(), logs);
    QCOMPARE(env.scalar(QStringLiteral("SELECT EComplete FROM ExportM WHERE SArea='C0' AND PNo=?"), {pno}).toInt(), 0);
    QCOMPARE(env.stock(QStringLiteral("HY0001")), stock);
    QVERIFY(!dm.MainADOCon.inTransaction());
    // The change stays in the window, unsaved.
    QCOMPARE(dm.ExportDS.state(), TDataSet::State::Edit);
    QVERIFY(dm.ExportDS.fieldByName(QStringLiteral("EComplete")).asBoolean());

    // A new header whose number was given in a failed save gets it again. Its customer is
    // removed by another user between the entry and the save.
    dm.ExportDS.cancel();
    env.exec(QStringLiteral("UPDATE ExpDetail SET Qty=2 WHERE SArea='C0' AND PNo=?"), {pno});
    env.exec(QStringLiteral("INSERT INTO Customer (CustNo, CustName) VALUES ('ZZ9', '過客')"));
    messages.clear();
    QVERIFY(dm.ExportDS.append());
    QVERIFY(dm.ExportDS.fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("ZZ9")));
    env.exec(QStringLiteral("DELETE FROM Customer WHERE CustNo='ZZ9'"));
    QVERIFY(!dm.ExportDS.post());
    QCOMPARE(problems(messages).size(), 1);
    QVERIFY(messages.last().startsWith(QStringLiteral("存檔錯誤--")));
    QCOMPARE(dm.ExportDS.state(), TDataSet::State::Insert);
    QVERIFY(dm.ExportDS.fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("A0002")));
    QVERIFY(dm.ExportDS.post());
    QCOMPARE(dm.ExportDS.fieldByName(QStringLiteral("PNo")).asInteger(), pno + 1);
    QCOMPARE(env.logCount(), logs + 1);
}

void TestPosting::documentDelete()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("出貨單");
    const int done = env.newHeader(dm.ExportDS, QStringLiteral("CustNo"), QStringLiteral("A0001"));
    QVERIFY(env.complete(dm.ExportDS, true));
    const int open = env.newHeader(dm.ExportDS, QStringLiteral("CustNo"), QStringLiteral("A0002"));
    QVERIFY(env.addLine(dm.ExportDDS, QStringLiteral("HY0001"), 1));
    messages.clear();
    const int logs = env.logCount();
    const auto exists = [&](int pno) {
        return env.scalar(QStringLiteral("SELECT COUNT(*) FROM ExportM WHERE SArea='C0' AND PNo=?"), {pno}).toInt() == 1;
    };

    // A completed document: nothing happens and nothing shows.
    QVERIFY(dm.ExportDS.locate({QStringLiteral("PNo")}, {done}));
    QVERIFY(!dm.ExportDS.remove());
    QVERIFY(messages.messages().isEmpty());
    QVERIFY(exists(done));

    QVERIFY(dm.ExportDS.locate({QStringLiteral("PNo")}, {open}));
    messages.answer({false});
    QVERIFY(!dm.ExportDS.remove());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("確定刪除出貨單及相關資料？")});
    QVERIFY(exists(open));
    QCOMPARE(env.logCount(), logs);

    messages.answer({true});
    QVERIFY(!dm.ExportDS.remove()); // the dataset's own delete is always abandoned
    QVERIFY(!exists(open));
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM ExpDetail WHERE SArea='C0' AND PNo=?"), {open}).toInt(), 0);
    QCOMPARE(env.logCount(), logs + 1);
    QCOMPARE(env.lastLog().mid(1, 2), QStringList({QStringLiteral("刪除"), QStringLiteral("C0/%1").arg(open)}));
    QVERIFY(!dm.ExportDS.locate({QStringLiteral("PNo")}, {open})); // re-read from the database
    QVERIFY(!dm.MainADOCon.inTransaction());
}

void TestPosting::masterSaveAndDeleteAreLogged_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("dataSet");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("second");
    const char* rows[][4] = {{"VendorDS", "Vendor", "VNo", "VName"},
                             {"ForwarderDS", "Forwarder", "FNo", "FName"},
                             {"BookDS", "Book", "BookNo", "BookName"},
                             {"ClasesDS", "Clases", "ClsNo", "ClsENm"},
                             {"CustomerDS", "Customer", "CustNo", "CustName"}};
    for (const char* be : {"sqlite", "postgres"}) {
        if (QByteArray(be) == "postgres" && !TestDb::postgresAvailable())
            continue;
        for (const auto& r : rows)
            QTest::newRow(qPrintable(QStringLiteral("%1_%2").arg(be, r[0])))
                << (QByteArray(be) == "sqlite" ? Backend::Sqlite : Backend::Postgres) << QString::fromLatin1(r[0])
                << QString::fromLatin1(r[1]) << QString::fromLatin1(r[2]) << QString::fromLatin1(r[3]);
    }
}

void TestPosting::masterSaveAndDeleteAreLogged()
{
    QFETCH(Backend, backend);
    QFETCH(QString, dataSet);
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(QString, second);
    Env env(backend);
    MessageRecorder messages;
    TDataSet& ds = *env.dm->DataSetByName(dataSet);
    ds.setSql(QStringLiteral("select * from %1 where %2=:No").arg(table, key));
    ds.setParam(QStringLiteral("No"), QStringLiteral("ZZ1"));
    QVERIFY(ds.open());
    const int logs = env.logCount();
    QVERIFY(ds.append());
    QVERIFY(ds.fieldByName(key).setValue(QStringLiteral("ZZ1")));
    QVERIFY(ds.fieldByName(second).setValue(QStringLiteral("名稱")));
    QVERIFY2(ds.post(), qPrintable(messages.texts().join('|')));
    QCOMPARE(env.lastLog().at(1), QStringLiteral("新增"));
    QVERIFY(ds.edit());
    QVERIFY(ds.fieldByName(second).setValue(QStringLiteral("新名稱")));
    QVERIFY(ds.post());
    QCOMPARE(env.lastLog().at(1), QStringLiteral("更新"));
    QCOMPARE(env.logCount(), logs + 2);

    messages.answer({false});
    QVERIFY(!ds.remove());
    QCOMPARE(messages.last(), QStringLiteral("確定刪除？"));
    messages.answer({true});
    QVERIFY(ds.remove());
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2='ZZ1'").arg(table, key)).toInt(), 0);
    QCOMPARE(env.lastLog().mid(1, 2), QStringList({QStringLiteral("刪除"), QStringLiteral("ZZ1/新名稱")}));
    QVERIFY(!env.dm->MainADOCon.inTransaction());
}

void TestPosting::duplicateCustomerStaysOpen()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TDataSet& ds = env.dm->CustomerDS;
    QVERIFY(ds.open());
    const int logs = env.logCount();
    QVERIFY(ds.append());
    QVERIFY(ds.fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("A0001")));
    QVERIFY(ds.fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("重複的客戶")));
    QVERIFY(!ds.post());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("號碼重覆，請重新輸入")});
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QCOMPARE(ds.state(), TDataSet::State::Insert);
    QCOMPARE(ds.fieldByName(QStringLiteral("CustName")).asString(), QStringLiteral("重複的客戶"));
    QCOMPARE(env.logCount(), logs);
    QVERIFY(!env.dm->MainADOCon.inTransaction());
    QVERIFY(ds.fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("A0099")));
    QVERIFY(ds.post());
    QCOMPARE(env.logCount(), logs + 1);
    QCOMPARE(env.scalar(QStringLiteral("SELECT CustName FROM Customer WHERE CustNo='A0099'")).toString(),
             QStringLiteral("重複的客戶"));
}

void TestPosting::refusals()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    // Inquiries at the head office and write-offs are created by procedures only.
    for (TDataSet* ds : {&dm.InquireMDS, &dm.IWOffDS, &dm.EWOffDS, &dm.IWOffDDS, &dm.EWOffDDS}) {
        QVERIFY(ds->open());
        QVERIFY2(!ds->insert(), qPrintable(ds->name()));
    }
    QVERIFY(messages.messages().isEmpty());

    dm.BRStockDS.setSql(QStringLiteral("select BRStock.*,UserPass.UsName from BRStock left outer join UserPass "
                                       "on (BRStock.UsCode=UserPass.UsCode) where BRStock.SArea=:SArea"));
    dm.BRStockDS.setParam(QStringLiteral("SArea"), QStringLiteral("C0"));
    QVERIFY(dm.BRStockDS.open());
    QVERIFY(!dm.BRStockDS.isEmpty());
    QVERIFY(!dm.BRStockDS.remove());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("已修改庫存資料不可刪除")});

    messages.clear();
    dm.CounterMDS.setSql(QStringLiteral("select * from CounterM where SArea=:SArea"));
    dm.CounterMDS.setParam(QStringLiteral("SArea"), QStringLiteral("C0"));
    QVERIFY(dm.CounterMDS.open());
    if (!dm.CounterMDS.isEmpty()) {
        QVERIFY(!dm.CounterMDS.remove());
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("已完成資料不可刪除")});
    }
    QVERIFY(dm.CountDDS.open());
    QVERIFY(!dm.CountDDS.insert());

    // A stock adjustment moves the branch's stock once; editing it later only logs.
    const int before = env.stock(QStringLiteral("HY0003"));
    dm.LogRemark = QStringLiteral("盤點");
    QVERIFY(dm.BRStockDS.append());
    QVERIFY(dm.BRStockDS.fieldByName(QStringLiteral("BookNo")).setValue(QStringLiteral("HY0003")));
    QVERIFY(dm.BRStockDS.fieldByName(QStringLiteral("SArea")).setValue(QStringLiteral("C0")));
    QVERIFY(dm.BRStockDS.fieldByName(QStringLiteral("Qty")).setValue(-5));
    QVERIFY(dm.BRStockDS.post());
    QCOMPARE(env.stock(QStringLiteral("HY0003")), before - 5);
    QCOMPARE(env.lastLog().at(2), QStringLiteral("盤點/調整庫存"));
    QVERIFY(dm.BRStockDS.edit());
    QVERIFY(dm.BRStockDS.fieldByName(QStringLiteral("BRReason")).setValue(QStringLiteral("破損")));
    QVERIFY(dm.BRStockDS.post());
    QCOMPARE(env.stock(QStringLiteral("HY0003")), before - 5);
}

void TestPosting::readOnlyDataSetLeavesDatabase()
{
    QFETCH(Backend, backend);
    // Customers at "0": may open the window, may not write.
    Env env(backend, QStringLiteral("C0"), QStringLiteral("0000N00000000000"));
    MessageRecorder messages;
    TDataSet& ds = env.dm->CustomerDS;
    QVERIFY(ds.isReadOnly());
    ds.setSql(QStringLiteral("select * from Customer where CustNo like :p"));
    ds.setParam(QStringLiteral("p"), QStringLiteral("A%"));
    QVERIFY(ds.open());
    const int customers = env.scalar(QStringLiteral("SELECT COUNT(*) FROM Customer")).toInt();
    const int logs = env.logCount();
    QVERIFY(!ds.insert());
    QVERIFY(!ds.edit());
    QVERIFY(!ds.fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("x")));
    QVERIFY(!ds.remove());
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM Customer")).toInt(), customers);
    QCOMPARE(env.logCount(), logs);
    QVERIFY(messages.messages().isEmpty());
    QVERIFY(env.dm->QuoteTDS.isReadOnly());
    QVERIFY(env.dm->ChBookDS.isReadOnly());
}

void TestPosting::privilegeEffectsOnDataSets_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("priv");
    QTest::addColumn<QStringList>("readOnly");
    QTest::addColumn<QStringList>("writable");
    QTest::newRow("head_office_admin") << "C0" << AdminPriv << QStringList{"RateDS", "QuoteTDS", "CustDS"}
                                       << QStringList{"CustomerDS", "VendorDS", "ForwarderDS", "ClasesDS", "ExportDS", "ExportDDS"};
    // A manager keeps what the string holds; outside the head office three masters only read.
    QTest::newRow("branch_manager") << "C1" << "1330N07777770720" << QStringList{"VendorDS", "ForwarderDS", "ClasesDS"}
                                    << QStringList{"CustomerDS", "BookDS", "ExportDS", "BuyDS", "BRStockDS"};
    QTest::newRow("clerk_no_inquiry") << "C0" << "0333N0N777730720"
                                      << QStringList{"InquireMDS", "InquireDDS", "SubInqMDS", "SubInqDDS", "ClasesDS", "ForwarderDS"}
                                      << QStringList{"CustomerDS", "QuoteDS", "OrderDS", "ExportDS"};
    QTest::newRow("clerk_zero_export") << "C0" << "0333007777030720"
                                       << QStringList{"ExportDS", "ExportDDS", "ExpRetDS", "ExpRetDDS", "EWOffDS", "EWOffDDS"}
                                       << QStringList{"ImportDS", "ImpRetDDS", "InquireMDS"};
}

void TestPosting::privilegeEffectsOnDataSets()
{
    QFETCH(QString, area);
    QFETCH(QString, priv);
    QFETCH(QStringList, readOnly);
    QFETCH(QStringList, writable);
    TMainDM dm;
    UserAccount a;
    a.code = QStringLiteral("U");
    a.area = area;
    a.priv = priv;
    dm.SetLogin(a);
    for (const QString& name : readOnly) {
        QVERIFY2(dm.DataSetByName(name), qPrintable(name));
        QVERIFY2(dm.DataSetByName(name)->isReadOnly(), qPrintable(name));
        QCOMPARE(dm.DataSetByName(name)->isReadOnly(), true);
    }
    for (const QString& name : writable)
        QVERIFY2(!dm.DataSetByName(name)->isReadOnly(), qPrintable(name));
    // The read-only lists agree with what the privileges say, dataset by dataset.
    for (const auto& ds : dm.DataSets()) {
        if (dm.IsDataSetReadOnly(ds->name()))
            QVERIFY2(ds->isReadOnly(), qPrintable(ds->name()));
    }
}

void TestPosting::concurrentCompletionPostsOnce()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& one = *env.dm;
    auto otherDm = env.login(QStringLiteral("SecondWorkstation"), QStringLiteral("C0"), AdminPriv);
    TMainDM& two = *otherDm;
    const int pno = env.newHeader(one.ExportDS, QStringLiteral("CustNo"), QStringLiteral("A0001"));
    QVERIFY(env.addLine(one.ExportDDS, QStringLiteral("HY0001"), 3));
    messages.clear();
    QVERIFY(two.ExportDS.open());
    QVERIFY(two.ExportDS.locate({QStringLiteral("PNo")}, {pno}));
    const int before = env.stock(QStringLiteral("HY0001"));
    const int logs = env.logCount();

    QVERIFY(one.ExportDS.edit());
    QVERIFY(two.ExportDS.edit());
    QVERIFY(one.ExportDS.fieldByName(QStringLiteral("EComplete")).setValue(true));
    QVERIFY(two.ExportDS.fieldByName(QStringLiteral("EComplete")).setValue(true));
    QVERIFY(one.ExportDS.post());
    QVERIFY(!two.ExportDS.post());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("資料已被其他使用者修改，請重新查詢後再作業")});
    QCOMPARE(env.stock(QStringLiteral("HY0001")), before - 3);
    QCOMPARE(env.logCount(), logs + 1);
    QCOMPARE(two.ExportDS.state(), TDataSet::State::Edit);
    QVERIFY(!two.MainADOCon.inTransaction());
    two.ExportDS.cancel();
    otherDm.reset();
}

void TestPosting::bookSaveKeepsStockPostedMeanwhile()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.BookDS.setSql(QStringLiteral("select * from BOOK where BookNo=:No"));
    dm.BookDS.setParam(QStringLiteral("No"), QStringLiteral("HY0001"));
    QVERIFY(dm.BookDS.open());
    QVERIFY(dm.BookDS.edit());
    QVERIFY(dm.BookDS.fieldByName(QStringLiteral("Remark")).setValue(QStringLiteral("再版")));

    // Meanwhile a shipment of the same book is completed.
    const int pno = env.newHeader(dm.ExportDS, QStringLiteral("CustNo"), QStringLiteral("A0001"));
    QVERIFY(pno > 0);
    QVERIFY(env.addLine(dm.ExportDDS, QStringLiteral("HY0001"), 4));
    const int before = env.stock(QStringLiteral("HY0001"));
    QVERIFY(env.complete(dm.ExportDS, true));
    QCOMPARE(env.stock(QStringLiteral("HY0001")), before - 4);

    QVERIFY(dm.BookDS.post());
    QVERIFY(!dm.BookDS.lastStatement().contains(QStringLiteral("Stock"), Qt::CaseInsensitive));
    QCOMPARE(env.stock(QStringLiteral("HY0001")), before - 4);
    QCOMPARE(env.scalar(QStringLiteral("SELECT Remark FROM Book WHERE BookNo='HY0001'")).toString(), QStringLiteral("再版"));
}

void TestPosting::wildToLike_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("like");
    QTest::newRow("single_star_matches_all") << "*" << "%" << true;
    QTest::newRow("trailing") << "B00*" << "B00%" << true;
    QTest::newRow("leading") << "*書店" << "%書店" << true;
    QTest::newRow("both") << "*書*" << "%書%" << true;
    QTest::newRow("inner_star_stays") << "a*b" << "a*b" << false;
    QTest::newRow("inner_star_with_trailing") << "a*b*" << "a*b%" << true;
    QTest::newRow("no_star") << "A0001" << "A0001" << false;
    QTest::newRow("typed_wildcards_are_literal") << "50%_off*" << "50\\%\\_off%" << true;
    QTest::newRow("quote") << "O'Brien*" << "O'Brien%" << true;
}

void TestPosting::wildToLike()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, like);
    QCOMPARE(TMainDM::WildToLike(text), like);
    QCOMPARE(text, pattern);
}

void TestPosting::searchTextIsOnlyEverBound()
{
    QFETCH(Backend, backend);
    Env env(backend);
    TMainDM& dm = *env.dm;
    const int customers = env.scalar(QStringLiteral("SELECT COUNT(*) FROM Customer")).toInt();
    const auto search = [&](QString text) {
        const bool like = TMainDM::WildToLike(text);
        dm.CustomerDS.setSql(QStringLiteral("select * from Customer where CustName ")
                             + (like ? QStringLiteral("like :Name") + TMainDM::LikeEscape : QStringLiteral("= :Name")));
        dm.CustomerDS.setParam(QStringLiteral("Name"), text);
        return dm.CustomerDS.open() ? dm.CustomerDS.recordCount() : -1;
    };
    QCOMPARE(search(QStringLiteral("*")), customers);
    QCOMPARE(search(QStringLiteral("晨光*")), 1);
    for (const QString& evil : {QStringLiteral("x' or '1'='1"), QStringLiteral("*'; DELETE FROM Customer; --*"),
                                QStringLiteral("*%*"), QStringLiteral("*_*"), QStringLiteral("\\*")}) {
        QCOMPARE(search(evil), 0);
    }
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM Customer")).toInt(), customers);
}

void TestPosting::sharedDataSetsOpenAndClose()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    // Every fixed query is valid on the backend; details and totals follow their header.
    for (const auto& ds : dm.DataSets()) {
        if (ds->sql().isEmpty())
            continue;
        QVERIFY2(ds->open(), qPrintable(ds->name() + ": " + ds->lastError().text()));
    }
    QVERIFY(dm.QuoteDS.locate({QStringLiteral("PNo")}, {1}));
    QVERIFY(!dm.QuoteDDS.isEmpty());
    QCOMPARE(dm.QuoteTDS.recordCount(), 1);
    QCOMPARE(dm.QuoteTDS.fieldByName(QStringLiteral("SumQty")).asInteger(),
             env.scalar(QStringLiteral("SELECT SUM(Qty) FROM QuoteDetail WHERE SArea='C0' AND PNo=1")).toLongLong());
    QVERIFY(dm.QuoteDDS.fieldByName(QStringLiteral("Stocks")).isAttached());
    QVERIFY(!dm.QuoteDDS.fieldByName(QStringLiteral("BookName")).isWritable());
    QVERIFY(!dm.SubCompDS.isEmpty());
    QVERIFY(dm.CheckBook(QStringLiteral("bookno"), QStringLiteral("HY0001")));
    QCOMPARE(dm.ChBookDS.fieldByName(QStringLiteral("bookname")).asString(), QStringLiteral("島嶼的風"));
    dm.CloseSharedDataSets();
    QVERIFY(!dm.ChBookDS.isActive());
    QVERIFY(!dm.ComDS.isActive());
    QVERIFY(!dm.RateDS.isActive());
    QVERIFY(messages.messages().isEmpty());
}

void TestPosting::startingValuesAndEntryRules()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    QVERIFY(dm.CustomerDS.open());
    QVERIFY(dm.CustomerDS.append());
    for (const char c : QByteArrayLiteral("ABCDEF"))
        QCOMPARE(dm.CustomerDS.fieldByName(QStringLiteral("Disc") + QLatin1Char(c)).asFloat(), 1.0);
    QCOMPARE(dm.CustomerDS.fieldByName(QStringLiteral("SArea")).asString(), QStringLiteral("C0"));
    TField& disc = dm.CustomerDS.fieldByName(QStringLiteral("DiscB"));
    for (double refused : {1.5, 0.0, -0.2}) {
        QVERIFY(!disc.setValue(refused));
        QCOMPARE(messages.last(), QStringLiteral("折扣應介於1~0.0001"));
    }
    QCOMPARE(disc.asFloat(), 1.0);
    QVERIFY(disc.setValue(0.0001));
    messages.clear();
    TField& vip = dm.CustomerDS.fieldByName(QStringLiteral("VIPNo"));
    QVERIFY(!vip.setValue(QStringLiteral(" 8860000000017 ")));
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("此VIP號碼已存在")});
    QVERIFY(vip.isNull());
    QVERIFY(vip.setValue(QStringLiteral(" 8869999999999 ")));
    QCOMPARE(vip.asString(), QStringLiteral("8869999999999"));
    dm.CustomerDS.cancel();

    QVERIFY(dm.BRStockDS.open());
    QVERIFY(dm.BRStockDS.append());
    QCOMPARE(dm.BRStockDS.fieldByName(QStringLiteral("UsCode")).asString(), QStringLiteral("TESTER"));
    QCOMPARE(dm.BRStockDS.fieldByName(QStringLiteral("Qty")).asInteger(), 0);
    QCOMPARE(dm.BRStockDS.fieldByName(QStringLiteral("EDate")).asDateTime(), QDate::currentDate().startOfDay());
    dm.BRStockDS.cancel();

    // A line's discount obeys the same range.
    QVERIFY(dm.QuoteDS.open());
    QVERIFY(dm.QuoteDDS.open());
    QVERIFY(dm.QuoteDDS.append());
    QVERIFY(!dm.QuoteDDS.fieldByName(QStringLiteral("Disc")).setValue(2));
    QVERIFY(dm.QuoteDDS.fieldByName(QStringLiteral("Disc")).setValue(0.5));
    dm.QuoteDDS.cancel();
}

void TestPosting::counterDateIsUnique()
{
    QFETCH(Backend, backend);
    Env env(backend);
    MessageRecorder messages;
    TMainDM& dm = *env.dm;
    dm.LogItem = QStringLiteral("門市銷售");
    QVERIFY(dm.CounterMDS.open());
    const auto addDay = [&] {
        return dm.CounterMDS.append() && dm.CounterMDS.fieldByName(QStringLiteral("EDate")).setValue(QDateTime(QDate(2024, 7, 1), QTime(0, 0)))
               && dm.CounterMDS.post();
    };
    QVERIFY2(addDay(), qPrintable(messages.texts().join('|') + dm.CounterMDS.lastError().text()));
    const int pno = int(dm.CounterMDS.fieldByName(QStringLiteral("PNo")).asInteger());
    QCOMPARE(env.lastLog().at(2), QStringLiteral("C0/Pno:%1/Date:2024/07/01").arg(pno));
    const int logs = env.logCount();
    QVERIFY(!addDay());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("此日期重覆，請查詢後再作業")});
    QCOMPARE(dm.CounterMDS.state(), TDataSet::State::Browse); // the pending insert is cancelled
    QCOMPARE(dm.CounterMDS.recordCount(), 1);
    QCOMPARE(env.logCount(), logs);
    QVERIFY(!dm.MainADOCon.inTransaction());
}

void TestPosting::classRightsAndNumberChange()
{
    QFETCH(Backend, backend);
    // Position 5 is "3": insert and update, no number change, no delete.
    Env env(backend, QStringLiteral("C0"), QStringLiteral("0333330777730720"));
    MessageRecorder messages;
    TDataSet& ds = env.dm->ClasesDS;
    ds.setSql(QStringLiteral("select * from Clases where ClsNo=:No"));
    ds.setParam(QStringLiteral("No"), QStringLiteral("LIT"));
    QVERIFY(ds.open());
    QCOMPARE(ds.recordCount(), 1);
    QVERIFY(ds.edit());
    QVERIFY(ds.fieldByName(QStringLiteral("ClsCNm")).setValue(QStringLiteral("文學類")));
    QVERIFY(ds.post());
    QCOMPARE(env.lastLog().at(2), QStringLiteral("LIT/文學類"));
    QVERIFY(ds.edit());
    QVERIFY(ds.fieldByName(QStringLiteral("ClsNo")).setValue(QStringLiteral("LIT2")));
    QVERIFY(!ds.post());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("無權修改科目編號")});
    QCOMPARE(ds.state(), TDataSet::State::Browse);
    QCOMPARE(env.scalar(QStringLiteral("SELECT COUNT(*) FROM Clases WHERE ClsNo='LIT'")).toInt(), 1);
    QVERIFY(!env.dm->MainADOCon.inTransaction());
    messages.clear();
    QVERIFY(!ds.remove()); // no delete right: refused without a word
    QVERIFY(messages.messages().isEmpty());
    QVERIFY(ds.append());
    QVERIFY(ds.fieldByName(QStringLiteral("ClsNo")).setValue(QStringLiteral("  ")));
    QVERIFY(!ds.post());
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("請輸入科目編號")});
    QCOMPARE(ds.state(), TDataSet::State::Insert);
}

QTEST_GUILESS_MAIN(TestPosting)
#include "tst_posting.moc"
