#pragma once
// What the loaders of auxiliary data files need of the main window beyond
// ViewerServices: showing the complementary columns they placed in the grids,
// building the generation/attraction menu and redrawing the map. The main window
// installs its implementation; headless runs and tests keep the do-nothing one.
#include <cstdint>
#include <vector>

// Columns of one complementary block: First..First+Count-1 hold the values just
// loaded; the columns in Cleared no longer hold complementary data (their cells
// are to be emptied).
struct TCompPlacement {
    int32_t First = 0;
    int32_t Count = 0;
    std::vector<int32_t> Cleared;
};

class AuxFileServices {
public:
    virtual ~AuxFileServices() = default;
    // The block was placed in the link (movements false) or movement grid tables.
    virtual void ShowComplementaryColumns(bool movements, const TCompPlacement& placement)
    {
        (void)movements;
        (void)placement;
    }
    // GenatrNames changed: rebuild the generation/attraction menu.
    virtual void BuildGenatrMenu() {}
    virtual void Redraw() {}
};

// The services in use (never null: a do-nothing implementation by default).
AuxFileServices& AuxFileHooks();
// Installs an implementation (nullptr restores the default); returns the previous one.
AuxFileServices* SetAuxFileServices(AuxFileServices* services);
