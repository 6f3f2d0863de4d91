#pragma once
// The warning shown when the window is closed while data flows to the control.

#include <QDialog>

class QLabel;
class QPushButton;

namespace feedrite {

class Warning_form : public QDialog {
    Q_OBJECT
public:
    explicit Warning_form(QWidget* owner);

    [[nodiscard]] QPushButton* Command1() const { return Command1_; }  ///< "Yes"
    [[nodiscard]] QPushButton* Command2() const { return Command2_; }  ///< "No"
    [[nodiscard]] QLabel* Label1() const { return Label1_; }

signals:
    /// "Yes": close the window anyway.
    void close_anyway();

private:
    QLabel* Label1_;
    QPushButton* Command1_;
    QPushButton* Command2_;
};

}  // namespace feedrite
