// The program settings file: reading it into the options record at start,
// writing it at close, and the recent-network menus.
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/ProgramSettings.h"
#include "model/KDVvars.h"
#include "map/DisplayStyles.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>

#include <filesystem>

using namespace ProgramSettings;
using ZelUtils::Format;

std::vector<std::string> RecentFiles;
uint8_t InteractiveRun = 0;

namespace {

std::string B(bool v) { return v ? "1" : "0"; }
std::string C(uint32_t color) { return std::to_string(color); }
std::string Join(const std::vector<std::string>& f)
{
    std::string s;
    for (size_t i = 0; i < f.size(); ++i)
        s += (i ? ";" : "") + f[i];
    return s;
}

// Values kept as the dialog's controls hold them.
int Spin(const std::string& field, int minimum, int maximum)
{
    return TProgramOptions::ClampInt(FieldInt(field), minimum, maximum);
}
uint32_t Colour(const std::string& field) { return TProgramOptions::Colour(static_cast<uint32_t>(FieldInt(field))); }

} // namespace

void TPalvonViewer::LeerVelmora()
{
    TProgramOptions& o = ProgramOptions();
    TIniFile ini(FileName);

    auto g = ReadFields(ini, Section, "General", GeneralDefault, 8);
    o.OpenLP = FieldBool(g[0]);
    o.Overwrite = FieldBool(g[1]);
    o.SaveLayout = FieldBool(g[2]);
    o.DrawLayout = FieldBool(g[3]);
    o.SaveFNames = FieldBool(g[4]);
    o.FnameSaved = Spin(g[5], 1, 50);
    o.ReadPijas = FieldBool(g[6]);
    o.SaveGeos = FieldBool(g[7]);

    auto p = ReadFields(ini, Section, "Preferencias", PreferenciasDefault, 16);
    bool TProgramOptions::*prefs[9] = {&TProgramOptions::Sentidos,    &TProgramOptions::Nodos,
                                       &TProgramOptions::Arcos,       &TProgramOptions::NombreNodos,
                                       &TProgramOptions::Calles,      &TProgramOptions::Centroides,
                                       &TProgramOptions::Atributos,   &TProgramOptions::Valores,
                                       &TProgramOptions::Poligonos};
    for (int i = 0; i < 9; ++i)
        o.*prefs[i] = FieldBool(p[static_cast<size_t>(i)]);
    for (int i = 0; i < 3; ++i)
        o.Giros[static_cast<size_t>(i)] = FieldBool(p[static_cast<size_t>(9 + i)]);
    o.SeleccionGrafica = TProgramOptions::Choice(FieldInt(p[14]), 2);
    o.RutasFijas = TProgramOptions::Choice(FieldInt(p[15]), 2);

    auto c = ReadFields(ini, Section, "Colores", ColoresDefault, 17);
    o.ArcosColor = Colour(c[0]);
    o.BlockedColor = Colour(c[1]);
    o.AccesoColor = Colour(c[2]);
    o.TrazaColor = Colour(c[3]);
    o.ArrowsColor = Colour(c[4]);
    o.NodosColor = Colour(c[5]);
    o.SoleraColor = Colour(c[6]);
    o.SeleccionColor = Colour(c[7]);
    // A new selection width is every class's width.
    const int selectionWidth = Spin(c[8], 1, 5);
    if (selectionWidth != o.SeleccionAncho) {
        o.SeleccionAncho = selectionWidth;
        for (int k = 1; k <= NumSelClasses; ++k)
            ClassWidths[k] = selectionWidth;
    }
    o.ZonaBordeColor = Colour(c[9]);
    o.ZonaBordeAncho = Spin(c[10], 1, 5);
    o.ZonaRellenoColor = Colour(c[11]);
    o.ZonaRellenoClear = FieldBool(c[12]);
    o.PoliBordeColor = Colour(c[13]);
    o.PoliBordeAncho = Spin(c[14], 1, 5);
    o.PoliRellenoColor = Colour(c[15]);
    o.PoliRellenoClear = FieldBool(c[16]);

    auto a = ReadFields(ini, Section, "Ampliacion", AmpliacionDefault, 10);
    o.VisorZoomColor = Colour(a[0]);
    o.VisorZoomSize = Spin(a[1], 100, 500);
    o.ZoomPermanente = FieldBool(a[2]);
    o.EscalaZoom = TProgramOptions::Choice(FieldInt(a[3]), 8);
    bool TProgramOptions::*z[6] = {&TProgramOptions::zArrows, &TProgramOptions::zNodes,    &TProgramOptions::zNameNodes,
                                   &TProgramOptions::zCalles, &TProgramOptions::zAtributos, &TProgramOptions::zValues};
    for (int i = 0; i < 6; ++i)
        o.*z[i] = FieldBool(a[static_cast<size_t>(4 + i)]);
    NotifyProgramOptionsChanged();
}

void TPalvonViewer::GrabarVelmora()
{
    TIniFile ini(FileName);
    ini.HoldWrites();
    GrabarVelmora(ini);
    ini.UpdateFile();
}

void TPalvonViewer::GrabarVelmora(TIniFile& ini)
{
    const TProgramOptions& o = ProgramOptions();
    ini.WriteString(Section, "General",
                    Join({B(o.OpenLP), B(o.Overwrite), B(o.SaveLayout), B(o.DrawLayout), B(o.SaveFNames),
                          std::to_string(o.FnameSaved), B(o.ReadPijas), B(o.SaveGeos)}));
    std::vector<std::string> p = {B(o.Sentidos), B(o.Nodos),      B(o.Arcos),     B(o.NombreNodos), B(o.Calles),
                                  B(o.Centroides), B(o.Atributos), B(o.Valores), B(o.Poligonos)};
    for (int i = 0; i < 3; ++i)
        p.push_back(B(o.Giros[static_cast<size_t>(i)]));
    p.push_back("1");
    p.push_back("1");
    p.push_back(std::to_string(o.SeleccionGrafica));
    p.push_back(std::to_string(o.RutasFijas));
    ini.WriteString(Section, "Preferencias", Join(p));
    ini.WriteString(Section, "Colores",
                    Join({C(o.ArcosColor), C(o.BlockedColor), C(o.AccesoColor), C(o.TrazaColor), C(o.ArrowsColor),
                          C(o.NodosColor), C(o.SoleraColor), C(o.SeleccionColor), std::to_string(o.SeleccionAncho),
                          C(o.ZonaBordeColor), std::to_string(o.ZonaBordeAncho), C(o.ZonaRellenoColor),
                          B(o.ZonaRellenoClear), C(o.PoliBordeColor), std::to_string(o.PoliBordeAncho),
                          C(o.PoliRellenoColor), B(o.PoliRellenoClear)}));
    ini.WriteString(Section, "Ampliacion",
                    Join({C(o.VisorZoomColor), std::to_string(o.VisorZoomSize), B(o.ZoomPermanente),
                          std::to_string(o.EscalaZoom), B(o.zArrows), B(o.zNodes), B(o.zNameNodes), B(o.zCalles),
                          B(o.zAtributos), B(o.zValues)}));
}

// Reads the settings and builds the recent-network menus (newest first).
void TPalvonViewer::RebuildRecentMenus()
{
    TIniFile ini(FileName);
    RecentFiles = BuildRecentFiles(ini);
    int limit = static_cast<int>(RecentFiles.size());
    if (ProgramOptions().SaveFNames)
        limit = ProgramOptions().FnameSaved;
    ArchivosRecientes->clear();
    Recientes->clear();
    for (const RecentItem& item : RecentMenuItems(RecentFiles, limit)) {
        for (QMenu* menu : {ArchivosRecientes, Recientes}) {
            QAction* a = menu->addAction(QString::fromStdString(item.fileName));
            int tag = item.index;
            a->setData(tag);
            connect(a, &QAction::triggered, this, [this, tag, a] {
                clickedRecent_ = a;
                FilesClick(tag);
                clickedRecent_ = nullptr;
            });
        }
    }
}

void TPalvonViewer::FilesClick(int tag)
{
    if (tag < 0 || tag >= static_cast<int>(RecentFiles.size()))
        return;
    std::vector<std::string> f = ZelUtils::SplitString(RecentFiles[static_cast<size_t>(tag)] + ";;", ';');
    const std::string& file = f[1];
    const std::string& section = f[2];
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) {
        if (!AbrirRedPalvon(file))
            return;
        // The view the network had when it was last closed.
        if (ProgramOptions().DrawLayout) {
            TIniFile ini(FileName);
            LeerConfiguracion(ini, section);
            RedrawMap();
        }
        return;
    }
    Services().ShowMessage(Format("Archivo %s no existe.\rEntrada Eliminada.", file));
    try {
        TIniFile ini(FileName);
        ini.EraseSection(section);
    } catch (const std::exception& e) {
        Services().ShowMessage(e.what());
    }
    if (clickedRecent_)
        clickedRecent_->setEnabled(false);
}

void TPalvonViewer::SaveAtClose()
{
    if (DatFileName.empty() || !ProgramOptions().SaveLayout)
        return;
    std::string full = DatDir + DatFileName;
    // The settings file does not live in the network's folder: a folder that is gone
    // (a removed drive, say) must not keep the program from saving and closing.
    try {
        SetCurrentDirectory(DatDir);
    } catch (const std::exception&) {
    }
    // Every key in one write of the file.
    TIniFile ini(FileName);
    ini.HoldWrites();
    GrabarVelmora(ini);
    std::string section = SectionForNetwork(ini, RecentFiles, full);
    ini.WriteString(section, "FileName", full);
    ini.WriteString(section, "Fecha", NowStamp());
    GrabarConfiguracion(ini, section);
    ini.UpdateFile();
}

void TPalvonViewer::closeEvent(QCloseEvent* event)
{
    if (!InteractiveRun || !AskOnClose) {
        event->accept();
        return;
    }
    if (QMessageBox::question(this, QStringLiteral("Velmora"), QStringLiteral("¿ Desea finalizar la aplicación ?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes ||
        !ConfirmUnsavedEdits()) {
        event->ignore();
        return;
    }
    try {
        SaveAtClose();
    } catch (const std::exception& e) {
        // The settings could not be written: say so once; the program closes all the same.
        QMessageBox::warning(this, QStringLiteral("Velmora"),
                             QString::fromStdString(std::string(e.what()) + "\rLa aplicación se cierra igualmente."));
    }
    event->accept();
}
