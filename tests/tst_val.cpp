#include "render/val.h"

#include <QtTest>

#include <limits>

class TestVal : public QObject {
    Q_OBJECT

private slots:
    void readsTheLeadingNumber_data();
    void readsTheLeadingNumber();
    void roundsHalvesToEvenAndSaturates_data();
    void roundsHalvesToEvenAndSaturates();
};

void TestVal::readsTheLeadingNumber_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded"); // the vertex count the text asks for
    QTest::newRow("200") << QByteArray("200") << 200.0 << 200;
    QTest::newRow("200.5") << QByteArray("200.5") << 200.5 << 200;
    QTest::newRow("1.5") << QByteArray("1.5") << 1.5 << 2;
    QTest::newRow("0.4") << QByteArray("0.4") << 0.4 << 0;
    QTest::newRow("0") << QByteArray("0") << 0.0 << 0;
    QTest::newRow("blanks around and between") << QByteArray(" 2 0 0 ") << 200.0 << 200;
    QTest::newRow("tabs and line feeds") << QByteArray("\t-\n1\t2") << -12.0 << -12;
    QTest::newRow("12abc") << QByteArray("12abc") << 12.0 << 12;
    QTest::newRow("comma ends the number") << QByteArray("1,000") << 1.0 << 1;
    QTest::newRow("empty") << QByteArray("") << 0.0 << 0;
    QTest::newRow("abc") << QByteArray("abc") << 0.0 << 0;
    QTest::newRow("exponent not read") << QByteArray("1e3") << 1.0 << 1;
    QTest::newRow("hexadecimal not read") << QByteArray("&H10") << 0.0 << 0;
    QTest::newRow("plus sign") << QByteArray("+7") << 7.0 << 7;
    QTest::newRow("second sign ends it") << QByteArray("5-3") << 5.0 << 5;
    QTest::newRow("second period ends it") << QByteArray("1.2.3") << 1.2 << 1;
    QTest::newRow("leading period") << QByteArray("-.5") << -0.5 << 0;
    QTest::newRow("lone sign") << QByteArray("-") << 0.0 << 0;
    QTest::newRow("carriage return is not a blank") << QByteArray("1\r2") << 1.0 << 1;
    QTest::newRow("beyond 32 bits") << QByteArray("99999999999") << 99999999999.0
                                    << std::numeric_limits<std::int32_t>::max();
    QTest::newRow("beyond the double range") << QByteArray("-1" + QByteArray(400, '0'))
                                             << -std::numeric_limits<double>::infinity()
                                             << std::numeric_limits<std::int32_t>::min();
    QTest::newRow("below the double range") << QByteArray("0." + QByteArray(400, '0') + "1") << 0.0 << 0;
}

void TestVal::readsTheLeadingNumber()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QFETCH(int, rounded);
    const double read = Val(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    QCOMPARE(read, value);
    QCOMPARE(RoundToInt32(read), rounded);
}

void TestVal::roundsHalvesToEvenAndSaturates_data()
{
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("-3.5") << -3.5 << -4;
    QTest::newRow("2.4999") << 2.4999 << 2;
    QTest::newRow("-0.6") << -0.6 << -1;
    QTest::newRow("largest") << 2147483647.0 << highest;
    QTest::newRow("largest + 0.5 rounds out of range") << 2147483647.5 << highest;
    QTest::newRow("lowest - 0.5 rounds to lowest") << -2147483648.5 << lowest;
    QTest::newRow("lowest + 0.5") << -2147483647.5 << lowest;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << highest;
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << lowest;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
    QTest::newRow("2^53 + 2") << 9007199254740994.0 << highest;
}

void TestVal::roundsHalvesToEvenAndSaturates()
{
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(RoundToInt32(value), rounded);
}

QTEST_APPLESS_MAIN(TestVal)
#include "tst_val.moc"
