// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "report/machine_report.h"
#include "report/mqtt_sink.h"
#include "report/shdr_lines.h"
#include "report/snapshot_mailbox.h"

namespace feedrite {
namespace {

MachineReport running() {
    MachineReport r;
    r.available = true;
    r.execution = Execution::FeedHold;
    r.device = "mill|1";
    r.program = "part.nc";
    r.line = 12;
    r.block = "N12 G01 X1 (\xB0 tab\there)";  // Latin-1 degree sign
    r.cycles = 3;
    r.last_cycle = 61.26;
    r.port = Level::Fault;
    r.port_text = "the port failed: no such device";
    return r;
}

std::array<bool, report_item_count> all() {
    std::array<bool, report_item_count> send{};
    send.fill(true);
    return send;
}

TEST(ReportItems, ShdrLinesCarryEveryValueAndTheConditionApart) {
    const std::string lines = shdr_lines(report_items(running()), all(), "T");
    EXPECT_EQ(lines,
              "T|avail|AVAILABLE|execution|FEED_HOLD|device|mill/1|program|part.nc"
              "|program_sha256|UNAVAILABLE|line|12|block|N12 G01 X1 (\xC2\xB0 tab here)"
              "|part_count|3|last_cycle_time|61.3|time_left|UNAVAILABLE|waits|UNAVAILABLE"
              "|wait_blocks|0|realtime|OFF\n"
              "T|port|FAULT||||the port failed: no such device\n");
    std::array<bool, report_item_count> only{};
    only[1] = true;
    EXPECT_EQ(shdr_lines(report_items(running()), only, "T"), "T|execution|FEED_HOLD\n");
    EXPECT_EQ(shdr_lines(report_items(running()), {}, "T"), "");
}

TEST(ReportItems, MqttPayloadsAreJson) {
    const ReportItems items = report_items(running());
    const auto payload = [&](std::string_view key) {
        for (const ReportItem& item : items)
            if (item.key == key) return mqtt_payload(item);
        return std::string("missing");
    };
    EXPECT_EQ(payload("avail"), "\"AVAILABLE\"");
    EXPECT_EQ(payload("line"), "12");
    EXPECT_EQ(payload("time_left"), "null");
    EXPECT_EQ(payload("program_sha256"), "null");
    EXPECT_EQ(payload("block"), "\"N12 G01 X1 (\xC2\xB0 tab\\there)\"");
    EXPECT_EQ(payload("port"), R"({"level":"FAULT","text":"the port failed: no such device"})");
    EXPECT_EQ(mqtt_payload(report_items(MachineReport())[0]), "\"UNAVAILABLE\"");
}

TEST(ReportItems, OnlyAPingIsAnswered) {
    const struct {
        const char* line;
        bool answered;
    } cases[] = {{"* PING", true},      {"* PING\r", true},
                 {"* PONG 10", false},  {"|execution|STOPPED", false},
                 {"* shutdown", false}, {"", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto answer = shdr_answer(c.line);
        EXPECT_EQ(answer.has_value(), c.answered);
        if (answer) {
            EXPECT_EQ(*answer, "* PONG 10000\n");
        }
    }
}

TEST(ReportItems, MailboxKeepsTheNewestAndTakesItOnce) {
    SnapshotMailbox mailbox;
    MachineReport taken;
    EXPECT_FALSE(mailbox.take(taken));
    MachineReport report = running();
    EXPECT_TRUE(mailbox.offer(report));
    report.line = 13;
    EXPECT_TRUE(mailbox.offer(report));
    EXPECT_TRUE(mailbox.take(taken));
    EXPECT_EQ(taken, report);
    EXPECT_EQ(mailbox.coalesced(), 1);
    EXPECT_FALSE(mailbox.take(taken));
    EXPECT_EQ(taken, report);
}

}  // namespace
}  // namespace feedrite
