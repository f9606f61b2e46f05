#pragma once
// The data layers of the DXF map: value bands ("ATT_"), range-coloured bands
// ("TEM_"), values as text ("VAL_") and turning-movement figures ("MVT_") of the
// link and movement variables, as the map shows them on top of the network.
// Headless: what is read of the main window comes in TDxfMapOptions.
#include <cstdint>
#include <string>
#include <vector>

struct TDxfMapOptions;

namespace DxfDataLayers {

// One entry of the drawing's layer table.
struct TLayerEntry {
    std::string Name;
    bool Visible = false;
    int32_t Colour = 7;
};

// The layer name of a variable: the prefix and its range-set name without blanks
// and points; characters a DXF name may not hold become '_'.
std::string LayerName(const char* prefix, const std::string& rangeName);

// Layer routines over the current link variable (RangeVarArcos with RangeMax as the
// value drawn PixsVol pixels wide) or the current movement variable (RangeVarMovim).
void DxfAtributos(const std::string& layer, const TDxfMapOptions& o);
void DxfTemas(const std::string& layer, const TDxfMapOptions& o);
void DxfValores(const std::string& layer, const TDxfMapOptions& o);
void DxfMovimientos(const std::string& layer);

// The export of the data layers in two passes over the same choices: Layers()
// gives the layer-table entries (before the file is opened), Entities() writes them
// (first thing in the ENTITIES section). The full export walks every link and
// movement column; the range settings it changes are put back by the destructor.
class TDataLayerExport {
public:
    TDataLayerExport(const TDxfMapOptions& o, bool full);
    ~TDataLayerExport();
    TDataLayerExport(const TDataLayerExport&) = delete;
    TDataLayerExport& operator=(const TDataLayerExport&) = delete;

    std::vector<TLayerEntry> Layers();
    void Entities();
    // The movement-grid title of the current movement variable.
    std::string MovimName() const;
    // The link-grid title of the current link variable. The link layers are named
    // after it, not after RangeName, which names whichever variable (link or
    // movement) was chosen last.
    std::string LinkName() const;

private:
    struct Saved;
    const TDxfMapOptions& o_;
    bool full_;
    Saved* saved_;
    std::string startMovName_;

    void SelectLinkColumn(int32_t column);
    bool SelectMovimColumn(int32_t column);
    template <class F> void ForEachLinkColumn(F&& f);
    template <class F> void ForEachMovimColumn(F&& f);
    bool CurrentColumnInWalk() const;
};

} // namespace DxfDataLayers
