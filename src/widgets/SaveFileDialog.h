// The save dialog of the commands whose filters name formats: a name typed
// without an extension takes the extension of the filter chosen, not the
// dialog's first one, so a file written in the chosen format is named after it
// (a KMZ chosen in the preview's list is a KMZ, tab-separated text is no ".csv").
#pragma once

#include <QFileDialog>

class TSaveFileDialog : public QFileDialog {
public:
    TSaveFileDialog(QWidget* parent, const QString& caption);

    // The extension of a name filter's first pattern ("csv" of "Texto [*.csv]
    // (*.csv)"); empty when that pattern names no extension ("(*)").
    static QString FilterSuffix(const QString& filter);

    void accept() override;
};
