// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Virtual control" window of --simulate: the CNC control at the other
// end of the virtual cable, with its run buttons, what it has read, its
// counters, the timing it measures and its own settings. A view of a
// ControlMonitor, polled from a timer; the engine never calls it.

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "config/device_timing.h"
#include "sim/control_monitor.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace feedrite {

class ControlCable;

class VirtualControlWindow : public QWidget {
    Q_OBJECT
  public:
    /// `port` gives the simulated port, or nullptr when there is none (yet or
    /// any more); the device's timing is the one its record holds.
    explicit VirtualControlWindow(std::function<ControlCable*()> port, QWidget* parent = nullptr);
    ~VirtualControlWindow() override;

    /// Takes what the control recorded and shows it; the timer calls it.
    void poll();

    /// Keeps the window's place in the settings folder `dir` (none unless called).
    void keep_place_in(std::string dir) { settings_dir_ = std::move(dir); }

    /// The saved position and size when they still fit a screen; otherwise
    /// this window and `main` are placed side by side, `main` made narrower
    /// when both would not fit, so neither covers the other. Call it before
    /// the windows are shown.
    void place(QWidget& main);

    [[nodiscard]] const ControlMonitor& monitor() const { return monitor_; }
    [[nodiscard]] QLabel* state_label() const { return state_; }
    [[nodiscard]] QPushButton* cycle_start_button() const { return cycle_start_; }
    [[nodiscard]] QPushButton* feed_hold_button() const { return feed_hold_; }
    [[nodiscard]] QPushButton* reset_button() const { return reset_; }
    [[nodiscard]] QPlainTextEdit* read_view() const { return read_; }
    [[nodiscard]] QComboBox* code_box() const { return code_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void place_beside(QWidget& main, const QRect& area) const;
    QWidget* make_state_row();
    QWidget* make_read_box();
    QWidget* make_counter_box();
    QWidget* make_timing_box();
    QWidget* make_settings_box();

    VirtualControl* connected_control();
    void take_new_control(ControlCable& port);
    void show_text();
    void follow_the_end();
    void show_state(bool connected);
    void show_counters();
    void show_timing();
    void show_settings(const VirtualControlSettings& settings);
    void apply_settings();
    void match_device();
    void save_geometry() const;

    std::function<ControlCable*()> port_;
    std::string settings_dir_;
    ControlCable* seen_port_ = nullptr;
    int seen_open_count_ = 0;
    ControlMonitor monitor_;
    DeviceTiming device_timing_;
    QTimer poll_timer_;
    QTimer save_timer_;

    QLabel* state_ = nullptr;
    QPushButton* cycle_start_ = nullptr;
    QPushButton* feed_hold_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPlainTextEdit* read_ = nullptr;
    QLabel* characters_ = nullptr;
    QLabel* blocks_ = nullptr;
    QLabel* parity_errors_ = nullptr;
    QLabel* findings_ = nullptr;
    QLabel* latest_finding_ = nullptr;
    /// Rows: characters per second, data on, sprocket on, overlap; columns:
    /// median, minimum (for the rate: maximum), device.
    std::array<std::array<QLabel*, 3>, 4> timing_{};
    /// Data, sprocket, run/stop, ready: positive or negative.
    std::array<QComboBox*, 4> polarity_{};
    QComboBox* code_ = nullptr;
    /// The control's own shortest pulse and gap, shortest set-up, highest rate.
    std::array<QDoubleSpinBox*, 3> own_{};
    QLabel* settings_note_ = nullptr;
    bool settings_differ_ = false;
    bool follow_end_ = true;
    QPushButton* match_device_ = nullptr;
};

}  // namespace feedrite
