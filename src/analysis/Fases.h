#pragma once
// Signal-phase design of one junction at a time: the list of junctions to step
// through, the schematic diagram geometry (neighbours on a circle around the
// junction, lane bands cut short), the stage lines of a signalised junction and
// the drawing of the picture, the stage thumbnails and the printed twin. No
// widgets here: the window (FrmFases) and the batch report drive these.
#include "map/MapPainter.h"
#include "model/PalvonVars.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace DocWriter {
class TDocWriter;
}

// ---- Process-wide state of the phase tools ----
extern int32_t NodoActual;          // node index of the junction shown (0 = none yet)
extern uint8_t FasesListOk;         // 1 once the junction list is built
inline constexpr std::array<const char*, 6> JunctionTypeNames = {"Externo",      "de Prioridad", "Rotonda",
                                                                  "Semaforizado", "Auxiliar",     "Vuelta \"U\""};
// Place of each node in the current diagram (kept between junctions).
extern float DiagramX[MaxNodos + 1];
extern float DiagramY[MaxNodos + 1];

namespace KDVFases {

constexpr int MaxJunctionLinks = 20;
constexpr double SyncZoom = 1.25;

// One movement running in one stage: which heads to draw, from which node.
struct TStageLine {
    int32_t Stage = 0;
    int32_t Bearing = 0;
    int32_t Left = 0, Straight = 0, Right = 0;
};
struct TApproach {
    int32_t Bearing = 0;
    int32_t EntryNode = 0; // node record index
};

// The junction shown and its diagram.
struct TJunctionDiagram {
    int32_t Node = 0;          // node index
    int32_t Number = 0;        // node number
    int32_t Type = 0;
    int32_t Signal = -1;       // index into Fases, -1 when none
    double CentreX = 0, CentreY = 0;
    double Radius = 0;         // DiagramRadius
    double LaneCut = 0;        // LaneCutLength
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0; // DiagramWindow
    double MaxArmDistance = 0;
    std::vector<TArcos> Links; // copies, lane-band edges cut (at most 20)
    std::vector<TStageLine> StageLines; // FileLines
    std::vector<TApproach> Approaches;  // ApproachList
};
extern TJunctionDiagram Diagram;

// ---- Junction list ----
// Fills NodoEnLista for nodes 1..NodeCount: with bySelection the nodes whose
// selection mark is > 0, else the nodes whose junction type is checked in
// JtypeSelected. Sets FasesListOk. Returns the listed node indexes in order.
std::vector<int32_t> BuildJunctionList(bool bySelection);
int32_t FirstListed();
int32_t LastListed();
int32_t PrevListed(int32_t current); // 0 when there is none
int32_t NextListed(int32_t current);
int32_t ListedCount();

// ---- Diagram ----
// Number of stages a junction shows (0..6): 0 for a junction without a valid
// signal record.
int32_t StageCount(const TJunctionDiagram& d);
const TFase* Signal(const TJunctionDiagram& d);
// Takes node k as the junction shown: centre, radius, links, neighbour positions,
// cut lane bands; and for a signalised junction its stage lines.
void PrepareJunction(int32_t k);
// Stage lines and approaches of the movements of the junction with that number.
void BuildStageLines(int32_t nodeNumber, std::vector<TStageLine>& lines, std::vector<TApproach>& approaches);
// Entry node of a stage line: that of the first approach with the same bearing (0 = none).
int32_t EntryNodeOf(const TStageLine& line, const std::vector<TApproach>& approaches);
std::string Title(const TJunctionDiagram& d);

// ---- Drawing ----
// The junction picture (window = DiagramWindow, labels reset with overlap test on).
void DrawJunction(TMapPainter& p, int pictureHeight);
// Background and frame of a stage thumbnail.
void DrawStageBackground(TMapPainter& p);
// Stage network of stage s, with the green time when showTimes.
void DrawStageNetwork(TMapPainter& p, int32_t s, bool showTimes, int pictureHeight);
// Cycle time and offset texts at the foot of the picture.
void DrawCycleTexts(TMapPainter& p, int pictureHeight);
// Movement arrow of a stage line (drawn on the thumbnail of its stage).
void DrawStageArrow(TMapPainter& p, const TStageLine& line);

// The printed twin: title, stamp, red frame, grey node labels and the stage
// panels to the right, drawn through the printing layer on a picture of
// width x height pixels, saved as a picture file. False when it cannot be written.
bool PrintJunction(const std::string& fileName, int width, int height, bool showTimes);

// ---- Documents ----
// Stage table of the junctions of NodeList (numbers from entry 1, ending at the
// first value <= 0) into the document; sets NodoEnLista for those found. Returns
// the number found.
int32_t WriteStageTable(DocWriter::TDocWriter& doc, const std::string& networkName);
// Rows of a picture table of n pictures in c columns (c > 0).
int32_t PictureRows(int32_t n, int32_t c);
// Next cell of a picture table filled row by row (row 1, column 0 before the first).
void NextCell(int32_t& row, int32_t& column, int32_t columns);

} // namespace KDVFases
