// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/virtual_control_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "config/window_places.h"
#include "core/window_math.h"
#include "sim/control_cable.h"

namespace feedrite {
namespace {

constexpr int poll_ms = 200;
constexpr std::size_t view_limit = 200'000;  // characters of read text shown

const QColor parity_text(0x9c, 0x00, 0x06);
const QColor parity_back(0xff, 0xc7, 0xce);

QString number_text(const std::optional<double>& value, int decimals) {
    if (!value) return QStringLiteral("\u2013");
    return QString::number(*value, 'f', decimals);
}

std::optional<double> rate(const std::optional<double>& interval_ms) {
    if (!interval_ms || *interval_ms <= 0) return std::nullopt;
    return 1000.0 / *interval_ms;
}

// A timing cell: the decimals give way as the value grows, so that up to
// seven digits fit the cell of "000.000" and a time of a stall is read whole.
QString cell_text(const std::optional<double>& value, int decimals) {
    const double size = value ? std::abs(*value) : 0;
    while (decimals > 0 && size >= std::pow(10.0, 6 - decimals)) --decimals;
    return number_text(value, decimals);
}

QLabel* value_label(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("\u2013"), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Whether enough of the title bar is on some screen to take hold of it.
bool fits_a_screen(const QRect& frame) {
    const QRect title(frame.topLeft(), QSize(frame.width(), 40));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersected(title).width() >= std::min(frame.width(), 200))
            return true;
    return false;
}

constexpr std::array polarity_names = {"Data", "Sprocket", "Run/stop", "Ready"};
constexpr std::array<bool VirtualControlSettings::*, 4> polarity_fields = {
    &VirtualControlSettings::Data_logic, &VirtualControlSettings::Sprocket_logic,
    &VirtualControlSettings::RunStop_logic, &VirtualControlSettings::Ready_logic};
// In the order of CodeSet.
constexpr std::array code_names = {"ISO, even parity", "Odd parity", "Seven bits, no parity",
                                   "EIA RS-244, odd parity"};

}  // namespace

VirtualControlWindow::VirtualControlWindow(std::function<ControlCable*()> port, QWidget* parent)
    : QWidget(parent, Qt::Window), port_(std::move(port)), monitor_(view_limit) {
    setWindowTitle(QStringLiteral("Virtual control"));
    auto* side = new QVBoxLayout;
    side->addWidget(make_counter_box());
    side->addWidget(make_timing_box());
    side->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(make_read_box(), 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make_state_row());
    layout->addLayout(body, 1);
    layout->addWidget(make_settings_box());

    connect(cycle_start_, &QPushButton::clicked, this, [this] {
        if (VirtualControl* control = connected_control()) control->cycle_start();
        poll();
    });
    connect(feed_hold_, &QPushButton::clicked, this, [this] {
        if (VirtualControl* control = connected_control()) control->feed_hold();
        poll();
    });
    // The control's reset: the reader stops and its memory starts empty; run
    // returns with Cycle start.
    connect(reset_, &QPushButton::clicked, this, [this] {
        if (VirtualControl* control = connected_control()) control->feed_hold();
        monitor_.reset();
        poll();
    });
    // The program ends without closing this window: the geometry is kept as it changes.
    save_timer_.setSingleShot(true);
    save_timer_.setInterval(500);
    connect(&save_timer_, &QTimer::timeout, this, &VirtualControlWindow::save_geometry);
    poll_timer_.setInterval(poll_ms);
    connect(&poll_timer_, &QTimer::timeout, this, &VirtualControlWindow::poll);
    poll_timer_.start();
    poll();
}

VirtualControlWindow::~VirtualControlWindow() = default;

QWidget* VirtualControlWindow::make_state_row() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    state_ = new QLabel(row);
    state_->setObjectName(QStringLiteral("state_lbl"));
    QFont big = state_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    state_->setFont(big);
    state_->setAlignment(Qt::AlignCenter);
    state_->setMinimumWidth(
        state_->fontMetrics().horizontalAdvance(QStringLiteral("Not connected")) +
        4 * state_->fontMetrics().averageCharWidth());
    state_->setAutoFillBackground(true);
    state_->setMargin(state_->fontMetrics().height() / 4);
    cycle_start_ = new QPushButton(QStringLiteral("Cycle start"), row);
    feed_hold_ = new QPushButton(QStringLiteral("Feed hold"), row);
    reset_ = new QPushButton(QStringLiteral("Reset"), row);
    cycle_start_->setToolTip(QStringLiteral("Run: the control asks for characters"));
    feed_hold_->setToolTip(QStringLiteral("Stop: the control withdraws run"));
    reset_->setToolTip(
        QStringLiteral("Stops the reader and clears what was read, the counters and the figures; "
                       "Cycle start runs again"));
    layout->addWidget(state_);
    layout->addStretch();
    for (QPushButton* button : {cycle_start_, feed_hold_, reset_}) layout->addWidget(button);
    return row;
}

QWidget* VirtualControlWindow::make_read_box() {
    auto* box = new QGroupBox(QStringLiteral("Read so far"), this);
    auto* layout = new QVBoxLayout(box);
    read_ = new QPlainTextEdit(box);
    read_->setReadOnly(true);
    read_->setLineWrapMode(QPlainTextEdit::NoWrap);
    read_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Room for a short block; a small screen must still hold both windows.
    read_->setMinimumWidth(read_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);
    follow_the_end();
    auto* legend = new QLabel(box);
    legend->setTextFormat(Qt::RichText);
    legend->setText(QStringLiteral("<span style=\"color:%1; background:%2\">&nbsp;X&nbsp;</span> "
                                   "parity error (&curren; where the character shows nothing)")
                        .arg(parity_text.name(), parity_back.name()));
    legend->setWordWrap(true);
    layout->addWidget(read_, 1);
    layout->addWidget(legend);
    return box;
}

QWidget* VirtualControlWindow::make_counter_box() {
    auto* box = new QGroupBox(QStringLiteral("Counters"), this);
    auto* grid = new QGridLayout(box);
    const struct {
        const char* name;
        QLabel** label;
        const char* object;
    } rows[] = {
        {"Characters", &characters_, "characters_lbl"},
        {"Blocks", &blocks_, "blocks_lbl"},
        {"Parity errors", &parity_errors_, "parity_lbl"},
        {"Findings", &findings_, "findings_lbl"},
    };
    int row = 0;
    for (const auto& [name, label, object] : rows) {
        *label = value_label(box);
        (*label)->setObjectName(QString::fromLatin1(object));
        grid->addWidget(new QLabel(QString::fromLatin1(name), box), row, 0);
        grid->addWidget(*label, row++, 1);
    }
    latest_finding_ = new QLabel(box);
    latest_finding_->setWordWrap(true);
    latest_finding_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    latest_finding_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for a finding's text without the layout jumping as they come and go.
    latest_finding_->setMinimumHeight(latest_finding_->fontMetrics().lineSpacing() * 3);
    grid->addWidget(new QLabel(QStringLiteral("Latest finding:"), box), row++, 0, 1, 2);
    grid->addWidget(latest_finding_, row, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* VirtualControlWindow::make_timing_box() {
    auto* box = new QGroupBox(QStringLiteral("Timing, last 100 characters"), this);
    box->setToolTip(
        QStringLiteral("Measured from the edges the control saw, beside the "
                       "values configured for the device"));
    auto* grid = new QGridLayout(box);
    const std::array headings = {"Median", "Min / max", "Device"};
    for (int column = 0; column < 3; ++column) {
        auto* heading = new QLabel(QString::fromLatin1(headings[column]), box);
        heading->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(heading, 0, column + 1);
    }
    const std::array names = {"Characters per second", "Data on, ms", "Sprocket on, ms",
                              "Overlap, ms"};
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(new QLabel(QString::fromLatin1(names[row]), box), row + 1, 0);
        for (int column = 0; column < 3; ++column) {
            QLabel* label = timing_[row][column] = value_label(box);
            // As wide as "000.000" whatever it shows: a long time measured
            // (a stall) widened the window past the screen's edge.
            label->setMinimumWidth(
                label->fontMetrics().horizontalAdvance(QStringLiteral("000.000")));
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            grid->addWidget(label, row + 1, column + 1);
        }
    }
    timing_[0][1]->setToolTip(
        QStringLiteral("The fastest: from the shortest time between two characters"));
    grid->setColumnStretch(0, 1);
    return box;
}

QWidget* VirtualControlWindow::make_settings_box() {
    auto* box = new QGroupBox(QStringLiteral("Control settings"), this);
    box->setToolTip(
        QStringLiteral("The control's own view of the signals; a setting that "
                       "differs from the device shows what the mismatch does"));
    // Names above their boxes, three to a row, so that a 1024-pixel screen
    // still holds the control beside the main window.
    auto* grid = new QGridLayout(box);
    for (int i = 0; i < 4; ++i) {
        polarity_[i] = new QComboBox(box);
        polarity_[i]->addItems({QStringLiteral("Positive"), QStringLiteral("Negative")});
        grid->addWidget(new QLabel(QString::fromLatin1(polarity_names[i]), box), i / 3 * 2, i % 3);
        grid->addWidget(polarity_[i], i / 3 * 2 + 1, i % 3);
        connect(polarity_[i], &QComboBox::activated, this, &VirtualControlWindow::apply_settings);
    }
    code_ = new QComboBox(box);
    for (const char* name : code_names) code_->addItem(QString::fromLatin1(name));
    connect(code_, &QComboBox::activated, this, &VirtualControlWindow::apply_settings);
    grid->addWidget(new QLabel(QStringLiteral("Code"), box), 2, 1);
    grid->addWidget(code_, 3, 1, 1, 2);
    settings_note_ = new QLabel(box);
    settings_note_->setWordWrap(true);
    match_device_ = new QPushButton(QStringLiteral("Match the device"), box);
    match_device_->setObjectName(QStringLiteral("match_device_btn"));
    connect(match_device_, &QPushButton::clicked, this, &VirtualControlWindow::match_device);
    grid->addWidget(settings_note_, 4, 0, 1, 2);
    grid->addWidget(match_device_, 4, 2);
    // The control's own demands, for rehearsing one that wants more than the
    // device's set times; 0 leaves the device's.
    const char* own_names[] = {"Own shortest pulse and gap", "Own shortest set-up",
                               "Own highest rate"};
    for (std::size_t i = 0; i < own_.size(); ++i) {
        own_[i] = new QDoubleSpinBox(box);
        own_[i]->setObjectName(QStringLiteral("own_limit%1").arg(i));
        own_[i]->setDecimals(i < 2 ? 3 : 0);
        own_[i]->setRange(0, i < 2 ? 1000 : 100000);
        own_[i]->setSingleStep(i < 2 ? 0.1 : 10);
        own_[i]->setSuffix(QString::fromLatin1(i < 2 ? " ms" : " cps"));
        own_[i]->setSpecialValueText(QStringLiteral("the device's"));
        connect(own_[i], &QDoubleSpinBox::valueChanged, this,
                &VirtualControlWindow::apply_settings);
        auto* name = new QLabel(QString::fromLatin1(own_names[i]), box);
        name->setWordWrap(true);
        grid->addWidget(name, 5, int(i));
        grid->addWidget(own_[i], 6, int(i));
    }
    return box;
}

VirtualControl* VirtualControlWindow::connected_control() {
    ControlCable* port = port_();
    return port != nullptr ? port->control() : nullptr;
}

void VirtualControlWindow::poll() {
    ControlCable* port = port_();
    VirtualControl* control = port != nullptr ? port->control() : nullptr;
    if (control == nullptr) {
        show_state(false);
        return;
    }
    if (port != seen_port_ || port->open_count() != seen_open_count_) take_new_control(*port);
    monitor_.poll(*control, ControlClock::now());
    show_text();
    show_state(true);
    show_counters();
    show_timing();
}

// The first control, or a new one from a re-opened port: wired as the device expects.
void VirtualControlWindow::take_new_control(ControlCable& port) {
    seen_port_ = &port;
    seen_open_count_ = port.open_count();
    monitor_ = ControlMonitor(view_limit);
    read_->clear();
    device_timing_ = device_timing_of(port.device());
    show_settings(port.control()->settings());
}

void VirtualControlWindow::show_text() {
    const TextUpdate update = monitor_.take_text_update();
    if (update.replace) read_->clear();
    if (update.runs.empty()) return;
    QTextCursor cursor(read_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat plain, marked;
    marked.setForeground(parity_text);
    marked.setBackground(parity_back);
    for (const ReadRun& run : update.runs)
        cursor.insertText(QString::fromLatin1(run.text), run.parity_error ? marked : plain);
    // Trimmed in steps, as the monitor trims its tail: never a character at a time.
    const int count = read_->document()->characterCount();
    if (count > static_cast<int>(view_limit + view_limit / 8)) {
        QTextCursor front(read_->document());
        front.setPosition(count - static_cast<int>(view_limit), QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
}

// The view follows the end until the user scrolls away from it, and again
// once they scroll back to it. The range grows after the text did.
void VirtualControlWindow::follow_the_end() {
    QScrollBar* bar = read_->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar] {
        if (follow_end_) bar->setValue(bar->maximum());
    });
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar] {
        // Called before the action moves the bar: judge where it ended up.
        QTimer::singleShot(0, this, [this, bar] { follow_end_ = bar->value() == bar->maximum(); });
    });
}

void VirtualControlWindow::show_state(bool connected) {
    const ControlState state = monitor_.state();
    QString text =
        connected ? QString::fromLatin1(state_name(state)) : QStringLiteral("Not connected");
    QColor back = palette().color(QPalette::Window);
    if (connected && state == ControlState::Reading) back = QColor(0xc6, 0xef, 0xce);
    if (connected && state == ControlState::Stopped) back = QColor(0xff, 0xc7, 0xce);
    if (connected && state == ControlState::Waiting) back = QColor(0xff, 0xeb, 0x9c);
    QPalette look = state_->palette();
    look.setColor(QPalette::Window, back);
    look.setColor(QPalette::WindowText, Qt::black);
    state_->setPalette(look);
    state_->setText(text);
    const bool running = connected && state != ControlState::Stopped;
    cycle_start_->setEnabled(connected && !running);
    feed_hold_->setEnabled(running);
    reset_->setEnabled(connected);
    for (QComboBox* box : polarity_) box->setEnabled(connected);
    code_->setEnabled(connected);
    for (QDoubleSpinBox* box : own_) box->setEnabled(connected);
    match_device_->setEnabled(connected && settings_differ_);
}

void VirtualControlWindow::show_counters() {
    const MonitorCounts& counts = monitor_.counts();
    characters_->setText(QString::number(counts.characters));
    blocks_->setText(QString::number(counts.blocks));
    parity_errors_->setText(QString::number(counts.parity_errors));
    findings_->setText(QString::number(counts.findings));
    latest_finding_->setText(monitor_.latest_finding().empty()
                                 ? QStringLiteral("none")
                                 : QString::fromStdString(monitor_.latest_finding()));
}

void VirtualControlWindow::show_timing() {
    const RollingFigures& interval = monitor_.interval();
    timing_[0][0]->setText(cell_text(rate(interval.median()), 0));
    timing_[0][1]->setText(cell_text(rate(interval.minimum()), 0));
    timing_[0][2]->setText(cell_text(device_timing_.cps, 0));
    const std::array<std::pair<const RollingFigures*, std::optional<double>>, 3> rows = {{
        {&monitor_.data_on(), device_timing_.data_on_ms},
        {&monitor_.sprocket_on(), device_timing_.sprocket_on_ms},
        {&monitor_.overlap(), device_timing_.overlap_ms},
    }};
    for (std::size_t row = 0; row < rows.size(); ++row) {
        timing_[row + 1][0]->setText(cell_text(rows[row].first->median(), 3));
        timing_[row + 1][1]->setText(cell_text(rows[row].first->minimum(), 3));
        timing_[row + 1][2]->setText(cell_text(rows[row].second, 3));
    }
}

void VirtualControlWindow::show_settings(const VirtualControlSettings& settings) {
    for (std::size_t i = 0; i < polarity_.size(); ++i)
        polarity_[i]->setCurrentIndex(settings.*polarity_fields[i] ? 0 : 1);
    code_->setCurrentIndex(settings.code);
    const double own[] = {settings.own.min_sprocket_ms, settings.own.min_setup_ms,
                          settings.own.max_cps};
    for (std::size_t i = 0; i < own_.size(); ++i) {
        const QSignalBlocker quiet(own_[i]);
        own_[i]->setValue(own[i]);
    }
    QStringList differing;
    if (seen_port_ != nullptr) {
        const VirtualControlSettings device =
            VirtualControlSettings::matching(seen_port_->device());
        for (std::size_t i = 0; i < polarity_.size(); ++i)
            if (settings.*polarity_fields[i] != device.*polarity_fields[i])
                differing << QString::fromLatin1(polarity_names[i]);
        if (settings.code != device.code) differing << QStringLiteral("Code");
    }
    settings_note_->setText(differing.isEmpty() ? QStringLiteral("Matches the device")
                                                : QStringLiteral("Differs from the device: ") +
                                                      differing.join(QStringLiteral(", ")));
    settings_note_->setStyleSheet(differing.isEmpty() ? QString()
                                                      : QStringLiteral("color: #9c0006"));
    settings_differ_ = !differing.isEmpty();
    match_device_->setEnabled(settings_differ_);
}

void VirtualControlWindow::apply_settings() {
    VirtualControl* control = connected_control();
    if (control == nullptr) return;
    VirtualControlSettings settings = control->settings();
    for (std::size_t i = 0; i < polarity_.size(); ++i)
        settings.*polarity_fields[i] = polarity_[i]->currentIndex() == 0;
    settings.code = static_cast<CodeSet>(code_->currentIndex());
    settings.own = {own_[0]->value(), own_[0]->value(), own_[1]->value(), own_[2]->value()};
    control->set_settings(settings);
    show_settings(settings);
}

void VirtualControlWindow::match_device() {
    ControlCable* port = port_();
    VirtualControl* control = port != nullptr ? port->control() : nullptr;
    if (control == nullptr) return;
    VirtualControlSettings settings = VirtualControlSettings::matching(port->device());
    settings.own = control->settings().own;
    control->set_settings(settings);
    show_settings(settings);
}

void VirtualControlWindow::place(QWidget& main) {
    const std::optional<WindowArea> kept =
        settings_dir_.empty() ? std::nullopt : read_window_places(settings_dir_).control;
    const QPoint at = kept ? QPoint(kept->x, kept->y) : QPoint();
    QSize size = kept ? QSize(kept->width, kept->height) : QSize();
    // A size kept before the layout grew: the window is never narrower than it.
    if (size.isValid()) size = size.expandedTo(minimumSizeHint());
    if (size.isValid() && fits_a_screen(QRect(at, size))) {
        // The inner area's place and size, as they were kept; a window
        // manager's frame then adds nothing at each start.
        setGeometry(QRect(at, size));
        // A smaller screen than last time: the whole window back on it.
        if (const QScreen* screen = QGuiApplication::screenAt(at)) {
            const QRect area = screen->availableGeometry();
            const QSize fitting = size.boundedTo(area.size());
            setGeometry(std::clamp(at.x(), area.left(), area.right() + 1 - fitting.width()),
                        std::clamp(at.y(), area.top(), area.bottom() + 1 - fitting.height()),
                        fitting.width(), fitting.height());
            place_beside(main, area);
        }
        return;
    }
    const QScreen* screen = main.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const int wanted = std::max(sizeHint().width(), 640 * logicalDpiX() / 96);
    const int gap = 16 * logicalDpiX() / 96, floor = 420 * logicalDpiX() / 96;
    // The control cannot be made narrower than its layout allows: where both
    // do not fit, the main window gives up the width the control needs.
    const int main_width =
        std::max(floor, std::min(main.width(), area.width() - gap - minimumSizeHint().width()));
    const SideBySide places = side_by_side({area.x(), area.y(), area.width(), area.height()},
                                           main_width, main.height(), wanted, gap, floor);
    main.resize(places.main.width, places.main.height);
    main.move(places.main.x, places.main.y);
    resize(places.control.width, places.control.height);
    move(places.control.x, places.control.y);
}

// The main window next to where this window came back, on the side with more
// room, narrower when it must be; where neither side has room it stays.
void VirtualControlWindow::place_beside(QWidget& main, const QRect& area) const {
    const int gap = 16 * logicalDpiX() / 96;
    const QRect here = geometry();
    const int right_room = area.right() - here.right() - 2 * gap;  // room for the frame too
    const int left_room = here.left() - gap - area.left();
    const int width = std::min(main.width(), std::max(right_room, left_room));
    if (width < 420 * logicalDpiX() / 96) return;
    const int top =
        std::clamp(here.top(), area.top(), std::max(area.top(), area.bottom() + 1 - main.height()));
    main.resize(width, main.height());
    main.move(right_room >= left_room ? here.right() + 1 + gap : here.left() - gap - width, top);
}

void VirtualControlWindow::save_geometry() const {
    if (settings_dir_.empty()) return;
    WindowPlaces places = read_window_places(settings_dir_);
    const QRect area = geometry();
    places.control = WindowArea{area.x(), area.y(), area.width(), area.height()};
    write_window_places(settings_dir_, places);
}

void VirtualControlWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) save_timer_.start();
}

void VirtualControlWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible()) save_timer_.start();
}

// Only hidden while another window of the program is open (the main
// window's close ends the program); the last one closes, so that the
// program ends with it (the pin test's companion).
void VirtualControlWindow::closeEvent(QCloseEvent* event) {
    save_geometry();
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool others = std::any_of(windows.begin(), windows.end(), [this](const QWidget* w) {
        return w != this && w->isVisible() && w->testAttribute(Qt::WA_QuitOnClose);
    });
    if (!others) return;
    event->ignore();
    hide();
}

}  // namespace feedrite
