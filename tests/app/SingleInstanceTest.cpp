#include <QLocalServer>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include "app/SingleInstance.h"

using tambrel::SingleInstance;

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
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
