// SPDX-License-Identifier: GPL-3.0-or-later
// feedrite-config: sets up a device's port settings without a window. It
// lives with the Qt code only for the event loop its speed test yields to.

#include <QCoreApplication>
#include <QTimer>
#include <iostream>

#include "base/file_user.h"
#include "btr/port/ppdev_device.h"
#include "btr/speed_test.h"
#include "config/calibration.h"
#include "core/console_host.h"
#include "tools/config_tool.h"
#include "tools/port_check_tool.h"

namespace {

// The speed test must count the same passes as the delays that the window
// makes later, and those yield to Qt's event loop: so does this host.
class EventLoopHost final : public feedrite::ConsoleHost {
  public:
    using ConsoleHost::ConsoleHost;
    void yield() override { QCoreApplication::processEvents(); }
};

}  // namespace

int main(int argc, char** argv) {
    // Before anything opens a file or starts a thread: threads inherit it.
    if (const std::string error = feedrite::open_files_as_invoking_user(); !error.empty()) {
        std::cerr << "feedrite-config: " << error << '\n';
        return 1;
    }
    const std::vector<std::string> args{argv + (argc > 0 ? 1 : 0), argv + argc};
    if (feedrite::asks_port_check(args)) {
        feedrite::ConsoleHost host(std::cerr);
        const auto device = feedrite::make_system_ppdev_device();
        return feedrite::run_port_check(args, host, *device, feedrite::read_kernel_facts(),
                                        std::cout, std::cerr);
    }
    int qt_argc = 1;
    QCoreApplication app(qt_argc, argv);
    EventLoopHost host(std::cerr);
    QTimer second;
    second.setSingleShot(true);
    second.setInterval(1000);
    bool* stopit = nullptr;
    QObject::connect(&second, &QTimer::timeout, [&stopit] { *stopit = true; });
    const auto speed_test = [&](int seconds, const feedrite::SecondsLeft& tell) {
        return feedrite::count_seconds(
            host,
            [&](bool& flag) {
                stopit = &flag;
                second.start();
            },
            seconds, tell);
    };
    return feedrite::run_config(args, host, speed_test, std::cout, std::cerr);
}
