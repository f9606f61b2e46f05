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
        return UserView().ShowLanes;
    case TMapLayer::Arrows:
        return tbArrows;
    case TMapLayer::Nodes:
        return tbNodes && !UserView().ShowLanes;
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

TLayerSizes TViewSnapshot::LayerSizes() const { return Sizes ? *Sizes : ViewSnapshot::ScreenSizes(); }

namespace ViewSnapshot {

TLayerSizes ScreenSizes()
{
    TLayerSizes s;
    s.PixsVol = UserView().PixsVol;
    s.PixsCol = UserView().PixsCol;
    s.PixsMov = UserView().PixsMov;
    s.GenatrBarWidth = UserView().GenatrBarWidth;
    s.LinkShift = UserView().LinkShift;
    s.NodeSize = UserView().NodeSize;
    s.CentroidSize = UserView().CentroidSize;
    s.ArrowSize = UserView().ArrowSize;
    s.SignalSize = UserView().SignalSize;
    s.LabelFonts = UserView().LabelFonts;
    s.Items = UserView().Items;
    return s;
}

} // namespace ViewSnapshot
