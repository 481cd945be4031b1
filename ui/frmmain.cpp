#include "ui/frmmain.h"

#include "app/picture.h"
#include "app/verdicttext.h"
#include "render/val.h"
#include "render/viewtransform.h"
#include "runsolver/messagetext.h"
#include "ui/picturebox.h"
#include "ui/windowgeometry.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTextStream>
#include <QTimer>

namespace {

const QString UsageSentence = QStringLiteral(
    "将输入数据文件拖入窗体中，即可显示数据图形。请将本程序和calc.exe保存在同一文件夹下。");

// Places a control by its layout in twips.
void Place(QWidget* control, const QRect& twips)
{
    control->setGeometry(twips.x() / TwipsPerPixel, twips.y() / TwipsPerPixel,
                         twips.width() / TwipsPerPixel, twips.height() / TwipsPerPixel);
}

template <class Control>
Control* Make(QWidget* window, const char* name, const QString& caption, const QRect& twips)
{
    auto* control = new Control(caption, window);
    control->setObjectName(QString::fromLatin1(name));
    Place(control, twips);
    return control;
}

// The coordinate labels were laid out for "(0.00,0.00)"; a load brings longer texts.
void ShowCoordinates(QLabel* label, const std::string& caption)
{
    label->setText(QString::fromStdString(caption));
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

// Whether the picture marks what is wrong, kept between runs.
const QString MarkSetting = QStringLiteral("picture/markWhatIsWrong");

QColor ToQColor(Colour colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// A wrong placement's coordinates in the marks' colour, its tool tip telling how to see why;
// a right one's in the window's text colour.
void ShowJudged(QLabel* label, const QString& tip, bool wrong)
{
    if (!wrong) {
        label->setPalette(QPalette());
        label->setToolTip(tip);
        return;
    }
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(MarkColour));
    label->setPalette(palette);
    label->setToolTip(tip + QLatin1Char('\n')
        + QCoreApplication::translate("MarkedFailure", "right-click the picture to mark it"));
}

} // namespace

frmMain::frmMain(QString programFolder, std::unique_ptr<MessagePresenter> messages, QWidget* parent)
    : QWidget(parent)
    , m_messages(messages ? std::move(messages) : std::make_unique<ModalMessagePresenter>())
    , m_solver(std::move(programFolder))
    , m_tolerance(DefaultTolerance)
{
    Q_INIT_RESOURCE(resources); // the icon lives in a static library
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Morvadine"));
    setWindowIcon(QIcon(QStringLiteral(":/morvadine.png")));
    setAcceptDrops(true);
    QFont captions = font();
    captions.setPixelSize(12);
    setFont(captions);

    LayOutControls();
    BuildPictureMenu();

    connect(pic, &PictureBox::OLEDragDrop, this, &frmMain::pic_OLEDragDrop);
    connect(pic, &PictureBox::VisibleRangeRequested, this, &frmMain::ShowRange);
    connect(cmdDraw, &QPushButton::clicked, this, &frmMain::cmdDraw_Click);
    connect(cmdDrawTower, &QPushButton::clicked, this, &frmMain::cmdDrawTower_Click);
    connect(chkLine1, &QCheckBox::stateChanged, this, &frmMain::chkLine1_Click);
    connect(chkLine2, &QCheckBox::stateChanged, this, &frmMain::chkLine2_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frmMain::cmdInfo_Click);
    connect(tmrDisplay, &QTimer::timeout, this, &frmMain::tmrDisplay_Timer);
    connect(&m_solver, &SolverRun::Collected, this, &frmMain::ShowCollected);
    connect(&m_solver, &SolverRun::Failed, this, &frmMain::ShowFailure);
    connect(&m_solver, &SolverRun::WaitingChanged, this, [this](bool waiting) {
        if (waiting)
            setCursor(Qt::BusyCursor);
        else
            unsetCursor();
    });
    // cmdInfo is the window's cancel button: Esc opens the instructions from anywhere.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdInfo, &QPushButton::click);

    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::SetSolverProgram(const QString& program)
{
    m_solver.SetSolverProgram(program);
}

void frmMain::SetTolerance(double tolerance)
{
    m_tolerance = tolerance;
}

void frmMain::LayOutControls()
{
    resize(9540 / TwipsPerPixel, 4260 / TwipsPerPixel);

    // Created in tab order, after the badge, which lies beneath them.
    imgTamsel = Make<QLabel>(this, "imgTamsel", QString(), {0, 0, 255, 255});
    imgTamsel->installEventFilter(this);

    pic = new PictureBox(this);
    pic->setObjectName(QStringLiteral("pic"));
    pic->move(120 / TwipsPerPixel, 600 / TwipsPerPixel);
    pic->SetSizeTwips(LaidOutSurfaceWidth, LaidOutSurfaceHeight);

    cmdDraw = Make<QPushButton>(this, "cmdDraw", QStringLiteral("只显示山脉"), {480, 120, 1215, 375});
    lbl1 = Make<QLabel>(this, "lbl1", QStringLiteral("瞭望塔"), {7560, 120, 540, 180});
    lbl2 = Make<QLabel>(this, "lbl2", QStringLiteral("浮空岛"), {7560, 360, 540, 180});
    lblT1 = Make<QLabel>(this, "lblT1", QStringLiteral("(0.00,0.00)"), {8160, 120, 990, 180});
    lblT2 = Make<QLabel>(this, "lblT2", QStringLiteral("(0.00,0.00)"), {8160, 360, 990, 180});
    cmdDrawTower = Make<QPushButton>(this, "cmdDrawTower", QStringLiteral("显示塔和岛"), {1800, 120, 1215, 375});
    Label1 = Make<QLabel>(this, "Label1", QStringLiteral("最大采样"), {5760, 120, 720, 180});
    txtMaxPoint = Make<QLineEdit>(this, "txtMaxPoint", QString::number(DefaultSampleCount), {6600, 120, 855, 270});
    chkLine1 = Make<QCheckBox>(this, "chkLine1", QStringLiteral("显示塔视线"), {4440, 0, 1215, 255});
    chkLine2 = Make<QCheckBox>(this, "chkLine2", QStringLiteral("显示岛视线"), {4440, 240, 1215, 255});
    cmdInfo = Make<QPushButton>(this, "cmdInfo", QStringLiteral("使用说明"), {3120, 120, 1215, 375});

    QPalette legend = lbl1->palette();
    legend.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lbl1->setPalette(legend);
    legend.setColor(QPalette::WindowText, QColor(255, 0, 0));
    lbl2->setPalette(legend);

    // A file dragged over the text box must reach the window, not be pasted as its path.
    txtMaxPoint->setAcceptDrops(false);
    cmdDraw->setEnabled(false);
    cmdDrawTower->setEnabled(false);
    for (QPushButton* button : {cmdDraw, cmdDrawTower, cmdInfo})
        button->setAutoDefault(false);

    QWidget* const tabOrder[] = {pic, cmdDraw, cmdDrawTower, txtMaxPoint, chkLine1, chkLine2, cmdInfo};
    for (std::size_t k = 1; k < std::size(tabOrder); ++k)
        setTabOrder(tabOrder[k - 1], tabOrder[k]);

    tmrDisplay = new QTimer(this);
    tmrDisplay->setObjectName(QStringLiteral("tmrDisplay"));
    tmrDisplay->setInterval(500);
    tmrDisplay->setSingleShot(true);
}

void frmMain::Form_Load()
{
    m_profile.reset();
    m_view.ShowTower = false;
    const QPixmap icon = windowIcon().pixmap(48, 48);
    imgTamsel->setPixmap(icon);
    // The badge shows the picture at its own size, reaching under cmdDraw and pic.
    imgTamsel->resize(icon.deviceIndependentSize().toSize());
    imgTamsel->lower();
}

void frmMain::Form_Resize()
{
    const SurfaceSize size = SurfaceSizeForWindow(width() * TwipsPerPixel + FrameWidthTwips,
                                                  height() * TwipsPerPixel + FrameHeightTwips);
    pic->SetSizeTwips(size.Width, size.Height);
    m_view.ViewWidth = UsableExtent(pic->WidthTwips());
    m_view.ViewHeight = UsableExtent(pic->HeightTwips());
    if (m_profile)
        DrawScene();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (HasFileList(event->mimeData()))
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    Form_OLEDragDrop(event->mimeData());
}

void frmMain::pic_OLEDragDrop(const QMimeData* data)
{
    Form_OLEDragDrop(data);
}

void frmMain::Form_OLEDragDrop(const QMimeData* data)
{
    if (!HasFileList(data))
        return;
    RunSolver(data->urls().first().toLocalFile());
}

void frmMain::RunSolver(const QString& path)
{
    cmdDraw->setEnabled(false);
    cmdDrawTower->setEnabled(false);
    m_profile.reset();
    m_verdict.reset();
    m_marks = {};
    EnablePictureMenu();
    pic->SetShown(nullptr, m_view);
    ResetZoom(m_view);
    tmrDisplay->stop();
    unsetCursor();
    const QString problem = m_solver.Start(path, SolverRun::PointReading::Ahead);
    if (!problem.isEmpty()) {
        // Shown once the drop event has returned: a box opened inside it would hold the
        // drag, and the program the file came from, until it is answered.
        QMetaObject::invokeMethod(this, [this, problem] { ShowFailure(problem); }, Qt::QueuedConnection);
        return;
    }
    tmrDisplay->start();
}

void frmMain::tmrDisplay_Timer()
{
    tmrDisplay->stop();
    m_solver.Collect();
}

void frmMain::ShowCollected(
    const std::shared_ptr<const LoadedProfile>& profile, std::chrono::nanoseconds solverTime,
    int exitStatus)
{
    const CoordinateCaptions captions = CaptionsOf(*profile);
    ShowCoordinates(lblT1, captions.Tower);
    ShowCoordinates(lblT2, captions.Island);
    // No control moves, so a long coordinate can only be read if the window makes room.
    const int labelsEnd = std::max(lblT1->geometry().right(), lblT2->geometry().right()) + 1;
    const int rightMargin = 120 / TwipsPerPixel;
    if (labelsEnd + rightMargin > width())
        resize(labelsEnd + rightMargin, height());
    const DrawOutcome outcome = ShowProfile(profile);
    cmdDraw->setEnabled(true);
    cmdDrawTower->setEnabled(true);
    const AnswerTips tips = AnswerToolTips(m_verdict, solverTime, exitStatus);
    ShowJudged(lblT1, tips.Tower, m_marks.Tower.has_value());
    ShowJudged(lblT2, tips.Island, m_marks.Island.has_value());
    // Shown all the same, as the solver left it; the terminal it was started from hears why
    // the answer may not be what the solver meant.
    if (exitStatus != 0) {
        QTextStream(stderr) << QCoreApplication::translate("frmMain", "%1: %2: %3")
                                   .arg(QLatin1String(ApplicationTitle), m_solver.DroppedFile(),
                                       ExitStatusSentence(exitStatus))
                            << Qt::endl;
    }
    const QString problem
        = DrawProblem(outcome, m_solver.DroppedFile(), profile->Extents.MaxX);
    if (!problem.isEmpty())
        ShowMessage(problem, QMessageBox::Warning);
}

void frmMain::ShowFailure(const QString& message)
{
    ShowMessage(message, QMessageBox::Warning);
}

DrawOutcome frmMain::ShowProfile(std::shared_ptr<const LoadedProfile> profile)
{
    m_profile = std::move(profile);
    m_verdict = JudgeScene(*m_profile, m_tolerance);
    m_marks = m_verdict ? MarksOf(*m_verdict) : FailureMarks{};
    EnablePictureMenu();
    FitHeight(m_view, *m_profile);
    ResetZoom(m_view);
    return DrawScene();
}

// The sample bound is read afresh for each drawing, leniently, as a number the user typed;
// the sight-line boxes have two states only, and nothing in the window greys them.
DrawOptions frmMain::DrawingOptions() const
{
    return { RoundToInt32(Val(txtMaxPoint->text().toStdString())), chkLine1->isChecked(),
        chkLine2->isChecked() };
}

// Marked, the tower view is raised to the best places for this drawing alone: the height the
// window fitted stays, so that unmarking, a resize or a new profile starts from it, while the
// scales and what the picture navigates are those of the picture drawn.
DrawOutcome frmMain::DrawScene()
{
    const double fittedHeight = m_view.MaxY;
    const DrawOutcome outcome = DrawMarkedScene(m_profile.get(), m_view, pic->Surface(),
        DrawingOptions(), mnuMarkWrong->isChecked() ? &m_marks : nullptr);
    pic->SetShown(outcome == DrawOutcome::Drawn ? m_profile : nullptr, m_view);
    m_view.MaxY = fittedHeight;
    pic->update();
    return outcome;
}

void frmMain::ShowRange(std::optional<DataRange> visible)
{
    if (!m_profile)
        return;
    m_view.Visible = visible;
    DrawScene();
}

void frmMain::cmdDraw_Click()
{
    ViewMountainsOnly(m_view, m_profile.get());
    ResetZoom(m_view);
    DrawScene();
}

void frmMain::cmdDrawTower_Click()
{
    ViewTowerAndIsland(m_view, m_profile.get());
    ResetZoom(m_view);
    DrawScene();
}

void frmMain::chkLine1_Click()
{
    DrawScene();
}

void frmMain::chkLine2_Click()
{
    DrawScene();
}

void frmMain::cmdInfo_Click()
{
    ShowMessage(UsageSentence + QStringLiteral("\r\n作者 ") + QString::fromUtf8(AuthorName)
                    + QStringLiteral("\r\n") + QString::fromUtf8(WebAddress),
                QMessageBox::Information);
}

void frmMain::imgTamsel_Click()
{
    ShowMessage(QStringLiteral("欢迎访问") + QString::fromUtf8(WebAddress), QMessageBox::Information);
}

void frmMain::ShowMessage(const QString& text, QMessageBox::Icon icon)
{
    m_messages->Show(this, MessageBoxContent{QString::fromLatin1(ApplicationTitle), text, icon,
                                             QMessageBox::Ok});
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    // A click is a left button released over the badge; a release dragged off it, or of
    // another button, is none.
    if (watched == imgTamsel && event->type() == QEvent::MouseButtonRelease) {
        const auto* release = static_cast<QMouseEvent*>(event);
        const bool inside = imgTamsel->rect().contains(release->position().toPoint());
        if (release->button() == Qt::LeftButton && inside)
            imgTamsel_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::BuildPictureMenu()
{
    mnuPicture = new QMenu(this);
    mnuPicture->setObjectName(QStringLiteral("mnuPicture"));
    const auto add = [this](const char* name, const QString& text, void (frmMain::*handler)()) {
        QAction* action = mnuPicture->addAction(text, this, handler);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuMarkWrong = mnuPicture->addAction(
        QCoreApplication::translate("MarkedFailure", "Mark what is wrong"));
    mnuMarkWrong->setObjectName(QStringLiteral("mnuMarkWrong"));
    mnuMarkWrong->setCheckable(true);
    mnuMarkWrong->setChecked(QSettings().value(MarkSetting, false).toBool());
    connect(mnuMarkWrong, &QAction::toggled, this, &frmMain::MarkWhatIsWrong);
    mnuZoomProblem = add("mnuZoomProblem",
        QCoreApplication::translate("MarkedFailure", "Zoom to the problem"),
        &frmMain::ZoomToProblem);
    mnuZoomSlope = add("mnuZoomSlope",
        QCoreApplication::translate("MarkedFailure", "Zoom to the unseen slope"),
        &frmMain::ZoomToUnseenSlope);
    mnuWholeProfile = add("mnuWholeProfile",
        QCoreApplication::translate("MarkedFailure", "Whole profile"), &frmMain::ShowWholeProfile);
    mnuPicture->addSeparator();
    mnuSavePicture = add("mnuSavePicture",
        QCoreApplication::translate("MarkedFailure", "Save picture..."), &frmMain::SavePictureAs);
    mnuCopyAnswer = add("mnuCopyAnswer",
        QCoreApplication::translate("MarkedFailure", "Copy answer"), &frmMain::CopyAnswer);
    connect(pic, &PictureBox::MenuRequested, mnuPicture,
        [this](QPoint globalPosition) { mnuPicture->popup(globalPosition); });
    EnablePictureMenu();
}

void frmMain::EnablePictureMenu()
{
    for (QAction* action : {mnuWholeProfile, mnuSavePicture, mnuCopyAnswer})
        action->setEnabled(m_profile != nullptr);
    mnuZoomProblem->setEnabled(m_profile && m_marks.Any());
    mnuZoomSlope->setEnabled(m_profile && m_marks.FirstUnseenSlope());
}

void frmMain::MarkWhatIsWrong(bool on)
{
    QSettings().setValue(MarkSetting, on);
    if (!m_profile)
        return;
    // Unmarked, a range zoomed into the raised part lies beyond the whole: fit it back in.
    if (!on && m_view.Visible) {
        const DataRange whole = WholeRange(m_view, m_profile->Extents.MaxX);
        const DataRange fitted = ZoomTo(*m_view.Visible, whole);
        m_view.Visible = fitted == whole ? std::nullopt : std::optional(fitted);
    }
    DrawScene();
}

void frmMain::ZoomToProblem()
{
    ZoomToMarked(&ProblemRange);
}

void frmMain::ZoomToUnseenSlope()
{
    ZoomToMarked(&UnseenSlopeRange);
}

// The problem involves the markers, so they are shown, and marked, whatever the view was.
void frmMain::ZoomToMarked(MarkedRange framing)
{
    if (!m_profile)
        return;
    ViewTowerAndIsland(m_view, m_profile.get());
    SceneView marked = m_view;
    FitBestPlaces(marked, m_marks);
    const std::optional<DataRange> range
        = framing(m_marks, WholeRange(marked, m_profile->Extents.MaxX));
    if (!range)
        return;
    m_view.Visible = *range;
    if (mnuMarkWrong->isChecked())
        DrawScene();
    else
        mnuMarkWrong->setChecked(true); // which redraws
}

void frmMain::ShowWholeProfile()
{
    ShowRange(std::nullopt);
}

// Offered beside the dropped file, named after it, as --picture '{name}.png' would name it.
void frmMain::SavePictureAs()
{
    const QString dropped = m_solver.DroppedFile();
    const QString pattern = QLatin1String(NamePlaceholder) + QStringLiteral(".png");
    const QString offered = dropped.isEmpty()
        ? QString()
        : QFileInfo(dropped).dir().filePath(PictureFile(pattern, dropped));
    QString file = QFileDialog::getSaveFileName(this,
        QCoreApplication::translate("MarkedFailure", "Save picture"), offered,
        QCoreApplication::translate("MarkedFailure", "PNG pictures (*.png)"));
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".png");
    SavePicture(file);
}

bool frmMain::SavePicture(const QString& file)
{
    if (!m_profile)
        return false;
    DrawOutcome outcome = DrawOutcome::NotLoaded;
    const QImage picture = DrawViewPicture(*m_profile, m_view, pic->size(), DrawingOptions(),
        mnuMarkWrong->isChecked() ? &m_marks : nullptr, outcome);
    const QString problem = WritePicture(picture, file);
    if (problem.isEmpty())
        return true;
    ShowMessage(QCoreApplication::translate("MarkedFailure", "cannot save the picture %1: %2")
                    .arg(file, problem),
        QMessageBox::Warning);
    return false;
}

void frmMain::CopyAnswer()
{
    if (m_profile)
        QGuiApplication::clipboard()->setText(AnswerText(*m_profile));
}
