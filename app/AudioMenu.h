#pragma once
// The "Audio Output" menu beside "Midi Port": "Default" and every output
// device, then the "Buffer" submenu. Both are filled from the core each time
// they open, so they always show the devices there are now and what plays;
// choosing an item is one core command. User-interface thread.

#include <QMenu>
#include <QMenuBar>

#include "common/MenuItem.h"

namespace tambrel {

class Program;
class QtShell;

class AudioMenu : public QObject {
    Q_OBJECT
public:
    // Adds the menu to bar, after the menu whose action is after (at the
    // end when none).
    AudioMenu(QMenuBar* bar, QAction* after, QtShell& shell);

    void SetProgram(Program* program) { program_ = program; }
    QMenu* Menu() const { return menu_; }
    QMenu* BufferMenu() const { return buffer_; }

    // Fills the menus as they stand now (done when they open).
    void Fill();
    void FillBuffers();

private:
    // buffers: the items are buffer sizes, else devices.
    void FillItems(QMenu* menu, const MenuItems& items, const QString& tip, bool buffers);

    QtShell& shell_;
    Program* program_ = nullptr;
    QMenu* menu_;
    QMenu* buffer_;
};

} // namespace tambrel
