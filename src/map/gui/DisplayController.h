#pragma once
// What the map shows and how: the layer toggles (toolbar buttons kept in step
// with their menu items), which toolbars are shown, the lane width and movement
// scale boxes, the label styles (number format, fonts, positions, the two-way
// shift, colours and widths of the background layers), the title box's toolbar
// (font, colour, corner of `tit`), and the background line and point layers with
// their menus, and the zones' entries/exits shown. Owns those widgets, the dialogs
// tests replace, and the handlers of their rows (RegisterCommands). It reaches the
// window only through TWindowHost, TMapHost and TMapViewHost; the magnifier's menu
// comes from the map view.
#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QMenu;
class QSpinBox;
class QToolBar;
class TCommandRegistry;
class TMapHost;
class TMapViewController;
class TMapViewHost;
class TWindowHost;
struct TLabelFont;

class TDisplayController {
public:
    TDisplayController(TWindowHost& window, TMapHost& map, TMapViewHost& host, TMapViewController& view);

    QToolBar* tbarTitulos = nullptr; // font and corner of the title box `tit`
    QMenu* Barras = nullptr;         // which toolbars are shown
    QMenu* PupTit = nullptr;         // corner of the title box
    QFontComboBox* FontName = nullptr;
    QSpinBox* FontSize = nullptr;
    QComboBox* FontColor = nullptr;
    QDoubleSpinBox* seAnchoPista = nullptr; // lane width
    QDoubleSpinBox* seFMov = nullptr;       // scale of the movement drawings
    // While set, the title font handlers change nothing.
    bool UpdatingTitFont = false;
    // Dialogs of the display commands; an empty member uses the toolkit's dialog (tests
    // replace them). Each returns true, the value replaced, when the user accepts.
    struct TDialogs {
        std::function<bool(TLabelFont& font)> ChooseFont;
        std::function<bool(uint32_t& color)> ChooseColor;
        // A one-line input box; `text` comes in as the proposed text.
        std::function<bool(const std::string& caption, const std::string& prompt, std::string& text)> InputText;
    } Dialogs;

    // The handlers of the rows owned by the display (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);
    // Each layer toggle's button and menu item kept in one state.
    void ConnectToggles();
    // The title box and its toolbar shown or hidden with the title button.
    void ShowTitleBox(bool down);
    // The lane and movement boxes, the title toolbar, and the items of "Barras de
    // herramientas" following their toolbars (the open toolbar is made between).
    void CreateToolbars();
    // The display items of "&Ver" and of the map's right-button menu (DisplayStylesMenus.cpp).
    void CreateDisplayMenus();
    void BarrasClick(int tag);
    // The entries/exits item chosen: its data is the variable (-1 none, 0 totals, 1.. classes).
    void EntSalClick(QAction* item);
    // A class chosen whose item the menu no longer offers (another network, fewer
    // classes, its listing refused or not read) gives way to "Ninguno", ticked: the
    // map would otherwise draw a class no visible item names.
    void FollowEntSalItems();
    // The choice `j` held across a reading of the network comes back, ticked,
    // where its item is offered again.
    void PutBackEntSal(int32_t j);

    // ---- Styles, fonts and the title box (DisplayStylesMenus.cpp) ----
    void NumDec(int decimals);
    void LetraClick(int tag);
    void Letra(QAction* item);
    void Color(int tag);
    void SetWidth(int tag);
    void UbiNodoClick(int tag);
    void UbiCallesClick(int tag);
    void Desplazamiento(int tag);
    void seAnchoPistaChange();
    void seFMovChange();
    void AnchoBarra1Click();
    void FontName_Change();
    void FontSize_Change();
    void FontColor_Change();
    void aTitBoldExecute();
    void aTitUnderExecute();
    void aTitItalicExecute();
    void titSelectionChange();
    void TitPosition(int tag);

    // ---- Background line and point layers (BackgroundLayers.cpp) ----
    QMenu* varSolera = nullptr;       // the layer menu (drop-down of tbSolera)
    QMenu* CoberturaLineas = nullptr; // "Cobertura Lineas" of the map's menu: font and names per layer
    QMenu* QueMover = nullptr;        // "¿Qué mover?" of the layer menu
    // Builds the layer menus; makes the item "Puntos" (the window places it in "Archivo").
    void CreateLayerMenus();
    void OpenLineLayerFile(const std::string& fileName, bool addLayer);
    // Loads a background line layer: replaces the loaded layers, or adds to them.
    void LineaSoleras(const std::string& fileName, bool addLayer);
    // Every line layer unloaded, with its menu items: the layers were placed in the
    // zone of a network that is no longer open.
    void ForgetLineLayers();
    // The layer menus show the layers loaded now (after they were set aside and
    // put back whole).
    void ShowLineLayerMenus();
    bool PuntosGeo(const std::string& fileName);
    void Puntos5Click();
    void soleraClick(int layer, bool checked);
    void Nombres(int tag, bool checked);
    void QueSolerasMover(QAction* item);
    void GuardarSolerasClick();

private:
    // The item of entries/exits choice `j` (-1 "Ninguno", 0 "Totales", 1.. the classes).
    QAction* EntSalItem(int32_t j) const;
    // The caption "Letra (name size)" of label font `tag` of the window's view.
    std::string LetraCaption(int tag) const;
    // The menu items of loaded layer n: its name, tick and font entry.
    void ShowLayerMenu(int n);
    // Label font `tag` chosen by the user; true when it was replaced.
    bool ChooseLabelFont(int tag);
    // One property of the title's font changed from the title toolbar.
    template <class F>
    void ChangeTitFont(F&& change);

    TWindowHost& window_;
    TMapHost& map_;
    TMapViewHost& host_;
    TMapViewController& view_;
    // The entries of "Cobertura Lineas", one per layer (index 1..9).
    QMenu* layerEntries_[10] = {};
};
