#pragma once

#include <memory>

#include <QLineEdit>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <QtTest>

#include "../support/TestDb.h"
#include "data/dataset/TDataSet.h"
#include "data/dataset/TDataSource.h"

/**
 * A fresh SQLite database with two suppliers, the supplier dataset open on the first, a data
 * source (not editing on demand unless asked) and a shown window holding the control under test
 * and a plain edit that takes the focus away from it.
 *
 * V001 "甲書局": MDate 2024/05/20, V_CR 5; V002 "beta": MDate and V_CR null.
 */
struct BoundFixture
{
    explicit BoundFixture(bool autoEdit = false)
    {
        db = TestDb::sqlite();
        QString error;
        if (!db->createSchema({QStringLiteral("C0")}, &error))
            qFatal("schema: %s", qPrintable(error));
        con = std::make_unique<Connection>(QStringLiteral("widgets-under-test"));
        con->configure(db->settings());
        exec(QStringLiteral("INSERT INTO Vendor (VNo, VName, MDate, V_CR) VALUES "
                            "('V001', '甲書局', '2024-05-20 00:00:00', 5)"));
        exec(QStringLiteral("INSERT INTO Vendor (VNo, VName) VALUES ('V002', 'beta')"));
        ds = std::make_unique<TDataSet>(*con, QStringLiteral("VendorDS"));
        ds->setSql(QStringLiteral("select * from Vendor order by VNo"));
        ds->setTable(QStringLiteral("Vendor"));
        if (!ds->open())
            qFatal("open: %s", qPrintable(ds->lastError().text()));
        source = std::make_unique<TDataSource>(ds.get());
        source->setAutoEdit(autoEdit);
        layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        layout->addWidget(other);
    }
    /// Puts the control into the window, shows it and gives the control the focus.
    void show(QWidget* control)
    {
        control->setParent(&window);
        layout->insertWidget(0, control);
        control->show();
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("window not active");
        control->setFocus();
    }

    void exec(const QString& sql)
    {
        QSqlQuery q(con->database());
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }
    QVariant stored(const QString& vno, const QString& column)
    {
        QSqlQuery q(con->database());
        q.prepare(QStringLiteral("SELECT %1 FROM Vendor WHERE VNo=?").arg(column));
        q.addBindValue(vno);
        if (!q.exec() || !q.next())
            qFatal("read %s: %s", qPrintable(column), qPrintable(q.lastError().text()));
        return q.value(0);
    }
    TField& field(const QString& name) { return ds->fieldByName(name); }

    /// Types text the way an input method without key codes delivers it, one character a time.
    static void typeChars(QWidget* w, const QString& text)
    {
        for (QChar c : text) {
            QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    /// Commits composed text as an input method does.
    static void compose(QWidget* w, const QString& text)
    {
        QInputMethodEvent preedit(text, {});
        QApplication::sendEvent(w, &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(w, &commit);
    }

    std::unique_ptr<TestDb> db;
    std::unique_ptr<Connection> con;
    std::unique_ptr<TDataSet> ds;
    std::unique_ptr<TDataSource> source;
    QWidget window;
    QVBoxLayout* layout;
    QLineEdit* other;
};
