#include "app/AudioMenu.h"

#include <QActionGroup>

#include "app/QtShell.h"
#include "session/Program.h"
#include "sound/AudioChoice.h"

namespace tambrel {

AudioMenu::AudioMenu(QMenuBar* bar, QAction* after, QtShell& shell) : QObject(bar), shell_(shell) {
    menu_ = new QMenu("&" + FromCore(kAudioOutputMenuText), bar);
    menu_->setObjectName("AudioOutputMnu");
    buffer_ = new QMenu(FromCore(kBufferMenuText), menu_);
    buffer_->setObjectName("AudioBufferMnu");
    for (QMenu* m : {menu_, buffer_}) {
        m->setAccessibleName(m->title().remove('&'));
        m->setToolTipsVisible(true);
    }
    menu_->setAccessibleDescription(FromCore(kAudioDeviceTip));
    buffer_->setAccessibleDescription(FromCore(kBufferTip));
    buffer_->menuAction()->setStatusTip(FromCore(kBufferTip));
    QAction* before = nullptr;
    if (after) {
        const QList<QAction*> actions = bar->actions();
        const qsizetype i = actions.indexOf(after);
        if (i >= 0 && i + 1 < actions.size()) before = actions[i + 1];
    }
    bar->insertMenu(before, menu_);
    connect(menu_, &QMenu::aboutToShow, this, &AudioMenu::Fill);
    connect(buffer_, &QMenu::aboutToShow, this, &AudioMenu::FillBuffers);
    connect(buffer_->menuAction(), &QAction::hovered, this, [this] { shell_.Tip(FromCore(kBufferTip)); });
}

void AudioMenu::FillItems(QMenu* menu, const MenuItems& items, const QString& tip, bool buffers) {
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* a = menu->addAction(MenuText(items[i].Caption));
        group->addAction(a);
        a->setCheckable(true);
        a->setChecked(items[i].Checked);
        a->setEnabled(items[i].Enabled);
        a->setStatusTip(tip);
        a->setToolTip(tip);
        const int index = static_cast<int>(i);
        connect(a, &QAction::hovered, this, [this, tip] { shell_.Tip(tip); });
        // Queued: the output reopens once the menu has closed.
        connect(
            a, &QAction::triggered, this,
            [this, buffers, index] {
                if (!program_) return;
                if (buffers) program_->ChooseBufferFrames(index);
                else program_->ChooseAudioOutput(index);
            },
            Qt::QueuedConnection);
    }
}

void AudioMenu::Fill() {
    for (QActionGroup* g : menu_->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly)) g->deleteLater();
    menu_->clear();
    if (program_) FillItems(menu_, program_->AudioOutputMenu(), FromCore(kAudioDeviceTip), false);
    menu_->addSeparator();
    menu_->addMenu(buffer_);
    FillBuffers();
}

void AudioMenu::FillBuffers() {
    for (QActionGroup* g : buffer_->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly)) g->deleteLater();
    buffer_->clear();
    if (program_) FillItems(buffer_, program_->BufferMenu(), FromCore(kBufferTip), true);
}

} // namespace tambrel
