// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The review before a resume: the blocks that restore the state before the
// chosen line, editable, with the clearance height to confirm and what the
// scan was not sure of, and the program's safe restart points around the
// line, each a button that reviews it instead. A refused line shows why and
// cannot be confirmed. Changing the clearance builds the blocks again until
// the operator edits them by hand; "Rebuild" drops the hand edits.

#include <QDialog>
#include <string>
#include <vector>

#include "resume/resume_plan.h"

class QLineEdit;
class QVBoxLayout;
class QPlainTextEdit;
class QPushButton;

namespace feedrite {

class ResumeDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ResumeDialog(ResumePlan plan, QWidget* parent = nullptr);

    /// The blocks as they stand, one per non-empty line, Latin-1.
    [[nodiscard]] std::vector<std::string> blocks() const;

    [[nodiscard]] QLineEdit* clearance_edit() const { return clearance_; }
    [[nodiscard]] QPushButton* ok_button() const { return ok_; }

    void accept() override;

  signals:
    /// The operator chose a safe restart point instead; the dialog is closed.
    void restart_chosen(std::int64_t line);

  private:
    void add_restart_points(QVBoxLayout* layout);
    void rebuild();
    void show_plan();

    ResumePlan plan_;
    QLineEdit* clearance_;
    QPlainTextEdit* blocks_;
    QPlainTextEdit* warnings_;
    QPushButton* rebuild_;
    QPushButton* ok_;
    bool hand_edited_ = false;
    bool showing_ = false;
};

}  // namespace feedrite
