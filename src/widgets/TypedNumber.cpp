#include "widgets/TypedNumber.h"

#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QLocale>

bool ReadTypedNumber(const QString& text, double& value)
{
    const std::string typed = text.trimmed().toStdString();
    if (ZelUtils::ParseTyped(typed, value))
        return true;
    Services().ShowMessage(typed.empty() ? std::string("Falta el número: el campo está vacío.")
                                         : ZelUtils::Format("\"%s\" no es un número.", typed));
    return false;
}

TRealSpinBox::TRealSpinBox(QWidget* parent) : QDoubleSpinBox(parent)
{
    setLocale(QLocale::c());
    setGroupSeparatorShown(false);
}

QString TRealSpinBox::Bare(const QString& input) const
{
    QString t = input;
    if (!prefix().isEmpty() && t.startsWith(prefix()))
        t.remove(0, prefix().size());
    if (!suffix().isEmpty() && t.endsWith(suffix()))
        t.chop(suffix().size());
    return t.trimmed();
}

QValidator::State TRealSpinBox::validate(QString& input, int&) const
{
    const std::string t = Bare(input).toStdString();
    // Digits, one decimal separator with no more decimals than the box shows, a
    // leading minus where the range has negative values.
    if (t.find_first_not_of("-0123456789.,") != std::string::npos || t.find('-', 1) != std::string::npos ||
        (!t.empty() && t[0] == '-' && minimum() >= 0.0))
        return QValidator::Invalid;
    const size_t separator = t.find_first_of(".,");
    if (separator != std::string::npos &&
        (t.find_first_of(".,", separator + 1) != std::string::npos || int(t.size() - separator - 1) > decimals()))
        return QValidator::Invalid;
    double v = 0.0;
    if (!ZelUtils::ParseTyped(t, v))
        return QValidator::Intermediate; // empty, or a minus sign only begun
    // Past the end that more digits only take further away: the key is refused.
    if ((v > maximum() && v > 0.0) || (v < minimum() && v < 0.0))
        return QValidator::Invalid;
    return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

double TRealSpinBox::valueFromText(const QString& text) const
{
    double v = value();
    ZelUtils::ParseTyped(Bare(text).toStdString(), v);
    return v;
}

QString TRealSpinBox::textFromValue(double v) const { return QString::number(v, 'f', decimals()); }

// What is left unfinished goes back to the value in use (the box's correction mode).
void TRealSpinBox::fixup(QString&) const {}
