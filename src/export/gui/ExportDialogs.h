#pragma once
// The save dialog shared by the export commands of the main window.
#include <QString>
#include <QStringList>

#include <string>

class QWidget;

namespace ExportDialogs {

// A save dialog asking before overwriting when the options say so, opened on
// `initial` when one is given; the chosen file in `fileName` and the chosen filter
// index (0-based) in `filter`. False when cancelled. `setAsks`: the command asks
// itself, in one question about the named file and the others it writes beside
// it, so the dialog asks nothing.
bool SaveDialog(QWidget* parent, const QString& title, const QString& suffix, const QStringList& filters,
                const QString& initial, std::string& fileName, int& filter, bool setAsks = false);

} // namespace ExportDialogs
