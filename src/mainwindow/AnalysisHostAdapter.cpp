// The analyses in the main window: their items in the menus "Procesos" and
// "Ayuda" and in the zones' menu (the controller registers the handlers), and the
// window as their host (TAnalysisHostAdapter).
#include "mainwindow/AnalysisHostAdapter.h"

#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/ZelUtils.h"
#include "widgets/CommandPlaces.h"
#include "widgets/StringAlignGrid.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>

void TPalvonViewer::CreateAnalysisMenus()
{
    QMenu* procesos = rutaMinimaMenu_ ? qobject_cast<QMenu*>(rutaMinimaMenu_->parent()) : nullptr;
    if (rutaMinimaMenu_)
        CommandPlaces::FillWhenShown(*this, rutaMinimaMenu_, QStringLiteral("menu:Procesos>Rutas Mínimas"), this);
    if (procesos) {
        auto* pijas = new QMenu(CommandTable::Caption(Cmd::AnalisisdePIJAs), procesos);
        QAction* pijasItem = Action(Cmd::AnalisisdePIJAs);
        pijasItem->setMenu(pijas);
        pijasItem->setEnabled(false);
        CommandPlaces::FillWhenShown(*this, pijas, QStringLiteral("menu:Procesos>Analisis de PIJAs"), this);
        Action(Cmd::NivelArco)->setEnabled(false);
        Action(Cmd::NIvelMovimiento)->setEnabled(false);
    }
    // The chosen cost variable shows in the item's caption, by the title of the
    // last links-grid column that shows it (column 0 when none does). The menu
    // hears of the choice before the item's own handler sets CostVar: the
    // variable is the one the item carries.
    Grids().CreateGrids();
    if (QMenu* ConfigurarRmin = Grids().ConfigurarRmin)
        connect(ConfigurarRmin, &QMenu::triggered, this, [this, ConfigurarRmin](QAction* chosen) {
            const int32_t cost = chosen ? chosen->data().toInt() : KDVlib::CostVar;
            int col = 0;
            const int count = std::min<int>(sagArcos ? sagArcos->ColCount() : NumColArcos, NumArcosColumns);
            for (int c = 2; c < count; ++c)
                if (ColVarArcos[static_cast<size_t>(c)] == cost)
                    col = c;
            const std::string title = sagArcos ? sagArcos->cell(col, 0) : std::string();
            ConfigurarRmin->setTitle(QString::fromStdString(ZelUtils::Format("Configurar (%s)", title)));
            Action(Cmd::ConfigurarRminItem)->setText(ConfigurarRmin->title());
        });
    analysis_.RegisterCommands(Registry());
}

TStringAlignGrid* TAnalysisHostAdapter::LinkGrid() { return w_.sagArcos; }

TStringAlignGrid* TAnalysisHostAdapter::ZoneGrid() { return w_.sagZonas; }

tgaugeCaption* TAnalysisHostAdapter::CaptionGauge() { return w_.pbc; }

void TAnalysisHostAdapter::LinksMarked() { w_.Selection().RefreshSelectedLinks(); }

QMenu* TAnalysisHostAdapter::FlowVariableMenu() { return w_.varMix; }

TFrmMix& TAnalysisHostAdapter::FlowDiagramWindow() { return Secondary::FrmMix(); }

TFrmFases& TAnalysisHostAdapter::PhaseWindow() { return Secondary::FrmFases(); }

bool TAnalysisHostAdapter::KeepingUserNetwork(const std::function<bool()>& report)
{
    return w_.BatchPrinting().KeepingUserNetwork(report);
}

bool TAnalysisHostAdapter::OpenNetworkUnattended(const std::string& fileName, std::string& unplaced)
{
    if (!w_.Files().SetFileNames(fileName))
        return false;
    OpenInteractive = 0;
    return w_.Files().OpenPalvonDat(&unplaced);
}
