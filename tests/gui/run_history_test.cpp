// The history's lines through Qt's JSON, read back past a torn last line, and
// signals turned into an orderly end.

#include "gui/run_history.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>

#include "gui/signal_watch.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

class RunHistoryTest : public QObject {
    Q_OBJECT

  private slots:
    // An open run stores nulls for what it lacks; the end's names are read in
    // run_record_test. Read from a file, a torn last line hides nothing: the
    // open run is taken for crashed (pid 1 is no feedrite), not closed.
    void records_survive_the_round_trip_and_a_torn_line() {
        QByteArray history;
        for (const bool open : {true, false}) {
            RunRecord r;
            r.id = "1-1700000000123", r.pid = 1, r.start_ms = 1700000000123;
            r.updated_ms = r.start_ms + 5000;
            r.device = "LATHE 2";
            r.program = "/shop/\"odd\" name\\part.nc";  // JSON escapes these, we do not
            r.cycles = 3, r.characters = 123456789012, r.blocks = 4567, r.stops = 2;
            if (!open) {
                r.end_ms = r.updated_ms, r.end = EndReason::Signal, r.end_detail = "SIGHUP";
                r.program_size = 7030819, r.sha256 = std::string(64, 'a');
                r.timing = {{"lengthened_share", 0.25}};
            }
            const QByteArray line = record_line(r);
            QVERIFY(!line.contains('\n'));
            const std::optional<RunRecord> back = read_record_line(line);
            QVERIFY(back.has_value());
            QCOMPARE(record_line(*back), line);
            QVERIFY(!read_record_line(line.left(line.size() - 1)));  // torn
            history += open ? line + '\n' : line.left(30);
        }
        testing::TempDir dir;
        const auto runs = read_history(dir.write("history.jsonl", history.toStdString()));
        QCOMPARE(runs.size(), std::size_t(1));
        QCOMPARE(runs[0].end, EndReason::Crash);
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
