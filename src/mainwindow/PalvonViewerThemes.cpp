// Themes: named view configurations kept one per section of the themes file,
// listed in the themes window and applied to the network that is open; and the
// about box.
#include "mainwindow/AboutBox.h"
#include "mainwindow/DlgTemas.h"
#include "mainwindow/PalvonViewer.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"
#include "model/TextCodec.h"
#include "platform/IniFile.h"

#include <QListWidget>

#include <algorithm>

namespace {
constexpr const char* ThemesFileName = "Velmorat.INI";
// The section that passes a configuration from one network to another; not a theme.
constexpr const char* ThemeClipboard = "_Tema_Velmora";
} // namespace

void TPalvonViewer::AcercaDe1Click()
{
    if (KDVaboutBox)
        KDVaboutBox->exec();
}

void TPalvonViewer::Aplicar1Click()
{
    if (!DlgTemas)
        return;
    TIniFile ini(ThemesFileName);
    std::vector<std::string> names = ini.ReadSections();
    const auto clipboard = std::find(names.begin(), names.end(), ThemeClipboard);
    if (clipboard != names.end())
        names.erase(clipboard);

    DlgTemas->lbSects->clear();
    DlgTemas->lbValues->clear();
    ThemeSectionValues.clear();
    for (const std::string& name : names) {
        ThemeSectionValues.push_back(ini.ReadSectionValues(name));
        DlgTemas->lbSects->addItem(TextCodec::Decode(name));
    }
    if (!ThemeSectionValues.empty())
        for (const std::string& line : ThemeSectionValues.front())
            DlgTemas->lbValues->addItem(TextCodec::Decode(line));

    const bool ok = DlgTemas->exec() == QDialog::Accepted;
    const int row = DlgTemas->lbSects->currentRow();
    const bool selected = row >= 0 && row < static_cast<int>(names.size()) && DlgTemas->lbSects->item(row)->isSelected();
    ThemeSectionValues.clear();
    if (!ok || !selected)
        return;
    ThemeName = names[static_cast<size_t>(row)];
    LeerConfiguracion(ini, ThemeName);
    DrawPalvon();
}

void TPalvonViewer::LeerConfiguracion(TIniFile& ini, const std::string& section)
{
    // The stored range sets of a section replace those of the run only in interactive
    // openings; batch runs keep their own.
    if (OpenInteractive != 0) {
        Ranges::ReadRangeSets(ini, section);
        if (RangeName != "null")
            Ranges::ApplySavedRangeSet(RangeName);
    }
}

void TPalvonViewer::GrabarConfiguracion(TIniFile& ini, const std::string& section)
{
    Ranges::WriteRangeSets(ini, section);
}
