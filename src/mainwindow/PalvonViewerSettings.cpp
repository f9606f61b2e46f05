// The program settings file: reading it into the options dialog at start,
// writing it at close, and the recent-network menus.
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/ProgramSettings.h"
#include "model/KDVvars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>

#include <filesystem>

using namespace ProgramSettings;
using ZelUtils::Format;

std::vector<std::string> RecentFiles;
uint8_t InteractiveRun = 0;

namespace {

struct CheckField {
    QCheckBox* TDlgCfg::*box;
    int field; // 0-based
};

std::string B(bool v) { return v ? "1" : "0"; }
std::string B(const QCheckBox* c) { return B(c->isChecked()); }
std::string C(const TColorPanel* p) { return std::to_string(p->Color()); }
std::string Join(const std::vector<std::string>& f)
{
    std::string s;
    for (size_t i = 0; i < f.size(); ++i)
        s += (i ? ";" : "") + f[i];
    return s;
}

} // namespace

void TPalvonViewer::LeerVelmora()
{
    if (!DlgCfg)
        return;
    TDlgCfg& d = *DlgCfg;
    TIniFile ini(FileName);

    auto g = ReadFields(ini, Section, "General", GeneralDefault, 8);
    d.cbOpenLP->setChecked(FieldBool(g[0]));
    d.cbOverwrite->setChecked(FieldBool(g[1]));
    d.cbSaveLayout->setChecked(FieldBool(g[2]));
    d.cbDrawLayout->setChecked(FieldBool(g[3]));
    d.cbSaveFNames->setChecked(FieldBool(g[4]));
    d.FnameSaved->setValue(FieldInt(g[5]));
    d.cbReadPijas->setChecked(FieldBool(g[6]));
    d.cbSaveGeos->setChecked(FieldBool(g[7]));

    auto p = ReadFields(ini, Section, "Preferencias", PreferenciasDefault, 16);
    QCheckBox* prefs[9] = {d.cbSentidos, d.cbNodos, d.cbArcos, d.cbNombreNodos, d.cbCalles,
                           d.cbCentroides, d.cbAtributos, d.cbValores, d.cbPoligonos};
    for (int i = 0; i < 9; ++i)
        prefs[i]->setChecked(FieldBool(p[static_cast<size_t>(i)]));
    for (int i = 0; i < 3 && i < d.cbGiros->count(); ++i)
        d.cbGiros->item(i)->setCheckState(FieldBool(p[static_cast<size_t>(9 + i)]) ? Qt::Checked : Qt::Unchecked);
    d.SeleccionGrafica->SetItemIndex(FieldInt(p[14]));
    d.RutasFijas->SetItemIndex(FieldInt(p[15]));

    auto c = ReadFields(ini, Section, "Colores", ColoresDefault, 17);
    auto col = [&](size_t i) { return static_cast<uint32_t>(FieldInt(c[i])); };
    d.ArcosColor->SetColor(col(0));
    d.BlockedColor->SetColor(col(1));
    d.AccesoColor->SetColor(col(2));
    d.TrazaColor->SetColor(col(3));
    d.ArrowsColor->SetColor(col(4));
    d.NodosColor->SetColor(col(5));
    d.SoleraColor->SetColor(col(6));
    d.SeleccionColor->SetColor(col(7));
    d.SeleccionAncho->setValue(FieldInt(c[8]));
    d.ZonaBordeColor->SetColor(col(9));
    d.ZonaBordeAncho->setValue(FieldInt(c[10]));
    d.ZonaRellenoColor->SetColor(col(11));
    d.ZonaRellenoClear->setChecked(FieldBool(c[12]));
    d.PoliBordeColor->SetColor(col(13));
    d.PoliBordeAncho->setValue(FieldInt(c[14]));
    d.PoliRellenoColor->SetColor(col(15));
    d.PoliRellenoClear->setChecked(FieldBool(c[16]));

    auto a = ReadFields(ini, Section, "Ampliacion", AmpliacionDefault, 10);
    d.VisorZoomColor->SetColor(static_cast<uint32_t>(FieldInt(a[0])));
    d.VisorZoomSize->setValue(FieldInt(a[1]));
    d.ZoomPermanente->setChecked(FieldBool(a[2]));
    d.EscalaZoom->SetItemIndex(FieldInt(a[3]));
    QCheckBox* z[6] = {d.zArrows, d.zNodes, d.zNameNodes, d.zCalles, d.zAtributos, d.zValues};
    for (int i = 0; i < 6; ++i)
        z[i]->setChecked(FieldBool(a[static_cast<size_t>(4 + i)]));
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
    if (!DlgCfg)
        return;
    TDlgCfg& d = *DlgCfg;
    ini.WriteString(Section, "General",
                    Join({B(d.cbOpenLP), B(d.cbOverwrite), B(d.cbSaveLayout), B(d.cbDrawLayout), B(d.cbSaveFNames),
                          std::to_string(d.FnameSaved->value()), B(d.cbReadPijas), B(d.cbSaveGeos)}));
    std::vector<std::string> p = {B(d.cbSentidos), B(d.cbNodos),    B(d.cbArcos),   B(d.cbNombreNodos),
                                  B(d.cbCalles),   B(d.cbCentroides), B(d.cbAtributos), B(d.cbValores),
                                  B(d.cbPoligonos)};
    for (int i = 0; i < 3; ++i)
        p.push_back(B(i < d.cbGiros->count() && d.cbGiros->item(i)->checkState() == Qt::Checked));
    p.push_back("1");
    p.push_back("1");
    p.push_back(std::to_string(d.SeleccionGrafica->ItemIndex()));
    p.push_back(std::to_string(d.RutasFijas->ItemIndex()));
    ini.WriteString(Section, "Preferencias", Join(p));
    ini.WriteString(Section, "Colores",
                    Join({C(d.ArcosColor), C(d.BlockedColor), C(d.AccesoColor), C(d.TrazaColor), C(d.ArrowsColor),
                          C(d.NodosColor), C(d.SoleraColor), C(d.SeleccionColor),
                          std::to_string(d.SeleccionAncho->value()), C(d.ZonaBordeColor),
                          std::to_string(d.ZonaBordeAncho->value()), C(d.ZonaRellenoColor), B(d.ZonaRellenoClear),
                          C(d.PoliBordeColor), std::to_string(d.PoliBordeAncho->value()), C(d.PoliRellenoColor),
                          B(d.PoliRellenoClear)}));
    ini.WriteString(Section, "Ampliacion",
                    Join({C(d.VisorZoomColor), std::to_string(d.VisorZoomSize->value()), B(d.ZoomPermanente),
                          std::to_string(d.EscalaZoom->ItemIndex()), B(d.zArrows), B(d.zNodes), B(d.zNameNodes),
                          B(d.zCalles), B(d.zAtributos), B(d.zValues)}));
}

// Reads the settings and builds the recent-network menus (newest first).
void TPalvonViewer::RebuildRecentMenus()
{
    TIniFile ini(FileName);
    RecentFiles = BuildRecentFiles(ini);
    int limit = static_cast<int>(RecentFiles.size());
    if (DlgCfg && DlgCfg->cbSaveFNames->isChecked())
        limit = DlgCfg->FnameSaved->value();
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
        if (DlgCfg && DlgCfg->cbDrawLayout->isChecked()) {
            TIniFile ini(FileName);
            LeerConfiguracion(ini, section);
            DrawPalvon();
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
    if (DatFileName.empty() || !DlgCfg || !DlgCfg->cbSaveLayout->isChecked())
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
