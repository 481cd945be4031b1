#pragma once

#include "render/drawscene.h"
#include "render/failuremarks.h"
#include "render/viewtransform.h"
#include "scene/loadresults.h"
#include "scene/profile.h"
#include "runsolver/solverrun.h"
#include "solve/verdict.h"
#include "ui/messagepresenter.h"

#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

class PictureBox;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPushButton;
class QTimer;

// The author and the address both information messages name.
inline constexpr const char* AuthorName = "the Morvadine developers";
inline constexpr const char* WebAddress = "https://morvadine.example.org/";
// The title of every message box.
inline constexpr const char* ApplicationTitle = "morvadine";

// The one window: the drawing surface `pic`, the view buttons, the sight-line check boxes,
// the sample bound, the legend with the coordinates; the profile shown and the view of it.
// Every control carries its name as its Qt object name.
class frmMain : public QWidget {
    Q_OBJECT

public:
    // `programFolder`: the executable's folder, whose ProgramPlaces say where calc.exe lies and
    // the work directory goes; `messages` shows the message boxes (a modal presenter when none
    // is given).
    explicit frmMain(QString programFolder, std::unique_ptr<MessagePresenter> messages = {},
                     QWidget* parent = nullptr);
    ~frmMain() override;

    // The profile shown, or none: none from a drop until its collection has fully succeeded,
    // so nothing draws a profile that is missing or half read.
    const LoadedProfile* Profile() const { return m_profile.get(); }
    const SceneView& View() const { return m_view; }
    // What is wrong with the answer shown, to mark: nothing while none is shown.
    const FailureMarks& Marks() const { return m_marks; }

    // The program run as the solver, calc.exe in the program folder unless set; and the
    // tolerance of the verdict the coordinate labels' tool tips give after a collection.
    void SetSolverProgram(const QString& program);
    void SetTolerance(double tolerance);

    void Form_Load();
    void Form_Resize();
    void Form_OLEDragDrop(const QMimeData* data);
    void pic_OLEDragDrop(const QMimeData* data);
    // Stages `path` with the solver and starts it; the collection follows on tmrDisplay.
    void RunSolver(const QString& path);
    void tmrDisplay_Timer();
    void cmdDraw_Click();
    void cmdDrawTower_Click();
    void chkLine1_Click();
    void chkLine2_Click();
    void cmdInfo_Click();
    void imgTamsel_Click();
    // Shows `profile` as a collection does, drawn to its own height and judged for the
    // marks, without touching the coordinate labels.
    DrawOutcome ShowProfile(std::shared_ptr<const LoadedProfile> profile);
    // Redraws the profile with the sample bound and check boxes as they stand now, and the
    // marks of what is wrong on top when they are asked for.
    DrawOutcome DrawScene();
    // Shows `visible` of the profile (none: the whole), keeping the rest of the view; nothing
    // without a profile. A resize keeps the range and fits it to the new size.
    void ShowRange(std::optional<DataRange> visible);
    // The picture's "Save picture..." once a file is chosen: what the picture shows, drawn
    // as a picture file of the picture box's size, written to `file` in the format its
    // extension names. A failure is shown in a message naming the file.
    bool SavePicture(const QString& file);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOutControls();
    DrawOptions DrawingOptions() const;
    void ShowCollected(const std::shared_ptr<const LoadedProfile>& profile,
        std::chrono::nanoseconds solverTime, int exitStatus);
    void ShowFailure(const QString& message);
    void ShowMessage(const QString& text, QMessageBox::Icon icon);
    // The picture's context menu, its actions named mnu... as the controls are.
    void BuildPictureMenu();
    void EnablePictureMenu();
    void MarkWhatIsWrong(bool on);
    void ZoomToProblem();
    void ZoomToUnseenSlope();
    using MarkedRange = std::optional<DataRange> (*)(const FailureMarks&, const DataRange&);
    void ZoomToMarked(MarkedRange framing);
    void ShowWholeProfile();
    void SavePictureAs();
    void CopyAnswer();

    std::shared_ptr<const LoadedProfile> m_profile;
    SceneView m_view;
    std::unique_ptr<MessagePresenter> m_messages;
    SolverRun m_solver;
    double m_tolerance;
    // The verdict on the answer shown, and what to mark of it; none while no answer is shown
    // or when it cannot be judged.
    std::optional<AnswerVerdict> m_verdict;
    FailureMarks m_marks;

    PictureBox* pic;
    QPushButton* cmdDraw;
    QLabel* lbl1;
    QLabel* lbl2;
    QLabel* lblT1;
    QLabel* lblT2;
    QPushButton* cmdDrawTower;
    QLabel* Label1;
    QLineEdit* txtMaxPoint;
    QCheckBox* chkLine1;
    QCheckBox* chkLine2;
    QPushButton* cmdInfo;
    QLabel* imgTamsel;
    QTimer* tmrDisplay;
    QMenu* mnuPicture;
    QAction* mnuMarkWrong;
    QAction* mnuZoomProblem;
    QAction* mnuZoomSlope;
    QAction* mnuWholeProfile;
    QAction* mnuSavePicture;
    QAction* mnuCopyAnswer;
};
