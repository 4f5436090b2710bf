// The customer window opened from the main window's menu, as a user meets it.

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

#include "../support/DemoEnv.h"
#include "../support/MessageRecorder.h"
#include "app/TMainFrm.h"
#include "master/TCustomerFrm.h"
#include "master/TSouGrid.h"
#include "widgets/TEnglishDate.h"

class TestMasterWindows : public QObject
{
    Q_OBJECT
private slots:
    void openedFromTheMenu();
    void jumpWithoutTheDocumentWindow();
};

void TestMasterWindows::openedFromTheMenu()
{
    MessageRecorder recorder;
    DemoEnv env(Backend::Sqlite, "C0", "1" + QString("0") + "FFFF7777771727");
    TWindowRegistry registry = TWindowRegistry::programWindows();
    // Another working window to switch to.
    registry.add("VendorItem",
                 [](const TWindowContext&, QWidget*) -> QWidget* { return new QWidget; });
    TMainFrm frm(*env.dm, registry);
    frm.ApplyLogin();
    frm.show();

    frm.OpenItem("CustomerItem");
    auto* customers = qobject_cast<TCustomerFrm*>(frm.openedWindow("CustomerItem"));
    QVERIFY(customers);
    QVERIFY(frm.mdiArea()->activeSubWindow()->isMaximized());
    QCOMPARE(customers->windowTitle(), QStringLiteral("客戶基本資料"));
    // Privilege "0" for customers: no edit buttons.
    for (const char* b : {"InsertBitBtn", "EditBitBtn", "PostBitBtn", "CancelBitBtn", "DelBitBtn"})
        QVERIFY2(customers->findChild<QWidget*>(b)->isHidden(), b);
    QCOMPARE(env.dm->LogItem, QStringLiteral("客戶檔管理作業"));

    frm.OpenItem("VendorItem");
    env.dm->LogItem = "其他視窗";
    frm.OpenItem("CustomerItem");
    QCOMPARE(frm.openedWindow("CustomerItem"), customers);
    QCOMPARE(env.dm->LogItem, QStringLiteral("客戶檔管理作業"));

    QVERIFY(env.dm->CustomerDS.isActive());
    QPointer<QWidget> guard(customers);
    frm.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(customers->parentWidget()));
    frm.mdiArea()->closeActiveSubWindow();
    QTRY_VERIFY(!guard);
    QVERIFY(!env.dm->CustomerDS.isActive());
    QVERIFY(!env.dm->SubCompDS.isActive());
    QVERIFY(recorder.messages().isEmpty());
}

void TestMasterWindows::jumpWithoutTheDocumentWindow()
{
    MessageRecorder recorder;
    DemoEnv env(Backend::Sqlite);
    TWindowRegistry registry = TWindowRegistry::programWindows();
    registry.remove("QuoteItem");
    TMainFrm frm(*env.dm, registry);
    frm.ApplyLogin();
    frm.show();
    frm.OpenItem("CustomerItem");
    auto* customers = qobject_cast<TCustomerFrm*>(frm.openedWindow("CustomerItem"));
    QVERIFY(customers);
    customers->findChild<QLineEdit*>("FCustNoEdit")->setText("A0002");
    customers->FindBitBtnClick();
    customers->findChild<TEnglishDate*>("EnglishDate1")->setText("2026/09/01");
    customers->findChild<TEnglishDate*>("EnglishDate2")->setText("2026/12/31");
    customers->QuBitBtnClick(1);
    auto* grid = customers->findChild<TSouGrid*>("DBGrid1");
    QVERIFY(grid->model()->rowCount() > 0);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    customers->DBGrid1DblClick();
    // The quotation is opened on the shared header; the window to show it does not exist yet.
    QCOMPARE(recorder.texts(), QStringList{TMainFrm::OpenFailedMessage});
    QCOMPARE(env.dm->QuoteDS.recordCount(), 1);
    QCOMPARE(env.dm->QuoteDS.fieldByName("CustNo").asString(), QStringLiteral("A0002"));
}

QTEST_MAIN(TestMasterWindows)
#include "tst_masterwindows.moc"
