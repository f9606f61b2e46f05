#pragma once
// The options dialog "Opciones y Preferencias". It edits the options record of the
// run (model/ProgramOptions.h), which the rest of the program reads: its controls
// show the record when the dialog is made, shown or told the record changed, and
// every change of a control, by the user or by code, goes into the record at once
// (as before, closing the dialog by either button keeps what was changed). It also
// edits the class colours and widths and the layer styles of map/DisplayStyles.h.
#include "widgets/DlgCfgWidgets.h"

#include <cstdint>
#include <functional>
#include <string>

#include <QDialog>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

// How the dialog reaches the rest of the program. Filled where the dialog is made
// (Secondary::DlgCfg()); an empty hook does nothing (the two dialog hooks fall back to the
// toolkit's colour dialog and the program's input dialog; tests replace them).
struct TDlgCfgHooks {
    // Writes the UTM coordinate files of the network and the background layers.
    std::function<void()> WriteGeo;
    // Colour dialog seeded with the colour; true and the colour replaced on acceptance.
    std::function<bool(uint32_t& color)> ChooseColor;
    // Two-value input dialog; true and both values replaced on acceptance.
    std::function<bool(const std::string& title, const std::string& prompt1, const std::string& prompt2,
                       std::string& value1, std::string& value2)>
        InputTwoValues;
};

class TDlgCfg : public QDialog {
    Q_OBJECT
public:
    explicit TDlgCfg(QWidget* parent = nullptr);
    ~TDlgCfg() override;

    TDlgCfgHooks Hooks;

    // Areas of the "Colores" page the mouse last moved over.
    enum TCfgArea { AreaNone = 0, AreaGeneral = 1, AreaClassTable = 2, AreaZoning = 3, AreaPolygons = 4, AreaLinksColor = 5 };
    int LastArea = AreaNone;
    // What the width menu acts on: the class table's selected class, the links
    // (`Items`[0]) or the selected layer style of `sagGral`.
    enum class TWidthTarget { ClassTable, LinksColor, LayerTable };
    TWidthTarget WidthTarget = TWidthTarget::ClassTable;

    // ---- Pages ----
    QTabWidget* CfgPaginas;
    QWidget* CfgGeneral;
    QWidget* CfgPreferencias;
    QWidget* CfgColores;
    QWidget* CfgAmpliacion;
    QWidget* CfgImpresion;
    QDialogButtonBox* Buttons;

    // ---- "General" ----
    QCheckBox* cbOpenLP;
    QCheckBox* cbOverwrite;
    QCheckBox* cbDrawLayout;
    QCheckBox* cbSaveFNames;
    QSpinBox* FnameSaved;
    QLabel* LabelArchivos;
    QCheckBox* cbSaveGeos;
    QCheckBox* cbReadPijas;
    QCheckBox* cbDrawNull;
    QCheckBox* cbFullDxf;
    QCheckBox* cbSaveLayout;

    // ---- "Preferencias" ----
    TRadioGroup* SeleccionGrafica;
    QCheckBox* cbSentidos;
    QCheckBox* cbNodos;
    QCheckBox* cbNombreNodos;
    QCheckBox* cbCalles;
    QCheckBox* cbCentroides;
    QCheckBox* cbAtributos;
    QCheckBox* cbValores;
    QCheckBox* cbPoligonos;
    QCheckBox* cbArcos;
    TRadioGroup* RutasFijas;
    QListWidget* cbGiros;
    QCheckBox* WheelActive;
    TRadioGroup* rgZoom;
    TRadioGroup* rgTpo;

    // ---- "Colores" ----
    QGroupBox* ArcosSeleccionados;
    TColorPanel* SeleccionColor;
    QSpinBox* SeleccionAncho;
    QTableWidget* sagSel;
    QGroupBox* BoxPoligonos;
    TColorPanel* PoliBordeColor;
    QSpinBox* PoliBordeAncho;
    TColorPanel* PoliRellenoColor;
    QCheckBox* PoliRellenoClear;
    QGroupBox* Zonificacion;
    TColorPanel* ZonaBordeColor;
    QSpinBox* ZonaBordeAncho;
    TColorPanel* ZonaRellenoColor;
    QCheckBox* ZonaRellenoClear;
    QGroupBox* GroupBox2;
    TColorPanel* ArcosColor;
    TColorPanel* BlockedColor;
    TColorPanel* AccesoColor;
    TColorPanel* TrazaColor;
    TColorPanel* ArrowsColor;
    TColorPanel* NodosColor;
    TColorPanel* SoleraColor;
    QTableWidget* sagGral;
    QMenu* SetWidths;

    // ---- "Ampliación" ----
    TColorPanel* VisorZoomColor;
    QSpinBox* VisorZoomSize;
    QCheckBox* ZoomPermanente;
    TRadioGroup* EscalaZoom;
    QCheckBox* zArrows;
    QCheckBox* zNodes;
    QCheckBox* zNameNodes;
    QCheckBox* zCalles;
    QCheckBox* zAtributos;
    QCheckBox* zValues;

    // ---- "Impresión" ----
    QComboBox* cbHuso;
    QComboBox* cbHemisf;
    QDoubleSpinBox* ceVert;
    QDoubleSpinBox* ceHorz;
    QPushButton* sbWriteGeo;
    QPushButton* sbSave;
    QPushButton* sbCalcular;
    QDoubleSpinBox* Screen2Print;
    QCheckBox* cbView;
    TRadioGroup* rgFix;
    QCheckBox* cbPrintCaption;
    QCheckBox* cbPrintDate;

    // ---- Reading the options (the record's values) ----
    // Shows the record's values in the controls; the handlers of the controls do not run.
    void LoadFromOptions();
    // Blocked links, hidden nodes and hidden zones are not drawn while the blocked colour is white.
    bool HideBlocked() const;
    // Zoom step chosen in " Factor Zoom ".
    float ZoomFactorValue() const;
    // Magnifier scale (2, 4, 6, 8, 10, 15, 20 or 30).
    int MagnifierScale() const;
    // UTM zone 1..60 and hemisphere of the geographic output.
    int UtmZone() const;
    bool NorthernHemisphere() const;
    // False-origin shifts in kilometres.
    double ShiftVertKm() const;
    double ShiftHorzKm() const;
    // Printer/screen size ratio (never below the spin box's minimum of 1).
    double Screen2PrintValue() const;
    // Sets Screen2Print to page width / screen width; an unknown (zero) width keeps the value.
    void SetScreen2PrintRatio(double pageWidthPixels, double screenWidthPixels);
    // The width-menu item with the tag, or nullptr.
    QAction* WidthAction(int tag) const;

    // ---- Handlers ----
    void FormShow();
    void SeleccionColorClick();
    void VisorZoomColorClick();
    void PoliBordeColorClick();
    void PoliRellenoColorClick();
    void ZonaBordeColorClick();
    void ZonaRellenoColorClick();
    void ArcosColorClick();
    void BlockedColorClick();
    void AccesoColorClick();
    void TrazaColorClick();
    void ArrowsColorClick();
    void NodosColorClick();
    void SoleraColorClick();
    void cbSaveFNamesClick();
    void SeleccionAnchoChange();
    void rgZoomClick();
    bool sagSelDrawCell(QPainter* painter, const QRect& rect, int row, int col);
    void sagSelDblClick(int row, int col);
    void SetWidth(int tag);
    void SetWidthsPopup(TWidthTarget target);
    bool sagGralDrawCell(QPainter* painter, const QRect& rect, int row, int col);
    void sagGralDblClick(int row);
    void GroupBox2MouseMove() { LastArea = AreaGeneral; }
    void sagSelMouseMove() { LastArea = AreaClassTable; }
    void ZonificacionMouseMove() { LastArea = AreaZoning; }
    void BoxPoligonosMouseMove() { LastArea = AreaPolygons; }
    void ArcosColorMouseMove() { LastArea = AreaLinksColor; }
    void sbWriteGeoClick();
    void sbSaveClick();
    void sbCalcularClick();
    void cbFullDxfClick();

    // `Items` entry shown in row r of the layer style table (rows start at "Arcos Acceso";
    // the links' own style is edited from the links colour box).
    static int GralItemIndex(int row) { return row + 1; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildPreferenciasPage();
    QWidget* BuildColoresPage();
    QWidget* BuildAmpliacionPage();
    QWidget* BuildImpresionPage();
    void BuildWidthsMenu();
    void ConnectOptions();
    void ConnectHandlers();
    void ShowWidthsMenu(TWidthTarget target, QWidget* widget, const QPoint& pos);
    bool PickColor(uint32_t& color);
    void EditPanelColor(TColorPanel* panel);
    bool AskTwoValues(const std::string& title, const std::string& prompt1, const std::string& prompt2,
                      std::string& value1, std::string& value2);

    QActionGroup* widthGroup_ = nullptr;
};

// The one options dialog of the program: null until it is first needed, then made
// by Secondary::DlgCfg() (mainwindow/SecondaryWindows.h).
extern TDlgCfg* DlgCfg;
