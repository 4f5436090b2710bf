#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "../support/DemoEnv.h"
#include "../support/MessageRecorder.h"
#include "app/TAccMrgFrm.h"
#include "data/PasswordHash.h"
#include "data/TLogin.h"
#include "data/TMainDM.h"
#include "widgets/TDBEditNew.h"

namespace {

const QString Clerk = QStringLiteral("0333007777730720");
const QString BranchManager = QStringLiteral("1330N07777770720");
const char* const Boxes[] = {"Insert", "Update", "ChangeNo", "Delete"};

struct AccWindow
{
    explicit AccWindow(TMainDM& dm) : w(dm)
    {
        w.show();
        pages = w.findChild<QTabWidget*>(QStringLiteral("Pages"));
        grid = w.findChild<QTableView*>(QStringLiteral("UserGrid"));
    }
    template <typename T = QWidget> T* child(const QString& name) const
    {
        T* c = w.findChild<T*>(name);
        if (!c)
            qFatal("no child %s", qPrintable(name));
        return c;
    }
    QCheckBox* box(int position, const char* box) const
    {
        return child<QCheckBox>(QStringLiteral("Priv%1_%2").arg(position).arg(QLatin1String(box)));
    }
    /// Clicks near the left edge, where a check box's indicator is, whatever the box's width.
    void click(const QString& name) const
    {
        auto* b = child<QAbstractButton>(name);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    void showAccounts() const { pages->setCurrentWidget(child(QStringLiteral("AccountPage"))); }
    /// Moves the list to the account and shows it.
    void select(const QString& code) const
    {
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            if (grid->model()->index(r, 0).data().toString() == code) {
                grid->setCurrentIndex(grid->model()->index(r, 0));
                return;
            }
        }
        qFatal("no account %s", qPrintable(code));
    }
    void type(const QString& name, const QString& text) const
    {
        auto* e = child<QLineEdit>(name);
        e->selectAll();
        QTest::keyClicks(e, text);
        // Leaving a bound control hands its text to the field.
        if (auto* bound = qobject_cast<TDBEditNew*>(e))
            bound->commit();
    }

    TAccMrgFrm w;
    QTabWidget* pages;
    QTableView* grid;
};

QString privOf(DemoEnv& env, const QString& code)
{
    return env.scalar(QStringLiteral("SELECT UsPriv FROM UserPass WHERE UsCode=?"), {code})
        .toString();
}

QString hashOf(DemoEnv& env, const QString& code)
{
    return env.scalar(QStringLiteral("SELECT UsHash FROM UserPass WHERE UsCode=?"), {code})
        .toString();
}

/// Logs in on a module of its own, as the login window does.
TLogin::Outcome loginAs(DemoEnv& env, const QString& code, const QString& password)
{
    auto other =
        env.login(QStringLiteral("second-login"), QStringLiteral("C0"), DemoEnv::AdminPriv);
    TLogin login(*other);
    if (!login.LoadAccounts())
        return TLogin::Outcome::NoAccountList;
    QString c = code;
    QString p = password;
    return login.Attempt(c, p);
}

} // namespace

class TestAccMrgFrm : public QObject
{
    Q_OBJECT
private slots:
    void ordinaryUserSeesOnlyThePasswordPage();
    void branchManagerKeepsOwnBranch();
    void branchAccountStrings_data();
    void branchAccountStrings();
    void headOfficeBoxes_data();
    void headOfficeBoxes();
    void changeToManager_data();
    void changeToManager();
    void managerSavedUnchangedKeepsString_data();
    void managerSavedUnchangedKeepsString();
    void noneBoxShowsAndRules();
    void saveRefusals_data();
    void saveRefusals();
    void ownPasswordChange_data() { TestDb::addBackendRows(); }
    void ownPasswordChange();
    void passwordsOnEdit();
    void deleteAsksAndLogs();
};

void TestAccMrgFrm::ordinaryUserSeesOnlyThePasswordPage()
{
    DemoEnv env(Backend::Sqlite, "C0", Clerk);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    QVERIFY(!win.pages->isTabVisible(win.pages->indexOf(win.child(QStringLiteral("AccountPage")))));
    QCOMPARE(win.pages->currentWidget(), win.child(QStringLiteral("PasswordPage")));
    QCOMPARE(win.child<QLabel>(QStringLiteral("LoginCodeLabel"))->text(), QStringLiteral("TESTER"));
    QVERIFY(!env.dm->UserDS.isActive());
    QCOMPARE(env.dm->LogItem, QStringLiteral("帳號管理作業"));

    // Cancel closes the window for ordinary staff, and only clears the fields for managers.
    win.click(QStringLiteral("PassCancelBtn"));
    QVERIFY(!win.w.isVisible());
    QCOMPARE(win.w.result(), int(QDialog::Rejected));

    DemoEnv managerEnv(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    AccWindow manager(*managerEnv.dm);
    QVERIFY(manager.pages->isTabVisible(
        manager.pages->indexOf(manager.child(QStringLiteral("AccountPage")))));
    manager.type(QStringLiteral("NewPassEdit"), "abc");
    manager.click(QStringLiteral("PassCancelBtn"));
    QVERIFY(manager.w.isVisible());
    QVERIFY(manager.child<QLineEdit>(QStringLiteral("NewPassEdit"))->text().isEmpty());
}

void TestAccMrgFrm::branchManagerKeepsOwnBranch()
{
    DemoEnv env(Backend::Sqlite, "C1", BranchManager);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    QCOMPARE(win.grid->model()->rowCount(), 2);
    for (int r = 0; r < env.dm->UserDS.recordCount(); ++r)
        QCOMPARE(env.dm->UserDS.value(r, QStringLiteral("SArea")).toString().trimmed(),
                 QStringLiteral("C1"));
    QVERIFY(win.child<TDBEditNew>(QStringLiteral("SAreaEdit"))->isReadOnly());
    QVERIFY(!win.child(QStringLiteral("PrivGroup4"))->isVisible());
    QVERIFY(!win.child(QStringLiteral("PrivGroup15"))->isVisible());
    QVERIFY(!win.child(QStringLiteral("BranchQueryBox"))->isVisible());
    QVERIFY(win.child(QStringLiteral("PrivGroup1"))->isVisible());

    // A new account belongs to the manager's branch.
    win.click(QStringLiteral("InsertBtn"));
    QCOMPARE(win.child<QLineEdit>(QStringLiteral("SAreaEdit"))->text(), QStringLiteral("C1"));
}

void TestAccMrgFrm::branchAccountStrings_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("priv");
    QTest::addColumn<QString>("typedArea");
    QTest::addColumn<int>("refusals");
    // Every visible right box clicked: what is left is insert on customers, update on books and
    // the documents; no shipping agents and no branch query whatever was clicked.
    QTest::newRow("branch_manager_new_account") << "C1" << BranchManager << "" << 14;
    // Shipping agents start at "無" in a new account, so their boxes cannot be clicked at all.
    QTest::newRow("head_office_account_typed_for_a_branch")
        << "C0" << DemoEnv::AdminPriv << "c2" << 18;
}

void TestAccMrgFrm::branchAccountStrings()
{
    QFETCH(QString, area);
    QFETCH(QString, priv);
    QFETCH(QString, typedArea);
    QFETCH(int, refusals);
    DemoEnv env(Backend::Sqlite, area, priv);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    win.click(QStringLiteral("InsertBtn"));
    win.type(QStringLiteral("UsCodeEdit"), "NEW1");
    win.type(QStringLiteral("UsNameEdit"), "Lee");
    win.type(QStringLiteral("PasswordEdit"), "pw1");
    win.type(QStringLiteral("ConfirmEdit"), "pw1");
    if (!typedArea.isEmpty())
        win.type(QStringLiteral("SAreaEdit"), typedArea);
    for (int position : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15}) {
        for (const char* b : Boxes) {
            QCheckBox* check = win.w.findChild<QCheckBox*>(
                QStringLiteral("Priv%1_%2").arg(position).arg(QLatin1String(b)));
            if (check && check->isVisible() && !check->isChecked())
                win.click(check->objectName());
        }
    }
    if (win.child(QStringLiteral("BranchQueryBox"))->isVisible())
        win.click(QStringLiteral("BranchQueryBox"));
    win.click(QStringLiteral("Stock2"));
    QCOMPARE(rec.texts().count(QStringLiteral("分公司人員不可有此權限")), refusals);
    QCOMPARE(rec.texts().size(), refusals);
    QVERIFY(!win.box(3, "Insert")->isChecked());
    QVERIFY(win.box(1, "Insert")->isChecked());

    win.click(QStringLiteral("SaveBtn"));
    QCOMPARE(rec.texts().size(), refusals);
    const QString stored = privOf(env, "NEW1");
    QCOMPARE(stored.at(4), QLatin1Char('N'));
    QCOMPARE(stored.at(12), QLatin1Char('0'));
    QCOMPARE(stored, QStringLiteral("0120N07777770720"));
    QCOMPARE(env.scalar("SELECT SArea FROM UserPass WHERE UsCode='NEW1'").toString(),
             typedArea.isEmpty() ? area : typedArea.toUpper());
    QCOMPARE(env.scalar("SELECT OPItem || '/' || OPKind || '/' || OPRemark FROM LogRec").toString(),
             QStringLiteral("帳號管理作業/新增/NEW1/Lee"));
    // Stored as a hash only, and good for the next login.
    QVERIFY(PasswordHash::verify("pw1", hashOf(env, "NEW1")));
    QCOMPARE(env.scalar("SELECT COALESCE(UsPass,'') FROM UserPass WHERE UsCode='NEW1'").toString(),
             QString());
    QCOMPARE(loginAs(env, "new1", "pw1"), TLogin::Outcome::Success);
}

void TestAccMrgFrm::headOfficeBoxes_data()
{
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QChar>("expected");
    QTest::newRow("customers_insert_update_delete_is_7")
        << QStringList{"Insert", "Update", "Delete"} << QChar(u'7');
    QTest::newRow("customers_all_four_is_F")
        << QStringList{"Insert", "Update", "Delete", "ChangeNo"} << QChar(u'F');
    QTest::newRow("customers_number_only_is_8") << QStringList{"ChangeNo"} << QChar(u'8');
    QTest::newRow("customers_none_is_N") << QStringList{"None"} << QChar(u'N');
}

void TestAccMrgFrm::headOfficeBoxes()
{
    QFETCH(QStringList, checked);
    QFETCH(QChar, expected);
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    win.select("CLERK");
    // Not editing: the boxes cannot be changed.
    QVERIFY(!win.box(1, "Delete")->isEnabled());
    win.click(QStringLiteral("EditBtn"));
    for (const char* b : {"None", "Insert", "Update", "ChangeNo", "Delete"}) {
        QCheckBox* c = win.box(1, b);
        if (c->isChecked() != checked.contains(QLatin1String(b)) && c->isEnabled())
            win.click(c->objectName());
    }
    win.click(QStringLiteral("SaveBtn"));
    QVERIFY(rec.texts().isEmpty());
    QString expectedPriv = Clerk;
    expectedPriv[1] = expected;
    QCOMPARE(privOf(env, "CLERK"), expectedPriv);
    QCOMPARE(env.scalar("SELECT OPKind || '/' || OPRemark FROM LogRec").toString(),
             QStringLiteral("更新/CLERK/林小姐"));
}

void TestAccMrgFrm::changeToManager_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("stock");
    QTest::addColumn<QString>("expected");
    QTest::newRow("head_office") << "CLERK"
                                 << ""
                                 << "1FFFFF7777771727";
    QTest::newRow("branch_with_quantities") << "TCCLERK"
                                            << "Stock2"
                                            << "1330N07777770720";
    QTest::newRow("branch_in_stock_or_not") << "TCCLERK"
                                            << "Stock1"
                                            << "1320N07777770710";
}

void TestAccMrgFrm::changeToManager()
{
    QFETCH(QString, account);
    QFETCH(QString, stock);
    QFETCH(QString, expected);
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    win.select(account);
    win.click(QStringLiteral("EditBtn"));
    win.click(QStringLiteral("KindManager"));
    if (!stock.isEmpty())
        win.click(stock);
    win.click(QStringLiteral("SaveBtn"));
    QVERIFY(rec.texts().isEmpty());
    QCOMPARE(privOf(env, account), expected);
    // The boxes now show the fixed string.
    QVERIFY(win.child<QRadioButton>(QStringLiteral("KindManager"))->isChecked());
    QCOMPARE(win.box(6, "Delete")->isChecked(), true);
}

void TestAccMrgFrm::managerSavedUnchangedKeepsString_data()
{
    QTest::addColumn<QString>("account");
    QTest::newRow("head_office_manager") << "ADMIN";
    QTest::newRow("branch_manager_with_quantities") << "TCADMIN";
    QTest::newRow("branch_manager_in_stock_or_not") << "KHADMIN";
}

void TestAccMrgFrm::managerSavedUnchangedKeepsString()
{
    // The stock item shown for a branch manager's string picks that same string again, so
    // saving another change never alters the rights.
    QFETCH(QString, account);
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    const QString before = privOf(env, account);
    win.select(account);
    win.click(QStringLiteral("EditBtn"));
    win.type(QStringLiteral("UsNameEdit"), "Renamed");
    win.click(QStringLiteral("SaveBtn"));
    QVERIFY(rec.texts().isEmpty());
    QCOMPARE(env.scalar("SELECT UsName FROM UserPass WHERE UsCode=?", {account}).toString(),
             QStringLiteral("Renamed"));
    QCOMPARE(privOf(env, account), before);
}

void TestAccMrgFrm::noneBoxShowsAndRules()
{
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    env.exec("INSERT INTO UserPass (UsCode, UsName, UsPass, SArea, UsPriv) VALUES "
             "('NOBOOK','Wu','','C0','03N3007777730720')");
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    win.select("NOBOOK");
    QVERIFY(win.box(2, "None")->isChecked());
    for (const char* b : Boxes)
        QVERIFY2(!win.box(2, b)->isChecked(), b);
    QVERIFY(win.box(1, "Insert")->isChecked());

    win.click(QStringLiteral("EditBtn"));
    QVERIFY(win.box(2, "None")->isEnabled());
    QVERIFY(!win.box(2, "Insert")->isEnabled());
    win.click(win.box(2, "None")->objectName());
    QVERIFY(win.box(2, "Insert")->isEnabled());
    // Checking "無" clears the group's other boxes and disables them.
    win.click(win.box(1, "None")->objectName());
    QVERIFY(!win.box(1, "Insert")->isChecked());
    QVERIFY(!win.box(1, "Insert")->isEnabled());
    win.click(QStringLiteral("SaveBtn"));
    QCOMPARE(privOf(env, "NOBOOK"), QStringLiteral("0N03007777730720"));
}

void TestAccMrgFrm::saveRefusals_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank_code") << "   "
                                << "Lee"
                                << ""
                                << ""
                                << "請輸入使用者代號";
    QTest::newRow("passwords_differ") << "NEW2"
                                      << "Lee"
                                      << "abc"
                                      << "abd"
                                      << "新密碼與確認密碼不同，請重新輸入";
    QTest::newRow("blank_name") << "NEW2"
                                << "  "
                                << ""
                                << ""
                                << "請輸入使用者姓名";
    QTest::newRow("code_taken_in_other_letter_case") << "clerk"
                                                     << "Lee"
                                                     << ""
                                                     << ""
                                                     << "號碼重覆，請重新輸入";
}

void TestAccMrgFrm::saveRefusals()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(QString, message);
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    const int accounts = env.scalar("SELECT COUNT(*) FROM UserPass").toInt();
    win.click(QStringLiteral("InsertBtn"));
    win.type(QStringLiteral("UsCodeEdit"), code);
    win.type(QStringLiteral("UsNameEdit"), name);
    win.type(QStringLiteral("PasswordEdit"), password);
    win.type(QStringLiteral("ConfirmEdit"), confirm);
    win.click(QStringLiteral("SaveBtn"));
    QCOMPARE(rec.texts(), QStringList{message});
    QVERIFY(env.dm->UserDS.state() == TDataSet::State::Insert);
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM UserPass").toInt(), accounts);
    QCOMPARE(env.logCount(), 0);
    QVERIFY(!env.dm->MainADOCon.inTransaction());
}

void TestAccMrgFrm::ownPasswordChange()
{
    QFETCH(Backend, backend);
    DemoEnv env(backend, "C0", Clerk);
    MessageRecorder rec;
    AccWindow win(*env.dm);

    // The account is not on file: nothing is changed or logged, and it says so.
    win.type(QStringLiteral("NewPassEdit"), "new1");
    win.type(QStringLiteral("ConfirmPassEdit"), "new1");
    win.click(QStringLiteral("PassOkBtn"));
    QCOMPARE(rec.texts(), QStringList{"密碼更新失敗"});
    QCOMPARE(env.logCount(), 0);
    QVERIFY(!env.dm->MainADOCon.inTransaction());

    // A legacy account with its password in plain text.
    env.exec("INSERT INTO UserPass (UsCode, UsName, UsPass, SArea, UsPriv) VALUES "
             "('TESTER','Tester','old','C0',?)",
             {Clerk});
    rec.clear();
    win.type(QStringLiteral("NewPassEdit"), " new1 ");
    win.type(QStringLiteral("ConfirmPassEdit"), "new2");
    win.click(QStringLiteral("PassOkBtn"));
    QCOMPARE(rec.texts(), QStringList{"新密碼與確認密碼不同，請重新輸入"});
    QCOMPARE(rec.lastKind(), TDialogs::Kind::Warning);
    QCOMPARE(win.child<QLineEdit>(QStringLiteral("NewPassEdit"))->text(), QStringLiteral("new1"));

    rec.clear();
    win.type(QStringLiteral("ConfirmPassEdit"), "new1  ");
    win.click(QStringLiteral("PassOkBtn"));
    QVERIFY(rec.texts().isEmpty());
    QVERIFY(win.child<QLineEdit>(QStringLiteral("NewPassEdit"))->text().isEmpty());
    QVERIFY(win.child<QLineEdit>(QStringLiteral("ConfirmPassEdit"))->text().isEmpty());
    QVERIFY(PasswordHash::verify("new1", hashOf(env, "TESTER")));
    QCOMPARE(
        env.scalar("SELECT COALESCE(UsPass,'') FROM UserPass WHERE UsCode='TESTER'").toString(),
        QString());
    QCOMPARE(env.scalar("SELECT OPItem || '/' || COALESCE(OPKind,'') || '/' || "
                        "COALESCE(OPRemark,'') FROM LogRec")
                 .toString(),
             QStringLiteral("修改密碼//"));
    QCOMPARE(env.dm->LogItem, QStringLiteral("修改密碼"));
    QCOMPARE(loginAs(env, "TESTER", "new1"), TLogin::Outcome::Success);

    // An empty pair is an empty password.
    win.click(QStringLiteral("PassOkBtn"));
    QVERIFY(rec.texts().isEmpty());
    QVERIFY(PasswordHash::verify("", hashOf(env, "TESTER")));
    QCOMPARE(env.logCount(), 2);
}

void TestAccMrgFrm::passwordsOnEdit()
{
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    env.exec("INSERT INTO UserPass (UsCode, UsName, UsPass, SArea, UsPriv) VALUES "
             "('OLDHAND','Wu','old','C0',?)",
             {Clerk});
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();

    // Both fields start empty on edit; left empty, the stored password stays, legacy or hashed.
    const QString clerkHash = hashOf(env, "CLERK");
    for (const char* account : {"OLDHAND", "CLERK"}) {
        win.select(account);
        win.click(QStringLiteral("EditBtn"));
        QVERIFY(win.child<QLineEdit>(QStringLiteral("PasswordEdit"))->text().isEmpty());
        QVERIFY(win.child<QLineEdit>(QStringLiteral("ConfirmEdit"))->text().isEmpty());
        win.type(QStringLiteral("UsNameEdit"), "Renamed");
        win.click(QStringLiteral("SaveBtn"));
        QVERIFY(rec.texts().isEmpty());
    }
    QCOMPARE(hashOf(env, "CLERK"), clerkHash);
    QCOMPARE(env.scalar("SELECT UsPass FROM UserPass WHERE UsCode='OLDHAND'").toString(),
             QStringLiteral("old"));
    QCOMPARE(loginAs(env, "OLDHAND", "old"), TLogin::Outcome::Success);
    QCOMPARE(loginAs(env, "CLERK", "clerk"), TLogin::Outcome::Success);

    // A new pair replaces it.
    win.select("CLERK");
    win.click(QStringLiteral("EditBtn"));
    win.type(QStringLiteral("PasswordEdit"), "fresh");
    win.type(QStringLiteral("ConfirmEdit"), "fresh");
    win.click(QStringLiteral("SaveBtn"));
    QVERIFY(rec.texts().isEmpty());
    QCOMPARE(loginAs(env, "CLERK", "fresh"), TLogin::Outcome::Success);
    QCOMPARE(loginAs(env, "CLERK", "clerk"), TLogin::Outcome::WrongPassword);

    // Outside insert and edit the password fields take no typing.
    win.type(QStringLiteral("ConfirmEdit"), "x");
    QVERIFY(win.child<QLineEdit>(QStringLiteral("ConfirmEdit"))->text().isEmpty());
}

void TestAccMrgFrm::deleteAsksAndLogs()
{
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    AccWindow win(*env.dm);
    win.showAccounts();
    win.select("TCCLERK");
    rec.answer({false});
    win.click(QStringLiteral("DeleteBtn"));
    QCOMPARE(rec.texts(), QStringList{"確定刪除？"});
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM UserPass WHERE UsCode='TCCLERK'").toInt(), 1);

    rec.answer({true});
    win.click(QStringLiteral("DeleteBtn"));
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM UserPass WHERE UsCode='TCCLERK'").toInt(), 0);
    QCOMPARE(env.scalar("SELECT OPItem || '/' || OPKind || '/' || OPRemark FROM LogRec").toString(),
             QStringLiteral("帳號管理作業/刪除/TCCLERK/張先生"));
}

QTEST_MAIN(TestAccMrgFrm)
#include "tst_accmrgfrm.moc"
