#pragma once
// What the network side needs of printing: the batch printing of a print
// definition and the printer's orientation. Printing installs its
// implementation at start-up; until then (and in headless runs) nothing prints.
#include <string>

class PrintServices {
public:
    virtual ~PrintServices() = default;
    // Reads the print-definition file into the batch tables; true when it holds
    // something to print.
    virtual bool ReadWriteNet2Print(const std::string& fileName) { (void)fileName; return false; }
    // Prints every network of the print definition read last.
    virtual void ImprimirRedes1Click() {}
    // Turns the printer to landscape or portrait (the report's page setup does).
    virtual void SetPrinterOrientation(bool landscape) { (void)landscape; }
};

// The services in use (never null: a do-nothing implementation by default).
PrintServices& PrintHooks();
// Installs an implementation (nullptr restores the default); returns the previous one.
PrintServices* SetPrintServices(PrintServices* services);
