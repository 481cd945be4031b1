#include "app/picture.h"

#include "render/imagesurface.h"
#include "render/viewtransform.h"
#include "scene/numbertext.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <cmath>

QString PictureFile(const QString& pattern, const QString& inputFile)
{
    return QString(pattern).replace(
        QLatin1String(NamePlaceholder), QFileInfo(inputFile).completeBaseName());
}

QString WritePicture(const QImage& image, const QString& file)
{
    const QFileInfo target(file);
    // Replacing a device or a pipe by a picture would do the system harm; writing into one is
    // no picture file either.
    if (target.exists() && !target.isFile())
        return QCoreApplication::translate("Picture", "something other than a file has this name");
    // Encoded first, so that a picture that cannot be encoded leaves no file at all.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, target.suffix().toLower().toLatin1());
    if (!writer.write(image))
        return writer.errorString();
    // Unbuffered: a write the file system refuses then fails at once, with its reason. A
    // buffered QSaveFile would commit a file cut short by a failed flush.
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return output.errorString();
    for (qint64 written = 0; written < encoded.size();) {
        const qint64 step = output.write(encoded.constData() + written, encoded.size() - written);
        if (step <= 0)
            return output.errorString(); // the temporary goes with `output`
        written += step;
    }
    if (!output.commit())
        return output.errorString();
    return {};
}

QSize DefaultPictureSize()
{
    // Whole pixels, as an image surface at a device pixel ratio of 1 has them.
    const auto pixels
        = [](float twips) { return static_cast<int>(std::ceil(twips / TwipsPerPixel)); };
    return QSize(pixels(LaidOutSurfaceWidth), pixels(LaidOutSurfaceHeight));
}

QImage DrawViewPicture(const LoadedProfile& profile, SceneView view, QSize size,
    const DrawOptions& options, const FailureMarks* marks, DrawOutcome& outcome)
{
    ImageSurface surface;
    if (!size.isEmpty()) {
        surface.SetSize(static_cast<float>(size.width() * TwipsPerPixel),
            static_cast<float>(size.height() * TwipsPerPixel), 1.0);
    }
    outcome = DrawMarkedScene(&profile, view, surface, options, marks);
    return surface.Image();
}

QImage DrawPicture(const LoadedProfile& profile, const PictureRequest& request,
    const FailureMarks* marks, DrawOutcome& outcome)
{
    const QSize size = request.Size.isEmpty() ? DefaultPictureSize() : request.Size;
    SceneView view;
    view.ViewWidth = UsableExtent(size.width() * TwipsPerPixel);
    view.ViewHeight = UsableExtent(size.height() * TwipsPerPixel);
    FitHeight(view, profile);
    ViewTowerAndIsland(view, &profile);
    const DrawOptions options { request.Samples,
        request.Lines == SightLines::Tower || request.Lines == SightLines::Both,
        request.Lines == SightLines::Island || request.Lines == SightLines::Both };
    return DrawViewPicture(profile, view, request.Size, options, marks, outcome);
}

QString DrawProblem(DrawOutcome outcome, const QString& file, double maxX)
{
    switch (outcome) {
    case DrawOutcome::NoPositiveX:
        return QCoreApplication::translate(
            "Picture", "%1: the profile has no vertex with x greater than 0, so it cannot be drawn")
            .arg(file);
    case DrawOutcome::XTooNarrow:
        return QCoreApplication::translate("Picture",
            "%1: the profile's largest x, %2, is too close to 0 to be drawn at any scale")
            .arg(file, QString::fromStdString(NumberText(maxX)));
    case DrawOutcome::NotLoaded:
    case DrawOutcome::Drawn:
        break;
    }
    return {};
}
