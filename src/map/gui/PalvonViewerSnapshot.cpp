// The one place where the main window's toolbar buttons, menu checks, options
// dialog and title box are read into a view snapshot; everything that draws the
// map (screen, printed page, DXF, KMZ) draws from the snapshot.
#include "mainwindow/PalvonViewer.h"

#include "map/DrawState.h"
#include "map/ViewSnapshot.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTextEdit>

TViewSnapshot TPalvonViewer::SnapshotView(TLayerTarget target)
{
    TViewSnapshot v;
    // A layer shows with its toolbar button, or on the magnifier with its tick
    // in the options.
    const TProgramOptions& o = ProgramOptions();
    const bool magnifier = target == TLayerTarget::Magnifier;
    auto shown = [&](const char* button, bool TProgramOptions::*magnifierBox) {
        return Down(QString::fromLatin1(button)) || (magnifier && o.*magnifierBox);
    };
    auto checked = [&](const char* name) { return Action(QString::fromLatin1(name))->isChecked(); };

    v.tbZonas = checked("tbZonas");
    v.tbPoligonos = checked("tbPoligonos");
    v.tbSolera = checked("tbSolera");
    v.tbAtributos = shown("tbAtributos", &TProgramOptions::zAtributos);
    v.tbColores = shown("tbColores", &TProgramOptions::zAtributos);
    v.tbLineas = checked("tbLineas");
    v.tbArrows = shown("tbArrows", &TProgramOptions::zArrows);
    v.tbNodes = shown("tbNodes", &TProgramOptions::zNodes);
    v.tbCents = checked("tbCents");
    v.tbNameNodes = shown("tbNameNodes", &TProgramOptions::zNameNodes);
    v.tbValues = shown("tbValues", &TProgramOptions::zValues);
    v.tbCalles = shown("tbCalles", &TProgramOptions::zCalles);
    v.tbSel = checked("tbSel");
    v.tbMovimValues = checked("tbMovimValues");

    v.aAtributos2 = checked("aAtributos2");
    v.Sobreescrito = checked("Sobreescrito1");
    v.SimpleArrow = checked("SimpleArrow");
    v.ColorNode = checked("ColorNode");
    v.Semaforos = checked("Semaforos");
    v.ColorMultiple = checked("ColorMultiple");
    v.ColorSeleccion = checked("ColorSeleccion");
    v.CodZona = checked("CodZona");
    v.GenAtrZona = checked("GenAtrZona");
    v.linnone = checked("linnone");
    v.linveh = checked("linveh");
    v.linvehval = checked("linvehval");
    v.MostrarNombresPlg = checked("MostrarNombresPlg");
    v.MostrarNombresArribaPlg = checked("MostrarNombresArribaPlg");

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

    if (const QTextEdit* box = tit) {
        v.HasTitle = true;
        QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
        while (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        for (const QString& line : lines)
            v.TitleLines.push_back(line.toStdString());
        v.TitleFont = box->font();
        v.TitleColor = box->palette().color(QPalette::Text);
    }

    v.MinX = WorldMinX;
    v.MinY = WorldMinY;
    v.MaxX = WorldMaxX;
    v.MaxY = WorldMaxY;
    return v;
}
