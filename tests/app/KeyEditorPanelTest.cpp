// The key assignment panel with no program behind it: what it shows before a
// key is chosen and how its arrows repeat on the program's timers.

#include <QSignalSpy>
#include <QTest>

#include "app/KeyEditorPanel.h"
#include "common/VirtualClock.h"
#include "controls/SkinButton.h"
#include "editor/KeyEditorView.h"

using namespace tambrel;

class KeyEditorPanelTest : public QObject {
    Q_OBJECT
private slots:
    void StartsOnTheNoKeyHint() {
        KeyEditorPanel panel;
        QCOMPARE(panel.layers->currentIndex(), 0);
        QCOMPARE(panel.hintLbl->text(), QString::fromLatin1(kHintNoKey.data(), static_cast<int>(kHintNoKey.size())));
        QVERIFY(!panel.sourceBtn[1]->toolTip().isEmpty());
        QCOMPARE(panel.sourceBtn[1]->accessibleName(), QStringLiteral("Wave"));
    }
    void ArrowsRepeatAfter250ThenEvery75() {
        VirtualClock clock;
        KeyEditorPanel panel;
        panel.SetTimerHost(&clock);
        SkinButton* up = panel.keyUp[0];
        QSignalSpy repeats(up, &SkinButton::Repeat);
        QTest::mousePress(up, Qt::LeftButton);
        clock.AdvanceBy(249);
        QCOMPARE(repeats.count(), 0);
        clock.AdvanceBy(1);
        QCOMPARE(repeats.count(), 1);
        clock.AdvanceBy(75 * 3);
        QCOMPARE(repeats.count(), 4);
        QTest::mouseRelease(up, Qt::LeftButton);
        clock.AdvanceBy(500);
        QCOMPARE(repeats.count(), 4);
        panel.SetTimerHost(nullptr);
    }
};

QTEST_MAIN(KeyEditorPanelTest)
#include "KeyEditorPanelTest.moc"
