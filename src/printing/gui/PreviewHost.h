#pragma once
// What the print preview needs of the main window: its print picture made
// again, and the map exports that write its network.
#include <string>

class TPreviewHost {
public:
    virtual void RemakePreview() = 0;
    virtual bool ExportDxf(const std::string& fileName) = 0;
    virtual bool ExportKmz(const std::string& fileName) = 0;
    virtual bool ExportShp(const std::string& fileName) = 0;

protected:
    ~TPreviewHost() = default;
};
