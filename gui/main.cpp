// SPDX-License-Identifier: GPL-3.0-or-later
// feedrite: feeds a part program to a CNC control through the parallel port.

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>

#include "base/file_user.h"
#include "base/program_dir.h"
#include "base/state_dir.h"
#include "btr/port/port_check.h"
#include "config/port_settings_reader.h"
#include "config/settings_paths.h"
#include "core/realtime.h"
#include "core/window_state.h"
#include "gui/configure_btr.h"
#include "gui/feedrite_form.h"
#include "gui/logind_inhibitor.h"
#include "gui/open_program_dialog.h"
#include "gui/pin_test_window.h"
#include "gui/realtime_kit.h"
#include "gui/run_history.h"
#include "gui/signal_watch.h"
#include "gui/virtual_control_window.h"
#include "sim/control_cable.h"
#include "tools/command_line.h"
#include "tools/recent_programs.h"

namespace {

std::vector<std::string> arguments_after_program_name(int argc, char** argv) {
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

// The configuration start: only the dialog, centred on the screen, over the
// hidden main window; the program ends when the dialog closes either way.
int run_configuration(feedrite::FeedriteForm& form, feedrite::PortKind port_kind) {
    using namespace feedrite;
    configure_BTR dialog(form.program_dir(), form.host(), &form);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize size = dialog.sizeHint();
        dialog.move(area.center().x() - size.width() / 2,
                    std::max(0, area.center().y() - size.height() / 2));
    }
    // The device the dialog starts on is read into this record before the claim.
    PortSettings device;
    const std::unique_ptr<PortAccess> port = make_port(port_kind, device);
    if (dialog.start(port.get()) == configure_BTR::StartResult::ProgramEnds) return 0;
    dialog.exec();
    return 0;
}

// The pin test on the device's port; on the virtual port the Virtual control
// window shows the lines, and a device not set up is wired with the defaults.
int run_pin_test(const std::string& dir, const std::string& device, feedrite::PortKind kind,
                 feedrite::Host& host) {
    using namespace feedrite;
    const SettingsRead read = read_settings_file(settings_path(dir, device));
    if (!read.settings && !is_virtual(kind)) {
        host.message_box("BTR port has not been configured for " + device +
                             ".\nSet it up first: feedrite Configure.",
                         "BTR port error", MessageIcon::Exclamation, MessageButtons::Ok);
        return 1;
    }
    const PortSettings settings = read.settings.value_or(PortSettings{});
    const std::unique_ptr<PortAccess> port = make_port(kind, settings);
    if (const PortError error = port->port_open(settings.BTRaddress, 3); !error.ok()) {
        std::function<void()> check;
        if (kind == PortKind::Ppdev)
            check = [&] { show_port_check(host, check_system_port(settings.BTRaddress)); };
        report_port_error(host, error.message, check);
        return 1;
    }
    PinTestWindow window(*port, settings);
    window.setWindowTitle(QString::fromStdString("Pin test - " + device));
    std::unique_ptr<VirtualControlWindow> control;
    if (auto* simulated = port->capability<ControlCable>()) {
        control = std::make_unique<VirtualControlWindow>([simulated] { return simulated; });
        control->keep_place_in(dir);
        control->place(window);
    }
    window.show();
    if (control) control->show();
    return QApplication::exec();
}

// The icon theme's, as installed; the PNGs built into the program where no
// theme has it (a build-tree copy, a desktop without hicolor).
QIcon window_icon() {
    QIcon fallback;
    for (const int size : {16, 32, 48, 64, 128, 256})
        fallback.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral(FEEDRITE_APP_ID), fallback);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace feedrite;
    // Before anything opens a file or starts a thread: threads inherit it.
    if (const std::string error = open_files_as_invoking_user(); !error.empty()) {
        std::cerr << "feedrite: " << error << '\n';
        return 1;
    }
    // Everything that needs no window is decided before Qt starts, so --help,
    // a bad command line and the empty text never need a display.
    const Options options = parse_options(arguments_after_program_name(argc, argv));
    if (!options.error.empty()) {
        std::cerr << "feedrite: " << options.error << "\n\n" << usage_text();
        return 2;
    }
    if (options.help) {
        SystemScheduler scheduler;
        std::cout << usage_text();
        // Said on stderr: the man page, made from stdout, is the same for every machine.
        std::cerr << '\n' << realtime_allowed(scheduler) << '\n';
        return 0;
    }
    if (options.version) {
        std::cout << "feedrite " << FEEDRITE_VERSION << '\n';
        return 0;
    }
    // Qt Core's JSON only: no display needed.
    if (options.history > 0) {
        const std::vector<RunRecord> runs = read_history(history_path());
        if (history_path().empty())
            std::cout << "No runs are kept: neither XDG_STATE_HOME nor HOME is a full path.\n";
        else if (runs.empty())
            std::cout << "No runs recorded in " << history_path() << " yet.\n";
        else
            std::cout << history_table(runs, static_cast<std::size_t>(options.history));
        return 0;
    }
    // Qt's own options (-platform, -style, ...) go to Qt; the other words,
    // joined with blanks, say what to do (with --open: the file, if any).
    ToolkitSplit words = split_toolkit_options(options.rest);
    const std::string text = join_arguments(words.text);
    StartRequest request;
    request.kind = StartKind::Send;  // --open asks for the rest in a window
    if (!options.open && !options.pin_test) request = read_command_line(text);
    if (request.kind == StartKind::Unsplittable) {
        std::cerr << unsplittable_message(text);
        return 2;
    }
    if (request.kind == StartKind::Empty) {
        std::cerr << empty_start_message();  // an empty start ends at once, but not unexplained
        return 0;
    }
    if (!display_available(words.toolkit, environment)) {
        std::cerr << no_display_message();
        return 2;
    }
    std::vector<char*> qt_argv{argv[0]};
    for (auto& arg : words.toolkit) qt_argv.push_back(arg.data());
    int qt_argc = static_cast<int>(qt_argv.size());
    qt_argv.push_back(nullptr);

    QApplication app(qt_argc, qt_argv.data());
    // The application name becomes the class of X11's WM_CLASS and the desktop
    // file name Wayland's app id: both are the desktop entry's id, so docks tie
    // the windows to the launcher (StartupWMClass says the same).
    QApplication::setApplicationName(QStringLiteral(FEEDRITE_APP_ID));
    QApplication::setApplicationVersion(QStringLiteral(FEEDRITE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(FEEDRITE_APP_ID));
    QApplication::setWindowIcon(window_icon());

    ModuleState module;
    const PortKind port_kind = port_kind_for(options.simulate, options.raw_io, options.hold);
    const ProgramPlaces places = resolve_program_places(options.program_dir);
    if (!places.note.empty()) std::cerr << "feedrite: " << places.note << '\n';
    FeedriteForm form(module, places, port_kind);
    if (request.kind == StartKind::Configure) return run_configuration(form, port_kind);
    if (options.pin_test)
        return run_pin_test(places.dir, text.empty() ? default_device_name : text, port_kind,
                            form.host());
    if (options.open) {
        // The text after the options is the file to preselect, if any.
        OpenProgramDialog chooser(places.dir, form.host(), port_kind, text);
        if (chooser.exec() != QDialog::Accepted) return 0;
        request = chooser.request();
    }
    // Only a send that started is remembered: not one refused as not set
    // up, whose port would not open, or whose program could not be loaded.
    form.when_started([dir = places.dir, request] { remember_program(dir, request); });
    QObject::connect(&form, &FeedriteForm::start_transmission, &form, &FeedriteForm::send_file);
    form.keep_history(history_path());
    form.keep_awake_with(std::make_unique<LogindInhibitor>(), std::cerr);
    form.send_with_realtime(std::make_unique<DesktopScheduler>());
    SignalWatch signal_watch;
    QObject::connect(&signal_watch, &SignalWatch::ending, &form,
                     [&form](const QString& name) { form.end_on_signal(name.toStdString()); });
    // The control on the other end of the virtual cable, in a window of its
    // own, placed with the main window before either is shown; or later, when
    // the hardware's port would not open and the user chose to try it there.
    std::unique_ptr<VirtualControlWindow> control_window;
    const auto make_control_window = [&form, &control_window] {
        control_window =
            std::make_unique<VirtualControlWindow>([&form] { return form.control_cable(); });
        control_window->keep_place_in(form.program_dir());
        control_window->place(form);
    };
    form.offer_simulation_with([&make_control_window, &control_window] {
        make_control_window();
        control_window->show();
    });
    form.start_up(request);
    if (options.simulate) make_control_window();
    form.show();
    if (control_window) control_window->show();
    return QApplication::exec();
}
