#include "mainwindow/ThemesController.h"

#include "widgets/CommandRegistry.h"
#include "mainwindow/DlgTemas.h"
#include "mainwindow/FilesController.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/KDVvars.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QListWidget>

#include <algorithm>

namespace {

constexpr const char* ThemesFileName = "Velmorat.INI";
// The section that passes a configuration from one network to another; not a theme.
constexpr const char* ThemeClipboard = "_Tema_Velmora";

} // namespace

void TThemesController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Themes, {{Cmd::aDefinir1, this, &TThemesController::Definir1Click},
                                                     {Cmd::aAplicar1, this, &TThemesController::Aplicar1Click},
                                                     {Cmd::CopiarTema1, this, &TThemesController::CopiarTema1Click},
                                                     {Cmd::PegarTema1, this, &TThemesController::PegarTema1Click}});
}

bool TThemesController::AskText(const std::string& caption, const std::string& prompt, std::string& text)
{
    if (viewer_.Display().Dialogs.InputText)
        return viewer_.Display().Dialogs.InputText(caption, prompt, text);
    bool ok = false;
    const QString answer = QInputDialog::getText(&viewer_, TextCodec::Decode(caption), TextCodec::Decode(prompt),
                                                 QLineEdit::Normal, TextCodec::Decode(text), &ok);
    if (ok)
        text = answer.toUtf8().toStdString();
    return ok;
}

void TThemesController::Definir1Click()
{
    TIniFile ini(ThemesFileName);
    std::string name = themeName_;
    if (!AskText("Definición de Temas", "Ingrese el nombre del tema", name))
        name = themeName_;
    themeName_ = name;
    if (themeName_.empty())
        return;
    if (ini.SectionExists(themeName_) && !Services().AskYesNo("Tema ya existe. Desea sobrescribirlo"))
        return;
    // A themes file that cannot be written (read-only, say) is reported, not fatal.
    // The theme goes in one write: one that fails leaves the earlier theme whole,
    // not rewritten up to the key that failed.
    try {
        ini.HoldWrites();
        viewer_.Settings().GrabarConfiguracion(ini, themeName_);
        ini.UpdateFile();
    } catch (const std::exception& e) {
        Services().ShowMessage(e.what());
    }
}

void TThemesController::Aplicar1Click()
{
    TDlgTemas& d = Secondary::DlgTemas();
    TIniFile ini(ThemesFileName);
    std::vector<std::string> names = ini.ReadSections();
    const auto clipboard = std::find(names.begin(), names.end(), ThemeClipboard);
    if (clipboard != names.end())
        names.erase(clipboard);

    d.lbSects->clear();
    d.lbValues->clear();
    d.SectionValues.clear();
    for (const std::string& name : names) {
        d.SectionValues.push_back(ini.ReadSectionValues(name));
        d.lbSects->addItem(TextCodec::Decode(name));
    }
    if (!d.SectionValues.empty())
        for (const std::string& line : d.SectionValues.front())
            d.lbValues->addItem(TextCodec::Decode(line));

    const bool ok = d.exec() == QDialog::Accepted;
    const int row = d.lbSects->currentRow();
    const bool selected = row >= 0 && row < static_cast<int>(names.size()) && d.lbSects->item(row)->isSelected();
    d.SectionValues.clear();
    if (!ok || !selected)
        return;
    // A theme with line layers of its own replaces the loaded ones: their edits first.
    if (TSettingsController::ReplacesLineLayers(ini, names[static_cast<size_t>(row)]) &&
        !viewer_.Files().ConfirmUnsavedEdits(false, true, false))
        return;
    themeName_ = names[static_cast<size_t>(row)];
    viewer_.Settings().LeerConfiguracion(ini, themeName_);
    viewer_.RedrawMap();
}

void TThemesController::CopiarTema1Click()
{
    TIniFile ini(ThemesFileName);
    try {
        ini.HoldWrites();
        viewer_.Settings().GrabarConfiguracion(ini, ThemeClipboard);
        ini.UpdateFile();
    } catch (const std::exception& e) {
        Services().ShowMessage(e.what());
        return;
    }
    if (QClipboard* clip = QGuiApplication::clipboard())
        clip->setText(TextCodec::Decode(
            ZelUtils::Format("%.2f;%.2f;%.2f;%.2f", UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY)));
}

void TThemesController::PegarTema1Click()
{
    TIniFile ini(ThemesFileName);
    if (!ini.SectionExists(ThemeClipboard))
        return;
    if (TSettingsController::ReplacesLineLayers(ini, ThemeClipboard) &&
        !viewer_.Files().ConfirmUnsavedEdits(false, true, false))
        return;
    viewer_.Settings().LeerConfiguracion(ini, ThemeClipboard);
    viewer_.RedrawMap();
}
