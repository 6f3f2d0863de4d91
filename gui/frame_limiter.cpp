// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame_limiter.h"

#include <QWidget>

namespace feedrite {
namespace {

constexpr qint64 frame_ms = 16;

}  // namespace

FrameLimiter::FrameLimiter(QWidget& target) : target_(target) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &target, [this] {
        target_.update(pending_);
        pending_ = {};
    });
}

void FrameLimiter::update(const QRect& area) {
    if (timer_.isActive()) {
        pending_ |= area;
        return;
    }
    const qint64 since = last_paint_.isValid() ? last_paint_.elapsed() : frame_ms;
    if (since >= frame_ms) {
        target_.update(area);
        return;
    }
    pending_ = area;
    timer_.start(static_cast<int>(frame_ms - since));
}

void FrameLimiter::repaint_all_if_waiting() {
    if (!timer_.isActive()) return;
    timer_.stop();
    pending_ = {};
    target_.update();
}

}  // namespace feedrite
