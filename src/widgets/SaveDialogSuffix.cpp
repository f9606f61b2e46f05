// The save dialogs' extension follows the filter the user chose.
#include "widgets/SaveDialogSuffix.h"

#include <QComboBox>
#include <QFileDialog>
#include <QRegularExpression>

namespace {

// The first whole extension of the filter's patterns ("Texto [*.tab] (*.tab)" ->
// "tab"); "" for a filter of any name.
QString FilterSuffix(const QString& filter)
{
    const QRegularExpression patterns(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = patterns.match(filter);
    const QString list = m.hasMatch() ? m.captured(1) : filter;
    for (const QString& pattern : list.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!pattern.startsWith(QLatin1String("*.")))
            continue;
        const QString suffix = pattern.mid(2);
        if (!suffix.isEmpty() && !suffix.contains(QLatin1Char('*')) && !suffix.contains(QLatin1Char('?')))
            return suffix;
    }
    return QString();
}

// The dialog's filter shown as `shown`: Qt's own dialog, asked to hide the
// patterns, shows and reports "Texto [*.tab]" for "Texto [*.tab] (*.tab)".
int FilterIndex(const QFileDialog& dialog, const QString& shown)
{
    const QRegularExpression patterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList filters = dialog.nameFilters();
    for (int i = 0; i < filters.size(); ++i)
        if (filters.at(i) == shown || QString(filters.at(i)).remove(patterns) == shown)
            return i;
    return -1;
}

} // namespace

int ChosenFilter(const QFileDialog& dialog)
{
    return FilterIndex(dialog, dialog.selectedNameFilter());
}

void SuffixFollowsFilter(QFileDialog& dialog)
{
    QFileDialog* d = &dialog;
    const auto follow = [d](const QString& shown) {
        const int index = FilterIndex(*d, shown);
        d->setDefaultSuffix(FilterSuffix(index >= 0 ? d->nameFilters().at(index) : shown));
    };
    follow(dialog.selectedNameFilter());
    // The user's choice in a dialog of the system's, and in Qt's own the filter
    // list however it changes.
    QObject::connect(d, &QFileDialog::filterSelected, d, follow);
    if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        QObject::connect(combo, &QComboBox::currentIndexChanged, d, [d, follow](int index) {
            if (index >= 0 && index < d->nameFilters().size())
                follow(d->nameFilters().at(index));
        });
}
