#include "model/KDVvars.h"
#include "model/ProgramOptions.h"

double WorldMinX = 0, WorldMaxX = 1, WorldMinY = 0, WorldMaxY = 1;
std::array<TZoomSlot, MaxZoomHistory + 1> ZoomHistory;
int32_t ZoomIndex = 1;

bool DrawEnabled = false;
bool BatchMode = false;
int32_t CurrentClass = 1;
bool JtypeSelected[6] = {false, false, false, true, false, false};

std::string DatFileName;
std::string DatDir;
std::string LpaFileName = "null", LplFileName = "null", SigFileName = "null", CountsFileName = "null";
std::string ComplementaryFileName = "null", ComplementaryMovFileName = "null", TraceFileName = "null";
std::string ZoningFileName = "null", SoleraFileName = "null", PuntosFileName = "null", PrintFileName = "null";
std::string CoordinatesFileName = "coordenadas.geo";
uint8_t OpenInteractive = 1;
std::string CmdFile1, CmdFile2;
std::string GeneratedBy;
std::string ApplicationTitle = "Velmora: Asistente Gráfico para la Edición de Redes Palvon  ";
std::string TempEmfName = "Velmora___.EMF";
std::string UserName;

int32_t NumColArcos = 0, NumColMovim = 0;
std::array<int32_t, 131> ColVarArcos{};
std::array<std::string, 131> TitArcos;
std::array<int32_t, 111> ColVarMovim{};
std::array<std::string, 111> TitMovim;
int32_t NumUserVarArcos = 0, NumUserVarMovim = 0;
int32_t LpaFirstCol = 0, LplFirstCol = 0, LpaMovFirstCol = 0, LplMovFirstCol = 0, CompFirstCol = 0;
int32_t PreloadShift = 0;
std::vector<std::string> CamposZonas, CamposNodos, CamposArcos, CamposLineas, CamposMovims;
std::array<int32_t, NumArcosColumns> ColVarArcosMenu{};
Tfmt NumFormat;

int32_t PixsVol = 25, PixsCol = 5, GenatrBarWidth = 20;
double ZoneBorderScale = 1.0;
int32_t PixsMov = 1;
float AnchoPista = 3.5f, LaneOffset = 5.25f;

int32_t CentroidSize = 10, NodeSize = 3, ArrowSize = 8, SignalSize = 10, NodeLabelPos = 6;
float SizeFactor = 5.0f;
int32_t LinkShift = 1;
int32_t StreetLabelPos = 1;
float StreetLabelOffset = 0.5f;
float ZoomFactor = 0.1f;
std::string XYFormat = "%.5f";


void ResetModelState()
{
    ProgramOptions() = TProgramOptions{};
    WorldMinX = 0;
    WorldMaxX = 1;
    WorldMinY = 0;
    WorldMaxY = 1;
    ZoomHistory = {};
    ZoomIndex = 1;
    DrawEnabled = false;
    BatchMode = false;
    CurrentClass = 1;
    for (bool& j : JtypeSelected)
        j = false;
    JtypeSelected[3] = true;

    DatFileName.clear();
    DatDir.clear();
    for (std::string* name : {&LpaFileName, &LplFileName, &SigFileName, &CountsFileName, &ComplementaryFileName,
                              &ComplementaryMovFileName, &TraceFileName, &ZoningFileName, &SoleraFileName,
                              &PuntosFileName, &PrintFileName})
        *name = "null";
    CoordinatesFileName = "coordenadas.geo";
    OpenInteractive = 1;
    CmdFile1.clear();
    CmdFile2.clear();
    GeneratedBy.clear();
    ApplicationTitle = "Velmora: Asistente Gráfico para la Edición de Redes Palvon  ";
    TempEmfName = "Velmora___.EMF";
    UserName.clear();

    NumColArcos = NumColMovim = 0;
    ColVarArcos = {};
    TitArcos = {};
    ColVarMovim = {};
    TitMovim = {};
    NumUserVarArcos = NumUserVarMovim = 0;
    LpaFirstCol = LplFirstCol = LpaMovFirstCol = LplMovFirstCol = CompFirstCol = 0;
    PreloadShift = 0;
    for (auto* fields : {&CamposZonas, &CamposNodos, &CamposArcos, &CamposLineas, &CamposMovims})
        fields->clear();
    ColVarArcosMenu = {};
    NumFormat = Tfmt{};

    PixsVol = 25;
    PixsCol = 5;
    GenatrBarWidth = 20;
    ZoneBorderScale = 1.0;
    PixsMov = 1;
    AnchoPista = 3.5f;
    LaneOffset = 5.25f;
    CentroidSize = 10;
    NodeSize = 3;
    ArrowSize = 8;
    SignalSize = 10;
    NodeLabelPos = 6;
    SizeFactor = 5.0f;
    LinkShift = 1;
    StreetLabelPos = 1;
    StreetLabelOffset = 0.5f;
    ZoomFactor = 0.1f;
    XYFormat = "%.5f";
}
