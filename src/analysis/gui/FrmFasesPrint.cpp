// The signal-phase report of the networks of a print definition (TAnalysisController).
#include "analysis/Fases.h"
#include "analysis/gui/AnalysisController.h"
#include "analysis/gui/FrmFases.h"
#include "map/ViewState.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/DocWriter.h"
#include "printing/Net2Print.h"
#include "printing/ReportWriter.h"
#include "printing/ZelPrinter.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

namespace {

bool SettingsSection(const std::string& name)
{
    const QString n = QString::fromStdString(ZelUtils::Trim(name));
    return n.compare(QStringLiteral("General"), Qt::CaseInsensitive) == 0 ||
           n.compare(QStringLiteral("Tema"), Qt::CaseInsensitive) == 0;
}

} // namespace

void TAnalysisController::ImprimirFases(const TPrintDefinition& definition)
{
    // The report opens other networks and brings the open one back afterwards,
    // as the batch printing does, with what the user had loaded onto it and the
    // phase window as the user left it (the report lists and draws each network's
    // junctions in it).
    // A network that is not there would leave its junctions out of a report that
    // looks whole: nothing is written, and the lines that name them are told.
    if (const std::string gone = Net2PrintFile::FilesNotThere(definition, false); !gone.empty()) {
        Services().ShowMessage("No se escribi\xC3\xB3 el informe de fases: la definici\xC3\xB3n de impresi\xC3\xB3n "
                               "nombra redes que no se encuentran:" + gone);
        return;
    }
    host_.KeepingUserNetwork([&] { return PhasesOfDefinedNetworks(definition); });
}

void TAnalysisController::HoldPhaseWindow()
{
    TPhaseWindowHeld& h = phaseHeld_;
    h = TPhaseWindowHeld{};
    h.held = true;
    const int32_t n = std::min<int32_t>(Network.NodeCount, MaxNodos);
    for (int32_t i = 1; i <= n; ++i)
        if (NodoEnLista[i] == 1)
            h.listed.push_back(Nodos[i].Number);
    h.shown = NodoActual >= 1 && NodoActual <= n ? Nodos[NodoActual].Number : 0;
    h.listOk = FasesListOk;
    h.sync = FrmFases && FrmFases->tbSync->isChecked();
}

void TAnalysisController::PutBackPhaseWindow()
{
    if (!phaseHeld_.held)
        return;
    const TPhaseWindowHeld h = std::exchange(phaseHeld_, TPhaseWindowHeld{});
    std::fill(std::begin(NodoEnLista), std::end(NodoEnLista), uint8_t(0));
    for (const int32_t number : h.listed)
        if (const int32_t k = KDVlib::FindNodo(number); k >= 1 && k <= MaxNodos)
            NodoEnLista[k] = 1;
    FasesListOk = h.listOk;
    NodoActual = h.shown != 0 ? KDVlib::FindNodo(h.shown) : 0;
    if (!FrmFases)
        return;
    FrmFases->tbSync->setChecked(h.sync);
    if (NodoActual >= 1 && FrmFases->isVisible())
        FrmFases->CreateFases(NodoActual);
}

bool TAnalysisController::PhasesOfDefinedNetworks(const TPrintDefinition& definition)
{
    const double wx1 = UserView().WorldMinX, wx2 = UserView().WorldMaxX, wy1 = UserView().WorldMinY, wy2 = UserView().WorldMaxY;
    // Without a junction-list file the junctions listed in the phase window are
    // reported, by number, in every network.
    std::vector<int32_t> heldNumbers;
    const bool useFile = !JunctionListFileName.empty() && JunctionListFileName != "null";
    if (!useFile)
        for (int32_t i = 1; i <= std::min<int32_t>(Network.NodeCount, MaxNodos); ++i)
            if (NodoEnLista[i] == 1) heldNumbers.push_back(Nodos[i].Number);

    bool opened = false, pictures = true;
    // The caption gauge of the map; each network opened meanwhile uses it too,
    // so every step puts the caption back.
    std::string caption = "Preparando documento ...";
    auto gauge = [&caption, &definition](int position) {
        ViewerServices& ui = Services();
        ui.SetProgressRange(0, std::max(definition.Net2PrintCount, 1));
        ui.SetProgressPosition(position);
        ui.SetProgressCaption(caption);
        ui.SetProgressVisible(true);
        Services().ProcessEvents(); // holds the user's input back, as the batch printing does
    };
    gauge(0);

    DocWriter::TDocWriter doc;
    const bool named = !definition.WordDocumentName.empty() && definition.WordDocumentName != "null";
    if (named) {
        doc.Open(ReportWriter::OptionsPageSetup(definition));
        caption = "Generando documento " + std::filesystem::path(definition.WordDocumentName).filename().string() + " ...  ";
        gauge(0);
    }
    // Networks that could not be opened: a report without their junctions would
    // look whole.
    std::string notOpened;
    for (int32_t i = 0; i < definition.Net2PrintCount && i <= MaxNet2Print; ++i) {
        const TNet2Print& e = definition.Net2Print[static_cast<size_t>(i)];
        gauge(i + 1);
        if (e.NetworkFile == "null" || e.NetworkFile.empty() || SettingsSection(e.RedPalvon)) continue;
        window_.SetStatusPanel(0, QString::fromStdString(
            ZelUtils::Format("%s (%d/%d)", e.NetworkFile.c_str(), i + 1, definition.Net2PrintCount)));
        Services().ProcessEvents();
        if (std::string unplaced; !host_.OpenNetworkUnattended(e.NetworkFile, unplaced)) {
            notOpened += "\r" + e.NetworkFile + (unplaced.empty() ? std::string() : ": " + unplaced);
            continue;
        }
        opened = true;
        if (useFile) {
            KDVlib::LoadNodeList(JunctionListFileName);
        } else {
            for (int32_t k = 1; k <= MaxNodos; ++k)
                NodoEnLista[k] = 0;
            // Room for the closing 0 after the last number.
            int32_t k = 0;
            for (; k < static_cast<int32_t>(heldNumbers.size()) && k < MaxNodeList - 1; ++k)
                NodeList[k + 1] = heldNumbers[static_cast<size_t>(k)];
            NodeList[k + 1] = 0;
        }
        DocWriter::PictureBox box;
        box.widthIn = e.Ancho;
        box.heightIn = e.Alto;
        pictures = host_.PhaseWindow().PhasesReport(doc, e.RedPalvon, box,
                                                    definition.PrintInColumns ? definition.PrintColumns : 0);
        UserView().WorldMinX = wx1;
        UserView().WorldMaxX = wx2;
        UserView().WorldMinY = wy1;
        UserView().WorldMaxY = wy2;
        if (!pictures)
            break;
    }
    caption = "Cerrando documento ...";
    gauge(definition.Net2PrintCount);
    // A document without the pictures of its junctions does not take the place of
    // the user's earlier one.
    if (!pictures)
        Services().ShowMessage("No se pudo escribir la figura de la intersección.");
    else if (!notOpened.empty())
        Services().ShowMessage(std::string(named ? "No se escribi\xC3\xB3 el informe de fases: e" : "E") +
                               "stas redes de la definici\xC3\xB3n no se abrieron:" + notOpened);
    else if (named) {
        std::string saved;
        if (!doc.SaveAs(definition.WordDocumentName, &saved))
            Services().ShowMessage(doc.LastError());
        else if (saved != definition.WordDocumentName)
            Services().ShowMessage(ZelUtils::Format("ERROR - No se pudo grabar archivo: %s\r        Se guardó una copia en: %s",
                                                    definition.WordDocumentName.c_str(), saved.c_str()));
    }
    Services().SetProgressVisible(false);
    return opened;
}
