#pragma once
// The range dialog "Definición de Rangos": bounds, colours and on/off of the six
// value classes of the data layers, and the legend symbol size.
//
// The main window loads it from the class table it edits (LoadFromTable: the
// links' RangeTable unless told otherwise), shows it modally and, when something
// was changed, reads it back (StoreToTable). A colour choice goes into that table
// at once; the legend size takes effect at once.
#include "map/Ranges.h"

#include <cstdint>
#include <functional>

#include <QDialog>
#include <QLineEdit>

class QCheckBox;
class QPushButton;
class QSpinBox;
class TColorPanel;

// A number box that keeps its value whole while showing it with the dialog's
// display decimals (the full value is shown while it is being edited). Text that
// is no number leaves the value the box held before the edit, and is said when
// the user leaves the box.
class TRangeValueBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TRangeValueBox(QWidget* parent = nullptr);
    double Value() const { return value_; }
    // Sets the value without counting as an edit.
    void SetValue(double v);
    int DisplayDecimals() const { return decimals_; }
    void SetDisplayDecimals(int decimals);

signals:
    // The user changed the text (the value follows it).
    void valueEdited();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Show(bool full);
    void EditFinished();
    double value_ = 0.0;
    double kept_ = 0.0; // the value before the edit under way
    int decimals_ = 2;
};

class TDlgRngs : public QDialog {
    Q_OBJECT
public:
    explicit TDlgRngs(QWidget* parent = nullptr);

    // Class 0 ("0)"): value, colour, on.
    TRangeValueBox* vmn;
    // Classes 1..5: lower bounds vv0..vv4, upper bounds v1..v4 (index 1..4) and vmx.
    TRangeValueBox* vv[5];
    TRangeValueBox* v[5]; // v[0] unused
    TRangeValueBox* vmx;
    TColorPanel* c[6];
    QCheckBox* Chk[6];
    QSpinBox* szs;
    QPushButton* BitBtn1;
    // Something was edited, ticked or coloured since the dialog was shown.
    bool Changed = false;
    // Colour dialog; true and the colour replaced on acceptance (tests replace it).
    std::function<bool(uint32_t& color)> ChooseColor;

    // The class table the dialog edits from now on; nullptr for the links' RangeTable.
    void EditTable(TRangeArray* table) { table_ = table; }
    // Controls := classes 0..5 of the table.
    void LoadFromTable();
    // The table := the controls (class 0 high and class 1 low keep their values).
    void StoreToTable();
    // Display decimals from vmx; clears Changed; the size box := RangeSymbolSize.
    void FormShow();
    void SelColor(int tag);
    // Leaving an upper bound shows it as the lower bound of the next class.
    void vExit(int tag);

protected:
    void showEvent(QShowEvent* event) override;

private:
    TRangeValueBox* UpperBox(int cls) const { return cls == 5 ? vmx : v[cls]; }
    TRangeArray& Table() const;
    TRangeArray* table_ = nullptr;
};

extern TDlgRngs* DlgRngs;
