#pragma once
// What the headless export writers read of the main window and its options
// dialog. The main window installs its implementation at start-up; tests install
// their own. The default writes nothing on its own initiative.
class ExportServices {
public:
    virtual ~ExportServices() = default;
    // "Guardar coordenadas" of the options dialog (cbSaveGeos): store node and
    // centroid positions after map edits.
    virtual bool SaveGeos() { return false; }
};

// The services in use (never null).
ExportServices& ExportHooks();
// Installs an implementation (nullptr restores the default); returns the previous one.
ExportServices* SetExportServices(ExportServices* services);
