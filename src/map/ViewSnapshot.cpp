// The layer gates of a view snapshot and the sizes it draws with.
#include "map/ViewSnapshot.h"

#include "map/DrawState.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"

bool TViewSnapshot::Shows(TMapLayer layer) const
{
    switch (layer) {
    case TMapLayer::Zonas:
        return State.Zonas;
    case TMapLayer::Poligonos:
    case TMapLayer::NamePoligonos:
        return State.Poligonos;
    case TMapLayer::Solera:
        return State.Solera;
    // The bars are scaled by the maximum: none is drawn against a zero maximum.
    case TMapLayer::Atributos:
        return State.Atributos && !State.ShownVarList.empty() && State.RangeMax > 0.0f;
    case TMapLayer::Colores:
        return State.Colores;
    case TMapLayer::EntSal:
        return State.EntSalVar >= 0;
    case TMapLayer::MovimLinks:
        return aAtributos2;
    case TMapLayer::Lineas:
        return State.Lineas;
    case TMapLayer::Red:
        return true;
    case TMapLayer::Carriles:
        return State.ShowLanes;
    case TMapLayer::Arrows:
        return State.Arrows;
    case TMapLayer::Nodes:
        return State.Nodes && !State.ShowLanes;
    case TMapLayer::Cents:
        return State.Cents;
    case TMapLayer::NameNodes:
        return State.NameNodes;
    case TMapLayer::Values:
        return State.Values;
    case TMapLayer::Calles:
        return State.Calles;
    }
    return false;
}

TLayerSizes TViewSnapshot::LayerSizes() const { return Sizes ? *Sizes : ViewSnapshot::ScreenSizes(State); }

namespace ViewSnapshot {

TLayerSizes ScreenSizes(const TViewState& view)
{
    TLayerSizes s;
    s.PixsVol = view.PixsVol;
    s.PixsCol = view.PixsCol;
    s.PixsMov = view.PixsMov;
    s.GenatrBarWidth = view.GenatrBarWidth;
    s.LinkShift = view.LinkShift;
    s.NodeSize = view.NodeSize;
    s.CentroidSize = view.CentroidSize;
    s.ArrowSize = view.ArrowSize;
    s.SignalSize = view.SignalSize;
    s.LabelFonts = view.LabelFonts;
    s.Items = view.Items;
    return s;
}

} // namespace ViewSnapshot
