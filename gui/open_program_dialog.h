// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start that asks: the program (a file chooser or a recently sent one),
// the device (with the configuration dialog a click away) and the mode; the
// answer is the same start as the command line path|device|mode.

#include <QDialog>
#include <string>

#include "core/host.h"
#include "run/port_factory.h"
#include "tools/command_line.h"

class QCheckBox;
class QLabel;
class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace feedrite {

class OpenProgramDialog : public QDialog {
    Q_OBJECT
  public:
    /// `file` is chosen already when not empty. `host` shows the configuration
    /// dialog's messages; `port_kind` is the port that dialog claims.
    OpenProgramDialog(std::string program_dir, Host& host, PortKind port_kind,
                      const std::string& file, QWidget* parent = nullptr);

    /// What was chosen, as read_command_line would read "FILE|DEVICE|1" (or 5).
    [[nodiscard]] StartRequest request() const;

    // The user's actions, public so that tests can run them as a click would.
    void browse();
    void configure();
    void use_recent(int row);

  private:
    void fill_devices(const std::string& selected);
    void update_send();

    std::string program_dir_;
    Host& host_;
    PortKind port_kind_;
    QLineEdit* program_txt_;
    QListWidget* recent_lst_;
    QComboBox* device_lst_;
    QCheckBox* binary_chk_;
    QDialogButtonBox* buttons_;
    QPushButton* send_btn_ = nullptr;
    QPushButton* configure_btn_ = nullptr;
    QLabel* device_note_ = nullptr;
};

}  // namespace feedrite
