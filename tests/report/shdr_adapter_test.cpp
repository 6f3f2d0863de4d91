// SPDX-License-Identifier: GPL-3.0-or-later
// The SHDR adapter with real agents on loopback sockets; the test plays the
// reporter's worker, calling update() as it would.
#include "report/shdr_adapter.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "tests/support/time_scale.h"

namespace feedrite {
namespace {

using Clock = std::chrono::steady_clock;

int connect_agent(int port, int receive_buffer = 0) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

// Updates the adapter until the agent has read `wanted`; what it read.
std::string read_until(ShdrAdapter& adapter, const ReportItems& items, int fd,
                       std::string_view wanted) {
    std::string heard;
    const auto until = Clock::now() + std::chrono::seconds(3 * testing::time_scale);
    while (heard.find(wanted) == std::string::npos && Clock::now() < until) {
        adapter.update(items);
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 20) <= 0) continue;
        char bytes[4096];
        const ssize_t got = recv(fd, bytes, sizeof bytes, 0);
        if (got <= 0) break;
        heard.append(bytes, static_cast<std::size_t>(got));
    }
    return heard;
}

ReportItems items_at(std::int64_t line, std::string block = "G01 X1") {
    MachineReport r;
    r.available = true;
    r.execution = Execution::Active;
    r.line = line;
    r.block = std::move(block);
    return report_items(r);
}

TEST(ShdrAdapter, AgentsConnectPingLeaveAndComeBack) {
    ShdrAdapter adapter;
    ASSERT_EQ(adapter.listen(0), "");
    const int first = connect_agent(adapter.port());
    EXPECT_NE(read_until(adapter, items_at(1), first, "|realtime|OFF\n").find("|avail|AVAILABLE|"),
              std::string::npos);
    ASSERT_EQ(send(first, "* PING\n", 7, 0), 7);
    EXPECT_NE(read_until(adapter, items_at(1), first, "* PONG 10000\n").find("* PONG"),
              std::string::npos);
    // Only what changed goes to an agent that has the rest.
    const std::string change = read_until(adapter, items_at(2), first, "|line|2\n");
    EXPECT_NE(change.find("|line|2\n"), std::string::npos) << change;
    EXPECT_EQ(change.find("avail"), std::string::npos) << change;
    // A second agent gets everything; the first leaves and comes back to everything.
    const int second = connect_agent(adapter.port());
    EXPECT_NE(read_until(adapter, items_at(2), second, "|realtime|OFF\n").find("|line|2|"),
              std::string::npos);
    close(first);
    const int again = connect_agent(adapter.port());
    EXPECT_NE(read_until(adapter, items_at(3), again, "|realtime|OFF\n").find("|avail|AVAILABLE|"),
              std::string::npos);
    adapter.update(items_at(3));
    EXPECT_EQ(adapter.clients(), 2u);
    close(second);
    close(again);
}

TEST(ShdrAdapter, AnAgentThatNeverReadsIsLetGoWithoutWaiting) {
    ShdrAdapter adapter({.clients = 8, .unsent = 16 * 1024, .line = 1024});
    ASSERT_EQ(adapter.listen(0), "");
    const int stuck = connect_agent(adapter.port(), 4096);
    const int reading = connect_agent(adapter.port());
    (void)read_until(adapter, items_at(1), reading, "|realtime|OFF\n");
    auto longest = Clock::duration::zero();
    std::int64_t line = 2;
    for (; line < 2000 && adapter.clients() == 2; ++line) {
        const auto start = Clock::now();
        adapter.update(items_at(line, std::string(2000, 'X') + std::to_string(line)));
        longest = std::max(longest, Clock::now() - start);
        char drain[65536];
        while (recv(reading, drain, sizeof drain, MSG_DONTWAIT) > 0) {
        }
    }
    EXPECT_EQ(adapter.clients(), 1u) << "after " << line << " updates";
    EXPECT_LT(longest, std::chrono::milliseconds(250 * testing::time_scale));
    const std::string last = "|line|" + std::to_string(line + 1) + "|";
    EXPECT_NE(read_until(adapter, items_at(line + 1), reading, last).find(last), std::string::npos);
    close(stuck);
    close(reading);
}

}  // namespace
}  // namespace feedrite
