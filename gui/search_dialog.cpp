// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/search_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>

#include "core/window_math.h"

namespace feedrite {
namespace {

// In SearchBox order, which is also their tab order.
struct BoxControl {
    const char* name;
    const char* caption;
};
constexpr std::array<BoxControl, 5> box_controls{{
    {"chk_tcode", "Next T-code"},
    {"chk_scode", "Next S-code"},
    {"chk_from_beginning", "From beginning"},
    {"chk_match_case", "Match case"},
    {"Chk_from_cursor_fwd", "From cursur pos."},
}};

constexpr int client_width_twips = 3630;
constexpr int client_height_twips = 2670;
constexpr int margin_twips = 120;
constexpr int row_gap_twips = 45;

// Keys that type into the text box. Enter and Esc belong to the buttons, Tab
// moves on, and Delete types no character.
bool types_into_text(const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Backspace:
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return false;
        default:
            return !key.text().isEmpty();
    }
}

QLabel* make_label(const QString& caption, const QString& name, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

SearchDialog::SearchDialog(TextView& view,
                           std::function<SearchResult(const SearchSettings&)> search, Host& host,
                           QWidget* parent)
    : QDialog(parent),
      view_(view),
      search_(std::move(search)),
      host_(host),
      Search_txt_(new QLineEdit(this)),
      search_button_(new QPushButton(QStringLiteral("Search"), this)),
      Cancel_button_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("searchform3"));
    setWindowTitle(QStringLiteral("Search for ..."));
    // Modal to the main window only: the Virtual control stays operable.
    setWindowModality(Qt::WindowModal);
    Search_txt_->setObjectName(QStringLiteral("Search_txt"));
    // The program is 8-bit text: a character outside Latin-1 could never match.
    Search_txt_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x{0}-\\x{ff}]*")), Search_txt_));
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i] = new QCheckBox(QString::fromLatin1(box_controls[i].caption), this);
        boxes_[i]->setObjectName(QString::fromLatin1(box_controls[i].name));
        const auto box = static_cast<SearchBox>(i);
        connect(boxes_[i], &QCheckBox::toggled, this, [this, box] { check_box_clicked(box); });
    }
    search_button_->setObjectName(QStringLiteral("search_button"));
    search_button_->setDefault(true);
    Cancel_button_->setObjectName(QStringLiteral("Cancel_button"));
    connect(search_button_, &QPushButton::clicked, this, &SearchDialog::search_button_click);
    connect(Cancel_button_, &QPushButton::clicked, this, &QDialog::reject);

    QWidget::setTabOrder(Search_txt_, boxes_[0]);
    for (std::size_t i = 1; i < boxes_.size(); ++i) QWidget::setTabOrder(boxes_[i - 1], boxes_[i]);
    QWidget::setTabOrder(boxes_.back(), search_button_);
    QWidget::setTabOrder(search_button_, Cancel_button_);

    build_layout();
    show_settings(SearchSettings{});
    // Key preview: F3 and Esc must reach the dialog whichever control has the
    // focus, before that control acts on them.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

void SearchDialog::build_layout() {
    const double dpi_x = logicalDpiX(), dpi_y = logicalDpiY();
    auto* grid = new QGridLayout(this);
    const int margin = twips_to_pixels(margin_twips, dpi_x);
    grid->setContentsMargins(margin, margin, margin, margin);
    grid->setHorizontalSpacing(margin);
    grid->setVerticalSpacing(twips_to_pixels(row_gap_twips, dpi_y));

    auto* Label1 = make_label(QStringLiteral("Search for:"), QStringLiteral("Label1"), this);
    auto* Label2 = make_label(QStringLiteral("Other:"), QStringLiteral("Label2"), this);
    Label2->setBuddy(Search_txt_);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(box_widget(SearchBox::TCode), 0, 1);
    grid->addWidget(box_widget(SearchBox::SCode), 1, 1);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(Search_txt_, 2, 1);
    grid->addWidget(box_widget(SearchBox::FromBeginning), 3, 0);
    grid->addWidget(box_widget(SearchBox::FromCursorFwd), 3, 1);
    grid->addWidget(box_widget(SearchBox::MatchCase), 4, 0);
    grid->setRowStretch(5, 1);  // spare height sits above the buttons
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(margin);
    buttons->addWidget(search_button_, 1);
    buttons->addWidget(Cancel_button_, 1);
    grid->addLayout(buttons, 6, 0, 1, 2);

    // The client area keeps its size in twips at any dpi; only a font too
    // large for it makes it grow.
    const QSize client(twips_to_pixels(client_width_twips, dpi_x),
                       twips_to_pixels(client_height_twips, dpi_y));
    setFixedSize(client.expandedTo(grid->minimumSize()));
}

void SearchDialog::show_modal_at(QPoint top_left) {
    hide();
    move(top_left);  // a window's position is its outer frame's
    exec();
}

void SearchDialog::show_modal_beside(const QWidget& main_window) {
    hide();
    const QRect main_frame = main_window.frameGeometry();
    const QRect screen = main_window.screen()->geometry();
    // Never shown, the dialog has no frame yet: it will get the main window's.
    const int frame_width = frameGeometry().width() > width()
                                ? frameGeometry().width()
                                : width() + main_frame.width() - main_window.width();
    const DialogPosition at =
        search_dialog_position(main_frame.left(), main_frame.top(), main_frame.width(), frame_width,
                               screen.left() + screen.width());
    show_modal_at(clear_of_control_status({at.left, at.top}, frame_width, screen));
}

// The Virtual control's status row (its state and Cycle start, Feed hold,
// Reset) must stay in sight: it is how the operator stops the machine that
// the search may be about. A dialog that would cover it goes just below it,
// or above it when there is no room below.
QPoint SearchDialog::clear_of_control_status(QPoint top_left, int frame_width,
                                             const QRect& screen) const {
    const int frame_height = frameGeometry().height() > height()
                                 ? frameGeometry().height()
                                 : height() + (frame_width - width());
    const QRect dialog(top_left, QSize(frame_width, frame_height));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == this || !window->isVisible()) continue;
        const auto* state = window->findChild<QLabel*>(QStringLiteral("state_lbl"));
        if (state == nullptr || !state->isVisible()) continue;
        const QWidget* row = state->parentWidget() != window ? state->parentWidget() : state;
        const QRect status(row->mapToGlobal(QPoint(0, 0)), row->size());
        if (!dialog.intersects(status)) continue;
        const int margin = fontMetrics().height() / 2;
        if (status.bottom() + margin + frame_height <= screen.bottom())
            return {top_left.x(), status.bottom() + margin};
        return {top_left.x(), std::max(screen.top(), status.top() - margin - frame_height)};
    }
    return top_left;
}

SearchSettings SearchDialog::settings() const {
    SearchSettings s;
    const QByteArray text = Search_txt_->text().toLatin1();
    s.Search_txt.assign(text.constData(), static_cast<std::size_t>(text.size()));
    s.chk_tcode = box_widget(SearchBox::TCode)->isChecked();
    s.chk_scode = box_widget(SearchBox::SCode)->isChecked();
    s.chk_from_beginning = box_widget(SearchBox::FromBeginning)->isChecked();
    s.chk_match_case = box_widget(SearchBox::MatchCase)->isChecked();
    s.Chk_from_cursor_fwd = box_widget(SearchBox::FromCursorFwd)->isChecked();
    return s;
}

void SearchDialog::search_button_click() {
    if (dialog_hides(search_(settings()))) accept();
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (key.key() == Qt::Key_F3) {
        search_button_click();
        return true;
    }
    if (key.key() == Qt::Key_Escape) {
        Cancel_button_->click();
        return true;
    }
    if (watched == Search_txt_ && types_into_text(key)) {
        SearchSettings s = settings();
        text_key_press(s);
        show_settings(s);
    }
    return QDialog::eventFilter(watched, event);
}

void SearchDialog::show_settings(const SearchSettings& settings) {
    // The model has already applied every rule; the widgets only follow it.
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const QSignalBlocker quiet(boxes_[i]);
        boxes_[i]->setChecked(box_ticked(settings, static_cast<SearchBox>(i)));
    }
    const QString text = QString::fromLatin1(settings.Search_txt);
    if (Search_txt_->text() != text) Search_txt_->setText(text);
}

void SearchDialog::check_box_clicked(SearchBox box) {
    SearchSettings s = settings();
    box_clicked(s, box);
    show_settings(s);
}

QCheckBox* SearchDialog::box_widget(SearchBox box) const {
    return boxes_[static_cast<std::size_t>(box)];
}

}  // namespace feedrite
