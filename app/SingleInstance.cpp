#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <unistd.h>

namespace tambrel {

namespace {
constexpr char kRaise[] = "raise\n";
constexpr char kRaised[] = "raised\n";
} // namespace

QString RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    return QDir::tempPath();
}

SingleInstance::SingleInstance(QString folder, QString name, QObject* parent)
    : QObject(parent), path_(QDir(folder).filePath(name + "-" + QString::number(getuid()))) {
    // Only this user may connect.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, s, [this, s] {
                if (!s->canReadLine()) return;
                if (s->readLine() == kRaise) {
                    if (onRaise) onRaise();
                    s->write(kRaised);
                    s->flush();
                }
                s->disconnectFromServer();
            });
        }
    });
}

SingleInstance::Outcome SingleInstance::Claim(int timeoutMs) {
    QLocalSocket probe;
    probe.connectToServer(path_);
    if (probe.waitForConnected(timeoutMs)) {
        probe.write(kRaise);
        probe.flush();
        bool answered = false;
        while (!answered && probe.waitForReadyRead(timeoutMs))
            if (probe.canReadLine()) answered = probe.readLine() == kRaised;
        return answered ? Outcome::HandedOver : Outcome::NoAnswer;
    }
    // Nobody listens: a socket file left behind by a crash is stale.
    QLocalServer::removeServer(path_);
    if (!server_.listen(path_)) return Outcome::NoAnswer;
    return Outcome::First;
}

} // namespace tambrel
