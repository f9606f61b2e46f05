// An archive opened for update: its directory read, one file added, written back.
#include "FuzzSupport.h"

#include "archive/ZipForge.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    static const std::string added = fuzz::WriteFile("nuevo.txt", "linea 1\r\nlinea 2\r\n");
    std::string archive = fuzz::WriteFile("red.zip", std::string(reinterpret_cast<const char*>(data), size));
    try {
        TZipForge zip;
        zip.Name = "zip";
        zip.SetCompressionLevel(clNormal);
        zip.FileName = archive;
        zip.BaseDir = fuzz::Dir();
        zip.OpenArchive();
        for (int i = 0; i < zip.FileCount(); ++i)
            zip.Item(i);
        zip.BeginUpdate();
        zip.AddFiles(added);
        zip.EndUpdate();
        zip.CloseArchive();
    } catch (const std::exception&) {
    }
    return 0;
}
