#pragma once
// The calculator dialog "Calculadora" of the main window: a pocket calculator that
// works left to right (2 + 3 * 4 = 20), with its keys on buttons and the keyboard.
#include <QDialog>

#include <string>

class QLineEdit;

class TCalculator : public QDialog {
    Q_OBJECT
public:
    explicit TCalculator(QWidget* parent = nullptr);

    QLineEdit* Display;

    // One key: '0'..'9', '.', '+', '-', '*', '/', '=' (also Enter), 'C' (clear),
    // 'S' (change sign), '<' (delete the last digit).
    void Press(char key);
    std::string Text() const { return entry_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Apply();
    void Show();

    std::string entry_ = "0"; // the number shown
    double accumulator_ = 0.0;
    char pending_ = 0;        // operator waiting for its right operand
    bool fresh_ = true;       // the next digit starts a new number
    bool error_ = false;
};
