// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The warning shown when the window is closed while data flows to the control.

#include <QDialog>

class QLabel;
class QPushButton;

namespace feedrite {

class Warning_form : public QDialog {
    Q_OBJECT
  public:
    /// `virtual_port`: the data go to the virtual control, not out of the PC.
    explicit Warning_form(QWidget* owner, bool virtual_port = false);

    [[nodiscard]] QPushButton* Command1() const { return Command1_; }  ///< "Yes"
    [[nodiscard]] QPushButton* Command2() const { return Command2_; }  ///< "No"
    [[nodiscard]] QLabel* Label1() const { return Label1_; }

  signals:
    /// "Yes": close the window anyway.
    void close_anyway();

  private:
    QLabel* Label1_;
    QPushButton* Command1_;
    QPushButton* Command2_;
};

}  // namespace feedrite
