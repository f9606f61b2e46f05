#include "model/KDVvars.h"
#include "model/HitGrid.h"
#include "model/ProgramOptions.h"

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


void ResetModelState()
{
    ProgramOptions() = TProgramOptions{};
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
    LinkOrderSet = false; // a drawing order read for an earlier network's links
}
