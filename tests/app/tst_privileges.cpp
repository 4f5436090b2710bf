#include <QtTest>

#include "data/Privileges.h"
#include "data/TMainDM.h"

using Privileges::Effects;

class TestPrivileges : public QObject
{
    Q_OBJECT
private slots:
    void rights_data();
    void rights();
    void effects_data();
    void effects();
    void headOfficeManagerHasEverything();
    void shortStringGrantsNothing();
    void bookColsFollowTheBranch();
};

void TestPrivileges::rights_data()
{
    QTest::addColumn<QChar>("c");
    QTest::addColumn<bool>("insert");
    QTest::addColumn<bool>("updateDocument");
    QTest::addColumn<bool>("updateMaster");
    QTest::addColumn<bool>("deleteDocument");
    QTest::addColumn<bool>("deleteMaster");
    QTest::addColumn<bool>("changeNumber");

    QTest::newRow("N_no_access") << QChar('N') << false << false << false << false << false << false;
    QTest::newRow("0_browse") << QChar('0') << false << false << false << false << false << false;
    QTest::newRow("1_insert") << QChar('1') << true << false << false << false << false << false;
    QTest::newRow("2_update") << QChar('2') << false << true << true << false << false << false;
    QTest::newRow("3_insert_update") << QChar('3') << true << true << true << false << false << false;
    QTest::newRow("4_delete") << QChar('4') << false << false << false << true << true << false;
    QTest::newRow("7_all_document") << QChar('7') << true << true << true << true << true << false;
    QTest::newRow("8_number_only_may_edit_master") << QChar('8') << false << false << true << false << false << true;
    QTest::newRow("9") << QChar('9') << true << false << true << false << false << true;
    QTest::newRow("C_master_delete") << QChar('C') << false << false << true << false << true << true;
    QTest::newRow("F_all") << QChar('F') << true << false << true << false << true << true;
    QTest::newRow("lower_case_is_not_a_digit") << QChar('f') << false << false << false << false << false << false;
}

void TestPrivileges::rights()
{
    QFETCH(QChar, c);
    QFETCH(bool, insert);
    QFETCH(bool, updateDocument);
    QFETCH(bool, updateMaster);
    QFETCH(bool, deleteDocument);
    QFETCH(bool, deleteMaster);
    QFETCH(bool, changeNumber);
    QCOMPARE(Privileges::canInsert(c), insert);
    QCOMPARE(Privileges::canUpdateDocument(c), updateDocument);
    QCOMPARE(Privileges::canUpdateMaster(c), updateMaster);
    QCOMPARE(Privileges::canDeleteDocument(c), deleteDocument);
    QCOMPARE(Privileges::canDeleteMaster(c), deleteMaster);
    QCOMPARE(Privileges::canChangeNumber(c), changeNumber);
}

void TestPrivileges::effects_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("priv");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<QStringList>("disabled");      // must be disabled
    QTest::addColumn<QStringList>("enabled");       // must not be disabled
    QTest::addColumn<QStringList>("readOnly");      // must be read-only
    QTest::addColumn<QStringList>("writable");      // must stay writable

    const QStringList branchOnly = {"ForwarderItem", "VoucherItem"};
    const QStringList headOfficeTables = {"VendorDS", "ForwarderDS", "ClasesDS"};

    QTest::newRow("branch_manager_cannot_see_agents_or_branch_query")
        << "C1" << "1330N07777770720" << branchOnly << QStringList{}
        << QStringList{"RLogItem", "CustomerItem", "ImpItem"} << headOfficeTables
        << QStringList{"CustomerDS", "BookDS", "ImportDS", "RateDS"};
    QTest::newRow("head_office_clerk")
        << "C0" << "0333007777730720" << QStringList{}
        << QStringList{"RLogItem", "VoucherItem"} << QStringList{"ImpItem", "CustomerItem", "ForwarderItem"}
        << QStringList{"ForwarderDS", "ClasesDS", "RateDS"}
        << QStringList{"CustomerDS", "VendorDS", "ImportDS", "BRStockDS"};
    QTest::newRow("clerk_position_9_N")
        << "C0" << "033300777N730720" << QStringList{} << QStringList{"ImpItem", "RLogItem"}
        << QStringList{"ExpItem"} << QStringList{"ImportDS", "ImpRetDDS", "IWOffDS", "IWOffDDS"}
        << QStringList{"ExportDS", "EWOffDS"};
    QTest::newRow("clerk_browse_only_datasets")
        << "C0" << "0000000000000000" << QStringList{} << QStringList{"RLogItem", "VoucherItem"}
        << QStringList{"CustomerItem", "QuoteItem", "RateItem"}
        << QStringList{"CustomerDS", "BookDS", "QuoteDDS", "InquireMDS", "SubInqDDS", "BuyDDS", "RateDS", "BRStockDS"}
        << QStringList{};
    QTest::newRow("clerk_never_gets_change_log_even_with_manager_like_digits")
        << "C0" << "0FFFFF7777771727" << QStringList{} << QStringList{"RLogItem"}
        << QStringList{"VoucherItem", "ForwarderItem"} << QStringList{}
        << QStringList{"CustomerDS", "ForwarderDS", "RateDS"};
    QTest::newRow("branch_clerk_new_account_default")
        << "C2" << "0000N00000000000" << branchOnly << QStringList{"ForwarderItem", "RLogItem", "VoucherItem"}
        << QStringList{"BookItem"} << (headOfficeTables + QStringList{"CustomerDS", "ForwarderDS"})
        << QStringList{};
}

void TestPrivileges::effects()
{
    QFETCH(QString, area);
    QFETCH(QString, priv);
    QFETCH(QStringList, hidden);
    QFETCH(QStringList, disabled);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, readOnly);
    QFETCH(QStringList, writable);

    const Effects e = Privileges::effects(area, priv);
    QCOMPARE(QSet<QString>(e.hiddenItems.begin(), e.hiddenItems.end()),
             QSet<QString>(hidden.begin(), hidden.end()));
    for (const QString& item : disabled)
        QVERIFY2(e.disabledItems.contains(item), qPrintable(item));
    for (const QString& item : enabled)
        QVERIFY2(!e.disabledItems.contains(item), qPrintable(item));
    for (const QString& ds : readOnly)
        QVERIFY2(e.readOnlyDatasets.contains(ds), qPrintable(ds));
    for (const QString& ds : writable)
        QVERIFY2(!e.readOnlyDatasets.contains(ds), qPrintable(ds));
}

void TestPrivileges::headOfficeManagerHasEverything()
{
    const Effects e = Privileges::effects(QStringLiteral("C0"), QStringLiteral("1FFFFF7777771727"));
    QVERIFY(e.hiddenItems.isEmpty());
    QVERIFY(e.disabledItems.isEmpty());
    QVERIFY(e.readOnlyDatasets.isEmpty());
}

void TestPrivileges::shortStringGrantsNothing()
{
    // A string cut short must not leave a missing position writable or its menu item enabled.
    for (const QString& priv : {QString(), QStringLiteral("1"), QStringLiteral("0FF")}) {
        const Effects e = Privileges::effects(QStringLiteral("C0"), priv);
        const QString normalized = Privileges::normalized(priv);
        QCOMPARE(normalized.size(), Privileges::Length);
        for (const Privileges::Module& m : Privileges::modules()) {
            if (m.position < priv.size())
                continue;
            QVERIFY2(e.disabledItems.contains(m.menuItem), qPrintable(priv + " " + m.menuItem));
            for (const QString& ds : m.datasets)
                QVERIFY2(e.readOnlyDatasets.contains(ds), qPrintable(priv + " " + ds));
        }
        QVERIFY(e.disabledItems.contains(QStringLiteral("VoucherItem")));
        QVERIFY(!Privileges::canInsert(Privileges::at(normalized, 15)));
    }
    QVERIFY(!Privileges::isManager(QString()));
    QVERIFY(Privileges::isManager(QStringLiteral("1")));
}

void TestPrivileges::bookColsFollowTheBranch()
{
    const QString cols = TMainDM::BookColsFor(QStringLiteral("C1"));
    QVERIFY(cols.startsWith(QStringLiteral("Book.BookName,Book.Author,Book.ISBN,Book.BPublisher,Book.VNo,")));
    QVERIFY(cols.endsWith(QStringLiteral("Book.StockC1 as Stocks,Book.SStockC1 as SafeStock")));
    QVERIFY(cols.contains(QStringLiteral("Book.ORI_CR as BOri")));
    // A code that is not a plain code never enters a column name.
    QVERIFY(!TMainDM::BookColsFor(QStringLiteral("C1;DROP")).contains(QStringLiteral("DROP")));
}

QTEST_GUILESS_MAIN(TestPrivileges)
#include "tst_privileges.moc"
