// The one place where the main window's toolbar buttons, menu checks, options
// dialog and title box are read into a view snapshot; everything that draws the
// map (screen, printed page, DXF, KMZ) draws from the snapshot.
#include "mainwindow/PalvonViewer.h"

#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgCfgWidgets.h"
#include "map/DrawState.h"
#include "map/ViewSnapshot.h"
#include "model/KDVvars.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTextEdit>

TViewSnapshot TPalvonViewer::SnapshotView(TLayerTarget target)
{
    TViewSnapshot v;
    // A layer shows with its toolbar button, or on the magnifier with its tick
    // in the options dialog.
    const bool magnifier = target == TLayerTarget::Magnifier && DlgCfg;
    auto shown = [&](const char* button, QCheckBox* TDlgCfg::*magnifierBox) {
        return Down(QString::fromLatin1(button)) || (magnifier && (DlgCfg->*magnifierBox)->isChecked());
    };
    auto checked = [&](const char* name) { return Action(QString::fromLatin1(name))->isChecked(); };

    v.tbZonas = checked("tbZonas");
    v.tbPoligonos = checked("tbPoligonos");
    v.tbSolera = checked("tbSolera");
    v.tbAtributos = shown("tbAtributos", &TDlgCfg::zAtributos);
    v.tbColores = shown("tbColores", &TDlgCfg::zAtributos);
    v.tbLineas = checked("tbLineas");
    v.tbArrows = shown("tbArrows", &TDlgCfg::zArrows);
    v.tbNodes = shown("tbNodes", &TDlgCfg::zNodes);
    v.tbCents = checked("tbCents");
    v.tbNameNodes = shown("tbNameNodes", &TDlgCfg::zNameNodes);
    v.tbValues = shown("tbValues", &TDlgCfg::zValues);
    v.tbCalles = shown("tbCalles", &TDlgCfg::zCalles);
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

    if (DlgCfg) {
        v.Options = true;
        v.DrawNull = DlgCfg->cbDrawNull->isChecked();
        for (int i = 0; i < 3 && i < DlgCfg->cbGiros->count(); ++i)
            v.Giros[size_t(i)] = DlgCfg->cbGiros->item(i)->checkState() == Qt::Checked;
        v.ArcosColor = DlgCfg->ArcosColor->Color();
        v.BlockedColor = DlgCfg->BlockedColor->Color();
        v.AccesoColor = DlgCfg->AccesoColor->Color();
        v.ArrowsColor = DlgCfg->ArrowsColor->Color();
        v.NodosColor = DlgCfg->NodosColor->Color();
        v.TrazaColor = DlgCfg->TrazaColor->Color();
        v.ZonaBordeColor = DlgCfg->ZonaBordeColor->Color();
        v.ZonaBordeAncho = DlgCfg->ZonaBordeAncho->value();
        v.ZonaRellenoColor = DlgCfg->ZonaRellenoColor->Color();
        v.ZonaRellenoClear = DlgCfg->ZonaRellenoClear->isChecked();
        v.PoliBordeColor = DlgCfg->PoliBordeColor->Color();
        v.SoleraColor = DlgCfg->SoleraColor->Color();
    }

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
