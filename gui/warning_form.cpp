// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/warning_form.h"

#include <QLabel>
#include <QPushButton>

#include "core/window_math.h"

namespace feedrite {

Warning_form::Warning_form(QWidget* owner, bool virtual_port)
    : QDialog(owner),
      Label1_(new QLabel(this)),
      Command1_(new QPushButton(QStringLiteral("Yes"), this)),
      Command2_(new QPushButton(QStringLiteral("No"), this)) {
    setObjectName(QStringLiteral("Warning_form"));
    setWindowTitle(QStringLiteral("Close BTR window?"));
    Label1_->setText(virtual_port ? QStringLiteral("WARNING ... This BTR output window is\n"
                                                   "sending data through the virtual port.\n"
                                                   "Close this BTR window anyway ?")
                                  : QStringLiteral("WARNING ... This BTR output window is\n"
                                                   "sending data through the parallel port.\n"
                                                   "Close this BTR window anyway ?"));
    Label1_->setAlignment(Qt::AlignCenter);
    // Placed in twips as the window was designed, scaled to the screen.
    const double dpi = logicalDpiY();
    const auto px = [dpi](int twips) { return twips_to_pixels(twips, dpi); };
    setFixedSize(px(4680), px(1875));
    Label1_->setGeometry(0, px(120), px(4695), px(975));
    Command1_->setGeometry(px(480), px(1200), px(1575), px(495));
    Command2_->setGeometry(px(2640), px(1200), px(1575), px(495));
    setTabOrder(Command1_, Command2_);
    // Enter must not stop the tape: No is the default and has the focus, and
    // Yes only acts when it is clicked or chosen on purpose.
    Command1_->setAutoDefault(false);
    Command2_->setDefault(true);
    Command2_->setFocus();
    connect(Command1_, &QPushButton::clicked, this, &Warning_form::close_anyway);
    connect(Command2_, &QPushButton::clicked, this, &QDialog::hide);
}

}  // namespace feedrite
