#include "scene/carefulreader.h"
#include "scene/loadresults.h"
#include "scene/numbertext.h"
#include "runsolver/workfiles.h"

#include <QtTest>

#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>

namespace {

class WorkFolder {
public:
    WorkFolder(const std::string& points, const std::string& result)
    {
        Write(PointFileName, points);
        Write(ResultFileName, result);
    }
    void Write(const char* name, const std::string& text) const
    {
        std::ofstream(Path() / name, std::ios::binary) << text;
    }
    std::filesystem::path Path() const { return m_folder.path().toStdString(); }

private:
    QTemporaryDir m_folder;
};

// The message, marked "[result]" when the error blames the result file.
QString FailureOf(const WorkFolder& folder)
{
    try {
        LoadResults(folder.Path(), "dropped.txt");
    } catch (const ResultFileError& error) {
        return QStringLiteral("[result] ") + QString::fromStdString(error.what());
    } catch (const DataFileError& error) {
        return QString::fromStdString(error.what());
    }
    return QStringLiteral("no failure");
}

// The text of a double with 15 significant digits, as the bundled files write them.
std::string Digits(double value)
{
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15).ptr};
}

// A point file of the x values given, each with a distinct y (so the order of equal x shows),
// laid out as `layout` says: "%x %y\n" with the numbers put in.
std::string ProfileText(const std::vector<double>& xs, const std::string& layout = "%x %y\n")
{
    std::string text = std::to_string(xs.size()) + "\n";
    for (std::size_t k = 0; k < xs.size(); ++k) {
        std::string line = layout;
        line.replace(line.find("%x"), 2, Digits(xs[k]));
        line.replace(line.find("%y"), 2, Digits(0.5 + static_cast<double>(k)));
        text += line;
    }
    return text;
}

std::vector<double> Xs(const QByteArray& pattern, int n)
{
    std::mt19937_64 random(77);
    std::uniform_real_distribution<double> coordinate(-1.0e3, 1.0e6);
    std::vector<double> xs;
    for (int k = 0; k < n; ++k) {
        if (pattern == "random")
            xs.push_back(coordinate(random));
        else if (pattern == "many equal")
            xs.push_back(static_cast<double>(random() % 50));
        else if (pattern == "ascending")
            xs.push_back(k * 0.5);
        else if (pattern == "descending")
            xs.push_back(n - k);
        else if (pattern == "all equal")
            xs.push_back(3.0);
        else if (pattern == "organ pipe")
            xs.push_back(k < n / 2 ? k : n - k);
    }
    return xs;
}

// Random distinct x with one pair made equal: the second vertex, which an evenly spread sample
// of a file this long never takes, and one in the second half.
std::vector<double> OneTie(double first, double second)
{
    std::vector<double> xs = Xs("random", 10000);
    xs[1] = first;
    xs[7000] = second;
    return xs;
}

// One number per line, 7 characters wide, with 1001 vertices: the line end past the middle of
// the file follows an x, so the split parts a pair. `equalXEvery`: every so many vertices take
// the x of the one before.
std::string OddSplitText(int equalXEvery = 0)
{
    std::string text = "1001\n";
    std::string x;
    for (int k = 0; k < 2 * 1001; ++k) {
        const std::string number = std::to_string(1000000 + (k * 7919) % 999983);
        if (k % 2 == 0 && !(equalXEvery > 0 && k / 2 % equalXEvery == 1))
            x = number;
        text += (k % 2 == 0 ? x : number) + "\n";
    }
    return text;
}

// What a load gave, every bit of it: the exception's kind and message, or the profile's
// fields, captions and records up to `records`.
QByteArray Outcome(const LoadedProfile* profile, const QString& failure, int records)
{
    if (!profile)
        return failure.toUtf8();
    const CoordinateCaptions captions = CaptionsOf(*profile);
    QByteArray outcome = QByteArray::number(profile->PointCount) + '\n'
        + QByteArray::fromStdString(captions.Tower + captions.Island) + '\n';
    const double fields[] = { profile->Tower.X, profile->Tower.Y, profile->Island.X,
        profile->Island.Y, profile->Extents.MaxX, profile->Extents.MaxY };
    outcome.append(reinterpret_cast<const char*>(fields), sizeof fields);
    outcome.append(reinterpret_cast<const char*>(&profile->Points(1)),
        records * static_cast<qsizetype>(sizeof(PointD)));
    return outcome;
}

template <class Load>
QByteArray OutcomeOf(Load load, int records)
{
    std::unique_ptr<LoadedProfile> profile;
    QString failure;
    try {
        profile = load();
    } catch (const ResultFileError& error) {
        failure = QStringLiteral("ResultFileError ") + error.what();
    } catch (const DataFileError& error) {
        failure = QStringLiteral("DataFileError ") + error.what();
    } catch (const std::exception& error) {
        failure = QStringLiteral("other ") + error.what();
    }
    return Outcome(profile.get(), failure, records);
}

} // namespace

class TestLoadResults : public QObject {
    Q_OBJECT

private slots:
    void numberTexts_data();
    void numberTexts();
    void computesExtentsAndCaptions_data();
    void computesExtentsAndCaptions();
    void ordersVerticesByX();
    void refusesCountsBeforeReading_data();
    void refusesCountsBeforeReading();
    void reportsBrokenFiles_data();
    void reportsBrokenFiles();
    void loadsTheLargestDataSet();
    void loadsTheBundledSample();
    void fasterLoadsMatchTheReference_data();
    void fasterLoadsMatchTheReference();
};

void TestLoadResults::numberTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 3.0 << "3";
    QTest::newRow("fraction") << 2.5 << "2.5";
    QTest::newRow("below one") << 0.25 << "0.25";
    QTest::newRow("negative") << -1.0 << "-1";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("15 digits") << 0.3333333333333333 << "0.333333333333333";
    QTest::newRow("rounds up") << 0.99999999999999999 << "1";
    QTest::newRow("largest plain") << 123456789012345.0 << "123456789012345";
    QTest::newRow("rounding carries into exponent") << 999999999999999.9 << "1E+15";
    QTest::newRow("large") << 1e20 << "1E+20";
    QTest::newRow("small") << 1e-7 << "1E-07";
    QTest::newRow("smallest plain") << 0.0001 << "0.0001";
    QTest::newRow("negative small") << -1.5e-7 << "-1.5E-07";
}

void TestLoadResults::numberTexts()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(NumberText(value)), text);
}

void TestLoadResults::computesExtentsAndCaptions_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("result");
    QTest::addColumn<double>("maxX");
    QTest::addColumn<double>("maxY");
    QTest::addColumn<QString>("towerCaption");
    QTest::addColumn<QString>("islandCaption");
    QTest::newRow("ordinary") << "3\n0 0\n1 2.5\n2 0\n" << "3 2.5 0.25 -1" << 2.0 << 2.5 << "(3,2.5)" << "(0.25,-1)";
    QTest::newRow("one vertex") << "1\n4 7" << "0 0 0 0" << 4.0 << 7.0 << "(0,0)" << "(0,0)";
    QTest::newRow("byte-order marks") << "\xEF\xBB\xBF"
                                         "1\n4 7"
                                      << "\xEF\xBB\xBF"
                                         "0 0 0 0"
                                      << 4.0 << 7.0 << "(0,0)"
                                      << "(0,0)";
    QTest::newRow("all low and left") << "2\n-3 0.1\n0 -5" << "1 1 2 2" << 0.0 << 0.1 << "(1,1)" << "(2,2)";
    QTest::newRow("result on many lines") << "1 1 1" << "1\n2\n\n3\n4 extra ignored" << 1.0 << 1.0 << "(1,2)" << "(3,4)";
    QTest::newRow("15 significant digits") << "1 1 1" << "0.3333333333333333 1e20 -0 1e-7" << 1.0 << 1.0
                                           << "(0.333333333333333,1E+20)" << "(0,1E-07)";
}

void TestLoadResults::computesExtentsAndCaptions()
{
    QFETCH(QString, points);
    QFETCH(QString, result);
    QFETCH(double, maxX);
    QFETCH(double, maxY);
    QFETCH(QString, towerCaption);
    QFETCH(QString, islandCaption);
    WorkFolder folder(points.toStdString(), result.toStdString());
    const std::unique_ptr<LoadedProfile> profile = LoadResults(folder.Path());
    QCOMPARE(profile->Extents.MaxX, maxX);
    QCOMPARE(profile->Extents.MaxY, maxY);
    const CoordinateCaptions captions = CaptionsOf(*profile);
    QCOMPARE(QString::fromStdString(captions.Tower), towerCaption);
    QCOMPARE(QString::fromStdString(captions.Island), islandCaption);
}

void TestLoadResults::ordersVerticesByX()
{
    WorkFolder folder("5\n2 10\n0 20\n1 30\n0 40\n2 50\n", "0 0 0 0");
    const std::unique_ptr<LoadedProfile> profile = LoadResults(folder.Path());
    QCOMPARE(profile->PointCount, 5);
    const double expectedY[] = {20, 40, 30, 50, 10};
    for (int k = 1; k <= 5; ++k)
        QCOMPARE(profile->Points(k).Y, expectedY[k - 1]);
}

void TestLoadResults::refusesCountsBeforeReading_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("message");
    QTest::newRow("zero") << "0 1 1" << "dropped.txt: the vertex count is 0; a profile needs at least one vertex";
    QTest::newRow("negative") << "-4" << "dropped.txt: the vertex count is -4; a profile needs at least one vertex";
    QTest::newRow("above capacity") << "1000001 1 1"
                                    << "dropped.txt: the vertex count 1000001 is more than the 1000000 vertices "
                                       "the viewer can hold";
}

void TestLoadResults::refusesCountsBeforeReading()
{
    QFETCH(QString, points);
    QFETCH(QString, message);
    WorkFolder folder(points.toStdString(), "9 9 9 9");
    QCOMPARE(FailureOf(folder), message);
}

void TestLoadResults::reportsBrokenFiles_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty point file") << "" << "1 2 3 4"
                                      << "dropped.txt: the file is empty; it must start with the vertex count";
    QTest::newRow("fractional count") << "3.5\n1 1" << "1 2 3 4"
                                      << "dropped.txt: line 1, column 1: expected a whole number, found '3.5'";
    QTest::newRow("too few vertices") << "5\n1 1\n2 2\n3" << "1 2 3 4" << "dropped.txt: the file ends after 2 of 5 vertices";
    QTest::newRow("bad coordinate") << "2\n1 1\n\n2 abc" << "1 2 3 4"
                                    << "dropped.txt: line 4, column 3: expected a number, found 'abc'";
    QTest::newRow("empty result") << "1 1 1" << "" << "[result] morvadine.out: the file ends after 0 of its 4 numbers (where the tower stands, then where the island floats, each as x y)";
    QTest::newRow("partial result") << "1 1 1" << "1 2 3" << "[result] morvadine.out: the file ends after 3 of its 4 numbers (where the tower stands, then where the island floats, each as x y)";
    QTest::newRow("bad result") << "1 1 1" << "1 2 nan 4" << "[result] morvadine.out: line 1, column 5: expected a number, found 'nan'";
}

void TestLoadResults::reportsBrokenFiles()
{
    QFETCH(QString, points);
    QFETCH(QString, result);
    QFETCH(QString, message);
    WorkFolder folder(points.toStdString(), result.toStdString());
    QCOMPARE(FailureOf(folder), message);
    // Nothing holds the files open: they can be removed at once.
    QVERIFY(std::filesystem::remove(folder.Path() / PointFileName));
    QVERIFY(std::filesystem::remove(folder.Path() / ResultFileName));
}

void TestLoadResults::loadsTheLargestDataSet()
{
    std::string points = std::to_string(MaxPoints) + "\n";
    for (int k = MaxPoints; k >= 1; --k)
        points += std::to_string(k) + " " + std::to_string(k % 97) + "\n";
    WorkFolder folder(points, "1 2 3 4");
    const std::unique_ptr<LoadedProfile> profile = LoadResults(folder.Path());
    QCOMPARE(profile->PointCount, MaxPoints);
    QCOMPARE(profile->Points(1).X, 1.0);
    QCOMPARE(profile->Points(MaxPoints).X, double(MaxPoints));
    QCOMPARE(profile->Extents.MaxX, double(MaxPoints));
    QCOMPARE(profile->Extents.MaxY, 96.0);
}

void TestLoadResults::loadsTheBundledSample()
{
    const QString sample = QFINDTESTDATA("examples/sample.in");
    QVERIFY(!sample.isEmpty());
    QTemporaryDir work;
    QVERIFY(QFile::copy(sample, work.filePath(PointFileName)));
    QVERIFY(QFile::copy(QFINDTESTDATA("examples/sample.out"), work.filePath(ResultFileName)));
    const std::unique_ptr<LoadedProfile> profile = LoadResults(work.path().toStdString());
    QVERIFY(profile->PointCount >= 24);
    QVERIFY(profile->Extents.MaxX > 0);
    for (int k = 2; k <= profile->PointCount; ++k)
        QVERIFY(profile->Points(k - 1).X <= profile->Points(k).X);
}

void TestLoadResults::fasterLoadsMatchTheReference_data()
{
    QTest::addColumn<QByteArray>("points");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<bool>("quick"); // read without the careful reader

    const auto row = [](const char* name, const std::string& points, bool quick, const char* result = "1 2.5 -3 4e2") {
        QTest::newRow(name) << QByteArray::fromStdString(points) << QByteArray(result) << quick;
    };
    for (const char* pattern : {"random", "many equal", "ascending", "descending", "all equal", "organ pipe"})
        row(pattern, ProfileText(Xs(pattern, 5000)), true);
    row("single tie across the split", ProfileText(OneTie(123.25, 123.25)), true);
    row("-0 and +0", ProfileText(OneTie(-0.0, 0.0)), true);
    row("CR LF", ProfileText(Xs("many equal", 3000), "%x %y\r\n"), true);
    row("tabs and blank lines", ProfileText(Xs("random", 3000), "\t%x\t\t%y\n\n"), true);
    row("commas", ProfileText(Xs("organ pipe", 3000), "%x,%y,\n"), true);
    row("exponents", "4\n1.5E+3 2e-2\n-2.5e1 +3\n1e-300 .5\n7. -0e0\n", true);
    row("more pairs than the count", "2\n5 1\n3 2\n1 3\nabc", true);
    row("pair parted by the split", OddSplitText(), true);
    row("pair parted by the split, equal x", OddSplitText(3), true);
    row("pair parted by the split, too few vertices", OddSplitText().substr(0, 7000), false);
    // The y completing the parted vertex (the 1002nd number, on a line of 8 bytes after the
    // count's 5) is the largest, and a number follows the last vertex.
    std::string partedLargestY = OddSplitText() + "9\n";
    partedLargestY.replace(5 + 1001 * 8, 7, "9999999");
    row("pair parted by the split, largest y, more numbers than the count", partedLargestY, true);
    // The split lies in the blank lines before the count.
    row("count past the middle", std::string(300000, '\n') + "2\n1 2\n3 4\n", true);
    row("count past the middle, too few vertices", std::string(300000, '\n') + "3\n1 2\n3 4\n", false);
    row("comma opening the second half", ProfileText(Xs("random", 3000), "%x %y\n,"), false);
    row("byte-order mark", "\xEF\xBB\xBF" + ProfileText(Xs("random", 3000)), false);
    row("count written 3.0", "3.0\n2 1\n1 2\n0 3\n", false);
    row("item of 300 digits", "2\n" + std::string(300, '7') + " 1\n2 2\n", false);
    row("item filling the careful reader's buffer", "2\n" + std::string(70000, '7') + " 1\n2 2\n", false);
    row("count filling the careful reader's buffer", std::string(70000, '0') + "2\n1 1\n2 2\n", false);
    // A random file with its text changed at a fraction of its length.
    const auto changed = [](double at, std::size_t length, const char* replacement) {
        std::string text = ProfileText(Xs("random", 3000));
        return text.replace(static_cast<std::size_t>(at * static_cast<double>(text.size())), length, replacement);
    };
    row("bad item in the first half", changed(0.1, 3, "1x2"), false);
    row("bad item in the second half", changed(0.7, 3, "1x2"), false);
    row("two commas", changed(0.6, 1, ",,"), false);
    row("too few vertices", changed(0.6, std::string::npos, ""), false);
    row("count above the capacity", "1000001\n1 1\n", false);
    row("count 0", "0\n1 1\n", false);
    row("empty", "", false);
    row("no result file", ProfileText(Xs("descending", 3000)), true, nullptr);
    row("short result file", ProfileText(Xs("organ pipe", 3000)), true, "1 2 3");
}

// The two-core load, and the load in two steps as a solver run does it, against the reference:
// the same exception and message, or the same fields, captions and records, those beyond the
// count included.
void TestLoadResults::fasterLoadsMatchTheReference()
{
    QFETCH(QByteArray, points);
    QFETCH(QByteArray, result);
    QFETCH(bool, quick);
    WorkFolder folder(points.toStdString(), result.toStdString());
    if (result.isNull())
        std::filesystem::remove(folder.Path() / ResultFileName);
    constexpr int records = 12000;
    PointFileReader reader;
    reader.SetSmallestSplitFile(0);

    const QByteArray reference
        = OutcomeOf([&] { return LoadResults(folder.Path(), "d.txt"); }, records);
    // Through the standard library's files, and through the solver run's own.
    const WorkDirectoryFiles workFiles(folder.Path());
    for (const DataFileOpener* files :
        { &AnyDataFile(), static_cast<const DataFileOpener*>(&workFiles) }) {
        const QByteArray twoCores = OutcomeOf(
            [&] { return LoadResultsOnTwoCores(folder.Path(), "d.txt", reader, *files); },
            records);
        QCOMPARE(!reader.LastReadWasCareful(), quick);
        const QByteArray inTwoSteps = OutcomeOf(
            [&] {
                PointsReadAhead ahead
                    = ReadPointsAhead(folder.Path(), "d.txt", reader, {}, *files);
                return CompleteLoad(std::move(ahead), folder.Path(), "d.txt", reader, *files);
            },
            records);
        QCOMPARE(twoCores.left(twoCores.indexOf('\n')), reference.left(reference.indexOf('\n')));
        QVERIFY(twoCores == reference);
        QVERIFY(inTwoSteps == reference);
    }
}

QTEST_GUILESS_MAIN(TestLoadResults)
#include "tst_loadresults.moc"
