#include <memory>

#include <QSqlQuery>
#include <QtTest>

#include "data/dataset/TDataSet.h"
#include "data/dataset/TDataSource.h"
#include "../support/MessageRecorder.h"
#include "../support/TestDb.h"

namespace {

/// A fresh database with three customers and their subject classes, and two connections to it:
/// one for the dataset under test, one playing another user or checking what was stored.
struct Fixture
{
    std::unique_ptr<TestDb> db;
    std::unique_ptr<Connection> con;
    std::unique_ptr<Connection> other;

    explicit Fixture(Backend backend)
    {
        db = TestDb::create(backend);
        QString error;
        if (!db->createSchema({QStringLiteral("C0"), QStringLiteral("C1")}, &error))
            qFatal("schema: %s", qPrintable(error));
        con = std::make_unique<Connection>(QStringLiteral("ds-under-test"));
        con->configure(db->settings());
        other = std::make_unique<Connection>(QStringLiteral("ds-other-user"));
        other->configure(db->settings());
        exec("INSERT INTO Customer (CustNo, CustName, Contact, DiscA, CLock, MDate) VALUES "
             "('C001', '甲書店', '王', 0.9, 0, '2024-03-01 00:00:00')");
        exec("INSERT INTO Customer (CustNo, CustName, Contact) VALUES ('C002', 'beta', '李')");
        exec("INSERT INTO Customer (CustNo, CustName) VALUES ('C003', 'Alpha')");
        for (const char* cls : {"A1", "A2", "B1", "A9", "Z1"})
            exec(QStringLiteral("INSERT INTO Clases (ClsNo) VALUES ('%1')").arg(QLatin1String(cls)).toUtf8());
        exec("INSERT INTO Book (BookNo, BookName) VALUES ('B1', '詩經')");
        exec("INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('C001', 'A1')");
        exec("INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('C001', 'A2')");
        exec("INSERT INTO CustClsNo (CustNo, ClsNo) VALUES ('C002', 'B1')");
    }
    ~Fixture()
    {
        con.reset();
        other.reset();
    }

    void exec(const QByteArray& sql)
    {
        QSqlQuery q(other->database());
        if (!q.exec(QString::fromUtf8(sql)))
            qFatal("%s: %s", sql.constData(), qPrintable(q.lastError().text()));
    }
    QVariant scalar(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery q(other->database());
        q.prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec() || !q.next())
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q.value(0);
    }
    QString customerText(const QString& custNo, const QString& column)
    {
        return scalar(QStringLiteral("SELECT %1 FROM Customer WHERE CustNo=?").arg(column), {custNo}).toString();
    }
    int count(const QString& table)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
    }

    /// The customers as a writable dataset, ordered by number.
    std::unique_ptr<TDataSet> customers(const QString& name = QStringLiteral("CustomerDS"))
    {
        auto ds = std::make_unique<TDataSet>(*con, name);
        ds->setSql(QStringLiteral("select * from Customer order by CustNo"));
        ds->setTable(QStringLiteral("Customer"));
        return ds;
    }
};

void backends()
{
    TestDb::addBackendRows();
}

} // namespace

class TestDataSet : public QObject
{
    Q_OBJECT
private slots:
    void fieldsByNameTypeAndText_data() { backends(); }
    void fieldsByNameTypeAndText();
    void navigationAndLocate_data() { backends(); }
    void navigationAndLocate();
    void insertReadsBackIdentityAndDefaults_data() { backends(); }
    void insertReadsBackIdentityAndDefaults();
    void emptyReferenceIsStoredAsNull_data() { backends(); }
    void emptyReferenceIsStoredAsNull();
    void updateWritesOnlyChangedColumns_data() { backends(); }
    void updateWritesOnlyChangedColumns();
    void updateOfChangedRuleColumnIsRefused_data() { backends(); }
    void updateOfChangedRuleColumnIsRefused();
    void keyChangeUpdatesByReadKey_data() { backends(); }
    void keyChangeUpdatesByReadKey();
    void pendingChangesAndUnchangedSave_data() { backends(); }
    void pendingChangesAndUnchangedSave();
    void handlersAbandonSilently_data();
    void handlersAbandonSilently();
    void abandonAfterPostKeepsRowUnsaved_data() { backends(); }
    void abandonAfterPostKeepsRowUnsaved();
    void postErrorKeepsRowOpen_data() { backends(); }
    void postErrorKeepsRowOpen();
    void writeTextsRunAgain_data() { backends(); }
    void writeTextsRunAgain();
    void deleteAndAbandonedAfterDelete_data() { backends(); }
    void deleteAndAbandonedAfterDelete();
    void readOnlyRefusesEveryWrite_data() { backends(); }
    void readOnlyRefusesEveryWrite();
    void joinedColumnsAreReadOnly_data() { backends(); }
    void joinedColumnsAreReadOnly();
    void entryChecksKeepPreviousValue_data() { backends(); }
    void entryChecksKeepPreviousValue();
    void editTextParsing();
    void masterDetailFollowsHeader_data() { backends(); }
    void masterDetailFollowsHeader();
    void parametersAreBoundNeverSpliced_data() { backends(); }
    void parametersAreBoundNeverSpliced();
    void clientSort_data() { backends(); }
    void clientSort();
    void requeryKeepsPosition_data() { backends(); }
    void requeryKeepsPosition();
    void movingWhileEditingSaves_data() { backends(); }
    void movingWhileEditingSaves();
    void disableControlsDefersSignals_data() { backends(); }
    void disableControlsDefersSignals();
    void rowsFromQueryAndLists_data() { backends(); }
    void rowsFromQueryAndLists();
    void refreshRecordRereadsOneRow_data() { backends(); }
    void refreshRecordRereadsOneRow();
    void dataSourceAutoEdit_data() { backends(); }
    void pagedReadMatchesFullRead_data() { backends(); }
    void pagedReadMatchesFullRead();
    void pagedEditing_data() { backends(); }
    void pagedEditing();
    void pagedFirstPageAlone_data() { backends(); }
    void pagedFirstPageAlone();
    void pagedRowsListedOnDemand_data();
    void pagedRowsListedOnDemand();
    void pagedFirstPageStaysAsShown_data() { backends(); }
    void pagedFirstPageStaysAsShown();
    void dataSourceAutoEdit();
};

void TestDataSet::fieldsByNameTypeAndText()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    TField& hooked = ds->fieldByName(QStringLiteral("CUSTNAME")); // before open: hooks survive
    hooked.onGetText = [](const TField& fld, bool display) {
        return display ? QStringLiteral("[%1]").arg(fld.asString()) : fld.asString();
    };
    QVERIFY(ds->open());
    QCOMPARE(ds->state(), TDataSet::State::Browse);
    QCOMPARE(ds->recordCount(), 3);
    QCOMPARE(ds->recNo(), 0);
    QCOMPARE(&ds->fieldByName(QStringLiteral("custname")), &hooked);
    QCOMPARE(hooked.name(), QStringLiteral("CustName")); // the schema's spelling on both backends
    QCOMPARE(ds->field(0).name(), QStringLiteral("CustNo"));
    QCOMPARE(hooked.displayText(), QStringLiteral("[甲書店]"));
    QCOMPARE(hooked.editText(), QStringLiteral("甲書店"));
    QCOMPARE(hooked.size(), 70);

    const TField& disc = ds->fieldByName(QStringLiteral("DiscA"));
    QCOMPARE(disc.type(), ColType::Decimal);
    QCOMPARE(disc.asFloat(), 0.9);
    QCOMPARE(disc.displayText(), QStringLiteral("0.9000"));
    const TField& lock = ds->fieldByName(QStringLiteral("clock"));
    QCOMPARE(lock.type(), ColType::Boolean);
    QCOMPARE(lock.value(), QVariant(false));
    const TField& mdate = ds->fieldByName(QStringLiteral("MDate"));
    QCOMPARE(mdate.asDateTime(), QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    QCOMPARE(mdate.displayText(), QStringLiteral("2024/03/01"));
    QVERIFY(ds->fieldByName(QStringLiteral("WDate")).isNull());
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).isKey());

    // Aliases come back lower-case from PostgreSQL and are still found.
    TDataSet sums(*f.con, QStringLiteral("SumDS"));
    sums.setSql(QStringLiteral("select COUNT(*) as SumQty, MAX(CustName) as LastName from Customer"));
    QVERIFY(sums.open());
    QCOMPARE(sums.fieldByName(QStringLiteral("SumQty")).asInteger(), 3);
    QCOMPARE(sums.fieldByName(QStringLiteral("lastname")).asString(), QStringLiteral("甲書店"));
    QCOMPARE(sums.field(0).asInteger(), 3);

    // A name the query lacks is a harmless null field.
    TField& missing = ds->fieldByName(QStringLiteral("NoSuchColumn"));
    QVERIFY(!missing.isAttached());
    QVERIFY(missing.isNull());
    QVERIFY(ds->edit());
    QVERIFY(!missing.setValue(1));
    QVERIFY(!ds->findField(QStringLiteral("AnotherMissing")));
}

void TestDataSet::navigationAndLocate()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    QVERIFY(ds->open());
    QStringList seen;
    for (ds->first(); !ds->eof(); ds->next())
        seen << ds->fieldByName(QStringLiteral("CustNo")).asString();
    QCOMPARE(seen, QStringList({"C001", "C002", "C003"}));
    QCOMPARE(ds->recNo(), 2);
    QVERIFY(ds->prior());
    QCOMPARE(ds->recNo(), 1);
    ds->first();
    QVERIFY(ds->bof());
    QVERIFY(!ds->prior());
    QCOMPARE(ds->recNo(), 0);

    QVERIFY(ds->locate({QStringLiteral("custname")}, {QStringLiteral("ALPHA")}, true));
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C003"));
    QVERIFY(!ds->locate({QStringLiteral("CustName")}, {QStringLiteral("ALPHA")}));
    QCOMPARE(ds->recNo(), 2);

    TDataSet empty(*f.con, QStringLiteral("EmptyDS"));
    empty.setSql(QStringLiteral("select * from Customer where 0=1"));
    QVERIFY(empty.open());
    QVERIFY(empty.isEmpty());
    QVERIFY(empty.eof() && empty.bof());
    QCOMPARE(empty.recNo(), -1);
    QVERIFY(empty.fieldByName(QStringLiteral("CustNo")).isNull());
    QVERIFY(!empty.edit());
}

void TestDataSet::insertReadsBackIdentityAndDefaults()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    TDataSet stock(*f.con, QStringLiteral("BRStockDS"));
    stock.setSql(QStringLiteral("select * from BRStock where 0=1"));
    QVERIFY(stock.setTable(QStringLiteral("BRStock")));
    QVERIFY(stock.open());
    for (int qty : {5, -2}) {
        QVERIFY(stock.append());
        QVERIFY(stock.fieldByName(QStringLiteral("BookNo")).setValue(QStringLiteral("B1")));
        QVERIFY(stock.fieldByName(QStringLiteral("Qty")).setValue(qty));
        QVERIFY(stock.fieldByName(QStringLiteral("EDate")).setValue(QDateTime(QDate(2024, 5, 6), QTime(10, 0))));
        QVERIFY2(stock.post(), qPrintable(stock.lastError().text()));
    }
    QCOMPARE(stock.recordCount(), 2);
    const qlonglong first = stock.value(0, QStringLiteral("PNo")).toLongLong();
    const qlonglong second = stock.value(1, QStringLiteral("PNo")).toLongLong();
    QVERIFY(first > 0);
    QVERIFY(second > first);
    QCOMPARE(f.scalar(QStringLiteral("SELECT Qty FROM BRStock WHERE PNo=?"), {second}).toInt(), -2);
    QCOMPARE(f.scalar(QStringLiteral("SELECT EDate FROM BRStock WHERE PNo=?"), {first}).toString().left(10),
             QStringLiteral("2024-05-06"));

    auto cust = f.customers();
    QVERIFY(cust->open());
    QVERIFY(cust->insert());
    QCOMPARE(cust->recNo(), 0);
    QCOMPARE(cust->recordCount(), 4);
    QVERIFY(cust->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C000")));
    QVERIFY(cust->post());
    // Server defaults come back into the row.
    QCOMPARE(cust->fieldByName(QStringLiteral("DiscA")).asFloat(), 1.0);
    QCOMPARE(cust->fieldByName(QStringLiteral("CLock")).value(), QVariant(false));
    QCOMPARE(f.count(QStringLiteral("Customer")), 4);
}

void TestDataSet::emptyReferenceIsStoredAsNull()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    TDataSet books(*f.con, QStringLiteral("BookDS"));
    books.setSql(QStringLiteral("select * from Book order by BookNo"));
    QVERIFY(books.setTable(QStringLiteral("Book")));
    QVERIFY(books.open());
    QVERIFY(books.append());
    QVERIFY(books.fieldByName(QStringLiteral("BookNo")).setValue(QStringLiteral("B2")));
    // A supplier and a class left empty on the form are no supplier and no class.
    QVERIFY(books.fieldByName(QStringLiteral("VNo")).setEditText(QString()));
    QVERIFY(books.fieldByName(QStringLiteral("ClsNo")).setEditText(QStringLiteral("  ")));
    QVERIFY(books.fieldByName(QStringLiteral("BookName")).setEditText(QString()));
    QVERIFY2(books.post(), qPrintable(books.lastError().text()));
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM Book WHERE BookNo='B2' AND VNo IS NULL "
                                     "AND ClsNo IS NULL")).toInt(),
             1);
    // A class that does not exist is still refused by the reference.
    QVERIFY(books.edit());
    QVERIFY(books.fieldByName(QStringLiteral("ClsNo")).setEditText(QStringLiteral("NOPE")));
    QVERIFY(!books.post());
}

void TestDataSet::updateWritesOnlyChangedColumns()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    QVERIFY(ds->open());
    QVERIFY(ds->edit());
    // Another user changes a column this window only read.
    f.exec("UPDATE Customer SET Contact='陳' WHERE CustNo='C001'");
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("甲書局")));
    QVERIFY(ds->post());
    QVERIFY(ds->lastStatement().startsWith(QStringLiteral("UPDATE Customer SET CustName=? WHERE CustNo=?")));
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("CustName")), QStringLiteral("甲書局"));
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("Contact")), QStringLiteral("陳"));
    QCOMPARE(ds->state(), TDataSet::State::Browse);
    QCOMPARE(ds->fieldByName(QStringLiteral("CustName")).oldValue(), QVariant(QStringLiteral("甲書局")));
}

void TestDataSet::updateOfChangedRuleColumnIsRefused()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    ds->setRuleColumns({QStringLiteral("CLock")});
    int errors = 0;
    ds->onPostError = [&](TDataSet&) { ++errors; };
    QVERIFY(ds->open());
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("Remark")).setValue(QStringLiteral("mine")));
    f.exec("UPDATE Customer SET CLock=1 WHERE CustNo='C001'");
    QVERIFY(!ds->post());
    QVERIFY(ds->isConflict());
    QCOMPARE(errors, 1);
    QCOMPARE(ds->state(), TDataSet::State::Edit);
    QCOMPARE(ds->fieldByName(QStringLiteral("Remark")).asString(), QStringLiteral("mine"));
    QVERIFY(f.customerText(QStringLiteral("C001"), QStringLiteral("Remark")).isEmpty());

    // After a re-read the same change goes through, with the new rule value in its WHERE.
    ds->cancel();
    QVERIFY(ds->requery());
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("Remark")).setValue(QStringLiteral("mine")));
    QVERIFY(ds->post());
    QVERIFY(!ds->isConflict());
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("Remark")), QStringLiteral("mine"));
}

void TestDataSet::keyChangeUpdatesByReadKey()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    QVERIFY(ds->open());
    QVERIFY(ds->moveTo(2));
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C009")));
    QVERIFY(ds->isFieldChanged(QStringLiteral("custno")));
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).oldValue(), QVariant(QStringLiteral("C003")));
    QVERIFY(ds->post());
    QCOMPARE(f.customerText(QStringLiteral("C009"), QStringLiteral("CustName")), QStringLiteral("Alpha"));
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM Customer WHERE CustNo='C003'")).toInt(), 0);
}

void TestDataSet::pendingChangesAndUnchangedSave()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    int beforePosts = 0;
    ds->beforePost = [&](TDataSet&) { ++beforePosts; };
    QVERIFY(ds->open());
    QVERIFY(!ds->hasPendingChanges());
    QVERIFY(ds->edit());
    QVERIFY(!ds->hasPendingChanges());
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("other")));
    QVERIFY(ds->hasPendingChanges());
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("甲書店")));
    QVERIFY(!ds->hasPendingChanges()); // typed back to what was read
    f.exec("UPDATE Customer SET CustName='changed meanwhile' WHERE CustNo='C001'");
    QVERIFY(ds->post());
    QCOMPARE(beforePosts, 0);
    QCOMPARE(ds->state(), TDataSet::State::Browse);
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("CustName")),
             QStringLiteral("changed meanwhile"));

    QVERIFY(ds->insert());
    QVERIFY(ds->hasPendingChanges()); // a new row always is
    ds->cancel();
    QCOMPARE(ds->recordCount(), 3);
}

void TestDataSet::handlersAbandonSilently_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("operation");
    for (const char* be : {"sqlite", "postgres"}) {
        const Backend backend = QByteArray(be) == "sqlite" ? Backend::Sqlite : Backend::Postgres;
        if (backend == Backend::Postgres && !TestDb::postgresAvailable())
            continue;
        const std::pair<const char*, const char*> rows[] = {{"beforeInsert", "insert"},
                                                            {"beforeEdit", "edit"},
                                                            {"beforePost", "post-edit"},
                                                            {"beforePost", "post-insert"},
                                                            {"beforeDelete", "delete"}};
        for (const auto& [event, op] : rows)
            QTest::newRow(qPrintable(QStringLiteral("%1_%2_%3").arg(be, event, op)))
                << backend << QString::fromLatin1(event) << QString::fromLatin1(op);
    }
}

void TestDataSet::handlersAbandonSilently()
{
    QFETCH(Backend, backend);
    QFETCH(QString, event);
    QFETCH(QString, operation);
    Fixture f(backend);
    MessageRecorder messages;
    auto ds = f.customers();
    TDataSet::Hook abandon = [](TDataSet&) { TDataSet::abort(); };
    if (event == QLatin1String("beforeInsert"))
        ds->beforeInsert = abandon;
    else if (event == QLatin1String("beforeEdit"))
        ds->beforeEdit = abandon;
    else if (event == QLatin1String("beforePost"))
        ds->beforePost = abandon;
    else
        ds->beforeDelete = abandon;
    QVERIFY(ds->open());

    TDataSet::State expected = TDataSet::State::Browse;
    if (operation == QLatin1String("insert")) {
        QVERIFY(!ds->insert());
    } else if (operation == QLatin1String("edit")) {
        QVERIFY(!ds->edit());
    } else if (operation == QLatin1String("post-edit")) {
        QVERIFY(ds->edit());
        QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("x")));
        QVERIFY(!ds->post());
        expected = TDataSet::State::Edit;
    } else if (operation == QLatin1String("post-insert")) {
        QVERIFY(ds->append());
        QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C100")));
        QVERIFY(!ds->post());
        expected = TDataSet::State::Insert;
        QCOMPARE(ds->recordCount(), 4);
    } else {
        QVERIFY(!ds->remove());
    }
    QCOMPARE(ds->state(), expected);
    QVERIFY(messages.messages().isEmpty());
    QCOMPARE(f.count(QStringLiteral("Customer")), 3);
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("CustName")), QStringLiteral("甲書店"));
}

void TestDataSet::abandonAfterPostKeepsRowUnsaved()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    // The rule's transaction: begun before the write, rolled back when the rule after it fails.
    bool failAfter = true;
    ds->beforePost = [&](TDataSet& d) {
        if (!d.connection().beginWrite())
            TDataSet::abort();
    };
    ds->afterPost = [&](TDataSet& d) {
        if (failAfter) {
            d.connection().rollback();
            TDataSet::abort();
        }
        d.connection().commit();
    };
    QVERIFY(ds->open());
    QVERIFY(ds->append());
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C100")));
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("新客")));
    QVERIFY(!ds->post());
    QCOMPARE(ds->state(), TDataSet::State::Insert);
    QVERIFY(ds->fieldByName(QStringLiteral("DiscA")).isNull()); // read-back dropped with the save
    QCOMPARE(ds->fieldByName(QStringLiteral("CustName")).asString(), QStringLiteral("新客"));
    QCOMPARE(f.count(QStringLiteral("Customer")), 3);

    failAfter = false;
    QVERIFY(ds->post());
    QCOMPARE(f.customerText(QStringLiteral("C100"), QStringLiteral("CustName")), QStringLiteral("新客"));

    failAfter = true;
    QVERIFY(ds->first());
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("改名")));
    QVERIFY(!ds->post());
    QCOMPARE(ds->state(), TDataSet::State::Edit);
    QVERIFY(ds->hasPendingChanges());
    QCOMPARE(ds->fieldByName(QStringLiteral("CustName")).oldValue(), QVariant(QStringLiteral("甲書店")));
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("CustName")), QStringLiteral("甲書店"));
    ds->cancel();
    QCOMPARE(ds->fieldByName(QStringLiteral("CustName")).asString(), QStringLiteral("甲書店"));
}

void TestDataSet::postErrorKeepsRowOpen()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    DbError seen;
    ds->onPostError = [&](TDataSet& d) { seen = DbError::from(d.lastError()); };
    QVERIFY(ds->open());
    QVERIFY(ds->append());
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C002")));
    QVERIFY(!ds->post());
    QVERIFY(seen.isDuplicate());
    QCOMPARE(ds->state(), TDataSet::State::Insert);
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C004")));
    QVERIFY(ds->post());
    QCOMPARE(f.count(QStringLiteral("Customer")), 4);
}

void TestDataSet::writeTextsRunAgain()
{
    QFETCH(Backend, backend);
    Fixture f(backend);

    // A failed insert rolled back by its rule, then the same text again in a new transaction.
    auto ds = f.customers();
    ds->beforePost = [](TDataSet& d) {
        if (!d.connection().beginWrite())
            TDataSet::abort();
    };
    ds->afterPost = [](TDataSet& d) { d.connection().commit(); };
    ds->onPostError = [](TDataSet& d) { d.connection().rollback(); };
    QVERIFY(ds->open());
    QVERIFY(ds->append());
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C002")));
    QVERIFY(!ds->post());
    QVERIFY(DbError::from(ds->lastError()).isDuplicate());
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("C004")));
    QVERIFY2(ds->post(), qPrintable(ds->lastError().text()));
    QCOMPARE(ds->fieldByName(QStringLiteral("DiscA")).asFloat(), 1.0);
    // One update text for two rows, the first refused by a rule column changed meanwhile.
    ds->setRuleColumns({QStringLiteral("Contact")});
    QVERIFY(ds->locate({QStringLiteral("CustNo")}, {QStringLiteral("C001")}));
    f.exec("UPDATE Customer SET Contact='陳' WHERE CustNo='C001'");
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("甲")));
    QVERIFY(!ds->post());
    QVERIFY(ds->isConflict());
    ds->cancel();
    QVERIFY(ds->locate({QStringLiteral("CustNo")}, {QStringLiteral("C002")}));
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("乙")));
    QVERIFY2(ds->post(), qPrintable(ds->lastError().text()));
    QCOMPARE(f.customerText(QStringLiteral("C002"), QStringLiteral("CustName")), QStringLiteral("乙"));
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("CustName")), QStringLiteral("甲書店"));

    // A handler saving another row of the same table through the same insert: each row keeps
    // the number the server gave it.
    TDataSet first(*f.con, QStringLiteral("FirstDS"));
    TDataSet second(*f.con, QStringLiteral("SecondDS"));
    const auto fill = [](TDataSet& d, int qty) {
        return d.append() && d.fieldByName(QStringLiteral("BookNo")).setValue(QStringLiteral("B1"))
               && d.fieldByName(QStringLiteral("Qty")).setValue(qty)
               && d.fieldByName(QStringLiteral("EDate")).setValue(QDateTime(QDate(2024, 5, 6), QTime(10, 0)));
    };
    for (TDataSet* d : {&first, &second}) {
        d->setSql(QStringLiteral("select * from BRStock where 0=1"));
        QVERIFY(d->setTable(QStringLiteral("BRStock")));
        QVERIFY(d->open());
    }
    bool nestedSaved = false;
    first.afterPost = [&](TDataSet&) { nestedSaved = fill(second, 7) && second.post(); };
    QVERIFY(fill(first, 3));
    QVERIFY2(first.post(), qPrintable(first.lastError().text()));
    QVERIFY(nestedSaved);
    const QVariant firstNo = first.fieldByName(QStringLiteral("PNo")).value();
    const QVariant secondNo = second.fieldByName(QStringLiteral("PNo")).value();
    QVERIFY(firstNo != secondNo);
    QCOMPARE(f.scalar(QStringLiteral("SELECT Qty FROM BRStock WHERE PNo=?"), {firstNo}).toInt(), 3);
    QCOMPARE(f.scalar(QStringLiteral("SELECT Qty FROM BRStock WHERE PNo=?"), {secondNo}).toInt(), 7);
}

void TestDataSet::deleteAndAbandonedAfterDelete()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    bool undo = false;
    ds->beforeDelete = [&](TDataSet& d) { d.connection().beginWrite(); };
    ds->afterDelete = [&](TDataSet& d) {
        if (undo) {
            d.connection().rollback();
            TDataSet::abort();
        }
        d.connection().commit();
    };
    QVERIFY(ds->open());
    QVERIFY(ds->moveTo(1));
    QVERIFY(ds->remove());
    QCOMPARE(ds->recordCount(), 2);
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C003"));
    QCOMPARE(f.count(QStringLiteral("Customer")), 2);

    undo = true;
    QVERIFY(!ds->remove());
    QCOMPARE(ds->recordCount(), 2);
    QCOMPARE(ds->recNo(), 1);
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C003"));
    QCOMPARE(f.count(QStringLiteral("Customer")), 2);
}

void TestDataSet::readOnlyRefusesEveryWrite()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    int events = 0;
    ds->beforeInsert = ds->beforeEdit = ds->beforeDelete = [&](TDataSet&) { ++events; };
    QVERIFY(ds->open());
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("pending")));
    ds->setReadOnly(true); // switched at run time: the pending edit is dropped
    QCOMPARE(ds->state(), TDataSet::State::Browse);
    QVERIFY(!ds->insert());
    QVERIFY(!ds->append());
    QVERIFY(!ds->edit());
    QVERIFY(!ds->remove());
    QVERIFY(!ds->fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("x")));
    QCOMPARE(events, 1);
    QCOMPARE(ds->recordCount(), 3);
    QCOMPARE(f.count(QStringLiteral("Customer")), 3);
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("CustName")), QStringLiteral("甲書店"));
    TDataSource src(ds.get());
    QVERIFY(!src.canModify());
    QVERIFY(!src.setFieldValue(QStringLiteral("CustName"), QStringLiteral("x")));

    ds->setReadOnly(false);
    QVERIFY(ds->edit());
}

void TestDataSet::joinedColumnsAreReadOnly()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    TDataSet ds(*f.con, QStringLiteral("ClsDS"));
    ds.setSql(QStringLiteral("select CustClsNo.*, Customer.CustName, Customer.CustNo as Owner "
                             "from CustClsNo left outer join Customer on (CustClsNo.CustNo=Customer.CustNo) "
                             "where CustClsNo.CustNo=:CustNo order by ClsNo"));
    ds.setTable(QStringLiteral("CustClsNo"));
    ds.setParam(QStringLiteral("custno"), QStringLiteral("C001"));
    QVERIFY(ds.open());
    QCOMPARE(ds.recordCount(), 2);
    QVERIFY(ds.edit());
    QVERIFY(!ds.fieldByName(QStringLiteral("CustName")).isWritable());
    QVERIFY(!ds.fieldByName(QStringLiteral("CustName")).setValue(QStringLiteral("x")));
    QVERIFY(!ds.fieldByName(QStringLiteral("Owner")).setValue(QStringLiteral("C002")));
    QVERIFY(ds.fieldByName(QStringLiteral("ClsNo")).setValue(QStringLiteral("A9")));
    QVERIFY(ds.post());
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM CustClsNo WHERE ClsNo='A9'")).toInt(), 1);
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("CustName")), QStringLiteral("甲書店"));
}

void TestDataSet::entryChecksKeepPreviousValue()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    MessageRecorder messages;
    auto ds = f.customers();
    TField& contact = ds->fieldByName(QStringLiteral("Contact"));
    contact.onValidate = [](TField&, QVariant& v) {
        if (v.toString() == QLatin1String("bad"))
            return false;
        if (v.toString() == QLatin1String("abort"))
            TDataSet::abort();
        v = v.toString().trimmed();
        return true;
    };
    QStringList changes;
    contact.onChange = [&](TField& fld) { changes << fld.asString(); };
    QVERIFY(ds->open());
    QVERIFY(ds->edit());
    QVERIFY(!contact.setValue(QStringLiteral("bad")));
    QVERIFY(!contact.setValue(QStringLiteral("abort")));
    QCOMPARE(contact.asString(), QStringLiteral("王"));
    QVERIFY(contact.setValue(QStringLiteral("  趙 ")));
    QCOMPARE(contact.asString(), QStringLiteral("趙"));
    QCOMPARE(changes, QStringList{QStringLiteral("趙")});
    QVERIFY(messages.messages().isEmpty());

    // Too long a text is refused with a message, never cut.
    TField& custNo = ds->fieldByName(QStringLiteral("CustNo"));
    QVERIFY(!custNo.setValue(QStringLiteral("C0123456789")));
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.lastKind(), TDialogs::Kind::Error);
    QCOMPARE(custNo.asString(), QStringLiteral("C001"));
    QVERIFY(custNo.setValue(QStringLiteral("客戶一二三四五六七八"))); // ten characters fit
}

void TestDataSet::editTextParsing()
{
    auto db = TestDb::sqlite();
    QVERIFY(db->createSchema());
    Connection con(QStringLiteral("ds-text"));
    con.configure(db->settings());
    TDataSet ds(con, QStringLiteral("TextDS"));
    QVERIFY(ds.loadRows({QStringLiteral("PNo"), QStringLiteral("EDate"), QStringLiteral("FPrice"),
                         QStringLiteral("EKind")},
                        {{1, QString(), 1.5, 0}}));
    QCOMPARE(ds.fieldByName(QStringLiteral("EDate")).type(), ColType::DateTime);
    QVERIFY(ds.edit());
    TField& date = ds.fieldByName(QStringLiteral("EDate"));
    QVERIFY(date.setEditText(QStringLiteral("2024/02/29")));
    QCOMPARE(date.asDateTime(), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    QVERIFY(!date.setEditText(QStringLiteral("2023/02/29")));
    QCOMPARE(date.editText(), QStringLiteral("2024/02/29"));
    QVERIFY(date.setEditText(QStringLiteral(" ")));
    QVERIFY(date.isNull());
    TField& price = ds.fieldByName(QStringLiteral("FPrice"));
    QVERIFY(!price.setEditText(QStringLiteral("12x")));
    QCOMPARE(price.asFloat(), 1.5);
    QVERIFY(price.setEditText(QStringLiteral(" 12.25 ")));
    QCOMPARE(price.displayText(), QStringLiteral("12.25"));
    QVERIFY(price.setEditText(QString()));
    QVERIFY(price.isNull());
    TField& kind = ds.fieldByName(QStringLiteral("EKind"));
    QVERIFY(kind.setEditText(QStringLiteral("1")));
    QVERIFY(kind.asBoolean());
    QVERIFY(ds.post()); // no table: kept on the client
    QCOMPARE(ds.value(0, QStringLiteral("ekind")), QVariant(true));
}

void TestDataSet::masterDetailFollowsHeader()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto master = f.customers();
    TDataSet detail(*f.con, QStringLiteral("ClsDS"));
    detail.setSql(QStringLiteral("select * from CustClsNo where CustNo=:CUSTNO order by ClsNo"));
    detail.setTable(QStringLiteral("CustClsNo"));
    detail.setMaster(master.get());
    QVERIFY(master->open());
    QVERIFY(detail.open());
    QCOMPARE(detail.recordCount(), 2);
    QVERIFY(master->next());
    QCOMPARE(detail.recordCount(), 1);
    QCOMPARE(detail.fieldByName(QStringLiteral("ClsNo")).asString(), QStringLiteral("B1"));
    QVERIFY(master->next());
    QVERIFY(detail.isEmpty());

    // A new line takes its header's key.
    QVERIFY(detail.append());
    QCOMPARE(detail.fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C003"));
    QVERIFY(detail.fieldByName(QStringLiteral("ClsNo")).setValue(QStringLiteral("Z1")));
    QVERIFY(detail.post());
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM CustClsNo WHERE CustNo='C003'")).toInt(), 1);

    // A loop over the headers re-reads the lines once, at the end.
    int reads = 0;
    detail.afterOpen = [&](TDataSet&) { ++reads; };
    master->disableControls();
    for (master->first(); !master->eof(); master->next()) {
    }
    QCOMPARE(reads, 0);
    master->first();
    master->enableControls();
    QVERIFY(reads >= 1);
    QCOMPARE(detail.recordCount(), 2);

    // A header not saved yet has no key, so no lines: its details are not read.
    TDataSet any(*f.con, QStringLiteral("AnyDS"));
    any.setSql(QStringLiteral("select * from CustClsNo where CustNo=coalesce(:CustNo, CustNo)"));
    any.setMaster(master.get());
    QVERIFY(any.open());
    QCOMPARE(any.recordCount(), 2);
    QVERIFY(master->append());
    QVERIFY(any.isActive());
    QVERIFY(any.isEmpty());
    QVERIFY(any.fieldByName(QStringLiteral("ClsNo")).isAttached());
    master->cancel();
    QCOMPARE(master->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C003"));
    QCOMPARE(any.recordCount(), 1); // read again for the stored header

    // A detail that was never opened stays closed.
    TDataSet idle(*f.con, QStringLiteral("IdleDS"));
    idle.setSql(QStringLiteral("select * from CustClsNo where CustNo=:CustNo"));
    idle.setMaster(master.get());
    master->next();
    QVERIFY(!idle.isActive());
    master->close();
    QCOMPARE(detail.recordCount(), 0);
}

void TestDataSet::parametersAreBoundNeverSpliced()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    TDataSet ds(*f.con, QStringLiteral("SearchDS"));
    // A colon inside a literal and a cast are not parameters; one name may repeat in any case.
    ds.setSql(QStringLiteral("select CustNo, 'a:b' as Lit from Customer "
                             "where (CustName = :Name or Contact = :NAME) and CustNo <> 'x:y' order by CustNo"));
    QCOMPARE(ds.paramNames(), QStringList({QStringLiteral("Name"), QStringLiteral("NAME")}));
    for (const QString& evil : {QStringLiteral("x' or '1'='1"), QStringLiteral("'; DELETE FROM Customer; --")}) {
        ds.setParam(QStringLiteral("name"), evil);
        QVERIFY(ds.requery());
        QVERIFY(ds.isEmpty());
    }
    ds.setParam(QStringLiteral("name"), QStringLiteral("李"));
    QVERIFY(ds.requery());
    QCOMPARE(ds.recordCount(), 1);
    QCOMPARE(ds.fieldByName(QStringLiteral("lit")).asString(), QStringLiteral("a:b"));
    QCOMPARE(f.count(QStringLiteral("Customer")), 3);
}

void TestDataSet::clientSort()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    f.exec("INSERT INTO Customer (CustNo) VALUES ('C004')"); // no name: sorts first
    auto ds = f.customers();
    QVERIFY(ds->open());
    QVERIFY(ds->locate({QStringLiteral("CustNo")}, {QStringLiteral("C002")}));
    auto order = [&] {
        QStringList names;
        for (int r = 0; r < ds->recordCount(); ++r)
            names << ds->value(r, QStringLiteral("CustNo")).toString();
        return names;
    };
    QVERIFY(ds->setSort(QStringLiteral("custname asc")));
    QCOMPARE(order(), QStringList({"C004", "C003", "C002", "C001"}));
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C002")); // still current
    QVERIFY(ds->setSort(QStringLiteral("CustName DESC")));
    QCOMPARE(order(), QStringList({"C001", "C002", "C003", "C004"}));
    QVERIFY(ds->setSort(QStringLiteral("DiscA DESC, CustNo DESC")));
    QCOMPARE(order(), QStringList({"C004", "C003", "C002", "C001"}));
    QVERIFY(!ds->setSort(QStringLiteral("Nope ASC")));
    QVERIFY(!ds->setSort(QStringLiteral("CustNo SIDEWAYS")));
    QCOMPARE(ds->sort(), QStringLiteral("DiscA DESC, CustNo DESC"));
    f.exec("INSERT INTO Customer (CustNo, DiscA) VALUES ('C000', 2)");
    QVERIFY(ds->requery()); // the sort holds across a re-read
    QCOMPARE(order(), QStringList({"C000", "C004", "C003", "C002", "C001"}));
    QVERIFY(ds->setSort(QString()));
    QVERIFY(ds->requery());
    QCOMPARE(order(), QStringList({"C000", "C001", "C002", "C003", "C004"}));
}

void TestDataSet::requeryKeepsPosition()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    QVERIFY(ds->open());
    QVERIFY(ds->moveTo(1));
    f.exec("INSERT INTO Customer (CustNo) VALUES ('C000')");
    QVERIFY(ds->requery());
    QCOMPARE(ds->recNo(), 2);
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C002"));
    f.exec("DELETE FROM Customer WHERE CustNo='C002'");
    QVERIFY(ds->requery());
    QCOMPARE(ds->recNo(), 2); // gone: the same place
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C003"));
}

void TestDataSet::movingWhileEditingSaves()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    bool refuse = false;
    ds->beforePost = [&](TDataSet&) {
        if (refuse)
            TDataSet::abort();
    };
    QVERIFY(ds->open());
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("Contact")).setValue(QStringLiteral("林")));
    QVERIFY(ds->next());
    QCOMPARE(ds->state(), TDataSet::State::Browse);
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("Contact")), QStringLiteral("林"));

    refuse = true;
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("Contact")).setValue(QStringLiteral("周")));
    QVERIFY(!ds->next()); // the save was refused: stay on the row, still editing
    QCOMPARE(ds->recNo(), 1);
    QCOMPARE(ds->state(), TDataSet::State::Edit);
    ds->cancel();
    QVERIFY(ds->edit()); // nothing changed: moving just leaves
    QVERIFY(ds->next());
    QCOMPARE(ds->state(), TDataSet::State::Browse);
}

void TestDataSet::disableControlsDefersSignals()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    QVERIFY(ds->open());
    QSignalSpy moves(ds.get(), &TDataSet::currentChanged);
    QSignalSpy resets(ds.get(), &TDataSet::rowsReset);
    int scrolls = 0;
    ds->afterScroll = [&](TDataSet&) { ++scrolls; };
    ds->disableControls();
    ds->disableControls();
    double total = 0;
    for (ds->first(); !ds->eof(); ds->next())
        total += ds->fieldByName(QStringLiteral("DiscA")).asFloat();
    ds->enableControls();
    QCOMPARE(moves.count(), 0);
    QCOMPARE(total, 2.9);
    ds->enableControls();
    QCOMPARE(moves.count(), 1);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(scrolls, 1);
    QVERIFY(!ds->controlsDisabled());
    ds->enableControls(); // unbalanced: ignored
    QCOMPARE(moves.count(), 1);
}

void TestDataSet::rowsFromQueryAndLists()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    QSqlQuery q(f.con->database());
    VERIFY_SQL(q, q.exec(QStringLiteral("select CustNo, CustName, DiscA as Rate from Customer order by CustNo")));
    TDataSet ds(*f.con, QStringLiteral("ChBookDS"));
    QVERIFY(ds.loadFromQuery(q));
    QCOMPARE(ds.recordCount(), 3);
    QCOMPARE(ds.fieldByName(QStringLiteral("RATE")).asFloat(), 0.9);
    QCOMPARE(ds.fieldByName(QStringLiteral("custno")).name(), QStringLiteral("CustNo"));

    TDataSet second(*f.con, QStringLiteral("Second"));
    QVERIFY(second.loadRows({QStringLiteral("BookNo"), QStringLiteral("SumQty")},
                            {{QStringLiteral("B1"), 3}, {QStringLiteral("B2"), 5}}));
    QCOMPARE(second.recordCount(), 2);
    QVERIFY(second.setSort(QStringLiteral("SumQty DESC")));
    QCOMPARE(second.fieldByName(QStringLiteral("bookno")).asString(), QStringLiteral("B1"));
    QCOMPARE(second.value(0, QStringLiteral("BookNo")).toString(), QStringLiteral("B2"));
    second.setReadOnly(true);
    QVERIFY(!second.edit());

    // Loaded again with the same columns, and then with others: each load names its own fields.
    QVERIFY(second.loadRows({QStringLiteral("BookNo"), QStringLiteral("SumQty")}, {{QStringLiteral("B3"), 7}}));
    QCOMPARE(second.fieldByName(QStringLiteral("SumQty")).asInteger(), 7);
    QVERIFY(second.loadRows({QStringLiteral("SumQty"), QStringLiteral("BookName")}, {{9, QStringLiteral("書")}}));
    QCOMPARE(second.fieldNames(), QStringList({QStringLiteral("SumQty"), QStringLiteral("BookName")}));
    QCOMPARE(second.fieldByName(QStringLiteral("SumQty")).asInteger(), 9);
    QCOMPARE(second.fieldByName(QStringLiteral("BookName")).asString(), QStringLiteral("書"));
    QVERIFY(!second.fieldByName(QStringLiteral("BookNo")).isAttached());
}

void TestDataSet::refreshRecordRereadsOneRow()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    TDataSet ds(*f.con, QStringLiteral("ClsDS"));
    ds.setSql(QStringLiteral("select CustClsNo.*, Customer.CustName from CustClsNo left outer join "
                             "Customer on (CustClsNo.CustNo=Customer.CustNo) order by CustClsNo.CustNo, ClsNo"));
    ds.setTable(QStringLiteral("CustClsNo"));
    QVERIFY(ds.open());
    f.exec("UPDATE Customer SET CustName='renamed' WHERE CustNo='C001'");
    QVERIFY(ds.refreshRecord(QStringLiteral("select CustClsNo.*, Customer.CustName from CustClsNo left outer "
                                            "join Customer on (CustClsNo.CustNo=Customer.CustNo) "
                                            "where CustClsNo.CustNo=? and ClsNo=?"),
                             {QStringLiteral("C001"), QStringLiteral("A1")}));
    QCOMPARE(ds.fieldByName(QStringLiteral("CustName")).asString(), QStringLiteral("renamed"));
    QCOMPARE(ds.value(1, QStringLiteral("CustName")).toString(), QStringLiteral("甲書店")); // only that row

    // The same text again, for another row: every column still lands in its own field.
    f.exec("UPDATE Customer SET CustName='beta 2' WHERE CustNo='C002'");
    QVERIFY(ds.last());
    QVERIFY2(ds.refreshRecord(QStringLiteral("select CustClsNo.*, Customer.CustName from CustClsNo left outer "
                                             "join Customer on (CustClsNo.CustNo=Customer.CustNo) "
                                             "where CustClsNo.CustNo=? and ClsNo=?"),
                              {QStringLiteral("C002"), QStringLiteral("B1")}),
             qPrintable(ds.lastError().text()));
    QCOMPARE(ds.fieldByName(QStringLiteral("CustName")).asString(), QStringLiteral("beta 2"));
    QCOMPARE(ds.fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C002"));
    QCOMPARE(ds.fieldByName(QStringLiteral("ClsNo")).asString(), QStringLiteral("B1"));
    QCOMPARE(ds.value(0, QStringLiteral("CustName")).toString(), QStringLiteral("renamed"));
    // A key that finds no row leaves the row as it was.
    QVERIFY(!ds.refreshRecord(QStringLiteral("select CustClsNo.*, Customer.CustName from CustClsNo left outer "
                                             "join Customer on (CustClsNo.CustNo=Customer.CustNo) "
                                             "where CustClsNo.CustNo=? and ClsNo=?"),
                              {QStringLiteral("C009"), QStringLiteral("B1")}));
    QCOMPARE(ds.fieldByName(QStringLiteral("CustName")).asString(), QStringLiteral("beta 2"));
}

void TestDataSet::dataSourceAutoEdit()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    auto ds = f.customers();
    QVERIFY(ds->open());
    TDataSource src(ds.get());
    QSignalSpy changed(&src, &TDataSource::dataChanged);
    QSignalSpy states(&src, &TDataSource::stateChanged);
    src.setAutoEdit(false);
    QVERIFY(!src.canModify());
    QVERIFY(!src.setFieldText(QStringLiteral("Contact"), QStringLiteral("x")));
    QCOMPARE(ds->state(), TDataSet::State::Browse);
    src.setAutoEdit(true);
    QVERIFY(src.canModify());
    QVERIFY(src.setFieldText(QStringLiteral("Contact"), QStringLiteral("x")));
    QCOMPARE(ds->state(), TDataSet::State::Edit);
    QCOMPARE(states.count(), 1);
    QVERIFY(changed.count() >= 1);
    QCOMPARE(changed.last().at(0).value<TField*>(), &ds->fieldByName(QStringLiteral("Contact")));
    QVERIFY(ds->post());
    QCOMPARE(f.customerText(QStringLiteral("C001"), QStringLiteral("Contact")), QStringLiteral("x"));
}

namespace {

/// 250 more customers whose names mix letter case, digits, Chinese, blanks and ties.
void addManyCustomers(Fixture& f)
{
    const QStringList names = {QStringLiteral("apple"), QStringLiteral("Apple"), QStringLiteral("banana"),
                               QStringLiteral("Zebra"), QStringLiteral("zebra"), QStringLiteral("書"),
                               QStringLiteral("詩經"), QStringLiteral("10 stories"), QStringLiteral("_x"),
                               QString()};
    QSqlQuery q(f.other->database());
    f.other->beginWrite();
    q.prepare(QStringLiteral("INSERT INTO Customer (CustNo, CustName, DiscA) VALUES (?, ?, ?)"));
    for (int i = 0; i < 250; ++i) {
        q.bindValue(0, QStringLiteral("P%1").arg((i * 37) % 250, 4, 10, QLatin1Char('0')));
        q.bindValue(1, names.at((i * 7) % names.size()));
        q.bindValue(2, 0.5 + (i % 5) * 0.1);
        if (!q.exec())
            qFatal("%s", qPrintable(q.lastError().text()));
    }
    f.other->commit();
}

QList<QVariantList> allRows(TDataSet& ds)
{
    QList<QVariantList> rows;
    for (int r = 0; r < ds.recordCount(); ++r) {
        QVariantList row;
        for (int c = 0; c < ds.fieldCount(); ++c)
            row << ds.value(r, c);
        rows << row;
    }
    return rows;
}

} // namespace

void TestDataSet::pagedReadMatchesFullRead()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    addManyCustomers(f);
    auto full = f.customers(QStringLiteral("FullDS"));
    auto paged = f.customers(QStringLiteral("PagedDS"));
    paged->setPageSize(20, 3);
    QVERIFY(full->open());
    QVERIFY(paged->open());
    QCOMPARE(paged->recordCount(), 253); // the true count at once
    QVERIFY(paged->cachedRowCount() <= 20);
    QCOMPARE(paged->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("C001"));
    for (const QString& sort : {QStringLiteral("CustName ASC"), QStringLiteral("CustName DESC, DiscA ASC"),
                                QStringLiteral("DiscA DESC"), QString()}) {
        QVERIFY(full->setSort(sort));
        QVERIFY(paged->setSort(sort));
        QCOMPARE(allRows(*paged), allRows(*full));
        QVERIFY(paged->cachedRowCount() <= 60); // three pages however far it went
    }
    QVERIFY(!paged->setSort(QStringLiteral("Nope ASC")));

    // Walking every row holds no more.
    paged->disableControls();
    int walked = 0;
    for (paged->first(); !paged->eof(); paged->next())
        ++walked;
    paged->enableControls();
    QCOMPARE(walked, 253);
    QVERIFY(paged->cachedRowCount() <= 60);
    QVERIFY(paged->locate({QStringLiteral("CustNo")}, {QStringLiteral("P0123")}));
    QCOMPARE(paged->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("P0123"));
    QVERIFY(paged->setSort(QStringLiteral("CustName ASC"))); // keyed: the current row stays current
    QCOMPARE(paged->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("P0123"));

    // Without a key the pages are read by position.
    TDataSet keyless(*f.con, QStringLiteral("KeylessDS"));
    keyless.setSql(QStringLiteral("select CustNo, CustName from Customer order by CustNo"));
    keyless.setPageSize(30, 2);
    QVERIFY(keyless.open());
    TDataSet keylessFull(*f.con, QStringLiteral("KeylessFullDS"));
    keylessFull.setSql(keyless.sql());
    QVERIFY(keylessFull.open());
    QCOMPARE(keyless.recordCount(), 253);
    QCOMPARE(allRows(keyless), allRows(keylessFull));
    QVERIFY(keyless.setSort(QStringLiteral("CustNo DESC")));
    QVERIFY(keylessFull.setSort(QStringLiteral("CustNo DESC")));
    QCOMPARE(allRows(keyless), allRows(keylessFull));
    QVERIFY(keyless.cachedRowCount() <= 60);
}

void TestDataSet::pagedEditing()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    addManyCustomers(f);
    auto ds = f.customers();
    ds->setPageSize(25, 2);
    QVERIFY(ds->open());
    QVERIFY(ds->moveTo(130));
    const QString custNo = ds->fieldByName(QStringLiteral("CustNo")).asString();
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("Remark")).setValue(QStringLiteral("paged")));
    QVERIFY(ds->moveTo(10)); // saves; the edited page may leave the cache
    QCOMPARE(f.customerText(custNo, QStringLiteral("Remark")), QStringLiteral("paged"));
    QCOMPARE(ds->value(130, QStringLiteral("Remark")).toString(), QStringLiteral("paged"));

    QVERIFY(ds->insert()); // paged: added at the end
    QCOMPARE(ds->recNo(), 253);
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("Z999")));
    QVERIFY(ds->post());
    QCOMPARE(ds->recordCount(), 254);
    QCOMPARE(f.count(QStringLiteral("Customer")), 254);

    // A renumbered row keeps its place.
    QVERIFY(ds->moveTo(200));
    QVERIFY(ds->edit());
    QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("R200")));
    QVERIFY(ds->first());
    for (int r = 0; r < ds->recordCount(); r += 25)
        ds->value(r, 0); // cycle every page through the cache
    QCOMPARE(ds->value(200, QStringLiteral("CustNo")).toString(), QStringLiteral("R200"));

    QVERIFY(ds->moveTo(5));
    const QString next = ds->value(6, QStringLiteral("CustNo")).toString();
    QVERIFY(ds->remove());
    QCOMPARE(ds->recordCount(), 253);
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), next);
    QVERIFY(ds->requery());
    QCOMPARE(ds->recordCount(), 253);
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), next);
}

void TestDataSet::pagedFirstPageAlone()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    addManyCustomers(f);
    auto full = f.customers(QStringLiteral("FullDS"));
    QVERIFY(full->open());
    // Without an order of its own, a paged read goes by the key.
    TDataSet ds(*f.con, QStringLiteral("PagedDS"));
    ds.setSql(QStringLiteral("select * from Customer where CustNo <> ''"));
    ds.setTable(QStringLiteral("Customer"));
    QSignalSpy counted(&ds, &TDataSet::rowsCounted);

    // A result that fits in its first page is whole at once.
    ds.setPageSize(253);
    QVERIFY(ds.open());
    QVERIFY(ds.isRowCountKnown());
    QCOMPARE(ds.knownRowCount(), 253);
    QCOMPARE(ds.cachedRowCount(), 253);
    QCOMPARE(allRows(ds), allRows(*full));
    QVERIFY(counted.isEmpty());

    // One row more and the rest waits until it is needed.
    ds.close();
    ds.setPageSize(252);
    QVERIFY(ds.open());
    QVERIFY(!ds.isRowCountKnown());
    QCOMPARE(ds.knownRowCount(), 252);
    QVERIFY(!ds.isEmpty());
    QCOMPARE(ds.recordCount(), 253);
    QCOMPARE(counted.size(), 1);
    QCOMPARE(counted.at(0).at(0).toInt(), 253);
    QCOMPARE(allRows(ds), allRows(*full));
}

void TestDataSet::pagedRowsListedOnDemand_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("operation");
    for (Backend backend : {Backend::Sqlite, Backend::Postgres}) {
        if (backend == Backend::Postgres && !TestDb::postgresAvailable())
            continue;
        const char* tag = backend == Backend::Sqlite ? "sqlite" : "postgres";
        for (const char* op : {"count", "next past the page", "moveTo past the page", "last", "locate past the page",
                               "sort", "append", "save", "delete"})
            QTest::addRow("%s: %s", tag, op) << backend << QString::fromLatin1(op);
    }
}

void TestDataSet::pagedRowsListedOnDemand()
{
    QFETCH(Backend, backend);
    QFETCH(QString, operation);
    Fixture f(backend);
    addManyCustomers(f);
    auto ds = f.customers();
    ds->setPageSize(20, 3);
    QSignalSpy counted(ds.get(), &TDataSet::rowsCounted);
    QVERIFY(ds->open());

    // Reading the first page, moving and finding in it ask nothing more of the server.
    int walked = 0;
    for (ds->first(); !ds->eof() && ++walked < 20;)
        ds->next();
    QCOMPARE(walked, 20);
    QCOMPARE(ds->recNo(), 19);
    QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("P0016"));
    QVERIFY(ds->locate({QStringLiteral("CustNo")}, {QStringLiteral("P0002")}));
    QCOMPARE(ds->recNo(), 5);
    QCOMPARE(ds->value(19, QStringLiteral("CustNo")).toString(), QStringLiteral("P0016"));
    QVERIFY(ds->requery()); // at row 5: found again in the first page
    QCOMPARE(ds->recNo(), 5);
    QVERIFY(!ds->isRowCountKnown());
    QVERIFY(counted.isEmpty());

    int expected = 253;
    if (operation == QLatin1String("count")) {
        QCOMPARE(ds->recordCount(), 253);
    } else if (operation == QLatin1String("next past the page")) {
        QVERIFY(ds->moveTo(19));
        QVERIFY(ds->next());
        QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("P0017"));
    } else if (operation == QLatin1String("moveTo past the page")) {
        QVERIFY(ds->moveTo(252));
        QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("P0249"));
    } else if (operation == QLatin1String("last")) {
        ds->last();
        QCOMPARE(ds->recNo(), 252);
    } else if (operation == QLatin1String("locate past the page")) {
        QVERIFY(ds->locate({QStringLiteral("CustNo")}, {QStringLiteral("P0200")}));
        QCOMPARE(ds->recNo(), 203);
    } else if (operation == QLatin1String("sort")) {
        QVERIFY(ds->setSort(QStringLiteral("CustNo DESC")));
        QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("P0002")); // still current
        QCOMPARE(ds->value(0, QStringLiteral("CustNo")).toString(), QStringLiteral("P0249"));
    } else if (operation == QLatin1String("append")) {
        QVERIFY(ds->append());
        QCOMPARE(ds->recNo(), 253);
        QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("A000")));
        QVERIFY(ds->post());
        expected = 254;
    } else if (operation == QLatin1String("save")) {
        QVERIFY(ds->edit());
        QVERIFY(ds->fieldByName(QStringLiteral("CustNo")).setValue(QStringLiteral("Z000"))); // renumbered
        QVERIFY(ds->post());
        QCOMPARE(ds->recNo(), 5);
        QCOMPARE(f.customerText(QStringLiteral("Z000"), QStringLiteral("CustNo")), QStringLiteral("Z000"));
    } else if (operation == QLatin1String("delete")) {
        QVERIFY(ds->remove());
        QCOMPARE(ds->fieldByName(QStringLiteral("CustNo")).asString(), QStringLiteral("P0003"));
        expected = 252;
    }
    QVERIFY(ds->isRowCountKnown());
    QCOMPARE(ds->recordCount(), expected);
    QCOMPARE(f.count(QStringLiteral("Customer")), expected);
    if (operation != QLatin1String("sort"))
        QCOMPARE(counted.size(), 1);
    // Every row once, whatever listed them.
    QSet<QString> keys;
    for (int r = 0; r < ds->recordCount(); ++r)
        keys.insert(ds->value(r, QStringLiteral("CustNo")).toString());
    QCOMPARE(int(keys.size()), expected);
    QVERIFY(ds->cachedRowCount() <= 60);
}

void TestDataSet::pagedFirstPageStaysAsShown()
{
    QFETCH(Backend, backend);
    Fixture f(backend);
    addManyCustomers(f);
    auto ds = f.customers();
    ds->setPageSize(20, 3);
    QVERIFY(ds->open());
    QStringList shown;
    for (int r = 0; r < 20; ++r)
        shown << ds->value(r, QStringLiteral("CustNo")).toString();
    // Another user adds a customer that sorts first and deletes one of the first page before the
    // rest is listed: the first page stays as it was shown and no row comes twice or goes missing.
    f.exec("INSERT INTO Customer (CustNo, CustName) VALUES ('A000', 'new')");
    f.exec("DELETE FROM CustClsNo WHERE CustNo = 'C002'");
    f.exec("DELETE FROM Customer WHERE CustNo = 'C002'");
    QCOMPARE(ds->recordCount(), 20 + 233 + 1);
    QStringList after;
    QSet<QString> keys;
    for (int r = 0; r < ds->recordCount(); ++r) {
        const QString no = ds->value(r, QStringLiteral("CustNo")).toString();
        if (r < 20)
            after << no;
        keys.insert(no);
    }
    QCOMPARE(after, shown);
    QCOMPARE(int(keys.size()), ds->recordCount());
    QVERIFY(keys.contains(QStringLiteral("A000")));
    QVERIFY(keys.contains(QStringLiteral("C002"))); // still shown where it was, as a read row is
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
