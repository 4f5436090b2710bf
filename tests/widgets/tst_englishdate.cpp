#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include "widgets/TEnglishDate.h"
#include "widgets/TSpinButtons.h"

namespace {

/// A window with the date control and a second edit to take the focus away.
struct Window
{
    Window()
    {
        auto* layout = new QVBoxLayout(&window);
        date = new TEnglishDate(&window);
        other = new QLineEdit(&window);
        layout->addWidget(date);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("window not active");
        date->setFocus();
    }

    void start(const QString& text, int cursor)
    {
        date->setText(text);
        date->setFocus();
        date->setCursorPosition(cursor);
    }

    QWidget window;
    TEnglishDate* date;
    QLineEdit* other;
};

QString today(int yearOffset = 0)
{
    return TEnglishDate::formatDate(QDate::currentDate().addYears(yearOffset));
}

} // namespace

class TstEnglishDate : public QObject
{
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void firstDigitOfEmptyControl_data();
    void firstDigitOfEmptyControl();
    void keysThatNeverEnterADate();
    void spinButtons_data();
    void spinButtons();
    void spinOfEmptyControlStartsToday();
    void spinButtonTakesFocusAndRepeats();
    void arrowKeysDoNotSpin();
    void clearing_data();
    void clearing();
    void escapeRestoresTextOfFocusIn();
    void readOnlyRefusesTypingAndSpin();
    void windowSetsTextAndReadsIt();
    void enterReachesTheWindow();
    void layoutKeepsMinimumHeightAndButtonsAtRightEdge();
};

void TstEnglishDate::typing_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("month_15_becomes_12") << "2024/05/20" << 5 << "1"
                                         << "2024/12/20" << 6;
    QTest::newRow("month_00_becomes_01") << "2024/10/20" << 5 << "0"
                                         << "2024/01/20" << 6;
    QTest::newRow("feb_30_in_2023") << "2023/02/10" << 8 << "3"
                                    << "2023/02/28" << 9;
    QTest::newRow("feb_30_in_2024") << "2024/02/10" << 8 << "3"
                                    << "2024/02/29" << 9;
    QTest::newRow("feb_30_in_2100") << "2100/02/10" << 8 << "3"
                                    << "2100/02/28" << 9;
    QTest::newRow("feb_30_in_2000") << "2000/02/10" << 8 << "3"
                                    << "2000/02/29" << 9;
    QTest::newRow("april_31") << "2024/04/21" << 8 << "3"
                              << "2024/04/30" << 9;
    QTest::newRow("day_00_becomes_01") << "2024/05/10" << 8 << "0"
                                       << "2024/05/01" << 9;
    QTest::newRow("year_change_shortens_feb_29") << "2024/02/29" << 3 << "3"
                                                 << "2023/02/28" << 4;
    QTest::newRow("year_above_maximum") << "2024/05/20" << 0 << "9"
                                        << "3000/12/31" << 1;
    QTest::newRow("year_with_leading_zero_is_below_minimum") << "2024/05/20" << 0 << "0"
                                                             << "1000/01/01" << 1;
    QTest::newRow("plain_digit_skips_slash") << "2024/05/20" << 3 << "5"
                                             << "2025/05/20" << 5;
    QTest::newRow("caret_before_first_slash") << "2024/02/20" << 4 << "1"
                                              << "2024/12/20" << 6;
    QTest::newRow("caret_before_second_slash") << "2024/05/20" << 7 << "1"
                                               << "2024/05/10" << 9;
    QTest::newRow("two_digits_of_the_day") << "2024/05/20" << 8 << "15"
                                           << "2024/05/15" << 10;
    QTest::newRow("whole_date_typed_over") << "2024/05/20" << 0 << "19990315"
                                           << "1999/03/15" << 10;
    QTest::newRow("after_the_text_nothing_changes") << "2024/05/20" << 10 << "1"
                                                    << "2024/05/20" << 10;
}

void TstEnglishDate::typing()
{
    QFETCH(QString, start);
    QFETCH(int, cursor);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(int, caret);

    Window w;
    w.start(start, cursor);
    QTest::keyClicks(w.date, keys);
    QCOMPARE(w.date->text(), expected);
    QCOMPARE(w.date->date(), TEnglishDate::parseDate(expected));
    QCOMPARE(w.date->cursorPosition(), caret);
}

void TstEnglishDate::firstDigitOfEmptyControl_data()
{
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<QString>("expected");

    const QDate now = QDate::currentDate();
    QTest::newRow("same_digit_keeps_today")
        << 0 << QString::number(now.year()).left(1) << TEnglishDate::formatDate(now);
    QString year = today();
    year[2] = u'9';
    QTest::newRow("digit_lands_at_caret") << 2 << "9" << year;
}

void TstEnglishDate::firstDigitOfEmptyControl()
{
    QFETCH(int, cursor);
    QFETCH(QString, digit);
    QFETCH(QString, expected);

    Window w;
    QCOMPARE(w.date->text(), TEnglishDate::blankText());
    QVERIFY(!w.date->date().isValid());
    w.start(QString(), cursor);
    QTest::keyClicks(w.date, digit);
    QCOMPARE(w.date->text(), expected);
    QCOMPARE(w.date->cursorPosition(), cursor + 1);
}

void TstEnglishDate::keysThatNeverEnterADate()
{
    Window w;
    w.start(QStringLiteral("2024/05/20"), 5);
    QApplication::clipboard()->setText(QStringLiteral("2020/01/01"));
    QTest::keyClicks(w.date, QStringLiteral("-+a ./"));
    QTest::keyClick(w.date, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w.date, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::sendKeyEvent(QTest::Press, w.date, Qt::Key_unknown, QStringLiteral("二"),
                        Qt::NoModifier);
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("二〇二〇"));
    QApplication::sendEvent(w.date, &composed);
    QCOMPARE(w.date->text(), QStringLiteral("2024/05/20"));
    QCOMPARE(w.date->date(), QDate(2024, 5, 20));
}

void TstEnglishDate::spinButtons_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("month_down_held_at_minimum") << "1000/01/15" << 5 << false << "1000/01/01" << 5;
    QTest::newRow("month_up_to_short_february") << "2024/01/31" << 5 << true << "2024/02/29" << 5;
    QTest::newRow("year_up_from_feb_29") << "2024/02/29" << 2 << true << "2025/02/28" << 2;
    QTest::newRow("day_down_over_new_year") << "2024/01/01" << 9 << false << "2023/12/31" << 9;
    QTest::newRow("day_up_held_at_maximum") << "3000/12/31" << 8 << true << "3000/12/31" << 8;
    QTest::newRow("caret_before_slash_moves_month")
        << "2024/05/20" << 4 << true << "2024/06/20" << 5;
    QTest::newRow("caret_before_second_slash_moves_day")
        << "2024/05/20" << 7 << false << "2024/05/19" << 8;
    QTest::newRow("caret_after_text_does_not_move")
        << "2024/05/20" << 10 << true << "2024/05/20" << 10;
}

void TstEnglishDate::spinButtons()
{
    QFETCH(QString, start);
    QFETCH(int, cursor);
    QFETCH(bool, up);
    QFETCH(QString, expected);
    QFETCH(int, caret);

    Window w;
    w.start(start, cursor);
    QToolButton* button =
        up ? w.date->spinButtons()->upButton() : w.date->spinButtons()->downButton();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(w.date->text(), expected);
    QCOMPARE(w.date->cursorPosition(), caret);
}

void TstEnglishDate::spinOfEmptyControlStartsToday()
{
    Window w;
    w.start(QString(), 1);
    QTest::mouseClick(w.date->spinButtons()->upButton(), Qt::LeftButton);
    QCOMPARE(w.date->text(), today(1));
}

void TstEnglishDate::spinButtonTakesFocusAndRepeats()
{
    Window w;
    w.start(QStringLiteral("2024/05/20"), 8);
    w.other->setFocus();
    QVERIFY(!w.date->hasFocus());

    QToolButton* up = w.date->spinButtons()->upButton();
    QTest::mousePress(up, Qt::LeftButton);
    QVERIFY(w.date->hasFocus());
    QCOMPARE(w.date->text(), QStringLiteral("2024/05/21"));
    // Held down, the button repeats.
    QTRY_VERIFY_WITH_TIMEOUT(w.date->date() >= QDate(2024, 5, 24), 5000);
    QTest::mouseRelease(up, Qt::LeftButton);
    const QDate released = w.date->date();
    QTest::qWait(300);
    QCOMPARE(w.date->date(), released);
}

void TstEnglishDate::arrowKeysDoNotSpin()
{
    Window w;
    w.start(QStringLiteral("2024/05/20"), 5);
    QTest::keyClick(w.date, Qt::Key_Up);
    QTest::keyClick(w.date, Qt::Key_Down);
    QCOMPARE(w.date->text(), QStringLiteral("2024/05/20"));
}

void TstEnglishDate::clearing_data()
{
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("cleared");

    QTest::newRow("delete_whole_text") << 0 << 10 << int(Qt::Key_Delete) << true;
    QTest::newRow("backspace_whole_text") << 0 << 10 << int(Qt::Key_Backspace) << true;
    QTest::newRow("delete_all_but_last_digit") << 0 << 9 << int(Qt::Key_Delete) << true;
    QTest::newRow("delete_part") << 0 << 4 << int(Qt::Key_Delete) << false;
    QTest::newRow("delete_tail") << 1 << 9 << int(Qt::Key_Delete) << false;
    QTest::newRow("backspace_without_selection") << 10 << 0 << int(Qt::Key_Backspace) << false;
    QTest::newRow("delete_without_selection") << 0 << 0 << int(Qt::Key_Delete) << false;
}

void TstEnglishDate::clearing()
{
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(int, key);
    QFETCH(bool, cleared);

    Window w;
    w.start(QStringLiteral("2024/05/20"), selStart);
    if (selLength > 0)
        w.date->setSelection(selStart, selLength);
    QTest::keyClick(w.date, Qt::Key(key));
    QCOMPARE(w.date->text(), cleared ? TEnglishDate::blankText() : QStringLiteral("2024/05/20"));
    QCOMPARE(w.date->date().isValid(), !cleared);
}

void TstEnglishDate::escapeRestoresTextOfFocusIn()
{
    Window w;
    w.date->setText(QStringLiteral("2024/05/20"));
    w.other->setFocus();
    w.date->setFocus();
    w.date->setCursorPosition(5);
    QTest::keyClicks(w.date, QStringLiteral("1"));
    QCOMPARE(w.date->text(), QStringLiteral("2024/12/20"));
    QTest::keyClick(w.date, Qt::Key_Escape);
    QCOMPARE(w.date->text(), QStringLiteral("2024/05/20"));
    // Spinning goes on from the date shown.
    w.date->setCursorPosition(0);
    QTest::mouseClick(w.date->spinButtons()->upButton(), Qt::LeftButton);
    QCOMPARE(w.date->text(), QStringLiteral("2025/05/20"));
}

void TstEnglishDate::readOnlyRefusesTypingAndSpin()
{
    Window w;
    w.start(QStringLiteral("2024/05/20"), 5);
    w.date->setReadOnly(true);
    QTest::keyClicks(w.date, QStringLiteral("1"));
    QTest::mouseClick(w.date->spinButtons()->upButton(), Qt::LeftButton);
    w.date->selectAll();
    QTest::keyClick(w.date, Qt::Key_Delete);
    QCOMPARE(w.date->text(), QStringLiteral("2024/05/20"));
}

void TstEnglishDate::windowSetsTextAndReadsIt()
{
    Window w;
    w.date->setText(QStringLiteral("2024/05/20"));
    QCOMPARE(w.date->date(), QDate(2024, 5, 20));
    w.date->setText(QString());
    QCOMPARE(w.date->text(), TEnglishDate::blankText());
    QVERIFY(w.date->text().startsWith(u' '));
    QVERIFY(!w.date->date().isValid());
    w.date->setText(QStringLiteral("2024/02/31"));
    QCOMPARE(w.date->text(), TEnglishDate::blankText());
}

void TstEnglishDate::enterReachesTheWindow()
{
    Window w;
    w.start(QStringLiteral("2024/05/20"), 0);
    QSignalSpy enter(w.date, &QLineEdit::returnPressed);
    QTest::keyClick(w.date, Qt::Key_Return);
    QCOMPARE(enter.count(), 1);
    w.start(QString(), 0);
    QTest::keyClick(w.date, Qt::Key_Return);
    QCOMPARE(enter.count(), 2);
}

void TstEnglishDate::layoutKeepsMinimumHeightAndButtonsAtRightEdge()
{
    Window w;
    const int minimum = TSpinButtons::minimumEditHeight(w.date);
    QVERIFY(minimum > QFontMetrics(w.date->font()).height());
    w.date->resize(120, 4);
    QCOMPARE(w.date->height(), minimum);

    QFont big = w.date->font();
    big.setPointSize(big.pointSize() * 3);
    w.date->setFont(big);
    QVERIFY(TSpinButtons::minimumEditHeight(w.date) > minimum);
    QCOMPARE(w.date->minimumHeight(), TSpinButtons::minimumEditHeight(w.date));

    w.date->resize(200, 40);
    const QRect buttons = w.date->spinButtons()->geometry();
    QCOMPARE(buttons.width(), 15);
    QVERIFY(buttons.right() < w.date->width());
    QVERIFY(buttons.right() >= w.date->width() - 4);
}

QTEST_MAIN(TstEnglishDate)
#include "tst_englishdate.moc"
