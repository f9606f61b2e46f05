#pragma once
// The data layers of the DXF map: value bands ("ATT_"), range-coloured bands
// ("TEM_"), values as text ("VAL_") and turning-movement figures ("MVT_") of the
// link and movement variables, as the map shows them on top of the network.
// Headless: what is read of the main window comes in TDxfMapOptions.
#include "export/ZelDxfer.h"
#include "map/Ranges.h"

#include <array>
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

// The variable a group of layers draws: a copy of the view's choice when the
// export begins, or one made for a column of the full export's walk. The layers
// draw from these copies, so that an export never changes what the map or the
// grids show.
struct TLayerVariable {
    int32_t Column = 0;   // link or movement grid column
    std::string Name;     // its grid title: the layers are named after it
    float Min = 0.0f;     // extremes; Max is the value drawn PixsVol pixels wide
    float Max = 0.0f;
    std::array<TRangeClass, MaxRangeClasses + 1> Table{}; // colour classes
};

// The layer name of a variable: the prefix and its title without blanks and
// points; characters a DXF name may not hold become '_'.
std::string LayerName(const char* prefix, const std::string& title);

// Layer routines over a link variable (bands Max wide at PixsVol pixels, range
// colours, values as text) or a movement variable (turn figures), with the sizes,
// colours and number format of the exported view (o.State).
void DxfAtributos(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& v,
                  const TDxfMapOptions& o);
void DxfTemas(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& v, const TDxfMapOptions& o);
void DxfValores(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& v, const TDxfMapOptions& o);
void DxfMovimientos(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& v,
                    const TDxfMapOptions& o);

// The export of the data layers in two passes over the same choices: Layers()
// gives the layer-table entries (before the file is opened), Entities() writes them
// (first thing in the ENTITIES section). The full export walks every link and
// movement column.
class TDataLayerExport {
public:
    TDataLayerExport(const TDxfMapOptions& o, bool full);

    std::vector<TLayerEntry> Layers() const;
    void Entities(ZelDxfer::TDxfWriter& dxf) const;

private:
    const TDxfMapOptions& o_;
    bool full_;
    TLayerVariable link_, movim_; // the view's variables when the export began

    std::string LinkTitle(int32_t column) const;
    std::string MovimTitle(int32_t column) const;
    // The variable of a link column with a positive maximum, with its range set
    // (the saved one of its title, else the default classes); false when the
    // column holds no such variable.
    bool LinkColumn(int32_t column, TLayerVariable& v) const;
    bool MovimColumn(int32_t column, TLayerVariable& v) const;
    template <class F> void ForEachLinkColumn(F&& f) const;
    template <class F> void ForEachMovimColumn(F&& f) const;
    bool CurrentColumnInWalk() const;
};

} // namespace DxfDataLayers
