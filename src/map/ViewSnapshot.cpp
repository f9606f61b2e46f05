// The layer gates of a view snapshot and the snapshot in force while a view draws.
#include "map/ViewSnapshot.h"

#include "map/DrawState.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"

namespace {

const TViewSnapshot* Current = nullptr;

} // namespace

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
        return tbAtributos && !UserView().ShownVarList.empty() && UserView().RangeMax > 0.0f;
    case TMapLayer::Colores:
        return tbColores;
    case TMapLayer::EntSal:
        return UserView().EntSalVar >= 0;
    case TMapLayer::MovimLinks:
        return aAtributos2;
    case TMapLayer::Lineas:
        return tbLineas;
    case TMapLayer::Red:
        return true;
    case TMapLayer::Carriles:
        return ShowLanes;
    case TMapLayer::Arrows:
        return tbArrows;
    case TMapLayer::Nodes:
        return tbNodes && !ShowLanes;
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

namespace ViewSnapshot {

const TViewSnapshot* InForce() { return Current; }

TLayerSizes ScreenSizes()
{
    TLayerSizes s;
    s.PixsVol = PixsVol;
    s.PixsCol = PixsCol;
    s.PixsMov = PixsMov;
    s.GenatrBarWidth = GenatrBarWidth;
    s.LinkShift = LinkShift;
    s.NodeSize = NodeSize;
    s.CentroidSize = CentroidSize;
    s.ArrowSize = ArrowSize;
    s.SignalSize = SignalSize;
    s.ZoneBorderScale = ZoneBorderScale;
    s.LabelFonts = LabelFonts;
    s.Items = Items;
    return s;
}

const TLayerSizes& SizesInForce()
{
    if (Current && Current->Sizes)
        return *Current->Sizes;
    static TLayerSizes screen;
    screen = ScreenSizes();
    return screen;
}

} // namespace ViewSnapshot

TViewScope::TViewScope(const TViewSnapshot& view) : previous_(Current) { Current = &view; }

TViewScope::~TViewScope() { Current = previous_; }
