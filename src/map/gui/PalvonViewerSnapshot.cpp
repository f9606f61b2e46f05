// The one place where the main window's toolbar buttons, menu checks, options
// dialog and title box are read into a view snapshot; everything that draws the
// map (screen, printed page, DXF, KMZ) draws from the snapshot.
#include "mainwindow/PalvonViewer.h"

#include "mainwindow/DlgCfg.h"
#include "map/DrawState.h"
#include "map/ViewSnapshot.h"
#include "model/KDVvars.h"
#include "widgets/DlgCfgWidgets.h"

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
    auto shown = [&](TCommandId button, QCheckBox* TDlgCfg::*magnifierBox) {
        return Down(button) || (magnifier && (DlgCfg->*magnifierBox)->isChecked());
    };
    auto checked = [&](TCommandId id) { return Action(id)->isChecked(); };

    v.tbZonas = checked(Cmd::tbZonas);
    v.tbPoligonos = checked(Cmd::tbPoligonos);
    v.tbSolera = checked(Cmd::tbSolera);
    v.tbAtributos = shown(Cmd::tbAtributos, &TDlgCfg::zAtributos);
    v.tbColores = shown(Cmd::tbColores, &TDlgCfg::zAtributos);
    v.tbLineas = checked(Cmd::tbLineas);
    v.tbArrows = shown(Cmd::tbArrows, &TDlgCfg::zArrows);
    v.tbNodes = shown(Cmd::tbNodes, &TDlgCfg::zNodes);
    v.tbCents = checked(Cmd::tbCents);
    v.tbNameNodes = shown(Cmd::tbNameNodes, &TDlgCfg::zNameNodes);
    v.tbValues = shown(Cmd::tbValues, &TDlgCfg::zValues);
    v.tbCalles = shown(Cmd::tbCalles, &TDlgCfg::zCalles);
    v.tbSel = checked(Cmd::tbSel);
    v.tbMovimValues = checked(Cmd::tbMovimValues);

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
