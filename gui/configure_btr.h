// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port configuration window. It mirrors one ConfigModel: every user edit
// goes into the model, then the widgets show the model again, so the reactions
// and the file formats stay in the core and are shared with the headless tools.

#include <QDialog>
#include <QTimer>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "config/config_model.h"
#include "config/presets.h"
#include "core/host.h"
#include "run/port_factory.h"

class QCheckBox;
class QLabel;
class QLayout;
class QComboBox;
class QLineEdit;
class QLabel;
class QListWidget;
class QPushButton;

namespace feedrite {

class PortAccess;

// The class carries the control's historical name so that it matches the
// names of its child controls.
/// The configuration dialog over `parent` on a port of its own, released
/// when it closes, before anything is sent.
void configure_on_own_port(const std::string& program_dir, Host& host, PortKind port_kind,
                           QWidget* parent);

class configure_BTR : public QDialog {
    Q_OBJECT

  public:
    enum class StartResult { Opened, ProgramEnds };

    /// `host` shows every message box and beep and must outlive the dialog.
    configure_BTR(std::string program_dir, Host& host, QWidget* parent = nullptr);

    /// The opening warning, then the port, the device list and the default
    /// device's settings. ProgramEnds when the user cancels the warning: then
    /// nothing is opened or read. `port` may be null (no port to claim).
    StartResult start(PortAccess* port);

    [[nodiscard]] ConfigModel& model() { return model_; }
    /// Shows the model's values in the widgets without running any handler.
    void show_model();

    /// Length of one second of the speed test, shortened by tests.
    void set_speed_test_round_ms(int ms) { Timer2.setInterval(ms); }

    // The handlers of the user's actions, public so that callers and tests
    // can run them as a click would.
    void choose_device(int row);
    void add_device();
    void delete_device();
    void choose_port(int index);
    void upkeep();
    void apply();
    void cancel();
    void use_preset(Preset preset);
    /// The port check on the port at the dialog's address, in a message box.
    void check_port();
    /// The pin test window on the dialog's port, with the ticked polarities.
    void pin_test();

    /// Key filters: true when the key is kept. `key` is the typed character,
    /// '\b' for Backspace. The address filter may change the key's case.
    bool filter_address_key(char& key);
    [[nodiscard]] static bool accepts_millisecond_key(char key, const std::string& text);

    /// Never cancels a running speed test: the test must finish or the dialog
    /// would be gone beneath it.
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The dialog is built frame by frame; build_widgets lays the frames out.
    void build_widgets();
    [[nodiscard]] QWidget* build_devices_frame();
    [[nodiscard]] QWidget* build_timing_frame();
    [[nodiscard]] QLayout* build_code_frames();
    [[nodiscard]] QWidget* build_texts_frame();
    [[nodiscard]] QLayout* build_signal_frames();
    [[nodiscard]] QWidget* build_replace_frame();
    [[nodiscard]] QLayout* build_buttons();
    QLineEdit* new_text_box(const char* name, std::string ConfigModel::*value);
    QLabel* new_label(const char* text, QWidget* buddy);
    [[nodiscard]] QCheckBox* tick_box(Tick box) const;
    void connect_widgets();
    void tick_clicked(Tick box, bool on);
    void set_busy(bool busy);
    void show_result(int seconds);

    std::string program_dir_;
    Host& host_;
    ConfigModel model_;
    bool testing_speed_ = false;
    bool* stopit_ = nullptr;

    QTimer Timer1;
    QTimer Timer2;

    QListWidget* IO_device_lst = nullptr;
    QLineEdit* New_name_txt = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QComboBox* LPT_lst = nullptr;
    QLineEdit* address_txt = nullptr;
    QLineEdit* Data_on_txt = nullptr;
    QLineEdit* Sprocket_on_txt = nullptr;
    QLineEdit* Sprocket_overlap_txt = nullptr;
    QLineEdit* Data_off_txt = nullptr;
    QLineEdit* EOB_delay_txt = nullptr;
    QLineEdit* CPS_txt = nullptr;
    QLineEdit* Rapid_rate_txt = nullptr;
    QLineEdit* Read_ahead_txt = nullptr;
    QLineEdit* Wait_mark_txt = nullptr;
    QLineEdit* Acceleration_txt = nullptr;
    QLineEdit* leader_txt = nullptr;
    QLineEdit* Trailer_txt = nullptr;
    QLineEdit* Reset_on_txt = nullptr;
    QLineEdit* mask_txt = nullptr;
    QLineEdit* format_txt = nullptr;
    QLineEdit* Replace_txt = nullptr;
    QLineEdit* Replace_with_txt = nullptr;
    std::array<QCheckBox*, tick_count> ticks_{};
    /// Every text box with the model value it edits.
    std::vector<std::pair<QLineEdit*, std::string ConfigModel::*>> text_boxes_;
    std::vector<QLineEdit*> millisecond_boxes_;
    QPushButton* Fanuc_Defaults = nullptr;
    QPushButton* Yasnac_defaults = nullptr;
    QPushButton* PW_defaults = nullptr;
    QLabel* speed_test_txt = nullptr;  ///< the seconds left, then the result
    QPushButton* apply_button = nullptr;
    QPushButton* cancel_button = nullptr;
    QPushButton* check_port_button = nullptr;
    QPushButton* pin_test_button = nullptr;
    PortAccess* port_ = nullptr;  ///< the port claimed at start, if any
    std::int32_t port_base_ = 0;
    PortError port_error_;
};

}  // namespace feedrite
