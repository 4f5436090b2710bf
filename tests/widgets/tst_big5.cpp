#include <QStringEncoder>
#include <QtTest>

#include "data/Big5.h"

class TstBig5 : public QObject
{
    Q_OBJECT

private slots:
    void byteLength_data();
    void byteLength();
    void countMatchesTheCodePage();
    void leftBytes_data();
    void leftBytes();
};

void TstBig5::byteLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");

    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("ascii") << QStringLiteral("B0050 abc") << 9;
    QTest::newRow("chinese") << QStringLiteral("禾嶼圖書") << 8;
    QTest::newRow("mixed") << QStringLiteral("A書1") << 4;
    QTest::newRow("fullwidth_punctuation") << QStringLiteral("，（）") << 6;
    QTest::newRow("simplified_not_in_big5") << QStringLiteral("书") << 2;
    QTest::newRow("outside_bmp_is_one_character") << QString::fromUcs4(U"\U00020000") << 2;
}

void TstBig5::byteLength()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(Big5::byteLength(text), bytes);
}

void TstBig5::countMatchesTheCodePage()
{
    // Whatever the code page holds is counted as the bytes it writes.
    const QString sample = QStringLiteral("abc 123 禾嶼圖書出版社庫存系統，號碼重覆、請重新輸入　");
    for (QChar c : sample) {
        QStringEncoder encoder("Big5");
        QVERIFY(encoder.isValid());
        const QByteArray written = encoder.encode(QString(c));
        QVERIFY2(!encoder.hasError(), qPrintable(QString(c)));
        QCOMPARE(Big5::byteLength(QString(c)), int(written.size()));
        QVERIFY(Big5::canEncode(c.unicode()));
    }
    QVERIFY(!Big5::canEncode(U'书'));
}

void TstBig5::leftBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("fits") << QStringLiteral("A書") << 3 << QStringLiteral("A書");
    QTest::newRow("chinese_not_split") << QStringLiteral("A書B") << 2 << QStringLiteral("A");
    QTest::newRow("exact_cut") << QStringLiteral("圖書館") << 4 << QStringLiteral("圖書");
    QTest::newRow("zero") << QStringLiteral("abc") << 0 << QString();
    QTest::newRow("surrogate_pair_not_split")
        << (QStringLiteral("a") + QString::fromUcs4(U"\U00020000")) << 2 << QStringLiteral("a");
}

void TstBig5::leftBytes()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QFETCH(QString, expected);
    QCOMPARE(Big5::leftBytes(text, bytes), expected);
}

QTEST_GUILESS_MAIN(TstBig5)
#include "tst_big5.moc"
