// The layer gates of a view snapshot and the sizes it draws with.
#include "map/ViewSnapshot.h"

#include "map/DrawState.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"

bool TViewSnapshot::Shows(TMapLayer layer) const
{
    switch (layer) {
    case TMapLayer::Zonas:
        return tbZonas;
    case TMapLayer::Poligonos:
    case TMapLayer::NamePoligonos:
        return tbPoligonos;
    case TMapLayer::Solera:
        return tbSolera;
    // The bars are scaled by the maximum: none is drawn against a zero maximum.
    case TMapLayer::Atributos:
        return tbAtributos && !State.ShownVarList.empty() && State.RangeMax > 0.0f;
    case TMapLayer::Colores:
        return tbColores;
    case TMapLayer::EntSal:
        return State.EntSalVar >= 0;
    case TMapLayer::MovimLinks:
        return aAtributos2;
    case TMapLayer::Lineas:
        return tbLineas;
    case TMapLayer::Red:
        return true;
    case TMapLayer::Carriles:
        return State.ShowLanes;
    case TMapLayer::Arrows:
        return tbArrows;
    case TMapLayer::Nodes:
        return tbNodes && !State.ShowLanes;
    case TMapLayer::Cents:
        return tbCents;
    case TMapLayer::NameNodes:
        return tbNameNodes;
    case TMapLayer::Values:
        return tbValues;
    case TMapLayer::Calles:
        return tbCalles;
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

TLayerSizes ScreenSizes() { return ScreenSizes(UserView()); }

} // namespace ViewSnapshot
