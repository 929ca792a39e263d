// The mirror's count of copies, which the remote control waits on: every
// copy taken after a change, also one taken before the count is read, is
// numbered above the count taken with the change.
#include <QtTest>
#include <vector>

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
        const std::vector<Row> rows = {
            {"rows",            [](ControlMirror& m) { m.setRows({ChannelControlState{2, true, 0, 0, true}}); }},
            {"restart request", [](ControlMirror& m) { m.requestRestart({ChannelControlState{3, true, 1, 1, false}}); }},
            {"mode",            [](ControlMirror& m) { m.setModeCode(0); }},
            {"frequency",       [](ControlMirror& m) { m.setAdcFrequencyIndex(2); }},
            {"display period",  [](ControlMirror& m) { m.setDisplayPeriodMs(250); }},
        };
        // clang-format on
        for (const Row& row : rows) {
            ControlMirror mirror;
            mirror.take();
            mirror.take();
            row.change(mirror);
            // A restart in another thread takes its copy before the count
            // is read: that copy has the change and must count.
            const MirrorSnapshot raced = mirror.take();
            const quint64 ticket = mirror.copiesBeforeLastChange();
            QVERIFY2(raced.copy > ticket, row.name);
            QCOMPARE(raced.copy, mirror.copiesTaken());
            QCOMPARE(mirror.take().copy, raced.copy + 1);
            // A copy taken before the change is not above it.
            ControlMirror before;
            const MirrorSnapshot early = before.take();
            row.change(before);
            QVERIFY2(early.copy <= before.copiesBeforeLastChange(), row.name);
        }
    }
};

QTEST_MAIN(TestControlMirror)
#include "test_control_mirror.moc"
