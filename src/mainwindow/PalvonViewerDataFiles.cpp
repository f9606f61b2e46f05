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

#include <QAction>
#include <QApplication>
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
    const char* button;    // toolbar button (tag = index + 1)
    const char* filter;    // filter of the toolbar button
    const char* caption;   // its text
};

// Tags 1..9 of AbrirClick.
const TOpenKind OpenKinds[9] = {
    {"tbOpenRed", "Red Palvon DAT         |*.dat|", "Red"},
    {"tbOpenLpa", "Salida pvass          |*.lpa|", "LPA"},
    {"tbOpenLpl", "Salida pvlook         |*.lpl|", "LPL"},
    {"tbOpenCnt", "Conteos palvon         |*.dat|", "Conteos"},
    {"tbOpenAds", "Datos complementarios  |*.csv|", "Datos complementarios"},
    {"tbOpenTrz", "Trazas de arcos        |*.geo|", "Trazas"},
    {"tbOpenZnf", "Zonificación           |*.geo|", "Zonificación"},
    {"tbOpenSlr", "Lineas de soleras      |*.geo|", "Soleras"},
    {"tbOpenGA", "Generación/Atracción   |*.csv|", "Generación/Atracción"},
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

    QAction* red = AddAction(abrir, "aFileOpenItem", QStringLiteral("Abrir Red Palvon"));
    red->setToolTip(QStringLiteral("Abre una red Palvon"));
    red->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(red, &QAction::triggered, this, &TPalvonViewer::aFileOpenItemExecute);
    abrir->addSeparator();
    struct Item {
        const char* name;
        const char* text;
        void (TPalvonViewer::*handler)();
    };
    const Item items[] = {
        {"aOpenLPA", "Abrir resultados LPA", &TPalvonViewer::aOpenLPAExecute},
        {"aOpenLPL", "Abrir LPL", &TPalvonViewer::aOpenLPLExecute},
        {"aOpenCnt", "Abrir Conteos", &TPalvonViewer::aOpenCntExecute},
        {"aOpenComp", "Datos Complementarios", &TPalvonViewer::aOpenCompExecute},
        {"aOpenZonif", "Zonificación", &TPalvonViewer::aOpenZonifExecute},
        {"aOpenTraza", "Traza de Arcos", &TPalvonViewer::aOpenTrazaExecute},
        {"aOpenSolera", "Linea de Soleras", &TPalvonViewer::aOpenSoleraExecute},
        {"GeneracinAtraccin1", "Generación/Atracción", &TPalvonViewer::GeneracinAtraccin1Click},
        {"AbrirOrden", "Abrir orden arcos", &TPalvonViewer::AbrirOrdenArcos},
    };
    for (const Item& it : items) {
        QAction* a = AddAction(abrir, it.name, QString::fromUtf8(it.text));
        a->setEnabled(false); // a network must be open first
        connect(a, &QAction::triggered, this, it.handler);
    }

    // The grids' "Importar ..." items.
    if (pupArcos) {
        pupArcos->addSeparator();
        connect(AddAction(pupArcos, "Importarorden1", QStringLiteral("Importar orden")), &QAction::triggered, this,
                &TPalvonViewer::AbrirOrdenArcos);
        connect(AddAction(pupArcos, "ImportarColsArcos", QStringLiteral("Importar columnas ...")),
                &QAction::triggered, this, &TPalvonViewer::ImportarColsArcosClick);
    }
    if (!pupMovim) {
        pupMovim = new QMenu(this);
        pupMovim->setObjectName("pupMovim");
    }
    connect(AddAction(pupMovim, "ImportarColsMovim", QStringLiteral("Importar columnas ...")), &QAction::triggered,
            this, &TPalvonViewer::ImportarColsMovimClick);

    CreateSelCommandMenus();
}

void TPalvonViewer::ConnectDataFileControls()
{
    // One open button per kind in the "Abrir" toolbar, all through AbrirClick.
    for (int tag = 1; tag <= 9; ++tag) {
        QAction* b = AddAction(tbarOpen, OpenKinds[tag - 1].button, QString::fromUtf8(OpenKinds[tag - 1].caption));
        b->setData(tag);
        connect(b, &QAction::triggered, this, [this, tag] { AbrirClick(tag); });
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    KDVlib::LoadTrazas();
    QApplication::restoreOverrideCursor();
    DrawPalvon();
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
        OpenLineLayerFile(SoleraFileName, AppendSoleraLayer == 1);
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    KDVlib::LoadGenatr(fileName);
    QApplication::restoreOverrideCursor();
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    KDVlib::LoadDatosComplementariosMovs();
    QApplication::restoreOverrideCursor();
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
