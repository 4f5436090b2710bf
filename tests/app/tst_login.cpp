#include <map>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

#include "app/TUserFrm.h"
#include "data/PasswordHash.h"
#include "data/TLogin.h"
#include "data/TMainDM.h"
#include "../support/MessageRecorder.h"
#include "../support/TestDb.h"

namespace {

const QString UnknownCode = QStringLiteral("使用者代碼錯誤");
const QString WrongPassword = QStringLiteral("密碼錯誤");
const QString EnterCode = QStringLiteral("請輸入使用者代號");
const QString TooMany = QStringLiteral("錯誤超過三次，系統結束");

} // namespace

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
    void legacyPasswordIsUpgradedOnce_data() { TestDb::addBackendRows(); }
    void legacyPasswordIsUpgradedOnce();
    void branchUserGetsBranchColumnsAndCaption();
    void windowLayout();
    void windowDrivenByKeysAndClicks();
    void windowEndsAfterThreeFailures();
    void connectionFailureNeverCountsAnAttempt();

private:
    TestDb& fixture(Backend backend);
    std::map<Backend, std::unique_ptr<TestDb>> m_dbs;
};

/// The demo company plus a user of a branch that has no Vendor row.
TestDb& TestLogin::fixture(Backend backend)
{
    auto& db = m_dbs[backend];
    if (!db) {
        db = TestDb::create(backend);
        QString error;
        if (!db->loadDemo(&error))
            qFatal("demo data: %s", qPrintable(error));
        Connection con(QStringLiteral("fixture"));
        con.configure(db->settings());
        QSqlQuery q(con.database());
        if (!q.exec(QStringLiteral("INSERT INTO UserPass (UsCode, UsName, UsPass, SArea, UsPriv, UsHash) "
                                   "VALUES ('GHOST', '無名', 'ghost', 'C9', '1FFFFF7777771727', '')")))
            qFatal("fixture: %s", qPrintable(q.lastError().text()));
    }
    return *db;
}

void TestLogin::sequences_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QStringList>("attempts"); // "code|password"
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("loggedInAs");

    struct Case
    {
        const char* name;
        QStringList attempts;
        QStringList messages;
        QString loggedInAs;
    };
    const QList<Case> cases = {
        {"code_ignores_letter_case", {"admin|admin"}, {}, "ADMIN"},
        {"password_is_exact", {"ADMIN|Admin"}, {WrongPassword}, ""},
        {"blanks_around_both_removed", {"  clerk \t|  clerk  "}, {}, "CLERK"},
        {"unknown_code", {"NOBODY|admin"}, {UnknownCode}, ""},
        {"branch_without_vendor_row", {"GHOST|ghost"}, {UnknownCode}, ""},
        {"empty_code_never_counts",
         {"|x", "  |x", "|", "|x", "|x", "admin|admin"},
         {EnterCode, EnterCode, EnterCode, EnterCode, EnterCode},
         "ADMIN"},
        {"two_failures_then_success", {"x|1", "admin|no", "admin|admin"}, {UnknownCode, WrongPassword}, "ADMIN"},
        {"third_failure_shows_only_its_own_message",
         {"x|1", "y|1", "admin|no"},
         {UnknownCode, UnknownCode, WrongPassword},
         ""},
        {"fourth_ok_ends_even_when_right",
         {"x|1", "admin|no", "admin|no", "admin|admin"},
         {UnknownCode, WrongPassword, WrongPassword, TooMany},
         ""},
        {"empty_code_after_three_failures_does_not_end",
         {"x|1", "x|1", "x|1", "|"},
         {UnknownCode, UnknownCode, UnknownCode, EnterCode},
         ""},
    };
    QList<Backend> backends = {Backend::Sqlite};
    if (TestDb::postgresAvailable())
        backends << Backend::Postgres;
    for (Backend b : backends) {
        for (const Case& c : cases) {
            QTest::addRow("%s/%s", b == Backend::Sqlite ? "sqlite" : "postgres", c.name)
                << b << c.attempts << c.messages << c.loggedInAs;
        }
    }
}

void TestLogin::sequences()
{
    QFETCH(Backend, backend);
    QFETCH(QStringList, attempts);
    QFETCH(QStringList, messages);
    QFETCH(QString, loggedInAs);

    TestDb& db = fixture(backend);
    MessageRecorder recorder;
    TMainDM dm;
    dm.MainADOCon.configure(db.settings());
    TLogin login(dm);
    QVERIFY2(login.LoadAccounts(), qPrintable(login.loadError()));

    TLogin::Outcome last = TLogin::Outcome::EmptyCode;
    for (const QString& attempt : attempts) {
        QString code = attempt.section(QLatin1Char('|'), 0, 0);
        QString password = attempt.section(QLatin1Char('|'), 1);
        last = login.Attempt(code, password);
        // The trimmed texts are what the fields show afterwards.
        QCOMPARE(code, attempt.section(QLatin1Char('|'), 0, 0).trimmed());
        QCOMPARE(password, attempt.section(QLatin1Char('|'), 1).trimmed());
    }
    QCOMPARE(recorder.texts(), messages);
    QCOMPARE(dm.IsLoggedIn(), !loggedInAs.isEmpty());
    QCOMPARE(dm.LoginCode(), loggedInAs);
    if (messages.endsWith(TooMany)) {
        QCOMPARE(last, TLogin::Outcome::TooManyAttempts);
        QCOMPARE(recorder.lastKind(), TDialogs::Kind::ErrorAbort);
    }
    for (const MessageRecorder::Message& m : recorder.messages()) {
        if (m.text == EnterCode)
            QCOMPARE(m.kind, TDialogs::Kind::Information);
        else if (m.text == UnknownCode || m.text == WrongPassword)
            QCOMPARE(m.kind, TDialogs::Kind::Error);
    }
}

void TestLogin::legacyPasswordIsUpgradedOnce()
{
    QFETCH(Backend, backend);
    TestDb& db = fixture(backend);
    Connection con(QStringLiteral("legacy"));
    con.configure(db.settings());
    QSqlQuery q(con.database());
    VERIFY_SQL(q, q.exec(QStringLiteral("DELETE FROM UserPass WHERE UsCode = 'OLD'")));
    VERIFY_SQL(q, q.exec(QStringLiteral("INSERT INTO UserPass (UsCode, UsName, UsPass, SArea, UsPriv) "
                                        "VALUES ('OLD', '老帳號', 'Secret9', 'C1', '0333007777730720')")));
    MessageRecorder recorder;
    {
        TMainDM dm;
        dm.MainADOCon.configure(db.settings());
        TLogin login(dm);
        QVERIFY(login.LoadAccounts());
        QString code = QStringLiteral("old");
        QString password = QStringLiteral("Secret9");
        QCOMPARE(login.Attempt(code, password), TLogin::Outcome::Success);
    }
    VERIFY_SQL(q, q.exec(QStringLiteral("SELECT UsPass, UsHash FROM UserPass WHERE UsCode = 'OLD'")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QString());
    QVERIFY(PasswordHash::verify(QStringLiteral("Secret9"), q.value(1).toString()));
    QVERIFY(!q.value(1).toString().contains(QStringLiteral("Secret9")));
    q.finish();

    // From now on the hash decides, still letter for letter.
    TMainDM dm;
    dm.MainADOCon.configure(db.settings());
    TLogin login(dm);
    QVERIFY(login.LoadAccounts());
    QString code = QStringLiteral("OLD");
    QString wrong = QStringLiteral("secret9");
    QCOMPARE(login.Attempt(code, wrong), TLogin::Outcome::WrongPassword);
    QString right = QStringLiteral("Secret9");
    QCOMPARE(login.Attempt(code, right), TLogin::Outcome::Success);
    QCOMPARE(recorder.texts(), QStringList{WrongPassword});
}

void TestLogin::branchUserGetsBranchColumnsAndCaption()
{
    TestDb& db = fixture(Backend::Sqlite);
    MessageRecorder recorder;
    TMainDM dm;
    dm.MainADOCon.configure(db.settings());
    TLogin login(dm);
    QVERIFY(login.LoadAccounts());
    QString code = QStringLiteral("tcadmin");
    QString password = QStringLiteral("tcadmin");
    QCOMPARE(login.Attempt(code, password), TLogin::Outcome::Success);
    QCOMPARE(dm.LoginCode(), QStringLiteral("TCADMIN"));
    QCOMPARE(dm.LoginArea(), QStringLiteral("C1"));
    QCOMPARE(dm.LoginName(), QStringLiteral("王經理"));
    QCOMPARE(dm.LoginPriv(), QStringLiteral("1330N07777770720"));
    QCOMPARE(dm.AreaName(), QStringLiteral("禾嶼圖書台中分公司"));
    QCOMPARE(dm.AreaTel(), QStringLiteral("04-23761122"));
    QCOMPARE(dm.MainCaption(), QStringLiteral("禾嶼圖書出版社庫存系統－禾嶼圖書台中分公司"));
    QVERIFY(dm.BookCols().endsWith(QStringLiteral("Book.StockC1 as Stocks,Book.SStockC1 as SafeStock")));

    // The branch columns the detail queries name exist for this branch.
    QSqlQuery q(dm.MainADOCon.database());
    VERIFY_SQL(q, q.exec(QStringLiteral("SELECT Book.BookNo,%1 FROM Book WHERE Book.BookNo = 'HY0001'")
                             .arg(dm.BookCols())));
    QVERIFY(q.next());
    QCOMPARE(q.value(12).toInt(), 30);
    QVERIFY(dm.IsDataSetReadOnly(QStringLiteral("VendorDS")));
    QVERIFY(!dm.IsDataSetReadOnly(QStringLiteral("CustomerDS")));
}

void TestLogin::windowLayout()
{
    TestDb& db = fixture(Backend::Sqlite);
    MessageRecorder recorder;
    TMainDM dm;
    dm.MainADOCon.configure(db.settings());
    TUserFrm frm(dm);
    QVERIFY(recorder.messages().isEmpty());
    QCOMPARE(frm.windowTitle(), QStringLiteral("禾嶼圖書出版公司"));
    QVERIFY(!(frm.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(frm.codeEdit()->maxLength(), 8);
    QCOMPARE(frm.passwordEdit()->maxLength(), 10);
    QCOMPARE(frm.passwordEdit()->echoMode(), QLineEdit::Password);
    QCOMPARE(frm.okButton()->text(), QStringLiteral("確定"));
    QCOMPARE(frm.cancelButton()->text(), QStringLiteral("取消"));
    QStringList labels;
    for (QLabel* l : frm.findChildren<QLabel*>())
        labels << l->text();
    QVERIFY(labels.contains(QStringLiteral("使用者代碼")));
    QVERIFY(labels.contains(QStringLiteral("密   碼")));
}

void TestLogin::windowDrivenByKeysAndClicks()
{
    TestDb& db = fixture(Backend::Sqlite);
    MessageRecorder recorder;
    TMainDM dm;
    dm.MainADOCon.configure(db.settings());
    TUserFrm frm(dm);
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));

    QTest::keyClicks(frm.codeEdit(), QStringLiteral(" admin "));
    QTest::keyClicks(frm.passwordEdit(), QStringLiteral("wrong"));
    QTest::mouseClick(frm.okButton(), Qt::LeftButton);
    QCOMPARE(recorder.texts(), QStringList{WrongPassword});
    QCOMPARE(frm.codeEdit()->text(), QStringLiteral("admin"));
    QTRY_VERIFY(frm.passwordEdit()->hasFocus());

    frm.passwordEdit()->clear();
    QTest::keyClicks(frm.passwordEdit(), QStringLiteral("admin"));
    QTest::keyClick(frm.passwordEdit(), Qt::Key_Return); // Enter in the password field is OK
    QCOMPARE(frm.result(), int(QDialog::Accepted));
    QVERIFY(!frm.isVisible());
    QCOMPARE(dm.LoginCode(), QStringLiteral("ADMIN"));
}

void TestLogin::windowEndsAfterThreeFailures()
{
    TestDb& db = fixture(Backend::Sqlite);
    MessageRecorder recorder;
    TMainDM dm;
    dm.MainADOCon.configure(db.settings());
    TUserFrm frm(dm);
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    for (int i = 0; i < 3; ++i) {
        frm.codeEdit()->setText(QStringLiteral("nobody"));
        QTest::mouseClick(frm.okButton(), Qt::LeftButton);
        QVERIFY(frm.isVisible());
        QTRY_VERIFY(frm.codeEdit()->hasFocus());
    }
    frm.codeEdit()->setText(QStringLiteral("ADMIN"));
    frm.passwordEdit()->setText(QStringLiteral("admin"));
    QTest::mouseClick(frm.okButton(), Qt::LeftButton);
    QCOMPARE(recorder.last(), TooMany);
    QCOMPARE(frm.result(), int(QDialog::Rejected));
    QVERIFY(!frm.isVisible());
    QVERIFY(!dm.IsLoggedIn());
}

void TestLogin::connectionFailureNeverCountsAnAttempt()
{
    QTemporaryDir dir;
    MessageRecorder recorder;
    TMainDM dm;
    dm.MainADOCon.configure(DbConfig::resolve(QStringLiteral("Provider=SQLite;"), dir.filePath("none.db")));
    TUserFrm frm(dm);
    QCOMPARE(recorder.messages().size(), 1);
    QCOMPARE(recorder.lastKind(), TDialogs::Kind::Error);
    QVERIFY(recorder.last().contains(QStringLiteral("none.db")));
    for (int i = 0; i < 5; ++i) {
        frm.codeEdit()->setText(QStringLiteral("ADMIN"));
        frm.OKBtnClick();
    }
    QCOMPARE(recorder.messages().size(), 6);
    QVERIFY(!recorder.texts().contains(TooMany));
    QTest::mouseClick(frm.cancelButton(), Qt::LeftButton);
    QCOMPARE(frm.result(), int(QDialog::Rejected));
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
