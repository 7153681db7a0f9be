#pragma once
// The input server on Qt's event loop: each bridge the input system makes
// (at start, and again whenever it restarts a lost server) gets a socket
// notifier on its channel, and the notifier goes before that channel closes.
// No thread. User-interface thread.

#include <QSocketNotifier>

#include <memory>

#include "input/InputSystem.h"
#include "input/LocInputDx7Class.h"

namespace tambrel {

// A factory of bridges started with options; slot holds the notifier of the
// bridge alive now. Reset slot before the bridge goes at exit.
InputSystem::LinkFactory WatchedInputLink(std::unique_ptr<QSocketNotifier>& slot, InputServerOptions options = {});

} // namespace tambrel
