// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/resume_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "gui/program_edit.h"

namespace feedrite {
namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString joined(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) list << latin1(line);
    return list.join(QLatin1Char('\n'));
}

}  // namespace

ResumeDialog::ResumeDialog(ResumePlan plan, QWidget* parent)
    : QDialog(parent),
      plan_(std::move(plan)),
      clearance_(new QLineEdit(latin1(plan_.clearance), this)),
      blocks_(new QPlainTextEdit(this)),
      warnings_(new QPlainTextEdit(this)),
      rebuild_(new QPushButton(tr("Rebuild"), this)) {
    const QString line = QString::number(plan_.line);
    setWindowTitle(tr("Resume at line %1").arg(line));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    blocks_->setFont(fixed);
    blocks_->setObjectName(QStringLiteral("blocks"));
    warnings_->setReadOnly(true);
    warnings_->setObjectName(QStringLiteral("warnings"));
    clearance_->setObjectName(QStringLiteral("clearance"));
    // A number as the program writes them: with a point or without.
    clearance_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]*\\.?[0-9]*")), clearance_));
    clearance_->setToolTip(
        tr("Z height, in the program's units, work coordinates and notation, at which the "
           "tool moves to the start position. Check that it clears the part and the fixture."));

    auto* explain = new QLabel(
        tr("After the leader the control reads these blocks, then the program from line %1. "
           "They put back the state the program built up before that line. Check them, edit them "
           "if "
           "needed, and confirm the clearance height.")
            .arg(line),
        this);
    explain->setWordWrap(true);
    auto* clearance_row = new QHBoxLayout;
    clearance_row->addWidget(clearance_, 1);
    clearance_row->addWidget(rebuild_);
    auto* form = new QFormLayout;
    form->addRow(tr("Clearance height Z:"), clearance_row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(tr("Resume at line %1").arg(line));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explain);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Blocks sent before line %1:").arg(line), this));
    layout->addWidget(blocks_, 3);
    layout->addWidget(new QLabel(tr("Warnings:"), this));
    layout->addWidget(warnings_, 2);
    add_restart_points(layout);
    layout->addWidget(buttons);
    resize(640, 560);

    if (plan_.kind() == MachineKind::Lathe) {
        clearance_->setEnabled(false);
        rebuild_->setEnabled(false);
        clearance_->setToolTip(
            tr("A lathe goes to where the program's last rapid ended, then "
               "feeds to the start along one axis."));
    }

    connect(buttons, &QDialogButtonBox::accepted, this, &ResumeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ResumeDialog::reject);
    connect(clearance_, &QLineEdit::textEdited, this, [this] {
        if (!hand_edited_) rebuild();
    });
    connect(rebuild_, &QPushButton::clicked, this, [this] {
        hand_edited_ = false;
        rebuild();
    });
    connect(blocks_, &QPlainTextEdit::textChanged, this, [this] {
        if (showing_) return;
        hand_edited_ = true;  // from now on the clearance changes nothing by itself
        clearance_->setEnabled(false);
        clearance_->setToolTip(
            tr("The blocks were edited by hand: Rebuild to change the clearance."));
    });
    show_plan();
    ok_->setEnabled(plan_.usable());  // a refused line is never sent
}

// The program's own setups nearest the line, offered in its place.
void ResumeDialog::add_restart_points(QVBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    const QString at_point =
        tr("Line %1 is a safe restart point: the program sets up its next moves there.")
            .arg(plan_.line);
    row->addWidget(
        new QLabel(plan_.at_restart_point ? at_point : tr("Safe restart points:"), this));
    const auto offer = [&](std::int64_t line, const QString& where) {
        if (line == 0 || line == plan_.line) return;
        auto* button = new QPushButton(tr("Line %1 (%2)").arg(line).arg(where), this);
        button->setObjectName(QStringLiteral("restart_%1").arg(line));
        connect(button, &QPushButton::clicked, this, [this, line] {
            reject();
            emit restart_chosen(line);
        });
        row->addWidget(button);
    };
    offer(plan_.restart.before, tr("before"));
    offer(plan_.restart.after, tr("after"));
    if (!plan_.at_restart_point && plan_.restart.before == 0 && plan_.restart.after == 0)
        row->addWidget(new QLabel(tr("none found in this program"), this));
    row->addStretch(1);
    layout->addLayout(row);
}

void ResumeDialog::rebuild() {
    set_clearance(plan_, clearance_->text().trimmed().toLatin1().toStdString());
    clearance_->setEnabled(plan_.kind() == MachineKind::Mill);
    show_plan();
    // A refused height says why at the top of the warnings; nothing is sent with it.
    ok_->setEnabled(plan_.usable());
}

void ResumeDialog::show_plan() {
    showing_ = true;
    blocks_->setPlainText(joined(plan_.blocks));
    const std::vector<std::string> warnings = plan_.warnings();
    warnings_->setPlainText(warnings.empty() ? tr("None.") : joined(warnings));
    showing_ = false;
}

std::vector<std::string> ResumeDialog::blocks() const {
    std::vector<std::string> out;
    for (const QString& line : blocks_->toPlainText().split(QLatin1Char('\n'))) {
        const QString block = line.trimmed();
        if (!block.isEmpty()) out.push_back(block.toLatin1().toStdString());
    }
    return out;
}

void ResumeDialog::accept() {
    // Only Latin-1 can be sent as it is shown.
    if (!ProgramEdit::is_latin1(blocks_->toPlainText())) {
        QApplication::beep();
        return;
    }
    QDialog::accept();
}

}  // namespace feedrite
