#pragma once

#include "render/drawscene.h"
#include "render/failuremarks.h"
#include "render/imagesurface.h"
#include "render/val.h"
#include "render/viewtransform.h"
#include "scene/loadresults.h"
#include "ui/frmmain.h"
#include "ui/messagepresenter.h"
#include "ui/picturebox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QList>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <string>

// Helpers shared by the tests that drive the whole window.

// Keeps, in order, what the window would have shown in its modal message boxes, so a test
// reads the messages instead of being stopped by them. The list it writes to belongs to the
// test and must outlive the window.
class RecordingPresenter : public MessagePresenter {
public:
    explicit RecordingPresenter(QList<MessageBoxContent>& shown)
        : m_shown(&shown)
    {
    }
    // For tests that only read the texts.
    explicit RecordingPresenter(QStringList& shownTexts)
        : m_shownTexts(&shownTexts)
    {
    }

    void Show(QWidget*, const MessageBoxContent& message) override
    {
        if (m_shown)
            m_shown->append(message);
        else
            m_shownTexts->append(message.Text);
    }

private:
    QList<MessageBoxContent>* m_shown = nullptr;
    QStringList* m_shownTexts = nullptr;
};

// Shows the scene of `points` and `result` in `form` the way a collection does, without a
// solver run: both files are written to `folder` and loaded from there.
inline void LoadScene(
    frmMain& form, const std::filesystem::path& folder, const std::string& points,
    const std::string& result)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / PointFileName) << points;
    std::ofstream(folder / ResultFileName) << result;
    form.ShowProfile(LoadResults(folder));
}

// What the picture box of `form` must show after a redraw: the window's scene drawn afresh with
// the controls as they stand now, and `marks` on top if given, on a surface of the picture
// box's size and colours.
inline QImage ExpectedPicture(frmMain& form, const FailureMarks* marks = nullptr)
{
    auto* pic = form.findChild<PictureBox*>(QStringLiteral("pic"));
    const QImage& shown = pic->Image();
    const qreal ratio = shown.devicePixelRatio();
    ImageSurface surface;
    surface.SetSystemColours(
        pic->palette().color(QPalette::Base), pic->palette().color(QPalette::Text));
    surface.SetSize(static_cast<float>(shown.width() * TwipsPerPixel / ratio),
        static_cast<float>(shown.height() * TwipsPerPixel / ratio), ratio);
    const auto ticked = [&form](const char* name) {
        return form.findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked();
    };
    const DrawOptions options {
        RoundToInt32(
            Val(form.findChild<QLineEdit*>(QStringLiteral("txtMaxPoint"))->text().toStdString())),
        ticked("chkLine1"), ticked("chkLine2")
    };
    SceneView view = form.View();
    DrawMarkedScene(form.Profile(), view, surface, options, marks);
    return surface.Image();
}
