// The customer window: its fields and rights, the copy into the supplier table, subjects, printing.

#include <QCheckBox>
#include <QDialog>
#include <QFileInfo>
#include <QSpinBox>
#include <QtTest>

#include "../masterdata/CustomerWindow.h"
#include "data/TMainDM.h"
#include "master/TSouGrid.h"
#include "reports/office/WordDocument.h"
#include "widgets/TDBEditNew.h"

class TestCustomerFrm : public QObject
{
    Q_OBJECT

private slots:
    // First: the last subject search is kept for the program's lifetime.
    void addAllBeforeAnySubjectSearch();
    void branchUserRights();
    void keyFieldGuard_data();
    void keyFieldGuard();
    void requiredFields_data();
    void requiredFields();
    void newCustomerSaved();
    void copyToSupplier_data();
    void copyToSupplier();
    void copyTooLongNameFails();
    void subjectButtonsNeedEditing();
    void deleteAllSubjectsOfOneCustomer();
    void addSelectedSubject_data();
    void addSelectedSubject();
    void addAllFoundSubjects_data();
    void addAllFoundSubjects();
    void subjectOnNewCustomerSavesItFirst();
    void subjectSearchNeedsTheRight();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void allSubjectsBoxNeedsEditing();
    void printsListAndLabels();
    void labelDialogPrintsCopies();
};

namespace {

QStringList subjectsOf(CustomerWindow& w, const QString& custNo)
{
    QSqlQuery q(w.env.check->database());
    q.prepare("select ClsNo from CustClsNo where CustNo=? order by ClsNo");
    q.bindValue(0, custNo);
    q.exec();
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

void searchSubjects(CustomerWindow& w, const QString& typed)
{
    w.child<QLineEdit>("FClsNoEdit")->setText(typed);
    w.click("BitBtn3");
}

} // namespace

void TestCustomerFrm::addAllBeforeAnySubjectSearch()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    w.click("EditBitBtn");
    w.click("AllInsSBtn");
    QCOMPARE(w.messages.texts(), QStringList{"請查詢欲轉入的科別資料"});
    QCOMPARE(subjectsOf(w, "A0002"), (QStringList{"CHI", "LIT"}));
}

void TestCustomerFrm::branchUserRights()
{
    CustomerWindow w(Backend::Sqlite, "C1");
    QVERIFY(w.child<QWidget>("RemarkEdit")->isHidden());
    QVERIFY(w.child<QWidget>("DelBitBtn")->isHidden());
    QVERIFY(!w.child<QWidget>("InsertBitBtn")->isHidden());

    QVERIFY(w.find("A0001"));
    QVERIFY(w.child<QPushButton>("BitBtn1")->isEnabled());
    w.click("EditBitBtn");
    QVERIFY(!w.child<QPushButton>("BitBtn1")->isEnabled());
    QVERIFY(!w.child<QPushButton>("BitBtn2")->isEnabled());
    for (const char* f : {"DBEditNew1", "CustNameEdit", "DiscAEdit", "DiscFEdit"})
        QVERIFY2(w.child<TDBEditNew>(f)->isReadOnly(), f);
    QVERIFY(!w.child<TDBEditNew>("ContactEdit")->isReadOnly());
    w.click("CancelBitBtn");

    // A new customer is filled in whole.
    w.click("InsertBitBtn");
    QCOMPARE(w.customers().state(), TDataSet::State::Insert);
    for (const char* f : {"DBEditNew1", "CustNameEdit", "DiscAEdit"})
        QVERIFY2(!w.child<TDBEditNew>(f)->isReadOnly(), f);
    QCOMPARE(w.customers().fieldByName("SArea").asString(), QStringLiteral("C1"));
}

void TestCustomerFrm::keyFieldGuard_data()
{
    QTest::addColumn<QChar>("right");
    QTest::addColumn<bool>("refused");
    QTest::newRow("7_refuses_the_number") << QChar('7') << true;
    QTest::newRow("F_accepts_the_number") << QChar('F') << false;
}

void TestCustomerFrm::keyFieldGuard()
{
    QFETCH(QChar, right);
    QFETCH(bool, refused);
    CustomerWindow w(Backend::Sqlite, "C0", CustomerWindow::priv(1, right));
    QVERIFY(w.find("A0003"));
    w.click("EditBitBtn");
    w.frm->DBEditNew1Enter();
    QCOMPARE(w.messages.texts(), refused ? QStringList{"無權修改客戶編號"} : QStringList{});
    QCOMPARE(w.child<TDBEditNew>("DBEditNew1")->isReadOnly(), refused);
    w.click("CancelBitBtn");
    // A new customer's number is always typed.
    w.messages.clear();
    w.click("InsertBitBtn");
    w.frm->DBEditNew1Enter();
    QVERIFY(w.messages.texts().isEmpty());
    QVERIFY(!w.child<TDBEditNew>("DBEditNew1")->isReadOnly());
}

void TestCustomerFrm::requiredFields_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");
    QTest::newRow("number_missing") << "  "
                                    << "新客戶"
                                    << "請輸入客戶編號";
    QTest::newRow("name_missing") << "N0001"
                                  << "   "
                                  << "請輸入客戶名稱";
}

void TestCustomerFrm::requiredFields()
{
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QString, warning);
    CustomerWindow w;
    QVERIFY(w.find("A0001"));
    w.click("InsertBitBtn");
    w.customers().fieldByName("CustNo").setValue(number);
    w.customers().fieldByName("CustName").setValue(name);
    const int logs = w.env.logCount();
    w.click("PostBitBtn");
    QCOMPARE(w.messages.texts(), QStringList{warning});
    QCOMPARE(w.customers().state(), TDataSet::State::Insert);
    QCOMPARE(w.env.logCount(), logs);
}

void TestCustomerFrm::newCustomerSaved()
{
    CustomerWindow w;
    QVERIFY(w.find("A0001"));
    w.click("InsertBitBtn");
    w.customers().fieldByName("CustNo").setValue(" N0001 ");
    w.customers().fieldByName("CustName").setValue(" 新開書局 ");
    w.click("PostBitBtn");
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    QCOMPARE(w.customers().state(), TDataSet::State::Browse);
    QCOMPARE(w.env.scalar("select CustName from Customer where CustNo='N0001'").toString(),
             QStringLiteral("新開書局"));
    QCOMPARE(w.env.scalar("select DiscC from Customer where CustNo='N0001'").toDouble(), 1.0);
    QCOMPARE(w.env.scalar("select OPKind from LogRec order by LogNo desc").toString(),
             QStringLiteral("新增"));
}

void TestCustomerFrm::copyToSupplier_data()
{
    QTest::addColumn<bool>("supplierExists");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("supplierName");
    QTest::addColumn<bool>("logged");
    const QString exists = "供應商資料已存在\nA0004\n舊名稱\n舊聯絡人\n確定轉入嗎？";
    QTest::newRow("new_supplier_inserted")
        << false << QList<bool>{true} << QStringList{"確定轉至供應商檔嗎？", "轉檔完成"} << "陳大文"
        << true;
    QTest::newRow("existing_supplier_updated")
        << true << QList<bool>{true, true}
        << QStringList{"確定轉至供應商檔嗎？", exists, "轉檔完成"} << "陳大文" << true;
    QTest::newRow("existing_supplier_kept")
        << true << QList<bool>{true, false} << QStringList{"確定轉至供應商檔嗎？", exists}
        << "舊名稱" << false;
    QTest::newRow("not_confirmed")
        << false << QList<bool>{false} << QStringList{"確定轉至供應商檔嗎？"} << QString() << false;
}

void TestCustomerFrm::copyToSupplier()
{
    QFETCH(bool, supplierExists);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, messages);
    QFETCH(QString, supplierName);
    QFETCH(bool, logged);
    CustomerWindow w;
    if (supplierExists)
        w.env.exec("insert into Vendor (VNo,VName,Contact,MKind,Alliance) values "
                   "('A0004','舊名稱','舊聯絡人',0,0)");
    QVERIFY(w.find("A0004"));
    for (bool a : answers)
        w.messages.answer({a});
    const int logs = w.env.logCount();
    w.click("BitBtn1");
    QCOMPARE(w.messages.texts(), messages);
    QCOMPARE(w.env.scalar("select VName from Vendor where VNo='A0004'").toString(), supplierName);
    QCOMPARE(w.env.logCount(), logs + (logged ? 1 : 0));
    if (logged) {
        QCOMPARE(w.env.scalar("select VTel from Vendor where VNo='A0004'").toString(),
                 QStringLiteral("0912-345678"));
        QCOMPARE(w.env.scalar("select VEmail from Vendor where VNo='A0004'").toString(),
                 QStringLiteral("david.chen@example.tw"));
        QCOMPARE(w.env.scalar("select OPKind from LogRec order by LogNo desc").toString(),
                 QStringLiteral("轉檔"));
        QCOMPARE(w.env.scalar("select OPRemark from LogRec order by LogNo desc").toString(),
                 QStringLiteral("A0004/轉入供應商檔"));
    }
}

void TestCustomerFrm::copyTooLongNameFails()
{
    // A supplier's name holds fewer characters than a customer's: nothing is cut, nothing logged.
    CustomerWindow w;
    const QString longName = QString(45, QChar(u'書'));
    w.env.exec("update Customer set CustName=? where CustNo='A0003'", {longName});
    QVERIFY(w.find("A0003"));
    const int logs = w.env.logCount();
    w.messages.answer({true});
    w.click("BitBtn1");
    QCOMPARE(w.messages.last(), QStringLiteral("轉檔失敗，請檢查資料..."));
    QCOMPARE(w.messages.lastKind(), TDialogs::Kind::Error);
    QCOMPARE(w.env.scalar("select count(*) from Vendor where VNo='A0003'").toInt(), 0);
    QCOMPARE(w.env.logCount(), logs);
}

void TestCustomerFrm::subjectButtonsNeedEditing()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    for (const char* b : {"AllInsSBtn", "SelInsSBtn", "SelDelSBtn", "AllDelSBtn"}) {
        w.messages.clear();
        w.click(b);
        QCOMPARE(w.messages.texts(), QStringList{"請選擇新增或修改狀態"});
    }
    QCOMPARE(subjectsOf(w, "A0002"), (QStringList{"CHI", "LIT"}));
}

void TestCustomerFrm::deleteAllSubjectsOfOneCustomer()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    QCOMPARE(w.frm->CustClsNoDS.recordCount(), 2);
    w.click("EditBitBtn");
    w.click("AllDelSBtn");
    QVERIFY(w.messages.texts().isEmpty());
    QCOMPARE(subjectsOf(w, "A0002"), QStringList{});
    QCOMPARE(w.frm->CustClsNoDS.recordCount(), 0);
    QCOMPARE(subjectsOf(w, "A0003"), (QStringList{"CHI", "LIT"}));
    QCOMPARE(w.env.scalar("select count(*) from CustClsNo").toInt(), 10);
}

void TestCustomerFrm::addSelectedSubject_data()
{
    TestDb::addBackendRows();
}

void TestCustomerFrm::addSelectedSubject()
{
    QFETCH(Backend, backend);
    CustomerWindow w(backend);
    QVERIFY(w.find("A0002"));
    w.click("EditBitBtn");
    searchSubjects(w, "LIT");
    QCOMPARE(w.env.dm->ClasesDS.recordCount(), 1);
    // The customer has LIT already: refused, no pending row, one row on file.
    w.click("SelInsSBtn");
    QCOMPARE(w.messages.texts(), QStringList{"無法選入科別資料，請檢查是否重複選擇"});
    QVERIFY(!w.frm->CustClsNoDS.isEditing());
    QCOMPARE(w.frm->CustClsNoDS.recordCount(), 2);
    QCOMPARE(subjectsOf(w, "A0002"), (QStringList{"CHI", "LIT"}));

    w.messages.clear();
    searchSubjects(w, "his");
    w.click("SelInsSBtn");
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    QCOMPARE(subjectsOf(w, "A0002"), (QStringList{"CHI", "HIS", "LIT"}));
    QCOMPARE(w.frm->CustClsNoDS.recordCount(), 3);
    QVERIFY(w.frm->CustClsNoDS.locate({"ClsNo"}, {"HIS"}));
    QCOMPARE(w.frm->CustClsNoDS.fieldByName("ClsCNm").asString(), QStringLiteral("歷史"));

    // Deleting the selected one removes just that row.
    w.click("SelDelSBtn");
    QCOMPARE(subjectsOf(w, "A0002"), (QStringList{"CHI", "LIT"}));
}

void TestCustomerFrm::addAllFoundSubjects_data()
{
    TestDb::addBackendRows();
}

void TestCustomerFrm::addAllFoundSubjects()
{
    QFETCH(Backend, backend);
    CustomerWindow w(backend);
    QVERIFY(w.find("A0001"));
    w.click("EditBitBtn");
    searchSubjects(w, "*S");
    QCOMPARE(w.env.dm->ClasesDS.recordCount(), 2); // HIS, BUS
    w.click("AllInsSBtn");
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    QCOMPARE(subjectsOf(w, "A0001"), (QStringList{"BUS", "HIS"}));
    QCOMPARE(w.frm->CustClsNoDS.recordCount(), 2);

    // Another customer's existing LIT makes the whole insert fail and adds nothing.
    QVERIFY(w.find("A0003"));
    w.click("EditBitBtn");
    searchSubjects(w, "L*");
    w.click("AllInsSBtn");
    QCOMPARE(w.messages.texts(), QStringList{"無法選入科別資料，請檢查是否重複選擇"});
    QCOMPARE(subjectsOf(w, "A0003"), (QStringList{"CHI", "LIT"}));
}

void TestCustomerFrm::subjectOnNewCustomerSavesItFirst()
{
    CustomerWindow w;
    QVERIFY(w.find("A0001"));
    searchSubjects(w, "ART");
    w.click("InsertBitBtn");
    w.customers().fieldByName("CustNo").setValue("N0002");
    w.customers().fieldByName("CustName").setValue("藝文工作室");
    w.click("SelInsSBtn");
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    QCOMPARE(w.customers().state(), TDataSet::State::Edit);
    QCOMPARE(w.env.scalar("select count(*) from Customer where CustNo='N0002'").toInt(), 1);
    QCOMPARE(subjectsOf(w, "N0002"), QStringList{"ART"});
}

void TestCustomerFrm::subjectSearchNeedsTheRight()
{
    CustomerWindow w(Backend::Sqlite, "C0", CustomerWindow::priv(5, 'N'));
    QVERIFY(w.child<QWidget>("BitBtn3")->isHidden());
    w.frm->BitBtn3Click();
    QCOMPARE(w.messages.texts(), QStringList{"無權查詢科目資料"});
}

void TestCustomerFrm::printsListAndLabels()
{
    CustomerWindow w;
    w.child<QLineEdit>("FCustNoEdit")->setText("A*");
    w.click("FindBitBtn");
    QCOMPARE(w.customers().recordCount(), 4);
    w.click("BPntBitBtn");
    QCOMPARE(w.desktop.opened.size(), 1);
    w.click("BCBitBtn");
    QCOMPARE(w.desktop.opened.size(), 2);
    QVERIFY(QFileInfo::exists(w.desktop.opened.last()));
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
}

void TestCustomerFrm::deleteAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("confirmed") << true;
    QTest::newRow("declined") << false;
}

void TestCustomerFrm::deleteAsksFirst()
{
    QFETCH(bool, yes);
    CustomerWindow w;
    w.env.exec("insert into Customer (CustNo,CustName,SArea) values ('N0009','待刪客戶','C0')");
    w.env.exec("insert into CustClsNo (CustNo,ClsNo) values ('N0009','ART')");
    QVERIFY(w.find("N0009"));
    w.messages.answer({yes});
    w.click("DelBitBtn");
    QCOMPARE(w.messages.messages().size(), 1);
    QCOMPARE(w.messages.lastKind(), TDialogs::Kind::Question);
    QCOMPARE(w.env.scalar("select count(*) from Customer where CustNo='N0009'").toInt(),
             yes ? 0 : 1);
    QCOMPARE(subjectsOf(w, "N0009"), yes ? QStringList{} : QStringList{"ART"});
    QCOMPARE(w.customers().recordCount(), yes ? 0 : 1);
}

void TestCustomerFrm::allSubjectsBoxNeedsEditing()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    auto* box = w.child<QCheckBox>("AllClsNoCheck");
    QVERIFY(!box->isChecked());
    box->click();
    QVERIFY(!box->isChecked());
    QCOMPARE(w.customers().state(), TDataSet::State::Browse);
    w.click("EditBitBtn");
    box->click();
    QVERIFY(box->isChecked());
    w.click("PostBitBtn");
    QCOMPARE(w.env.scalar("select AllClsNo from Customer where CustNo='A0002'").toInt(), 1);
}

void TestCustomerFrm::labelDialogPrintsCopies()
{
    CustomerWindow w;
    QVERIFY(w.find("A0002"));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = dialog->windowTitle() == QStringLiteral("列印名條");
        auto* copies = dialog->findChild<QSpinBox*>("SpinEdit1");
        QCOMPARE(copies->value(), 1);
        QCOMPARE(copies->maximum(), 9999);
        copies->setValue(3);
        dialog->findChild<QPushButton*>("OKBitBtn")->click();
    });
    w.click("BitBtn2");
    QVERIFY(seen);
    QCOMPARE(w.desktop.opened.size(), 1);
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join('|')));
    // Three labels of the current customer and only of it, on two full label rows.
    office::WordDocument doc;
    QString error;
    QVERIFY2(doc.open(w.desktop.opened.last(), &error), qPrintable(error));
    QCOMPARE(doc.bodyText().count(QStringLiteral("晨光書店")), 4);
    QCOMPARE(doc.bodyText().count(QStringLiteral("國立清水大學")), 0);
}

QTEST_MAIN(TestCustomerFrm)
#include "tst_customerfrm.moc"
