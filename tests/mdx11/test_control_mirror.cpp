// The mirror's count of copies, which the remote control waits on: every copy
// taken after a change is numbered above the count taken with the change.
#include <QtTest>

#include "control_mirror.h"

class TestControlMirror : public QObject {
    Q_OBJECT

private slots:
    void copiesAfterAChangeAreAboveItsCount() {
        struct Row {
            const char* name;
            void (*change)(ControlMirror&);
        };
        // clang-format off
        const Row rows[] = {
            {"rows",            [](ControlMirror& m) { m.setRows({ChannelControlState{2, true, 0, 0, true}}); }},
            {"restart request", [](ControlMirror& m) { m.requestRestart({ChannelControlState{3, true, 1, 1, false}}); }},
            {"mode",            [](ControlMirror& m) { m.setModeCode(0); }},
            {"frequency",       [](ControlMirror& m) { m.setAdcFrequencyIndex(2); }},
            {"display period",  [](ControlMirror& m) { m.setDisplayPeriodMs(250); }},
        };
        // clang-format on
        for (const Row& row : rows) {
            ControlMirror mirror;
            const quint64 early = mirror.take().copy; // before the change: not above it
            mirror.take();
            row.change(mirror);
            // Taken in another thread before the count is read: it has the change.
            const MirrorSnapshot raced = mirror.take();
            const quint64 ticket = mirror.copiesBeforeLastChange();
            QVERIFY2(early <= ticket && raced.copy > ticket && raced.copy == mirror.copiesTaken(), row.name);
            QVERIFY2(mirror.take().copy == raced.copy + 1, row.name);
        }
    }
};

QTEST_MAIN(TestControlMirror)
#include "test_control_mirror.moc"
