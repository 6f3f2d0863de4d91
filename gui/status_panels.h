#pragma once
// The status bar: five sunken panels along the bottom edge, numbered 1 to 5
// from the left. The panels are the window's only commands, so each one is
// clickable.

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

signals:
    void panel_clicked(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLabel*, panel_count> panels_{};
};

}  // namespace feedrite
