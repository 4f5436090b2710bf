#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "../support/DemoEnv.h"
#include "../support/MessageRecorder.h"
#include "data/TMainDM.h"
#include "master/TRateFrm.h"

namespace {

/// Rights on rates at position 15 only; everything else as the demo's head-office clerk.
QString privWithRates(QChar c)
{
    QString p = QStringLiteral("0333007777730720");
    p[15] = c;
    return p;
}

struct RateWindow
{
    explicit RateWindow(TMainDM& dm) : w(dm)
    {
        w.show();
        grid = w.findChild<QTableView*>(QStringLiteral("RateGrid"));
    }
    QPushButton* button(const char* name) const
    {
        return w.findChild<QPushButton*>(QLatin1String(name));
    }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    /// Types into a cell as the grid does.
    bool type(int row, int column, const QVariant& value) const
    {
        return grid->model()->setData(grid->model()->index(row, column), value);
    }
    int rowOf(const QString& currency) const
    {
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            if (grid->model()->index(r, 0).data().toString().trimmed() == currency)
                return r;
        }
        return -1;
    }

    TRateFrm w;
    QTableView* grid;
};

double rateIn(TDataSet& rates, const QString& currency)
{
    for (int r = 0; r < rates.recordCount(); ++r) {
        if (rates.value(r, QStringLiteral("ORI_CR")).toString().trimmed() == currency)
            return rates.value(r, QStringLiteral("rate")).toDouble();
    }
    return -1;
}

} // namespace

class TestRateFrm : public QObject
{
    Q_OBJECT
private slots:
    void buttonsFollowPosition15_data();
    void buttonsFollowPosition15();
    void withoutRightsTypingChangesNothing();
    void insertTrimsAndCapitalises_data() { TestDb::addBackendRows(); }
    void insertTrimsAndCapitalises();
    void emptyCurrencyRefused();
    void deleteIsLogged_data() { TestDb::addBackendRows(); }
    void deleteIsLogged();
    void closedRatesAreReadOnlyWithTheNewRate();
};

void TestRateFrm::buttonsFollowPosition15_data()
{
    QTest::addColumn<QChar>("c");
    QTest::addColumn<QString>("visible"); // I insert, E edit, D delete, S save and cancel
    QTest::newRow("0_browse_only") << QChar(u'0') << "";
    QTest::newRow("1_insert") << QChar(u'1') << "IS";
    QTest::newRow("2_update") << QChar(u'2') << "ES";
    QTest::newRow("4_delete") << QChar(u'4') << "D";
    QTest::newRow("7_all") << QChar(u'7') << "IEDS";
    // Rates follow the document rule: master-data characters grant nothing.
    QTest::newRow("F_nothing") << QChar(u'F') << "";
}

void TestRateFrm::buttonsFollowPosition15()
{
    QFETCH(QChar, c);
    QFETCH(QString, visible);
    DemoEnv env(Backend::Sqlite, "C0", privWithRates(c));
    RateWindow win(*env.dm);
    QCOMPARE(win.button("InsertBtn")->isVisible(), visible.contains('I'));
    QCOMPARE(win.button("EditBtn")->isVisible(), visible.contains('E'));
    QCOMPARE(win.button("DeleteBtn")->isVisible(), visible.contains('D'));
    QCOMPARE(win.button("SaveBtn")->isVisible(), visible.contains('S'));
    QCOMPARE(win.button("CancelBtn")->isVisible(), visible.contains('S'));
    QCOMPARE(env.dm->LogItem, QStringLiteral("匯率管理作業"));
}

void TestRateFrm::withoutRightsTypingChangesNothing()
{
    DemoEnv env(Backend::Sqlite, "C0", privWithRates(u'0'));
    MessageRecorder rec;
    RateWindow win(*env.dm);
    const int us = win.rowOf("US");
    QVERIFY(us >= 0);
    QVERIFY(!win.type(us, 1, 99.0));
    QVERIFY(!env.dm->RateDS.edit());
    QVERIFY(!env.dm->RateDS.append());
    QCOMPARE(env.scalar("SELECT rate FROM ExRate WHERE ORI_CR='US'").toDouble(), 31.5);
    QCOMPARE(env.logCount(), 0);
}

void TestRateFrm::insertTrimsAndCapitalises()
{
    QFETCH(Backend, backend);
    DemoEnv env(backend, "C0", privWithRates(u'7'));
    MessageRecorder rec;
    RateWindow win(*env.dm);
    win.click("InsertBtn");
    QVERIFY(env.dm->RateDS.state() == TDataSet::State::Insert);
    const int row = env.dm->RateDS.recNo();
    QCOMPARE(win.grid->model()->index(row, 1).data().toDouble(), 1.0);
    QVERIFY(win.type(row, 0, " jpy "));
    QVERIFY(win.type(row, 1, 0.215));
    win.click("SaveBtn");
    QVERIFY(rec.texts().isEmpty());
    QCOMPARE(env.scalar("SELECT rate FROM ExRate WHERE ORI_CR='JPY'").toDouble(), 0.215);
    QCOMPARE(env.scalar("SELECT OPItem || '/' || OPKind FROM LogRec").toString(),
             QStringLiteral("匯率管理作業/新增"));
}

void TestRateFrm::emptyCurrencyRefused()
{
    DemoEnv env(Backend::Sqlite, "C0", privWithRates(u'7'));
    MessageRecorder rec;
    RateWindow win(*env.dm);
    win.click("InsertBtn");
    QVERIFY(win.type(env.dm->RateDS.recNo(), 0, "   "));
    win.click("SaveBtn");
    QCOMPARE(rec.last(), QStringLiteral("請輸入幣別"));
    QCOMPARE(rec.lastKind(), TDialogs::Kind::Error);
    QVERIFY(env.dm->RateDS.state() == TDataSet::State::Insert);
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM ExRate").toInt(), 8);
    win.click("CancelBtn");
    QVERIFY(env.dm->RateDS.state() == TDataSet::State::Browse);
}

void TestRateFrm::deleteIsLogged()
{
    QFETCH(Backend, backend);
    DemoEnv env(backend, "C0", privWithRates(u'7'));
    MessageRecorder rec;
    RateWindow win(*env.dm);
    win.grid->setCurrentIndex(win.grid->model()->index(win.rowOf("DM"), 0));

    rec.answer({false});
    win.click("DeleteBtn");
    QCOMPARE(rec.last(), QStringLiteral("確定刪除？"));
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM ExRate WHERE ORI_CR='DM'").toInt(), 1);

    rec.answer({true});
    win.click("DeleteBtn");
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM ExRate WHERE ORI_CR='DM'").toInt(), 0);
    QCOMPARE(env.logCount(), 1);
    QCOMPARE(env.scalar("SELECT OPKind FROM LogRec").toString(), QStringLiteral("刪除"));
    QVERIFY(env.scalar("SELECT OPRemark FROM LogRec")
                .toString()
                .startsWith(QStringLiteral("DM/17.69")));
    QVERIFY(!env.dm->MainADOCon.inTransaction());
}

void TestRateFrm::closedRatesAreReadOnlyWithTheNewRate()
{
    DemoEnv env(Backend::Sqlite, "C0", privWithRates(u'7'));
    MessageRecorder rec;
    RateWindow win(*env.dm);
    const int us = win.rowOf("US");
    QVERIFY(win.type(us, 1, 32.25));
    win.click("SaveBtn");
    QCOMPARE(env.scalar("SELECT rate FROM ExRate WHERE ORI_CR='US'").toDouble(), 32.25);
    win.w.reject();

    // What document lines read from now on, without any window open.
    TDataSet& rates = env.dm->RateDS;
    QVERIFY(rates.isActive());
    QVERIFY(rates.isReadOnly());
    QCOMPARE(rateIn(rates, "US"), 32.25);
    QVERIFY(!rates.edit());

    // Shown again, the same dialog re-reads the table and is writable again.
    env.exec("UPDATE ExRate SET rate=33 WHERE ORI_CR='US'");
    win.w.show();
    QVERIFY(!rates.isReadOnly());
    QCOMPARE(rateIn(rates, "US"), 33.0);
}

QTEST_MAIN(TestRateFrm)
#include "tst_ratefrm.moc"
