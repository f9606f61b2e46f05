// The one place where the main window's toolbar buttons, menu checks, options
// dialog and title box are read into a view snapshot; everything that draws the
// map (screen, printed page, DXF, KMZ) draws from the snapshot.
#include "map/gui/MapRenderer.h"

#include "map/DrawState.h"
#include "map/LineLayers.h"
#include "map/ViewSnapshot.h"
#include "map/ViewState.h"
#include "map/gui/MapDrawHost.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTextEdit>

TViewSnapshot TMapRenderer::SnapshotView(TLayerTarget target)
{
    TViewSnapshot v;
    // A layer shows with its toolbar button, or on the magnifier with its tick
    // in the options.
    const TProgramOptions& o = ProgramOptions();
    const bool magnifier = target == TLayerTarget::Magnifier;
    const TViewState& view = window_.View();
    auto shown = [&](bool on, bool TProgramOptions::*magnifierBox) { return on || (magnifier && o.*magnifierBox); };
    auto checked = [&](TCommandId id) { return window_.CommandOn(id); };

    v.State = view;
    v.State.Atributos = shown(view.Atributos, &TProgramOptions::zAtributos);
    v.State.Colores = shown(view.Colores, &TProgramOptions::zAtributos);
    v.State.Arrows = shown(view.Arrows, &TProgramOptions::zArrows);
    v.State.Nodes = shown(view.Nodes, &TProgramOptions::zNodes);
    v.State.NameNodes = shown(view.NameNodes, &TProgramOptions::zNameNodes);
    v.State.Values = shown(view.Values, &TProgramOptions::zValues);
    v.State.Calles = shown(view.Calles, &TProgramOptions::zCalles);

    v.aAtributos2 = checked(Cmd::aAtributos2);
    v.Sobreescrito = checked(Cmd::Sobreescrito1);
    v.SimpleArrow = checked(Cmd::SimpleArrow);
    v.ColorNode = checked(Cmd::ColorNode);
    v.Semaforos = checked(Cmd::Semaforos);
    v.ColorMultiple = checked(Cmd::ColorMultiple);
    v.ColorSeleccion = checked(Cmd::ColorSeleccion);
    v.CodZona = checked(Cmd::CodZona);
    v.GenAtrZona = checked(Cmd::GenAtrZona);
    v.linnone = checked(Cmd::linnone);
    v.linveh = checked(Cmd::linveh);
    v.linvehval = checked(Cmd::linvehval);
    v.MostrarNombresPlg = checked(Cmd::MostrarNombresPlg);
    v.MostrarNombresArribaPlg = checked(Cmd::MostrarNombresArribaPlg);
    // Loads whose totals were summed after the screen last showed them: the copy
    // takes the scale the screen will give the user's view, which stays as it is.
    if (v.State.Lineas && (v.linveh || v.linvehval) && LineLayers::RefreshLinkBusCount()) {
        v.State.RangeMax = LinkBusMax;
        v.State.RangeMin = 0.0f;
    }

    v.Options = true;
    v.DrawNull = o.DrawNull;
    v.Giros = o.Giros;
    v.ArcosColor = o.ArcosColor;
    v.BlockedColor = o.BlockedColor;
    v.AccesoColor = o.AccesoColor;
    v.ArrowsColor = o.ArrowsColor;
    v.NodosColor = o.NodosColor;
    v.TrazaColor = o.TrazaColor;
    v.ZonaBordeColor = o.ZonaBordeColor;
    v.ZonaBordeAncho = o.ZonaBordeAncho;
    v.ZonaRellenoColor = o.ZonaRellenoColor;
    v.ZonaRellenoClear = o.ZonaRellenoClear;
    v.PoliBordeColor = o.PoliBordeColor;
    v.SoleraColor = o.SoleraColor;

    if (host_.TitleBox()) {
        // The window's title block, as its view holds it.
        const TViewState& user = UserView();
        v.HasTitle = true;
        std::vector<std::string> lines = ZelUtils::SplitString(user.TitleText, '\n');
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();
        v.TitleLines = lines;
        v.TitleFont = user.TitleFont;
        v.TitleColor = user.TitleColor;
    }

    v.MinX = UserView().WorldMinX;
    v.MinY = UserView().WorldMinY;
    v.MaxX = UserView().WorldMaxX;
    v.MaxY = UserView().WorldMaxY;
    return v;
}
