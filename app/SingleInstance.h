#pragma once
// One running program per user: the first instance listens on a local
// socket in a folder only this user can enter; a second one asks it to
// raise its main window and ends. A socket left by a crashed instance is
// taken over. Nothing at the socket's path that is not this user's own
// listening program is ever taken for a running instance: what stands
// there is removed, or the program runs without the guard.

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

namespace tambrel {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // First: this is the running instance now. HandedOver: the running one
    // was raised. NoAnswer: one of this user's runs there and does not
    // answer. Alone: no instance of this user runs, but this one cannot be
    // found by the next (no private folder, or the path is not ours): it
    // runs unguarded rather than locking the user out.
    enum class Outcome { First, HandedOver, NoAnswer, Alone };

    // name: the socket's file name; folder: where it lives (RuntimeFolder();
    // empty: nowhere, Claim answers Alone).
    SingleInstance(QString folder, QString name, QObject* parent = nullptr);

    // Becomes the running instance, or hands over to the one running.
    // timeoutMs: how long the running one may take to answer.
    Outcome Claim(int timeoutMs = 1000);

    // Called in the running instance when another one started.
    std::function<void()> onRaise;

    QString Path() const { return path_; }

private:
    QString path_;
    QLocalServer server_;
};

// $XDG_RUNTIME_DIR when it is this user's private folder; else the private
// folder $XDG_CACHE_HOME/TambrelOrchestra (~/.cache/TambrelOrchestra), made
// for this user with mode 0700; empty when there is neither.
QString RuntimeFolder();

} // namespace tambrel
