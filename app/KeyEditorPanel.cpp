#include "app/KeyEditorPanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/QtShell.h"
#include "controls/ImageProcessFrm.h"
#include "controls/OptionBall.h"
#include "controls/SkinButton.h"
#include "controls/SuperLabel.h"
#include "controls/TransDisplay.h"
#include "editor/EditorButtons.h"
#include "editor/KeyEditor.h"
#include "editor/StatusTips.h"
#include "session/Program.h"

namespace tambrel {

namespace {
constexpr int kArrowFirstMs = 250, kArrowNextMs = 75;
constexpr int kButtonHeight = 24;

QString Q(std::string_view s) { return FromCore(s); }

QColor ToQColor(Rgb c) { return QColor(c.R, c.G, c.B); }

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setAccessibleName(text);
    return l;
}

// A section heading: its caption over the skin's heading strip.
QLabel* Heading(const QString& text, QWidget* parent) {
    auto* l = new SuperLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->SetCaption(text);
    l->setAccessibleName(text);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->SetLblTop(1);
    l->setContentsMargins(6, 0, 0, 0);
    l->setFixedHeight(QFontMetrics(f).height() + 5);
    l->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return l;
}

// Check boxes and option buttons drawn with the skin's Check_ and Option_
// pictures, so they match the skinned buttons and follow the skin.
class SkinIndicatorStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const override {
        const bool on = opt->state & State_On;
        const char* name = pe == PE_IndicatorCheckBox      ? (on ? "Check_On" : "Check_Off")
                           : pe == PE_IndicatorRadioButton ? (on ? "Option_On" : "Option_Off")
                                                           : nullptr;
        if (name) {
            ImageProcessFrm& store = ImageProcessFrm::Shared();
            const QString key = store.Get_PicturName(QString::fromLatin1(name), opt->rect.width(), opt->rect.height());
            const QPixmap pm = key.isEmpty() ? QPixmap() : store.Pixmap(key, p->device()->devicePixelRatioF());
            if (!pm.isNull()) {
                p->save();
                if (!(opt->state & State_Enabled)) p->setOpacity(0.45);
                p->drawPixmap(opt->rect.topLeft(), pm);
                p->restore();
                return;
            }
        }
        QProxyStyle::drawPrimitive(pe, opt, p, w);
    }
};

// A button at least as wide as its caption needs.
void FitCaption(SkinButton* b, int padding = 16) {
    const QFontMetrics fm(b->font());
    b->setMinimumWidth(fm.horizontalAdvance(b->Caption()) + padding);
    b->setMinimumHeight(std::max(b->minimumHeight(), fm.height() + 8));
}

void FillList(QComboBox* box, const ListView& list) {
    if (box->count() != static_cast<int>(list.items.size())) {
        box->clear();
        for (const std::string& item : list.items) box->addItem(Q(item));
    } else {
        for (int i = 0; i < box->count(); ++i) box->setItemText(i, Q(list.items[static_cast<std::size_t>(i)]));
    }
    box->setCurrentIndex(list.selected);
    box->setVisible(list.visible);
}

void SetFieldText(QLineEdit* e, const std::string& text) {
    // Text being typed stays while the field has the focus.
    if (!e->hasFocus()) e->setText(Q(text));
}
} // namespace

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit Clicked();
    QLabel::mouseReleaseEvent(e);
}

KeyEditorPanel::KeyEditorPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("KeyEditorPanel");
    setAccessibleName(Q(kPanelHeading));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    QLabel* heading = Heading(Q(kPanelHeading), this);
    Tip(heading, Q(kTipAssignmentHeading), heading->text());
    outer->addWidget(heading);

    layers = new QStackedWidget(this);
    layers->setObjectName("AsgnFramPic");
    hintLbl = PlainLabel(Q(kHintNoKey), layers);
    hintLbl->setObjectName("HideLbl");
    hintLbl->setWordWrap(true);
    hintLbl->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    hintLbl->setContentsMargins(4, 8, 4, 8);
    layers->addWidget(hintLbl);

    auto* editor = new QWidget(layers);
    auto* el = new QVBoxLayout(editor);
    el->setContentsMargins(0, 0, 0, 0);
    el->setSpacing(3);
    curKeyLbl = PlainLabel(QString(), editor);
    curKeyLbl->setObjectName("CurKeyLbl");
    curKeyLbl->setWordWrap(true);
    Tip(curKeyLbl, "CurKeyLbl", "Current key");
    el->addWidget(curKeyLbl);
    QLabel* srcHead = Heading("Sound Source", editor);
    Tip(srcHead, Q(kTipSourceHeading), srcHead->text());
    el->addWidget(srcHead);
    auto* srcRow = new QHBoxLayout;
    srcRow->setSpacing(2);
    for (std::size_t i = 0; i < kSourceCodes.size(); ++i) {
        const std::int32_t code = kSourceCodes[i];
        sourceBtn[i] = MakeButton(Q(SourceCaption(code)), QString("AsgnBtn(%1)").arg(code), editor);
        connect(sourceBtn[i], &SkinButton::clicked, this,
                [this, code] { Act([&] { program_->Editor().ChooseSource(code); }); });
        srcRow->addWidget(sourceBtn[i]);
    }
    el->addLayout(srcRow);

    sourceFrames = new QStackedWidget(editor);
    sourceFrames->setObjectName("SndSrcFramPic");
    noneNote = PlainLabel(QString(), sourceFrames);
    noneNote->setObjectName("NoneNote");
    noneNote->setWordWrap(true);
    noneNote->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    sourceFrames->addWidget(noneNote);
    sourceFrames->addWidget(BuildWave());
    sourceFrames->addWidget(BuildMidi());
    sourceFrames->addWidget(BuildAction());
    sourceFrames->addWidget(new QWidget(sourceFrames));
    el->addWidget(sourceFrames);
    dslLbl = PlainLabel(QString(), editor);
    dslLbl->setObjectName("DslLbl");
    dslLbl->setWordWrap(true);
    Tip(dslLbl, "DslLbl", "DLS remark");
    el->addWidget(dslLbl);
    el->addStretch(1);
    layers->addWidget(editor);
    layers->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    outer->addWidget(layers);
    outer->addWidget(BuildButtons());
    outer->addStretch(1);
    setMaximumWidth(300);
    indicatorStyle_ = new SkinIndicatorStyle;
    indicatorStyle_->setParent(this);
    for (QAbstractButton* b : findChildren<QAbstractButton*>())
        if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) b->setStyle(indicatorStyle_);
    connect(&ImageProcessFrm::Shared(), &ImageProcessFrm::PicturesReset, this, [this] {
        for (QWidget* w : findChildren<QWidget*>()) w->update();
        update();
    });
    RenderView(view_);
}

SkinButton* KeyEditorPanel::MakeButton(const QString& caption, const QString& tipName, QWidget* parent) {
    auto* b = new SkinButton(parent);
    b->setObjectName(tipName);
    b->SetCaption(caption);
    b->setMinimumHeight(kButtonHeight);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Tip(b, tipName, caption);
    return b;
}

SkinButton* KeyEditorPanel::MakeArrow(bool up, const QString& tipName, QWidget* parent) {
    auto* b = new SkinButton(parent);
    b->setObjectName(tipName);
    // Up over down beside the field, as a spin box holds them.
    b->SetPictureName(up ? "Arrow-Up-Up" : "Arrow-Down-Up");
    b->SetPictureDownName(up ? "Arrow-Up-Dn" : "Arrow-Down-Dn");
    b->setFixedSize(20, 11);
    b->SetRepeatDelays(kArrowFirstMs, kArrowNextMs);
    Tip(b, tipName, up ? "Up" : "Down");
    b->setAccessibleName(tipName.section('_', 0, 0) + (up ? " up" : " down"));
    return b;
}

void KeyEditorPanel::Tip(QWidget* w, const QString& tipName, const QString& name) {
    const QString tip = Q(StatusTip(ToCore(tipName)));
    w->setToolTip(tip);
    w->setStatusTip(tip);
    w->setAccessibleDescription(tip);
    if (!name.isEmpty()) w->setAccessibleName(name);
    w->setProperty("tambrelTip", tip);
    w->installEventFilter(this);
}

QWidget* KeyEditorPanel::BuildWave() {
    auto* p = new QWidget(sourceFrames);
    p->setObjectName("WavePanel");
    auto* l = new QGridLayout(p);
    l->setContentsMargins(0, 0, 0, 0);
    l->setHorizontalSpacing(4);
    l->setVerticalSpacing(2);
    fileNameRemLbl = PlainLabel(QString(), p);
    fileNameRemLbl->setObjectName("FileNameRemLbl");
    fileNameLbl = PlainLabel(QString(), p);
    fileNameLbl->setObjectName("FileNameLbl");
    fileNameLbl->setWordWrap(true);
    Tip(fileNameRemLbl, "FileNameLbl", "File");
    fileNameLbl->installEventFilter(this);
    fileNameLbl->setAccessibleName("File name");
    l->addWidget(fileNameRemLbl, 0, 0, 1, 4);
    l->addWidget(fileNameLbl, 1, 0, 1, 4);
    selectFileBtn = MakeButton(Q(kSelectFileCaption), Q(kTipSelectFile), p);
    connect(selectFileBtn, &SkinButton::clicked, this, [this] { Act([&] { program_->Editor().SelectFile(); }); });
    waveDur = PlainLabel(QString(), p);
    waveDur->setObjectName("WaveDur");
    Tip(waveDur, "WaveDur", "Wave duration");
    l->addWidget(selectFileBtn, 2, 0, 1, 2);
    l->addWidget(waveDur, 2, 2, 1, 2);

    saveInFileChk = new QCheckBox(p);
    saveInFileLbl = new ClickLabel(Q(kSaveInFileCaption), p);
    saveInFileChk->setObjectName("SaveInFileChk");
    saveInFileLbl->setObjectName("SaveInFileLbl");
    Tip(saveInFileChk, "SaveInFileChk", saveInFileLbl->text());
    Tip(saveInFileLbl, "SaveInFileChk", saveInFileLbl->text());
    connect(saveInFileChk, &QCheckBox::toggled, this,
            [this](bool on) { Act([&] { program_->Editor().SetSaveInFile(on); }); });
    connect(saveInFileLbl, &ClickLabel::Clicked, this,
            [this] { Act([&] { program_->Editor().ClickSaveInFileLabel(); }); });
    waveMuteChk = new QCheckBox(p);
    waveMuteLbl = new ClickLabel(Q(kMuteCaption), p);
    waveMuteChk->setObjectName("MuteChk(0)");
    waveMuteLbl->setObjectName("MuteLbl(0)");
    Tip(waveMuteChk, "MuteChk(0)", "Mute");
    Tip(waveMuteLbl, "MuteChk(0)", "Mute");
    connect(waveMuteChk, &QCheckBox::toggled, this, [this](bool on) { Act([&] { program_->Editor().SetMute(on); }); });
    connect(waveMuteLbl, &ClickLabel::Clicked, this, [this] { Act([&] { program_->Editor().ClickMuteLabel(); }); });
    auto* checks = new QHBoxLayout;
    checks->setSpacing(2);
    checks->addWidget(saveInFileChk);
    checks->addWidget(saveInFileLbl, 1);
    checks->addWidget(waveMuteChk);
    checks->addWidget(waveMuteLbl);
    l->addLayout(checks, 3, 0, 1, 4);

    QLabel* styleHead = Heading("Play Style", p);
    Tip(styleHead, Q(kTipWaveStyleHeading), styleHead->text());
    l->addWidget(styleHead, 4, 0, 1, 4);
    for (int i = 0; i < 4; ++i) {
        styleBtn[static_cast<std::size_t>(i)] = MakeButton(Q(StyleCaption(i)), QString("StylBtn(%1)").arg(i), p);
        connect(styleBtn[static_cast<std::size_t>(i)], &SkinButton::clicked, this,
                [this, i] { Act([&] { program_->Editor().ChooseStyle(i); }); });
        l->addWidget(styleBtn[static_cast<std::size_t>(i)], 5, i);
    }

    styleFrames = new QStackedWidget(p);
    styleFrames->setObjectName("StylFramPic");
    // Once
    auto* once = new QWidget(styleFrames);
    auto* ol = new QHBoxLayout(once);
    ol->setContentsMargins(0, 2, 0, 2);
    allowDupChk = new QCheckBox(once);
    allowDupLbl = new ClickLabel(Q(kAllowDupCaption), once);
    allowDupChk->setObjectName("AllowDupChk");
    allowDupLbl->setObjectName("AllowDupLbl");
    Tip(allowDupChk, "AllowDupChk", allowDupLbl->text());
    Tip(allowDupLbl, "AllowDupChk", allowDupLbl->text());
    connect(allowDupChk, &QCheckBox::toggled, this,
            [this](bool on) { Act([&] { program_->Editor().SetAllowDup(on); }); });
    connect(allowDupLbl, &ClickLabel::Clicked, this, [this] { Act([&] { program_->Editor().ClickAllowDupLabel(); }); });
    ol->addWidget(allowDupChk);
    ol->addWidget(allowDupLbl, 1);
    styleFrames->addWidget(once);
    // Multi
    auto* multi = new QWidget(styleFrames);
    auto* ml = new QVBoxLayout(multi);
    ml->setContentsMargins(0, 2, 0, 2);
    ml->addWidget(PlainLabel("Delay play times (sec):", multi));
    multiTimLst = new QLineEdit(multi);
    multiTimLst->setObjectName("MultiTimLstTxt");
    Tip(multiTimLst, "MultiTimLstTxt", "Delay play times");
    connect(multiTimLst, &QLineEdit::editingFinished, this, [this] {
        const std::string text = ToCore(multiTimLst->text());
        QString shown;
        Act([&] { shown = Q(program_->Editor().CommitDelayList(text)); });
        multiTimLst->setText(shown);
    });
    ml->addWidget(multiTimLst);
    styleFrames->addWidget(multi);
    // Loop
    auto* loop = new QWidget(styleFrames);
    auto* ll = new QGridLayout(loop);
    ll->setContentsMargins(0, 2, 0, 2);
    for (int i = 0; i < 2; ++i) {
        auto*& r = loopOption[static_cast<std::size_t>(i)];
        r = new QRadioButton(Q(kLoopOptionCaptions[static_cast<std::size_t>(i)]), loop);
        r->setObjectName(QString("LoopOption(%1)").arg(i));
        Tip(r, QString("LoopOption(%1)").arg(i), r->text());
        connect(r, &QRadioButton::clicked, this, [this, i] { Act([&] { program_->Editor().ChooseLoopOption(i); }); });
        ll->addWidget(r, i, 0);
    }
    loopTimes = new QLineEdit(loop);
    loopTimes->setObjectName("LoopTimesTxt");
    loopTimes->setMaximumWidth(70);
    Tip(loopTimes, "LoopTimesTxt", "Loop times");
    connect(loopTimes, &QLineEdit::editingFinished, this, [this] {
        const std::string text = ToCore(loopTimes->text());
        QString shown;
        Act([&] { shown = Q(program_->Editor().CommitLoopTimes(text)); });
        loopTimes->setText(shown);
    });
    ll->addWidget(loopTimes, 1, 1);
    styleFrames->addWidget(loop);
    // Queue
    auto* queue = new QWidget(styleFrames);
    auto* ql = new QGridLayout(queue);
    ql->setContentsMargins(0, 2, 0, 2);
    ql->addWidget(PlainLabel("Queue:", queue), 0, 0);
    queueCmb = new QComboBox(queue);
    queueCmb->setObjectName("QueNoCmb");
    Tip(queueCmb, "QueNoCmb", "Queue");
    connect(queueCmb, &QComboBox::activated, this, [this](int i) { Act([&] { program_->Editor().ChooseQueue(i); }); });
    ql->addWidget(queueCmb, 0, 1, 1, 2);
    for (int i = 0; i < 3; ++i) {
        auto*& r = queueDup[static_cast<std::size_t>(i)];
        r = new QRadioButton(Q(kQueueDupCaptions[static_cast<std::size_t>(i)]), queue);
        r->setObjectName(QString("QueDupLoopOpn(%1)").arg(i));
        r->setAutoExclusive(false);
        Tip(r, QString("QueDupLoopOpn(%1)").arg(i), r->text());
        connect(r, &QRadioButton::clicked, this, [this, i] { Act([&] { program_->Editor().ChooseQueueDup(i); }); });
        ql->addWidget(r, 1, i);
    }
    styleFrames->addWidget(queue);
    styleFrames->addWidget(new QWidget(styleFrames));
    l->addWidget(styleFrames, 6, 0, 1, 4);
    return p;
}

QWidget* KeyEditorPanel::BuildMidi() {
    auto* p = new QWidget(sourceFrames);
    p->setObjectName("MidiPanel");
    auto* l = new QGridLayout(p);
    l->setContentsMargins(0, 0, 0, 0);
    l->setHorizontalSpacing(4);
    l->setVerticalSpacing(2);
    midiMuteChk = new QCheckBox(p);
    midiMuteLbl = new ClickLabel(Q(kMuteCaption), p);
    midiMuteChk->setObjectName("MuteChk(1)");
    midiMuteLbl->setObjectName("MuteLbl(1)");
    Tip(midiMuteChk, "MuteChk(1)", "Mute");
    Tip(midiMuteLbl, "MuteChk(1)", "Mute");
    connect(midiMuteChk, &QCheckBox::toggled, this, [this](bool on) { Act([&] { program_->Editor().SetMute(on); }); });
    connect(midiMuteLbl, &ClickLabel::Clicked, this, [this] { Act([&] { program_->Editor().ClickMuteLabel(); }); });
    drumOpn = new OptionBall(p);
    drumOpn->setObjectName("DrumOpn");
    drumOpn->setFixedSize(18, 18);
    drumOpn->SetPictureName(0, "Ball_Gray");
    drumOpn->SetPictureName(1, "Ball_Green");
    Tip(drumOpn, "DrumOpn", "Drum");
    connect(drumOpn, &OptionBall::Click, this, [this] {
        const bool on = drumOpn->Value() != 0;
        Act([&] { program_->Editor().SetDrumOn(on); });
    });
    auto* top = new QHBoxLayout;
    top->setSpacing(2);
    top->addWidget(midiMuteChk);
    top->addWidget(midiMuteLbl);
    top->addSpacing(12);
    top->addWidget(drumOpn);
    top->addWidget(PlainLabel("Drum", p));
    top->addStretch(1);
    l->addLayout(top, 0, 0, 1, 3);

    instruLbl = PlainLabel("Instrument:", p);
    instruLbl->setObjectName("InstruLbl");
    Tip(instruLbl, "InstruLbl", "Instrument");
    instruCmb = new QComboBox(p);
    instruCmb->setObjectName("InstruCmb");
    instruCmb->setMaxVisibleItems(16);
    instruCmb->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    instruCmb->setMinimumContentsLength(14);
    Tip(instruCmb, "InstruCmb", "Instrument");
    connect(instruCmb, &QComboBox::activated, this, [this](int i) {
        Act([&] { program_->Editor().ChooseInstrument(i); });
        GiveFocusBack();
    });
    l->addWidget(instruLbl, 1, 0);
    l->addWidget(instruCmb, 1, 1, 1, 2);
    drumBankLbl = PlainLabel("Drum Bank:", p);
    drumBankLbl->setObjectName("DrumLbl(0)");
    Tip(drumBankLbl, "DrumLbl(0)", "Drum Bank");
    drumCmb = new QComboBox(p);
    drumCmb->setObjectName("DrumCmb");
    Tip(drumCmb, "DrumCmb", "Drum Bank");
    connect(drumCmb, &QComboBox::activated, this, [this](int i) {
        Act([&] { program_->Editor().ChooseDrumBank(i); });
        GiveFocusBack();
    });
    l->addWidget(drumBankLbl, 2, 0);
    l->addWidget(drumCmb, 2, 1, 1, 2);

    auto numberRow = [&](int row, QLabel* label, TransDisplay*& field, std::array<SkinButton*, 2>& arrows,
                         const QString& name, const QString& arrowName) {
        field = new TransDisplay(p);
        field->setObjectName(name);
        field->SetBorderStyle(1);
        field->setMinimumWidth(70);
        field->setFixedHeight(22);
        Tip(field, name, label->text().remove(':'));
        arrows[0] = MakeArrow(true, arrowName + "(0)", p);
        arrows[1] = MakeArrow(false, arrowName + "(1)", p);
        auto* pair = new QVBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(arrows[0]);
        pair->addWidget(arrows[1]);
        l->addWidget(label, row, 0);
        l->addWidget(field, row, 1);
        l->addLayout(pair, row, 2);
    };
    keyNoLbl = PlainLabel("Key No:", p);
    keyNoLbl->setObjectName("KeyNoLbl");
    Tip(keyNoLbl, "KeyTxt", "Key No");
    numberRow(3, keyNoLbl, keyTxt, keyUp, "KeyTxt", "Key_Up");
    drumName = PlainLabel(QString(), p);
    drumName->setObjectName("DrumName");
    Tip(drumName, "DrumLbl(1)", "Drum name");
    l->addWidget(drumName, 4, 0, 1, 3);
    QLabel* velosLbl = PlainLabel("Velocity:", p);
    velosLbl->setObjectName("VelosLbl");
    Tip(velosLbl, "VelosTxt", "Velocity");
    numberRow(5, velosLbl, velosTxt, velosUp, "VelosTxt", "Velos_Up");
    durLbl = PlainLabel("Dur (sec):", p);
    durLbl->setObjectName("DurLbl2");
    Tip(durLbl, "DurLbl2", "Duration");
    numberRow(6, durLbl, durTxt, durUp, "DurTxt", "Dur_Up");

    // Each number field: Enter commits and shows what the editor made of
    // it, Escape leaves the shown value; the arrows step from the field.
    auto wire = [this](TransDisplay* field, std::array<SkinButton*, 2>& arrows,
                       std::string (KeyEditor::*commit)(std::string_view),
                       std::string (KeyEditor::*step)(int, std::string_view)) {
        connect(field, &TransDisplay::EditAccepted, this, [this, field, commit](const QString& text) {
            const std::string typed = ToCore(text);
            QString shown;
            Act([&] { shown = Q((program_->Editor().*commit)(typed)); });
            field->SetText(shown);
        });
        connect(field, &TransDisplay::EditCanceled, this, [this] { Render(); });
        for (int i = 0; i < 2; ++i) {
            const int dir = i == 0 ? 1 : -1;
            auto go = [this, field, step, dir] {
                const std::string from = ToCore(field->Text());
                QString shown;
                Act([&] { shown = Q((program_->Editor().*step)(dir, from)); });
                field->SetText(shown);
            };
            connect(arrows[static_cast<std::size_t>(i)], &SkinButton::pressed, this, go);
            connect(arrows[static_cast<std::size_t>(i)], &SkinButton::Repeat, this, go);
        }
    };
    wire(keyTxt, keyUp, &KeyEditor::CommitKeyNo,
         static_cast<std::string (KeyEditor::*)(int, std::string_view)>(&KeyEditor::StepKeyNo));
    wire(velosTxt, velosUp, &KeyEditor::CommitVelos,
         static_cast<std::string (KeyEditor::*)(int, std::string_view)>(&KeyEditor::StepVelos));
    wire(durTxt, durUp, &KeyEditor::CommitDur,
         static_cast<std::string (KeyEditor::*)(int, std::string_view)>(&KeyEditor::StepDur));

    QLabel* styleHead = Heading("Play Style", p);
    Tip(styleHead, Q(kTipMidiStyleHeading), styleHead->text());
    l->addWidget(styleHead, 7, 0, 1, 3);
    midiStyleBtn = MakeButton(Q(StyleCaption(0)), "MidiStylBtn", p);
    midiStyleBtn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    midiStyleBtn->setFixedWidth(64);
    l->addWidget(midiStyleBtn, 8, 0);
    l->setColumnStretch(1, 1);
    return p;
}

QWidget* KeyEditorPanel::BuildAction() {
    auto* p = new QWidget(sourceFrames);
    p->setObjectName("ActionPanel");
    auto* l = new QVBoxLayout(p);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2);
    l->addWidget(PlainLabel("Action:", p));
    actCmdCmb = new QComboBox(p);
    actCmdCmb->setObjectName("ActCmdCmb");
    Tip(actCmdCmb, "ActCmdCmb", "Action");
    connect(actCmdCmb, &QComboBox::activated, this,
            [this](int i) { Act([&] { program_->Editor().ChooseActionCommand(i); }); });
    l->addWidget(actCmdCmb);
    actSub1Lbl = PlainLabel(QString(), p);
    actSub1Lbl->setObjectName("ActSub1Lbl");
    l->addWidget(actSub1Lbl);
    actSub1Cmb = new QComboBox(p);
    actSub1Cmb->setObjectName("ActSub1Cmb");
    Tip(actSub1Cmb, "ActSub1Cmb", "Action target");
    connect(actSub1Cmb, &QComboBox::activated, this,
            [this](int i) { Act([&] { program_->Editor().ChooseActionTarget(i); }); });
    l->addWidget(actSub1Cmb);
    l->addStretch(1);
    return p;
}

QWidget* KeyEditorPanel::BuildButtons() {
    auto* p = new QWidget(this);
    p->setObjectName("EditorButtons");
    auto* l = new QGridLayout(p);
    l->setContentsMargins(0, 6, 0, 0);
    l->setHorizontalSpacing(2);
    l->setVerticalSpacing(2);
    playBtn = MakeButton("Play", "PlayBtn", p);
    playBtn->SetPictureName("Button_Long_Up");
    playBtn->SetPictureDownName("Button_Long_Dn");
    connect(playBtn, &SkinButton::clicked, this, [this] {
        if (program_) program_->Buttons().Play();
        Render();
    });
    l->addWidget(playBtn, 0, 0, 1, 3);
    QLabel* stopHead = Heading("Stop", p);
    Tip(stopHead, Q(kTipStopHeading), stopHead->text());
    l->addWidget(stopHead, 1, 0, 1, 3);
    for (int i = 0; i < 3; ++i) {
        stopBtn[static_cast<std::size_t>(i)] =
            MakeButton(Q(kStopButtonCaptions[static_cast<std::size_t>(i)]), QString("StopBtn(%1)").arg(i), p);
        connect(stopBtn[static_cast<std::size_t>(i)], &SkinButton::clicked, this, [this, i] {
            if (program_) program_->Buttons().Stop(i);
        });
        l->addWidget(stopBtn[static_cast<std::size_t>(i)], 2, i);
        if (i == 0) {
            stopBtn[0]->SetPictureName("ButtonRed_Up");
            stopBtn[0]->SetPictureDownName("ButtonRed_Dn");
        }
    }
    QLabel* inputHead = Heading("Input Devices", p);
    Tip(inputHead, Q(kTipInputHeading), inputHead->text());
    l->addWidget(inputHead, 3, 0, 1, 3);
    auto* row = new QHBoxLayout;
    inputOpn = new OptionBall(p);
    inputOpn->setObjectName("DiAcuireOpn");
    inputOpn->setFixedSize(20, 20);
    inputOpn->SetPictureName(0, "Ball_Red");
    inputOpn->SetPictureName(1, "Ball_Green");
    Tip(inputOpn, "DiAcuireOpn", "Input devices on");
    connect(inputOpn, &OptionBall::Click, this, [this] {
        const bool on = inputOpn->Value() != 0;
        if (program_) program_->Buttons().SetInputOn(on);
        ShowInputOnOff();
        Render();
    });
    inputLbl = new ClickLabel("ON / OFF", p);
    inputLbl->setObjectName("DiAcuireLbl");
    Tip(inputLbl, "DiAcuireLbl", "Input devices ON / OFF");
    // The label is the ball's caption: clicking it clicks the ball.
    connect(inputLbl, &ClickLabel::Clicked, inputOpn, &OptionBall::click);
    detectBtn = MakeButton(Q(kDetectAgainCaption), "DetectDevBtn", p);
    detectBtn->SetPictureName("Button_Long_Up");
    detectBtn->SetPictureDownName("Button_Long_Dn");
    detectBtn->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    FitCaption(detectBtn, 24);
    connect(detectBtn, &SkinButton::clicked, this, [this] {
        if (program_) program_->Buttons().DetectAgain();
        Render();
    });
    row->addWidget(inputOpn);
    row->addWidget(inputLbl);
    row->addStretch(1);
    row->addWidget(detectBtn);
    l->addLayout(row, 4, 0, 1, 3);
    return p;
}

void KeyEditorPanel::SetProgram(Program* program) {
    program_ = program;
    ShowInputOnOff();
    Render();
}

void KeyEditorPanel::SetTimerHost(TimerHost* host) {
    host_ = host;
    for (auto* arrows : {&keyUp, &velosUp, &durUp})
        for (SkinButton* a : *arrows) a->SetTimerHost(host);
}

void KeyEditorPanel::ShowPlayAssignment() {
    if (!program_) return;
    RenderView(program_->Editor().ShowPlayAssignment());
}

void KeyEditorPanel::Render() {
    if (!program_) return;
    RenderView(program_->Editor().View());
}

void KeyEditorPanel::ShowInputOnOff() {
    if (!program_) return;
    const QSignalBlocker block(inputOpn);
    inputOpn->SetValue(program_->Buttons().InputOn() ? 1 : 0);
}

void KeyEditorPanel::ShowDslRemark(bool visible) {
    dslRemark_ = visible;
    dslLbl->setVisible(visible);
    FitPages();
}

void KeyEditorPanel::Act(const std::function<void()>& command) {
    if (!program_) return;
    command();
    Render();
}

void KeyEditorPanel::GiveFocusBack() {
    if (view_.listsGiveFocusBack && focusBack) focusBack->setFocus(Qt::OtherFocusReason);
}

void KeyEditorPanel::RenderView(const KeyEditorView& v) {
    view_ = v;
    // Blocking every child's signals: no value set here may run a command.
    std::vector<std::unique_ptr<QSignalBlocker>> blocks;
    for (QObject* o : findChildren<QObject*>()) blocks.push_back(std::make_unique<QSignalBlocker>(o));

    const bool editor = v.layer == EditorLayer::Editor;
    hintLbl->setText(Q(v.hintText.empty() ? std::string(kHintNoKey) : v.hintText));
    layers->setCurrentIndex(editor ? 1 : 0);
    curKeyLbl->setText(Q(v.curKeyLbl));
    for (std::size_t i = 0; i < sourceBtn.size(); ++i) {
        sourceBtn[i]->SetCaption(
            Q(v.sourceButtons[i].caption.empty() ? SourceCaption(kSourceCodes[i]) : v.sourceButtons[i].caption));
        sourceBtn[i]->SetPictureName(
            Q(v.sourceButtons[i].picture.empty() ? kPictureNotChosen : v.sourceButtons[i].picture));
    }
    int frame = 4;
    switch (v.sourceFrame) {
    case kSrcNone: frame = 0; break;
    case kSrcWave: frame = 1; break;
    case kSrcMidi: frame = 2; break;
    case kSrcAction: frame = 3; break;
    default: break;
    }
    sourceFrames->setCurrentIndex(frame);
    noneNote->setText(Q(v.noneNote));
    if (frame == 1) RenderWave(v.wave);
    if (frame == 2) RenderMidi(v.midi);
    if (frame == 3) RenderAction(v.action);
    dslLbl->setText(Q(v.dslLbl));
    dslLbl->setVisible(dslRemark_);
    FitPages();
}

void KeyEditorPanel::FitPages() {
    // A stack asks every page, shown or not, for its height at a width
    // (word-wrapped labels): each stack is held to the height of the page it
    // shows, inner to outer, so no empty room of another page remains.
    for (QStackedWidget* s : {styleFrames, sourceFrames, layers}) {
        QWidget* page = s->currentWidget();
        if (!page) continue;
        const int w = s->isVisible() && s->width() > 0 ? s->width() : page->sizeHint().width();
        int h = page->hasHeightForWidth() ? page->heightForWidth(w) : -1;
        if (h < 0) h = page->sizeHint().height();
        // An empty page has no size hint (-1): it takes no room.
        s->setFixedHeight(std::max({h, page->minimumSizeHint().height(), 0}));
    }
}

void KeyEditorPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    FitPages();
}

void KeyEditorPanel::RenderWave(const WavePanelView& w) {
    saveInFileChk->setChecked(w.saveInFile);
    fileNameRemLbl->setText(Q(w.fileNameRemLbl));
    fileNameLbl->setText(Q(w.fileNameLbl));
    for (QLabel* l : {fileNameRemLbl, fileNameLbl}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, ToQColor(w.fileColour));
        l->setPalette(pal);
        l->setToolTip(Q(w.fileNameTip));
    }
    waveDur->setText(Q(w.waveDur));
    waveMuteChk->setChecked(w.mute);
    for (std::size_t i = 0; i < styleBtn.size(); ++i)
        styleBtn[i]->SetPictureName(
            Q(w.styleButtons[i].picture.empty() ? kPictureNotChosen : w.styleButtons[i].picture));
    styleFrames->setCurrentIndex(w.styleFrame >= 0 && w.styleFrame <= 3 ? w.styleFrame : 4);
    allowDupChk->setChecked(w.allowDup);
    SetFieldText(multiTimLst, w.multiTimLst);
    loopOption[0]->setChecked(w.loopOption == 0);
    loopOption[1]->setChecked(w.loopOption == 1);
    loopTimes->setEnabled(w.loopTimesEnabled);
    SetFieldText(loopTimes, w.loopTimes);
    FillList(queueCmb, w.queue);
    for (int i = 0; i < 3; ++i) queueDup[static_cast<std::size_t>(i)]->setChecked(w.queueDup == i);
}

void KeyEditorPanel::RenderMidi(const MidiPanelView& m) {
    midiMuteChk->setChecked(m.mute);
    drumOpn->SetValue(m.drumOn ? 1 : 0);
    FillList(instruCmb, m.instrument);
    FillList(drumCmb, m.drumBank);
    instruLbl->setVisible(!m.drumMode);
    drumBankLbl->setVisible(m.drumMode);
    drumName->setVisible(m.drumMode);
    drumName->setText(Q(m.drumName));
    keyNoLbl->setText(Q(m.keyNoLbl));
    if (!keyTxt->IsEditing()) keyTxt->SetText(Q(m.keyTxt));
    if (!velosTxt->IsEditing()) velosTxt->SetText(Q(m.velosTxt));
    if (!durTxt->IsEditing()) durTxt->SetText(Q(m.durTxt));
    for (QWidget* w : {static_cast<QWidget*>(durLbl), static_cast<QWidget*>(durTxt), static_cast<QWidget*>(durUp[0]),
                       static_cast<QWidget*>(durUp[1])})
        w->setVisible(m.durVisible);
    midiStyleBtn->SetCaption(Q(m.styleButton.caption.empty() ? StyleCaption(0) : m.styleButton.caption));
    midiStyleBtn->SetPictureName(Q(m.styleButton.picture.empty() ? kPictureChosen : m.styleButton.picture));
}

void KeyEditorPanel::RenderAction(const ActionPanelView& a) {
    FillList(actCmdCmb, a.command);
    FillList(actSub1Cmb, a.target);
    actSub1Lbl->setText(Q(a.targetLbl));
    actSub1Lbl->setVisible(a.targetLblVisible);
}

void KeyEditorPanel::paintEvent(QPaintEvent*) {
    // The skin's panel picture behind every control.
    ImageProcessFrm& store = ImageProcessFrm::Shared();
    const QString key = store.Contains("Panel") ? store.Get_PicturName("Panel", width(), height()) : QString();
    if (key.isEmpty()) return;
    QPainter p(this);
    p.drawPixmap(0, 0, store.Pixmap(key, devicePixelRatioF()));
}

bool KeyEditorPanel::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Enter) emit TipChanged(watched->property("tambrelTip").toString());
    // Escape in the delay list or the loop count drops the typing: the field
    // shows the key's value again, so leaving it afterwards changes nothing.
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        if (watched == multiTimLst) {
            multiTimLst->setText(Q(view_.wave.multiTimLst));
            multiTimLst->selectAll();
            return true;
        }
        if (watched == loopTimes) {
            loopTimes->setText(Q(view_.wave.loopTimes));
            loopTimes->selectAll();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace tambrel
