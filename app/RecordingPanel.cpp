#include "app/RecordingPanel.h"

#include <QEvent>
#include <QHBoxLayout>

#include "app/QtShell.h"
#include "app/RecordListFrm.h"
#include "controls/ControlTips.h"
#include "controls/SkinButton.h"
#include "recording/KeystrokeRecorder.h"
#include "recording/RecordingTexts.h"

namespace tambrel {

namespace rt = recording_texts;

namespace {
constexpr int kButtonSide = 28;

QString Q(std::string_view s) { return FromCore(s); }

void SetPictures(SkinButton* b, std::string_view picture) {
    b->SetPictureName(Q(picture) + "_Up");
    b->SetPictureDownName(Q(picture) + "_Dn");
}

} // namespace

RecordingPanel::RecordingPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("RecordingPanel");
    setAccessibleName(Q(rt::kPanelHeading));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);

    auto* heading = new QLabel(Q(rt::kPanelHeading), this);
    heading->setTextFormat(Qt::PlainText);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    row->addWidget(heading);
    row->addSpacing(4);

    for (std::size_t i = 0; i < recordBtn.size(); ++i) {
        recordBtn[i] = MakeButton(rt::kRecordButtons[i].name, rt::kRecordButtons[i].caption, rt::kRecordButtons[i].tip);
        SetPictures(recordBtn[i], rt::kRecordPictures[i]);
        row->addWidget(recordBtn[i]);
    }
    connect(recordBtn[0], &SkinButton::clicked, this, [this] {
        if (recorder_) recorder_->StartRecording();
    });
    connect(recordBtn[1], &SkinButton::clicked, this, [this] {
        if (recorder_) recorder_->StopRecording();
    });
    const std::array<std::string_view, 3> pictures{rt::kPlayPicture, rt::kPausePicture, rt::kStopPicture};
    for (std::size_t i = 0; i < playBackBtn.size(); ++i) {
        playBackBtn[i] =
            MakeButton(rt::kPlayBackButtons[i].name, rt::kPlayBackButtons[i].caption, rt::kPlayBackButtons[i].tip);
        SetPictures(playBackBtn[i], pictures[i]);
        const auto action = static_cast<std::int32_t>(i);
        connect(playBackBtn[i], &SkinButton::clicked, this, [this, action] {
            if (recorder_) recorder_->PlayBackControl(action);
        });
        row->addWidget(playBackBtn[i]);
    }

    loopChk = new QCheckBox(Q(rt::kLoopCaption), this);
    loopChk->setObjectName(Q(rt::kLoopCheck.name));
    loopChk->setAccessibleName(Q(rt::kLoopCheck.caption));
    SetControlTip(loopChk, Q(rt::kLoopCheck.tip));
    loopChk->setFocusPolicy(Qt::TabFocus);
    loopChk->installEventFilter(this);
    connect(loopChk, &QCheckBox::toggled, this, [this](bool on) {
        if (recorder_) recorder_->SetLoop(on);
    });
    row->addWidget(loopChk);

    listBtn = MakeButton(rt::kListButton.name, rt::kListButton.caption, rt::kListButton.tip);
    SetPictures(listBtn, rt::kListPicture);
    connect(listBtn, &SkinButton::clicked, this, &RecordingPanel::OpenRecordingList);
    row->addWidget(listBtn);

    curRecLbl = new QLabel(this);
    curRecLbl->setObjectName(Q(rt::kCurrentLabel.name));
    curRecLbl->setTextFormat(Qt::PlainText);
    curRecLbl->setAccessibleName(Q(rt::kCurrentLabel.caption));
    // Room for a usual name with " [Now recording]", so the panel does not
    // jump when recording starts.
    curRecLbl->setMinimumWidth(curRecLbl->fontMetrics().horizontalAdvance("First Recording [Now recording]") + 8);
    SetControlTip(curRecLbl, Q(rt::kCurrentLabel.tip));
    curRecLbl->installEventFilter(this);
    row->addWidget(curRecLbl, 1);
    Render();
}

SkinButton* RecordingPanel::MakeButton(std::string_view name, std::string_view caption, std::string_view tip) {
    auto* b = new SkinButton(this);
    b->setObjectName(Q(name));
    b->setAccessibleName(Q(caption));
    b->SetTip(Q(tip));
    b->setFixedSize(kButtonSide, kButtonSide);
    // A click leaves the focus where it was: keys typed next play, and a
    // Space meant for a drum never stops the take through a focused button.
    b->setFocusPolicy(Qt::TabFocus);
    b->installEventFilter(this);
    return b;
}

void RecordingPanel::SetRecorder(KeystrokeRecorder* recorder) {
    recorder_ = recorder;
    Render();
}

void RecordingPanel::Render() {
    KeystrokeRecorder::Panel p;
    if (recorder_) p = recorder_->PanelState();
    // Record items 0 and 1 share one place: the one that can be pressed shows.
    const bool stopShows = p.recordStop;
    const bool hadFocus = recordBtn[0]->hasFocus() || recordBtn[1]->hasFocus();
    recordBtn[0]->setVisible(!stopShows);
    recordBtn[1]->setVisible(stopShows);
    recordBtn[0]->setEnabled(recorder_ && p.recordStart);
    recordBtn[1]->setEnabled(recorder_ && p.recordStop);
    if (hadFocus) recordBtn[stopShows ? 1 : 0]->setFocus();

    const std::array<bool, 3> available{p.play, p.pauseResume, p.stop};
    for (std::size_t i = 0; i < playBackBtn.size(); ++i) playBackBtn[i]->setEnabled(recorder_ && available[i]);
    SetPictures(playBackBtn[1], p.pausedImage ? rt::kResumePicture : rt::kPausePicture);
    playBackBtn[1]->setAccessibleName(Q(p.pausedImage ? rt::kResumeCaption : rt::kPlayBackButtons[1].caption));

    listBtn->setEnabled(recorder_ != nullptr);
    loopChk->setEnabled(recorder_ != nullptr);
    if (recorder_ && loopChk->isChecked() != recorder_->Loop()) {
        const QSignalBlocker quiet(loopChk);
        loopChk->setChecked(recorder_->Loop());
    }
    curRecLbl->setText(Q(p.label));
}

void RecordingPanel::OpenRecordingList() {
    if (!recorder_ || !recorder_->OpenRecordingList()) return;
    RecordListFrm dialog(*recorder_, window());
    emit DialogOpening(&dialog);
    dialog.exec();
    recorder_->CloseRecordingList();
}

bool RecordingPanel::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Enter)
        if (auto* w = qobject_cast<QWidget*>(watched)) emit TipChanged(w->statusTip());
    return QWidget::eventFilter(watched, e);
}

} // namespace tambrel
