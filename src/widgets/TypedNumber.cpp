#include "widgets/TypedNumber.h"

#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QEvent>
#include <QLineEdit>
#include <QLocale>

namespace {

// The text of a spin box without its prefix and suffix.
QString WithoutAffixes(const QString& input, const QString& prefix, const QString& suffix)
{
    QString t = input;
    if (!prefix.isEmpty() && t.startsWith(prefix))
        t.remove(0, prefix.size());
    if (!suffix.isEmpty() && t.endsWith(suffix))
        t.chop(suffix.size());
    return t.trimmed();
}

// Digits and decimal separators only, with a leading minus where the range has
// negative values.
bool NumberCharacters(const std::string& t, bool negatives)
{
    return t.find_first_not_of("-0123456789.,") == std::string::npos && t.find('-', 1) == std::string::npos &&
           (t.empty() || t[0] != '-' || negatives);
}

} // namespace

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

QString TRealSpinBox::Bare(const QString& input) const { return WithoutAffixes(input, prefix(), suffix()); }

QValidator::State TRealSpinBox::validate(QString& input, int&) const
{
    const std::string t = Bare(input).toStdString();
    // Digits, one decimal separator with no more decimals than the box shows, a
    // leading minus where the range has negative values.
    if (!NumberCharacters(t, minimum() < 0.0))
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

TWholeSpinBox::TWholeSpinBox(QWidget* parent) : QSpinBox(parent)
{
    setLocale(QLocale::c());
    setGroupSeparatorShown(false);
    // The value held is the one set (by the program, the arrows, a number taken),
    // not one the digits typed so far give on the way.
    connect(this, &QSpinBox::valueChanged, this, [this](int v) {
        if (!lineEdit()->isModified())
            held_ = v;
    });
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] { held_ = value(); });
    lineEdit()->installEventFilter(this);
}

// A click in the text starts another typing: a number typed there earlier and
// left without Return (in use since its digits were typed) is the one held.
bool TWholeSpinBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonPress)
        held_ = value();
    return QSpinBox::eventFilter(watched, event);
}

// Called on Return or on leaving the box with a text that is no whole number.
void TWholeSpinBox::fixup(QString& input) const
{
    if (Bare(input).contains(QLatin1Char(',')) || Bare(input).contains(QLatin1Char('.')))
        input = prefix() + textFromValue(held_) + suffix();
}

QString TWholeSpinBox::Bare(const QString& input) const { return WithoutAffixes(input, prefix(), suffix()); }

QValidator::State TWholeSpinBox::validate(QString& input, int&) const
{
    const std::string t = Bare(input).toStdString();
    if (!NumberCharacters(t, minimum() < 0))
        return QValidator::Invalid;
    // A decimal separator stays as typed, so that the digits after it are not run
    // into the ones before; such a text never holds, and the box keeps its value.
    const size_t separator = t.find_first_of(".,");
    if (separator != std::string::npos)
        return t.find_first_of(".,", separator + 1) == std::string::npos ? QValidator::Intermediate
                                                                         : QValidator::Invalid;
    if (t.empty() || t == "-")
        return QValidator::Intermediate;
    bool ok = false;
    const long long v = QString::fromStdString(t).toLongLong(&ok);
    // Past the end that more digits only take further away: the key is refused.
    if (!ok || (v > maximum() && v > 0) || (v < minimum() && v < 0))
        return QValidator::Invalid;
    return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

int TWholeSpinBox::valueFromText(const QString& text) const
{
    bool ok = false;
    const int v = Bare(text).toInt(&ok);
    return ok ? v : value();
}

QString TWholeSpinBox::textFromValue(int v) const { return QString::number(v); }
