#pragma once
// The two windows of the origin-destination pairs that use a link (TFrmPija) or
// a turning movement (TFrmPijm): elements on the left, pairs of the chosen one
// on the right; choosing draws them on the main map.
#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

#include "model/PalvonVars.h"

class TStringAlignGrid;
class QPushButton;
class TMapHost;

class TFrmPijaBase : public QDialog {
    Q_OBJECT
public:
    TFrmPijaBase(bool movements, QWidget* parent);

    // Groups the records into the left grid; false (nothing done) without records.
    bool FillElements();
    // A row of the left grid (1-based group) / of the right grid (1-based pair).
    void ElementSelected(int row);
    void PairSelected(int row);
    bool WriteCsv(const std::string& fileName) const;
    void Button1Click();
    void Button2Click() { close(); }
    // The main window on whose map the pairs are marked.
    void SetHost(TMapHost* host) { host_ = host; }

    const std::vector<int32_t>& Groups() const { return groups_; }
    TStringAlignGrid* left = nullptr;
    TStringAlignGrid* right = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

private:
    void ElementPoints(int32_t record, TPoint& a, TPoint& b, TPoint* middle) const;

    TMapHost* host_ = nullptr;
    bool movements_;
    std::vector<int32_t> groups_;
    int32_t first_ = 0, last_ = -1;
    TPoint pa_, pb_, zo_, zd_;
    bool originLine_ = false, destinationLine_ = false;
};

class TFrmPija : public TFrmPijaBase {
    Q_OBJECT
public:
    explicit TFrmPija(QWidget* parent = nullptr);
    TStringAlignGrid*& paa = left;
    TStringAlignGrid*& pap = right;
};

class TFrmPijm : public TFrmPijaBase {
    Q_OBJECT
public:
    explicit TFrmPijm(QWidget* parent = nullptr);
    TStringAlignGrid*& pma = left;
    TStringAlignGrid*& pmp = right;
};
