// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/progress_bar.h"

#include <QPainter>

namespace feedrite {
namespace {

QFont bold_font(const QFont& base, int points) {
    QFont font(base);
    font.setPointSize(points);
    font.setBold(true);
    return font;
}

// Background and text of the state box: green runs, amber waits, red stops.
std::pair<QColor, QColor> state_colors(ShownState state) {
    switch (state) {
        case ShownState::Sending:
            return {QColor(0x1b, 0x7f, 0x2a), Qt::white};
        case ShownState::Waiting:
            return {QColor(0xf0, 0xb0, 0x00), Qt::black};
        case ShownState::Stopped:
            return {QColor(0xc6, 0x28, 0x28), Qt::white};
        case ShownState::EditMode:
            return {QColor(0x15, 0x65, 0xc0), Qt::white};
        case ShownState::NotConfigured:
        case ShownState::PortError:
        case ShownState::LoadFailed:
            return {QColor(0x8e, 0x00, 0x00), Qt::white};
        case ShownState::Finished:
        case ShownState::Loading:
            break;
    }
    return {QColor(0x55, 0x55, 0x55), Qt::white};
}

constexpr int margin = 4;
constexpr double least_points = 7;  // the smallest a figure is drawn

// The font made smaller until `text` fits `width` (down to least_points): a narrow
// window shows every figure rather than cutting the last ones off.
QFont fitted(QFont font, const QString& text, int width, const QWidget* widget) {
    while (font.pointSizeF() > least_points &&
           QFontMetrics(font, widget).horizontalAdvance(text) > width)
        font.setPointSizeF(font.pointSizeF() - 1);
    return font;
}

}  // namespace

ProgressBar::ProgressBar(QWidget* parent)
    : QWidget(parent),
      big_(bold_font(font(), 20)),
      small_(bold_font(font(), 13)),
      state_font_(bold_font(font(), 16)) {
    setObjectName(QStringLiteral("progress_bar"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    texts_.state = shown_state_text(state_);
}

int ProgressBar::preferred_height() const {
    return QFontMetrics(big_, this).lineSpacing() + QFontMetrics(small_, this).lineSpacing() +
           3 * margin;
}

int ProgressBar::state_width() const {
    // Room for the longest state on two lines.
    return QFontMetrics(state_font_, this).horizontalAdvance(QStringLiteral("Waiting for the")) +
           6 * margin;
}

void ProgressBar::show_figures(const ProgressFigures& figures) {
    ProgressTexts texts = progress_texts(figures);
    const double share = figures.percent.value_or(0) / 100.0;
    if (texts == texts_ && figures.state == state_ && share == share_) return;
    texts_ = std::move(texts);
    setToolTip(QString::fromUtf8(texts_.detail));
    state_ = figures.state;
    share_ = share;
    update();
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, palette().window());

    const auto [back, fore] = state_colors(state_);
    const QRect box(margin, margin, state_width(), all.height() - 2 * margin);
    painter.fillRect(box, back);
    painter.setPen(fore);
    painter.setFont(state_font_);
    painter.drawText(box.adjusted(margin, 0, -margin, 0), Qt::AlignCenter | Qt::TextWordWrap,
                     QString::fromUtf8(texts_.state));

    // The share sent fills the figures' background, visible from across the shop.
    const QRect figures(box.right() + 2 * margin, margin, all.width() - box.right() - 3 * margin,
                        box.height());
    painter.fillRect(figures, palette().base());
    QRect done = figures;
    done.setWidth(static_cast<int>(figures.width() * share_));
    painter.fillRect(done, QColor(0xc8, 0xe6, 0xc9));

    painter.setPen(palette().color(QPalette::Text));
    const int big_height = QFontMetrics(big_, this).lineSpacing();
    const QRect main_row = figures.adjusted(2 * margin, 0, -margin, 0)
                               .adjusted(0, 0, 0, big_height - figures.height());
    const QString main = QString::fromUtf8(texts_.main);
    painter.setFont(fitted(big_, main, main_row.width(), this));
    painter.drawText(main_row, Qt::AlignLeft | Qt::AlignVCenter, main);
    const QRect detail_row = figures.adjusted(2 * margin, big_height, -margin, 0);
    const QString shown = shown_detail(detail_row.width());
    painter.setFont(fitted(small_, shown, detail_row.width(), this));
    painter.drawText(detail_row, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

// Still too long at the smallest size: the last parts are left out whole
// (never "mac…"); the tooltip holds them all.
QString ProgressBar::shown_detail(int width) const {
    QFont least(small_);
    least.setPointSizeF(least_points);
    const QFontMetrics metrics(least, this);
    for (std::size_t count = texts_.detail_parts.size(); count > 1; --count) {
        QString text = QString::fromUtf8(join_detail(texts_.detail_parts, count));
        if (metrics.horizontalAdvance(text) <= width) return text;
    }
    return QString::fromUtf8(join_detail(texts_.detail_parts, 1));
}

}  // namespace feedrite
