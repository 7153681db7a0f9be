#pragma once
// One running program per user: the first instance listens on a local
// socket under $XDG_RUNTIME_DIR; a second one asks it to raise its main
// window and ends. A socket left by a crashed instance is taken over.

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

namespace tambrel {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome { First, HandedOver, NoAnswer };

    // name: the socket's file name; folder: where it lives ($XDG_RUNTIME_DIR,
    // else the temporary folder).
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

// $XDG_RUNTIME_DIR when it is set and exists, else the temporary folder.
QString RuntimeFolder();

} // namespace tambrel
