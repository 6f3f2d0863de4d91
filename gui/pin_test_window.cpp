// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/pin_test_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "btr/port/port_access.h"

namespace feedrite {
namespace {

constexpr int data_offset = 0, status_offset = 1, control_offset = 2;
constexpr int poll_ms = 250;  // a few times a second: a switch flipped by hand is seen at once
constexpr int walk_ms = 500;  // two lines a second: slow enough to follow on a meter or a lamp

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

PinTestWindow::PinTestWindow(PortAccess& port, const PortSettings& logic, QWidget* parent)
    : QWidget(parent), port_(port), logic_(logic) {
    setWindowTitle(QStringLiteral("Pin test"));
    auto* grid = new QGridLayout(this);
    for (int line = 0; line < test_line_count; ++line) {
        boxes_[line] = new QCheckBox(text(test_line_name(line)), this);
        seen_[line] = new QLabel(this);
        grid->addWidget(boxes_[line], line, 0);
        grid->addWidget(seen_[line], line, 1);
        connect(boxes_[line], &QCheckBox::clicked, this, [this, line](bool on) {
            set_lines(on ? active_ | line_bit(line) : active_ & ~line_bit(line));
        });
    }
    run_stop_ = new QLabel(this);
    run_stop_->setObjectName(QStringLiteral("run_stop"));
    walk_button_ = new QPushButton(QStringLiteral("Walk"), this);
    walk_button_->setCheckable(true);
    grid->addWidget(new QLabel(QStringLiteral("Run/stop input:"), this), test_line_count, 0);
    grid->addWidget(run_stop_, test_line_count, 1);
    grid->addWidget(walk_button_, test_line_count + 1, 0);
    connect(walk_button_, &QPushButton::toggled, this, &PinTestWindow::toggle_walk);
    poll_timer_.setInterval(poll_ms);
    walk_timer_.setInterval(walk_ms);
    connect(&poll_timer_, &QTimer::timeout, this, &PinTestWindow::poll);
    connect(&walk_timer_, &QTimer::timeout, this, &PinTestWindow::walk);
    set_lines(0);
    poll();
    poll_timer_.start();
}

PinTestWindow::~PinTestWindow() {
    active_ = 0;
    write_lines();
}

void PinTestWindow::closeEvent(QCloseEvent* event) {
    walk_button_->setChecked(false);
    poll_timer_.stop();
    set_lines(0);
    QWidget::closeEvent(event);
}

void PinTestWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    poll_timer_.start();
}

void PinTestWindow::set_lines(ActiveLines active) {
    active_ = active;
    write_lines();
    for (int line = 0; line < test_line_count; ++line) {
        boxes_[line]->setChecked((active_ & line_bit(line)) != 0);
        seen_[line]->setText(text(line_seen(line, active_, logic_)));
    }
}

void PinTestWindow::poll() {
    const int status = port_.port_read(status_offset);
    const PortError fault = port_.fault();
    run_stop_->setText(fault.ok() ? text(run_stop_seen(status, logic_)) : text(fault.message));
}

void PinTestWindow::walk() {
    set_lines(walk_step(walk_step_++));
}

void PinTestWindow::write_lines() {
    port_.port_write(data_offset, pin_test_data(active_, logic_));
    port_.port_write(control_offset, pin_test_control(active_, logic_));
}

void PinTestWindow::toggle_walk(bool on) {
    for (QCheckBox* box : boxes_) box->setEnabled(!on);
    walk_step_ = 0;
    if (!on) {
        walk_timer_.stop();
        set_lines(0);
        return;
    }
    walk();
    walk_timer_.start();
}

}  // namespace feedrite
