// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/status_panels.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

namespace feedrite {

StatusPanels::StatusPanels(QWidget* parent) : QFrame(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    // Panels 1 and 2 must hold the longest position texts; the command panels
    // share the rest so they stay easy to hit.
    const QFontMetrics metrics(font());
    const int position_width =
        metrics.horizontalAdvance(QStringLiteral("byte pos. =99999999")) + 12;
    for (int i = 0; i < panel_count; ++i) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(4);
        panel->installEventFilter(this);
        panel->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        if (i < 2) {
            panel->setMinimumWidth(position_width);
            layout->addWidget(panel, 0);
        } else {
            panel->setCursor(Qt::PointingHandCursor);
            layout->addWidget(panel, 1);
        }
        panels_[static_cast<std::size_t>(i)] = panel;
    }
    simulation_ = new QLabel(QStringLiteral("Simulation"), this);
    simulation_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    simulation_->setIndent(4);
    simulation_->setObjectName(QStringLiteral("simulation_panel"));
    simulation_->setStyleSheet(QStringLiteral("background: #ffd27f; font-weight: bold;"));
    simulation_->hide();
    layout->addWidget(simulation_, 0);
    timing_ = new QLabel(this);
    timing_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    timing_->setIndent(4);
    timing_->setObjectName(QStringLiteral("timing_panel"));
    // On a narrow screen the panel gives way and shows the rate alone.
    timing_->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("300 cps")) + 12);
    layout->addWidget(timing_, 0);
}

void StatusPanels::set_timing(const QString& text, const QString& detail, bool warning) {
    // Where the whole text does not fit, what matters most: the rate, or the warning's head.
    QString shown = text;
    if (timing_->fontMetrics().horizontalAdvance(text) + 12 > timing_->width()) {
        const qsizetype comma = text.lastIndexOf(QStringLiteral(", "));
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (text.endsWith(QStringLiteral(" cps")) && comma >= 0)
            shown = text.mid(comma + 2);
        else if (colon > 0)
            shown = text.left(colon);
    }
    timing_->setText(shown);
    timing_->setToolTip(detail);
    timing_->setStyleSheet(warning ? QStringLiteral("color: #b00000; font-weight: bold;")
                                   : QString());
}

void StatusPanels::set_simulation(bool shown) {
    simulation_->setVisible(shown);
}

void StatusPanels::set_panel_text(int index, const QString& text) {
    if (QLabel* target = panel(index)) target->setText(text);
}

QString StatusPanels::panel_text(int index) const {
    const QLabel* target = panel(index);
    return target != nullptr ? target->text() : QString();
}

QLabel* StatusPanels::panel(int index) const {
    if (index < 1 || index > panel_count) return nullptr;
    return panels_[static_cast<std::size_t>(index - 1)];
}

bool StatusPanels::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < panel_count; ++i) {
            if (watched == panels_[static_cast<std::size_t>(i)]) {
                emit panel_clicked(i + 1);
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace feedrite
