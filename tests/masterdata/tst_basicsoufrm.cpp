// The common master-data window, driven through the customer window.

#include <QComboBox>
#include <QtTest>

#include "CustomerWindow.h"
#include "data/SqlDialect.h"
#include "data/TMainDM.h"
#include "master/TSouGrid.h"
#include "widgets/TEnglishDate.h"

class TestBasicSouFrm : public QObject
{
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void searchTextNeverEndsTheLiteral();
    void editButtonsFollowThePrivilege_data();
    void editButtonsFollowThePrivilege();
    void unchangedSaveCancels();
    void saveStampsDateAndRemark();
    void movesWaitWhileEditing();
    void keyChange_data();
    void keyChange();
    void titleSortFlagPerGrid();
    void historyDatesDefaultToThreeMonths();
    void historyButtonsFollowTheirModules_data();
    void historyButtonsFollowTheirModules();
    void historyNeedsBothDates_data();
    void historyNeedsBothDates();
    void companySelector_data();
    void companySelector();
    void historyOfAllCompanies_data();
    void historyOfAllCompanies();
    void historyOfOneCompany();
    void historyEmpty();
    void branchUserQueriesOwnBranch();
    void jumpToDocument_data();
    void jumpToDocument();
    void jumpRefusedForAnotherCompany();
    void closingClosesTheDatasets();
};

namespace {

void setDates(CustomerWindow& w, const QString& from, const QString& to)
{
    w.child<TEnglishDate>("EnglishDate1")->setText(from);
    w.child<TEnglishDate>("EnglishDate2")->setText(to);
}

QStringList column(TDataSet& ds, const QString& field)
{
    QStringList out;
    for (int r = 0; ds.isActive() && r < ds.recordCount(); ++r)
        out << ds.value(r, field).toString();
    return out;
}

} // namespace

void TestBasicSouFrm::search_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QStringList>("typed"); // number, name, contact, VIP
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QString>("message");

    const QString none;
    QList<std::pair<Backend, QString>> backends{{Backend::Sqlite, "sqlite"}};
    if (TestDb::postgresAvailable())
        backends.append({Backend::Postgres, "postgres"});
    // Letter case and wildcards must give the same rows on both backends.
    for (const auto& [backend, tag] : backends) {
        const auto row = [b = backend, t = tag](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(t + "_" + name)) << b;
        };
        row("exact_number") << QStringList{"A0001", "", "", ""} << QStringList{"A0001"} << none;
        row("exact_ignores_case_and_blanks")
            << QStringList{"  a0001 ", "", "", ""} << QStringList{"A0001"} << none;
        row("trailing_star") << QStringList{"A000*", "", "", ""}
                             << QStringList{"A0001", "A0002", "A0003", "A0004"} << none;
        row("leading_star") << QStringList{"*0001", "", "", ""}
                            << QStringList{"A0001", "B0001", "K0001"} << none;
        row("star_inside_is_literal") << QStringList{"A*01", "", "", ""} << QStringList{}
                                      << QStringLiteral("查無資料，請重新查詢");
        row("name_and_vip_joined")
            << QStringList{"", "晨光書店", "", "8860000000017"} << QStringList{"A0002"} << none;
        row("name_and_other_vip") << QStringList{"", "晨光書店", "", "8860000000024"}
                                  << QStringList{} << QStringLiteral("查無資料，請重新查詢");
        row("vip_trailing_star") << QStringList{"", "", "", "886000000004*"} << QStringList{"K0002"}
                                 << none;
        row("contact_both_stars") << QStringList{"", "", "*館*", ""} << QStringList{"A0001"}
                                  << none;
        row("percent_typed_matches_itself") << QStringList{"", "%", "", ""} << QStringList{}
                                            << QStringLiteral("查無資料，請重新查詢");
        row("empty_search") << QStringList{"", "  ", "", ""} << QStringList{}
                            << QStringLiteral("請輸入查詢條件");
    }
}

void TestBasicSouFrm::search()
{
    QFETCH(Backend, backend);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, found);
    QFETCH(QString, message);
    CustomerWindow w(backend);
    const QStringList edits = {"FCustNoEdit", "FCustNameEdit", "FContactEdit", "FVIPNoEdit"};
    for (int i = 0; i < edits.size(); ++i)
        w.child<QLineEdit>(edits.at(i))->setText(typed.at(i));
    // Enter in a search field searches as 查詢 does.
    QTest::keyClick(w.child<QLineEdit>(edits.at(3)), Qt::Key_Return);

    QStringList rows;
    for (int r = 0; w.customers().isActive() && r < w.customers().recordCount(); ++r)
        rows << w.customers().value(r, "CustNo").toString();
    rows.sort();
    QCOMPARE(rows, found);
    if (message.isEmpty()) {
        QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
        QCOMPARE(w.status(), QStringLiteral("資料筆數: %1").arg(found.size()));
    } else {
        QCOMPARE(w.messages.texts(), QStringList{message});
        QCOMPARE(w.messages.lastKind(), TDialogs::Kind::Warning);
    }
}

void TestBasicSouFrm::searchTextNeverEndsTheLiteral()
{
    CustomerWindow w;
    w.child<QLineEdit>("FCustNoEdit")->setText("A0001' or '1'='1");
    w.click("FindBitBtn");
    QCOMPARE(w.messages.texts(), QStringList{"查無資料，請重新查詢"});
    QCOMPARE(w.customers().recordCount(), 0);
}

void TestBasicSouFrm::editButtonsFollowThePrivilege_data()
{
    QTest::addColumn<QChar>("right");
    QTest::addColumn<QList<bool>>("visible"); // insert, edit, post, cancel, delete
    QTest::newRow("0_nothing") << QChar('0') << QList<bool>{false, false, false, false, false};
    QTest::newRow("8_number_change_edits")
        << QChar('8') << QList<bool>{false, true, true, true, false};
    QTest::newRow("F_everything") << QChar('F') << QList<bool>{true, true, true, true, true};
    QTest::newRow("1_insert_only") << QChar('1') << QList<bool>{true, false, true, true, false};
    QTest::newRow("4_delete_only") << QChar('4') << QList<bool>{false, false, false, false, true};
    QTest::newRow("C_edit_and_delete") << QChar('C') << QList<bool>{false, true, true, true, true};
}

void TestBasicSouFrm::editButtonsFollowThePrivilege()
{
    QFETCH(QChar, right);
    QFETCH(QList<bool>, visible);
    CustomerWindow w(Backend::Sqlite, "C0", CustomerWindow::priv(1, right));
    const QStringList buttons = {"InsertBitBtn", "EditBitBtn", "PostBitBtn", "CancelBitBtn",
                                 "DelBitBtn"};
    QList<bool> shown;
    for (const QString& b : buttons)
        shown << !w.child<QPushButton>(b)->isHidden();
    QCOMPARE(shown, visible);
}

void TestBasicSouFrm::unchangedSaveCancels()
{
    CustomerWindow w;
    QVERIFY(w.find("A0001"));
    const int logs = w.env.logCount();
    const QVariant stamp = w.env.scalar("select WDate from Customer where CustNo='A0001'");
    w.click("EditBitBtn");
    QCOMPARE(w.customers().state(), TDataSet::State::Edit);
    w.click("PostBitBtn");
    QCOMPARE(w.customers().state(), TDataSet::State::Browse);
    QCOMPARE(w.env.logCount(), logs);
    QCOMPARE(w.env.scalar("select WDate from Customer where CustNo='A0001'"), stamp);
    QVERIFY(w.messages.texts().isEmpty());
}

void TestBasicSouFrm::saveStampsDateAndRemark()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    w.click("EditBitBtn");
    QVERIFY(w.customers().fieldByName("Contact").setValue("周經理"));
    w.click("PostBitBtn");
    QCOMPARE(w.customers().state(), TDataSet::State::Browse);
    QCOMPARE(w.env.scalar("select Contact from Customer where CustNo='A0002'").toString(),
             QStringLiteral("周經理"));
    QCOMPARE(SqlDialect::toDateTime(w.env.scalar("select WDate from Customer where CustNo='A0002'"))
                 .date(),
             QDate::currentDate());
    QCOMPARE(w.env.scalar("select OPRemark from LogRec order by LogNo desc").toString(),
             QStringLiteral("A0002/晨光書店"));
    QCOMPARE(w.env.scalar("select OPItem from LogRec order by LogNo desc").toString(),
             QStringLiteral("客戶檔管理作業"));
}

void TestBasicSouFrm::movesWaitWhileEditing()
{
    CustomerWindow w;
    w.child<QLineEdit>("FCustNoEdit")->setText("A*");
    w.click("FindBitBtn");
    QCOMPARE(w.customers().recNo(), 0);
    w.click("EditBitBtn");
    QVERIFY(w.customers().fieldByName("CustNo").setValue("A0009"));
    // Neither the list nor the navigator saves the changed number behind the question's back.
    auto* grid = w.child<TSouGrid>("DBGrid2");
    grid->setCurrentIndex(grid->model()->index(2, 0));
    QVERIFY(!w.child<QWidget>("DBNavigator1")->isEnabled());
    QCOMPARE(w.customers().recNo(), 0);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(w.customers().state(), TDataSet::State::Edit);
    QCOMPARE(w.env.scalar("select count(*) from Customer where CustNo='A0009'").toInt(), 0);
    w.click("CancelBitBtn");
    QVERIFY(w.child<QWidget>("DBNavigator1")->isEnabled());
    grid->setCurrentIndex(grid->model()->index(2, 0));
    QCOMPARE(w.customers().recNo(), 2);
}

void TestBasicSouFrm::keyChange_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("storedUnder");
    QTest::addColumn<QString>("remark");
    QList<std::pair<Backend, QString>> backends{{Backend::Sqlite, "sqlite"}};
    if (TestDb::postgresAvailable())
        backends.append({Backend::Postgres, "postgres"});
    // A moved key takes the customer's subjects along on both backends.
    for (const auto& [backend, tag] : backends) {
        QTest::newRow(qPrintable(tag + "_answered_no_keeps_old_key")) << backend << false << "A0002"
                                                                      << "A0002/晨光書店總店";
        QTest::newRow(qPrintable(tag + "_answered_yes_moves_the_key")) << backend << true << "A0009"
                                                                       << "編號A0002修改為A0009";
    }
}

void TestBasicSouFrm::keyChange()
{
    QFETCH(Backend, backend);
    QFETCH(bool, yes);
    QFETCH(QString, storedUnder);
    QFETCH(QString, remark);
    CustomerWindow w(backend);
    QVERIFY(w.find("A0002"));
    w.click("EditBitBtn");
    QVERIFY(w.customers().fieldByName("CustNo").setValue("A0009"));
    QVERIFY(w.customers().fieldByName("CustName").setValue("晨光書店總店"));
    w.messages.answer({yes});
    w.click("PostBitBtn");
    QCOMPARE(w.messages.texts(), QStringList{"編號是否確定修改？"});
    QCOMPARE(w.customers().state(), TDataSet::State::Browse);
    QCOMPARE(
        w.env.scalar("select count(*) from Customer where CustNo in ('A0002','A0009')").toInt(), 1);
    QCOMPARE(w.env.scalar("select CustName from Customer where CustNo=?", {storedUnder}).toString(),
             QStringLiteral("晨光書店總店"));
    QCOMPARE(w.env.scalar("select OPRemark from LogRec order by LogNo desc").toString(), remark);
    // The customer's subjects stay with it under the number it is stored with.
    QCOMPARE(w.env.scalar("select count(*) from CustClsNo where CustNo=?", {storedUnder}).toInt(),
             2);
}

void TestBasicSouFrm::titleSortFlagPerGrid()
{
    CustomerWindow w;
    w.child<QLineEdit>("FCustNoEdit")->setText("*0*");
    w.click("FindBitBtn");
    QVERIFY(w.customers().recordCount() > 3);
    auto* grid = w.child<TSouGrid>("DBGrid2");
    const auto clickTitle = [&](int column) { w.frm->DBGrid1TitleClick(grid, column); };
    clickTitle(0);
    QCOMPARE(w.customers().sort(), QStringLiteral("CustNo ASC"));
    QCOMPARE(w.customers().value(0, "CustNo").toString(), QStringLiteral("A0001"));
    clickTitle(0);
    QCOMPARE(w.customers().sort(), QStringLiteral("CustNo DESC"));
    QCOMPARE(w.customers().value(0, "CustNo").toString(), QStringLiteral("K0002"));
    // The flag is the grid's, not the column's: after two clicks it is off again.
    clickTitle(1);
    QCOMPARE(w.customers().sort(), QStringLiteral("CustName ASC"));
    clickTitle(0);
    QCOMPARE(w.customers().sort(), QStringLiteral("CustNo DESC"));
    // A grid of its own keeps a flag of its own.
    QVERIFY(!w.child<TSouGrid>("DBGrid4")->sortFlag());
}

void TestBasicSouFrm::historyDatesDefaultToThreeMonths()
{
    CustomerWindow w;
    const QDate today = QDate::currentDate();
    QCOMPARE(w.child<TEnglishDate>("EnglishDate2")->text(), today.toString("yyyy/MM/dd"));
    QCOMPARE(w.child<TEnglishDate>("EnglishDate1")->text(),
             today.addMonths(-3).toString("yyyy/MM/dd"));
    QVERIFY(!w.child<QPushButton>("DPntBitBtn")->isEnabled());
    // The customer window shows 估價, 訂貨 and 出貨 only.
    QCOMPARE(w.child<QPushButton>("QuBitBtn")->isHidden(), false);
    QCOMPARE(w.child<QPushButton>("OrdBitBtn")->isHidden(), false);
    QCOMPARE(w.child<QPushButton>("ExpBitBtn")->isHidden(), false);
    QCOMPARE(w.child<QPushButton>("BuyBitBtn")->isHidden(), true);
    QCOMPARE(w.child<QPushButton>("ImpBitBtn")->isHidden(), true);
}

void TestBasicSouFrm::historyButtonsFollowTheirModules_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("button");
    QTest::newRow("quotations_N") << 7 << "QuBitBtn";
    QTest::newRow("orders_N") << 8 << "OrdBitBtn";
    QTest::newRow("shipments_N") << 10 << "ExpBitBtn";
}

void TestBasicSouFrm::historyButtonsFollowTheirModules()
{
    QFETCH(int, position);
    QFETCH(QString, button);
    CustomerWindow w(Backend::Sqlite, "C0", CustomerWindow::priv(position, 'N'));
    for (const char* b : {"QuBitBtn", "OrdBitBtn", "ExpBitBtn"})
        QCOMPARE(w.child<QPushButton>(b)->isEnabled(), button != QLatin1String(b));
}

void TestBasicSouFrm::historyNeedsBothDates_data()
{
    QTest::addColumn<QString>("dateEdit");
    QTest::addColumn<QString>("warning");
    QTest::newRow("start_missing") << "EnglishDate1"
                                   << "請設定查詢起始日期";
    QTest::newRow("end_missing") << "EnglishDate2"
                                 << "請設定查詢迄止日期";
}

void TestBasicSouFrm::historyNeedsBothDates()
{
    QFETCH(QString, dateEdit);
    QFETCH(QString, warning);
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    w.child<TEnglishDate>(dateEdit)->setText(TEnglishDate::blankText());
    w.click("QuBitBtn");
    QCOMPARE(w.messages.texts(), QStringList{warning});
    QVERIFY(!w.frm->TranDetailDS.isActive());
}

void TestBasicSouFrm::companySelector_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QChar>("position12");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("allArea");
    QTest::newRow("head_office_1") << "C0" << QChar('1') << true << "%";
    QTest::newRow("head_office_2_shown_but_own_branch") << "C0" << QChar('2') << true << "C0";
    QTest::newRow("head_office_0") << "C0" << QChar('0') << false << "C0";
    QTest::newRow("branch_1") << "C1" << QChar('1') << false << "C1";
}

void TestBasicSouFrm::companySelector()
{
    QFETCH(QString, area);
    QFETCH(QChar, position12);
    QFETCH(bool, shown);
    QFETCH(QString, allArea);
    CustomerWindow w(Backend::Sqlite, area, CustomerWindow::priv(12, position12));
    auto* box = w.child<QComboBox>("DBLookupComboBox1");
    QCOMPARE(!box->isHidden(), shown);
    QCOMPARE(!w.child<QWidget>("Panel11")->isHidden(), shown);
    QCOMPARE(w.frm->historyArea(), allArea);
    QCOMPARE(box->count(), 3); // C0, C1, C2
    if (allArea != "%")
        return;
    box->setCurrentIndex(box->findData("C2"));
    QCOMPARE(w.frm->historyArea(), QStringLiteral("C2"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(w.frm->historyArea(), QStringLiteral("%"));
    box->setCurrentIndex(0);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(w.frm->historyArea(), QStringLiteral("%"));
}

void TestBasicSouFrm::historyOfAllCompanies_data()
{
    TestDb::addBackendRows();
}

void TestBasicSouFrm::historyOfAllCompanies()
{
    QFETCH(Backend, backend);
    CustomerWindow w(backend);
    // All companies: the order B0001 placed with the Taichung branch, with its subtotal.
    QVERIFY(w.find("B0001"));
    setDates(w, "2026/09/01", "2026/12/31");
    w.click("OrdBitBtn");
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    TDataSet& lines = w.frm->TranDetailDS;
    QCOMPARE(lines.field(0).name(), QStringLiteral("訂貨單號"));
    QCOMPARE(column(lines, "公司編號"), QStringList{"C1"});
    QCOMPARE(column(lines, "書籍編號"), QStringList{"HW0201"});
    QVERIFY(!w.child<QWidget>("Panel11")->isHidden());
    QCOMPARE(column(w.frm->SumDS, "公司編號"), QStringList{"C1"});
    QCOMPARE(w.child<QLabel>("SubCompLabel")->text(), QString());
    QCOMPARE(w.child<QLabel>("SumQtyLabel")->text(), QStringLiteral("6"));
    QVERIFY(w.child<QPushButton>("DPntBitBtn")->isEnabled());

    // Shipments with a return: the return counts against the total.
    QVERIFY(w.find("A0002"));
    w.click("ExpBitBtn");
    QCOMPARE(lines.field(0).name(), QStringLiteral("單據編號"));
    QCOMPARE(lines.recordCount(), 2);
    QVERIFY(lines.value(0, 0).toString().startsWith(QStringLiteral("出貨")));
    QVERIFY(lines.value(1, 0).toString().startsWith(QStringLiteral("退回")));
    QCOMPARE(w.child<QLabel>("SumQtyLabel")->text(), QStringLiteral("3"));
    QCOMPARE(w.frm->AllSumDS.fieldByName("sum").asInteger(), 3);

    // The history is printed as loaded.
    w.click("DPntBitBtn");
    QCOMPARE(w.desktop.opened.size(), 1);
}

void TestBasicSouFrm::historyOfOneCompany()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    setDates(w, "2026/09/01", "2026/12/31");
    auto* box = w.child<QComboBox>("DBLookupComboBox1");
    box->setCurrentIndex(box->findData("C0"));
    w.click("QuBitBtn");
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    QCOMPARE(w.frm->TranDetailDS.field(0).name(), QStringLiteral("估價單號"));
    QCOMPARE(w.frm->TranDetailDS.recordCount(), 2);
    QVERIFY(w.child<QWidget>("Panel11")->isHidden());
    QVERIFY(!w.frm->SumDS.isActive());
    QCOMPARE(w.child<QLabel>("SubCompLabel")->text(), box->currentText());
    QCOMPARE(w.child<QLabel>("SumQtyLabel")->text(), QStringLiteral("15"));
    QCOMPARE(w.frm->AllSumDS.fieldByName("sum_1").asFloat(), 2240.0 + 1425.0);
}

void TestBasicSouFrm::historyEmpty()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    setDates(w, "2026/09/01", "2026/12/31");
    w.click("QuBitBtn");
    QVERIFY(w.frm->TranDetailDS.isActive());
    // Another period: nothing, and the previous history goes.
    setDates(w, "2025/01/01", "2025/03/31");
    w.click("QuBitBtn");
    QCOMPARE(w.messages.texts(), QStringList{"查無資料，請重新查詢"});
    QVERIFY(!w.frm->TranDetailDS.isActive());
    QVERIFY(!w.frm->SumDS.isActive());
    QVERIFY(!w.frm->AllSumDS.isActive());
    QVERIFY(!w.child<QPushButton>("DPntBitBtn")->isEnabled());
    // No record current: nothing at all.
    w.messages.clear();
    w.customers().close();
    w.click("QuBitBtn");
    QVERIFY(w.messages.texts().isEmpty());
}

void TestBasicSouFrm::branchUserQueriesOwnBranch()
{
    CustomerWindow w(Backend::Sqlite, "C1");
    QVERIFY(w.find("B0001"));
    setDates(w, "2026/09/01", "2026/12/31");
    w.click("OrdBitBtn");
    QCOMPARE(column(w.frm->TranDetailDS, "公司編號"), QStringList{"C1"});
    QVERIFY(w.child<QWidget>("Panel11")->isHidden());
    // The head office's quotations are not the branch's.
    QVERIFY(w.find("A0002"));
    w.click("QuBitBtn");
    QCOMPARE(w.messages.texts(), QStringList{"查無資料，請重新查詢"});
}

void TestBasicSouFrm::jumpToDocument_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dataSet");
    QTest::newRow("quotation_by_column") << "QuBitBtn" << 0 << "QuoteItem"
                                         << "QuoteDS";
    QTest::newRow("order_by_column") << "OrdBitBtn" << 0 << "OrderItem"
                                     << "OrderDS";
    QTest::newRow("shipment_by_prefix") << "ExpBitBtn" << 0 << "ExportItem"
                                        << "ExportDS";
    QTest::newRow("sales_return_by_prefix") << "ExpBitBtn" << 1 << "ExpRetItem"
                                            << "ExpRetDS";
}

void TestBasicSouFrm::jumpToDocument()
{
    QFETCH(QString, button);
    QFETCH(int, row);
    QFETCH(QString, item);
    QFETCH(QString, dataSet);
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    setDates(w, "2026/09/01", "2026/12/31");
    w.click(button);
    auto* grid = w.child<TSouGrid>("DBGrid1");
    // A cell of another column opens nothing.
    grid->setCurrentIndex(grid->model()->index(row, 1));
    w.frm->DBGrid1DblClick();
    QVERIFY(w.opened.isEmpty());

    grid->setCurrentIndex(grid->model()->index(row, 0));
    w.frm->DBGrid1DblClick();
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    QCOMPARE(w.opened, QStringList{item});
    TDataSet* header = w.env.dm->DataSetByName(dataSet);
    QVERIFY(header->isActive());
    QCOMPARE(header->recordCount(), 1);
    QString number = w.frm->TranDetailDS.value(row, 0).toString();
    if (!number.at(0).isDigit())
        number = number.mid(2);
    QCOMPARE(header->fieldByName("PNo").asString(), number);
    QCOMPARE(header->fieldByName("CustNo").asString(), QStringLiteral("A0002"));
}

void TestBasicSouFrm::jumpRefusedForAnotherCompany()
{
    CustomerWindow w;
    QVERIFY(w.find("B0001"));
    setDates(w, "2026/09/01", "2026/12/31");
    w.click("OrdBitBtn");
    auto* grid = w.child<TSouGrid>("DBGrid1");
    grid->setCurrentIndex(grid->model()->index(0, 0));
    w.frm->DBGrid1DblClick();
    QCOMPARE(w.messages.texts(), QStringList{"非本公司資料，請至分公司單據中查詢"});
    QVERIFY(w.opened.isEmpty());
}

void TestBasicSouFrm::closingClosesTheDatasets()
{
    CustomerWindow w;
    QVERIFY(w.find("A0001"));
    QVERIFY(w.env.dm->SubCompDS.isActive());
    QCOMPARE(w.env.dm->LogItem, QStringLiteral("客戶檔管理作業"));
    w.frm->close();
    QVERIFY(!w.customers().isActive());
    QVERIFY(!w.env.dm->SubCompDS.isActive());
    QVERIFY(!w.frm->CustClsNoDS.isActive());
}

QTEST_MAIN(TestBasicSouFrm)
#include "tst_basicsoufrm.moc"
