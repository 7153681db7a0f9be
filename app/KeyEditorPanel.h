#pragma once
// The "Current Key's Play Assignment" panel and the buttons beside it. It
// renders only the editor's KeyEditorView and hands every act of the user to
// one KeyEditor or EditorButtons command; it holds no rule of its own.
// While it renders, its controls' signals are blocked, so showing a value
// never runs a command. User-interface thread.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QWidget>

#include <array>
#include <functional>

#include "editor/KeyEditorView.h"

namespace tambrel {

class Program;
class TimerHost;
class SkinButton;
class OptionBall;
class TransDisplay;

// A label that toggles the check box beside it through its own command.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr);
signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

class KeyEditorPanel : public QWidget {
    Q_OBJECT
public:
    explicit KeyEditorPanel(QWidget* parent = nullptr);

    void SetProgram(Program* program);
    // The timers the arrows repeat on; nullptr: their own.
    void SetTimerHost(TimerHost* host);
    // Where the lists give the focus back to when the view asks for it.
    QWidget* focusBack = nullptr;

    // The ShowPlayAssignment notice: the editor's display routine, then render.
    void ShowPlayAssignment();
    // Renders the editor's current view.
    void Render();
    void ShowInputOnOff();
    // The MIDI output's DLS remark shows or not (notice::ShowDslRemark).
    void ShowDslRemark(bool visible);
    const KeyEditorView& Shown() const { return view_; }

signals:
    // The status tip of the hovered control.
    void TipChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QWidget* BuildWave();
    QWidget* BuildMidi();
    QWidget* BuildAction();
    QWidget* BuildButtons();
    SkinButton* MakeButton(const QString& caption, const QString& tipName, QWidget* parent);
    SkinButton* MakeArrow(bool up, const QString& tipName, QWidget* parent);
    // Tooltip, status tip, accessible name and description of one control.
    void Tip(QWidget* w, const QString& tipName, const QString& name);
    void RenderView(const KeyEditorView& v);
    void RenderWave(const WavePanelView& w);
    void RenderMidi(const MidiPanelView& m);
    void RenderAction(const ActionPanelView& a);
    // Runs a command, then shows what the editor shows now.
    void Act(const std::function<void()>& command);
    void GiveFocusBack();
    void FitPages();

    // The controls; each carries its name (objectName), by which tests find it.
    QStackedWidget* layers = nullptr; // 0 hint, 1 editor
    QLabel* hintLbl = nullptr;
    QLabel* curKeyLbl = nullptr;
    std::array<SkinButton*, 4> sourceBtn{};
    QStackedWidget* sourceFrames = nullptr; // 0 none, 1 wave, 2 midi, 3 action, 4 empty
    QLabel* noneNote = nullptr;
    // wave
    QLabel* fileNameRemLbl = nullptr;
    QLabel* fileNameLbl = nullptr;
    SkinButton* selectFileBtn = nullptr;
    QLabel* waveDur = nullptr;
    QCheckBox* saveInFileChk = nullptr;
    ClickLabel* saveInFileLbl = nullptr;
    QCheckBox* waveMuteChk = nullptr;
    ClickLabel* waveMuteLbl = nullptr;
    std::array<SkinButton*, 4> styleBtn{};
    QStackedWidget* styleFrames = nullptr; // 0..3, 4 empty
    QCheckBox* allowDupChk = nullptr;
    ClickLabel* allowDupLbl = nullptr;
    QLineEdit* multiTimLst = nullptr;
    std::array<QRadioButton*, 2> loopOption{};
    QLineEdit* loopTimes = nullptr;
    QComboBox* queueCmb = nullptr;
    std::array<QRadioButton*, 3> queueDup{};
    // MIDI
    QCheckBox* midiMuteChk = nullptr;
    ClickLabel* midiMuteLbl = nullptr;
    OptionBall* drumOpn = nullptr;
    QLabel* instruLbl = nullptr;
    QComboBox* instruCmb = nullptr;
    QLabel* drumBankLbl = nullptr;
    QComboBox* drumCmb = nullptr;
    QLabel* keyNoLbl = nullptr;
    TransDisplay* keyTxt = nullptr;
    std::array<SkinButton*, 2> keyUp{};
    QLabel* drumName = nullptr;
    TransDisplay* velosTxt = nullptr;
    std::array<SkinButton*, 2> velosUp{};
    QLabel* durLbl = nullptr;
    TransDisplay* durTxt = nullptr;
    std::array<SkinButton*, 2> durUp{};
    SkinButton* midiStyleBtn = nullptr;
    // action
    QComboBox* actCmdCmb = nullptr;
    QLabel* actSub1Lbl = nullptr;
    QComboBox* actSub1Cmb = nullptr;
    QLabel* dslLbl = nullptr;
    // the buttons beside
    SkinButton* playBtn = nullptr;
    std::array<SkinButton*, 3> stopBtn{};
    OptionBall* inputOpn = nullptr;
    ClickLabel* inputLbl = nullptr;
    SkinButton* detectBtn = nullptr;

    Program* program_ = nullptr;
    TimerHost* host_ = nullptr;
    QStyle* indicatorStyle_ = nullptr; // the skin's check and option pictures
    KeyEditorView view_;
    bool dslRemark_ = false;
};

} // namespace tambrel
