// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the program view, the status bar of five panels and the
// three timers. A view of its session: it forwards the operator's intents to
// it and shows its state; the run and all it owns live in the session.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/program_dir.h"
#include "gui/program_watch.h"
#include "gui/qt_host.h"
#include "gui/qt_text_view.h"
#include "gui/resume_dialog.h"
#include "gui/run_history.h"
#include "motion/estimate.h"
#include "motion/waits_report.h"
#include "run/port_factory.h"
#include "run/run_progress.h"
#include "run/session.h"
#include "tools/command_line.h"

class QSplitter;

namespace feedrite {

class ProgramEdit;
class ProgressBar;
class ToolpathView;
class ControlCable;
class SearchDialog;
class StatusPanels;
class Warning_form;

class FeedriteForm : public QWidget {
    Q_OBJECT
  public:
    /// `port_kind` chooses the port once: the hardware (ppdev or raw I/O) or
    /// the virtual port with a control always in run.
    FeedriteForm(ModuleState& module, ProgramPlaces places, PortKind port_kind = PortKind::Virtual,
                 QWidget* parent = nullptr);

    /// The start-up sequence for a program to send: editor settings, the
    /// "Loading..." text, the code table, caption, panels, and the start timer.
    void start_up(const StartRequest& request);

    /// The transmission: loads the program and feeds it to the control until
    /// the window closes. Runs inside the start timer's tick.
    void send_file();

    /// Applies the three presentation codes of the window state to the view.
    void set_masters();

    /// Keeps the history of runs in `path` (none unless called).
    void keep_history(std::string path) {
        session_.keep_history(std::make_unique<RunHistory>(std::move(path)));
    }
    /// Keeps the PC awake with this lock while a transmission is open (none
    /// unless called). `errors` hears once when it cannot be had.
    void keep_awake_with(std::unique_ptr<SleepInhibitor> inhibitor, std::ostream& errors) {
        session_.keep_awake_with(std::move(inhibitor), errors);
    }
    /// Sends with real-time priority where `scheduler` grants it, asked once
    /// the program is loaded (none unless called: tests keep their priority).
    void send_with_realtime(std::unique_ptr<Scheduler> scheduler) {
        session_.send_with_realtime(std::move(scheduler));
    }
    /// Where the hardware port cannot be opened, offers to send on the
    /// virtual port instead; `show_control` then shows the Virtual control.
    void offer_simulation_with(std::function<void()> show_control) {
        show_control_ = std::move(show_control);
    }
    /// The orderly end on a signal: as closing the window with the tape
    /// stopped, without the close questions; the history says `signal`.
    void end_on_signal(const std::string& signal);
    /// "Resume here…" on the caret's line (F5): only while the control is
    /// not reading a loaded text program and edit mode is off. Opens the
    /// review; on OK the next run is leader, the reviewed blocks, the program
    /// from that line, trailer. False when no review opened.
    bool resume_here();
    /// As resume_here, on `line` (1-based): the line the view's menu was opened on.
    bool resume_at(std::int64_t line);
    /// Opens the review for `line` (1-based), window-modal and without
    /// waiting, so the tape and the Virtual control go on; on OK the resume is
    /// set up, unless the control started reading since the review opened.
    bool review_resume(std::int64_t line);
    /// The review open now, if any.
    [[nodiscard]] ResumeDialog* resume_review() const { return review_; }

    [[nodiscard]] Session& session() { return session_; }
    [[nodiscard]] TextView& text_view() { return view_; }
    [[nodiscard]] Host& host() { return host_; }
    [[nodiscard]] ProgramEdit& txtedit() const;
    [[nodiscard]] QtHost& qt_host() { return host_; }
    /// The close warning, once it has been needed.
    [[nodiscard]] Warning_form* warning_form() const { return Warning_form_; }
    /// The search dialog, created on the first click on the Search panel.
    [[nodiscard]] SearchDialog* search_dialog() const { return searchform3_; }
    [[nodiscard]] StatusPanels& status_bar() const { return *StatusBar1_; }
    [[nodiscard]] ProgressBar& progress_bar() const { return *progress_bar_; }
    [[nodiscard]] ToolpathView& toolpath() const { return *toolpath_; }
    /// Shows or hides the toolpath beside the program (F6); remembered.
    [[nodiscard]] QAction& toolpath_action() const { return *toolpath_action_; }
    /// Refreshes the progress bar (its timer calls this four times a second).
    void show_progress();
    /// Runs `started` once, when the send has started: the device set up, the
    /// port open and the program loaded, the tape waiting at its start
    /// (before the control reads, so no file is written under the tape).
    /// A send that fails before that never runs it.
    void when_started(std::function<void()> started) { when_started_ = std::move(started); }
    /// Where the edits go when saving them failed at close: `choose` is
    /// given the program's path and returns another, or "" for none (a file
    /// dialog unless set; tests answer it).
    void choose_save_path_with(std::function<std::string(const std::string&)> choose) {
        choose_save_path_ = std::move(choose);
    }
    [[nodiscard]] QTimer& timer1() { return Timer1_; }
    [[nodiscard]] QTimer& timer2() { return Timer2_; }
    [[nodiscard]] QTimer& timer3() { return Timer3_; }
    [[nodiscard]] const std::string& program_dir() const { return places_.dir; }
    /// The virtual port's control (`--simulate`); nullptr for a hardware
    /// port and once the port is released.
    [[nodiscard]] ControlCable* control_cable();

  signals:
    /// The start timer's one tick: the transmission begins here.
    void start_transmission();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void StatusBar1_click(int index);
    void toggle_edit();
    void shut_down();
    /// After a failed save at close: true when the window may close.
    bool save_elsewhere();
    void Timer1_tick();
    /// A report in the view (a load or port failure) broken to the view's
    /// width, again whenever that width changes: the view itself never wraps.
    void wrap_report();
    void show_timing();
    void Timer2_tick();
    void Timer3_tick();
    void show_view_menu(const QPoint& at);
    /// The menu of `line` (1-based; 0 for none), from the view or the path.
    void show_line_menu(std::int64_t line, const QPoint& global);
    void show_toolpath(bool shown);
    /// Gives the toolpath its share of the width (the program most of it, so
    /// that a small screen still shows whole blocks).
    void share_split();
    /// The toolpath of the program in the view, built when it is shown and
    /// the text changed since.
    void build_toolpath();
    void build_toolpath_model();
    /// A click on the path selects and shows its line; the start point
    /// moves only through "Resume here…" and its review.
    void select_line(std::int64_t line);
    /// After the load: the crash record, the offer to resume, the journal.
    bool after_load();
    void offer_resume(std::int64_t line);
    /// After "not configured": asks, then opens the configuration dialog;
    /// true when the device is set up now.
    bool offer_configuration();
    /// After a port that cannot be opened: asks, then moves to the virtual
    /// port; true when the program is to be sent there.
    bool offer_simulation();
    /// The session's next port is of `kind`.
    void use_port(PortKind kind);
    /// "Simulation" in the caption and the status bar while on the virtual port.
    void show_simulation();
    /// The offer's question gives way to a notice once the control reads.
    void withdraw_stale_offer();
    /// The program's file changed on disk: asks whether to load it again.
    void offer_reload();
    /// Where the control waits for the tape: the totals and the longest waits.
    void show_waits();
    /// The machining time, the waits and their marks for the text in the
    /// view, unless they are of this text already.
    void estimate_times();
    /// True while a resume is allowed and the control has started no run
    /// since `cycles_then`; otherwise a notice says `line` was not resumed.
    bool still_stands(std::int64_t line, std::int64_t cycles_then);
    void accept_review(std::int64_t line, TextPos start, std::int64_t cycles_then);

    ModuleState& module_;
    ProgramPlaces places_;
    ProgramEdit* txtedit_;
    QSplitter* split_;  ///< the program view, and the toolpath beside it
    ToolpathView* toolpath_;
    QAction* toolpath_action_;
    double toolpath_share_ = 0.4;  ///< of the width, while shown; the operator may drag it
    std::optional<std::uint64_t> toolpath_of_;  ///< the revision of the text the path is of
    StatusPanels* StatusBar1_;
    ProgressBar* progress_bar_;
    Warning_form* Warning_form_ = nullptr;
    SearchDialog* searchform3_ = nullptr;
    QTimer Timer1_;
    QTimer Timer2_;
    QTimer Timer3_;
    QTimer progress_timer_;
    std::function<void()> when_started_;
    std::function<std::string(const std::string&)> choose_save_path_;
    std::function<void()> show_control_;
    std::string report_raw_, report_shown_;  ///< the report as written, and as wrapped
    std::size_t report_columns_ = 0;
    QtTextView view_;
    QtHost host_;
    PortKind port_kind_;
    Session session_;
    QAction* resume_action_;
    QPointer<ResumeDialog> review_;
    std::int64_t offered_line_ = 0;      ///< the crash offer still waiting for its answer
    std::int64_t offered_at_cycle_ = 0;  ///< the cycles started when it was made
    ProgramWatch* program_watch_;
};

}  // namespace feedrite
