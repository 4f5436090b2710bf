#include <QAbstractItemModelTester>
#include <QSqlQuery>
#include <QtTest>

#include "data/dataset/TDataSet.h"
#include "data/dataset/TDataSetModel.h"
#include "../support/TestDb.h"

/// The grid's view of a dataset: rows, edit buffer, colours, sorting and edits through the model.
class TestDataSetModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void showsRowsAndFollowsChanges();
    void editsThroughTheGrid();
    void pagedShowsFirstPageAndFetchesTheRest();

private:
    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<Connection> m_con;
};

void TestDataSetModel::initTestCase()
{
    m_db = TestDb::sqlite();
    QVERIFY(m_db->createSchema());
    m_con = std::make_unique<Connection>(QStringLiteral("model"));
    m_con->configure(m_db->settings());
    QSqlQuery q(m_con->database());
    VERIFY_SQL(q, q.exec(QStringLiteral("INSERT INTO ExRate (ORI_CR, rate) VALUES ('NT', 1), ('US', 31.5), ('JP', 0.21)")));
}

void TestDataSetModel::cleanupTestCase()
{
    m_con.reset();
    m_db.reset();
}

void TestDataSetModel::showsRowsAndFollowsChanges()
{
    TDataSet ds(*m_con, QStringLiteral("RateDS"));
    ds.setSql(QStringLiteral("Select ExRate.* \r\nfrom ExRate\r\n"));
    ds.setTable(QStringLiteral("ExRate"));
    TDataSetModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(ds.open());
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("rate"));
    model.setColumns({QStringLiteral("rate"), QStringLiteral("ORI_CR")}, {QStringLiteral("匯率")});
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("匯率"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("ORI_CR"));
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("31.500"));
    QCOMPARE(model.data(model.index(1, 0), Qt::UserRole).toDouble(), 31.5);

    // The colour hook decides per row; the model stays free of GUI types.
    model.rowData = [](const TDataSet& d, int row, int role) -> QVariant {
        if (role == Qt::BackgroundRole && d.value(row, QStringLiteral("rate")).toDouble() > 1)
            return QStringLiteral("highlight");
        return {};
    };
    QCOMPARE(model.data(model.index(1, 1), Qt::BackgroundRole).toString(), QStringLiteral("highlight"));
    QVERIFY(!model.data(model.index(2, 1), Qt::BackgroundRole).isValid());

    model.sort(1, Qt::DescendingOrder);
    QCOMPARE(ds.sort(), QStringLiteral("ORI_CR DESC"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("US"));

    QVERIFY(ds.append());
    QCOMPARE(model.rowCount(), 4);
    QVERIFY(ds.fieldByName(QStringLiteral("ORI_CR")).setValue(QStringLiteral("EU")));
    QCOMPARE(model.data(model.index(3, 1)).toString(), QStringLiteral("EU")); // from the edit buffer
    ds.cancel();
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(ds.first());
    QVERIFY(ds.remove());
    QCOMPARE(model.rowCount(), 2);
    ds.close();
    QCOMPARE(model.rowCount(), 0);
}

void TestDataSetModel::editsThroughTheGrid()
{
    TDataSet ds(*m_con, QStringLiteral("RateDS"));
    ds.setSql(QStringLiteral("select * from ExRate order by ORI_CR"));
    ds.setTable(QStringLiteral("ExRate"));
    TDataSetModel model(&ds);
    QVERIFY(ds.open());
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    model.setEditable(true);
    QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(model.setData(model.index(1, 1), QStringLiteral("0.5")));
    QCOMPARE(ds.recNo(), 1);
    QCOMPARE(ds.state(), TDataSet::State::Edit);
    QVERIFY(!model.setData(model.index(1, 1), QStringLiteral("abc")));
    // Leaving the row saves it, as a grid does.
    QVERIFY(model.setData(model.index(0, 1), QStringLiteral("0.2")));
    QSqlQuery q(m_con->database());
    VERIFY_SQL(q, q.exec(QStringLiteral("select rate from ExRate where ORI_CR='NT'")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toDouble(), 0.5);
    q.finish();
    ds.cancel();
    ds.setReadOnly(true);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), QStringLiteral("9")));
}

void TestDataSetModel::pagedShowsFirstPageAndFetchesTheRest()
{
    QSqlQuery q(m_con->database());
    VERIFY_SQL(q, q.exec(QStringLiteral("DELETE FROM ExRate")));
    VERIFY_SQL(q, q.exec(QStringLiteral("INSERT INTO ExRate (ORI_CR, rate) VALUES ('US', 31.5), ('NT', 1), ('JP', 0.21), ('EU', 35)")));
    TDataSet ds(*m_con, QStringLiteral("RateDS"));
    ds.setSql(QStringLiteral("select * from ExRate"));
    ds.setTable(QStringLiteral("ExRate"));
    ds.setPageSize(2);
    TDataSetModel model(&ds);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    // Opening shows the first page; the grid is offered the rest instead of waiting for it.
    QVERIFY(ds.open());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("EU")); // by the key
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("JP"));
    QVERIFY(!ds.isRowCountKnown());
    QVERIFY(model.canFetchMore({}));
    model.fetchMore({});
    QVERIFY(ds.isRowCountKnown());
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("NT"));
    QCOMPARE(model.data(model.index(3, 0)).toString(), QStringLiteral("US"));
    QVERIFY(!model.canFetchMore({}));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 2);
    QCOMPARE(inserted.at(0).at(2).toInt(), 3);

    // Counted by someone else (the window's status), the rows appear as well.
    QVERIFY(ds.requery());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(ds.recordCount(), 4);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(inserted.size(), 2);

    // A result within one page is whole at once.
    ds.setPageSize(4);
    QVERIFY(ds.requery());
    QVERIFY(ds.isRowCountKnown());
    QCOMPARE(model.rowCount(), 4);
    QVERIFY(!model.canFetchMore({}));
}

QTEST_GUILESS_MAIN(TestDataSetModel)
#include "tst_datasetmodel.moc"
