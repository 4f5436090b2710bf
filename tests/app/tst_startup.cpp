#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/TMainFrm.h"
#include "app/TStartup.h"
#include "app/TUserFrm.h"
#include "../support/MessageRecorder.h"
#include "../support/TestDb.h"

namespace {

TMainFrm* mainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* frm = qobject_cast<TMainFrm*>(w))
            return frm;
    }
    return nullptr;
}

/// Waits for the login window and hands it to the script.
void whenLoginShows(std::function<void(TUserFrm*)> script)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, script] {
        if (auto* login = qobject_cast<TUserFrm*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            script(login);
        }
    });
    poll->start(20);
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_previousDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_previousDir); }
    void managerReachesMainWindow_data() { TestDb::addBackendRows(); }
    void managerReachesMainWindow();
    void missingIniFileReportsAndEndsOnCancel();

private:
    QString m_previousDir;
};

void TestStartup::managerReachesMainWindow()
{
    QFETCH(Backend, backend);
    auto db = TestDb::create(backend);
    QString error;
    QVERIFY2(db->loadDemo(&error), qPrintable(error));
    QTemporaryDir work;
    QFile ini(work.filePath("DBSet.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Text));
    ini.write(("  " + db->iniLineOne() + "  \n" + db->iniLineTwo() + "\nignored line\n").toUtf8());
    ini.close();
    QVERIFY(QDir::setCurrent(work.path()));

    MessageRecorder recorder;
    bool mainExistedBeforeLogin = false;
    QString caption;
    bool fullMenu = false;
    whenLoginShows([&](TUserFrm* login) {
        mainExistedBeforeLogin = mainWindow() && !mainWindow()->isVisible();
        QTest::keyClicks(login->codeEdit(), "admin");
        QTest::keyClicks(login->passwordEdit(), "admin");
        QTimer::singleShot(0, [&] {
            TMainFrm* frm = mainWindow();
            if (!frm)
                return;
            caption = frm->windowTitle();
            fullMenu = frm->menuItem("RLogItem")->isEnabled() && frm->menuItem("VoucherItem")->isVisible()
                       && frm->menuItem("ForwarderItem")->isVisible();
            frm->close();
        });
        QTest::mouseClick(login->okButton(), Qt::LeftButton);
    });
    QCOMPARE(RunProgram(*qApp), 0);
    QVERIFY2(recorder.messages().isEmpty(), qPrintable(recorder.texts().join('\n')));
    QVERIFY(mainExistedBeforeLogin);
    QCOMPARE(caption, QStringLiteral("禾嶼圖書出版社庫存系統－禾嶼圖書出版社"));
    QVERIFY(fullMenu);
}

void TestStartup::missingIniFileReportsAndEndsOnCancel()
{
    QTemporaryDir work;
    QVERIFY(QDir::setCurrent(work.path()));
    MessageRecorder recorder;
    bool mainShown = false;
    whenLoginShows([&](TUserFrm* login) {
        login->codeEdit()->setText("ADMIN");
        QTest::mouseClick(login->okButton(), Qt::LeftButton);
        QTest::mouseClick(login->cancelButton(), Qt::LeftButton);
        mainShown = mainWindow() && mainWindow()->isVisible();
    });
    QCOMPARE(RunProgram(*qApp), 0);
    QVERIFY(!mainShown);
    // The file error, the connection failure when the account list is read, and the OK press.
    QCOMPARE(recorder.messages().size(), 3);
    for (const MessageRecorder::Message& m : recorder.messages())
        QCOMPARE(m.kind, TDialogs::Kind::Error);
    QVERIFY(!QFile::exists(work.filePath("PellixDBNEW")));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
