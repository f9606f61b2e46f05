#include "widgets/Calculator.h"

#include "model/ZelUtils.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

TCalculator::TCalculator(QWidget* parent) : QDialog(parent)
{
    setObjectName("Calc");
    setWindowTitle(QStringLiteral("Calculadora"));
    auto* grid = new QGridLayout(this);
    Display = new QLineEdit(this);
    Display->setObjectName("Display");
    Display->setReadOnly(true);
    Display->setAlignment(Qt::AlignRight);
    Display->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(Display, 0, 0, 1, 4);
    static const char* const rows[] = {"C<S/", "789*", "456-", "123+", "0.=="};
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 4; ++c) {
            const char key = rows[r][c];
            if (r == 4 && c == 3)
                continue; // "=" spans two cells
            const char* caption = key == 'C' ? "C" : key == '<' ? "←" : key == 'S' ? "±" : nullptr;
            auto* b = new QPushButton(caption ? QString::fromUtf8(caption) : QString(QLatin1Char(key)), this);
            b->setFocusPolicy(Qt::NoFocus);
            connect(b, &QPushButton::clicked, this, [this, key] { Press(key); });
            grid->addWidget(b, r + 1, c, 1, (r == 4 && c == 2) ? 2 : 1);
        }
    }
    Show();
}

void TCalculator::Show() { Display->setText(QString::fromStdString(error_ ? std::string("Error") : entry_)); }

// The pending operation with the number shown as its right operand.
void TCalculator::Apply()
{
    const double v = ZelUtils::ParseReal(entry_);
    switch (pending_) {
    case '+': accumulator_ += v; break;
    case '-': accumulator_ -= v; break;
    case '*': accumulator_ *= v; break;
    case '/':
        if (v == 0.0)
            error_ = true;
        else
            accumulator_ /= v;
        break;
    default: accumulator_ = v; break;
    }
    if (!std::isfinite(accumulator_))
        error_ = true;
    if (!error_)
        entry_ = ZelUtils::Format("%.15g", accumulator_);
}

void TCalculator::Press(char key)
{
    if (key == 'C' || (error_ && key != 'C')) {
        // After an error only a fresh start makes sense.
        entry_ = "0";
        accumulator_ = 0.0;
        pending_ = 0;
        fresh_ = true;
        error_ = false;
        if (key == 'C') {
            Show();
            return;
        }
    }
    if (key >= '0' && key <= '9') {
        if (fresh_ || entry_ == "0")
            entry_.clear();
        if (entry_.size() < 20)
            entry_ += key;
        fresh_ = false;
    } else if (key == '.') {
        if (fresh_)
            entry_ = "0";
        if (entry_.find('.') == std::string::npos)
            entry_ += '.';
        fresh_ = false;
    } else if (key == '<') {
        if (!fresh_) {
            entry_.pop_back();
            if (entry_.empty() || entry_ == "-")
                entry_ = "0";
        }
    } else if (key == 'S') {
        if (entry_ != "0")
            entry_ = entry_[0] == '-' ? entry_.substr(1) : "-" + entry_;
    } else if (key == '+' || key == '-' || key == '*' || key == '/') {
        // A second operator in a row only replaces the first.
        if (!fresh_ || pending_ == 0)
            Apply();
        pending_ = key;
        fresh_ = true;
    } else if (key == '=') {
        Apply();
        pending_ = 0;
        fresh_ = true;
    }
    Show();
}

void TCalculator::keyPressEvent(QKeyEvent* event)
{
    const int k = event->key();
    const QString text = event->text();
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
        Press('=');
    } else if (k == Qt::Key_Backspace) {
        Press('<');
    } else if (k == Qt::Key_Delete) {
        Press('C');
    } else if (text.size() == 1 && QStringLiteral("0123456789.,+-*/=").contains(text[0])) {
        const char c = text[0].toLatin1();
        Press(c == ',' ? '.' : c);
    } else {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}
