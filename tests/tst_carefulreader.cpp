#include "scene/dataitems.h"
#include "scene/carefulreader.h"

#include <QtTest>

#include <clocale>
#include <sstream>
#include <vector>

namespace {

// Reads `count` doubles from `text` as one Input call per item.
std::vector<double> ReadDoubles(const std::string& text, int count)
{
    InputChannel channel;
    channel.Open(std::make_unique<std::istringstream>(text), "test.in");
    std::vector<double> values(static_cast<std::size_t>(count));
    for (double& value : values)
        channel.Input(value);
    return values;
}

QString FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DataFileError& error) {
        return QString::fromStdString(error.what());
    }
    return QStringLiteral("no failure");
}

} // namespace

class TestInputChannel : public QObject {
    Q_OBJECT

private slots:
    void bothPathsReadEveryItemAlike_data();
    void bothPathsReadEveryItemAlike();
    void separatorsGiveTheSameValues_data();
    void separatorsGiveTheSameValues();
    void reportsMalformedItems_data();
    void reportsMalformedItems();
    void quotesItemsReadably_data();
    void quotesItemsReadably();
    void readsWholeCounts_data();
    void readsWholeCounts();
    void refusesCounts_data();
    void refusesCounts();
    void endOfDataIsItsOwnError();
    void itemsAcrossBufferBoundaries();
    void readsDotDecimalsUnderCommaLocale();
    void reportsMissingFileAndFolder();
};

void TestInputChannel::bothPathsReadEveryItemAlike_data()
{
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<ItemReading>("reading");
    QTest::addColumn<double>("value");
    const auto number = ItemReading::Number;
    const auto none = ItemReading::NotANumber;
    QTest::newRow("integer") << QByteArray("42") << number << 42.0;
    QTest::newRow("negative") << QByteArray("-3.25") << number << -3.25;
    QTest::newRow("plus sign") << QByteArray("+7") << number << 7.0;
    QTest::newRow("leading point") << QByteArray(".5") << number << 0.5;
    QTest::newRow("trailing point") << QByteArray("5.") << number << 5.0;
    QTest::newRow("exponent") << QByteArray("1.5E+3") << number << 1500.0;
    QTest::newRow("small exponent") << QByteArray("25e-1") << number << 2.5;
    QTest::newRow("seventeen digits") << QByteArray("0.33333333333333331") << number
                                      << 0.33333333333333331;
    QTest::newRow("largest double") << QByteArray("1.7976931348623157e308") << number
                                    << 1.7976931348623157e308;
    QTest::newRow("word") << QByteArray("abc") << none << 0.0;
    QTest::newRow("number glued to a word") << QByteArray("12abc") << none << 0.0;
    QTest::newRow("inf") << QByteArray("inf") << none << 0.0;
    QTest::newRow("signed nan") << QByteArray("-nan") << none << 0.0;
    QTest::newRow("hexadecimal") << QByteArray("0x10") << none << 0.0;
    QTest::newRow("bare exponent") << QByteArray("1e") << none << 0.0;
    QTest::newRow("two signs") << QByteArray("+-1") << none << 0.0;
    QTest::newRow("sign alone") << QByteArray("+") << none << 0.0;
    QTest::newRow("point alone") << QByteArray(".") << none << 0.0;
    QTest::newRow("semicolon decimal") << QByteArray("1;5") << none << 0.0;
    QTest::newRow("too large") << QByteArray("1e400") << ItemReading::BeyondRange << 0.0;
    // Which way a number leaves the range takes its digits into account, not just its exponent.
    QTest::newRow("too large by its digits") << QByteArray("0.00000000000000000002e330")
                                             << ItemReading::BeyondRange << 0.0;
    QTest::newRow("too small by its digits") << QByteArray("100000000000000000000e-345") << number
                                             << 0.0;
    // Below every nonzero double: 0 of the number's sign, as strtod reads it; nearer to the
    // smallest subnormal than to 0, that subnormal.
    QTest::newRow("too small") << QByteArray("1e-400") << number << 0.0;
    QTest::newRow("too small, negative") << QByteArray("-0.0001e-320") << number << -0.0;
    QTest::newRow("too small, exponent beyond any integer")
        << QByteArray("25e-99999999999999999999999") << number << 0.0;
    QTest::newRow("just below half the smallest subnormal")
        << QByteArray("2.4703282292062327e-324") << number << 0.0;
    QTest::newRow("just above it") << QByteArray("2.4703282292062328e-324") << number << 0x1p-1074;
    QTest::newRow("subnormal") << QByteArray("+1e-310") << number << 1e-310;
    QTest::newRow("zero with a vast exponent") << QByteArray("0.000e99999") << number << 0.0;
    QTest::newRow("too large, then a word") << QByteArray("1e400x") << none << 0.0;
}

// The careful path reads the item; the quick path must take exactly the items the careful one
// reads as numbers, whole and with the same value, and leave every other item to it. Through
// the channel the item then reads as that value or fails with the matching message.
void TestInputChannel::bothPathsReadEveryItemAlike()
{
    QFETCH(QByteArray, item);
    QFETCH(ItemReading, reading);
    QFETCH(double, value);
    const LeadingNumber careful = ReadNumberItem(item.toStdString());
    QCOMPARE(careful.reading, reading);
    QCOMPARE(careful.value, value);
    QCOMPARE(std::signbit(careful.value), std::signbit(value));

    const auto takes = static_cast<std::size_t>(reading == ItemReading::Number ? item.size() : 0);
    const std::pair<QByteArray, bool> contexts[] = {
        {item + " 9", false}, {item + ",9", false}, {item, true}};
    for (const auto& [text, endsTheFile] : contexts) {
        double quick = -1.0;
        QCOMPARE(ReadLeadingNumber(text.toStdString(), endsTheFile, quick), takes);
        QCOMPARE(quick, takes ? value : -1.0);
    }
    // Cut short by the end of the buffer with more of the file to come: left to the careful path.
    double quick = -1.0;
    QCOMPARE(ReadLeadingNumber(item.toStdString(), false, quick), std::size_t{0});

    const QString shown = QStringLiteral("test.in: line 1, column 1: ");
    const QString quoted = QLatin1Char('\'') + QString::fromLatin1(item) + QLatin1Char('\'');
    const QString message = reading == ItemReading::Number ? QStringLiteral("no failure")
        : reading == ItemReading::BeyondRange
        ? shown + "the number " + quoted + " is beyond the range of a double"
        : shown + "expected a number, found " + quoted;
    double read = -1.0;
    QCOMPARE(FailureOf([&] { read = ReadDoubles(item.toStdString(), 1).front(); }), message);
    QCOMPARE(read, takes ? value : -1.0);
}

void TestInputChannel::separatorsGiveTheSameValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("one pair a line") << "3\n0 0\n1 2.5\n2 0\n";
    QTest::newRow("commas") << "3,0,0,1,2.5,2,0";
    QTest::newRow("commas with blanks") << "3 , 0 ,0, 1 , 2.5 ,2 , 0";
    QTest::newRow("all on one line") << "3 0 0 1 2.5 2 0";
    QTest::newRow("pair split over lines") << "3\n0\n0 1\n2.5 2\n0";
    QTest::newRow("tabs, CR LF, blank lines") << "3\r\n\r\n0\t0\r\n1\t2.5\r\n\n2 0";
    QTest::newRow("old Mac line ends") << "3\r0 0\r1 2.5\r2 0\r";
    QTest::newRow("byte-order mark first") << "\xEF\xBB\xBF"
                                              "3\n0 0\n1 2.5\n2 0\n";
    QTest::newRow("trailing junk never read") << "3\n0 0\n1 2.5\n2 0\n9 9 garbage";
}

void TestInputChannel::separatorsGiveTheSameValues()
{
    QFETCH(QString, text);
    InputChannel channel;
    channel.Open(std::make_unique<std::istringstream>(text.toStdString()), "morvadine.in");
    std::int32_t count = 0;
    channel.Input(count);
    QCOMPARE(count, 3);
    std::vector<double> read;
    for (int k = 0; k < count; ++k) {
        double x = 0, y = 0;
        channel.Input(x, y);
        read.insert(read.end(), {x, y});
    }
    QCOMPARE(read, (std::vector<double>{0, 0, 1, 2.5, 2, 0}));
}

void TestInputChannel::reportsMalformedItems_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("word") << "1 2\n3 4\n\n5   abc"
                          << "morvadine.in: line 4, column 5: expected a number, found 'abc'";
    QTest::newRow("number glued to a word") << "12abc"
                                            << "morvadine.in: line 1, column 1: expected a number, found '12abc'";
    QTest::newRow("inf") << "inf" << "morvadine.in: line 1, column 1: expected a number, found 'inf'";
    QTest::newRow("nan") << "1 -nan" << "morvadine.in: line 1, column 3: expected a number, found '-nan'";
    QTest::newRow("hexadecimal") << "0x10" << "morvadine.in: line 1, column 1: expected a number, found '0x10'";
    QTest::newRow("bare exponent") << "1e" << "morvadine.in: line 1, column 1: expected a number, found '1e'";
    QTest::newRow("two signs") << "+-1" << "morvadine.in: line 1, column 1: expected a number, found '+-1'";
    QTest::newRow("comma decimal") << "\r\n 1;5" << "morvadine.in: line 2, column 2: expected a number, found '1;5'";
    QTest::newRow("too large") << "1e400"
                               << "morvadine.in: line 1, column 1: the number '1e400' is beyond the range of a double";
    QTest::newRow("two commas") << "1,,2"
                                << "morvadine.in: line 1, column 3: expected a number, found an empty item before ','";
    QTest::newRow("comma before the first item") << "  ,1"
                                                 << "morvadine.in: line 1, column 3: expected a number, found an empty item before ','";
    QTest::newRow("commas around blanks") << "1 , , 2"
                                          << "morvadine.in: line 1, column 5: expected a number, found an empty item before ','";
    QTest::newRow("long item cut") << QString(60, 'z')
                                   << "morvadine.in: line 1, column 1: expected a number, found '" + QString(40, 'z') + "...'";
}

void TestInputChannel::reportsMalformedItems()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    const QString failure = FailureOf([&] {
        InputChannel channel;
        channel.Open(std::make_unique<std::istringstream>(text.toStdString()), "morvadine.in");
        for (;;) {
            double ignored = 0;
            channel.Input(ignored);
        }
    });
    QCOMPARE(failure, message);
}

void TestInputChannel::quotesItemsReadably_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    const QString notANumber
        = QStringLiteral("test.in: line 1, column %1: expected a number, found '%2'");
    const QString markInside = QStringLiteral("test.in: line 1, column %1: '%2' holds a byte-order "
                                              "mark, which only the very start of the "
                                              "file may hold");
    QTest::newRow("mark first, columns after it") << QByteArray("\xEF\xBB\xBF"
                                                                "1 ab")
                                                  << notANumber.arg("3", "ab");
    QTest::newRow("mark after an item") << QByteArray("1 \xEF\xBB\xBF"
                                                      "2")
                                        << markInside.arg("3", "\\uFEFF2");
    QTest::newRow("mark twice first") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                    "1")
                                      << markInside.arg("1", "\\uFEFF1");
    QTest::newRow("NUL") << QByteArray("1\0x", 3) << notANumber.arg("1", "1\\x00x");
    QTest::newRow("not UTF-8") << QByteArray("\xFF\xC3(\xC0\xAF\xED\xA0\x80")
                               << notANumber.arg("1", "\\xFF\\xC3(\\xC0\\xAF\\xED\\xA0\\x80");
    QTest::newRow("zero-width space")
        << QByteArray("1\xE2\x80\x8B") << notANumber.arg("1", "1\\u200B");
    QTest::newRow("tag character") << QByteArray("\xF3\xA0\x80\x81"
                                                 "1")
                                   << notANumber.arg("1", "\\U000E00011");
    QTest::newRow("backslash") << QByteArray("a\\x00") << notANumber.arg("1", "a\\\\x00");
    QTest::newRow("Chinese as it reads") << QByteArray("三") << notANumber.arg("1", "三");
    QTest::newRow("10,000 characters")
        << QByteArray(10000, 'z') << notANumber.arg("1", QString(40, 'z') + "...");
    QTest::newRow("cut before an escape") << QByteArray(30, 'z')
            + QByteArray(3, '\0') << notANumber.arg("1", QString(30, 'z') + "\\x00\\x00...");
    QTest::newRow("cut by characters") << QString(50, QChar(0x4E09)).toUtf8()
                                       << notANumber.arg("1", QString(40, QChar(0x4E09)) + "...");
}

// What a file holds is quoted so that every byte of it can be told from the message.
void TestInputChannel::quotesItemsReadably()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    QCOMPARE(FailureOf([&] { ReadDoubles(text.toStdString(), 2); }), message);
}

void TestInputChannel::readsWholeCounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "5" << 5;
    QTest::newRow("exponent") << "1e3" << 1000;
    QTest::newRow("whole with point") << "3.0" << 3;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << int(-2147483647 - 1);
}

void TestInputChannel::readsWholeCounts()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    InputChannel channel;
    channel.Open(std::make_unique<std::istringstream>(text.toStdString()), "morvadine.in");
    std::int32_t count = 0;
    channel.Input(count);
    QCOMPARE(count, expected);
}

void TestInputChannel::refusesCounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("fraction") << "3.5" << "morvadine.in: line 1, column 1: expected a whole number, found '3.5'";
    QTest::newRow("word") << "three" << "morvadine.in: line 1, column 1: expected a whole number, found 'three'";
    QTest::newRow("above 32 bits") << "2147483648"
                                   << "morvadine.in: line 1, column 1: expected a whole number from -2147483648 "
                                      "to 2147483647, found '2147483648'";
}

void TestInputChannel::refusesCounts()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QCOMPARE(FailureOf([&] {
                 InputChannel channel;
                 channel.Open(std::make_unique<std::istringstream>(text.toStdString()), "morvadine.in");
                 std::int32_t count = 0;
                 channel.Input(count);
             }),
             message);
}

void TestInputChannel::endOfDataIsItsOwnError()
{
    InputChannel channel;
    channel.Open(std::make_unique<std::istringstream>("1 2 \n\n "), "morvadine.out");
    double a = 0, b = 0, c = 0;
    QVERIFY_THROWS_EXCEPTION(EndOfData, channel.Input(a, b, c));
    QCOMPARE(a, 1.0);
    QCOMPARE(b, 2.0);
}

// Items straddle the 64 KiB buffer's edges at every offset, and line numbers still count.
void TestInputChannel::itemsAcrossBufferBoundaries()
{
    std::string text;
    const int count = 40000;
    int lineEnds = 0;
    for (int k = 0; k < count; ++k) {
        const bool lineEnd = k % 3 == 0;
        lineEnds += lineEnd;
        text += std::to_string(k) + ".125" + (lineEnd ? "\r\n" : " ");
    }
    text += "oops";
    InputChannel channel;
    channel.Open(std::make_unique<std::istringstream>(text), "big.in");
    for (int k = 0; k < count; ++k) {
        double value = 0;
        channel.Input(value);
        QCOMPARE(value, k + 0.125);
    }
    double value = 0;
    const QString failure = FailureOf([&] { channel.Input(value); });
    QVERIFY2(failure.startsWith(QStringLiteral("big.in: line %1, column ").arg(lineEnds + 1)), qPrintable(failure));
}

void TestInputChannel::readsDotDecimalsUnderCommaLocale()
{
    const char* const previous = std::setlocale(LC_ALL, nullptr);
    const std::string restore = previous ? previous : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        QFAIL("the de_DE.UTF-8 locale is missing; the test command generates it");
    const std::vector<double> values = ReadDoubles("2.5 -0.125 1.5E+3", 3);
    std::setlocale(LC_ALL, restore.c_str());
    QCOMPARE(values, (std::vector<double>{2.5, -0.125, 1500.0}));
}

void TestInputChannel::reportsMissingFileAndFolder()
{
    QTemporaryDir folder;
    InputChannel channel;
    const auto path = std::filesystem::path(folder.path().toStdString());
    QCOMPARE(FailureOf([&] { channel.Open(path / "morvadine.in", "morvadine.in"); }),
             QStringLiteral("morvadine.in: the file does not exist"));
    QCOMPARE(FailureOf([&] { channel.Open(path, "morvadine.in"); }),
             QStringLiteral("morvadine.in: is a folder, not a file"));
    QVERIFY(!channel.IsOpen());
}

QTEST_APPLESS_MAIN(TestInputChannel)
#include "tst_carefulreader.moc"
