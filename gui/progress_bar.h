// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The slim bar above the status bar: the state of the transmission and its
// progress in large bold text, to be read from two metres. It paints its
// three texts itself (no child widgets, no layout) and repaints only when a
// text changes, so polling it several times a second costs next to nothing.

#include <QWidget>

#include "run/run_progress.h"

namespace feedrite {

class ProgressBar : public QWidget {
    Q_OBJECT
  public:
    explicit ProgressBar(QWidget* parent = nullptr);

    /// Shows these figures; repaints only what changed.
    void show_figures(const ProgressFigures& figures);
    [[nodiscard]] const ProgressTexts& texts() const { return texts_; }
    [[nodiscard]] ShownState state() const { return state_; }
    /// What the detail row shows in `width` pixels: as many whole parts as
    /// fit at the smallest font.
    [[nodiscard]] QString shown_detail(int width) const;
    /// The height the bar needs for its fonts at this screen's dpi.
    [[nodiscard]] int preferred_height() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    [[nodiscard]] int state_width() const;

    QFont big_, small_, state_font_;
    ProgressTexts texts_;
    ShownState state_ = ShownState::Loading;
    double share_ = 0;  ///< 0 to 1, the fill behind the figures
};

}  // namespace feedrite
