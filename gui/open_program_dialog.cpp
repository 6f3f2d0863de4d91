// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/open_program_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "config/config_model.h"
#include "config/device_list.h"
#include "config/settings_paths.h"
#include "gui/configure_btr.h"
#include "run/send_driver.h"
#include "tools/recent_programs.h"

namespace feedrite {
namespace {

// File names are the locale's bytes; device names are the 8-bit text of the
// device list.
QString file_name(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}
std::string file_bytes(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

QString recent_caption(const StartRequest& start) {
    QString caption = file_name(start.filename) + QStringLiteral("   [") +
                      QString::fromLatin1(start.IO_device_name) + QLatin1Char(']');
    if (start.Binaryfile) caption += QStringLiteral(" binary");
    return caption;
}

QPushButton* make_button(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

OpenProgramDialog::OpenProgramDialog(std::string program_dir, Host& host, PortKind port_kind,
                                     const std::string& file, QWidget* parent)
    : QDialog(parent),
      program_dir_(std::move(program_dir)),
      host_(host),
      port_kind_(port_kind),
      program_txt_(new QLineEdit(file_name(file), this)),
      recent_lst_(new QListWidget(this)),
      device_lst_(new QComboBox(this)),
      binary_chk_(new QCheckBox(QStringLiteral("Binary file: send once, byte for byte"), this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Feedrite: send a program"));
    program_txt_->setObjectName(QStringLiteral("program_txt"));
    recent_lst_->setObjectName(QStringLiteral("recent_lst"));
    device_lst_->setObjectName(QStringLiteral("device_lst"));
    binary_chk_->setObjectName(QStringLiteral("binary_chk"));
    auto* browse_btn = make_button(QStringLiteral("Browse..."), QStringLiteral("browse_btn"), this);
    configure_btn_ =
        make_button(QStringLiteral("Configure..."), QStringLiteral("configure_btn"), this);
    auto* configure_btn = configure_btn_;
    device_note_ = new QLabel(QStringLiteral("This device is not set up yet: set it up with "
                                             "Configure... before sending."),
                              this);
    device_note_->setObjectName(QStringLiteral("device_note"));
    device_note_->setWordWrap(true);
    device_note_->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    send_btn_ = buttons_->addButton(QStringLiteral("Send"), QDialogButtonBox::AcceptRole);
    send_btn_->setObjectName(QStringLiteral("send_btn"));

    auto* program_row = new QHBoxLayout;
    program_row->addWidget(program_txt_, 1);
    program_row->addWidget(browse_btn);
    auto* device_row = new QHBoxLayout;
    device_row->addWidget(device_lst_, 1);
    device_row->addWidget(configure_btn);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Program:"), program_row);
    form->addRow(QStringLiteral("Recently sent:"), recent_lst_);
    form->addRow(QStringLiteral("Device:"), device_row);
    form->addRow(QString(), device_note_);
    form->addRow(QString(), binary_chk_);
    form->addRow(buttons_);

    for (const StartRequest& start : read_recent_programs(program_dir_))
        recent_lst_->addItem(recent_caption(start));
    fill_devices(default_device_name);

    connect(browse_btn, &QPushButton::clicked, this, &OpenProgramDialog::browse);
    connect(configure_btn, &QPushButton::clicked, this, &OpenProgramDialog::configure);
    connect(recent_lst_, &QListWidget::currentRowChanged, this, &OpenProgramDialog::use_recent);
    connect(program_txt_, &QLineEdit::textChanged, this, &OpenProgramDialog::update_send);
    connect(device_lst_, &QComboBox::currentIndexChanged, this, &OpenProgramDialog::update_send);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    update_send();
    resize(640, sizeHint().height());
}

StartRequest OpenProgramDialog::request() const {
    StartRequest request;
    request.kind = StartKind::Send;
    request.filename = file_bytes(program_txt_->text());
    request.IO_device_name = device_lst_->currentText().toLatin1().toStdString();
    request.Binaryfile = binary_chk_->isChecked();
    return request;
}

void OpenProgramDialog::browse() {
    const QString current = program_txt_->text();
    QFileDialog chooser(this, QStringLiteral("Choose the program to send"),
                        current.isEmpty() ? QString() : QFileInfo(current).absolutePath());
    chooser.setObjectName(QStringLiteral("program_chooser"));
    chooser.setFileMode(QFileDialog::ExistingFile);
    // The globs of the NC program MIME type (packaging/feedrite-mime.xml) and
    // G-code's, in both cases: the dialog matches names case-sensitively, the
    // MIME database does not. Plain text is offered too, though not claimed.
    chooser.setNameFilters(
        {QStringLiteral("NC programs (*.nc *.ngc *.tap *.cnc *.mpf *.spf *.eia *.ptp "
                        "*.gcode *.txt *.NC *.NGC *.TAP *.CNC *.MPF *.SPF *.EIA "
                        "*.PTP *.GCODE *.TXT)"),
         QStringLiteral("All files (*)")});
    // Wide enough for the name, size, type and date columns beside the places,
    // yet on the screen: Qt's own chooser opens too narrow for them.
    QSize size(900 * logicalDpiX() / 96, 540 * logicalDpiY() / 96);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    chooser.resize(size);
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        program_txt_->setText(chooser.selectedFiles().constFirst());
}

void OpenProgramDialog::configure() {
    const std::string selected = device_lst_->currentText().toLatin1().toStdString();
    configure_on_own_port(program_dir_, host_, port_kind_, this);
    fill_devices(selected);
}

void OpenProgramDialog::use_recent(int row) {
    const std::vector<StartRequest> recent = read_recent_programs(program_dir_);
    if (row < 0 || static_cast<std::size_t>(row) >= recent.size()) return;
    const StartRequest& start = recent[static_cast<std::size_t>(row)];
    program_txt_->setText(file_name(start.filename));
    fill_devices(start.IO_device_name);
    binary_chk_->setChecked(start.Binaryfile);
}

void OpenProgramDialog::fill_devices(const std::string& selected) {
    ConfigModel model(host_);
    read_device_list(model, program_dir_);
    device_lst_->clear();
    for (const std::string& name : model.IO_device_lst)
        device_lst_->addItem(QString::fromLatin1(name));
    // A device no longer listed stays the choice, so that sending says it is
    // not configured instead of feeding another machine's settings.
    const QString wanted = QString::fromLatin1(selected);
    if (!wanted.isEmpty() && device_lst_->findText(wanted, Qt::MatchFixedString) < 0)
        device_lst_->addItem(wanted);
    device_lst_->setCurrentIndex(std::max(0, device_lst_->findText(wanted, Qt::MatchFixedString)));
}

// A device that is not set up would send nothing: Configure... comes first.
void OpenProgramDialog::update_send() {
    const std::string device = device_lst_->currentText().toLatin1().toStdString();
    const bool set_up = device.empty() || device_is_set_up(program_dir_, device);
    device_note_->setVisible(!set_up);
    send_btn_->setEnabled(set_up && !program_txt_->text().trimmed().isEmpty());
    configure_btn_->setDefault(!set_up);
    send_btn_->setDefault(set_up);
}

}  // namespace feedrite
