#include "app/RecordListFrm.h"

#include <QGridLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/QtShell.h"
#include "controls/ControlTips.h"
#include "recording/KeystrokeRecorder.h"
#include "recording/RecordingTexts.h"
#include "session/HelpFile.h"

namespace tambrel {

namespace rt = recording_texts;

namespace {
QString Q(std::string_view s) { return FromCore(s); }

void Describe(QWidget* w, const rt::ControlText& t) {
    w->setObjectName(Q(t.name));
    DescribeControl(w, Q(t.caption), Q(t.tip));
}

QLabel* Caption(std::string_view text, QWidget* parent) {
    auto* l = new QLabel(Q(text), parent);
    l->setTextFormat(Qt::PlainText);
    l->setAccessibleName(l->text());
    return l;
}
} // namespace

RecordListFrm::RecordListFrm(KeystrokeRecorder& recorder, QWidget* parent) : QDialog(parent), recorder_(recorder) {
    setObjectName("RecordListFrm");
    setWindowTitle(Q(rt::kListTitle));
    setAccessibleName(windowTitle());
    setModal(true);
    SetHelpTopic(this, kTopicRecordingPanel);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Caption(rt::kListCaption, this), 0, 0, 1, 2);
    list = new QListWidget(this);
    Describe(list, rt::kListBox);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumSize(260, 180);
    grid->addWidget(list, 1, 0);

    auto* side = new QVBoxLayout;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QPushButton(Q(rt::kListButtons[i].caption), this);
        Describe(buttons[i], rt::kListButtons[i]);
        buttons[i]->setAutoDefault(false);
        side->addWidget(buttons[i]);
    }
    side->addStretch(1);
    grid->addLayout(side, 1, 1);

    auto* countRow = new QHBoxLayout;
    countRow->addWidget(Caption(rt::kKeyStrokesCaption, this));
    keyStrokesLbl = new QLabel(this);
    keyStrokesLbl->setTextFormat(Qt::PlainText);
    Describe(keyStrokesLbl, rt::kKeyStrokesCount);
    countRow->addWidget(keyStrokesLbl, 1);
    grid->addLayout(countRow, 2, 0, 1, 2);

    // Keyboard moves in the list choose as a click does. Only a selection
    // chooses: the list that takes the focus with nothing selected makes its
    // first entry current without selecting it, and that is no choice.
    connect(list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = list->selectedItems();
        if (!chosen.isEmpty()) ShowCount(recorder_.ClickRecordingEntry(list->row(chosen.first())));
    });
    connect(buttons[0], &QPushButton::clicked, this, [this] {
        if (recorder_.AddRecording()) UpdateList();
    });
    connect(buttons[1], &QPushButton::clicked, this, [this] {
        if (recorder_.RenameRecording()) UpdateList();
    });
    connect(buttons[2], &QPushButton::clicked, this, [this] {
        if (recorder_.DeleteRecording()) UpdateList();
    });
    connect(buttons[3], &QPushButton::clicked, this, &QDialog::accept);
    UpdateList();
}

void RecordListFrm::UpdateList() {
    const KeystrokeRecorder::ListState state = recorder_.UpdateList();
    {
        // Filling the list is showing it, not choosing in it.
        const QSignalBlocker quiet(list);
        list->clear();
        for (const std::string& name : state.names) {
            auto* item = new QListWidgetItem(Q(name), list);
            item->setData(Qt::AccessibleTextRole, item->text());
        }
        list->setCurrentRow(state.selected);
        if (state.selected < 0) list->clearSelection();
    }
    // The count shown is the current recording's, whichever way it became current.
    ShowCount(state.selected >= 0 ? state.counts[static_cast<std::size_t>(state.selected)] : -1);
}

void RecordListFrm::ShowCount(int count) { keyStrokesLbl->setText(count >= 0 ? QString::number(count) : QString()); }

} // namespace tambrel
