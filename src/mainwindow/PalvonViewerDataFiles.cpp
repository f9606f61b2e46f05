// The open commands of the data files of a network: one menu item per kind under
// "Abrir", the open buttons of the toolbar and the "Importar ..." items of the
// grids' menus. Each asks for the file, records its name and calls the loader.
#include "mainwindow/PalvonViewer.h"
#include "model/ComplementaryData.h"
#include "model/Genatr.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/ZelUtilsGeometry.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QToolBar>

#include <utility>

uint8_t AppendSoleraLayer = 0;

namespace {

// "Texto|*.a|Otro|*.b;*.c|" (the suite's filter syntax) as the dialog's name filters:
// "Texto (*.a)", "Otro (*.b *.c)".
QStringList NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int k = 0; k + 1 < parts.size(); k += 2) {
        QString patterns = parts[k + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns.isEmpty())
            continue;
        out << parts[k].trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

struct TOpenKind {
    TCommandId button;     // toolbar button (tag = index + 1)
    const char* filter;    // filter of the toolbar button
};

// Tags 1..9 of AbrirClick.
const TOpenKind OpenKinds[9] = {
    {Cmd::tbOpenRed, "Red Palvon DAT         |*.dat|"},
    {Cmd::tbOpenLpa, "Salida pvass          |*.lpa|"},
    {Cmd::tbOpenLpl, "Salida pvlook         |*.lpl|"},
    {Cmd::tbOpenCnt, "Conteos palvon         |*.dat|"},
    {Cmd::tbOpenAds, "Datos complementarios  |*.csv|"},
    {Cmd::tbOpenTrz, "Trazas de arcos        |*.geo|"},
    {Cmd::tbOpenZnf, "Zonificación           |*.geo|"},
    {Cmd::tbOpenSlr, "Lineas de soleras      |*.geo|"},
    {Cmd::tbOpenGA, "Generación/Atracción   |*.csv|"},
};

} // namespace

QStringList TPalvonViewer::ChooseDataFiles(const QString& title, const QString& filter, bool several,
                                           const QString& defaultSuffix)
{
    if (ChooseOpenFiles)
        return ChooseOpenFiles(title, filter, several);
    QFileDialog dialog(this, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Several files are chosen only among existing ones; a single name is taken as typed
    // and its loader reports a missing file.
    dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(filter));
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::string TPalvonViewer::ChooseDataFile(const QString& title, const QString& filter, const QString& defaultSuffix)
{
    const QStringList files = ChooseDataFiles(title, filter, false, defaultSuffix);
    return files.isEmpty() ? std::string() : files.front().toStdString();
}

void TPalvonViewer::CreateDataFileMenus(QMenu* archivo)
{
    // "Abrir" goes first in the file menu.
    QMenu* abrir = new QMenu(QStringLiteral("Abrir"), archivo);
    abrir->setObjectName("Abrir");
    archivo->insertMenu(archivo->actions().isEmpty() ? nullptr : archivo->actions().front(), abrir);

    QAction* red = AddAction(abrir, Cmd::aFileOpenItem);
    red->setToolTip(QStringLiteral("Abre una red Palvon"));
    red->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    Registry().Register(CommandTable::TOwner::Files, Cmd::aFileOpenItem, this, &TPalvonViewer::aFileOpenItemExecute);
    abrir->addSeparator();
    const std::pair<TCommandId, void (TPalvonViewer::*)()> items[] = {
        {Cmd::aOpenLPA, &TPalvonViewer::aOpenLPAExecute},
        {Cmd::aOpenLPL, &TPalvonViewer::aOpenLPLExecute},
        {Cmd::aOpenCnt, &TPalvonViewer::aOpenCntExecute},
        {Cmd::aOpenComp, &TPalvonViewer::aOpenCompExecute},
        {Cmd::aOpenZonif, &TPalvonViewer::aOpenZonifExecute},
        {Cmd::aOpenTraza, &TPalvonViewer::aOpenTrazaExecute},
        {Cmd::aOpenSolera, &TPalvonViewer::aOpenSoleraExecute},
        {Cmd::GeneracinAtraccin1, &TPalvonViewer::GeneracinAtraccin1Click},
        {Cmd::AbrirOrden, &TPalvonViewer::AbrirOrdenArcos},
    };
    for (const auto& [id, handler] : items) {
        AddAction(abrir, id)->setEnabled(false); // a network must be open first
        Registry().Register(CommandTable::TOwner::Files, id, this, handler);
    }

    // The grids' "Importar ..." items.
    if (pupArcos) {
        pupArcos->addSeparator();
        AddAction(pupArcos, Cmd::Importarorden1);
        Registry().Register(CommandTable::TOwner::Files, Cmd::Importarorden1, this, &TPalvonViewer::AbrirOrdenArcos);
        AddAction(pupArcos, Cmd::ImportarColsArcos);
        Registry().Register(CommandTable::TOwner::Files, Cmd::ImportarColsArcos, this,
                            &TPalvonViewer::ImportarColsArcosClick);
    }
    if (!pupMovim) {
        pupMovim = new QMenu(this);
        pupMovim->setObjectName("pupMovim");
    }
    AddAction(pupMovim, Cmd::ImportarColsMovim);
    Registry().Register(CommandTable::TOwner::Files, Cmd::ImportarColsMovim, this,
                        &TPalvonViewer::ImportarColsMovimClick);

    CreateSelCommandMenus();
}

void TPalvonViewer::ConnectDataFileControls()
{
    // One open button per kind in the "Abrir" toolbar, all through AbrirClick.
    for (int tag = 1; tag <= 9; ++tag) {
        AddAction(tbarOpen, OpenKinds[tag - 1].button)->setData(tag);
        Registry().Register(CommandTable::TOwner::Files, OpenKinds[tag - 1].button, [this, tag] { AbrirClick(tag); });
    }
    // The context menus of the movement and transit-line grids.
    CreateGrids();
    for (auto [grid, menu] : {std::pair{sagMovim, pupMovim}, std::pair{sagLineas, pupLineas}}) {
        if (!grid || !menu)
            continue;
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [menu, grid](const QPoint& pos) { menu->popup(grid->mapToGlobal(pos)); });
    }
}

// ---------------------------------------------------------------- the commands

void TPalvonViewer::aFileOpenItemExecute()
{
    const std::string name =
        ChooseDataFile(QString::fromStdString(KDVlib::MsgOpenData), QStringLiteral("Red Palvon DAT (*.dat)|*.dat|"));
    if (name.empty())
        return;
    AbrirRedPalvon(name);
}

void TPalvonViewer::aOpenLPAExecute()
{
    const std::string name = ChooseDataFile(QStringLiteral("Open assignment file"),
                                            QStringLiteral("Pvass output file [*.lpa]|*.lpa"), QStringLiteral("lpa"));
    if (!name.empty())
        OpenLpaFile(name);
}

void TPalvonViewer::aOpenLPLExecute()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open Pvlook output file"), QStringLiteral("Pvlook output file [*.lpl]|*.lpl"));
    if (!name.empty())
        OpenLplFile(name);
}

void TPalvonViewer::aOpenCntExecute()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Palvon count data file [*.dat]|*.dat"));
    if (!name.empty())
        OpenCountsFile(name);
}

void TPalvonViewer::aOpenCompExecute()
{
    const std::string name = ChooseDataFile(
        QStringLiteral("Open data file"),
        QStringLiteral("Formato CSV (*.csv)|*.csv|Formato fijo (*.dat,*.prn)|*.dat;*.prn"));
    if (!name.empty())
        OpenComplementaryFile(name);
}

void TPalvonViewer::aOpenZonifExecute()
{
    const std::string name = ChooseDataFile(QStringLiteral("Abrir zonificación"), QStringLiteral("Text file |*.geo"));
    if (!name.empty())
        OpenZoningFile(name);
}

void TPalvonViewer::OpenTrazasFile(const std::string& fileName)
{
    TraceFileName = fileName;
    {
        TWaitCursor wait;
        KDVlib::LoadTrazas();
    }
    RedrawMap();
}

void TPalvonViewer::aOpenTrazaExecute()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open geo file"), QStringLiteral("Trazas de arcos        |*.geo|"));
    if (!name.empty())
        OpenTrazasFile(name);
}

void TPalvonViewer::OpenSoleraFiles(const QStringList& files)
{
    // The first file replaces the layers unless Shift was held; the rest of the same
    // choice are added to it.
    for (const QString& f : files) {
        SoleraFileName = f.toStdString();
        Display().OpenLineLayerFile(SoleraFileName, AppendSoleraLayer == 1);
        AppendSoleraLayer = 1;
    }
}

void TPalvonViewer::aOpenSoleraExecute()
{
    AppendSoleraLayer = ZelUtils::ShiftDown() ? 1 : 0;
    OpenSoleraFiles(
        ChooseDataFiles(QStringLiteral("Open geo file"), QStringLiteral("Lineas de soleras      |*.geo|"), true));
}

void TPalvonViewer::OpenGenatrFile(const std::string& fileName)
{
    TWaitCursor wait;
    KDVlib::LoadGenatr(fileName);
}

void TPalvonViewer::GeneracinAtraccin1Click()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open csv file"), QStringLiteral("Generación/Atracción   |*.csv|"));
    if (!name.empty())
        OpenGenatrFile(name);
}

void TPalvonViewer::AbrirOrdenArcos()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Formato CSV (*.csv)|*.csv"));
    if (name.empty())
        return;
    LinkOrderFileName = name;
    KDVlib::LoadOrdenArcos();
}

void TPalvonViewer::ImportarColsArcosClick()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Datos complementarios  |*.csv|"));
    if (!name.empty())
        OpenComplementaryFile(name);
}

void TPalvonViewer::ImportarColsMovimClick()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Datos complementarios  |*.csv|"));
    if (name.empty())
        return;
    ComplementaryMovFileName = name;
    TWaitCursor wait;
    KDVlib::LoadDatosComplementariosMovs();
}

void TPalvonViewer::AbrirClick(int tag)
{
    if (tag < 1 || tag > 9)
        return;
    // Shift is read before the dialog, whatever the kind (only soleras use it).
    AppendSoleraLayer = ZelUtils::ShiftDown() ? 1 : 0;
    const QString filter = QString::fromUtf8(OpenKinds[tag - 1].filter);
    const QStringList files = ChooseDataFiles(QStringLiteral("Open data file"), filter, tag == 8);
    if (files.isEmpty())
        return;
    OpenDataOfKind(tag, files);
}

void TPalvonViewer::OpenDataOfKind(int kind, const QStringList& files)
{
    if (files.isEmpty())
        return;
    const std::string name = files.front().toStdString();
    switch (kind) {
    case 1:
        AbrirRedPalvon(name);
        break;
    case 2:
        OpenLpaFile(name);
        break;
    case 3:
        OpenLplFile(name);
        break;
    case 4:
        OpenCountsFile(name);
        break;
    case 5:
        OpenComplementaryFile(name);
        break;
    case 6:
        OpenTrazasFile(name);
        break;
    case 7:
        OpenZoningFile(name);
        break;
    case 8:
        OpenSoleraFiles(files);
        break;
    case 9:
        OpenGenatrFile(name);
        break;
    default:
        break;
    }
}
