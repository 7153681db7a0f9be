#include <QLocalServer>
#include <QTemporaryDir>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <cstring>
#include <functional>

#include <atomic>
#include <thread>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SingleInstance.h"

using tambrel::SingleInstance;

namespace {

// Another user's program listening at path and claiming to be the running
// instance: a child process that gives up root. Returns its pid.
pid_t ForeignListener(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, p.constData(), sizeof addr.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) ::_exit(1);
    for (;;) {
        const int c = ::accept(fd, nullptr, nullptr);
        if (c >= 0 && ::write(c, "raised\n", 7) == 7) ::close(c);
    }
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void aSecondStartRaisesTheRunningOneAndEnds() {
        QTemporaryDir dir;
        SingleInstance first(dir.path(), "Test");
        int raised = 0;
        first.onRaise = [&] { ++raised; };
        QCOMPARE(first.Claim(1000), SingleInstance::Outcome::First);

        // The second instance waits for its answer while the first one's
        // event loop runs, as two processes would.
        std::atomic<int> outcome{-1};
        std::thread second([&] {
            SingleInstance s(dir.path(), "Test");
            outcome = static_cast<int>(s.Claim(1000));
        });
        QTRY_VERIFY_WITH_TIMEOUT(outcome != -1, 3000);
        second.join();
        QCOMPARE(outcome.load(), static_cast<int>(SingleInstance::Outcome::HandedOver));
        QCOMPARE(raised, 1);
    }

    void aRunningOneThatDoesNotAnswerIsReported() {
        QTemporaryDir dir;
        SingleInstance probe(dir.path(), "Mute");
        QLocalServer mute; // accepts, never answers
        QVERIFY(mute.listen(probe.Path()));
        std::atomic<int> outcome{-1};
        std::thread second([&] {
            SingleInstance s(dir.path(), "Mute");
            outcome = static_cast<int>(s.Claim(300));
        });
        QTRY_VERIFY_WITH_TIMEOUT(outcome != -1, 3000);
        second.join();
        QCOMPARE(outcome.load(), static_cast<int>(SingleInstance::Outcome::NoAnswer));
    }

    void aSocketLeftByACrashIsTakenOver() {
        QTemporaryDir dir;
        SingleInstance probe(dir.path(), "Stale");
        {
            QLocalServer crashed;
            QVERIFY(crashed.listen(probe.Path()));
            crashed.close(); // the file may stay behind, nobody listens
        }
        QFile(probe.Path()).open(QIODevice::WriteOnly); // a leftover file in its place
        SingleInstance s(dir.path(), "Stale");
        QCOMPARE(s.Claim(300), SingleInstance::Outcome::First);
    }
    void nothingAtThePathThatIsNotOursIsTakenForARunningInstance() {
        struct Case {
            const char* name;
            std::function<void(const QString& path, const QString& dir)> place;
            SingleInstance::Outcome outcome;
            bool rootOnly = false;
        };
        const QList<Case> cases{
            {"Nothing", [](const QString&, const QString&) {}, SingleInstance::Outcome::First},
            {"PlainFile", [](const QString& p, const QString&) { QFile(p).open(QIODevice::WriteOnly); },
             SingleInstance::Outcome::First},
            {"Fifo", [](const QString& p, const QString&) { ::mkfifo(QFile::encodeName(p).constData(), 0600); },
             SingleInstance::Outcome::First},
            {"Folder", [](const QString& p, const QString&) { QDir().mkdir(p); }, SingleInstance::Outcome::Alone},
            {"LinkToAListeningSocket",
             [](const QString& p, const QString& dir) {
                 static QLocalServer elsewhere;
                 elsewhere.close();
                 QVERIFY(elsewhere.listen(dir + "/elsewhere"));
                 QFile::link(dir + "/elsewhere", p);
             },
             SingleInstance::Outcome::First},
            {"AnotherUsersListener", [](const QString&, const QString&) {}, SingleInstance::Outcome::First, true},
        };
        for (const Case& c : cases) {
            if (c.rootOnly && ::geteuid() != 0) continue;
            QTemporaryDir dir;
            // A folder others may write in, as /tmp is.
            ::chmod(QFile::encodeName(dir.path()).constData(), 01777);
            SingleInstance s(dir.path(), "Test");
            c.place(s.Path(), dir.path());
            pid_t foreign = -1;
            if (c.rootOnly) {
                foreign = ForeignListener(s.Path());
                QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(s.Path()), 3000);
            }
            int raised = 0;
            s.onRaise = [&] { ++raised; };
            QCOMPARE(s.Claim(300), c.outcome);
            if (foreign > 0) {
                ::kill(foreign, SIGKILL);
                ::waitpid(foreign, nullptr, 0);
            }
            if (c.outcome != SingleInstance::Outcome::First) continue;
            // It is the running instance now: the next start finds it.
            std::atomic<int> next{-1};
            std::thread second([&] { next = static_cast<int>(SingleInstance(dir.path(), "Test").Claim(1000)); });
            QTRY_VERIFY_WITH_TIMEOUT(next != -1, 3000);
            second.join();
            QVERIFY2(next == static_cast<int>(SingleInstance::Outcome::HandedOver), c.name);
            QCOMPARE(raised, 1);
        }
    }

    void theRuntimeFolderIsPrivateOrNotUsed() {
        QTemporaryDir dir;
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR"), oldCache = qgetenv("XDG_CACHE_HOME");
        const QString cache = dir.path() + "/cache";
        qputenv("XDG_CACHE_HOME", cache.toUtf8());
        QDir().mkpath(dir.path() + "/runtime");
        QFile::setPermissions(dir.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", (dir.path() + "/runtime").toUtf8());
        QCOMPARE(tambrel::RuntimeFolder(), dir.path() + "/runtime");

        // Unset, or a folder others may enter: a private folder of the cache.
        QDir().mkpath(dir.path() + "/shared");
        ::chmod(QFile::encodeName(dir.path() + "/shared").constData(), 01777);
        for (const QByteArray& runtime : {QByteArray(), (dir.path() + "/shared").toUtf8()}) {
            if (runtime.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
            else qputenv("XDG_RUNTIME_DIR", runtime);
            QCOMPARE(tambrel::RuntimeFolder(), cache + "/TambrelOrchestra");
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(cache + "/TambrelOrchestra").constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, 0700u);
        }
        if (::geteuid() == 0) {
            // Made first by another user: not ours, and nothing is looked for.
            ::chown(QFile::encodeName(cache + "/TambrelOrchestra").constData(), 65534, 65534);
            QCOMPARE(tambrel::RuntimeFolder(), QString());
            QCOMPARE(SingleInstance(QString(), "Test").Claim(300), SingleInstance::Outcome::Alone);
        }
        qputenv("XDG_CACHE_HOME", oldCache);
        if (oldRuntime.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
        else qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
