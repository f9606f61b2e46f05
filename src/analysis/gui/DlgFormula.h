#pragma once
// The dialog in which the user defines a computed column of the link or movement
// grid: the fields the formula may read (letters A, B, C ...), the column's short
// name, its long title and the formula text. The main window's "Crear columna ..."
// commands hand it their grid, run the dialog and read its results.
#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;
class QTableWidget;
class TDualListDialog;
class TStringAlignGrid;

class TDlgFormula : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxFields = 25; // letters A .. Y

    explicit TDlgFormula(QWidget* parent = nullptr);

    // Prepares the dialog, lets the user choose the fields and, unless that choice
    // was cancelled, shows the dialog modally. True when it was closed with OK.
    bool Execute();

    // Steps of the dialog (also reached by the controls).
    // False when the field choice was cancelled (the dialog then closes at once).
    bool FormShow();
    void btnOkClick();
    void teVarExit();
    void teTextExit();

    // Set by the caller before showing: the link grid (sagArcos) or the movement
    // grid (sagMovim), whose columns after the keys are offered as fields.
    TStringAlignGrid* Grid = nullptr;
    // Grid column of the field behind letter A + i (valid for the rows of `flds`).
    std::array<int32_t, MaxFields> FieldColumns{};
    // The formula typed by the user; empty when the dialog was left without OK.
    std::string FormulaText;
    // Number of chosen fields and the letter of field i ("A", "B", ...).
    int FieldCount() const;
    std::string FieldKey(int i) const;

    // Runs the field choice; the default shows `dld` modally (tests replace it).
    std::function<bool(TDualListDialog& dld)> RunFieldChoice;

    QLineEdit* teVar = nullptr;  // column name
    QLineEdit* teText = nullptr; // column title
    QLineEdit* teForm = nullptr; // formula
    QTableWidget* flds = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    TDualListDialog* dld = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TDlgFormula* DlgFormula;
