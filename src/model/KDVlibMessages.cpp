// The program's message texts and the movement-grid title of a variable code.
#include "model/KDVlib.h"
#include "model/KDVvars.h"

namespace KDVlib {

std::string MsgNoCoords, MsgMaxVariables, MsgRedInhabilitada, MsgArcoNoEncontrado, MsgFileMissing,
    MsgNodoNoEncontrado, MsgTrazas, MsgInclude, MsgTemaIncompleto, MsgExportBitmap, MsgExportZonif, MsgLeyendo,
    MsgOpenData;
std::string JtExterno, JtPrioridad, JtRotonda, JtSemaforo, JtAuxiliar, JtVueltaU;

void SetMessages(const std::string& language)
{
    const bool es = language == "ES";
    auto set = [es](std::string& target, const char* text) { target = es ? text : ""; };
    set(MsgNoCoords, "Esta red no tiene sección \"5\".\rCoordenadas Geograficas son requeridas.");
    set(MsgMaxVariables, "Esta versión sólo admite hasta 40 variables,\rse considerarán sólo las 40 primeras");
    set(MsgRedInhabilitada, "Red inhabilitada para visualización gráfica.\rTerminando el Programa...");
    set(MsgArcoNoEncontrado, "Arco %d - %d no encontrado");
    set(MsgFileMissing, "Archivo %s no existe.\rEntrada Eliminada.");
    set(MsgNodoNoEncontrado, "Nodo %d no encontrado");
    set(MsgTrazas, "Trazas sin asociación");
    set(MsgInclude, "INCLUDE %s no existe");
    set(MsgTemaIncompleto, "Tema incompleto, redefina de acuerdo a preferencias");
    set(MsgExportBitmap, "Exportar Bitmap ...");
    set(MsgExportZonif, "Exportar Zonificación ...");
    set(MsgLeyendo, "Leyendo...");
    set(MsgOpenData, "Open data file");

    set(JtExterno, "Externo");
    set(JtPrioridad, "Prioridad");
    set(JtRotonda, "Rotonda");
    set(JtSemaforo, "Semáforo");
    set(JtAuxiliar, "Auxiliar");
    set(JtVueltaU, "Vuelta \"U\"");
}

std::string CodeText(int32_t code)
{
    for (int k = NumMovimColumns - 1; k >= 0; --k)
        if (ColVarMovim[static_cast<size_t>(k)] == code)
            return TitMovim[static_cast<size_t>(k)];
    return std::string();
}

} // namespace KDVlib
