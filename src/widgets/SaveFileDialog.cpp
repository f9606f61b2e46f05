#include "widgets/SaveFileDialog.h"

#include <QRegularExpression>

TSaveFileDialog::TSaveFileDialog(QWidget* parent, const QString& caption) : QFileDialog(parent, caption)
{
    setAcceptMode(QFileDialog::AcceptSave);
}

QString TSaveFileDialog::FilterSuffix(const QString& filter)
{
    const QRegularExpression patterns(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = patterns.match(filter);
    const QString first = (m.hasMatch() ? m.captured(1) : filter).simplified().section(QLatin1Char(' '), 0, 0);
    if (!first.startsWith(QLatin1String("*.")))
        return {};
    const QString suffix = first.mid(2);
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString() : suffix;
}

void TSaveFileDialog::accept()
{
    // Set before the dialog makes the name: the overwrite question, if any, is
    // asked about the file that will be written.
    if (!nameFilters().isEmpty())
        setDefaultSuffix(FilterSuffix(selectedNameFilter()));
    QFileDialog::accept();
}
