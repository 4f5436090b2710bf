#include <stdexcept>

#include <QAction>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

#include "app/TMainFrm.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSet.h"
#include "../support/MessageRecorder.h"
#include "../support/TestDb.h"

namespace {

QStringList g_log;
/// A shared dataset whose state the probes log when they close.
TDataSet* g_watched = nullptr;

/// A working window that remembers the privilege position it read when it was created and
/// logs its own close handling.
class ProbeWindow : public QWidget
{
public:
    ProbeWindow(const QString& name, short privIndex) : readPrivIndex(privIndex)
    {
        setObjectName(name);
        setWindowTitle(name);
    }
    short readPrivIndex;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        g_log << QStringLiteral("close ") + objectName()
                     + (g_watched && g_watched->isActive() ? QStringLiteral(" (rates open)") : QString());
        QWidget::closeEvent(e);
    }
};

class ProbeDialog : public QDialog
{
public:
    explicit ProbeDialog(QWidget* parent) : QDialog(parent) {}

protected:
    void showEvent(QShowEvent* e) override
    {
        QDialog::showEvent(e);
        QTimer::singleShot(0, this, &QDialog::accept);
    }
};

TWindowRegistry::Factory probe(const QString& name, int* created = nullptr)
{
    return [name, created](const TWindowContext& context, QWidget*) -> QWidget* {
        if (created)
            ++*created;
        return new ProbeWindow(name, context.mainDM.PrivIndex);
    };
}

UserAccount account(const QString& area, const QString& priv)
{
    UserAccount a;
    a.code = QStringLiteral("U1");
    a.name = QStringLiteral("測試");
    a.area = area;
    a.priv = priv;
    a.areaName = area == QLatin1String("C0") ? QStringLiteral("禾嶼圖書出版社") : QStringLiteral("禾嶼圖書台中分公司");
    return a;
}

} // namespace

class TestMainFrm : public QObject
{
    Q_OBJECT
private slots:
    void init() { g_log.clear(); }
    void menuInDisplayOrder();
    void loginAppliesToMenuAndCaption_data();
    void loginAppliesToMenuAndCaption();
    void childIsReusedAndReadsPrivIndexOnce();
    void ownSizeChildIsNotMaximised();
    void failedCreationIsNotRegistered();
    void missingWindowShowsTheMessage();
    void modalDialogs();
    void windowMenuListsChildren();
    void closingMainWindowClosesEveryChild();
    void closedChildIsCreatedAfresh();
};

void TestMainFrm::menuInDisplayOrder()
{
    TMainDM dm;
    TMainFrm frm(dm, {});
    QCOMPARE(frm.windowTitle(), QStringLiteral("禾嶼圖書出版社庫存系統"));
    QStringList top;
    for (QAction* a : frm.menuBar()->actions())
        top << a->text();
    QCOMPARE(top, (QStringList{"基本資料", "詢價作業", "估價作業", "客戶訂單", "採購作業", "進貨作業", "出貨作業",
                               "調整庫存", "其他", "維護作業", "櫃台作業", "視窗"}));

    const auto itemsOf = [&](const QString& menuName) {
        QStringList names;
        for (QAction* a : frm.findChild<QMenu*>(menuName)->actions())
            names << a->objectName() + QLatin1Char('=') + a->text();
        return names;
    };
    QCOMPARE(itemsOf("BasicItem"), (QStringList{"CustomerItem=客戶資料", "BookItem=書籍資料", "VendorItem=供應商資料",
                                                "ForwarderItem=船務代理商資料", "ClasesItem=科目資料",
                                                "RateItem= 匯率資料"}));
    QCOMPARE(itemsOf("ImpItem"), (QStringList{"ImportItem=進貨作業", "YetImpItem=已購未進作業",
                                              "ImpRetItem=進貨退出作業", "IWOFFItem=進貨沖銷作業"}));
    QCOMPARE(itemsOf("ExpItem"), (QStringList{"ExportItem=出貨作業", "YetExpItem=已訂未出作業",
                                              "ExpRetItem=出貨退回作業", "EWoffItem=出貨沖銷作業"}));
    QCOMPARE(itemsOf("OtherItem"), (QStringList{"N1=目錄製作", "CompItem=對帳報表列印", "HTMLItem=統計及網頁產生",
                                                "VoucherItem=分公司單據查詢"}));
    QCOMPARE(itemsOf("MaintainItem"), (QStringList{"AccMrgItem=修改密碼", "RLogItem=異動記錄管理"}));
    for (const char* command : {"InquireItem", "QuoteItem", "OrderItem", "BuyItem", "BRStockItem", "CntItem"})
        QVERIFY2(frm.menuItem(QString::fromLatin1(command)), command);
}

void TestMainFrm::loginAppliesToMenuAndCaption_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("priv");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<QString>("caption");

    QTest::newRow("head_office_manager") << "C0" << "1FFFFF7777771727" << QStringList{} << QStringList{}
                                         << "禾嶼圖書出版社庫存系統－禾嶼圖書出版社";
    QTest::newRow("branch_manager") << "C1" << "1330N07777770720" << QStringList{"ForwarderItem", "VoucherItem"}
                                    << QStringList{} << "禾嶼圖書出版社庫存系統－禾嶼圖書台中分公司";
    QTest::newRow("clerk_receipts_N") << "C0" << "033300777N730720" << QStringList{}
                                      << QStringList{"ImpItem", "RLogItem", "VoucherItem"}
                                      << "禾嶼圖書出版社庫存系統－禾嶼圖書出版社";
}

void TestMainFrm::loginAppliesToMenuAndCaption()
{
    QFETCH(QString, area);
    QFETCH(QString, priv);
    QFETCH(QStringList, hidden);
    QFETCH(QStringList, disabled);
    QFETCH(QString, caption);

    TMainDM dm;
    dm.SetLogin(account(area, priv));
    TMainFrm frm(dm, {});
    frm.ApplyLogin();
    QCOMPARE(frm.windowTitle(), caption);
    for (const char* item : {"CustomerItem", "ForwarderItem", "VoucherItem", "ImpItem", "RLogItem",
                             "AccMrgItem", "CntItem", "N1", "CompItem", "HTMLItem"}) {
        const QString name = QString::fromLatin1(item);
        QAction* a = frm.menuItem(name);
        QVERIFY2(a, qPrintable(name));
        QCOMPARE(a->isVisible(), !hidden.contains(name));
        if (!hidden.contains(name))
            QVERIFY2(a->isEnabled() != disabled.contains(name), qPrintable(name));
    }
}

void TestMainFrm::childIsReusedAndReadsPrivIndexOnce()
{
    MessageRecorder recorder;
    TMainDM dm;
    int created = 0;
    TWindowRegistry registry;
    registry.add("CustomerItem", probe("customers", &created));
    registry.add("ImportItem", probe("receipts"));
    registry.add("ExportItem", probe("shipments"));
    TMainFrm frm(dm, registry);
    frm.show();

    frm.menuItem("CustomerItem")->trigger();
    frm.menuItem("CustomerItem")->trigger();
    QCOMPARE(created, 1);
    QCOMPARE(frm.mdiArea()->subWindowList().size(), 1);
    QVERIFY(frm.mdiArea()->activeSubWindow()->isMaximized());
    QCOMPARE(static_cast<ProbeWindow*>(frm.openedWindow("CustomerItem"))->readPrivIndex, short(1));

    frm.menuItem("ImportItem")->trigger();
    frm.menuItem("ExportItem")->trigger();
    QCOMPARE(dm.PrivIndex, short(10));
    // Back to the receipts through the menu: PrivIndex is stored again, the window keeps what it read.
    frm.menuItem("ImportItem")->trigger();
    QCOMPARE(dm.PrivIndex, short(9));
    QCOMPARE(static_cast<ProbeWindow*>(frm.openedWindow("ImportItem"))->readPrivIndex, short(9));
    QCOMPARE(static_cast<ProbeWindow*>(frm.openedWindow("ExportItem"))->readPrivIndex, short(10));
    QCOMPARE(frm.mdiArea()->activeSubWindow()->widget(), frm.openedWindow("ImportItem"));
    QVERIFY(recorder.messages().isEmpty());
}

void TestMainFrm::ownSizeChildIsNotMaximised()
{
    TMainDM dm;
    TWindowRegistry registry;
    registry.add("N1", [](const TWindowContext&, QWidget*) {
        auto* w = new ProbeWindow("catalogue", 0);
        w->resize(300, 200);
        return w;
    });
    TMainFrm frm(dm, registry);
    frm.resize(1000, 800);
    frm.show();
    frm.menuItem("N1")->trigger();
    QMdiSubWindow* sub = frm.mdiArea()->activeSubWindow();
    QVERIFY(sub);
    QVERIFY(!sub->isMaximized());
}

void TestMainFrm::failedCreationIsNotRegistered()
{
    MessageRecorder recorder;
    TMainDM dm;
    int calls = 0;
    TWindowRegistry registry;
    registry.add("VendorItem", [&calls](const TWindowContext& context, QWidget*) -> QWidget* {
        if (++calls == 1)
            throw std::runtime_error("out of handles");
        return new ProbeWindow("suppliers", context.mainDM.PrivIndex);
    });
    TMainFrm frm(dm, registry);
    frm.show();
    frm.menuItem("VendorItem")->trigger();
    QCOMPARE(recorder.texts(), QStringList{TMainFrm::OpenFailedMessage});
    QCOMPARE(recorder.lastKind(), TDialogs::Kind::Error);
    QVERIFY(!frm.openedWindow("VendorItem"));
    QVERIFY(frm.mdiArea()->subWindowList().isEmpty());

    frm.menuItem("VendorItem")->trigger();
    QCOMPARE(calls, 2);
    QVERIFY(frm.openedWindow("VendorItem"));
    QCOMPARE(recorder.messages().size(), 1);
}

void TestMainFrm::missingWindowShowsTheMessage()
{
    MessageRecorder recorder;
    TMainDM dm;
    TMainFrm frm(dm, {});
    for (const char* item : {"QuoteItem", "RLogItem", "RateItem"})
        frm.menuItem(QString::fromLatin1(item))->trigger();
    QCOMPARE(recorder.texts(), QStringList(3, TMainFrm::OpenFailedMessage));
}

void TestMainFrm::modalDialogs()
{
    TMainDM dm;
    int rates = 0;
    int accounts = 0;
    TWindowRegistry registry;
    registry.add("RateItem", [&rates](const TWindowContext&, QWidget* parent) {
        ++rates;
        return new ProbeDialog(parent);
    });
    registry.add("AccMrgItem", [&accounts](const TWindowContext&, QWidget* parent) {
        ++accounts;
        return new ProbeDialog(parent);
    });
    TMainFrm frm(dm, registry);
    frm.show();
    for (int i = 0; i < 2; ++i) {
        frm.menuItem("RateItem")->trigger();
        frm.menuItem("AccMrgItem")->trigger();
    }
    QCOMPARE(rates, 1);    // created once, kept hidden and reused
    QCOMPARE(accounts, 2); // made anew each time
    QVERIFY(frm.openedWindow("RateItem"));
    QVERIFY(frm.mdiArea()->subWindowList().isEmpty());
}

void TestMainFrm::windowMenuListsChildren()
{
    TMainDM dm;
    TWindowRegistry registry;
    registry.add("CustomerItem", probe("客戶基本資料"));
    registry.add("BookItem", probe("書籍基本資料"));
    TMainFrm frm(dm, registry);
    frm.show();
    frm.menuItem("CustomerItem")->trigger();
    frm.menuItem("BookItem")->trigger();
    QMenu* windows = frm.findChild<QMenu*>("WindowItem");
    emit windows->aboutToShow();
    QStringList visible;
    int hidden = 0;
    for (QAction* a : windows->actions()) {
        if (a->isVisible())
            visible << a->text();
        else
            ++hidden;
    }
    QCOMPARE(visible, (QStringList{"&1 客戶基本資料", "&2 書籍基本資料"}));
    QCOMPARE(hidden, 4);
    windows->actions().at(hidden)->trigger();
    QCOMPARE(frm.mdiArea()->activeSubWindow()->widget(), frm.openedWindow("CustomerItem"));
}

void TestMainFrm::closingMainWindowClosesEveryChild()
{
    auto db = TestDb::sqlite();
    QVERIFY(db->loadDemo());
    TMainDM dm;
    dm.MainADOCon.configure(db->settings());
    QVERIFY(dm.RateDS.open());
    g_watched = &dm.RateDS;
    TWindowRegistry registry;
    registry.add("CustomerItem", probe("customers"));
    registry.add("BookItem", probe("books"));
    registry.add("QuoteItem", probe("quotes"));
    TMainFrm frm(dm, registry);
    frm.show();
    for (const char* item : {"BookItem", "QuoteItem", "CustomerItem"})
        frm.menuItem(QString::fromLatin1(item))->trigger();
    QVERIFY(frm.close());
    g_watched = nullptr;
    // The shared lookups close first, then every child by ascending index.
    QVERIFY(!dm.RateDS.isActive());
    QCOMPARE(g_log, (QStringList{"close books", "close quotes", "close customers"}));
    QTRY_VERIFY(frm.mdiArea()->subWindowList().isEmpty());
    QTRY_VERIFY(!frm.openedWindow("BookItem"));
}

void TestMainFrm::closedChildIsCreatedAfresh()
{
    TMainDM dm;
    int created = 0;
    TWindowRegistry registry;
    registry.add("CustomerItem", probe("customers", &created));
    TMainFrm frm(dm, registry);
    frm.show();
    frm.menuItem("CustomerItem")->trigger();
    frm.openedWindow("CustomerItem")->close();
    QTRY_VERIFY(!frm.openedWindow("CustomerItem"));
    QTRY_VERIFY(frm.mdiArea()->subWindowList().isEmpty());
    frm.menuItem("CustomerItem")->trigger();
    QCOMPARE(created, 2);
    QCOMPARE(g_log, QStringList{"close customers"});
}

QTEST_MAIN(TestMainFrm)
#include "tst_mainfrm.moc"
