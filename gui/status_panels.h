// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status bar: five sunken panels along the bottom edge, numbered 1 to 5
// from the left. The panels are the window's only commands, so each one is
// clickable. A sixth panel of our own, at the right, shows the timing the
// delays really kept; it is no command.

#include <QFrame>
#include <array>

class QLabel;

namespace feedrite {

class StatusPanels : public QFrame {
    Q_OBJECT
  public:
    static constexpr int panel_count = 5;

    explicit StatusPanels(QWidget* parent = nullptr);

    /// Sets the text of panel `index` (1 to 5).
    void set_panel_text(int index, const QString& text);
    [[nodiscard]] QString panel_text(int index) const;
    /// The panel widget itself, for layout checks and for tests that click it.
    [[nodiscard]] QLabel* panel(int index) const;

    /// The timing panel: `text` in the panel, `detail` as its tooltip; a
    /// warning shows in the warning colour.
    void set_timing(const QString& text, const QString& detail, bool warning);
    [[nodiscard]] QLabel* timing_panel() const { return timing_; }
    /// The "Simulation" panel, shown while the window runs on the virtual port.
    void set_simulation(bool shown);
    [[nodiscard]] QLabel* simulation_panel() const { return simulation_; }

  signals:
    void panel_clicked(int index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::array<QLabel*, panel_count> panels_{};
    QLabel* timing_ = nullptr;
    QLabel* simulation_ = nullptr;
};

}  // namespace feedrite
