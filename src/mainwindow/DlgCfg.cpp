// Construction of the options dialog: its pages, controls and start values.
#include "mainwindow/DlgCfg.h"
#include "widgets/DialogButtons.h"

#include "map/DisplayStyles.h"
#include "model/ProgramOptions.h"
#include "widgets/TypedNumber.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

TDlgCfg* DlgCfg = nullptr;

namespace {

QCheckBox* NewCheck(const QString& caption, bool checked, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setChecked(checked);
    return box;
}

QSpinBox* NewSpin(int minimum, int maximum, int value, QWidget* parent)
{
    auto* spin = new TWholeSpinBox(parent);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

// Real-valued edits always show and take a decimal point, whatever the user's locale.
QDoubleSpinBox* NewRealSpin(double minimum, double maximum, int decimals, double value, QWidget* parent)
{
    auto* spin = new TRealSpinBox(parent);
    spin->setDecimals(decimals);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

QTableWidget* NewStyleTable(int columns, int rows, QWidget* parent)
{
    auto* table = new QTableWidget(rows, columns, parent);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(18);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setMouseTracking(true);
    table->viewport()->setMouseTracking(true);
    return table;
}

} // namespace

TDlgCfg::TDlgCfg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Opciones y Preferencias"));
    if (!DlgCfg)
        DlgCfg = this;

    CfgPaginas = new QTabWidget(this);
    CfgGeneral = BuildGeneralPage();
    CfgPreferencias = BuildPreferenciasPage();
    CfgColores = BuildColoresPage();
    CfgAmpliacion = BuildAmpliacionPage();
    CfgImpresion = BuildImpresionPage();
    CfgPaginas->addTab(CfgGeneral, QStringLiteral("General"));
    CfgPaginas->addTab(CfgPreferencias, QStringLiteral("Preferencias"));
    CfgPaginas->addTab(CfgColores, QStringLiteral("Colores"));
    CfgPaginas->addTab(CfgAmpliacion, QStringLiteral("Ampliación"));
    CfgPaginas->addTab(CfgImpresion, QStringLiteral("Impresión"));
    BuildWidthsMenu();

    Buttons = NewAcceptCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CfgPaginas);
    layout->addWidget(Buttons);

    // The record first: the handlers of the controls read it.
    LoadFromOptions();
    ConnectOptions();
    ConnectHandlers();
    // Through the global, so that the hook never outlives the dialog it reaches.
    ProgramOptionsChanged = [] {
        if (DlgCfg)
            DlgCfg->LoadFromOptions();
    };
}

TDlgCfg::~TDlgCfg()
{
    if (DlgCfg == this)
        DlgCfg = nullptr;
}

namespace {

void Show(QCheckBox* box, bool checked)
{
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

void Show(QSpinBox* spin, int value)
{
    const QSignalBlocker block(spin);
    spin->setValue(value);
}

void Show(QDoubleSpinBox* spin, double value)
{
    const QSignalBlocker block(spin);
    spin->setValue(value);
}

void Show(TColorPanel* panel, uint32_t color)
{
    const QSignalBlocker block(panel);
    panel->SetColor(color);
}

void Show(TRadioGroup* group, int index)
{
    const QSignalBlocker block(group);
    group->SetItemIndex(index);
}

void Show(QComboBox* combo, int index)
{
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
}

} // namespace

void TDlgCfg::LoadFromOptions()
{
    const TProgramOptions& o = ProgramOptions();
    Show(cbOpenLP, o.OpenLP);
    Show(cbOverwrite, o.Overwrite);
    Show(cbDrawLayout, o.DrawLayout);
    Show(cbSaveFNames, o.SaveFNames);
    Show(FnameSaved, o.FnameSaved);
    Show(cbSaveGeos, o.SaveGeos);
    Show(cbReadPijas, o.ReadPijas);
    Show(cbDrawNull, o.DrawNull);
    Show(cbFullDxf, o.FullDxf);
    Show(cbSaveLayout, o.SaveLayout);
    cbSaveFNamesClick();

    Show(SeleccionGrafica, o.SeleccionGrafica);
    Show(cbSentidos, o.Sentidos);
    Show(cbNodos, o.Nodos);
    Show(cbNombreNodos, o.NombreNodos);
    Show(cbCalles, o.Calles);
    Show(cbCentroides, o.Centroides);
    Show(cbAtributos, o.Atributos);
    Show(cbValores, o.Valores);
    Show(cbPoligonos, o.Poligonos);
    Show(cbArcos, o.Arcos);
    Show(RutasFijas, o.RutasFijas);
    {
        const QSignalBlocker block(cbGiros);
        for (int i = 0; i < 3 && i < cbGiros->count(); ++i)
            cbGiros->item(i)->setCheckState(o.Giros[size_t(i)] ? Qt::Checked : Qt::Unchecked);
    }
    Show(WheelActive, o.WheelActive);
    Show(rgZoom, o.Zoom);
    Show(rgTpo, o.Tpo);

    Show(SeleccionColor, o.SeleccionColor);
    Show(SeleccionAncho, o.SeleccionAncho);
    Show(PoliBordeColor, o.PoliBordeColor);
    Show(PoliBordeAncho, o.PoliBordeAncho);
    Show(PoliRellenoColor, o.PoliRellenoColor);
    Show(PoliRellenoClear, o.PoliRellenoClear);
    Show(ZonaBordeColor, o.ZonaBordeColor);
    Show(ZonaBordeAncho, o.ZonaBordeAncho);
    Show(ZonaRellenoColor, o.ZonaRellenoColor);
    Show(ZonaRellenoClear, o.ZonaRellenoClear);
    Show(ArcosColor, o.ArcosColor);
    Show(BlockedColor, o.BlockedColor);
    Show(AccesoColor, o.AccesoColor);
    Show(TrazaColor, o.TrazaColor);
    Show(ArrowsColor, o.ArrowsColor);
    Show(NodosColor, o.NodosColor);
    Show(SoleraColor, o.SoleraColor);

    Show(VisorZoomColor, o.VisorZoomColor);
    Show(VisorZoomSize, o.VisorZoomSize);
    Show(ZoomPermanente, o.ZoomPermanente);
    Show(EscalaZoom, o.EscalaZoom);
    Show(zArrows, o.zArrows);
    Show(zNodes, o.zNodes);
    Show(zNameNodes, o.zNameNodes);
    Show(zCalles, o.zCalles);
    Show(zAtributos, o.zAtributos);
    Show(zValues, o.zValues);

    Show(cbHuso, o.Huso);
    Show(cbHemisf, o.Hemisferio);
    Show(ceVert, o.ShiftVert);
    Show(ceHorz, o.ShiftHorz);
    Show(Screen2Print, o.Screen2Print);
    Show(cbView, o.KeepView);
    Show(rgFix, o.Fix);
    Show(cbPrintCaption, o.PrintCaption);
    Show(cbPrintDate, o.PrintDate);
}

void TDlgCfg::ConnectOptions()
{
    auto check = [this](QCheckBox* box, bool TProgramOptions::*field) {
        connect(box, &QCheckBox::toggled, this, [field](bool on) { ProgramOptions().*field = on; });
    };
    auto spin = [this](QSpinBox* box, int TProgramOptions::*field) {
        connect(box, &QSpinBox::valueChanged, this, [field](int v) { ProgramOptions().*field = v; });
    };
    auto real = [this](QDoubleSpinBox* box, double TProgramOptions::*field) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [field](double v) { ProgramOptions().*field = v; });
    };
    auto colour = [this](TColorPanel* panel, uint32_t TProgramOptions::*field) {
        connect(panel, &TColorPanel::colorChanged, this, [field](uint32_t c) { ProgramOptions().*field = c; });
    };
    auto radio = [this](TRadioGroup* group, int TProgramOptions::*field) {
        connect(group, &TRadioGroup::itemIndexChanged, this, [field](int i) { ProgramOptions().*field = i; });
    };
    auto combo = [this](QComboBox* box, int TProgramOptions::*field) {
        connect(box, &QComboBox::currentIndexChanged, this, [field](int i) { ProgramOptions().*field = i; });
    };
    using O = TProgramOptions;
    check(cbOpenLP, &O::OpenLP);
    check(cbOverwrite, &O::Overwrite);
    check(cbDrawLayout, &O::DrawLayout);
    check(cbSaveFNames, &O::SaveFNames);
    spin(FnameSaved, &O::FnameSaved);
    check(cbSaveGeos, &O::SaveGeos);
    check(cbReadPijas, &O::ReadPijas);
    check(cbDrawNull, &O::DrawNull);
    check(cbSaveLayout, &O::SaveLayout);

    radio(SeleccionGrafica, &O::SeleccionGrafica);
    check(cbSentidos, &O::Sentidos);
    check(cbNodos, &O::Nodos);
    check(cbNombreNodos, &O::NombreNodos);
    check(cbCalles, &O::Calles);
    check(cbCentroides, &O::Centroides);
    check(cbAtributos, &O::Atributos);
    check(cbValores, &O::Valores);
    check(cbPoligonos, &O::Poligonos);
    check(cbArcos, &O::Arcos);
    radio(RutasFijas, &O::RutasFijas);
    connect(cbGiros, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int i = cbGiros->row(item);
        if (i >= 0 && i < 3)
            ProgramOptions().Giros[size_t(i)] = item->checkState() == Qt::Checked;
    });
    check(WheelActive, &O::WheelActive);
    radio(rgZoom, &O::Zoom);
    radio(rgTpo, &O::Tpo);

    colour(SeleccionColor, &O::SeleccionColor);
    spin(SeleccionAncho, &O::SeleccionAncho);
    colour(PoliBordeColor, &O::PoliBordeColor);
    spin(PoliBordeAncho, &O::PoliBordeAncho);
    colour(PoliRellenoColor, &O::PoliRellenoColor);
    check(PoliRellenoClear, &O::PoliRellenoClear);
    colour(ZonaBordeColor, &O::ZonaBordeColor);
    spin(ZonaBordeAncho, &O::ZonaBordeAncho);
    colour(ZonaRellenoColor, &O::ZonaRellenoColor);
    check(ZonaRellenoClear, &O::ZonaRellenoClear);
    colour(ArcosColor, &O::ArcosColor);
    colour(BlockedColor, &O::BlockedColor);
    colour(AccesoColor, &O::AccesoColor);
    colour(TrazaColor, &O::TrazaColor);
    colour(ArrowsColor, &O::ArrowsColor);
    colour(NodosColor, &O::NodosColor);
    colour(SoleraColor, &O::SoleraColor);

    colour(VisorZoomColor, &O::VisorZoomColor);
    spin(VisorZoomSize, &O::VisorZoomSize);
    check(ZoomPermanente, &O::ZoomPermanente);
    radio(EscalaZoom, &O::EscalaZoom);
    check(zArrows, &O::zArrows);
    check(zNodes, &O::zNodes);
    check(zNameNodes, &O::zNameNodes);
    check(zCalles, &O::zCalles);
    check(zAtributos, &O::zAtributos);
    check(zValues, &O::zValues);

    combo(cbHuso, &O::Huso);
    combo(cbHemisf, &O::Hemisferio);
    real(ceVert, &O::ShiftVert);
    real(ceHorz, &O::ShiftHorz);
    real(Screen2Print, &O::Screen2Print);
    check(cbView, &O::KeepView);
    radio(rgFix, &O::Fix);
    check(cbPrintCaption, &O::PrintCaption);
    check(cbPrintDate, &O::PrintDate);
}

QWidget* TDlgCfg::BuildGeneralPage()
{
    auto* page = new QWidget(this);
    auto* group = new QGroupBox(QStringLiteral(" Opciones Generales "), page);
    auto* g = new QVBoxLayout(group);
    cbOpenLP = NewCheck(QStringLiteral("Abrir automáticamente archivos relacionados"), true, group);
    cbOverwrite = NewCheck(QStringLiteral("Confirmar sobreescritura de archivos"), false, group);
    cbDrawLayout = NewCheck(QStringLiteral("Aplicar último esquema guardado al abrir la red"), true, group);
    cbSaveFNames = NewCheck(QStringLiteral("Archivos usados recientemente"), true, group);
    FnameSaved = NewSpin(1, 50, 20, group);
    LabelArchivos = new QLabel(QStringLiteral("archivos"), group);
    cbSaveGeos = NewCheck(QStringLiteral("Grabar automáticamente coordenadas geográficas"), false, group);
    cbReadPijas = NewCheck(QStringLiteral("Analizar PIJAs si están disponibles"), false, group);
    cbDrawNull = NewCheck(QStringLiteral("Dibujar ceros"), false, group);
    cbFullDxf = NewCheck(QStringLiteral("DXF Completo"), false, group);
    cbSaveLayout = NewCheck(QStringLiteral("Guardar último esquema utilizado"), true, group);

    g->addWidget(cbOpenLP);
    g->addWidget(cbOverwrite);
    g->addWidget(cbSaveLayout);
    g->addWidget(cbDrawLayout);
    auto* recent = new QHBoxLayout;
    recent->addWidget(cbSaveFNames);
    recent->addWidget(FnameSaved);
    recent->addWidget(LabelArchivos);
    recent->addStretch();
    g->addLayout(recent);
    g->addWidget(cbSaveGeos);
    g->addWidget(cbReadPijas);
    g->addWidget(cbDrawNull);
    g->addWidget(cbFullDxf);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget* TDlgCfg::BuildPreferenciasPage()
{
    auto* page = new QWidget(this);
    SeleccionGrafica = new TRadioGroup(QStringLiteral(" Selección Gráfica  "),
                                       {QStringLiteral("Sólo un nodo incluído"), QStringLiteral("Ambos nodos incluídos")}, 1, page);

    auto* update = new QGroupBox(QStringLiteral(" Actualización "), page);
    auto* u = new QGridLayout(update);
    cbSentidos = NewCheck(QStringLiteral("Sentidos"), false, update);
    cbNodos = NewCheck(QStringLiteral("Nodos"), false, update);
    cbNombreNodos = NewCheck(QStringLiteral("Número de Nodos"), false, update);
    cbCalles = NewCheck(QStringLiteral("Calles"), false, update);
    cbCentroides = NewCheck(QStringLiteral("Centroides"), false, update);
    cbAtributos = NewCheck(QStringLiteral("Atributos"), true, update);
    cbValores = NewCheck(QStringLiteral("Valores"), false, update);
    cbPoligonos = NewCheck(QStringLiteral("Poligonos"), false, update);
    cbArcos = NewCheck(QStringLiteral("Traza de arcos"), false, update);
    QCheckBox* boxes[] = {cbSentidos, cbNodos, cbNombreNodos, cbCalles, cbCentroides,
                          cbAtributos, cbValores, cbPoligonos, cbArcos};
    for (int i = 0; i < 9; ++i)
        u->addWidget(boxes[i], i % 5, i / 5);

    RutasFijas = new TRadioGroup(QStringLiteral(" Rutas Fijas  "),
                                 {QStringLiteral("Incluir rutas fijas"), QStringLiteral("Omitir rutas fijas")}, 1, page);

    // Turn kinds the analyses take into account (stored in the settings as three flags).
    cbGiros = new QListWidget(page);
    for (const char* kind : {"Giro Izquierda", "Directo", "Giro Derecha"}) {
        auto* item = new QListWidgetItem(QString::fromUtf8(kind), cbGiros);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    cbGiros->setMaximumHeight(70);

    auto* wheel = new QGroupBox(QStringLiteral(" Rueda Mouse "), page);
    auto* w = new QVBoxLayout(wheel);
    WheelActive = NewCheck(QStringLiteral("Activa"), true, wheel);
    w->addWidget(WheelActive);

    rgZoom = new TRadioGroup(QStringLiteral(" Factor Zoom "), {QStringLiteral("1x"), QStringLiteral("2x"), QStringLiteral("3x")}, 1, page);
    rgTpo = new TRadioGroup(QStringLiteral(" Tiempo Arco Inner  "),
                            {QStringLiteral("Tiempo puro"), QStringLiteral("Componer movimientos")}, 1, page);

    auto* layout = new QGridLayout(page);
    layout->addWidget(SeleccionGrafica, 0, 0);
    layout->addWidget(RutasFijas, 0, 1);
    layout->addWidget(update, 1, 0, 1, 2);
    layout->addWidget(cbGiros, 2, 0);
    layout->addWidget(wheel, 2, 1);
    layout->addWidget(rgZoom, 3, 0);
    layout->addWidget(rgTpo, 3, 1);
    layout->setRowStretch(4, 1);
    return page;
}

QWidget* TDlgCfg::BuildColoresPage()
{
    auto* page = new QWidget(this);

    ArcosSeleccionados = new QGroupBox(QStringLiteral(" Selección Activa   "), page);
    auto* sel = new QGridLayout(ArcosSeleccionados);
    SeleccionColor = new TColorPanel(clRed, ArcosSeleccionados);
    SeleccionAncho = NewSpin(1, 5, 1, ArcosSeleccionados);
    sagSel = NewStyleTable(3, NumSelClasses, ArcosSeleccionados);
    for (int r = 0; r < NumSelClasses; ++r) {
        auto* number = new QTableWidgetItem(QString::number(r + 1));
        number->setTextAlignment(Qt::AlignCenter);
        sagSel->setItem(r, 0, number);
    }
    sagSel->setColumnWidth(0, 28);
    sagSel->setColumnWidth(1, 24);
    sagSel->setColumnWidth(2, 90);
    sagSel->setCurrentCell(0, 0);
    sagSel->setItemDelegate(new TCellPainterDelegate(
        [this](QPainter* p, const QStyleOptionViewItem& option, int row, int col) {
            return sagSelDrawCell(p, option.rect, row, col);
        },
        sagSel));
    sel->addWidget(new QLabel(QStringLiteral("Selección:"), ArcosSeleccionados), 0, 0);
    sel->addWidget(SeleccionColor, 0, 1);
    sel->addWidget(new QLabel(QStringLiteral("Grosor :"), ArcosSeleccionados), 1, 0);
    sel->addWidget(SeleccionAncho, 1, 1);
    sel->addWidget(sagSel, 2, 0, 1, 2);

    auto styleGroup = [](QGroupBox* group, TColorPanel*& border, QSpinBox*& width, TColorPanel*& fill, QCheckBox*& clear) {
        auto* f = new QFormLayout(group);
        border = new TColorPanel(clGreen, group);
        width = NewSpin(1, 5, 1, group);
        fill = new TColorPanel(13887443, group);
        clear = NewCheck(QString(), false, group);
        f->addRow(QStringLiteral("Borde:"), border);
        f->addRow(QStringLiteral("Grosor :"), width);
        f->addRow(QStringLiteral("Relleno:"), fill);
        f->addRow(QStringLiteral("Sin relleno:"), clear);
        group->setMouseTracking(true);
    };
    BoxPoligonos = new QGroupBox(QStringLiteral(" Polígonos "), page);
    styleGroup(BoxPoligonos, PoliBordeColor, PoliBordeAncho, PoliRellenoColor, PoliRellenoClear);
    Zonificacion = new QGroupBox(QStringLiteral(" Zonificación "), page);
    styleGroup(Zonificacion, ZonaBordeColor, ZonaBordeAncho, ZonaRellenoColor, ZonaRellenoClear);

    GroupBox2 = new QGroupBox(QStringLiteral(" General "), page);
    GroupBox2->setMouseTracking(true);
    auto* gen = new QGridLayout(GroupBox2);
    ArcosColor = new TColorPanel(clBlack, GroupBox2);
    ArcosColor->setMouseTracking(true);
    ArcosColor->setContextMenuPolicy(Qt::CustomContextMenu);
    BlockedColor = new TColorPanel(clRed, GroupBox2);
    AccesoColor = new TColorPanel(clGreen, GroupBox2);
    TrazaColor = new TColorPanel(13816530, GroupBox2);
    ArrowsColor = new TColorPanel(clBlack, GroupBox2);
    NodosColor = new TColorPanel(clGray, GroupBox2);
    SoleraColor = new TColorPanel(clSilver, GroupBox2);
    const std::pair<const char*, TColorPanel*> panels[] = {
        {"Red Vial:", ArcosColor},     {"Arcos Prohibidos", BlockedColor}, {"Arcos Acceso", AccesoColor},
        {"Traza de arcos", TrazaColor}, {"Flechas", ArrowsColor},           {"Nodos", NodosColor},
        {"Soleras:", SoleraColor},
    };
    int row = 0;
    for (const auto& [caption, panel] : panels) {
        gen->addWidget(new QLabel(QString::fromUtf8(caption), GroupBox2), row, 0);
        gen->addWidget(panel, row, 1);
        ++row;
    }
    sagGral = NewStyleTable(2, 11, GroupBox2);
    sagGral->setColumnWidth(0, 130);
    sagGral->setColumnWidth(1, 70);
    sagGral->setCurrentCell(0, 0);
    sagGral->setItemDelegate(new TCellPainterDelegate(
        [this](QPainter* p, const QStyleOptionViewItem& option, int r, int col) {
            return sagGralDrawCell(p, option.rect, r, col);
        },
        sagGral));
    gen->addWidget(sagGral, 0, 2, row, 1);

    auto* layout = new QGridLayout(page);
    layout->addWidget(ArcosSeleccionados, 0, 0, 2, 1);
    layout->addWidget(BoxPoligonos, 0, 1);
    layout->addWidget(Zonificacion, 1, 1);
    layout->addWidget(GroupBox2, 2, 0, 1, 2);
    return page;
}

QWidget* TDlgCfg::BuildAmpliacionPage()
{
    auto* page = new QWidget(this);
    auto* visor = new QGroupBox(QStringLiteral(" Visor de Ampliación "), page);
    VisorZoomColor = new TColorPanel(12320767, visor);
    VisorZoomSize = NewSpin(100, 500, 300, visor);
    ZoomPermanente = NewCheck(QStringLiteral("Vista Permanente"), false, visor);
    EscalaZoom = new TRadioGroup(QStringLiteral(" Factor de Escala "),
                                 {QStringLiteral("2x"), QStringLiteral("4x"), QStringLiteral("6x"), QStringLiteral("8x"),
                                  QStringLiteral("10x"), QStringLiteral("15x"), QStringLiteral("20x"), QStringLiteral("30x")},
                                 2, visor);
    auto* details = new QGroupBox(QStringLiteral(" Ver Detalles "), visor);
    auto* d = new QVBoxLayout(details);
    zArrows = NewCheck(QStringLiteral("Sentidos"), false, details);
    zNodes = NewCheck(QStringLiteral("Nodos"), true, details);
    zNameNodes = NewCheck(QStringLiteral("Número de Nodos"), true, details);
    zCalles = NewCheck(QStringLiteral("Calles"), false, details);
    zAtributos = NewCheck(QStringLiteral("Atributos"), false, details);
    zValues = NewCheck(QStringLiteral("Valores"), false, details);
    for (QCheckBox* box : {zArrows, zNodes, zNameNodes, zCalles, zAtributos, zValues})
        d->addWidget(box);

    auto* v = new QGridLayout(visor);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Fondo :"), VisorZoomColor);
    form->addRow(QStringLiteral("Tamaño :"), VisorZoomSize);
    form->addRow(ZoomPermanente);
    v->addLayout(form, 0, 0);
    v->addWidget(EscalaZoom, 1, 0);
    v->addWidget(details, 0, 1, 2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(visor);
    layout->addStretch();
    return page;
}

QWidget* TDlgCfg::BuildImpresionPage()
{
    auto* page = new QWidget(this);

    auto* geo = new QGroupBox(QStringLiteral("  Google Earth  "), page);
    cbHuso = new QComboBox(geo);
    for (int zone = 1; zone <= 60; ++zone) {
        const int west = -180 + 6 * (zone - 1);
        const char side = zone <= 30 ? 'W' : 'E';
        cbHuso->addItem(QString::asprintf("UTM %2d: %d%c a %d%c", zone, west, side, west + 6, side));
    }
    cbHuso->setCurrentIndex(18);
    cbHemisf = new QComboBox(geo);
    cbHemisf->addItem(QStringLiteral("S: Hemisferio Sur"));
    cbHemisf->addItem(QStringLiteral("N: Hemisferio Norte"));
    cbHemisf->setCurrentIndex(0);
    ceVert = NewRealSpin(-1.0e6, 1.0e6, 6, 0.0, geo);
    ceHorz = NewRealSpin(-1.0e6, 1.0e6, 6, 0.0, geo);
    sbWriteGeo = new QPushButton(QStringLiteral("Generar archivos UTM"), geo);
    sbSave = new QPushButton(QStringLiteral("Grabar"), geo);
    sbCalcular = new QPushButton(QStringLiteral("Calcular"), geo);
    auto* g = new QFormLayout(geo);
    g->addRow(QStringLiteral("Huso horario:"), cbHuso);
    g->addRow(QStringLiteral("Hemisferio:"), cbHemisf);
    g->addRow(QStringLiteral("Desplazamiento vertical:"), ceVert);
    g->addRow(QStringLiteral("Desplazamiento horizontal:"), ceHorz);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sbCalcular);
    buttons->addWidget(sbWriteGeo);
    buttons->addWidget(sbSave);
    g->addRow(buttons);

    auto* look = new QGroupBox(QStringLiteral("  Apariencia  "), page);
    Screen2Print = NewRealSpin(1.0, 50.0, 4, 1.0, look);
    cbView = NewCheck(QStringLiteral("Mantener relación de la vista"), false, look);
    rgFix = new TRadioGroup(QStringLiteral(" Referir a ...   "), {QStringLiteral("ancho"), QStringLiteral("alto")}, 0, look);
    auto* a = new QFormLayout(look);
    a->addRow(QStringLiteral("Razón Impresión/Pantallla : "), Screen2Print);
    a->addRow(cbView);
    a->addRow(rgFix);

    auto* print = new QGroupBox(QStringLiteral("  Imprimir  "), page);
    cbPrintCaption = NewCheck(QStringLiteral("Nombre de la Red"), false, print);
    cbPrintDate = NewCheck(QStringLiteral("Fecha y Hora "), false, print);
    auto* p = new QVBoxLayout(print);
    p->addWidget(cbPrintCaption);
    p->addWidget(cbPrintDate);

    auto* layout = new QGridLayout(page);
    layout->addWidget(geo, 0, 0, 2, 1);
    layout->addWidget(look, 0, 1);
    layout->addWidget(print, 1, 1);
    layout->setRowStretch(2, 1);
    return page;
}

void TDlgCfg::BuildWidthsMenu()
{
    SetWidths = new QMenu(this);
    widthGroup_ = new QActionGroup(SetWidths);
    widthGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    auto add = [this](const QString& caption, int tag) {
        QAction* action = SetWidths->addAction(caption);
        action->setCheckable(true);
        action->setData(tag);
        widthGroup_->addAction(action);
        connect(action, &QAction::triggered, this, [this, tag] { SetWidth(tag); });
    };
    add(QStringLiteral("1 Pixel"), 1);
    add(QStringLiteral("2 Pixeles"), 2);
    add(QStringLiteral("3 Pixeles"), 3);
    add(QStringLiteral("4 Pixeles"), 4);
    add(QStringLiteral("7 Pixeles"), 7);
    add(QStringLiteral("10 Pixeles"), 10);
    SetWidths->addSeparator();
    add(QStringLiteral("Sin línea"), 0);
    WidthAction(1)->setChecked(true);
}

void TDlgCfg::ConnectHandlers()
{
    const std::pair<TColorPanel*, void (TDlgCfg::*)()> panels[] = {
        {SeleccionColor, &TDlgCfg::SeleccionColorClick}, {VisorZoomColor, &TDlgCfg::VisorZoomColorClick},
        {PoliBordeColor, &TDlgCfg::PoliBordeColorClick}, {PoliRellenoColor, &TDlgCfg::PoliRellenoColorClick},
        {ZonaBordeColor, &TDlgCfg::ZonaBordeColorClick}, {ZonaRellenoColor, &TDlgCfg::ZonaRellenoColorClick},
        {ArcosColor, &TDlgCfg::ArcosColorClick},         {BlockedColor, &TDlgCfg::BlockedColorClick},
        {AccesoColor, &TDlgCfg::AccesoColorClick},       {TrazaColor, &TDlgCfg::TrazaColorClick},
        {ArrowsColor, &TDlgCfg::ArrowsColorClick},       {NodosColor, &TDlgCfg::NodosColorClick},
        {SoleraColor, &TDlgCfg::SoleraColorClick},
    };
    for (const auto& [panel, handler] : panels)
        connect(panel, &TColorPanel::clicked, this, handler);

    // Check boxes and radio groups act on every change, by the user or by the settings.
    connect(cbSaveFNames, &QCheckBox::toggled, this, &TDlgCfg::cbSaveFNamesClick);
    connect(cbFullDxf, &QCheckBox::toggled, this, &TDlgCfg::cbFullDxfClick);
    connect(SeleccionAncho, &QSpinBox::valueChanged, this, &TDlgCfg::SeleccionAnchoChange);
    connect(rgZoom, &TRadioGroup::itemIndexChanged, this, &TDlgCfg::rgZoomClick);
    connect(sbWriteGeo, &QPushButton::clicked, this, &TDlgCfg::sbWriteGeoClick);
    connect(sbSave, &QPushButton::clicked, this, &TDlgCfg::sbSaveClick);
    connect(sbCalcular, &QPushButton::clicked, this, &TDlgCfg::sbCalcularClick);

    connect(sagSel, &QTableWidget::cellDoubleClicked, this, &TDlgCfg::sagSelDblClick);
    connect(sagGral, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { sagGralDblClick(row); });
    connect(sagSel, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowWidthsMenu(TWidthTarget::ClassTable, sagSel->viewport(), pos); });
    connect(sagGral, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowWidthsMenu(TWidthTarget::LayerTable, sagGral->viewport(), pos); });
    connect(ArcosColor, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowWidthsMenu(TWidthTarget::LinksColor, ArcosColor, pos); });

    for (QWidget* w : {static_cast<QWidget*>(GroupBox2), sagSel->viewport(), static_cast<QWidget*>(Zonificacion),
                       static_cast<QWidget*>(BoxPoligonos), static_cast<QWidget*>(ArcosColor)})
        w->installEventFilter(this);
}
