#include <QClipboard>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "BoundFixture.h"
#include "widgets/TDBSpinEdit.h"
#include "widgets/TSpinButtons.h"

class TstDBSpinEdit : public QObject
{
    Q_OBJECT

private slots:
    void nullShowsZeroAndEmptyStoresZero();
    void typedIntegersBothBoundsZero_data();
    void typedIntegersBothBoundsZero();
    void boundsHeldOnLeavingAndStepping_data();
    void boundsHeldOnLeavingAndStepping();
    void stepsByIncrement();
    void refusedWhileNotEditing_data();
    void refusedWhileNotEditing();
    void sourceEditingOnDemandStartsWithTheFirstStep();
    void editorDisabledStillSteps();
    void textThatIsNoIntegerReadsAsMinimum();
    void refusedValueKeepsTheFocus();
    void layoutLeavesRoomForTheButtons();
};

void TstDBSpinEdit::nullShowsZeroAndEmptyStoresZero()
{
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    f.show(spin);
    QCOMPARE(spin->text(), QStringLiteral("5"));
    QVERIFY(f.ds->next());
    QCOMPARE(spin->text(), QStringLiteral("0"));
    QVERIFY(f.field(QStringLiteral("V_CR")).isNull());
    QCOMPARE(f.ds->state(), TDataSet::State::Browse); // loading is no change of the user's

    QVERIFY(f.ds->edit());
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_Delete);
    QCOMPARE(spin->text(), QString());
    f.other->setFocus();
    QCOMPARE(spin->text(), QStringLiteral("0"));
    QVERIFY(f.ds->post());
    QCOMPARE(f.stored(QStringLiteral("V002"), QStringLiteral("V_CR")).toInt(), 0);
    QVERIFY(!f.stored(QStringLiteral("V002"), QStringLiteral("V_CR")).isNull());
}

void TstDBSpinEdit::typedIntegersBothBoundsZero_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("stored");

    QTest::newRow("negative") << "-15"
                              << "-15" << -15;
    QTest::newRow("large") << "123456"
                           << "123456" << 123456;
    QTest::newRow("plus_sign") << "+7"
                               << "+7" << 7;
    QTest::newRow("letters_refused") << "1a2"
                                     << "12" << 12;
    QTest::newRow("chinese_refused") << "3三"
                                     << "3" << 3;
}

void TstDBSpinEdit::typedIntegersBothBoundsZero()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, stored);
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    f.show(spin);
    QVERIFY(f.ds->edit());
    spin->selectAll();
    BoundFixture::typeChars(spin, typed);
    QCOMPARE(spin->text(), shown);
    f.other->setFocus();
    QCOMPARE(f.field(QStringLiteral("V_CR")).asInteger(), stored);
}

void TstDBSpinEdit::boundsHeldOnLeavingAndStepping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("stored");

    QTest::newRow("above_maximum_on_leaving") << "15" << 0 << 10;
    QTest::newRow("below_minimum_on_leaving") << "-3" << 0 << 1;
    QTest::newRow("step_up_held_at_maximum") << "10" << 2 << 10;
    QTest::newRow("step_down_held_at_minimum") << "1" << -2 << 1;
    QTest::newRow("within_bounds") << "4" << 1 << 5;
}

void TstDBSpinEdit::boundsHeldOnLeavingAndStepping()
{
    QFETCH(QString, typed);
    QFETCH(int, steps);
    QFETCH(int, stored);
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    spin->setMinValue(1);
    spin->setMaxValue(10);
    f.show(spin);
    QVERIFY(f.ds->edit());
    spin->selectAll();
    QTest::keyClicks(spin, typed);
    for (int i = 0; i < qAbs(steps); ++i)
        QTest::mouseClick(steps > 0 ? spin->spinButtons()->upButton()
                                    : spin->spinButtons()->downButton(),
                          Qt::LeftButton);
    f.other->setFocus();
    QCOMPARE(spin->text(), QString::number(stored));
    QCOMPARE(f.field(QStringLiteral("V_CR")).asInteger(), stored);
}

void TstDBSpinEdit::stepsByIncrement()
{
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    spin->setIncrement(5);
    f.show(spin);
    QVERIFY(f.ds->edit());
    QTest::keyClick(spin, Qt::Key_Up);
    QCOMPARE(spin->text(), QStringLiteral("10"));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(spin, Qt::Key_Down);
    QCOMPARE(spin->text(), QStringLiteral("-10"));
    QTest::mouseClick(spin->spinButtons()->upButton(), Qt::LeftButton);
    QCOMPARE(spin->text(), QStringLiteral("-5"));
    f.other->setFocus();
    QCOMPARE(f.field(QStringLiteral("V_CR")).asInteger(), -5);
}

void TstDBSpinEdit::refusedWhileNotEditing_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("digit") << "digit";
    QTest::newRow("delete") << "delete";
    QTest::newRow("backspace") << "backspace";
    QTest::newRow("up_key") << "up";
    QTest::newRow("spin_button") << "spin";
    QTest::newRow("paste") << "paste";
}

void TstDBSpinEdit::refusedWhileNotEditing()
{
    QFETCH(QString, action);
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    f.show(spin);
    spin->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("99"));
    if (action == QLatin1String("digit"))
        QTest::keyClicks(spin, QStringLiteral("7"));
    else if (action == QLatin1String("delete"))
        QTest::keyClick(spin, Qt::Key_Delete);
    else if (action == QLatin1String("backspace"))
        QTest::keyClick(spin, Qt::Key_Backspace);
    else if (action == QLatin1String("up"))
        QTest::keyClick(spin, Qt::Key_Up);
    else if (action == QLatin1String("spin"))
        QTest::mouseClick(spin->spinButtons()->upButton(), Qt::LeftButton);
    else
        QTest::keyClick(spin, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(spin->text(), QStringLiteral("5"));
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
    f.other->setFocus();
    QCOMPARE(f.field(QStringLiteral("V_CR")).asInteger(), 5);
}

void TstDBSpinEdit::sourceEditingOnDemandStartsWithTheFirstStep()
{
    BoundFixture f(true);
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    f.show(spin);
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
    QTest::mouseClick(spin->spinButtons()->upButton(), Qt::LeftButton);
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);
    QCOMPARE(spin->text(), QStringLiteral("6"));
    f.other->setFocus();
    QVERIFY(f.ds->post());
    QCOMPARE(f.stored(QStringLiteral("V001"), QStringLiteral("V_CR")).toInt(), 6);
}

void TstDBSpinEdit::editorDisabledStillSteps()
{
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    spin->setEditorEnabled(false);
    f.show(spin);
    QVERIFY(f.ds->edit());
    spin->setCursorPosition(1);
    QTest::keyClicks(spin, QStringLiteral("7"));
    QTest::keyClick(spin, Qt::Key_Backspace);
    QTest::keyClick(spin, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(spin->text(), QStringLiteral("5"));
    QTest::keyClick(spin, Qt::Key_Up);
    QCOMPARE(spin->text(), QStringLiteral("6"));
}

void TstDBSpinEdit::textThatIsNoIntegerReadsAsMinimum()
{
    TDBSpinEdit spin;
    QCOMPARE(spin.text(), QStringLiteral("0"));
    spin.setMinValue(3);
    spin.setMaxValue(9);
    spin.setText(QStringLiteral("-"));
    QCOMPARE(spin.value(), 3);
    spin.setValue(42);
    QCOMPARE(spin.text(), QStringLiteral("9"));
}

void TstDBSpinEdit::refusedValueKeepsTheFocus()
{
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    f.show(spin);
    f.field(QStringLiteral("V_CR")).onValidate = [](TField&, QVariant& v) {
        return v.toLongLong() < 100;
    };
    QSignalSpy exited(spin, &TDBSpinEdit::exited);
    QVERIFY(f.ds->edit());
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("100"));
    f.other->setFocus();
    QTRY_VERIFY(spin->hasFocus());
    QCOMPARE(spin->selectedText(), QStringLiteral("100"));
    QCOMPARE(f.field(QStringLiteral("V_CR")).asInteger(), 5);
    QCOMPARE(exited.count(), 0);
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);
}

void TstDBSpinEdit::layoutLeavesRoomForTheButtons()
{
    BoundFixture f;
    auto* spin = new TDBSpinEdit(f.source.get(), QStringLiteral("V_CR"));
    f.show(spin);
    spin->resize(100, 2);
    QCOMPARE(spin->height(), TSpinButtons::minimumEditHeight(spin));
    spin->resize(100, 30);
    QCOMPARE(spin->spinButtons()->width(), 15);
    QCOMPARE(spin->textMargins().right(), 15 + 2);
}

QTEST_MAIN(TstDBSpinEdit)
#include "tst_dbspinedit.moc"
