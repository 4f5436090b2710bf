// A book search that returns more rows than the window's first page: the rows are shown first,
// the count follows once they are painted.

#include <memory>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "../reports/ReportFakes.h"
#include "../support/DemoEnv.h"
#include "../support/MessageRecorder.h"
#include "app/TWindowRegistry.h"
#include "data/TMainDM.h"
#include "master/TBookFrm.h"
#include "master/TSouGrid.h"
#include "reports/TReportDM.h"

namespace {

/// More books than a page of BookDS, numbered so that the key order is not the order they were
/// added.
constexpr int Books = 620;

struct LargeCatalogue
{
    DemoEnv env;
    MessageRecorder messages;
    FakeDesktop desktop;
    std::unique_ptr<TReportDM> reports;
    std::unique_ptr<TBookFrm> w;

    explicit LargeCatalogue(Backend backend) : env(backend)
    {
        QSqlQuery q(env.check->database());
        env.check->beginWrite();
        q.prepare(QStringLiteral("INSERT INTO Book (BookNo, BookName) VALUES (?, ?)"));
        for (int i = Books - 1; i >= 0; --i) {
            q.bindValue(0, QStringLiteral("LS%1").arg(i, 4, 10, QLatin1Char('0')));
            q.bindValue(1, QStringLiteral("書 %1").arg(i));
            if (!q.exec())
                qFatal("%s", qPrintable(q.lastError().text()));
        }
        env.check->commit();
        env.dm->PrivIndex = 2;
        reports = std::make_unique<TReportDM>(*env.dm, desktop);
        TWindowContext context{*env.dm, reports.get(), [](const QString&) {}};
        w = std::make_unique<TBookFrm>(context);
        w->resize(1000, 700);
        w->show();
    }

    void search(const QString& bookNo)
    {
        w->findChild<QLineEdit*>(QStringLiteral("FindBookNoEdit"))->setText(bookNo);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("FindBitBtn")), Qt::LeftButton);
    }
    QString status() const { return w->findChild<QLabel*>(QStringLiteral("StatusPanel"))->text(); }
    QAbstractItemModel* list() const
    {
        return w->findChild<TSouGrid*>(QStringLiteral("DBGrid2"))->model();
    }
};

} // namespace

class TestLargeSearch : public QObject
{
    Q_OBJECT
private slots:
    void rowsFirstThenTheCount_data() { TestDb::addBackendRows(); }
    void rowsFirstThenTheCount();
};

void TestLargeSearch::rowsFirstThenTheCount()
{
    QFETCH(Backend, backend);
    LargeCatalogue c(backend);
    TDataSet& books = c.env.dm->BookDS;

    c.search(QStringLiteral("ls*"));
    // The first page is in the grid, in book-number order, before the rows are counted.
    QVERIFY(!books.isRowCountKnown());
    QCOMPARE(c.status(), QString());
    QCOMPARE(c.list()->rowCount(), books.pageSize());
    QCOMPARE(c.list()->data(c.list()->index(0, 0)).toString(), QStringLiteral("LS0000"));
    QCOMPARE(c.list()->data(c.list()->index(books.pageSize() - 1, 0)).toString(),
             QStringLiteral("LS%1").arg(books.pageSize() - 1, 4, 10, QLatin1Char('0')));

    // Then the true count, and the grid holds every row.
    QTRY_COMPARE(c.status(), QStringLiteral("資料筆數: %1").arg(Books));
    QCOMPARE(c.list()->rowCount(), Books);
    QCOMPARE(c.list()->data(c.list()->index(Books - 1, 0)).toString(), QStringLiteral("LS0619"));
    QVERIFY(c.messages.texts().isEmpty());

    // A result within one page is counted at once.
    c.search(QStringLiteral("LS00*"));
    QCOMPARE(c.status(), QStringLiteral("資料筆數: 100"));
    QCOMPARE(c.list()->rowCount(), 100);

    // Nothing found: no count, now or later.
    c.search(QStringLiteral("LS9*"));
    QCOMPARE(c.messages.texts(), QStringList{QStringLiteral("查無資料，請重新查詢")});
    QTest::qWait(20);
    QCOMPARE(c.status(), QString());
}

QTEST_MAIN(TestLargeSearch)
#include "tst_largesearch.moc"
