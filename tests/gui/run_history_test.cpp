// The history's lines through Qt's JSON, read back past a torn last line, and
// signals turned into an orderly end.

#include "gui/run_history.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>

#include "config/append_line.h"
#include "gui/signal_watch.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

class RunHistoryTest : public QObject {
    Q_OBJECT

  private slots:
    void records_survive_the_round_trip_for_every_end() {
        for (const EndReason end :
             {EndReason::Open, EndReason::Closed, EndReason::Signal, EndReason::LoadFailure,
              EndReason::PortError, EndReason::Finished}) {
            RunRecord r;
            r.id = "42-1700000000123";
            r.pid = 42;
            r.start_ms = 1700000000123;
            r.updated_ms = r.start_ms + 5000;
            r.end_ms = end == EndReason::Open ? 0 : r.updated_ms;
            r.device = "LATHE 2";
            r.program = "/shop/\"odd\" name\\part.nc";  // JSON escapes these, we do not
            r.program_size = end == EndReason::LoadFailure ? -1 : 7030819;
            r.sha256 = end == EndReason::LoadFailure ? "" : std::string(64, 'a');
            r.cycles = 3, r.characters = 123456789012, r.blocks = 4567, r.stops = 2;
            r.end = end;
            r.end_detail = end == EndReason::Signal ? "SIGHUP" : "";
            if (end == EndReason::Closed) r.timing = {{"lengthened_share", 0.25}};
            const QByteArray line = record_line(r);
            QVERIFY(!line.contains('\n'));
            const std::optional<RunRecord> back = read_record_line(line);
            QVERIFY(back.has_value());
            QCOMPARE(record_line(*back), line);
            QVERIFY(!read_record_line(line.left(line.size() - 1)));  // torn
        }
    }

    void a_torn_last_line_hides_nothing_and_an_open_run_crashed() {
        testing::TempDir dir;
        const std::string path = dir.file("history.jsonl");
        RunRecord r;
        r.pid = 1;  // not a feedrite
        r.start_ms = 1700000000000;
        for (const char* id : {"a", "b"}) {
            r.id = id;
            QVERIFY(append_line(path, record_line(r).toStdString()).ok());
        }
        r.end = EndReason::Closed;
        const QByteArray closing = record_line(r);
        dir.write("history.jsonl", dir.read("history.jsonl") + closing.left(30).toStdString());
        QCOMPARE(read_history(path).back().end, EndReason::Crash);  // the torn line does not count
        QVERIFY(append_line(path, closing.toStdString()).ok());
        const auto runs = read_history(path);
        QCOMPARE(runs.size(), std::size_t(2));
        QCOMPARE(runs[0].end, EndReason::Crash);
        QCOMPARE(runs[1].end, EndReason::Closed);
    }

    void a_signal_arrives_on_the_event_loop() {
        for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
            SignalWatch watch;
            QSignalSpy ending(&watch, &SignalWatch::ending);
            std::raise(number);
            QTRY_COMPARE(ending.count(), 1);
            QCOMPARE(ending.at(0).at(0).toString().toStdString(), signal_name(number));
        }
    }
};

QTEST_MAIN(RunHistoryTest)
#include "run_history_test.moc"
