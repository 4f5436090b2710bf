#include <QClipboard>
#include <QSignalSpy>
#include <QtTest>

#include "../support/MessageRecorder.h"
#include "BoundFixture.h"
#include "widgets/TDBEditNew.h"

class TstDBEditNew : public QObject
{
    Q_OBJECT

private slots:
    void showsDisplayTextAndFollowsEditingState();
    void numberFieldRightAlignedWithoutFocus();
    void keysRefusedWhileNotEditing_data();
    void keysRefusedWhileNotEditing();
    void chineseTextAsksForEditState_data();
    void chineseTextAsksForEditState();
    void commitOnLeavingBeforeTheExitHandler();
    void saveWithoutLeavingCommitsPendingText();
    void numberFieldRefusesLetters();
    void refusedTextKeepsTheFocusSelected();
    void escapePutsTheFieldValueBack();
    void maximumLengthInBig5Bytes_data();
    void maximumLengthInBig5Bytes();
    void pasteIsCutBackToTheMaximum();
    void whatFitsIsStored();
    void windowMaximumAndCharCase();
    void bindingWithoutField();
    void readOnlyBindingNeverEdits();
    void textSetByCodeWhileBrowsingDoesNotHoldTheFocus();
};

void TstDBEditNew::showsDisplayTextAndFollowsEditingState()
{
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QCOMPARE(name->text(), QStringLiteral("甲書局"));
    QVERIFY(name->QLineEdit::isReadOnly());
    QVERIFY(f.ds->next());
    QCOMPARE(name->text(), QStringLiteral("beta"));
    QVERIFY(f.ds->edit());
    QVERIFY(!name->QLineEdit::isReadOnly());
    f.ds->cancel();
    QVERIFY(name->QLineEdit::isReadOnly());
}

void TstDBEditNew::numberFieldRightAlignedWithoutFocus()
{
    BoundFixture f;
    auto* rate = new TDBEditNew(f.source.get(), QStringLiteral("V_CR"));
    f.show(rate);
    QCOMPARE(rate->text(), QStringLiteral("5"));
    QVERIFY(rate->alignment() & Qt::AlignLeft);
    f.other->setFocus();
    QVERIFY(rate->alignment() & Qt::AlignRight);

    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    f.other->setFocus();
    QVERIFY(name->alignment() & Qt::AlignLeft);
}

void TstDBEditNew::keysRefusedWhileNotEditing_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("letter") << "letter";
    QTest::newRow("backspace") << "backspace";
    QTest::newRow("delete") << "delete";
    QTest::newRow("paste_ctrl_v") << "paste";
    QTest::newRow("paste_shift_insert") << "shift_insert";
    QTest::newRow("cut_ctrl_x") << "cut";
    QTest::newRow("chinese_key") << "chinese_key";
    QTest::newRow("input_method") << "input_method";
}

void TstDBEditNew::keysRefusedWhileNotEditing()
{
    QFETCH(QString, action);
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    name->selectAll();
    if (action == QLatin1String("letter"))
        QTest::keyClicks(name, QStringLiteral("x"));
    else if (action == QLatin1String("backspace"))
        QTest::keyClick(name, Qt::Key_Backspace);
    else if (action == QLatin1String("delete"))
        QTest::keyClick(name, Qt::Key_Delete);
    else if (action == QLatin1String("paste"))
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
    else if (action == QLatin1String("shift_insert"))
        QTest::keyClick(name, Qt::Key_Insert, Qt::ShiftModifier);
    else if (action == QLatin1String("cut"))
        QTest::keyClick(name, Qt::Key_X, Qt::ControlModifier);
    else if (action == QLatin1String("chinese_key"))
        BoundFixture::typeChars(name, QStringLiteral("詩"));
    else
        BoundFixture::compose(name, QStringLiteral("詩經"));
    QCOMPARE(name->text(), QStringLiteral("甲書局"));
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
    f.other->setFocus();
    QCOMPARE(f.field(QStringLiteral("VName")).asString(), QStringLiteral("甲書局"));
}

void TstDBEditNew::chineseTextAsksForEditState_data()
{
    QTest::addColumn<bool>("inputMethod");
    QTest::newRow("key_events") << false;
    QTest::newRow("input_method") << true;
}

void TstDBEditNew::chineseTextAsksForEditState()
{
    QFETCH(bool, inputMethod);
    BoundFixture f(true);
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QVERIFY(name->inputMethodQuery(Qt::ImEnabled).toBool());
    name->setCursorPosition(name->text().size());
    if (inputMethod)
        BoundFixture::compose(name, QStringLiteral("詩經"));
    else
        BoundFixture::typeChars(name, QStringLiteral("詩經"));
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);
    QCOMPARE(name->text(), QStringLiteral("甲書局詩經"));
    f.other->setFocus();
    QCOMPARE(f.field(QStringLiteral("VName")).asString(), QStringLiteral("甲書局詩經"));
}

void TstDBEditNew::commitOnLeavingBeforeTheExitHandler()
{
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QString seenByHandler;
    QObject::connect(name, &TDBEditNew::exited, name,
                     [&] { seenByHandler = f.field(QStringLiteral("VName")).asString(); });
    QVERIFY(f.ds->edit());
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Kingdom"));
    QCOMPARE(f.field(QStringLiteral("VName")).asString(), QStringLiteral("甲書局"));
    f.other->setFocus();
    QCOMPARE(seenByHandler, QStringLiteral("Kingdom"));
    QVERIFY(f.ds->post());
    QCOMPARE(f.stored(QStringLiteral("V001"), QStringLiteral("VName")).toString(),
             QStringLiteral("Kingdom"));
}

void TstDBEditNew::saveWithoutLeavingCommitsPendingText()
{
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    auto* rate = new TDBEditNew(f.source.get(), QStringLiteral("V_CR"));
    f.show(rate);
    f.show(name);
    QVERIFY(f.ds->edit());
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Kingdom"));
    QVERIFY(name->hasFocus());
    // A save from a toolbar button leaves the focus where it is.
    QVERIFY(f.ds->post());
    QVERIFY(name->hasFocus());
    QCOMPARE(f.stored(QStringLiteral("V001"), QStringLiteral("VName")).toString(),
             QStringLiteral("Kingdom"));

    QVERIFY(f.ds->edit());
    rate->setFocus();
    rate->selectAll();
    QTest::keyClicks(rate, QStringLiteral("--"));
    name->setFocus();
    QTRY_VERIFY(rate->hasFocus());
    QVERIFY(!f.ds->post());
    QVERIFY(f.ds->isEditing());
    QCOMPARE(rate->selectedText(), QStringLiteral("--"));
}

void TstDBEditNew::numberFieldRefusesLetters()
{
    BoundFixture f;
    auto* rate = new TDBEditNew(f.source.get(), QStringLiteral("V_CR"));
    f.show(rate);
    QVERIFY(f.ds->edit());
    rate->selectAll();
    QTest::keyClicks(rate, QStringLiteral("1a2"));
    BoundFixture::compose(rate, QStringLiteral("三"));
    QCOMPARE(rate->text(), QStringLiteral("12"));
    f.other->setFocus();
    QCOMPARE(f.field(QStringLiteral("V_CR")).asInteger(), 12);
}

void TstDBEditNew::refusedTextKeepsTheFocusSelected()
{
    BoundFixture f;
    auto* rate = new TDBEditNew(f.source.get(), QStringLiteral("V_CR"));
    f.show(rate);
    QSignalSpy exited(rate, &TDBEditNew::exited);
    QVERIFY(f.ds->edit());
    rate->selectAll();
    QTest::keyClicks(rate, QStringLiteral("1-2"));
    f.other->setFocus();
    QTRY_VERIFY(rate->hasFocus());
    QCOMPARE(rate->selectedText(), QStringLiteral("1-2"));
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);
    QCOMPARE(f.field(QStringLiteral("V_CR")).asInteger(), 5);
    QCOMPARE(exited.count(), 0);
}

void TstDBEditNew::escapePutsTheFieldValueBack()
{
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QVERIFY(f.ds->edit());
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("typo"));
    QTest::keyClick(name, Qt::Key_Escape);
    QCOMPARE(name->text(), QStringLiteral("甲書局"));
    QCOMPARE(name->selectedText(), QStringLiteral("甲書局"));
    QCOMPARE(f.ds->state(), TDataSet::State::Edit);
    f.other->setFocus();
    QVERIFY(!f.ds->isFieldChanged(QStringLiteral("VName")));
}

void TstDBEditNew::maximumLengthInBig5Bytes_data()
{
    // VName holds 40 bytes of the code page.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    const QString twenty = QString(20, QChar(u'書'));
    QTest::newRow("twenty_chinese_fill_40_bytes") << twenty << twenty;
    QTest::newRow("twenty_first_chinese_refused") << twenty + u'館' << twenty;
    QTest::newRow("forty_ascii") << QString(40, u'a') << QString(40, u'a');
    QTest::newRow("forty_first_ascii_refused") << QString(41, u'a') << QString(40, u'a');
    QTest::newRow("chinese_does_not_fit_the_last_byte")
        << QString(39, u'a') + u'書' + u'b' << QString(39, u'a') + u'b';
    QTest::newRow("character_outside_big5_counts_two")
        << QString(19, u'書') + u'书' + u'书' << QString(19, u'書') + u'书';
}

void TstDBEditNew::maximumLengthInBig5Bytes()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QCOMPARE(name->maxLength(), 40);
    QVERIFY(f.ds->edit());
    name->selectAll();
    QTest::keyClick(name, Qt::Key_Delete);
    BoundFixture::typeChars(name, typed);
    QCOMPARE(name->text(), expected);
}

void TstDBEditNew::pasteIsCutBackToTheMaximum()
{
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QVERIFY(f.ds->edit());
    // "甲書局" is 6 bytes; 40 - 6 leave room for 17 more Chinese characters.
    name->setCursorPosition(1);
    QApplication::clipboard()->setText(QString(25, QChar(u'書')));
    QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(name->text(), u'甲' + QString(17, QChar(u'書')) + QStringLiteral("書局"));
    QCOMPARE(name->cursorPosition(), 18);
}

void TstDBEditNew::whatFitsIsStored()
{
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    QVERIFY(f.ds->edit());
    name->selectAll();
    const QString full = QStringLiteral("禾嶼圖書出版社") + QString(13, QChar(u'書'));
    BoundFixture::compose(name, full);
    QCOMPARE(name->text(), full);
    f.other->setFocus();
    QVERIFY(f.ds->post());
    QCOMPARE(f.stored(QStringLiteral("V001"), QStringLiteral("VName")).toString(), full);
}

void TstDBEditNew::windowMaximumAndCharCase()
{
    BoundFixture f;
    auto* no = new TDBEditNew;
    no->setMaxLength(6);
    no->setCharCase(TDBEditNew::CharCase::Upper);
    no->bind(f.source.get(), QStringLiteral("VNo"));
    f.show(no);
    QCOMPARE(no->maxLength(), 6);
    QVERIFY(f.ds->edit());
    no->selectAll();
    QTest::keyClicks(no, QStringLiteral("abc1234"));
    QCOMPARE(no->text(), QStringLiteral("ABC123"));
}

void TstDBEditNew::bindingWithoutField()
{
    BoundFixture f(true);
    auto* none = new TDBEditNew(f.source.get(), QStringLiteral("NoSuchColumn"));
    f.show(none);
    QCOMPARE(none->text(), QString());
    QTest::keyClicks(none, QStringLiteral("x"));
    QCOMPARE(none->text(), QString());
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
}

void TstDBEditNew::readOnlyBindingNeverEdits()
{
    BoundFixture f(true);
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    name->setReadOnly(true);
    f.show(name);
    QTest::keyClicks(name, QStringLiteral("x"));
    BoundFixture::compose(name, QStringLiteral("詩"));
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
    QVERIFY(f.ds->edit());
    QVERIFY(name->QLineEdit::isReadOnly());
    QTest::keyClicks(name, QStringLiteral("x"));
    QCOMPARE(name->text(), QStringLiteral("甲書局"));
    name->setReadOnly(false);
    QVERIFY(!name->QLineEdit::isReadOnly());
}

void TstDBEditNew::textSetByCodeWhileBrowsingDoesNotHoldTheFocus()
{
    BoundFixture f;
    auto* name = new TDBEditNew(f.source.get(), QStringLiteral("VName"));
    f.show(name);
    name->setText(QStringLiteral("set by code"));
    f.other->setFocus();
    QTest::qWait(20);
    QVERIFY(f.other->hasFocus());
    QCOMPARE(name->text(), QStringLiteral("甲書局"));
    QCOMPARE(f.ds->state(), TDataSet::State::Browse);
}

QTEST_MAIN(TstDBEditNew)
#include "tst_dbeditnew.moc"
