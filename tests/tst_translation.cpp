#include "check/checkmode.h"
#include "app/commandline.h"
#include "app/translation.h"
#include "scene/loadresults.h"
#include "runsolver/messagetext.h"
#include "runsolver/platformcommands.h"
#include "runsolver/solverrun.h"

#include <QtTest>

#include <fstream>

namespace {

// An empty file at `path`.
QString Touched(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) ? path : QStringLiteral("cannot write ") + path;
}

// The message of a load of `points` and `result` in `folder`.
QString LoadProblem(const QTemporaryDir& folder, const char* points, const char* result)
{
    const std::filesystem::path path = folder.path().toStdString();
    std::ofstream(path / PointFileName) << points;
    std::ofstream(path / ResultFileName) << result;
    try {
        LoadResults(path, "dropped.in");
    } catch (const DataFileError& error) {
        return MessageText(error.Message());
    }
    return QStringLiteral("no failure");
}

// A composed message, with the temporary folder it names shown as "TMP".
struct Composed {
    const char* Name;
    std::function<QString(const QTemporaryDir&)> Compose;
    const char* English;
    const char* Chinese;
};

const Composed Messages[] = {
    { "a bad item, quoted as it is",
        [](const QTemporaryDir& folder) { return LoadProblem(folder, "2\n1 1\n2 a%2", ""); },
        "dropped.in: line 3, column 3: expected a number, found 'a%2'",
        "dropped.in：第 3 行第 3 列：应为数字，实际为“a%2”" },
    { "a result file cut short",
        [](const QTemporaryDir& folder) { return LoadProblem(folder, "1\n1 1\n", "1 2 3"); },
        "morvadine.out: the file ends after 3 of its 4 numbers (where the tower stands, then "
        "where the island floats, each as x y)",
        "morvadine.out：应有 4 个数（先是瞭望塔的位置，再是浮空岛的位置，各为 x y），文件在第 3 "
        "个数之后就结束了" },
    { "an occupied work directory",
        [](const QTemporaryDir& folder) {
            Touched(folder.filePath(WorkDirectoryName));
            return SolverRun(folder.path()).Start(Touched(folder.filePath("dropped.in")));
        },
        "TMP/morvadine_temporary: the viewer needs this name for its work directory, but a file "
        "has it; rename or remove it",
        "TMP/morvadine_temporary：查看器的工作目录要用这个名字，但它已被一个文件占用；请将其重命"
        "名或删除" },
    { "a failed file command",
        [](const QTemporaryDir& folder) {
            QDir(folder.path()).mkdir("kept");
            try {
                Kill(folder.filePath("kept").toStdString());
            } catch (const FileCommandError& error) {
                return QString::fromStdString(error.what());
            }
            return QStringLiteral("no failure");
        },
        "cannot delete TMP/kept: it is a folder, not a file",
        "无法删除 TMP/kept：它是文件夹，不是文件" },
    { "a summary", [](const QTemporaryDir&) { return SummaryLine(2, 0, 1); },
        "3 files: 2 ok, 0 wrong, 1 error", "3 个文件：2 个正确，0 个错误，1 个出错" },
    { "a refused command line",
        [](const QTemporaryDir&) {
            return ParseCommandLine({ "morvadine", "--check", "--tolerance", "x", "a.in" }).Text;
        },
        "tst_translation: --tolerance: x is not a number of 0 or more",
        "tst_translation：--tolerance：x 不是大于或等于 0 的数" },
};

QString Composes(const Composed& message)
{
    const QTemporaryDir folder;
    return message.Compose(folder).replace(folder.path(), QStringLiteral("TMP"));
}

QSet<QString> Placeholders(const QString& text)
{
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    QSet<QString> found;
    for (auto matches = placeholder.globalMatch(text); matches.hasNext();)
        found.insert(matches.next().captured());
    return found;
}

} // namespace

class TestTranslation : public QObject {
    Q_OBJECT

private slots:
    void languageFollowsTheUser_data();
    void languageFollowsTheUser();
    void messagesInBothLanguages_data();
    void messagesInBothLanguages();
    void everyComposedTextIsTranslated();
};

void TestTranslation::languageFollowsTheUser_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("mainland") << QStringList { "zh-CN", "zh-Hans-CN", "zh" } << true;
    QTest::newRow("Taiwan") << QStringList { "zh-TW", "zh-Hant-TW" } << true;
    QTest::newRow("German, then Chinese") << QStringList { "de", "de-DE", "zh-CN" } << true;
    QTest::newRow("English, then Chinese") << QStringList { "en-US", "zh-CN" } << false;
    QTest::newRow("the C locale") << QStringList { "C" } << false;
    QTest::newRow("none") << QStringList {} << false;
}

void TestTranslation::languageFollowsTheUser()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(bool, chinese);
    QCOMPARE(LanguageFor(uiLanguages) == TextLanguage::Chinese, chinese);
}

void TestTranslation::messagesInBothLanguages_data()
{
    QTest::addColumn<int>("index");
    for (int k = 0; k < int(std::size(Messages)); ++k)
        QTest::newRow(Messages[k].Name) << k;
}

void TestTranslation::messagesInBothLanguages()
{
    QFETCH(int, index);
    const Composed& message = Messages[index];
    QCOMPARE(Composes(message), QString::fromUtf8(message.English));
    const std::unique_ptr<QTranslator> chinese = ProgramTranslator(TextLanguage::Chinese);
    QVERIFY(chinese);
    QCoreApplication::installTranslator(chinese.get());
    const QString translated = Composes(message);
    QCoreApplication::removeTranslator(chinese.get());
    QCOMPARE(translated, QString::fromUtf8(message.Chinese));
}

// lupdate, run over the sources as the build runs it, finds every text the viewer composes:
// each must have a finished translation with the same placeholders. The texts fixed by the
// window's design (Chinese captions, the titles) must not be translatable at all.
void TestTranslation::everyComposedTextIsTranslated()
{
    QTemporaryDir folder;
    const QString ts = folder.filePath(QStringLiteral("check.ts"));
    QVERIFY(QFile::copy(QStringLiteral(MORVADINE_TS_FILE), ts));
    QVERIFY(QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner));
    QProcess lupdate;
    lupdate.start(QStringLiteral(MORVADINE_LUPDATE),
        { "-tr-function-alias", MORVADINE_LUPDATE_ALIAS, "-locations", "none", "-no-obsolete",
            "@" MORVADINE_TRANSLATED_SOURCES, "-ts", ts });
    QVERIFY(lupdate.waitForFinished(120000));
    QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());

    QFile file(ts);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList problems;
    QSet<QString> contexts;
    QString context, source;
    static const QRegularExpression fixedText(
        QStringLiteral("[\\x{4E00}-\\x{9FFF}]|^[Mm]orvadine$"));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
            contexts.insert(context);
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
            if (source.contains(fixedText))
                problems << context + ": a fixed text is marked for translation: " + source;
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value("type") == QLatin1String("unfinished");
            const QString translation = xml.readElementText();
            if (unfinished || translation.isEmpty())
                problems << context + ": untranslated: " + source;
            else if (Placeholders(translation) != Placeholders(source))
                problems << context + ": placeholders differ: " + source;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    // Each layer's texts are found, the scene's marked ones included.
    for (const char* layer : { "DataFile", "FileCommand", "SolverRun", "CheckMode", "Verdict" })
        QVERIFY2(contexts.contains(QLatin1String(layer)), layer);
}

QTEST_GUILESS_MAIN(TestTranslation)
#include "tst_translation.moc"
