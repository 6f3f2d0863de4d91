// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/configure_btr.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <cctype>
#include <cmath>

#include "base/number_text.h"
#include "btr/port/port_access.h"
#include "btr/port/port_check.h"
#include "btr/speed_test.h"
#include "config/apply_steps.h"
#include "config/calibration.h"
#include "config/device_list.h"
#include "config/entry_rules.h"
#include "config/settings_loader.h"
#include "config/settings_paths.h"
#include "gui/pin_test_window.h"
#include "gui/virtual_control_window.h"
#include "sim/control_cable.h"

namespace feedrite {
namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text);
}
QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

struct TickControl {
    Tick box;
    const char* name;
    const char* caption;
};

constexpr const char* positive = "Positive logic";
constexpr const char* negative = "Negative logic";

// clang-format off
constexpr std::array<TickControl, tick_count> tick_controls = {{
    {Tick::chk_EIA, "chk_EIA", "EIA RS244"},
    {Tick::chk_even, "chk_even", "ASCII/ISO"},
    {Tick::chk_LF, "chk_LF", "LF"},
    {Tick::chk_CR, "chk_CR", "CR"},
    {Tick::chk_LFCR, "chk_LFCR", "LF/CR"},
    {Tick::chk_CRLF, "chk_CRLF", "CR/LF"},
    {Tick::Chk_Data_Pos, "Chk_Data_Pos", positive},
    {Tick::Chk_Data_Neg, "Chk_Data_Neg", negative},
    {Tick::Chk_Sprocket_Pos, "Chk_Sprocket_Pos", positive},
    {Tick::Chk_Sprocket_Neg, "Chk_Sprocket_Neg", negative},
    {Tick::Chk_RunStop_Pos, "Chk_RunStop_Pos", positive},
    {Tick::Chk_RunStop_Neg, "Chk_RunStop_Neg", negative},
    {Tick::Chk_ready_pos, "Chk_ready_pos", positive},
    {Tick::Chk_ready_neg, "Chk_ready_neg", negative},
    {Tick::Chk_Async, "Chk_Async", "Async"},
    {Tick::Chk_calls, "Chk_calls", "CALL sub files"},
    {Tick::Chk_comments, "Chk_comments", "Mask comments"},
    {Tick::Chk_format, "Chk_format", "Auto format"},
    {Tick::Chk_long_files, "Chk_long_files", "Spool directly from file"},
    {Tick::Chk_lathe_per_rev, "Chk_lathe_per_rev", "A lathe starts in feed per revolution"},
}};
// clang-format on

std::size_t slot(Tick box) {
    return static_cast<std::size_t>(box);
}

QPushButton* make_button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(latin1(caption), parent);
    button->setObjectName(latin1(name));
    // Enter in a text box must not press a button behind the user's back.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

configure_BTR::configure_BTR(std::string program_dir, Host& host, QWidget* parent)
    : QDialog(parent), program_dir_(std::move(program_dir)), host_(host), model_(host) {
    setObjectName(QStringLiteral("configure_BTR"));
    setWindowTitle(QStringLiteral("Configure BTR (parallel) port"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(750);
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(1000);
    Timer2.setSingleShot(true);
    build_widgets();
    connect_widgets();
    show_model();
}

QLineEdit* configure_BTR::new_text_box(const char* name, std::string ConfigModel::*value) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(latin1(name));
    text_boxes_.emplace_back(edit, value);
    return edit;
}

QLabel* configure_BTR::new_label(const char* text, QWidget* buddy) {
    auto* shown = new QLabel(latin1(text), this);
    shown->setBuddy(buddy);
    return shown;
}

QCheckBox* configure_BTR::tick_box(Tick box) const {
    return ticks_[slot(box)];
}

void configure_BTR::build_widgets() {
    for (const TickControl& control : tick_controls) {
        auto* box = new QCheckBox(latin1(control.caption), this);
        box->setObjectName(latin1(control.name));
        ticks_[slot(control.box)] = box;
    }
    auto* middle = new QVBoxLayout;
    middle->addWidget(build_timing_frame());
    middle->addLayout(build_code_frames());

    auto* grid = new QGridLayout(this);
    grid->addWidget(build_devices_frame(), 0, 0);
    grid->addLayout(middle, 0, 1);
    grid->addWidget(build_texts_frame(), 0, 2);
    grid->addLayout(build_signal_frames(), 1, 0, 1, 3);
    grid->addWidget(build_replace_frame(), 2, 0, 1, 3);
    grid->addLayout(build_buttons(), 3, 0, 1, 3);
    // A line of its own, the whole width, two lines high from the start: the
    // result of the speed test appearing in the buttons' row took height from
    // the rows above and squashed the Timing fields.
    speed_test_txt = new QLabel(this);
    speed_test_txt->setObjectName(QStringLiteral("speed_test_txt"));
    speed_test_txt->setWordWrap(true);
    speed_test_txt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    speed_test_txt->setFixedHeight(2 * speed_test_txt->fontMetrics().lineSpacing());
    grid->addWidget(speed_test_txt, 4, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
}

QWidget* configure_BTR::build_devices_frame() {
    IO_device_lst = new QListWidget(this);
    IO_device_lst->setObjectName(QStringLiteral("IO_device_lst"));
    New_name_txt = new_text_box("New_name_txt", &ConfigModel::New_name_txt);
    // Room for a device name of a dozen characters at any scaling.
    New_name_txt->setMinimumWidth(New_name_txt->fontMetrics().averageCharWidth() * 14);
    Command2 = make_button(this, "Command2", "Add to list:");
    Command3 = make_button(this, "Command3", "Delete");
    LPT_lst = new QComboBox(this);
    LPT_lst->setObjectName(QStringLiteral("LPT_lst"));
    for (const char* item : LPT_items) LPT_lst->addItem(latin1(item));
    address_txt = new_text_box("address_txt", &ConfigModel::address_txt);
    address_txt->installEventFilter(this);

    auto* devices = new QGroupBox(QStringLiteral("Device and port"), this);
    auto* layout = new QGridLayout(devices);
    layout->addWidget(new_label("BTR device name:", IO_device_lst), 0, 0, 1, 2);
    layout->addWidget(IO_device_lst, 1, 0, 1, 2);
    layout->addWidget(Command2, 2, 0);
    layout->addWidget(New_name_txt, 2, 1);
    layout->addWidget(Command3, 3, 0);
    auto* port_form = new QFormLayout;
    port_form->addRow(new_label("Port # :", LPT_lst), LPT_lst);
    port_form->addRow(new_label("Address:", address_txt), address_txt);
    layout->addLayout(port_form, 4, 0, 1, 2);
    return devices;
}

QWidget* configure_BTR::build_timing_frame() {
    Data_on_txt = new_text_box("Data_on_txt", &ConfigModel::Data_on_txt);
    Sprocket_on_txt = new_text_box("Sprocket_on_txt", &ConfigModel::Sprocket_on_txt);
    Sprocket_overlap_txt = new_text_box("Sprocket_overlap_txt", &ConfigModel::Sprocket_overlap_txt);
    Data_off_txt = new_text_box("Data_off_txt", &ConfigModel::Data_off_txt);
    EOB_delay_txt = new_text_box("EOB_delay_txt", &ConfigModel::EOB_delay_txt);
    millisecond_boxes_ = {Data_on_txt, Sprocket_on_txt, Sprocket_overlap_txt, Data_off_txt,
                          EOB_delay_txt};
    for (QLineEdit* box : millisecond_boxes_) box->installEventFilter(this);
    CPS_txt = new_text_box("CPS_txt", &ConfigModel::CPS_txt);
    // The machine's, for the machining time: takes what a time box takes.
    Rapid_rate_txt = new_text_box("Rapid_rate_txt", &ConfigModel::Rapid_rate_txt);
    Rapid_rate_txt->installEventFilter(this);
    // What the machining time and the waits need of the control.
    Read_ahead_txt = new_text_box("Read_ahead_txt", &ConfigModel::Read_ahead_txt);
    Wait_mark_txt = new_text_box("Wait_mark_txt", &ConfigModel::Wait_mark_txt);
    Acceleration_txt = new_text_box("Acceleration_txt", &ConfigModel::Acceleration_txt);
    Acceleration_txt->setToolTip(
        QStringLiteral("The most each axis accelerates, X Y Z, blank between; leave it empty "
                       "where it is not known: machining times are then without acceleration."));
    // A text box, not read-only: what is typed stands until
    // the upkeep rewrites it from the timings, within 750 ms.
    // Room for a time such as 12.345 at any scale, so the layout cannot squeeze them.
    for (QLineEdit* box : {Data_on_txt, Sprocket_on_txt, Sprocket_overlap_txt, Data_off_txt,
                           EOB_delay_txt, CPS_txt, Rapid_rate_txt})
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000.0000")) +
                             box->fontMetrics().averageCharWidth() * 2);

    auto* timings = new QGroupBox(QStringLiteral("Timing"), this);
    auto* form = new QFormLayout(timings);
    form->addRow(new_label("Data \"on\" time (ms):", Data_on_txt), Data_on_txt);
    form->addRow(new_label("Sprocket \"on\" time (ms):", Sprocket_on_txt), Sprocket_on_txt);
    form->addRow(new_label("Sprocket/data overlap (ms):", Sprocket_overlap_txt),
                 Sprocket_overlap_txt);
    form->addRow(new_label("Delay between characters (ms):", Data_off_txt), Data_off_txt);
    form->addRow(new_label("Delay between blocks (ms):", EOB_delay_txt), EOB_delay_txt);
    form->addRow(new_label("Speed (cps.):", CPS_txt), CPS_txt);
    form->addRow(new_label("Rapid traverse (mm/min):", Rapid_rate_txt), Rapid_rate_txt);
    form->addRow(new_label("Acceleration X Y Z (mm/s\xb2):", Acceleration_txt), Acceleration_txt);
    form->addRow(new_label("Control reads ahead (blocks):", Read_ahead_txt), Read_ahead_txt);
    form->addRow(new_label("Mark stops in the cut over (s):", Wait_mark_txt), Wait_mark_txt);
    form->addRow(tick_box(Tick::Chk_lathe_per_rev));
    return timings;
}

QLayout* configure_BTR::build_code_frames() {
    auto* code = new QGroupBox(QStringLiteral("Code"), this);
    code->setObjectName(QStringLiteral("Code"));
    auto* code_layout = new QVBoxLayout(code);
    code_layout->addWidget(tick_box(Tick::chk_EIA));
    code_layout->addWidget(tick_box(Tick::chk_even));
    code_layout->addStretch();
    auto* eob = new QGroupBox(QStringLiteral("EOB"), this);
    eob->setObjectName(QStringLiteral("EOB"));
    auto* eob_layout = new QGridLayout(eob);
    eob_layout->addWidget(tick_box(Tick::chk_LF), 0, 0);
    eob_layout->addWidget(tick_box(Tick::chk_CR), 0, 1);
    eob_layout->addWidget(tick_box(Tick::chk_LFCR), 1, 0);
    eob_layout->addWidget(tick_box(Tick::chk_CRLF), 1, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(code);
    row->addWidget(eob);
    return row;
}

QWidget* configure_BTR::build_texts_frame() {
    leader_txt = new_text_box("leader_txt", &ConfigModel::leader_txt);
    Trailer_txt = new_text_box("Trailer_txt", &ConfigModel::Trailer_txt);
    Reset_on_txt = new_text_box("Reset_on_txt", &ConfigModel::Reset_on_txt);
    mask_txt = new_text_box("mask_txt", &ConfigModel::mask_txt);
    format_txt = new_text_box("format_txt", &ConfigModel::format_txt);
    auto* texts = new QGroupBox(QStringLiteral("Program text"), this);
    auto* form = new QFormLayout(texts);
    form->addRow(new_label("Leader:", leader_txt), leader_txt);
    form->addRow(new_label("Trailer:", Trailer_txt), Trailer_txt);
    form->addRow(new_label("Reset to beginning of file on:", Reset_on_txt), Reset_on_txt);
    form->addRow(new_label("Mask characters:", mask_txt), mask_txt);
    form->addRow(new_label("Format string:", format_txt), format_txt);
    auto* options = new QHBoxLayout;
    options->addWidget(tick_box(Tick::Chk_calls));
    options->addWidget(tick_box(Tick::Chk_comments));
    options->addWidget(tick_box(Tick::Chk_format));
    form->addRow(options);
    return texts;
}

QLayout* configure_BTR::build_signal_frames() {
    auto* row = new QHBoxLayout;
    const std::array<const char*, 4> frame_titles = {"Data output", "Sprocket output",
                                                     "Run/Stop input", "Ready Output"};
    for (std::size_t i = 0; i < polarity_pairs.size(); ++i) {
        auto* frame = new QGroupBox(latin1(frame_titles[i]), this);
        auto* frame_layout = new QVBoxLayout(frame);
        frame_layout->addWidget(tick_box(polarity_pairs[i].first));
        frame_layout->addWidget(tick_box(polarity_pairs[i].second));
        row->addWidget(frame);
    }
    row->addWidget(tick_box(Tick::Chk_Async));
    return row;
}

QWidget* configure_BTR::build_replace_frame() {
    Replace_txt = new_text_box("Replace_txt", &ConfigModel::Replace_txt);
    Replace_with_txt = new_text_box("Replace_with_txt", &ConfigModel::Replace_with_txt);
    auto* replace = new QGroupBox(QStringLiteral("Replacement and spooling"), this);
    auto* layout = new QHBoxLayout(replace);
    layout->addWidget(new_label("Replace:", Replace_txt));
    layout->addWidget(Replace_txt, 1);
    layout->addWidget(new_label("With:", Replace_with_txt));
    layout->addWidget(Replace_with_txt, 1);
    layout->addWidget(tick_box(Tick::Chk_long_files));
    return replace;
}

QLayout* configure_BTR::build_buttons() {
    Fanuc_Defaults = make_button(this, "Fanuc_Defaults", "Fanuc defaults");
    Yasnac_defaults = make_button(this, "Yasnac_defaults", "Yasnac defaults");
    PW_defaults = make_button(this, "PW_defaults", "P && W defaults");  // && shows one "&"
    apply_button = make_button(this, "apply_button", "Apply");
    cancel_button = make_button(this, "cancel_button", "Cancel");
    check_port_button = make_button(this, "check_port_button", "Check port");
    pin_test_button = make_button(this, "pin_test_button", "Pin test");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(check_port_button);
    buttons->addWidget(pin_test_button);
    buttons->addWidget(Fanuc_Defaults);
    buttons->addWidget(Yasnac_defaults);
    buttons->addWidget(PW_defaults);
    buttons->addStretch(1);
    buttons->addWidget(apply_button);
    buttons->addWidget(cancel_button);
    return buttons;
}

void configure_BTR::connect_widgets() {
    connect(&Timer1, &QTimer::timeout, this, &configure_BTR::upkeep);
    connect(&Timer2, &QTimer::timeout, this, [this] {
        if (stopit_) *stopit_ = true;
    });
    for (const auto& [edit, value] : text_boxes_) {
        connect(edit, &QLineEdit::textEdited, this, [this, value = value](const QString& text) {
            model_.*value = text.toLatin1().toStdString();
        });
    }
    // Only a mouse press loads a device; the keyboard just moves the selection.
    connect(IO_device_lst, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { choose_device(IO_device_lst->row(item)); });
    connect(IO_device_lst, &QListWidget::currentRowChanged, this,
            [this](int row) { model_.IO_device_index = row; });
    connect(Command2, &QPushButton::clicked, this, &configure_BTR::add_device);
    connect(New_name_txt, &QLineEdit::returnPressed, this, &configure_BTR::add_device);
    connect(Command3, &QPushButton::clicked, this, &configure_BTR::delete_device);
    connect(LPT_lst, &QComboBox::activated, this, &configure_BTR::choose_port);
    for (const TickControl& control : tick_controls) {
        connect(ticks_[slot(control.box)], &QCheckBox::clicked, this,
                [this, box = control.box](bool on) { tick_clicked(box, on); });
    }
    connect(Fanuc_Defaults, &QPushButton::clicked, this, [this] { use_preset(Preset::Fanuc); });
    connect(Yasnac_defaults, &QPushButton::clicked, this, [this] { use_preset(Preset::Yasnac); });
    connect(PW_defaults, &QPushButton::clicked, this, [this] { use_preset(Preset::PW); });
    connect(apply_button, &QPushButton::clicked, this, &configure_BTR::apply);
    connect(cancel_button, &QPushButton::clicked, this, &configure_BTR::cancel);
    connect(check_port_button, &QPushButton::clicked, this, &configure_BTR::check_port);
    connect(pin_test_button, &QPushButton::clicked, this, &configure_BTR::pin_test);
}

configure_BTR::StartResult configure_BTR::start(PortAccess* port) {
    const MessageAnswer answer = host_.message_box(
        "WARNING !\nSystem timing is critical to proper BTR configuration.\n"
        "Close all other programs before using this procedure.",
        "Warning message", MessageIcon::Exclamation, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok) return StartResult::ProgramEnds;
    set_optional_defaults(model_);
    read_device_list(model_, program_dir_);
    model_.IO_device_index = 0;
    load_settings(model_, settings_path(program_dir_, default_device_name), host_);
    // Claimed at the address the device uses; a failure shows up later, when sending.
    port_ = port;
    port_base_ = static_cast<std::int32_t>(std::lround(model_.address));
    if (port) port_error_ = port->port_open(port_base_, 3);
    Timer1.start();
    show_model();
    return StartResult::Opened;
}

void configure_BTR::show_model() {
    const QSignalBlocker block_list(IO_device_lst);
    const QSignalBlocker block_port(LPT_lst);

    bool same_list = IO_device_lst->count() == static_cast<int>(model_.IO_device_lst.size());
    for (int i = 0; same_list && i < IO_device_lst->count(); ++i)
        same_list = IO_device_lst->item(i)->text() == latin1(model_.IO_device_lst[std::size_t(i)]);
    if (!same_list) {
        IO_device_lst->clear();
        for (const std::string& name : model_.IO_device_lst) IO_device_lst->addItem(latin1(name));
    }
    IO_device_lst->setCurrentRow(model_.IO_device_index);
    LPT_lst->setCurrentIndex(model_.LPT_index());

    for (const auto& [edit, value] : text_boxes_) {
        const QString text = latin1(model_.*value);
        // Rewriting an unchanged box would move the caret to its end.
        if (edit->text() != text) {
            const QSignalBlocker block(edit);
            edit->setText(text);
        }
    }
    address_txt->setEnabled(model_.address_txt_enabled);

    for (const TickControl& control : tick_controls) {
        QCheckBox* box = ticks_[slot(control.box)];
        const QSignalBlocker block(box);
        box->setChecked(model_.ticked(control.box));
    }
    for (Tick box : eob_boxes) ticks_[slot(box)]->setEnabled(model_.eob_enabled());
}

void configure_BTR::tick_clicked(Tick box, bool on) {
    model_.set_ticked(box, on);
    show_model();
}

void configure_BTR::choose_device(int row) {
    if (row < 0 || row >= static_cast<int>(model_.IO_device_lst.size())) return;
    model_.IO_device_index = row;
    load_settings(model_, settings_path(program_dir_, model_.IO_device_lst[std::size_t(row)]),
                  host_);
    show_model();
}

void configure_BTR::add_device() {
    const std::string name = model_.New_name_txt;
    if (name.empty()) return;  // nothing happens, no box
    if (const std::string problem = device_name_problem(name); !problem.empty()) {
        host_.message_box(problem, "List entry error", MessageIcon::Exclamation,
                          MessageButtons::Ok);
        return;
    }
    const QString wanted = latin1(name);
    for (const std::string& entry : model_.IO_device_lst) {
        if (latin1(entry).compare(wanted, Qt::CaseInsensitive) == 0) {
            host_.message_box("BTR device name is already in the list", "List entry error",
                              MessageIcon::Exclamation, MessageButtons::Ok);
            return;
        }
    }
    model_.IO_device_lst.push_back(name);
    model_.New_name_txt.clear();
    for (std::size_t i = 1; i < model_.IO_device_lst.size(); ++i) {
        if (model_.IO_device_lst[i] == name) {
            model_.IO_device_index = static_cast<int>(i);
            break;
        }
    }
    show_model();
    write_device_list(model_, program_dir_, host_);
}

void configure_BTR::delete_device() {
    const int index = model_.IO_device_index;
    if (index <= 0 || index >= static_cast<int>(model_.IO_device_lst.size())) return;
    const std::string name = model_.IO_device_lst[std::size_t(index)];
    const MessageAnswer answer =
        host_.message_box("Warning - You are about to delete\nthe BTR port settings for: " + name,
                          "Delete entry?", MessageIcon::Exclamation, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok) return;
    model_.IO_device_lst.erase(model_.IO_device_lst.begin() + index);
    model_.IO_device_index = index - 1;
    show_model();
    remove_device(program_dir_, name, host_);
}

void configure_BTR::choose_port(int index) {
    model_.choose_port(index);  // a refused index changes nothing, as the reaction ignores failures
    show_model();
}

bool configure_BTR::filter_address_key(char& key) {
    const bool backspace = key == '\b';
    if (!backspace && hex_digit(key) < 0) return false;
    key = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
    model_.address = leading_hex_value(model_.address_txt + key);
    return true;
}

bool configure_BTR::accepts_millisecond_key(char key, const std::string& text) {
    return key == '\b' || is_millisecond_text(text + key, false);
}

bool configure_BTR::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key_event = static_cast<QKeyEvent*>(event);
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return QDialog::eventFilter(watched, event);

    char key = 0;
    if (key_event->key() == Qt::Key_Backspace) {
        key = '\b';
    } else {
        const QString text = key_event->text();
        // Shortcuts, navigation and control keys are not typed characters.
        if (text.isEmpty() || key_event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
            return QDialog::eventFilter(watched, event);
        if (text.size() != 1 || text[0].unicode() > 0xFF) return true;
        const char16_t code = text[0].unicode();
        if (code < 0x20 || code == 0x7F) return QDialog::eventFilter(watched, event);
        key = static_cast<char>(code);
    }

    if (edit == address_txt) {
        const char typed = key;
        if (!filter_address_key(key)) return true;
        if (key != typed) {
            // Let the box insert the upper-case letter as if it had been typed.
            QKeyEvent upper(QEvent::KeyPress, key_event->key(), Qt::NoModifier,
                            QString(QChar::fromLatin1(key)));
            QCoreApplication::sendEvent(edit, &upper);
            return true;
        }
        return false;
    }
    if (!accepts_millisecond_key(key, edit->text().toLatin1().toStdString())) return true;
    return false;
}

void configure_BTR::upkeep() {
    keep_up(model_);
    show_model();
}

void configure_BTR::set_busy(bool busy) {
    testing_speed_ = busy;
    for (QPushButton* button : {Command2, Command3, Fanuc_Defaults, Yasnac_defaults, PW_defaults,
                                apply_button, cancel_button})
        button->setEnabled(!busy);
}

void configure_BTR::apply() {
    if (testing_speed_) return;
    const std::optional<MillisecondTimes> times = checked_times(model_, host_);
    if (!times) return;

    SpeedTest test;
    set_busy(true);
    const bool tested = run_speed_test(
        host_,
        [this](bool& stopit) {
            stopit_ = &stopit;
            Timer2.start();
        },
        test, [this](int left) { speed_test_txt->setText(latin1(seconds_left_text(left))); });
    stopit_ = nullptr;
    if (!tested) {
        set_busy(false);
        return;
    }

    // A test that asks to be run again saves nothing unless the operator says
    // so: No keeps the dialog open, nothing written, for another Apply.
    if (test.unsteady()) {
        speed_test_txt->setText(latin1(speed_test_result(test, model_.CPS_txt)));
        if (host_.message_box("The seconds of the speed test varied by more than 10%: the PC "
                              "was busy, and the delays may be shorter than set.\n"
                              "Save the settings anyway? No keeps the dialog open to run the "
                              "test again with Apply.",
                              "Speed test", MessageIcon::Exclamation,
                              MessageButtons::YesNo) == MessageAnswer::No) {
            set_busy(false);
            return;
        }
    }
    // The dialog closes even when the write failed; the message has said so.
    (void)save_applied(model_, *times, calibrated_rate(test.best()), program_dir_, host_);
    speed_test_txt->setText(latin1(speed_test_result(test, model_.CPS_txt)));
    show_result(test.unsteady() ? 8 : 4);
    set_busy(false);
    Timer1.stop();
    accept();
}

// The result stays readable for a few of the test's seconds before the
// dialog closes; the buttons stay off meanwhile.
void configure_BTR::show_result(int seconds) {
    QEventLoop pause;
    QTimer::singleShot(seconds * Timer2.interval(), &pause, &QEventLoop::quit);
    pause.exec();
}

void configure_BTR::cancel() {
    if (testing_speed_) return;
    Timer1.stop();
    QDialog::reject();
}

void configure_BTR::reject() {
    cancel();
}

void configure_BTR::use_preset(Preset preset) {
    apply_preset(model_, preset);
    show_model();
}

void configure_on_own_port(const std::string& program_dir, Host& host, PortKind port_kind,
                           QWidget* parent) {
    configure_BTR dialog(program_dir, host, parent);
    const PortSettings device;  // the virtual control's wiring; the dialog opens the port
    const std::unique_ptr<PortAccess> port = make_port(port_kind, device);
    if (dialog.start(port.get()) == configure_BTR::StartResult::Opened) dialog.exec();
}

void configure_BTR::check_port() {
    const auto base = static_cast<std::int32_t>(std::lround(model_.address));
    PortCheck check;
    if (port_ != nullptr && port_->capability<ControlCable>() != nullptr)
        check = {true,
                 {"The virtual port of --simulate stands in for the parallel port: "
                  "there is nothing to check."}};
    else if (port_ != nullptr && port_error_.ok() && base == port_base_)
        check = held_port_check(base, port_->port_read(1), port_->fault());
    else
        check = check_system_port(base);
    show_port_check(host_, check);
}

void configure_BTR::pin_test() {
    if (port_ == nullptr || !port_error_.ok()) {
        // As the send path does: a hardware port that would not open is checked on request.
        const bool hardware = port_ != nullptr && port_->capability<ControlCable>() == nullptr;
        report_port_error(host_, port_ ? port_error_.message : "No port is open.",
                          hardware ? std::function<void()>([this] { check_port(); }) : nullptr);
        return;
    }
    PortSettings logic;
    bool* positive_logic[] = {&logic.Data_logic, &logic.Sprocket_logic, &logic.RunStop_logic,
                              &logic.Ready_logic};
    for (std::size_t i = 0; i < polarity_pairs.size(); ++i)
        *positive_logic[i] = model_.ticked(polarity_pairs[i].first);
    auto* window = new PinTestWindow(*port_, logic, this);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Gone before the dialog's caller releases the port, which the window writes on closing.
    connect(this, &QDialog::finished, window, [window] { delete window; });
    window->show();
    // On the virtual port the lines are seen by the control on its cable,
    // not by the main window's (which has no port open while this one is).
    if (auto* simulated = port_->capability<ControlCable>()) {
        auto* control = new VirtualControlWindow([simulated] { return simulated; }, window);
        control->setWindowFlag(Qt::Window);
        control->setWindowTitle(QStringLiteral("Virtual control - pin test"));
        control->place(*window);
        control->show();
    }
}

}  // namespace feedrite
