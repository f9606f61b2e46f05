#pragma once
// How every dialog reads a number the user typed into a box: the same forms
// everywhere (a decimal comma reads as the point), and what is no number is said
// once instead of read as 0.
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QString>

// True with value set when text is a number (ZelUtils::ParseTyped); otherwise the
// user is told once, in Spanish, and value keeps what it held.
bool ReadTypedNumber(const QString& text, double& value);

// A real-valued spin box that shows a decimal point whatever the user's locale and
// takes a typed decimal comma as the point. Qt's own box reads the separator the
// locale does not use for decimals as a thousands mark: "1,5" became 15 under the
// C locale, and "1.5" became 15 under a Spanish one.
class TRealSpinBox : public QDoubleSpinBox {
public:
    explicit TRealSpinBox(QWidget* parent = nullptr);
    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;
    void fixup(QString& input) const override;

private:
    QString Bare(const QString& input) const;
};

// A whole-number spin box that takes digits only (a leading minus where the range
// has negative values). Qt's own box drops what the locale calls a thousands mark
// from a large range's text: "2,5" typed became 25. Here a number typed with a
// decimal separator is no whole number: the box goes back to the value it held
// before the typing began (not to the "2" its first digit gave on the way).
class TWholeSpinBox : public QSpinBox {
public:
    explicit TWholeSpinBox(QWidget* parent = nullptr);
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
    void fixup(QString& input) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString Bare(const QString& input) const;
    int held_ = 0; // the value before the typing began
};
