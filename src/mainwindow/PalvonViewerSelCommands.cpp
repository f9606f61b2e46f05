// Selection commands of the grids' context menus: nodes, zones and transit lines
// chosen in the two-list dialog, cleared, exported and imported; the link grid's
// block selection, inversions and hidden links; and the nodes and links inside the
// user polygons written next to the polygon file.
#include "mainwindow/PalvonViewer.h"
#include "map/DisplayStyles.h"
#include "map/LineLayers.h"
#include "map/Polygons.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/PolygonFile.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <filesystem>
#include <set>

using ZelUtils::Format;

namespace {

// Elements of a selection file that the network lacks, told in one message: a
// file of another network would otherwise ask for a click per line.
class MissingList {
public:
    explicit MissingList(const char* what) : what_(what) {}
    void Add(const std::string& line)
    {
        if (++count_ <= MaxListed)
            text_ += (text_.empty() ? "" : "\r") + line;
    }
    void Show() const
    {
        if (count_ == 0)
            return;
        std::string text = text_;
        if (count_ > MaxListed)
            text += ZelUtils::Format("\r(y %d %s)", count_ - MaxListed, what_);
        Services().ShowMessage(text);
    }

private:
    static constexpr int MaxListed = 20;
    const char* what_;
    std::string text_;
    int count_ = 0;
};

const char* const SelFilter = "Archivos de selección [*.sel] (*.sel)";

QColor MarkColor(int32_t mark)
{
    return mark > 0 && mark <= MaxClasses ? DisplayStyles::ToQColor(ClassColors[static_cast<size_t>(mark)])
                                          : QColor(Qt::black);
}

TDualListDialog* DualList(TPalvonViewer& w, const QString& title)
{
    if (!w.dld)
        w.dld = new TDualListDialog(&w);
    w.dld->Clear();
    w.dld->SetTitle(title);
    w.dld->SetSorted(false);
    return w.dld;
}

// A mark read from a file: outside the colour classes it would index past the
// class colours, so it becomes class 1.
int32_t FileMark(double value)
{
    const int32_t m = ZelUtils::Round(value);
    return m < 0 || m > MaxClasses ? 1 : m;
}

// Grid row of the transit line record k (column 4 holds it); -1 when no row does.
int LineRow(TStringAlignGrid* grid, int32_t k)
{
    if (!grid)
        return -1;
    if (k < grid->RowCount() && ZelUtils::ParseInt(grid->cellView(4, k)) == k)
        return k;
    for (int r = 1; r < grid->RowCount(); ++r)
        if (ZelUtils::ParseInt(grid->cellView(4, r)) == k)
            return r;
    return -1;
}

void SetCellColor(TStringAlignGrid* grid, int col, int row, const QColor& color)
{
    if (grid && row >= 1 && row < grid->RowCount() && col < grid->ColCount())
        grid->SetFontColorCell(col, row, color);
}

// The file name with its extension (if any) replaced by `suffix`.
std::string WithSuffix(const std::string& name, const std::string& suffix)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? name.substr(0, dot) : name) + suffix;
}

} // namespace

// ---------------------------------------------------------------- menus

void TPalvonViewer::CreateSelCommandMenus()
{
    auto item = [this](QMenu* menu, TCommandId id, void (TPalvonViewer::*handler)()) {
        AddAction(menu, id);
        Registry().Register(CommandTable::TOwner::Selection, id, this, handler);
    };
    pupNodos->addSeparator();
    item(pupNodos, Cmd::SelecccinporArco1, &TPalvonViewer::SelecccinporArco1Click);
    item(pupNodos, Cmd::AnulaSeleccin1, &TPalvonViewer::AnulaSeleccin1Click);
    item(pupNodos, Cmd::ExportaSeleccin2, &TPalvonViewer::ExportaSeleccin2Click);
    item(pupNodos, Cmd::ImportaSeleccin2, &TPalvonViewer::ImportaSeleccin2Click);

    pupZonas->addSeparator();
    item(pupZonas, Cmd::SeleccinporZona1, &TPalvonViewer::SeleccinporZona1Click);
    item(pupZonas, Cmd::AnulaSeleccin3, &TPalvonViewer::AnulaSeleccin3Click);
    item(pupZonas, Cmd::ExpotaSeleccin1, &TPalvonViewer::ExpotaSeleccin1Click);
    item(pupZonas, Cmd::ImportaSeleccin4, &TPalvonViewer::ImportaSeleccin4Click);

    pupArcos->addSeparator();
    item(pupArcos, Cmd::SeleccionGrilla, &TPalvonViewer::SeleccionGrillaClick);
    item(pupArcos, Cmd::InvierteSeleccin1, &TPalvonViewer::InvierteSeleccin1Click);
    QMenu* sub = pupArcos->addMenu(QStringLiteral("Selección"));
    sub->setObjectName("Seleccin1Menu");
    item(sub, Cmd::MarcarNODibujar1, &TPalvonViewer::MarcarNODibujar1Click);
    item(sub, Cmd::Invierteselccin1, &TPalvonViewer::Invierteselccin1Click);
    item(sub, Cmd::AnularMarcas1, &TPalvonViewer::AnularMarcas1Click);

    pupLineas = new QMenu(this);
    pupLineas->setObjectName("pupLineas");
    item(pupLineas, Cmd::SeleccionPorLinea, &TPalvonViewer::SeleccionPorLineaClick);
    item(pupLineas, Cmd::SeleccionPorGrupo, &TPalvonViewer::SeleccionPorGrupoClick);
    item(pupLineas, Cmd::Anulaseleccin2, &TPalvonViewer::Anulaseleccin2Click);

    // "Polígonos": the polygon menu when there is one, else a submenu of the tools.
    QMenu* poly = findChild<QMenu*>(QStringLiteral("mnuPoligonos"));
    if (!poly) {
        QMenu* tools = nullptr;
        for (QAction* a : menuBar()->actions())
            if (a->menu() && a->text() == QStringLiteral("&Herramientas"))
                tools = a->menu();
        if (!tools)
            tools = menuBar()->addMenu(QStringLiteral("&Herramientas"));
        poly = tools->addMenu(QStringLiteral("Polígonos"));
        poly->setObjectName("mnuPoligonos");
    }
    poly->addSeparator();
    item(poly, Cmd::Seleccionarnodos1, &TPalvonViewer::Seleccionarnodos1Click);
    item(poly, Cmd::SeleccionarArcos1, &TPalvonViewer::SeleccionarArcos1Click);
}

std::string TPalvonViewer::ChooseSelectionFile(bool save)
{
    const QString title = save ? QStringLiteral("Exportar selección ...") : QStringLiteral("Importar selección ...");
    if (ChooseSelFile)
        return ChooseSelFile(title, save);
    QFileDialog dialog(this, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("sel"));
    dialog.setNameFilter(QString::fromUtf8(SelFilter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front().toStdString();
}

// ---------------------------------------------------------------- nodes

void TPalvonViewer::SelecccinporArco1Click()
{
    TDualListDialog* d = DualList(*this, QStringLiteral("Selección de Nodos por Nodo"));
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].HasXY && Nodos[n].Mark <= 0)
            d->AddItem(1, QString::fromStdString(Format("%7d", Nodos[n].Number)), n);
    if (d->Count(1) == 0 || !d->Execute())
        return;
    for (int k = 0; k < d->Count(2); ++k) {
        const int32_t n = d->Data(2, k).toInt();
        Nodos[n].Mark = CurrentClass;
        SetCellColor(sagNodos, 0, n, MarkColor(CurrentClass));
    }
    RedrawMap();
}

void TPalvonViewer::AnulaSeleccin1Click()
{
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].HasXY) {
            Nodos[n].Mark = 0;
            SetCellColor(sagNodos, 0, n, QColor(Qt::black));
        }
    RedrawMap();
}

bool TPalvonViewer::ExportaSeleccionNodos(const std::string& fileName)
{
    std::string text;
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].Mark > 0)
            text += Format("%10d\r\n", Nodos[n].Number);
    if (FileUtils::WriteTextFile(fileName, text))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return false;
}

void TPalvonViewer::ExportaSeleccin2Click()
{
    const std::string name = ChooseSelectionFile(true);
    if (name.empty())
        return;
    SelFileName = name;
    ExportaSeleccionNodos(SelFileName);
}

void TPalvonViewer::ImportaSeleccionNodos(const std::string& fileName)
{
    std::vector<std::string> lines, fields;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(Format("No se puede leer el archivo %s.", fileName));
        return;
    }
    MissingList missing("nodos más no encontrados");
    for (const std::string& line : lines) {
        ZelUtils::SplitTabs(line, fields);
        if (fields.empty())
            continue; // a blank line names no node
        const int32_t number = ZelUtils::Round(ZelUtils::ParseReal(fields[0]));
        const int32_t n = KDVlib::FindNodo(number);
        if (n == 0) {
            missing.Add(Format("Nodo %d no encontrado", number));
            continue;
        }
        Nodos[n].Mark = fields.size() == 1 ? CurrentClass : FileMark(ZelUtils::ParseReal(fields[1]));
        SetCellColor(sagNodos, 0, n, MarkColor(Nodos[n].Mark));
    }
    missing.Show();
}

void TPalvonViewer::ImportaSeleccin2Click()
{
    const std::string name = ChooseSelectionFile(false);
    if (name.empty())
        return;
    SelFileName = name;
    ImportaSeleccionNodos(SelFileName);
    // Polygons kept beside the selection under the same name come with it.
    const std::string plg = WithSuffix(SelFileName, ".plg");
    std::error_code ec;
    if (std::filesystem::is_regular_file(plg, ec)) {
        PolygonFileName = plg;
        ImportarPoligonosPlg();
    }
    RedrawMap();
}

// ---------------------------------------------------------------- zones

void TPalvonViewer::SeleccinporZona1Click()
{
    TDualListDialog* d = DualList(*this, QStringLiteral("Selección de Zonas por Zona"));
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        d->AddItem(Zonas[z].Class > 0 ? 2 : 1, QString::fromStdString(Format("%7d", Zonas[z].Number)), z);
    if (d->Count(1) == 0 || !d->Execute())
        return;
    for (int k = 0; k < d->Count(2); ++k) {
        const int32_t z = d->Data(2, k).toInt();
        if (Zonas[z].Class == 0)
            Zonas[z].Class = CurrentClass;
        SetCellColor(sagZonas, 0, z, MarkColor(Zonas[z].Class));
    }
    RedrawMap();
}

void TPalvonViewer::AnulaSeleccin3Click()
{
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        Zonas[z].Class = 0;
        SetCellColor(sagZonas, 0, z, QColor(Qt::black));
    }
    RedrawMap();
}

bool TPalvonViewer::ExportaSeleccionZonas(const std::string& fileName)
{
    std::string text;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (Zonas[z].Class > 0)
            text += Format("%10d%5d\r\n", Zonas[z].Number, Zonas[z].Class);
    if (FileUtils::WriteTextFile(fileName, text))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return false;
}

void TPalvonViewer::ExpotaSeleccin1Click()
{
    const std::string name = ChooseSelectionFile(true);
    if (name.empty())
        return;
    SelFileName = name;
    ExportaSeleccionZonas(SelFileName);
}

void TPalvonViewer::ImportaSeleccionZonas(const std::string& fileName)
{
    std::vector<std::string> lines, fields;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(Format("No se puede leer el archivo %s.", fileName));
        return;
    }
    MissingList missing("zonas más no encontradas");
    for (const std::string& line : lines) {
        ZelUtils::SplitTabs(line, fields);
        if (fields.empty())
            continue;
        const int32_t number = ZelUtils::Round(ZelUtils::ParseReal(fields[0]));
        const int32_t z = KDVlib::FindZona(number);
        if (z == 0) {
            missing.Add(Format("Zona %d no encontrada", number));
            continue;
        }
        Zonas[z].Class = fields.size() > 1 ? FileMark(ZelUtils::ParseReal(fields[1])) : 0;
        SetCellColor(sagZonas, 0, z, MarkColor(Zonas[z].Class));
    }
    missing.Show();
}

void TPalvonViewer::ImportaSeleccin4Click()
{
    const std::string name = ChooseSelectionFile(false);
    if (name.empty())
        return;
    SelFileName = name;
    ImportaSeleccionZonas(SelFileName);
    RedrawMap();
}

// ---------------------------------------------------------------- links

void TPalvonViewer::SeleccionGrillaClick()
{
    CreateGrids();
    const TGridRect block = sagArcos->Selection();
    if (block.Top < 0)
        return;
    sagArcos->SetSelection({block.Right, block.Bottom, block.Right, block.Bottom});
    for (int r = std::max(block.Top, 1); r <= block.Bottom; ++r)
        if (const int32_t i = LinkOfRow(r))
            Arcos[i].Mark = CurrentClass;
    RedrawMap();
    for (int r = 1; r < sagArcos->RowCount(); ++r)
        if (const int32_t i = LinkOfRow(r); i > 0 && Arcos[i].Mark > 0)
            ColorLinkRow(r, Arcos[i].Mark);
    ListSelectedLinks();
}

// The two inversions of the link grid's menu differ on purpose: "Invierte Selección"
// flips every link between unmarked and class 1 and paints the grid rows to match;
// "Invierte selcción" (the "Selección" submenu) flips between unmarked and the current
// class and leaves the grid alone. Neither redraws the map.
void TPalvonViewer::InvierteSeleccin1Click() { InvertLinkMarksToRed(); }
void TPalvonViewer::Invierteselccin1Click() { InvertLinkMarksToCurrentClass(); }

void TPalvonViewer::InvertLinkMarksToRed()
{
    // Any mark, negative ones included, is cleared.
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Mark = Arcos[i].Mark != 0 ? 0 : 1;
    if (!sagArcos)
        return;
    for (int r = 1; r < sagArcos->RowCount(); ++r)
        if (const int32_t i = LinkOfRow(r)) {
            const QColor color = Arcos[i].Mark != 0 ? DisplayStyles::ToQColor(clRed) : QColor(Qt::black);
            sagArcos->SetFontColorCell(0, r, color);
            sagArcos->SetFontColorCell(1, r, color);
        }
}

void TPalvonViewer::InvertLinkMarksToCurrentClass()
{
    // Only positive marks are cleared; a negative one takes the current class.
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Mark = Arcos[i].Mark > 0 ? 0 : CurrentClass;
}

int32_t TPalvonViewer::MarcarNoDibujar()
{
    int32_t hidden = 0;
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        if (Arcos[i].Mark > 0) {
            Arcos[i].Active = 0;
            ++hidden;
        }
    const std::string name = DatDir + DatFileName;
    setWindowTitle(QString::fromStdString(hidden == 0 ? name : Format("%s    [%d arcos ocultos]", name, hidden)));
    return hidden;
}

void TPalvonViewer::MarcarNODibujar1Click() { MarcarNoDibujar(); }

void TPalvonViewer::AnularMarcas1Click()
{
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Active = 1;
    setWindowTitle(QString::fromStdString(DatDir + DatFileName));
}

// ---------------------------------------------------------------- transit lines

void TPalvonViewer::ShowChosenLines(const std::function<bool(const TLinea&)>& chosen)
{
    // Each chosen line record becomes visible and its row, wherever the grid's sorting
    // put it, shows the name in red.
    for (int32_t k = 1; k <= Network.LineCount; ++k) {
        if (!chosen(Lineas[k]))
            continue;
        Lineas[k].Visible = 1;
        SetCellColor(sagLineas, 1, LineRow(sagLineas, k), DisplayStyles::ToQColor(clRed));
    }
    VisibleLinesChanged = true;
    RedrawMap();
}

void TPalvonViewer::SeleccionPorLineaClick()
{
    std::set<std::string> names;
    for (int32_t k = 1; k <= Network.LineCount; ++k)
        names.insert(ZelUtils::Trim(Lineas[k].Name));
    TDualListDialog* d = DualList(*this, QStringLiteral("Selección de Líneas por Línea"));
    for (const std::string& n : names)
        d->AddItem(1, QString::fromStdString(n), QByteArray::fromStdString(n));
    if (!d->Execute())
        return;
    std::set<std::string> chosen;
    for (int k = 0; k < d->Count(2); ++k)
        chosen.insert(d->Data(2, k).toByteArray().toStdString());
    ShowChosenLines([&](const TLinea& l) { return chosen.count(ZelUtils::Trim(l.Name)) > 0; });
}

void TPalvonViewer::SeleccionPorGrupoClick()
{
    std::set<std::string> groups;
    for (int32_t k = 1; k <= Network.LineCount; ++k)
        groups.insert(Format("%d", Lineas[k].Group));
    TDualListDialog* d = DualList(*this, QStringLiteral("Selección de Líneas por Grupo"));
    for (const std::string& g : groups)
        d->AddItem(1, QString::fromStdString(g), QByteArray::fromStdString(g));
    if (!d->Execute())
        return;
    std::set<std::string> chosen;
    for (int k = 0; k < d->Count(2); ++k)
        chosen.insert(d->Data(2, k).toByteArray().toStdString());
    ShowChosenLines([&](const TLinea& l) { return chosen.count(Format("%d", l.Group)) > 0; });
}

void TPalvonViewer::Anulaseleccin2Click()
{
    for (int32_t k = 1; k <= Network.LineCount; ++k) {
        Lineas[k].Visible = 0;
        SetCellColor(sagLineas, 1, LineRow(sagLineas, k), QColor(Qt::black));
    }
    std::fill(LinkBusCount.begin(), LinkBusCount.end(), 0.0f);
    VisibleLinesChanged = true;
    RedrawMap();
}

// ---------------------------------------------------------------- user polygons

// Every active polygon in turn: the records inside it (nodes, or links with both
// ends inside) are marked and listed under the polygon's name. The marks left are
// those of the last polygon.
bool TPalvonViewer::SelectByUserPolygons(bool links)
{
    std::string text;
    for (int32_t p = 0; p < NumPoligonos; ++p) {
        const TPoligono& poly = Poligonos[static_cast<size_t>(p)];
        if (links)
            for (int32_t i = 1; i <= Network.LinkCount; ++i)
                Arcos[i].Mark = 0;
        else
            for (int32_t n = 1; n <= Network.NodeCount; ++n)
                Nodos[n].Mark = 0;
        if (!poly.Visible)
            continue;
        TPolygonRecord shape;
        for (int32_t k = 1; k <= poly.VertexCount(); ++k)
            shape.Points.push_back(poly.Points[static_cast<size_t>(k)]);
        auto inside = [&](const TNodo& node) { return node.HasXY && PolygonFile::Contains(shape, node.X, node.Y); };
        if (links) {
            for (int32_t i = 1; i <= Network.LinkCount; ++i) {
                TArcos& a = Arcos[i];
                if (a.AIndex > 0 && a.BIndex > 0 && inside(Nodos[a.AIndex]) && inside(Nodos[a.BIndex])) {
                    a.Mark = 1;
                    text += Format("%d,%d,%s\r\n", a.A, a.B, poly.Name);
                }
            }
        } else {
            for (int32_t n = 1; n <= Network.NodeCount; ++n)
                if (inside(Nodos[n])) {
                    Nodos[n].Mark = 1;
                    text += Format("%d,%s\r\n", Nodos[n].Number, poly.Name);
                }
        }
    }
    const std::string fileName = WithSuffix(PolygonFileName, links ? "_a.csv" : "_n.csv");
    if (FileUtils::WriteTextFile(fileName, text))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return false;
}

void TPalvonViewer::Seleccionarnodos1Click() { SelectByUserPolygons(false); }

void TPalvonViewer::SeleccionarArcos1Click() { SelectByUserPolygons(true); }
