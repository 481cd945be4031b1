#pragma once

#include "render/drawscene.h"
#include "render/failuremarks.h"
#include "render/viewtransform.h"
#include "scene/profile.h"

#include <QImage>
#include <QSize>
#include <QString>

// The sample count the window starts with, and a picture file's unless told otherwise.
inline constexpr int DefaultSampleCount = 200;

enum class SightLines { None, Tower, Island, Both };

// How the check mode draws its picture files.
struct PictureRequest {
    // Where each picture goes; NamePlaceholder in it stands for the input file's name.
    // Empty for no pictures.
    QString Pattern;
    // In pixels; empty for the window's drawing surface as laid out (ImageSurface's own size).
    QSize Size;
    int Samples = DefaultSampleCount;
    SightLines Lines = SightLines::None;
    // Whether what is wrong with the answer is marked on top.
    bool Marks = false;
};

inline constexpr const char* NamePlaceholder = "{name}";

// The picture file for `inputFile`: `pattern` with each NamePlaceholder replaced by the
// input's file name without its folder and its last extension ("profiles/a.in" gives "a").
QString PictureFile(const QString& pattern, const QString& inputFile);

// Writes `image` to `file`, in the format its extension names, all or nothing: into a
// temporary file beside it that replaces it once complete, so that a failed write leaves
// `file` as it was and no part of a picture anywhere. A link is followed and the file it
// names replaced, never written into; a name that stands for anything but a plain file is
// refused. Returns why the picture could not be written, or an empty string.
QString WritePicture(const QImage& image, const QString& file);

// The size of a picture whose request names none, in pixels.
QSize DefaultPictureSize();

// `profile` drawn by DrawMarkedScene with `options` and `marks` (none for no marks) as `view`
// lays it out, its visible range included, on an image surface of `size` pixels (empty for
// the default) at a device pixel ratio of 1, in the default window colours (black on white).
// `outcome` tells whether the profile could be drawn at all.
QImage DrawViewPicture(const LoadedProfile& profile, SceneView view, QSize size,
    const DrawOptions& options, const FailureMarks* marks, DrawOutcome& outcome);

// The tower-and-island view of `profile` as DrawViewPicture draws it at the requested size,
// through a whole view of its own laid out as the window would lay out its own.
QImage DrawPicture(const LoadedProfile& profile, const PictureRequest& request,
    const FailureMarks* marks, DrawOutcome& outcome);

// Why a loaded profile could not be drawn, as the window and the check mode report it: empty
// for a drawing that succeeded.
QString DrawProblem(DrawOutcome outcome, const QString& file, double maxX);
