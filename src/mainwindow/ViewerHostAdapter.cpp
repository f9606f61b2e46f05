// The window's side of the themes, the settings, the windows beside the map, the
// find dialog and the print preview.
#include "mainwindow/ViewerHostAdapter.h"
#include "mainwindow/PalvonViewer.h"
#include "model/TextCodec.h"

#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>

void TViewerHostAdapter::SaveViewConfig(TIniFile& ini, const std::string& section)
{
    v_.Settings().GrabarConfiguracion(ini, section);
}

void TViewerHostAdapter::LoadViewConfig(TIniFile& ini, const std::string& section)
{
    v_.Settings().LeerConfiguracion(ini, section);
}

bool TViewerHostAdapter::AskText(const std::string& caption, const std::string& prompt, std::string& text)
{
    if (v_.Display().Dialogs.InputText)
        return v_.Display().Dialogs.InputText(caption, prompt, text);
    bool ok = false;
    const QString answer = QInputDialog::getText(&v_, TextCodec::Decode(caption), TextCodec::Decode(prompt),
                                                 QLineEdit::Normal, TextCodec::Decode(text), &ok);
    if (ok)
        text = answer.toUtf8().toStdString();
    return ok;
}

void TViewerHostAdapter::RedrawMap() { v_.RedrawMap(); }

QAction* TViewerHostAdapter::ActionNamed(const QString& name) { return v_.Action(name); }

QMenu* TViewerHostAdapter::EditMenu()
{
    for (QAction* a : v_.menuBar()->actions())
        if (a->menu() && a->text() == QLatin1String("&Editar"))
            return a->menu();
    // After "&Archivo".
    const QList<QAction*> top = v_.menuBar()->actions();
    QMenu* editar = new QMenu(QStringLiteral("&Editar"), &v_);
    v_.menuBar()->insertMenu(top.size() > 1 ? top[1] : nullptr, editar);
    return editar;
}

QTextEdit* TViewerHostAdapter::MapTitle() { return v_.tit; }

TLegendImage* TViewerHostAdapter::RangeLegend() { return v_.sym; }

TLegendImage* TViewerHostAdapter::BarLegend() { return v_.Scl; }

TStringAlignGrid* TViewerHostAdapter::LinkGrid() { return v_.sagArcos; }

void TViewerHostAdapter::LinkRangeValues() { v_.Grids().ArcosRangeValues(); }

void TViewerHostAdapter::LoadLineLayer(const std::string& fileName, bool add)
{
    v_.Display().LineaSoleras(fileName, add);
}

TOxrImage* TViewerHostAdapter::MapImage() { return v_.img; }

void TViewerHostAdapter::ShowScaleKept(bool kept) { v_.MapView().ShowScaleKept(kept); }

void TViewerHostAdapter::RedrawAerial() { v_.MapView().DrawNetWorkAerial(); }

bool TViewerHostAdapter::CommandOn(TCommandId id) { return v_.CommandOn(id); }

void TViewerHostAdapter::SetCommandOn(TCommandId id, bool on) { v_.SetCommandOn(id, on); }

TStringAlignGrid* TViewerHostAdapter::FindGrid(int kind)
{
    switch (kind) {
    case 0: return v_.sagZonas;
    case 1: return v_.sagNodos;
    case 3: return v_.sagLineas;
    case 4: return v_.sagMovim;
    default: return v_.sagArcos;
    }
}

void TViewerHostAdapter::ListFoundLinks() { v_.Selection().ListFoundLinks(); }

void TViewerHostAdapter::RemakePreview() { v_.Printing().PrintFilePalvon(); }

bool TViewerHostAdapter::ExportDxf(const std::string& fileName) { return v_.Export().PrintDxfFile(fileName); }

bool TViewerHostAdapter::ExportKmz(const std::string& fileName) { return v_.Export().Kmz().PrintKmzFile(fileName); }

bool TViewerHostAdapter::ExportShp(const std::string& fileName) { return v_.Export().PrintShpFile(fileName); }
