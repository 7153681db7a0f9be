#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "session/ProgramFiles.h"

namespace tambrel {

namespace {
constexpr char kRaise[] = "raise\n";
constexpr char kRaised[] = "raised\n";

// The user at the other end of a connected local socket, or -1.
long PeerUser(qintptr fd) {
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (fd < 0 || ::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return -1;
    return static_cast<long>(cred.uid);
}

bool OwnPrivateFolder(const QString& folder) {
    struct stat st {};
    const QByteArray f = QFile::encodeName(folder);
    return folder.startsWith('/') && ::stat(f.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0;
}
} // namespace

QString RuntimeFolder() {
    // The runtime folder is the user's own by its definition; one that is
    // not (set by hand, or to a shared folder) is not used.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (OwnPrivateFolder(runtime)) return runtime;
    const std::string cache =
        BaseFolder(qEnvironmentVariable("XDG_CACHE_HOME").toStdString(), QDir::homePath().toStdString(), ".cache") +
        "/TambrelOrchestra";
    std::string error;
    if (!MakePrivateFolder(cache, error)) return {};
    return QString::fromStdString(cache);
}

SingleInstance::SingleInstance(QString folder, QString name, QObject* parent)
    : QObject(parent),
      path_(folder.isEmpty() ? QString() : QDir(folder).filePath(name + "-" + QString::number(getuid()))) {
    // Only this user may connect.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            if (PeerUser(s->socketDescriptor()) != static_cast<long>(::geteuid())) {
                s->abort();
                continue;
            }
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
    if (path_.isEmpty()) return Outcome::Alone;
    const QByteArray path = QFile::encodeName(path_);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0) {
        if (S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid()) {
            QLocalSocket probe;
            probe.connectToServer(path_);
            if (probe.waitForConnected(timeoutMs)) {
                // Only this user's own program is asked, and believed.
                if (PeerUser(probe.socketDescriptor()) != static_cast<long>(::geteuid())) return Outcome::Alone;
                probe.write(kRaise);
                probe.flush();
                bool answered = false;
                while (!answered && probe.waitForReadyRead(timeoutMs))
                    if (probe.canReadLine()) answered = probe.readLine() == kRaised;
                return answered ? Outcome::HandedOver : Outcome::NoAnswer;
            }
        }
        // A socket nobody listens on was left by a crash; anything else is
        // not ours. Either goes, when it can.
        if (::unlink(path.constData()) != 0) return Outcome::Alone;
    }
    if (!server_.listen(path_)) return Outcome::Alone;
    return Outcome::First;
}

} // namespace tambrel
