// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search dialog `searchform3`: finds free text, the next T word or the
// next S word in the program view and makes the line that holds it the next
// block to send. It is hidden, never destroyed, after each search, so its
// settings last as long as the main window.

#include <QDialog>
#include <array>
#include <functional>

#include "edit/search_logic.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace feedrite {

class SearchDialog : public QDialog {
    Q_OBJECT
  public:
    /// The dialog reads `view`; `search` finds and moves the run's start
    /// point (the session's); its beep and its message box go through
    /// `host`. Opens in the initial state.
    SearchDialog(TextView& view, std::function<SearchResult(const SearchSettings&)> search,
                 Host& host, QWidget* parent = nullptr);

    /// Hides the dialog, puts its outer top-left corner at `top_left` (screen
    /// coordinates) and shows it modally; returns once it is hidden again.
    void show_modal_at(QPoint top_left);

    /// The Search panel's opening: placed by `search_dialog_position` against
    /// `main_window`'s outer frame and screen, then shown modally.
    void show_modal_beside(const QWidget& main_window);
    /// `top_left` moved so that the dialog leaves a shown Virtual control's
    /// status row uncovered.
    [[nodiscard]] QPoint clear_of_control_status(QPoint top_left, int frame_width,
                                                 const QRect& screen) const;

    /// The state of the controls.
    [[nodiscard]] SearchSettings settings() const;

    /// The "Search" button, Enter and F3: runs the search and hides the dialog
    /// unless there was nothing to search for.
    void search_button_click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build_layout();
    void show_settings(const SearchSettings& settings);
    void check_box_clicked(SearchBox box);
    [[nodiscard]] QCheckBox* box_widget(SearchBox box) const;

    TextView& view_;
    std::function<SearchResult(const SearchSettings&)> search_;
    Host& host_;
    QLineEdit* Search_txt_;
    // In SearchBox order: T-code, S-code, from beginning, match case, from cursor.
    std::array<QCheckBox*, 5> boxes_;
    QPushButton* search_button_;
    QPushButton* Cancel_button_;
};

}  // namespace feedrite
