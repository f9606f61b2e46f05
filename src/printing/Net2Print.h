#pragma once
// The print definition: which networks the batch printing opens, with which
// auxiliary files and variables, and how the pictures go into the document.
// Read at once by ReadWriteNet2Print into the definition object of the batch
// printing (TBatchPrintController::Definition()); nothing writes it.
#include "printing/ZelPrinter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct TNet2Print {
    std::string RedPalvon = "null";
    std::string NetworkFile = "null";
    std::string DatosComplementarios = "null";
    std::string DatosComplementariosMovs = "null";
    std::string SeleccionArcos = "null";
    int32_t OcultaSeleccion = 0;
    int32_t AnulaSeleccion = 0;
    std::string Vineta;
    std::string Poligonos = "null";
    std::string Unused;
    std::string Zoom;
    std::string Titulos;
    uint8_t SaltoPagina = 0;
    int32_t VarMultiple = 1;
    std::array<std::string, 6> Vars;
    std::array<std::string, 6> VarTitles;
    float Ancho = 0;
    float Alto = 0;
    std::string Color = "null";
    // The definition's section that names this network, as spelled there.
    std::string Section;
};

constexpr int MaxNet2Print = 300;  // Net2Print[0..300]

// The print definition read last, with the report document it names.
struct TPrintDefinition {
    std::array<TNet2Print, MaxNet2Print + 1> Net2Print;
    int32_t Net2PrintCount = 0;
    // Document and page settings of the section "General" (with the page of the
    // pictures, TPrintSettings).
    int32_t WordOrientation = 0;
    int32_t WordPaperSize = 2;
    double MarginTop = 1.0, MarginBottom = 1.0, MarginLeft = 1.0, MarginRight = 1.0;
    int32_t PrintColumns = 0;
    bool PrintInColumns = false;
    std::string WordDocumentName = "null";
    // Folder of the print definition that named WordDocumentName; empty when the
    // user chose the document ("Crear Word") or none is named.
    std::string WordDocumentDefinitionFolder;
    // Folder of the print definition read: pictures without a document go there.
    std::string DefinitionFolder;
};

namespace Net2PrintFile {
// Whether path lies inside folder (links resolved; ".." steps taken).
bool InsideFolder(const std::string& path, const std::string& folder);
// The document the batch may write: WordDocumentName itself unless a print
// definition names a document outside its own folder (a definition from
// elsewhere could write or replace any file, and the pictures go beside the
// document); then nothing: the user is told, and nothing is printed.
std::optional<std::string> DocumentTarget(const TPrintDefinition& definition);
// The networks named that are not there (with `ownFiles`, also the complementary
// data, selection and polygon files of each), one a line, each as
// "\r[section] key: no se encuentra <path>"; empty when every one is there.
std::string FilesNotThere(const TPrintDefinition& definition, bool ownFiles);
} // namespace Net2PrintFile

// The settings sections as read (the parts the view applies).
struct TPrintGeneral {
    std::string LineaSoleras = "null";  // full path, or "null"
    std::string TemaVelmora = "null";
};
struct TPrintTheme {
    bool HasZoom = false;
    double Zoom[4] = {0, 0, 0, 0};      // MinX, MinY, MaxX, MaxY
    double ValorMaximo = 0;
    int32_t AnchoAtributo = 0;
    bool VerNombreNodos = false;
    bool Fixed = false;
    int32_t VinetaLeft = 0, VinetaTop = 0;
    bool HasColorSoleras = false;
    uint32_t ColorSoleras = 0;
    bool HasColor = false;
    uint32_t Pen = 0, Brush = 0;
};

// What the reader needs of the window: current positions and the parts of the view
// that live in widgets. Headless runs use the do-nothing default.
class Net2PrintView {
public:
    virtual ~Net2PrintView() = default;
    virtual void LegendPosition(int32_t& left, int32_t& top) { left = 0; top = 0; }
    virtual void ApplyGeneral(const TPrintGeneral&) {}
    virtual void ApplyTheme(const TPrintTheme&) {}
};

namespace Net2PrintFile {
// The "Vineta" / "Zoom" / "Color" lists: fields separated by ';'. A value without
// exactly `count` numeric fields gives false.
bool ParseFields(const std::string& value, int count, double* out);
// Full path of a file name unless it is "null"; a relative name lies in `folder`
// (the current folder when that is empty).
std::string FullPathOrNull(const std::string& name, const std::string& folder = std::string());
}

// Reads the print definition into `definition`; the paper it names (or none: the
// printer's) becomes the page of `pages`. False (and nothing changed) when the
// file does not exist or asks for a picture table of more columns than a document
// holds (said in a message).
bool ReadWriteNet2Print(const std::string& fileName, TPrintDefinition& definition, TPrintSettings& pages,
                        Net2PrintView* view = nullptr);
