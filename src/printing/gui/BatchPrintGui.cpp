#include "printing/gui/BatchPrintGui.h"

#include "map/gui/DataLayers.h"
#include "map/gui/KDVscale.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/KDVvars.h"
#include "model/PrintServices.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"
#include "printing/BatchPrint.h"
#include "printing/Net2Print.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "widgets/StringAlignGrid.h"
#include "map/Ranges.h"
#include "model/ComplementaryData.h"
#include "model/LinkShapes.h"
#include "model/ZoningLoaders.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QPointer>
#include <QFileDialog>
#include <QMenu>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextEdit>

#include <algorithm>
#include <filesystem>

bool PrintViewToMetafile(TPalvonViewer& viewer, const std::string& fileName)
{
    viewer.PrintFilePreview();
    return SavePrintPictureEmf(fileName);
}

namespace {

bool lastBatchFailed = false;

// The parts of the view a print definition sets that live in the main window.
class ViewerNet2PrintView : public Net2PrintView {
public:
    explicit ViewerNet2PrintView(TPalvonViewer* viewer) : v_(viewer) {}
    void LegendPosition(int32_t& left, int32_t& top) override
    {
        left = top = 0;
        if (v_ && v_->sym) {
            left = v_->sym->x();
            top = v_->sym->y();
        }
    }
    void ApplyGeneral(const TPrintGeneral& general) override
    {
        if (!v_)
            return;
        if (general.LineaSoleras != "null")
            v_->Display().LineaSoleras(general.LineaSoleras, false);
        if (general.TemaVelmora != "null") {
            TIniFile themes("Velmorat.INI");
            if (themes.SectionExists(general.TemaVelmora))
                v_->LeerConfiguracion(themes, general.TemaVelmora);
        }
    }
    void ApplyTheme(const TPrintTheme& theme) override
    {
        ScaleMaxValue = theme.ValorMaximo;
        if (!v_)
            return;
        // The theme's maximum and keep-the-maximum box go through the scale dialog,
        // as if typed there.
        TKDVscale& scale = Secondary::KDVscale();
        scale.vMax->setText(QString::fromStdString(ZelUtils::Format(NumFormat.Format.c_str(), theme.ValorMaximo)));
        scale.Fixed->setChecked(theme.Fixed);
        v_->SetDown(Cmd::tbNameNodes, theme.VerNombreNodos);
        if (v_->sym)
            v_->sym->move(theme.VinetaLeft, theme.VinetaTop);
        if (v_->Scl)
            v_->Scl->move(theme.VinetaLeft, theme.VinetaTop);
        v_->DrawPalvon();
    }

private:
    TPalvonViewer* v_;
};

// The batch as the main window runs it: networks opened through the window's own
// opening, variables chosen by their grid titles.
class ViewerBatchHooks : public BatchPrint::Hooks {
public:
    explicit ViewerBatchHooks(TPalvonViewer& v) : v_(v) {}

    void SaveState() override
    {
        s_.batchMode = BatchMode;
        BatchMode = true;
        s_.minX = WorldMinX; s_.maxX = WorldMaxX; s_.minY = WorldMinY; s_.maxY = WorldMaxY;
        s_.legend = v_.sym ? v_.sym->pos() : QPoint();
        s_.network = DatFileName.empty() ? std::string() : DatDir + DatFileName;
        s_.complementary = ComplementaryFileName;
        s_.complementaryMovs = ComplementaryMovFileName;
        s_.traces = TraceFileName;
        s_.zoning = ZoningFileName;
        s_.column = RangeVarByMode[Mode()];
        s_.rangeMin = RangeMin; s_.rangeMax = RangeMax;
        s_.fixed = ScaleFixed;
        s_.titles = v_.tit ? v_.tit->toPlainText() : QString();
        v_.SetGrid();
    }

    void RestoreState() override
    {
        if (!s_.network.empty() && v_.AbrirRedPalvon(s_.network)) {
            LoadAux(s_.complementary, s_.complementaryMovs, s_.traces, s_.zoning);
            WorldMinX = s_.minX; WorldMaxX = s_.maxX; WorldMinY = s_.minY; WorldMaxY = s_.maxY;
        }
        if (v_.sym)
            v_.sym->move(s_.legend);
        RangeVarByMode[Mode()] = s_.column;
        RangeMin = s_.rangeMin; RangeMax = s_.rangeMax;
        ScaleFixed = s_.fixed;
        if (v_.tit)
            v_.tit->setPlainText(s_.titles);
        PrintMetafileName = ScratchMetafileName();
        BatchMode = s_.batchMode;
        if (!BatchMode)
            v_.DrawPalvon();
    }

    void Gauge(const std::string& caption, int position, int maximum) override
    {
        Services().SetProgressRange(0, maximum);
        Services().SetProgressPosition(position);
        // Each network opened meanwhile uses the gauge too: the caption comes back.
        if (!caption.empty())
            caption_ = caption;
        Services().SetProgressCaption(caption_);
        Services().SetProgressVisible(true);
        Services().ProcessEvents();
    }
    void HideGauge() override { Services().SetProgressVisible(false); }

    bool OpenEntry(int, const TNet2Print& e) override
    {
        if (v_.tit) {
            QStringList lines;
            for (const std::string& t : ZelUtils::SplitString(e.Titulos, ','))
                lines << QString::fromStdString(t);
            v_.tit->setPlainText(lines.join('\n'));
        }
        if (!v_.AbrirRedPalvon(e.NetworkFile))
            return false;
        LoadAux(e.DatosComplementarios, e.DatosComplementariosMovs, s_.traces, s_.zoning);
        if (e.SeleccionArcos != "null") {
            v_.ImportaSeleccionArcos(e.SeleccionArcos);
            if (e.OcultaSeleccion == 1)
                v_.MarcarNoDibujar();
            if (e.AnulaSeleccion == 1)
                v_.AnulaSelArcos();
        }
        if (e.Poligonos != "null") {
            v_.PolygonFileName = e.Poligonos;
            v_.ImportarPoligonosPlg();
        }
        double f[4];
        if (v_.Scl && Net2PrintFile::ParseFields(e.Vineta, 2, f))
            v_.Scl->move(ZelUtils::Round(f[0]), ZelUtils::Round(f[1]));
        if (v_.sym)
            v_.sym->move(s_.legend);
        if (e.Color != "null" && Net2PrintFile::ParseFields(e.Color, 2, f)) {
            ModePenColors[Mode()] = static_cast<uint32_t>(ZelUtils::Round(f[0]));
            ModeBrushColors[Mode()] = static_cast<uint32_t>(ZelUtils::Round(f[1]));
        }
        if (!e.Zoom.empty() && Net2PrintFile::ParseFields(e.Zoom, 4, f)) {
            WorldMinX = f[0]; WorldMinY = f[1]; WorldMaxX = f[2]; WorldMaxY = f[3];
        } else if (SameFile(e.NetworkFile, s_.network)) {
            WorldMinX = s_.minX; WorldMaxX = s_.maxX; WorldMinY = s_.minY; WorldMaxY = s_.maxY;
        }
        // Any other network keeps the full extent its opening gave it: the window
        // of the network open before would show none of it.
        PrintToExtent = true;
        return true;
    }

    void SetGroupMode(int group) override
    {
        if (v_.sym)
            v_.sym->show();
        if (group == 0)
            return;
        v_.SetDown(Cmd::tbAtributos, group == 1);
        v_.SetDown(Cmd::tbColores, group == 2);
        v_.Action(Cmd::aAtributos2)->setChecked(group == 3);
    }

    void ClearMode() override
    {
        v_.SetDown(Cmd::tbAtributos, false);
        v_.SetDown(Cmd::tbColores, false);
        v_.Action(Cmd::aAtributos2)->setChecked(false);
    }

    Choice SelectVariable(const std::string& name, const std::string& title, bool multiple) override
    {
        Choice c;
        const size_t mode = Mode();
        if (!multiple)
            ShownVarList.clear();
        if (v_.Down(Cmd::tbAtributos) || v_.Down(Cmd::tbColores) || v_.Down(Cmd::tbValues)) {
            int column = FindColumn(v_.sagArcos, name);
            if (column > 1 && column < NumArcosColumns && ColVarArcos[static_cast<size_t>(column)] > 0)
                c.LinkHeader = v_.sagArcos->cell(column, 0);
            RangeVarByMode[mode] = column;
            if (title != name && column < NumArcosColumns)
                TitArcos[static_cast<size_t>(column)] = title;
            ShownVarList.push_back(ZelUtils::Format("%d", RangeVarByMode[mode]));
            VarColors[0] = ModePenColors[mode];
            v_.ArcosRangeValues();
            FillClasses();
        }
        if (v_.Action(Cmd::aAtributos2)->isChecked() || v_.Down(Cmd::tbMovimValues)) {
            int column = FindColumn(v_.sagMovim, name);
            if (column > 1 && column < NumMovimColumns && ColVarMovim[static_cast<size_t>(column)] > 0)
                c.MovementHeader = v_.sagMovim->cell(column, 0);
            RangeItemMovim = column;
            // A column without positive flows still gets classes of its own
            // network's values, never those of the network printed before.
            if (!v_.MovimRangeValues())
                Ranges::FillDefaultRanges(RangeMin, RangeMax);
        }
        return c;
    }

    void SetMultipleColors() override
    {
        const uint32_t colors[5] = {11823615u, 65535u, 3145645u, 15624315u, 10061943u};
        for (int i = 0; i < 5 && i < MaxShownVars; ++i)
            VarColors[static_cast<size_t>(i)] = colors[i];
    }

    std::string AttributeTitle() override
    {
        int column = RangeVarByMode[Mode()];
        return column >= 0 && column < NumArcosColumns ? TitArcos[static_cast<size_t>(column)] : std::string();
    }

    bool PrintView(const std::string& metafile) override
    {
        PrintMetafileName = metafile;
        return PrintViewToMetafile(v_, metafile);
    }

private:
    static bool SameFile(const std::string& a, const std::string& b)
    {
        std::error_code ec;
        return !a.empty() && !b.empty() && (a == b || std::filesystem::equivalent(a, b, ec));
    }

    static size_t Mode() { return static_cast<size_t>(std::clamp(RangeMode, 0, MaxRangeModes)); }

    // The grid column titled as the name (upper-cased, the name trimmed; the last
    // match wins); 1 when none is.
    static int FindColumn(TStringAlignGrid* grid, const std::string& name)
    {
        int found = 1;
        if (!grid)
            return found;
        const std::string key = ZelUtils::UpperCase(ZelUtils::Trim(name));
        for (int col = 4; col < grid->ColCount(); ++col)
            if (ZelUtils::UpperCase(grid->cell(col, 0)) == key)
                found = col;
        return found;
    }

    // Value classes of the variable chosen: its saved range set, or five equal
    // classes over this network's own values (never the classes left by the
    // network printed before).
    static void FillClasses()
    {
        const bool drawNull = ProgramOptions().DrawNull;
        if (RangeMax > 0 || drawNull) {
            RangeMax = static_cast<float>(RangeMax * 1.00000000001);
            Ranges::PrepareRanges(RangeName, RangeMin, RangeMax);
        } else {
            Ranges::FillDefaultRanges(RangeMin, RangeMax);
        }
    }

    void LoadAux(const std::string& comp, const std::string& compMovs, const std::string& traces,
                 const std::string& zoning)
    {
        if (comp != "null" && !comp.empty()) {
            ComplementaryFileName = comp;
            KDVlib::LoadDatosComplementarios();
        }
        if (compMovs != "null" && !compMovs.empty()) {
            ComplementaryMovFileName = compMovs;
            KDVlib::LoadDatosComplementariosMovs();
        }
        if (traces != "null" && !traces.empty()) {
            TraceFileName = traces;
            KDVlib::LoadTrazas();
        }
        if (zoning != "null" && !zoning.empty()) {
            ZoningFileName = zoning;
            KDVlib::LoadZonificacion(false);
        }
    }

    struct Saved {
        double minX = 0, maxX = 0, minY = 0, maxY = 0;
        QPoint legend;
        std::string network, complementary = "null", complementaryMovs = "null", traces = "null", zoning = "null";
        int32_t column = 0;
        float rangeMin = 0, rangeMax = 0;
        bool fixed = false;
        bool batchMode = false;
        QString titles;
    };
    TPalvonViewer& v_;
    Saved s_;
    std::string caption_; // the gauge's caption of the batch
};

class BatchPrintServices : public PrintServices {
public:
    explicit BatchPrintServices(PrintServices* previous) : previous_(previous) {}
    void SetPrevious(PrintServices* previous) { previous_ = previous; }
    void SetViewer(TPalvonViewer& viewer) { viewer_ = &viewer; }
    bool ReadWriteNet2Print(const std::string& fileName) override
    {
        ViewerNet2PrintView view(viewer_.data());
        return ::ReadWriteNet2Print(fileName, &view);
    }
    void ImprimirRedes1Click() override
    {
        lastBatchFailed = true;
        if (!viewer_)
            return;
        TWaitCursor wait;
        ViewerBatchHooks hooks(*viewer_);
        lastBatchFailed = !BatchPrint::Run(hooks);
    }
    void FitToPrinterPage() override
    {
        if (previous_)
            previous_->FitToPrinterPage();
    }
    void SetPrinterOrientation(bool landscape) override
    {
        if (previous_)
            previous_->SetPrinterOrientation(landscape);
    }

private:
    PrintServices* previous_;
    // The window whose view and opening the batch uses; gone with that window.
    QPointer<TPalvonViewer> viewer_;
};

} // namespace

void InstallBatchPrintServices(TPalvonViewer& viewer)
{
    // Windows created later may install services of their own: this one goes back
    // on top of them, handing on what it does not do itself.
    static BatchPrintServices* installed = nullptr;
    if (installed)
        installed->SetViewer(viewer);
    if (installed && &PrintHooks() == installed)
        return;
    PrintServices* previous = SetPrintServices(nullptr);
    if (!installed)
        installed = new BatchPrintServices(previous);
    else
        installed->SetPrevious(previous);
    installed->SetViewer(viewer);
    SetPrintServices(installed);
}

bool BatchPrintFailed() { return lastBatchFailed; }

void TPalvonViewer::CreateBatchPrintMenus(QMenu* archivo)
{
    InstallBatchPrintServices(*this);
    QMenu* menu = archivo->addMenu(QStringLiteral("Impresion de Redes"));
    AddAction(menu, Cmd::DefinirRedes1);
    Registry().Register(CommandTable::TOwner::Printing, Cmd::DefinirRedes1, this, &TPalvonViewer::DefinirRedes1Click);
    AddAction(menu, Cmd::CrearArchivoWord);
    Registry().Register(CommandTable::TOwner::Printing, Cmd::CrearArchivoWord, this,
                        &TPalvonViewer::CrearArchivoWordClick);
    AddAction(menu, Cmd::ImprimirRedes1);
    Registry().Register(CommandTable::TOwner::Printing, Cmd::ImprimirRedes1, this, &TPalvonViewer::ImprimirRedes1Click);
    menu->addSeparator();
    AddAction(menu, Cmd::ImprimirColores1);
    Registry().Register(CommandTable::TOwner::Printing, Cmd::ImprimirColores1, this,
                        &TPalvonViewer::ImprimirColores1Click);
    AddAction(menu, Cmd::ImprimirGenAtr1);
    Registry().Register(CommandTable::TOwner::Printing, Cmd::ImprimirGenAtr1, this,
                        &TPalvonViewer::ImprimirGenAtr1Click);
    AddAction(menu, Cmd::Parmetros1);
    Registry().Register(CommandTable::TOwner::Printing, Cmd::Parmetros1, this, &TPalvonViewer::Parmetros1Click);
}

void TPalvonViewer::DefinirRedes1Click()
{
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Definir redes a imprimir ..."), QString(),
                                                      QStringLiteral("Archivos de parámetros [*.ini] (*.ini)"));
    if (name.isEmpty())
        return;
    const std::string full = QFileInfo(name).absoluteFilePath().toStdString();
    InstallBatchPrintServices(*this);
    if (!PrintHooks().ReadWriteNet2Print(full))
        return;
    Action(Cmd::DefinirRedes1)->setText(QString::fromStdString(ZelUtils::Format("Definir Redes (%s)", full)));
    Action(Cmd::CrearArchivoWord)
        ->setText(WordDocumentName == "null"
                      ? CommandTable::Caption(Cmd::CrearArchivoWord)
                      : QString::fromStdString(ZelUtils::Format("Crear Word (%s)", WordDocumentName)));
}

void TPalvonViewer::CrearArchivoWordClick()
{
    QFileDialog dialog(this, QStringLiteral("Definir documento word"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("doc"));
    dialog.setNameFilter(QStringLiteral("Microsoft word file [*.doc] (*.doc)"));
    if (!ProgramOptions().Overwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (WordDocumentName != "null")
        dialog.selectFile(QString::fromStdString(WordDocumentName));
    Action(Cmd::CrearArchivoWord)->setText(CommandTable::Caption(Cmd::CrearArchivoWord));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    WordDocumentName = dialog.selectedFiles().front().toStdString();
    Action(Cmd::CrearArchivoWord)
        ->setText(QString::fromStdString(ZelUtils::Format("Crear Word (%s)", WordDocumentName)));
}

void TPalvonViewer::ImprimirRedes1Click()
{
    InstallBatchPrintServices(*this);
    PrintHooks().ImprimirRedes1Click();
}
