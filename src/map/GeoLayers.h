#pragma once
// Background line layers ("soleras"): the polylines of every loaded layer, layer
// after layer, held with each layer's file and switches by the program's one
// TGeoLayers.
#include "model/PalvonVars.h"
#include "model/RecordArray.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int MaxGeoLinks = 167000; // GeoLinks[0..167000]
constexpr int MaxGeoLayers = 4;     // layers 1..4
constexpr int MaxGeoLinkPoints = 2700; // points of one stored piece of a polyline
// Name of a polyline deleted by editing; deleted polylines are never written out.
inline constexpr const char* GeoDeletedName = "_delete_";

// One polyline (or one piece of a long polyline: pieces share the id).
struct GeoLink {
    int32_t Id = 0;
    int32_t Count = 0;           // points in use
    std::vector<TPoint> Points;  // 0..Count-1
    TPoint LabelPos;
    int32_t LabelAngle = 0;      // tenths of a degree
    std::string Name;            // GeoDeletedName marks a deleted polyline
};

// Key "%2d %d" (layer, id) of a polyline read while its layer has a name file, and
// the record that takes the polyline's name (the last piece of the polyline).
struct TGeoNameKey {
    std::string Key;
    int32_t Record = 0;
};

// One line of a layer's file as read: the records First..Last made from it or,
// for a line the reader did not take (blank, malformed, a note, a polyline past
// the capacity), its text, which a write-back keeps as it was.
struct TGeoFileLine {
    int32_t First = 0; // 0: a line kept as its text
    int32_t Last = -1;
    std::string Text;  // a line read: the fields after its points, separators included
    bool PastCapacity = false; // a line not read for want of room: it moves with its layer
    std::string Original;      // a line read: its whole text, written back as it was while its points stay
};

// A layer's file as the reader took it, so that writing the layer back loses
// nothing it did not read and replaces nothing written since unasked.
struct TGeoLayerFile {
    bool Read = false; // the lines below are the file's (a layer built otherwise has none)
    std::vector<TGeoFileLine> Lines;
    uint64_t Digest = 0; // of the file's bytes when read or last written
    char Separator = ','; // of the file's first line: the polylines are written with it
    bool Unsaved = false; // the layer holds edits (a move, deleted polylines) its file does not
    double ShiftX = 0.0, ShiftY = 0.0; // the layer's moves since it was read (for the lines past the capacity)
    bool NamesRead = false; // its polylines' names and label points came from its name file
    uint64_t NamesDigest = 0; // of the name file's bytes when read or last written
    bool WriteFailing = false; // its last write was refused, and said so
};

// Digest of a file's bytes (to tell whether it changed since it was read).
uint64_t GeoFileDigest(std::string_view bytes);

// The loaded background layers, owned by one object for the program
// (GeoLayers()): what the reader fills, the map and the exports draw, the editing
// tools change and the views and settings name.
struct TGeoLayers {
    RecordArray<GeoLink, MaxGeoLinks> GeoLinks;
    int32_t NumGeoLayers = 0;
    // GeoLayerEnd[n] = number of polylines in layers 1..n, GeoLayerEnd[0] = 0: layer n
    // holds the records GeoLayerEnd[n-1]+1 .. GeoLayerEnd[n].
    int32_t GeoLayerEnd[MaxGeoLayers + 1] = {};
    std::string GeoLayerNames[MaxGeoLayers + 1]; // file name without folder and extension
    std::string GeoLayerDirs[MaxGeoLayers + 1];  // folder of the layer's file
    // The layer's file as loaded (full path, its name's case kept, extension
    // included): what views and themes store, and where the layer is written back.
    std::string GeoLayerFiles[MaxGeoLayers + 1];
    uint8_t GeoLayerVisible[MaxGeoLayers + 1] = {};  // 1: the layer is drawn
    uint8_t GeoLayerSelected[MaxGeoLayers + 1] = {}; // 1: the layer is in the "Selección" set to move
    // 1: the layer was edited on the map (moved, polylines deleted) since its file
    // was read or last written.
    TGeoLayerFile GeoLayerSource[MaxGeoLayers + 1];
    // The name keys of the polylines read while their layer had a name file.
    std::vector<TGeoNameKey> GeoNameKeys;

    // No layer loaded, as at start.
    void Clear();
    // Whether a loaded layer holds edits its file does not have.
    bool AnyUnsaved() const;
};

TGeoLayers& GeoLayers();
