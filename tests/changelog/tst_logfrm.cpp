#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include "../support/DemoEnv.h"
#include "../support/MessageRecorder.h"
#include "app/TLogFrm.h"
#include "app/TMainFrm.h"
#include "data/SqlDialect.h"
#include "data/TMainDM.h"

namespace {

const QString BranchManager = QStringLiteral("1330N07777770720");
/// A head-office manager without the right to see other branches.
const QString HeadOfficeNoBranchRight = QStringLiteral("1FFFFF7777770727");

/// The demo company with a change log spread over three days and three branches.
class LogEnv : public DemoEnv
{
public:
    LogEnv(Backend backend, const QString& area, const QString& priv) : DemoEnv(backend, area, priv)
    {
        add("C0", "ADMIN", "陳總經理", "2004-03-01 10:00:00");
        add("C0", "ADMIN", "陳總經理", "2004-03-02 09:00:00");
        add("C0", "CLERK", "林小姐", "2004-03-01 23:59:59");
        add("C0", "CLERK", "林小姐", "2004-02-29 23:59:00");
        add("C1", "TCADMIN", "王經理", "2004-03-01 08:00:00");
        add("C1", "TCCLERK", "張先生", "2004-03-03 12:00:00");
        add("C2", "KHADMIN", "黃經理", "2004-03-01 12:00:00");
    }

    void add(const char* area, const char* code, const char* name, const char* time)
    {
        const QDateTime at =
            QDateTime::fromString(QLatin1String(time), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        exec(QStringLiteral(
                 "INSERT INTO LogRec (OPDTime, OPUserC, OPUserN, OPItem, OPKind, OPRemark, SArea) "
                 "VALUES (?,?,?,?,?,?,?)"),
             {SqlDialect::dateTimeValue(db->settings().backend, at), QString::fromUtf8(code),
              QString::fromUtf8(name), QStringLiteral("客戶檔管理作業"), QStringLiteral("更新"),
              QStringLiteral("K001/書店"), QString::fromUtf8(area)});
    }
};

/// The window shown, with its controls by name.
struct LogWindow
{
    explicit LogWindow(TMainDM& dm) : w(dm)
    {
        w.show();
        code = w.findChild<QLineEdit*>(QStringLiteral("UserCodeEdit"));
        name = w.findChild<QLineEdit*>(QStringLiteral("UserNameEdit"));
        from = w.findChild<QLineEdit*>(QStringLiteral("FromDate"));
        to = w.findChild<QLineEdit*>(QStringLiteral("ToDate"));
        company = w.findChild<QComboBox*>(QStringLiteral("CompanyCombo"));
        grid = w.findChild<QTableView*>(QStringLiteral("LogGrid"));
        deleteAll = w.findChild<QPushButton*>(QStringLiteral("DeleteAllBtn"));
    }
    void click(const char* button) const
    {
        auto* b = w.findChild<QPushButton*>(QLatin1String(button));
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void chooseCompany(const QString& branch) const
    {
        company->setCurrentIndex(company->findData(branch));
    }
    int rows() const { return grid->model()->rowCount(); }
    /// The column of the grid with that title, for every row.
    QStringList column(const QString& title) const
    {
        QStringList values;
        const auto* m = grid->model();
        for (int c = 0; c < m->columnCount(); ++c) {
            if (m->headerData(c, Qt::Horizontal).toString() != title)
                continue;
            for (int r = 0; r < m->rowCount(); ++r)
                values << m->index(r, c).data().toString();
        }
        return values;
    }

    TLogFrm w;
    QLineEdit* code;
    QLineEdit* name;
    QLineEdit* from;
    QLineEdit* to;
    QComboBox* company;
    QTableView* grid;
    QPushButton* deleteAll;
};

} // namespace

class TestLogFrm : public QObject
{
    Q_OBJECT
private slots:
    void search_data();
    void search();
    void newestFirst();
    void companyClearedByBackspace();
    void emptySearchDisablesDeleteAll();
    void deleteAllOnlyWhatTheSearchShowed_data() { TestDb::addBackendRows(); }
    void deleteAllOnlyWhatTheSearchShowed();
    void deleteOneAsks();
    void maintenanceMenuOpensTheDialogs();
};

void TestLogFrm::search_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("priv");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QStringList>("codes"); // newest first

    QList<std::pair<const char*, Backend>> backends = {{"sqlite", Backend::Sqlite}};
    if (TestDb::postgresAvailable())
        backends.append({"postgres", Backend::Postgres});
    const QString admin = DemoEnv::AdminPriv;
    for (const auto& [b, backend] : backends) {
        const auto row = [b = b](const char* rowName) -> QTestData& {
            return QTest::newRow(
                qPrintable(QStringLiteral("%1/%2").arg(QLatin1String(b), QLatin1String(rowName))));
        };
        row("one_date_is_that_day_only_in_every_branch")
            << backend << "C0" << admin << ""
            << ""
            << "2004/03/01"
            << ""
            << "" << QStringList{"CLERK", "KHADMIN", "ADMIN", "TCADMIN"};
        row("only_the_to_date_is_that_day_too") << backend << "C0" << admin << ""
                                                << ""
                                                << ""
                                                << "2004/03/02"
                                                << "" << QStringList{"ADMIN"};
        row("both_dates_include_both_days") << backend << "C0" << admin << "CLERK"
                                            << ""
                                            << "2004/02/29"
                                            << "2004/03/01"
                                            << "" << QStringList{"CLERK", "CLERK"};
        row("branch_manager_star_sees_own_branch_only") << backend << "C1" << BranchManager << "*"
                                                        << ""
                                                        << ""
                                                        << ""
                                                        << "" << QStringList{"TCCLERK", "TCADMIN"};
        row("branch_manager_cannot_reach_other_branches")
            << backend << "C1" << BranchManager << "ADMIN"
            << ""
            << ""
            << ""
            << "" << QStringList{};
        row("head_office_without_right_sees_head_office_only")
            << backend << "C0" << HeadOfficeNoBranchRight << "*"
            << ""
            << "2004/03/01"
            << ""
            << "" << QStringList{"CLERK", "ADMIN"};
        row("head_office_chosen_company") << backend << "C0" << admin << "*"
                                          << ""
                                          << ""
                                          << ""
                                          << "C2" << QStringList{"KHADMIN"};
        row("code_ignores_letter_case") << backend << "C0" << admin << "clerk"
                                        << ""
                                        << ""
                                        << ""
                                        << "" << QStringList{"CLERK", "CLERK"};
        row("trailing_star_is_a_prefix") << backend << "C0" << admin << "TC*"
                                         << ""
                                         << ""
                                         << ""
                                         << "" << QStringList{"TCCLERK", "TCADMIN"};
        row("name_whole_text") << backend << "C0" << admin << ""
                               << "王經理"
                               << ""
                               << ""
                               << "" << QStringList{"TCADMIN"};
        row("typed_quote_is_only_text") << backend << "C0" << admin << "' or 1=1 --"
                                        << ""
                                        << ""
                                        << ""
                                        << "" << QStringList{};
    }
}

void TestLogFrm::search()
{
    QFETCH(Backend, backend);
    QFETCH(QString, area);
    QFETCH(QString, priv);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, company);
    QFETCH(QStringList, codes);

    LogEnv env(backend, area, priv);
    MessageRecorder rec;
    LogWindow win(*env.dm);
    QCOMPARE(win.company->isVisible(),
             area == QLatin1String("C0") && priv.at(12) == QLatin1Char('1'));
    QVERIFY(!win.deleteAll->isEnabled());
    QTest::keyClicks(win.code, code);
    win.name->setText(name);
    win.from->setText(from);
    win.to->setText(to);
    if (!company.isEmpty())
        win.chooseCompany(company);
    win.click("FindBtn");

    QCOMPARE(win.column(QStringLiteral("代號")), codes);
    QCOMPARE(win.deleteAll->isEnabled(), !codes.isEmpty());
    if (codes.isEmpty())
        QCOMPARE(rec.texts(), QStringList{QStringLiteral("查無資料，請重新查詢")});
    else
        QVERIFY(rec.texts().isEmpty());
    if (area != QLatin1String("C0") || priv.at(12) != QLatin1Char('1'))
        QVERIFY(win.column(QStringLiteral("公司編號")).filter(area).size() == codes.size());
}

void TestLogFrm::newestFirst()
{
    LogEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    LogWindow win(*env.dm);
    QTest::keyClicks(win.code, "ADMIN");
    win.click("FindBtn");
    QCOMPARE(win.column(QStringLiteral("時間")),
             (QStringList{"2004/03/02 09:00:00", "2004/03/01 10:00:00"}));
}

void TestLogFrm::companyClearedByBackspace()
{
    LogEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    LogWindow win(*env.dm);
    win.from->setText("2004/03/01");
    win.chooseCompany("C1");
    win.click("FindBtn");
    QCOMPARE(win.column(QStringLiteral("公司編號")), QStringList{"C1"});

    QTest::keyClick(win.company, Qt::Key_Backspace);
    QCOMPARE(win.company->currentIndex(), -1);
    win.click("FindBtn");
    QCOMPARE(win.rows(), 4);

    win.chooseCompany("C2");
    QTest::keyClick(win.company, Qt::Key_Delete);
    QCOMPARE(win.company->currentIndex(), -1);
}

void TestLogFrm::emptySearchDisablesDeleteAll()
{
    LogEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    LogWindow win(*env.dm);
    QTest::keyClicks(win.code, "CLERK");
    win.from->setText("2004/03/01");
    win.click("FindBtn");
    QVERIFY(win.deleteAll->isEnabled());

    // Clearing empties the fields but keeps the company and the list.
    win.chooseCompany("C0");
    win.click("ClearBtn");
    QVERIFY(win.code->text().isEmpty());
    QVERIFY(win.from->text().isEmpty() || win.from->text().startsWith(QLatin1Char(' ')));
    QCOMPARE(win.company->currentData().toString(), QStringLiteral("C0"));
    QCOMPARE(win.rows(), 1);

    win.click("FindBtn");
    QCOMPARE(rec.messages().size(), 1);
    QCOMPARE(rec.lastKind(), TDialogs::Kind::Information);
    QCOMPARE(rec.last(), QStringLiteral("請輸入查詢條件"));
    QVERIFY(!win.deleteAll->isEnabled());
    // The disabled button does nothing, however it is pressed.
    win.click("DeleteAllBtn");
    QCOMPARE(env.logCount(), 7);
}

void TestLogFrm::deleteAllOnlyWhatTheSearchShowed()
{
    QFETCH(Backend, backend);
    LogEnv env(backend, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    LogWindow win(*env.dm);
    QTest::keyClicks(win.code, "CLERK");
    win.chooseCompany("C0");
    win.click("FindBtn");
    QCOMPARE(win.rows(), 2);

    rec.answer({false});
    win.click("DeleteAllBtn");
    QCOMPARE(rec.last(), QStringLiteral("確定全部刪除？"));
    QCOMPARE(env.logCount(), 7);

    // Logged by the clerk after the search: the manager never saw it, so it stays.
    env.add("C0", "CLERK", "林小姐", "2004-03-05 08:00:00");
    rec.answer({true});
    win.click("DeleteAllBtn");
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM LogRec WHERE OPUserC='CLERK'").toInt(), 1);
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM LogRec").toInt(), 6);
    // The list is read again; deleting is not itself logged (six is eight less the two).
    QCOMPARE(win.column(QStringLiteral("時間")), QStringList{"2004/03/05 08:00:00"});
}

void TestLogFrm::deleteOneAsks()
{
    LogEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    LogWindow win(*env.dm);
    QTest::keyClicks(win.code, "ADMIN");
    win.click("FindBtn");
    QCOMPARE(win.rows(), 2);
    win.grid->setCurrentIndex(win.grid->model()->index(1, 0));

    rec.answer({false});
    win.click("DeleteOneBtn");
    QCOMPARE(rec.last(), QStringLiteral("確定刪除？"));
    QCOMPARE(env.logCount(), 7);

    rec.answer({true});
    win.click("DeleteOneBtn");
    QCOMPARE(env.logCount(), 6);
    QCOMPARE(win.column(QStringLiteral("時間")), QStringList{"2004/03/02 09:00:00"});
    QCOMPARE(env.scalar("SELECT COUNT(*) FROM LogRec WHERE OPUserC='ADMIN'").toInt(), 1);
}

void TestLogFrm::maintenanceMenuOpensTheDialogs()
{
    DemoEnv env(Backend::Sqlite, "C0", DemoEnv::AdminPriv);
    MessageRecorder rec;
    TMainFrm main(*env.dm, TWindowRegistry::programWindows());
    QStringList shown;
    QList<QWidget*> dialogs;
    for (const char* item : {"RLogItem", "AccMrgItem", "RateItem", "RateItem"}) {
        QTimer::singleShot(0, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown << d->windowTitle();
                dialogs << d;
                d->reject();
            }
        });
        main.OpenItem(QLatin1String(item));
    }
    QVERIFY(rec.texts().isEmpty());
    QCOMPARE(shown, (QStringList{"異動記錄作業", "帳號管理作業", "匯率資料", "匯率資料"}));
    // The rate dialog is kept and shown again; the other two are made anew each time.
    QCOMPARE(dialogs.at(2), dialogs.at(3));
    QCOMPARE(main.openedWindow("RateItem"), dialogs.at(3));
    QVERIFY(!main.openedWindow("RLogItem"));
}

QTEST_MAIN(TestLogFrm)
#include "tst_logfrm.moc"
