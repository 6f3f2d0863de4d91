// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/resume_dialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace feedrite;

// The review of a refused line cannot be confirmed; the program's own
// restart points around it are buttons that ask for their review instead.
class ResumeDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void refused_line_offers_the_restart_points() {
        const std::string program =
            "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 G00 X0 Y0 S900 M03\nG43 H1 Z5.\n"
            "G01 Z-1. F80.\nM98 P1\nX5.\nG91 G28 Z0\nT2 M06\nG21 G90 G54 G00 X0 Y0 S900 M03\n"
            "G43 H2 Z5.\nG01 Z-1. F80.\n";
        const struct {
            std::int64_t line;
            bool usable;
            std::vector<int> buttons;
        } cases[] = {{8, false, {1, 9}}, {6, true, {1, 9}}};
        for (const auto& c : cases) {
            auto plan = plan_resume(program, c.line);
            QVERIFY(plan.has_value());
            ResumeDialog dialog(std::move(*plan));
            QCOMPARE(dialog.ok_button()->isEnabled(), c.usable);
            for (const int line : c.buttons) {
                auto* button =
                    dialog.findChild<QPushButton*>(QStringLiteral("restart_%1").arg(line));
                QVERIFY2(button != nullptr, qPrintable(QString::number(line)));
            }
            QSignalSpy chosen(&dialog, &ResumeDialog::restart_chosen);
            dialog.findChild<QPushButton*>(QStringLiteral("restart_9"))->click();
            QCOMPARE(chosen.count(), 1);
            QCOMPARE(chosen.at(0).at(0).value<std::int64_t>(), 9);
        }
    }
};

QTEST_MAIN(ResumeDialogTest)
#include "resume_dialog_test.moc"
