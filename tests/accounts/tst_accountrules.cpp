#include <QtTest>

#include "data/AccountRules.h"

using namespace AccountRules;

Q_DECLARE_METATYPE(AccountRules::PrivForm)

/// The privilege string as boxes and back, without the window.
class TestAccountRules : public QObject
{
    Q_OBJECT
private slots:
    void stringFromBoxes_data();
    void stringFromBoxes();
    void boxesFromCharacter_data();
    void boxesFromCharacter();
    void refusalsForBranchStaff();
};

namespace {

/// The form of a stored string with one group's boxes replaced.
PrivForm with(const QString& stored, int position, std::initializer_list<Box> boxes)
{
    PrivForm f = PrivForm::fromString(stored);
    GroupBoxes g;
    for (Box b : boxes)
        g.setChecked(b, true);
    f.groups[position] = g;
    return f;
}

} // namespace

void TestAccountRules::stringFromBoxes_data()
{
    QTest::addColumn<PrivForm>("form");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("expected");

    const QString clerk = QStringLiteral("0333007777730720");
    QTest::newRow("unchanged_string_round_trips") << PrivForm::fromString(clerk) << "C0" << clerk;
    QTest::newRow("head_office_customers_insert_update_delete_is_7")
        << with(clerk, 1, {Box::Insert, Box::Update, Box::Delete}) << "C0"
        << "0733007777730720";
    QTest::newRow("head_office_customers_all_four_is_F")
        << with(clerk, 1, {Box::Insert, Box::Update, Box::Delete, Box::ChangeNumber}) << "C0"
        << "0F33007777730720";
    QTest::newRow("none_box_is_N_whatever_else") << with(clerk, 2, {Box::None}) << "C0"
                                                 << "03N3007777730720";

    PrivForm everything = PrivForm::fromString(QStringLiteral("0FFFFF7777771727"));
    QTest::newRow("branch_forces_no_agents_and_no_branch_query") << everything << "C1"
                                                                 << "0FFFNF7777770727";
    QTest::newRow("head_office_keeps_them") << everything << "C0"
                                            << "0FFFFF7777771727";

    PrivForm manager = PrivForm::fromString(clerk);
    manager.manager = true;
    QTest::newRow("manager_head_office") << manager << "C0"
                                         << "1FFFFF7777771727";
    manager.stock = StockQuantities;
    QTest::newRow("branch_manager_quantities") << manager << "C1"
                                               << "1330N07777770720";
    manager.stock = StockInOrNot;
    QTest::newRow("branch_manager_in_stock_or_not") << manager << "C1"
                                                    << "1320N07777770710";
    manager.stock = StockNone;
    QTest::newRow("branch_manager_no_stock_item") << manager << "C2"
                                                  << "1320N07777770710";
}

void TestAccountRules::stringFromBoxes()
{
    QFETCH(PrivForm, form);
    QFETCH(QString, area);
    QFETCH(QString, expected);
    QCOMPARE(form.toString(area), expected);
}

void TestAccountRules::boxesFromCharacter_data()
{
    QTest::addColumn<QChar>("c");
    QTest::addColumn<QString>("checked"); // N none, I insert, U update, C change number, D delete

    QTest::newRow("N_only_none") << QChar(u'N') << "N";
    QTest::newRow("0_nothing") << QChar(u'0') << "";
    QTest::newRow("3_insert_update") << QChar(u'3') << "IU";
    QTest::newRow("5_insert_delete") << QChar(u'5') << "ID";
    QTest::newRow("7_insert_update_delete") << QChar(u'7') << "IUD";
    QTest::newRow("A_number_update") << QChar(u'A') << "UC";
    QTest::newRow("F_all_four") << QChar(u'F') << "IUCD";
    QTest::newRow("unknown_grants_nothing") << QChar(u'x') << "N";
}

void TestAccountRules::boxesFromCharacter()
{
    QFETCH(QChar, c);
    QFETCH(QString, checked);
    const GroupBoxes b = GroupBoxes::fromChar(c);
    QString got;
    for (auto [box, letter] : {std::pair{Box::None, u'N'},
                               {Box::Insert, u'I'},
                               {Box::Update, u'U'},
                               {Box::ChangeNumber, u'C'},
                               {Box::Delete, u'D'}}) {
        if (b.checked(box))
            got += QChar(letter);
    }
    QCOMPARE(got, checked);
    if (c != QLatin1Char('x'))
        QCOMPARE(b.toChar(), c);
}

void TestAccountRules::refusalsForBranchStaff()
{
    // What branch staff may still be given: insert on customers, update on books, documents.
    QVERIFY(!isRefused("C1", false, 1, Box::Insert));
    QVERIFY(isRefused("C1", false, 1, Box::Update));
    QVERIFY(!isRefused("C1", false, 2, Box::Update));
    QVERIFY(isRefused("C1", false, 2, Box::Insert));
    for (int position : {3, 4, 5})
        QVERIFY(isRefused("C1", false, position, Box::Insert));
    QVERIFY(isRefused("C1", false, 15, Box::Delete));
    QVERIFY(isRefused("C1", false, 12, Box::Insert));
    QVERIFY(!isRefused("C1", false, 9, Box::Delete));
    QVERIFY(!isRefused("C1", false, 3, Box::None));
    // Managers and head-office staff are never refused.
    QVERIFY(!isRefused("C1", true, 3, Box::Insert));
    QVERIFY(!isRefused("C0", false, 3, Box::Insert));
}

QTEST_GUILESS_MAIN(TestAccountRules)
#include "tst_accountrules.moc"
