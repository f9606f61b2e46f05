// Layer toggles of the toolbars: each switches a layer of the map; the map is
// redrawn at once when the options dialog's "Actualización" box for it is ticked,
// otherwise the change shows at the next redraw.
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DrawState.h"
#include "model/KDVvars.h"

#include <QAction>
#include <QCheckBox>

namespace {
struct Toggle {
    const char* button;
    QCheckBox* TDlgCfg::*update;
};
} // namespace

void TPalvonViewer::ConnectToggles()
{
    const Toggle toggles[] = {{"tbArrows", &TDlgCfg::cbSentidos},     {"tbNodes", &TDlgCfg::cbNodos},
                              {"tbNameNodes", &TDlgCfg::cbNombreNodos}, {"tbCalles", &TDlgCfg::cbCalles},
                              {"tbCents", &TDlgCfg::cbCentroides},    {"tbAtributos", &TDlgCfg::cbAtributos},
                              {"tbColores", &TDlgCfg::cbAtributos},   {"tbValues", &TDlgCfg::cbValores}};
    for (const Toggle& t : toggles) {
        const QString name = QString::fromLatin1(t.button);
        QCheckBox* TDlgCfg::*update = t.update;
        connect(Action(name), &QAction::triggered, this, [this, name, update](bool down) {
            // Bars and colour classes exclude each other, as do the link and movement values.
            if (down && name == QLatin1String("tbAtributos"))
                SetDown("tbColores", false);
            if (down && name == QLatin1String("tbColores"))
                SetDown("tbAtributos", false);
            if (down && (name == QLatin1String("tbAtributos") || name == QLatin1String("tbColores") ||
                         name == QLatin1String("tbValues"))) {
                Action("aAtributos2")->setChecked(false);
                SetDown("tbMovimValues", false);
            }
            if (DlgCfg && (DlgCfg->*update)->isChecked())
                DrawPalvon();
        });
    }
    connect(Action("tbLanes"), &QAction::triggered, this, [this](bool down) {
        ShowLanes = down;
        DrawPalvon();
    });
    connect(Action("aRedibujar"), &QAction::triggered, this, &TPalvonViewer::DrawPalvon);
    ConnectZoom();
}
