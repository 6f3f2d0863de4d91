// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Repaints a widget at most once a frame. The widgets the tape moves (the
// program view's highlighted block, the toolpath's tool) would otherwise paint
// at every yield of the sending loop, and each paint costs the sending thread
// more than a short block's whole preparation; the screen shows no more than
// a frame anyway.

#include <QElapsedTimer>
#include <QRect>
#include <QTimer>

class QWidget;

namespace feedrite {

class FrameLimiter {
  public:
    explicit FrameLimiter(QWidget& target);

    /// Repaints `area` of the target now, or, within a frame of its last
    /// paint, together with the other areas asked for in the next frame.
    void update(const QRect& area);
    /// The target painted: its paint event calls this.
    void painted() { last_paint_.start(); }
    /// The target's pixels moved (a scroll): areas still waiting would be
    /// painted at their old places, so all of it is repainted instead.
    void repaint_all_if_waiting();

  private:
    QWidget& target_;
    QElapsedTimer last_paint_;
    QRect pending_;  ///< waits for timer_
    QTimer timer_;
};

}  // namespace feedrite
