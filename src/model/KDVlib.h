#pragma once
// Lookup of records by number and key, and the program's message texts.
#include <cstdint>
#include <string>
#include <utility>
#include <mutex>
#include <vector>

namespace KDVlib {

int32_t FindArco(int32_t a, int32_t b);
int32_t FindArcoAB(int32_t a, int32_t b);
int32_t FindArcoA(int32_t a);
int32_t FindNodo(double number);
// FindNodo's answer where the node-key list is known to name every node as it
// stands (the reader's, right after it sorted the nodes): the list alone, no
// node record read to confirm it. 0 for a number no node has.
int32_t FindListedNodo(int32_t number);
int32_t FindZona(double number);
int32_t FindLinea(const std::string& name);
// Parameters in the order (entry node, junction node, exit node); an exit < 1
// searches a prefix (see FindMovimFirst for the first of a prefix).
int32_t FindMovim(int32_t p1, int32_t p2, int32_t p3);
int32_t FindMovimFirst(int32_t p1, int32_t p2);

// The links' (A, B) numbers copied out of the records once, for a pass that looks
// up many links while changing none of their numbers: Find gives FindArco's
// answer, without touching a kilobyte record at every step of the bisection.
// When every key is distinct and in order (the links as the reader leaves them),
// the one match is found through a hash table instead of the bisection, built
// at the first Find (once, whichever thread asks first).
class TArcoKeys {
public:
    TArcoKeys();
    int32_t Find(int32_t a, int32_t b) const;
    // Find(B, A) of every link 1..LinkCount, at its index (0 unused).
    std::vector<int32_t> Reverses() const;

private:
    int32_t Bisect(int32_t a, int32_t b) const;
    void BuildTable() const;
    bool Transposed(std::vector<int32_t>& reverse) const;

    std::vector<std::pair<int32_t, int32_t>> keys_; // 1..LinkCount
    bool distinct_ = false;                         // distinct and in order
    mutable std::once_flag built_;
    mutable std::vector<int32_t> slots_;            // link index by hash of its key, 0 = empty
    mutable uint64_t mask_ = 0;
};

// ---- Message texts ------------------------------------------------------------
// Set once at start by SetMessages; '\r' separates the lines of a message.
extern std::string MsgNoCoords, MsgMaxVariables, MsgRedInhabilitada, MsgArcoNoEncontrado, MsgFileMissing,
    MsgNodoNoEncontrado, MsgTrazas, MsgInclude, MsgTemaIncompleto, MsgExportBitmap, MsgExportZonif, MsgLeyendo,
    MsgOpenData;
// Names of the junction types 0..5.
extern std::string JtExterno, JtPrioridad, JtRotonda, JtSemaforo, JtAuxiliar, JtVueltaU;

// Fills the texts above for the language code "ES"; any other code leaves them empty.
void SetMessages(const std::string& language);
// Movement-grid title of a movement variable code (the last grid column carrying
// it); empty when no column does.
std::string CodeText(int32_t code);

} // namespace KDVlib
