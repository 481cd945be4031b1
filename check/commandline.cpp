#include "check/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
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

int SamplesIn(const QString& text)
{
    const std::optional<int> samples = NumberIn<int>(text);
    if (!samples || *samples < 1)
        throw Refusal { QCoreApplication::translate(
            "CommandLine", "--samples: %1 is not a whole number of 1 or more")
                            .arg(text) };
    return *samples;
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
        const QString picture = QFileInfo(PictureFile(pattern, file)).absoluteFilePath();
        for (const QString& input : files) {
            if (IsSameFile(picture, input)) {
                throw Refusal { QCoreApplication::translate(
                    "CommandLine", "--picture: the picture of %1 would replace the input %2")
                                    .arg(file, input) };
            }
        }
        if (inputOf.contains(picture)) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--picture: %1 and %2 would both be drawn to %3")
                                .arg(inputOf.value(picture), file, PictureFile(pattern, file)) };
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
            "Accept a height or a y within T of the best, absolutely or relative to the best "
            "(default %1).")
            .arg(QString::number(DefaultTolerance)),
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

    QList<QCommandLineOption> All() const
    {
        return { Help, Version, Check, Solver, Tolerance, Picture, Size, Samples, Lines };
    }
};

// Whether `argument` is `option` by one of its names, without a value.
bool Names(const QCommandLineOption& option, const QString& argument)
{
    return std::ranges::any_of(option.names(), [&argument](const QString& name) {
        return argument == QLatin1String(name.size() == 1 ? "-" : "--") + name;
    });
}

CommandLine Parse(QCommandLineParser& parser, const Options& options, const QStringList& arguments)
{
    if (!parser.parse(arguments))
        throw Refusal { parser.errorText() };
    if (parser.isSet(options.Help))
        return { CommandLine::Action::Print, parser.helpText(), {} };
    if (parser.isSet(options.Version)) {
        return { CommandLine::Action::Print,
            QCoreApplication::applicationName() + QLatin1Char(' ')
                + QCoreApplication::applicationVersion() + QLatin1Char('\n'),
            {} };
    }

    CommandLine commandLine;
    CheckRequest& request = commandLine.Request;
    request.Files = parser.positionalArguments();
    if (parser.isSet(options.Tolerance))
        request.Tolerance = ToleranceIn(parser.value(options.Tolerance));
    PictureRequest& picture = request.Picture;
    picture.Pattern = parser.value(options.Picture);
    if (parser.isSet(options.Size))
        picture.Size = SizeIn(parser.value(options.Size));
    if (parser.isSet(options.Samples))
        picture.Samples = SamplesIn(parser.value(options.Samples));
    if (parser.isSet(options.Lines))
        picture.Lines = LinesIn(parser.value(options.Lines));

    for (const QCommandLineOption* option : { &options.Size, &options.Samples, &options.Lines }) {
        if (parser.isSet(*option) && !parser.isSet(options.Picture)) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--%1 works only with --picture")
                                .arg(option->names().first()) };
        }
    }
    if (parser.isSet(options.Check)) {
        commandLine.What = CommandLine::Action::Check;
        if (request.Files.isEmpty())
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--check needs at least one FILE") };
    } else {
        if (parser.isSet(options.Picture))
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "--picture works only with --check") };
        if (request.Files.size() > 1)
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "the window opens one FILE; --check judges several") };
    }

    for (const QString& file : request.Files) {
        if (!QFileInfo::exists(file))
            throw Refusal {
                QCoreApplication::translate("CommandLine", "%1: the file does not exist").arg(file)
            };
    }
    if (parser.isSet(options.Solver)) {
        request.SolverProgram = QFileInfo(parser.value(options.Solver)).absoluteFilePath();
        if (!QFileInfo::exists(request.SolverProgram)) {
            throw Refusal { QCoreApplication::translate(
                "CommandLine", "%1: the solver program does not exist")
                                .arg(parser.value(options.Solver)) };
        }
    }
    if (!picture.Pattern.isEmpty())
        CheckPictureFiles(picture.Pattern, request.Files);
    // The window's messages name the file whatever the current directory.
    if (commandLine.What == CommandLine::Action::OpenWindow && !request.Files.isEmpty())
        request.Files.first() = QFileInfo(request.Files.first()).absoluteFilePath();
    return commandLine;
}

} // namespace

bool NeedsWindow(int argc, char* argv[])
{
    const Options options;
    for (int k = 1; k < argc; ++k) {
        // The options' names are plain ASCII in any encoding.
        const QString argument = QString::fromLatin1(argv[k]);
        if (argument == QLatin1String("--"))
            break;
        if (Names(options.Check, argument) || Names(options.Help, argument)
            || Names(options.Version, argument))
            return false;
        // An option's value is not an option, whatever it looks like.
        for (const QCommandLineOption& option : options.All()) {
            if (!option.valueName().isEmpty() && Names(option, argument))
                ++k;
        }
    }
    return true;
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
        "on standard output."));
    const Options options;
    // Qt's own help option would offer --help-all for Qt's options, which are not taken here.
    parser.addOptions(options.All());
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
            {} };
    }
}

int RunWithoutWindow(const CommandLine& commandLine, const QString& programFolder)
{
    switch (commandLine.What) {
    case CommandLine::Action::Print:
        QTextStream(stdout) << commandLine.Text;
        return ExitAllOk;
    case CommandLine::Action::Refuse:
        QTextStream(stderr) << commandLine.Text << Qt::endl;
        return ExitSomeFailed;
    case CommandLine::Action::Check:
        return RunCheckOnConsole(commandLine.Request, programFolder);
    case CommandLine::Action::OpenWindow:
        break;
    }
    return ExitSomeFailed; // the window is not this function's to open
}
