#pragma once
// The save dialog shared by the export commands of the main window.
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QWidget;

namespace ExportDialogs {

// A save dialog asking before overwriting when the options say so, opened on
// `initial` when one is given; the chosen file in `fileName` and the chosen filter
// index (0-based) in `filter`. False when cancelled.
bool SaveDialog(QWidget* parent, const QString& title, const QString& suffix, const QStringList& filters,
                const QString& initial, std::string& fileName, int& filter);

// An export that writes a set of files under one name (named among them or not):
// the files of the set already there, other than the one the user named (which
// the save dialog is for), are replaced only on a yes to one question naming
// them. True when none is there or the user said yes.
bool MayReplaceBeside(const std::string& named, const std::vector<std::string>& set);

} // namespace ExportDialogs
