// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pin test: each data line, the sprocket and the ready line set by hand
// or walked one after another, with what the control should see on each, and
// the run/stop input read a few times a second. It drives an open port; the
// arithmetic is in sim/pin_test.

#include <QTimer>
#include <QWidget>
#include <array>

#include "config/port_settings.h"
#include "sim/pin_test.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace feedrite {

class PortAccess;

class PinTestWindow : public QWidget {
    Q_OBJECT
  public:
    /// `port` must be open and outlive the window; `logic` gives the
    /// polarities. All lines start inactive.
    PinTestWindow(PortAccess& port, const PortSettings& logic, QWidget* parent = nullptr);
    /// Leaves the lines inactive.
    ~PinTestWindow() override;

    /// Makes exactly the lines of `active` active, as ticking the boxes does.
    void set_lines(ActiveLines active);
    /// Reads the run/stop input once; the poll timer calls it.
    void poll();
    /// One walk step: the next line alone; the walk timer calls it.
    void walk();

    [[nodiscard]] ActiveLines lines() const { return active_; }
    [[nodiscard]] QTimer& walk_timer() { return walk_timer_; }

  protected:
    /// Closing stops the walk and the polling and puts the lines at rest:
    /// the window may outlive its closing.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void write_lines();
    void toggle_walk(bool on);

    PortAccess& port_;
    PortSettings logic_;
    ActiveLines active_ = 0;
    int walk_step_ = 0;
    std::array<QCheckBox*, test_line_count> boxes_{};
    std::array<QLabel*, test_line_count> seen_{};
    QLabel* run_stop_ = nullptr;
    QPushButton* walk_button_ = nullptr;
    QTimer poll_timer_;
    QTimer walk_timer_;
};

}  // namespace feedrite
