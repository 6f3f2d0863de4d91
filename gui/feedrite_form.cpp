// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/feedrite_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPalette>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <utility>

#include "base/number_text.h"
#include "base/sha256.h"
#include "base/stop_request.h"
#include "btr/block/hilight_line.h"
#include "btr/code_table.h"
#include "btr/port/port_check.h"
#include "config/editor_settings.h"
#include "config/window_places.h"
#include "core/window_math.h"
#include "edit/edit_mode.h"
#include "edit/save_file.h"
#include "gui/configure_btr.h"
#include "gui/program_edit.h"
#include "gui/progress_bar.h"
#include "gui/resume_dialog.h"
#include "gui/search_dialog.h"
#include "gui/signal_watch.h"
#include "gui/status_panels.h"
#include "gui/toolpath_view.h"
#include "gui/warning_form.h"
#include "motion/estimate.h"
#include "motion/modal_codes.h"
#include "motion/motion_model.h"
#include "resume/restart_points.h"
#include "run/send_driver.h"
#include "sim/control_cable.h"

namespace feedrite {
namespace {

QColor qt_color(const Rgb& rgb) {
    return {rgb.red, rgb.green, rgb.blue};
}

// The key codes the view's rules know; every other key counts as typing.
int key_code(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Up:
            return key_arrow_up;
        case Qt::Key_Down:
            return key_arrow_down;
        case Qt::Key_PageUp:
            return key_page_up;
        case Qt::Key_PageDown:
            return key_page_down;
        case Qt::Key_Shift:
            return key_shift;
        case Qt::Key_Control:
        case Qt::Key_Meta:
            return key_control;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return key_alt;
        case Qt::Key_CapsLock:
            return key_caps_lock;
        case Qt::Key_NumLock:
            return key_num_lock;
        default:
            return 0x10000 + event.key();
    }
}

// Beside the toolpath the program keeps this many columns in sight; the
// path beside it at least this many pixels.
constexpr int program_columns = 40;
constexpr int toolpath_least_width = 240;

// Initial size of the window: 900 x 650 pixels at 96 dpi.
constexpr int initial_width_twips = 13500;
constexpr int initial_height_twips = 9750;

}  // namespace

FeedriteForm::FeedriteForm(ModuleState& module, ProgramPlaces places, PortKind port_kind,
                           QWidget* parent)
    : QWidget(parent),
      module_(module),
      places_(std::move(places)),
      txtedit_(new ProgramEdit(this)),
      split_(new QSplitter(this)),
      toolpath_(new ToolpathView(split_)),
      toolpath_action_(new QAction(tr("Toolpath"), this)),
      StatusBar1_(new StatusPanels(this)),
      progress_bar_(new ProgressBar(this)),
      view_(*txtedit_),
      host_(*this, Timer3_),
      port_kind_(port_kind),
      session_(host_, view_, nullptr),
      resume_action_(new QAction(tr("Resume here\u2026"), this)),
      program_watch_(new ProgramWatch(this)) {
    use_port(port_kind);
    // The port is let go before the process ends; nothing writes to it later.
    host_.on_end([this] { session_.end(); });
    choose_save_path_ = [this](const std::string& program) {
        return QFileDialog::getSaveFileName(this, tr("Save the edited program as"),
                                            QString::fromLocal8Bit(program))
            .toLocal8Bit()
            .toStdString();
    };
    QFont courier(QStringLiteral("Courier"), 12);
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    txtedit_->setFont(courier);
    // Outside edit mode the operator may move the caret and select, not type.
    txtedit_->set_read_only(true);
    txtedit_->installEventFilter(this);
    txtedit_->viewport()->installEventFilter(this);
    connect(StatusBar1_, &StatusPanels::panel_clicked, this, &FeedriteForm::StatusBar1_click);
    connect(txtedit_, &ProgramEdit::text_edited, this, [this] { session_.text_edited(); });
    // A key without a modifier: a modifier pressed alone counts as typing in the view.
    resume_action_->setShortcut(QKeySequence(Qt::Key_F5));
    resume_action_->setShortcutContext(Qt::WindowShortcut);
    addAction(resume_action_);
    connect(resume_action_, &QAction::triggered, this, [this] { resume_here(); });
    txtedit_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(txtedit_, &QWidget::customContextMenuRequested, this, &FeedriteForm::show_view_menu);
    connect(program_watch_, &ProgramWatch::changed, this, &FeedriteForm::offer_reload);
    connect(program_watch_, &ProgramWatch::removed, this, [this] {
        host_.notice("The program file is no longer on disk:\n" + program_watch_->path() +
                         "\n\nThe program as loaded stays in this window and is still sent.",
                     "Program file gone", MessageIcon::Exclamation);
    });

    split_->addWidget(txtedit_);
    split_->addWidget(toolpath_);
    split_->setChildrenCollapsible(false);
    split_->setStretchFactor(0, 3);
    split_->setStretchFactor(1, 2);
    toolpath_->hide();
    toolpath_action_->setCheckable(true);
    toolpath_action_->setShortcut(QKeySequence(Qt::Key_F6));
    toolpath_action_->setShortcutContext(Qt::WindowShortcut);
    addAction(toolpath_action_);
    connect(toolpath_action_, &QAction::toggled, this, &FeedriteForm::show_toolpath);
    // Only the operator's choice is kept.
    connect(toolpath_action_, &QAction::triggered, this, [this](bool shown) {
        WindowPlaces kept = read_window_places(places_.dir);
        kept.toolpath_shown = shown;
        write_window_places(places_.dir, kept);
    });
    connect(split_, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = split_->sizes();
        if (sizes[0] + sizes[1] > 0)
            toolpath_share_ = static_cast<double>(sizes[1]) / (sizes[0] + sizes[1]);
    });
    toolpath_action_->setChecked(read_window_places(places_.dir).toolpath_shown);
    connect(toolpath_, &ToolpathView::line_clicked, this, &FeedriteForm::select_line);
    connect(toolpath_, &ToolpathView::menu_requested, this, &FeedriteForm::show_line_menu);
    // The selected line's moves follow the view's selection, which is also
    // the block being sent.
    connect(txtedit_, &ProgramEdit::selection_moved, this, [this] {
        if (toolpath_action_->isChecked() && !session_.flags().Edit_mode)
            toolpath_->set_selected_line(view_.line_index(view_.selection_start()) + 1);
    });

    Timer1_.setInterval(250);
    connect(&Timer1_, &QTimer::timeout, this, &FeedriteForm::Timer1_tick);
    Timer1_.start();
    Timer2_.setSingleShot(true);
    connect(&Timer2_, &QTimer::timeout, this, &FeedriteForm::Timer2_tick);
    Timer3_.setInterval(7000);
    connect(&Timer3_, &QTimer::timeout, this, &FeedriteForm::Timer3_tick);
    // Four times a second, so the figures never lag by more than half a second.
    progress_timer_.setInterval(250);
    connect(&progress_timer_, &QTimer::timeout, this, &FeedriteForm::show_progress);
    progress_timer_.start();

    const double dpi = logicalDpiY();
    QSize size(twips_to_pixels(initial_width_twips, dpi),
               twips_to_pixels(initial_height_twips, dpi));
    // A small or strongly scaled screen gets a window that still fits on it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

void FeedriteForm::start_up(const StartRequest& request) {
    module_.CALL_expanded = false;
    host_.set_wait_pointer(true);
    session_.read_look(editor_settings_path(places_.dir));
    view_.set_text("Loading...");
    session_.start(request.filename, request.IO_device_name, request.Binaryfile);
    set_masters();
    StatusBar1_->set_panel_text(1, QStringLiteral("line pos.= 1"));
    StatusBar1_->set_panel_text(2, QStringLiteral("byte pos. = 0"));
    (void)code_table();  // built here, once, before anything is sent
    show_simulation();
    StatusBar1_->set_panel_text(3, QStringLiteral("Search"));
    StatusBar1_->set_panel_text(4, QStringLiteral("Reset"));
    StatusBar1_->set_panel_text(5, QStringLiteral("Edit"));
    Timer2_.setInterval(100);
    Timer2_.start();
}

ProgramEdit& FeedriteForm::txtedit() const {
    return *txtedit_;
}

ControlCable* FeedriteForm::control_cable() {
    return session_.port_capability<ControlCable>();
}

void FeedriteForm::use_port(PortKind kind) {
    port_kind_ = kind;
    // Only the virtual port whose control starts in run is "Simulation" to the history.
    session_.use_port([kind](const PortSettings& device) { return make_port(kind, device); },
                      kind == PortKind::Virtual);
}

void FeedriteForm::show_simulation() {
    const bool simulation = port_kind_ == PortKind::Virtual;
    host_.set_caption(caption_for(session_.flags().filename, simulation));
    StatusBar1_->set_simulation(simulation);
}

void FeedriteForm::send_file() {
    session_.report_machine(places_.dir, std::cerr, "feedrite: ");
    SendDriverHooks hooks;
    hooks.after_load = [this] { return after_load(); };
    // A note on the loaded program goes where the window's other notes go:
    // a notice, which stops nothing (a resume offer then takes its place).
    hooks.note = [this](const std::string& note) {
        host_.notice(note, "Program start", MessageIcon::None);
    };
    hooks.block_sent = [this](TextPos start) {
        if (toolpath_action_->isChecked()) toolpath_->set_tool_line(view_.line_index(start) + 1);
    };
    if (port_kind_ == PortKind::Ppdev)
        hooks.check_port = [this] {
            show_port_check(host_, check_system_port(session_.settings().BTRaddress));
        };
    // A device not set up leads to the dialog that sets it up, then sends; a
    // port that cannot be opened, to the Virtual control.
    for (;;) {
        const SendOutcome outcome = session_.send(module_, places_, hooks);
        if (outcome == SendOutcome::NotConfigured && offer_configuration()) continue;
        if (outcome == SendOutcome::PortUnavailable && offer_simulation()) continue;
        return;
    }
}

bool FeedriteForm::offer_simulation() {
    if (port_kind_ == PortKind::Virtual || !show_control_) return false;
    const MessageAnswer answer = host_.message_box(
        "Try it on the Virtual control?\nThe program is fed to a virtual control on a virtual "
        "port, shown in a window beside this one: nothing reaches the machine.",
        "Try it on the Virtual control", MessageIcon::None, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes || session_.state() == SessionState::Closing) return false;
    use_port(PortKind::Virtual);
    show_simulation();
    show_control_();
    return true;
}

bool FeedriteForm::offer_configuration() {
    const std::string device = session_.flags().IO_device_name;
    const MessageAnswer answer =
        host_.message_box("Set up the device " + device +
                              " now, in the configuration dialog?\n"
                              "The program is sent once it is set up.",
                          "BTR port error", MessageIcon::Exclamation, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes || session_.state() == SessionState::Closing) return false;
    configure_on_own_port(places_.dir, host_, port_kind_, this);
    return device_is_set_up(places_.dir, device) && session_.state() != SessionState::Closing;
}

void FeedriteForm::estimate_times() {
    if (!session_.estimate(txtedit_->model().lines().revision())) return;
    const ProgramEstimate& estimate = session_.program_estimate();
    std::vector<std::int64_t> marked;
    marked.reserve(estimate.waiting_lines.size());
    for (const std::int32_t line : estimate.waiting_lines) marked.push_back(line - 1);
    txtedit_->set_marked_lines(std::move(marked));
    // Where the program sets itself up again: the safe places to restart.
    std::vector<std::int64_t> restarts = all_restart_points(program_lines(view_.text()));
    for (std::int64_t& line : restarts) --line;
    txtedit_->set_restart_lines(std::move(restarts));
    toolpath_->set_waiting_lines(estimate.waiting_lines);
}

bool FeedriteForm::after_load() {
    session_.mark_loaded();
    program_watch_->watch(session_.flags().filename);
    if (toolpath_action_->isChecked()) build_toolpath();
    // Each stage of a large program takes a while: a signal ends them here.
    if (stop_requested()) return false;
    estimate_times();
    if (stop_requested()) return false;
    // Loading is done: from here on the thread mostly waits and sleeps.
    session_.hold_realtime(true);
    const std::string& device = session_.flags().IO_device_name;
    const std::string path = resume_journal_path(device);
    const auto record = read_resume_record(path);
    std::string sha256;
    // Hashing a large program takes a while: done here only when there may be
    // a run to resume, else on the journal's thread.
    if (record && record->running && record->device == device) {
        const std::string text = view_.text();
        sha256 = sha256_hex(text);
        const auto lines = static_cast<std::int64_t>(program_lines(text).size());
        if (const auto line = line_to_resume(record, sha256, device, lines)) offer_resume(*line);
    }
    std::function<std::string()> digest;
    if (sha256.empty()) digest = [text = view_.text()] { return sha256_hex(text); };
    // Started after the offer, so a declined offer keeps the record until a run replaces it.
    session_.keep_journal(std::make_unique<JournalWriter>(
        path, ResumeRecord{session_.flags().filename, sha256, device, 0, false},
        std::chrono::seconds(1), std::move(digest),
        [](const std::string& why) { std::cerr << "feedrite: " << why << '\n'; }));
    return true;
}

// Asked without waiting: the tape waits at its start as always, and an
// operator who started the run and walked to the machine is not held up.
void FeedriteForm::offer_resume(std::int64_t line) {
    const std::string n = std::to_string(line);
    offered_line_ = line;
    offered_at_cycle_ = session_.counters().cycles_started;
    host_.ask_without_waiting(
        "The last run of this program on " + session_.flags().IO_device_name +
            " did not end cleanly.\nThe control had read line " + n +
            " when it stopped.\n\nResume at line " + n + "?",
        "Resume", MessageIcon::Exclamation, [this, line](MessageAnswer answer) {
            const bool stale = offered_line_ == 0;
            offered_line_ = 0;
            if (answer == MessageAnswer::Yes && !stale && still_stands(line, offered_at_cycle_))
                review_resume(line);
        });
}

// Never loaded again on its own: the operator decides, and the new text
// takes over only at the tape's restart point, where no data flows. A
// control that holds or stopped mid-program is never sent back to the top
// behind its back: the reload waits for the Reset panel or the tape's end.
void FeedriteForm::offer_reload() {
    std::string text = "The program file has changed on disk since it was loaded:\n" +
                       program_watch_->path() + "\n\nLoad it again?";
    if (session_.flags().File_is_edited) text += "\nThe changes made in this window are lost.";
    text += session_.counters().phase == RunPhase::Sending
                ? "\nThe control is in the middle of the program: it is loaded again when you "
                  "click Reset or the tape reaches its end. Until then Cycle start goes on "
                  "with the program as it was loaded."
                : "\nThe tape goes back to the program's start: the next Cycle start reads the "
                  "new program from its start.";
    host_.ask_without_waiting(text, "Program changed", MessageIcon::Exclamation,
                              [this](MessageAnswer answer) {
                                  if (answer != MessageAnswer::Yes) {
                                      program_watch_->accept_current();
                                      return;
                                  }
                                  session_.reload();
                              });
}

void FeedriteForm::withdraw_stale_offer() {
    if (offered_line_ == 0 || session_.counters().cycles_started == offered_at_cycle_) return;
    const std::string n = std::to_string(offered_line_);
    offered_line_ = 0;
    host_.notice(
        "The control has started reading the program from its start.\nThe offer to resume "
        "at line " +
            n + " is withdrawn.",
        "Resume", MessageIcon::None);
}

void FeedriteForm::show_view_menu(const QPoint& at) {
    // The line clicked on, not the caret's: the menu acts where it was opened.
    show_line_menu(view_.line_index(txtedit_->position_at(at)) + 1,
                   txtedit_->viewport()->mapToGlobal(at));
}

void FeedriteForm::show_line_menu(std::int64_t line, const QPoint& global) {
    QMenu menu(this);
    QAction* here = menu.addAction(resume_action_->text());
    here->setEnabled(line > 0 && session_.may_resume());
    QAction* waits = menu.addAction(tr("Where the control waits\u2026"));
    menu.addSeparator();
    menu.addAction(toolpath_action_);
    waits->setEnabled(session_.loaded() && !session_.flags().Binaryfile);
    QAction* chosen = menu.exec(global);
    if (chosen == here) resume_at(line);
    if (chosen == waits) show_waits();
}

void FeedriteForm::show_waits() {
    std::string cps = format_number(session_.settings().speed_cps.value_or(0));
    cps.erase(0, cps.find_first_not_of(' '));
    const LineText& lines = txtedit_->model().lines();
    const std::string text = waits_report(
        session_.program_estimate(), "the device's speed of " + cps + " cps",
        [&](std::size_t i) {
            const auto index = static_cast<std::int64_t>(i);
            return index < lines.line_count() ? std::string(lines.line(index)) : std::string();
        },
        session_.settings().wait_mark_s);
    // A notice: a box that waited for its answer would hold the tape meanwhile.
    host_.notice(text, "Where the control waits", MessageIcon::None);
}

void FeedriteForm::show_toolpath(bool shown) {
    toolpath_->setVisible(shown);
    if (!shown) return;
    share_split();
    build_toolpath();
}

void FeedriteForm::share_split() {
    if (toolpath_->isHidden()) return;
    // The program keeps room for whole blocks beside the path; a window too
    // narrow for both (a small screen shared with the Virtual control) puts
    // the path under the program instead.
    const int glyph = std::max(1, txtedit_->fontMetrics().horizontalAdvance(QLatin1Char('M')));
    const int program = program_columns * glyph + txtedit_->verticalScrollBar()->sizeHint().width();
    const bool beside = split_->width() - program >= toolpath_least_width;
    split_->setOrientation(beside ? Qt::Horizontal : Qt::Vertical);
    const int length = beside ? split_->width() : split_->height();
    int path = static_cast<int>(length * toolpath_share_);
    if (beside) path = std::min(path, length - program);
    split_->setSizes({length - path, path});
}

void FeedriteForm::build_toolpath() {
    // The model of a large program takes seconds: never at real-time priority.
    const bool was_realtime = session_.realtime().granted;
    if (was_realtime) session_.hold_realtime(false);
    build_toolpath_model();
    if (was_realtime) session_.hold_realtime(true);
}

void FeedriteForm::build_toolpath_model() {
    // A report ("Loading...", a load failure) or a binary file has no path.
    const WindowState& state = session_.flags();
    if (state.view_holds_report || state.Binaryfile || state.Edit_mode) return;
    const std::uint64_t revision = txtedit_->model().lines().revision();
    if (toolpath_of_ == revision) return;
    toolpath_of_ = revision;
    const std::string text = view_.text();
    const std::vector<std::string_view> lines = program_lines(text);
    toolpath_->set_model(
        std::make_unique<MotionModel>(lines, motion_settings(lines, session_.settings())));
    toolpath_->set_selected_line(view_.line_index(view_.selection_start()) + 1);
}

// Looking is not a command: the start point stays where the tape is, and the
// next block the control reads takes the selection back.
void FeedriteForm::select_line(std::int64_t line) {
    if (session_.flags().Edit_mode) return;
    view_.set_selection_start(txtedit_->model().lines().line_start(line - 1));
    (void)select_caret_line(view_);
}

bool FeedriteForm::resume_here() {
    return resume_at(view_.line_index(view_.selection_start()) + 1);
}

bool FeedriteForm::resume_at(std::int64_t line) {
    if (!session_.may_resume()) {
        host_.beep();
        // While the tape runs the key would otherwise seem dead: say why it
        // waits, in a notice, which stops nothing.
        const WindowState& state = session_.flags();
        if (session_.loaded() && state.Sending_data != 0 && !state.Edit_mode && !state.Binaryfile &&
            state.DNC_reset != DNC_closing)
            host_.notice(
                "Resume here\u2026 waits: the program is being sent. Press F5 again "
                "once the control has stood still for 7 seconds, or before it starts "
                "the next run.",
                "Resume here", MessageIcon::None);
        return false;
    }
    return review_resume(line);
}

bool FeedriteForm::review_resume(std::int64_t line) {
    auto plan = plan_resume(view_.text(), line);
    if (!plan) return false;
    if (review_) review_->reject();  // one review at a time: the latest request wins
    const TextPos start = plan->start;
    auto* dialog = new ResumeDialog(std::move(*plan), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // A restart point offered instead: its own review.
    connect(dialog, &ResumeDialog::restart_chosen, this, [this](std::int64_t point) {
        QTimer::singleShot(0, this, [this, point] { review_resume(point); });
    });
    const std::int64_t cycles = session_.counters().cycles_started;
    connect(dialog, &QDialog::accepted, this,
            [this, line, start, cycles] { accept_review(line, start, cycles); });
    review_ = dialog;
    // Window-modal and without a loop of its own: the engine's yields go on,
    // so the Virtual control and the stall watchdog stay live.
    dialog->open();
    return true;
}

bool FeedriteForm::still_stands(std::int64_t line, std::int64_t cycles_then) {
    if (session_.may_resume() && session_.counters().cycles_started == cycles_then) return true;
    host_.notice("The control started reading meanwhile.\nLine " + std::to_string(line) +
                     " was not resumed: stop the control,\nthen choose Resume here on that line.",
                 "Resume", MessageIcon::Exclamation);
    return false;
}

void FeedriteForm::accept_review(std::int64_t line, TextPos start, std::int64_t cycles_then) {
    if (!review_ || !still_stands(line, cycles_then)) return;
    // Back to the restart point, which puts the caret on the line and waits
    // for the control, as the Reset panel does.
    session_.resume(start, review_->blocks());
}

void FeedriteForm::set_masters() {
    const WindowState& state = session_.flags();
    const Presentation look =
        presentation_for(state.master_fore_color, state.master_back_color, state.master_font_size);
    QPalette palette = txtedit_->palette();
    if (look.text_color) palette.setColor(QPalette::Text, qt_color(*look.text_color));
    if (look.background) palette.setColor(QPalette::Base, qt_color(*look.background));
    txtedit_->setPalette(palette);
    if (look.font_points) {
        QFont font = txtedit_->font();
        font.setPointSize(*look.font_points);
        txtedit_->setFont(font);
    }
    view_.set_selection_start(0);
}

void FeedriteForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int bar_height = twips_to_pixels(status_bar_twips, logicalDpiY());
    const QSize client = event->size();
    // Our progress bar sits on top of the status bar and takes its height from the view.
    const int progress_height = progress_bar_->preferred_height();
    const int view_height =
        view_height_for(client.height(), bar_height + progress_height).value_or(txtedit_->height());
    split_->setGeometry(0, 0, client.width(), view_height);
    share_split();
    progress_bar_->setGeometry(0, client.height() - bar_height - progress_height, client.width(),
                               progress_height);
    StatusBar1_->setGeometry(0, client.height() - bar_height, client.width(), bar_height);
}

void FeedriteForm::StatusBar1_click(int index) {
    // Search and Reset wait until no data flows: the control is not reading.
    if (index == 3 && session_.flags().Sending_data == 0) {
        if (searchform3_ == nullptr)
            searchform3_ = new SearchDialog(
                view_, [this](const SearchSettings& settings) { return session_.search(settings); },
                host_, this);
        searchform3_->show_modal_beside(*this);
    }
    if (index == 4) (void)session_.reset();
    if (index == 5) toggle_edit();
}

void FeedriteForm::toggle_edit() {
    const bool editing = session_.edit();
    StatusBar1_->set_panel_text(5, editing ? QStringLiteral("End Edit") : QStringLiteral("Edit"));
    txtedit_->set_read_only(!editing);
    // After the edits the path and the times are worked out anew.
    if (!editing && toolpath_action_->isChecked()) build_toolpath();
    if (!editing && session_.loaded() && !session_.flags().Binaryfile &&
        !session_.flags().view_holds_report)
        estimate_times();
}

bool FeedriteForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtedit_ && event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (!session_.key_down(key_code(key))) return true;
        if (session_.flags().Edit_mode && !ProgramEdit::is_latin1(key.text())) {
            QApplication::beep();  // it could not be sent as it is shown
            return true;
        }
    } else if (watched == txtedit_ && event->type() == QEvent::KeyRelease) {
        session_.key_up(key_code(static_cast<const QKeyEvent&>(*event)));
    } else if (watched == txtedit_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        session_.caret_moved();
    }
    return QWidget::eventFilter(watched, event);
}

void FeedriteForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (session_.flags().Sending_data == 1) {
        if (Warning_form_ == nullptr) {
            Warning_form_ = new Warning_form(this, is_virtual(port_kind_));
            connect(Warning_form_, &Warning_form::close_anyway, this, [this] {
                session_.stood_still();
                close();
            });
        }
        Warning_form_->show();
        host_.beep();
        return;
    }
    if (session_.flags().File_is_edited) {
        const MessageAnswer answer =
            host_.message_box("This file has been edited.\nDo you want to save it?", "Edited file",
                              MessageIcon::Exclamation, MessageButtons::YesNoCancel);
        if (answer == MessageAnswer::Cancel) return;
        if (answer == MessageAnswer::Yes && session_.save(module_) == SaveResult::Failed &&
            !save_elsewhere())
            return;
    }
    shut_down();
}

// The edits exist only in the view now: they go to another file, or are
// given up on purpose, or the window stays open with them.
bool FeedriteForm::save_elsewhere() {
    for (;;) {
        const MessageAnswer answer = host_.message_box(
            "The edits are not saved. Save them in another file?\n"
            "No closes the window without them; Cancel keeps it open.",
            "Save failed", MessageIcon::Exclamation, MessageButtons::YesNoCancel);
        if (answer == MessageAnswer::No) return true;
        if (answer != MessageAnswer::Yes) return false;
        const std::string path = choose_save_path_(session_.flags().filename);
        if (path.empty()) continue;
        const FileError error = session_.save_copy(path);
        if (error.ok()) return true;
        host_.message_box(
            "The edited program could not be saved to\n" + path + "\n(" + error.message + ").",
            "Save failed", MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

// The transmission runs further down this stack, inside a yield: it is told
// to stop, and the program ends here so that it never resumes.
void FeedriteForm::shut_down() {
    session_.close();
    if (Warning_form_ != nullptr) Warning_form_->hide();
    if (searchform3_ != nullptr) searchform3_->hide();
    Timer1_.stop();
    Timer2_.stop();
    Timer3_.stop();
    progress_timer_.stop();
    host_.end_program();
}

void FeedriteForm::end_on_signal(const std::string& signal) {
    session_.close(signal);
    SignalWatch::ending_recorded();
    // Nobody is there to answer the save question; at least say so.
    if (session_.flags().File_is_edited)
        std::cerr << "feedrite: ended by " << signal << "; the edits to "
                  << session_.flags().filename << " were not saved\n";
    shut_down();
}

void FeedriteForm::show_progress() {
    const RunCounters& run = session_.counters();
    if (when_started_ && (run.phase == RunPhase::Waiting || run.phase == RunPhase::Sending ||
                          run.phase == RunPhase::Finished)) {
        const auto started = std::move(when_started_);
        when_started_ = nullptr;
        started();
    }
    progress_bar_->show_figures(session_.poll_progress());
}

void FeedriteForm::Timer1_tick() {
    withdraw_stale_offer();
    wrap_report();
    const TextPos p = view_.selection_start();
    const auto line = view_.line_index(p) + 1;
    StatusBar1_->set_panel_text(1, QString::fromStdString(line_panel_text(line)));
    StatusBar1_->set_panel_text(2, QString::fromStdString(byte_panel_text(p)));
    show_timing();
}

void FeedriteForm::wrap_report() {
    if (!session_.flags().view_holds_report) {
        report_raw_.clear();
        report_shown_.clear();
        report_columns_ = 0;
        return;
    }
    const std::string now = view_.text();
    if (now != report_shown_) {  // a new report
        report_raw_ = now;
        report_columns_ = 0;
    }
    const int glyph = std::max(1, txtedit_->fontMetrics().horizontalAdvance(QLatin1Char('M')));
    const auto columns =
        static_cast<std::size_t>(std::max(20, txtedit_->viewport()->width() / glyph - 1));
    if (columns == report_columns_) return;
    report_columns_ = columns;
    report_shown_ = wrap_report_text(report_raw_, columns);
    if (report_shown_ != now) view_.set_text(report_shown_);
}

void FeedriteForm::show_timing() {
    const Clock::time_point now = session_.now();
    const DelayFigures& figures = session_.figures();
    std::string detail = timing_panel_detail(figures);
    if (!session_.realtime().note.empty()) detail += "\n" + session_.realtime().note;
    if (realtime_dropped())
        detail +=
            "\nDropped to normal priority: the tape took more processor time without a "
            "pause than real-time priority allows (SIGXCPU).";
    StatusBar1_->set_timing(QString::fromStdString(timing_panel_text(figures, now)),
                            QString::fromStdString(detail), figures.busy_warning(now).has_value());
}

void FeedriteForm::Timer2_tick() {
    Timer2_.stop();
    emit start_transmission();
}

void FeedriteForm::Timer3_tick() {
    session_.stood_still();
}

}  // namespace feedrite
