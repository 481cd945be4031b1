#include "app/commandline.h"

#include "runsolver/platformcommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// A refusal thrown while the command line is read, as its one line reads without the
// program's name.
struct Refusal {
    QString Problem;
};

template <class Number>
std::optional<Number> NumberIn(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    Number value {};
    const auto [end, error] = std::from_chars(bytes.cbegin(), bytes.cend(), value);
    if (error != std::errc() || end != bytes.cend())
        return std::nullopt;
    return value;
}

double ToleranceIn(const QString& text)
{
    const std::optional<double> tolerance = NumberIn<double>(text);
    if (!tolerance || !std::isfinite(*tolerance) || *tolerance < 0)
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--tolerance: %1 is not a number of 0 or more")
                            .arg(text) };
    return *tolerance;
}

// The value of `option`, a count of 1 or more.
int CountIn(const QString& option, const QString& text)
{
    const std::optional<int> count = NumberIn<int>(text);
    if (!count || *count < 1)
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--%1: %2 is not a whole number of 1 or more")
                            .arg(option, text) };
    return *count;
}

std::uint64_t SeedIn(const QString& text)
{
    const std::optional<std::uint64_t> seed = NumberIn<std::uint64_t>(text);
    if (!seed)
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--seed: %1 is not a whole number from 0 to 18446744073709551615")
                            .arg(text) };
    return *seed;
}

std::chrono::milliseconds TimeIn(const QString& text)
{
    const std::optional<double> seconds = NumberIn<double>(text);
    // Up to a year, which fits the milliseconds.
    if (!seconds || !(*seconds > 0) || *seconds > 366 * 86400.0)
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--time: %1 is not a number of seconds above 0")
                            .arg(text) };
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(*seconds * 1000)));
}

// Enough for any profile that runs in a stress case's time.
constexpr int MostStressVertices = 1000000;

void VerticesIn(const QString& text, CaseLimits& limits)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    const std::optional<int> least = NumberIn<int>(dash < 0 ? text : text.left(dash));
    const std::optional<int> most = NumberIn<int>(dash < 0 ? text : text.mid(dash + 1));
    if (!least || !most || *least < 1 || *most < *least || *most > MostStressVertices) {
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--vertices: %1 is not MIN-MAX with 1 <= MIN <= MAX <= %2")
                            .arg(text, QString::number(MostStressVertices)) };
    }
    limits.MinVertices = *least;
    limits.MaxVertices = *most;
}

QStringList KnownShapes()
{
    QStringList names;
    for (const ProfileShape shape : AllShapes) {
        const std::string_view name = ShapeName(shape);
        names << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    return names;
}

std::vector<ProfileShape> ShapesIn(const QString& text)
{
    std::vector<ProfileShape> shapes;
    for (const QString& name : text.split(QLatin1Char(','))) {
        const std::optional<ProfileShape> shape = ShapeNamed(name.toStdString());
        if (!shape) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--shapes: %1 is not one of %2")
                                .arg(name, KnownShapes().join(QLatin1Char(','))) };
        }
        if (std::find(shapes.begin(), shapes.end(), *shape) == shapes.end())
            shapes.push_back(*shape);
    }
    return shapes;
}

bool JsonReportIn(const QString& text)
{
    if (text == QLatin1String("json"))
        return true;
    if (text == QLatin1String("text"))
        return false;
    throw Refusal {
        QCoreApplication::translate("CommandLine", "--report: %1 is not text or json").arg(text)
    };
}

// The image surface takes no side beyond this many pixels.
constexpr int LargestPictureSide = 32767;

QSize SizeIn(const QString& text)
{
    const qsizetype times = text.indexOf(QLatin1Char('x'));
    const std::optional<int> width = NumberIn<int>(text.left(times));
    const std::optional<int> height = NumberIn<int>(text.mid(times + 1));
    const auto fits
        = [](std::optional<int> side) { return side && *side >= 1 && *side <= LargestPictureSide; };
    if (times < 0 || !fits(width) || !fits(height)) {
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--size: %1 is not WIDTHxHEIGHT in pixels, each from 1 to %2")
                            .arg(text, QString::number(LargestPictureSide)) };
    }
    return { *width, *height };
}

SightLines LinesIn(const QString& text)
{
    if (text == QLatin1String("tower"))
        return SightLines::Tower;
    if (text == QLatin1String("island"))
        return SightLines::Island;
    if (text == QLatin1String("both"))
        return SightLines::Both;
    throw Refusal { QCoreApplication::translate(
        "CommandLine", "--lines: %1 is not tower, island or both")
                        .arg(text) };
}

// Through the file system's own names, which any name the system gave survives.
bool Exists(const QString& file)
{
    std::error_code error;
    return std::filesystem::exists(ToPath(file), error);
}

QString Absolute(const QString& file)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(ToPath(file), error);
    return error ? file : FromPath(absolute.lexically_normal());
}

// Whether both names lead to one file that exists: through a link, or as hard links.
bool SameExistingFile(const QString& one, const QString& other)
{
    std::error_code error;
    return std::filesystem::equivalent(ToPath(one), ToPath(other), error);
}

// Each file must get a picture of its own, and no picture may take an input's place.
void CheckPictureFiles(const QString& pattern, const QStringList& files)
{
    if (files.size() > 1 && !pattern.contains(QLatin1String(NamePlaceholder))) {
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--picture: %1 must hold %2 to draw several files")
                            .arg(pattern, QLatin1String(NamePlaceholder)) };
    }
    QHash<QString, QString> inputOf; // by the absolute picture file
    for (const QString& file : files) {
        const QString picture = Absolute(PictureFile(pattern, file));
        for (const QString& input : files) {
            if (Absolute(input) == picture || SameExistingFile(picture, input)) {
                throw Refusal { QCoreApplication::translate(
                    "CommandLine", "--picture: the picture of %1 would replace the input %2")
                                    .arg(ShownName(file), ShownName(input)) };
            }
        }
        if (inputOf.contains(picture)) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--picture: %1 and %2 would both be drawn to %3")
                                .arg(ShownName(inputOf.value(picture)), ShownName(file),
                                    ShownName(PictureFile(pattern, file))) };
        }
        inputOf.insert(picture, file);
    }
}

struct Options {
    QCommandLineOption Help { { QStringLiteral("h"), QStringLiteral("help") },
        QCoreApplication::translate("CommandLine", "Show this help.") };
    QCommandLineOption Version { { QStringLiteral("v"), QStringLiteral("version") },
        QCoreApplication::translate("CommandLine", "Show the version.") };
    QCommandLineOption Check { QStringLiteral("check"),
        QCoreApplication::translate("CommandLine",
            "Run no window: solve and judge each FILE, print a line for each and a summary.") };
    QCommandLineOption Solver { QStringLiteral("solver"),
        QCoreApplication::translate("CommandLine",
            "Use PROGRAM as the solver instead of the calc.exe beside the viewer; it is staged "
            "and run as calc.exe all the same."),
        QStringLiteral("PROGRAM") };
    QCommandLineOption Tolerance { QStringLiteral("tolerance"),
        QCoreApplication::translate("CommandLine",
            "Let the tower and the island lie below the lowest point that sees every slope, "
            "and their heights above the least possible, by at most T times max(1, |least|) "
            "plus %1 units in the last place of that point (default %2). The tower's height "
            "is taken above the ground, the island's is its y; both must lie over the "
            "profile's x range.")
            .arg(QString::number(AllowedUnits), QString::number(DefaultTolerance)),
        QStringLiteral("T") };
    QCommandLineOption Picture { QStringLiteral("picture"),
        QCoreApplication::translate("CommandLine",
            "With --check: draw each FILE with its tower and island to the image file PATTERN "
            "(its extension gives the format, .png for one). {name} in PATTERN stands for "
            "FILE's name without its folder and extension; several FILEs need it."),
        QStringLiteral("PATTERN") };
    QCommandLineOption Size { QStringLiteral("size"),
        QCoreApplication::translate("CommandLine",
            "With --picture: its size in pixels (default: the window's drawing surface as laid "
            "out, %1x%2).")
            .arg(QString::number(DefaultPictureSize().width()),
                QString::number(DefaultPictureSize().height())),
        QStringLiteral("WxH") };
    QCommandLineOption Samples { QStringLiteral("samples"),
        QCoreApplication::translate("CommandLine",
            "With --picture: about how many vertices to draw (default %1, as in the window).")
            .arg(QString::number(DefaultSampleCount)),
        QStringLiteral("N") };
    QCommandLineOption Lines { QStringLiteral("lines"),
        QCoreApplication::translate("CommandLine",
            "With --picture: draw the sight lines from the tower, the island or both."),
        QStringLiteral("tower|island|both") };
    QCommandLineOption Marks { QStringLiteral("marks"),
        QCoreApplication::translate("CommandLine",
            "With --picture: mark what is wrong with the answer on top, as the window's \"Mark "
            "what is wrong\" does: the slope not seen, thick and ringed, and the lowest place "
            "possible.") };
    QCommandLineOption Report { QStringLiteral("report"),
        QCoreApplication::translate("CommandLine",
            "With --check or --stress: the report as text lines (the default) or as json, one "
            "JSON object a line for each file or failure, then a summary object."),
        QStringLiteral("text|json") };
    QCommandLineOption Stress { QStringLiteral("stress"),
        QCoreApplication::translate("CommandLine",
            "Run no window: solve and judge profiles made up from a seed until one fails, "
            "shrink that one to a small profile failing the same way and write it to --out.") };
    QCommandLineOption Seed { QStringLiteral("seed"),
        QCoreApplication::translate("CommandLine",
            "With --stress: the seed of the first case (default: from the clock; printed)."),
        QStringLiteral("S") };
    QCommandLineOption Cases { QStringLiteral("cases"),
        QCoreApplication::translate(
            "CommandLine", "With --stress: run at most N cases, however long they take."),
        QStringLiteral("N") };
    QCommandLineOption Time { QStringLiteral("time"),
        QCoreApplication::translate(
            "CommandLine", "With --stress: start cases for this many seconds (default 60)."),
        QStringLiteral("SECONDS") };
    QCommandLineOption Vertices { QStringLiteral("vertices"),
        QCoreApplication::translate(
            "CommandLine", "With --stress: how many vertices a case has (default 2-12)."),
        QStringLiteral("MIN-MAX") };
    QCommandLineOption Shapes { QStringLiteral("shapes"),
        QCoreApplication::translate("CommandLine",
            "With --stress: the shapes of the cases, separated by commas (default all): %1.")
            .arg(KnownShapes().join(QLatin1String(", "))),
        QStringLiteral("LIST") };
    QCommandLineOption Out { QStringLiteral("out"),
        QCoreApplication::translate("CommandLine",
            "With --stress: where the shrunk failing profile goes (default stress-failure.in)."),
        QStringLiteral("FILE") };

    QList<QCommandLineOption> All() const
    {
        QList<QCommandLineOption> all { Help, Version, Check, Solver, Tolerance, Picture, Size,
            Samples, Lines, Marks, Report, Stress, Seed, Cases, Time, Vertices, Shapes, Out };
        // The window's application takes these itself, from the same command line; the check
        // mode has no use for them. Written with one dash, as Qt documents them, or two.
        for (const char* name : { "platform", "platformpluginpath", "platformtheme", "plugin",
                 "qwindowgeometry", "qwindowtitle", "qwindowicon", "geometry", "title", "icon",
                 "display", "name", "visual", "session", "style", "stylesheet",
                 "qmljsdebugger" })
            all << WindowSystemOption(name, QStringLiteral("VALUE"));
        for (const char* name : { "reverse", "widgetcount", "sync", "nograb", "dograb",
                 "testability" })
            all << WindowSystemOption(name, QString());
        return all;
    }

private:
    static QCommandLineOption WindowSystemOption(const char* name, const QString& valueName)
    {
        QCommandLineOption option(QString::fromLatin1(name), QString(), valueName);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        return option;
    }
};

// The picture options, refused without --picture.
PictureRequest PictureIn(const QCommandLineParser& parser, const Options& options)
{
    PictureRequest picture;
    picture.Pattern = parser.value(options.Picture);
    if (parser.isSet(options.Size))
        picture.Size = SizeIn(parser.value(options.Size));
    if (parser.isSet(options.Samples))
        picture.Samples = CountIn(options.Samples.names().first(), parser.value(options.Samples));
    if (parser.isSet(options.Lines))
        picture.Lines = LinesIn(parser.value(options.Lines));
    picture.Marks = parser.isSet(options.Marks);
    for (const QCommandLineOption* option :
        { &options.Size, &options.Samples, &options.Lines, &options.Marks }) {
        if (parser.isSet(*option) && !parser.isSet(options.Picture)) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--%1 works only with --picture")
                                .arg(option->names().first()) };
        }
    }
    return picture;
}

// The stress mode's own options, refused in the other modes.
void RefuseStressOptions(const QCommandLineParser& parser, const Options& options)
{
    for (const QCommandLineOption* option : { &options.Seed, &options.Cases, &options.Time,
             &options.Vertices, &options.Shapes, &options.Out }) {
        if (parser.isSet(*option)) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--%1 works only with --stress")
                                .arg(option->names().first()) };
        }
    }
}

StressRequest StressIn(const QCommandLineParser& parser, const Options& options)
{
    if (parser.isSet(options.Cases) && parser.isSet(options.Time))
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--cases and --time do not go together") };
    StressRequest stress;
    if (parser.isSet(options.Seed))
        stress.Seed = SeedIn(parser.value(options.Seed));
    if (parser.isSet(options.Cases))
        stress.Cases = CountIn(options.Cases.names().first(), parser.value(options.Cases));
    if (parser.isSet(options.Time))
        stress.Time = TimeIn(parser.value(options.Time));
    if (parser.isSet(options.Vertices))
        VerticesIn(parser.value(options.Vertices), stress.Limits);
    if (parser.isSet(options.Shapes))
        stress.Limits.Shapes = ShapesIn(parser.value(options.Shapes));
    if (parser.isSet(options.Out))
        stress.Out = parser.value(options.Out);
    return stress;
}

// Which mode the options ask for, refusing what does not fit it.
CommandLine::Action ModeIn(
    const QCommandLineParser& parser, const Options& options, const CheckRequest& request)
{
    if (parser.isSet(options.Stress)) {
        if (parser.isSet(options.Check))
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--stress and --check do not go together") };
        if (!request.Files.isEmpty() || parser.isSet(options.Picture))
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--stress makes up its own profiles: no FILE, no --picture") };
        return CommandLine::Action::Stress;
    }
    if (parser.isSet(options.Check)) {
        if (request.Files.isEmpty())
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--check needs at least one FILE") };
        return CommandLine::Action::Check;
    }
    if (parser.isSet(options.Picture))
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--picture works only with --check") };
    if (request.Files.size() > 1)
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "the window opens one FILE; --check judges several") };
    return CommandLine::Action::OpenWindow;
}

// The window's file and any solver must exist now; both are made absolute, so that messages
// name them whatever the current directory. The check mode reports a missing file on the
// file's own line, among the others'.
void CheckNamedFiles(const QCommandLineParser& parser, const Options& options,
    CommandLine::Action action, CheckRequest& request)
{
    if (action == CommandLine::Action::OpenWindow && !request.Files.isEmpty()) {
        if (!Exists(request.Files.first())) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "%1: the file does not exist")
                                .arg(ShownName(request.Files.first())) };
        }
        request.Files.first() = Absolute(request.Files.first());
    }
    if (parser.isSet(options.Solver)) {
        request.SolverProgram = Absolute(parser.value(options.Solver));
        if (!Exists(request.SolverProgram)) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "%1: the solver program does not exist")
                                .arg(ShownName(parser.value(options.Solver))) };
        }
    }
}

CommandLine Parse(QCommandLineParser& parser, const Options& options, const QStringList& arguments)
{
    if (!parser.parse(arguments))
        throw Refusal { parser.errorText() };
    if (parser.isSet(options.Help))
        return { CommandLine::Action::Print, parser.helpText(), {}, {} };
    if (parser.isSet(options.Version)) {
        return { CommandLine::Action::Print,
            QCoreApplication::applicationName() + QLatin1Char(' ')
                + QCoreApplication::applicationVersion() + QLatin1Char('\n'),
            {}, {} };
    }

    CommandLine commandLine;
    CheckRequest& request = commandLine.Request;
    request.Files = parser.positionalArguments();
    if (parser.isSet(options.Tolerance))
        request.Tolerance = ToleranceIn(parser.value(options.Tolerance));
    request.Picture = PictureIn(parser, options);
    if (parser.isSet(options.Report)) {
        request.JsonReport = JsonReportIn(parser.value(options.Report));
        if (!parser.isSet(options.Check) && !parser.isSet(options.Stress))
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--report works only with --check or --stress") };
    }
    if (!parser.isSet(options.Stress))
        RefuseStressOptions(parser, options);
    commandLine.What = ModeIn(parser, options, request);
    if (commandLine.What == CommandLine::Action::Stress)
        commandLine.Stress = StressIn(parser, options);
    CheckNamedFiles(parser, options, commandLine.What, request);
    if (!request.Picture.Pattern.isEmpty())
        CheckPictureFiles(request.Picture.Pattern, request.Files);
    commandLine.Stress.Check = request;
    return commandLine;
}

} // namespace

QStringList CommandLineArguments(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    // The application's own, from the system's wide command line.
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments();
#else
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << NameFromBytes(argv[k]);
    return arguments;
#endif
}

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("CommandLine",
        "Shows a mountain profile with the tower and the island a solver places on it.\n"
        "Without --check it opens the window, on FILE if one is given.\n"
        "With --check it runs no window: it solves each FILE as a drop would, judges\n"
        "the answer and prints a line for each FILE (ok, wrong or error; the tower and\n"
        "the island; the tower's height and the best; the solver's time; why an answer\n"
        "is wrong), then a summary. Exit status: 0 when every answer is right, 1 when\n"
        "any is wrong, 2 when any run failed or the command line was refused.\n"
        "The solvers' standard output goes to standard error, leaving the report alone\n"
        "on standard output.\n"
        "With --stress it runs no window either: it solves and judges profiles made up\n"
        "from a seed until an answer is wrong or a run fails, shrinks that profile and\n"
        "writes it out. Exit status: 0 when none failed, 1 when one did, 2 when the\n"
        "solver could not be run at all or the command line was refused."));
    const Options options;
    // Qt's own help option would offer --help-all for Qt's options, which are not taken here.
    parser.addOptions(options.All());
    // "-platform" is the window's option, as "--platform" is, not "-p -l -a ...".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(QStringLiteral("FILE"),
        QCoreApplication::translate(
            "CommandLine", "A problem input: a vertex count, then that many x y pairs."),
        QStringLiteral("[FILE...]"));
    try {
        return Parse(parser, options, arguments);
    } catch (const Refusal& refusal) {
        return { CommandLine::Action::Refuse,
            QCoreApplication::translate("CommandLine", "%1: %2")
                .arg(QCoreApplication::applicationName(), refusal.Problem),
            {}, {} };
    }
}
