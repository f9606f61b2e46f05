#pragma once
// The view the user has set up, headless: which layers are on (named by layer),
// and, as they move here, the chosen variables and ranges, sizes and styles, the
// extent and the titles. The window's buttons and menu checks show it through
// one binding table (map/gui/ViewBinding.h): a command pressed writes its field,
// a field changed (a theme or a view applied) sets its command. Every output
// takes a copy of it (TViewSnapshot) and draws from the copy, so nothing that
// prints or exports touches the user's view.
//
// There is one user's view in the program (UserView); the main window shows it.

struct TViewState {
    // The layer switches.
    bool Zonas = false;       // zone outlines and numbers
    bool Poligonos = false;   // the user's polygons
    bool Solera = false;      // background line layers
    bool Atributos = false;   // value bars of the variables shown
    bool Colores = false;     // links coloured by ranges
    bool Lineas = false;      // transit lines
    bool Arrows = false;      // one-way arrowheads
    bool Nodes = false;       // node circles
    bool Cents = false;       // zone centroids and connectors
    bool NameNodes = false;   // node numbers
    bool Values = false;      // values written on the links
    bool Calles = false;      // street names
    bool Sel = false;         // selected elements only
    bool MovimValues = false; // movement values beside the link values
};

// The user's view: the one the main window shows.
TViewState& UserView();
