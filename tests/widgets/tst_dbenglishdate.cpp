#include <QToolButton>
#include <QtTest>

#include "BoundFixture.h"
#include "widgets/TDBEnglishDate.h"
#include "widgets/TSpinButtons.h"

class TstDBEnglishDate : public QObject
{
    Q_OBJECT

private slots:
    void loadsTheFieldAndShowsNullEmpty();
    void keysRefusedWhileNotEditing_data();
    void keysRefusedWhileNotEditing();
    void sourceEditingOnDemandStartsEditing();
    void everyChangeIsWrittenAtOnce();
    void deleteWithWholeTextClearsTheFieldToNull();
    void escapeReturnsToTheLoadedDate();
    void readOnlyBindingNeverEdits();
    void spinOfNullFieldStartsToday();
    void refusedDateKeepsTheFocus();
    void cancelShowsTheStoredDateAgain();
};

void TstDBEnglishDate::loadsTheFieldAndShowsNullEmpty()
{
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    QCOMPARE(date->text(), QStringLiteral("2024/05/20"));
    QVERIFY(date->QLineEdit::isReadOnly());
    QVERIFY(f.ds->next());
    QCOMPARE(date->text(), TEnglishDate::blankText());
    QVERIFY(!date->date().isValid());
    QVERIFY(f.ds->edit());
    QVERIFY(!date->QLineEdit::isReadOnly());
    f.ds->cancel();
    QVERIFY(date->QLineEdit::isReadOnly());
}

void TstDBEnglishDate::keysRefusedWhileNotEditing_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("digit") << "digit";
    QTest::newRow("delete_whole_text") << "delete";
    QTest::newRow("backspace_whole_text") << "backspace";
    QTest::newRow("spin_up_button") << "spin";
    QTest::newRow("escape") << "escape";
}

void TstDBEnglishDate::keysRefusedWhileNotEditing()
{
    QFETCH(QString, action);
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    date->setCursorPosition(5);
    if (action == QLatin1String("digit")) {
        QTest::keyClicks(date, QStringLiteral("1"));
    } else if (action == QLatin1String("delete") || action == QLatin1String("backspace")) {
        date->selectAll();
        QTest::keyClick(date,
                        action == QLatin1String("delete") ? Qt::Key_Delete : Qt::Key_Backspace);
    } else if (action == QLatin1String("spin")) {
        QTest::mouseClick(date->spinButtons()->upButton(), Qt::LeftButton);
    } else {
        QTest::keyClick(date, Qt::Key_Escape);
    }
    QCOMPARE(date->text(), QStringLiteral("2024/05/20"));
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(2024, 5, 20));
}

void TstDBEnglishDate::sourceEditingOnDemandStartsEditing()
{
    BoundFixture f(true);
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    date->setCursorPosition(5);
    QTest::keyClicks(date, QStringLiteral("1"));
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);
    QCOMPARE(date->text(), QStringLiteral("2024/12/20"));
    QCOMPARE(date->cursorPosition(), 6);
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(2024, 12, 20));
}

void TstDBEnglishDate::everyChangeIsWrittenAtOnce()
{
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    QVERIFY(f.ds->edit());
    date->setCursorPosition(0);
    QTest::keyClicks(date, QStringLiteral("1999"));
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(1999, 5, 20));
    date->setCursorPosition(8);
    QTest::mouseClick(date->spinButtons()->downButton(), Qt::LeftButton);
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(1999, 5, 19));
    // The store itself does not reload: Escape still knows the date the record had.
    QCOMPARE(date->loadedDate(), QDate(2024, 5, 20));
    QVERIFY(f.ds->post());
    QCOMPARE(f.stored(QStringLiteral("V001"), QStringLiteral("MDate")).toString().left(10),
             QStringLiteral("1999-05-19"));
}

void TstDBEnglishDate::deleteWithWholeTextClearsTheFieldToNull()
{
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    QVERIFY(f.ds->edit());
    date->setSelection(0, 4);
    QTest::keyClick(date, Qt::Key_Delete);
    QCOMPARE(date->text(), QStringLiteral("2024/05/20"));
    QVERIFY(!f.field(QStringLiteral("MDate")).isNull());
    date->selectAll();
    QTest::keyClick(date, Qt::Key_Delete);
    QCOMPARE(date->text(), TEnglishDate::blankText());
    QVERIFY(f.field(QStringLiteral("MDate")).isNull());
    QVERIFY(f.ds->post());
    QVERIFY(f.stored(QStringLiteral("V001"), QStringLiteral("MDate")).isNull());
}

void TstDBEnglishDate::escapeReturnsToTheLoadedDate()
{
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    QVERIFY(f.ds->edit());
    date->setCursorPosition(8);
    QTest::keyClicks(date, QStringLiteral("3"));
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(2024, 5, 30));
    QTest::keyClick(date, Qt::Key_Escape);
    QCOMPARE(date->text(), QStringLiteral("2024/05/20"));
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(2024, 5, 20));
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);
}

void TstDBEnglishDate::readOnlyBindingNeverEdits()
{
    BoundFixture f(true);
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    date->setReadOnly(true);
    f.show(date);
    date->setCursorPosition(0);
    QTest::keyClicks(date, QStringLiteral("1"));
    QTest::mouseClick(date->spinButtons()->upButton(), Qt::LeftButton);
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
    QVERIFY(f.ds->edit());
    QVERIFY(date->QLineEdit::isReadOnly());
    QTest::keyClicks(date, QStringLiteral("1"));
    QTest::mouseClick(date->spinButtons()->upButton(), Qt::LeftButton);
    QCOMPARE(date->text(), QStringLiteral("2024/05/20"));
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(2024, 5, 20));
}

void TstDBEnglishDate::spinOfNullFieldStartsToday()
{
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    QVERIFY(f.ds->next());
    QVERIFY(f.ds->edit());
    date->setCursorPosition(0);
    QTest::mouseClick(date->spinButtons()->upButton(), Qt::LeftButton);
    const QDate expected = QDate::currentDate().addYears(1);
    QCOMPARE(date->text(), TEnglishDate::formatDate(expected));
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), expected);
}

void TstDBEnglishDate::refusedDateKeepsTheFocus()
{
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    f.field(QStringLiteral("MDate")).onValidate = [](TField&, QVariant& v) {
        return v.isNull() || v.toDateTime().date().year() >= 2000;
    };
    QVERIFY(f.ds->edit());
    date->setCursorPosition(0);
    QTest::keyClicks(date, QStringLiteral("1"));
    QCOMPARE(date->text(), QStringLiteral("1024/05/20"));
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(2024, 5, 20));

    f.other->setFocus();
    QTRY_VERIFY(date->hasFocus());
    QCOMPARE(date->selectedText(), date->text());
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);

    // Corrected, the date goes in and the control lets the focus go.
    date->setCursorPosition(0);
    QTest::keyClicks(date, QStringLiteral("2"));
    QCOMPARE(f.field(QStringLiteral("MDate")).asDateTime().date(), QDate(2024, 5, 20));
    f.other->setFocus();
    QTest::qWait(20);
    QVERIFY(f.other->hasFocus());
}

void TstDBEnglishDate::cancelShowsTheStoredDateAgain()
{
    BoundFixture f;
    auto* date = new TDBEnglishDate(f.source.get(), QStringLiteral("MDate"));
    f.show(date);
    QVERIFY(f.ds->edit());
    date->setCursorPosition(5);
    QTest::keyClicks(date, QStringLiteral("1"));
    f.ds->cancel();
    QCOMPARE(date->text(), QStringLiteral("2024/05/20"));
    QVERIFY(date->QLineEdit::isReadOnly());
}

QTEST_MAIN(TstDBEnglishDate)
#include "tst_dbenglishdate.moc"
