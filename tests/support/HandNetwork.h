#pragma once
// Small networks built by hand in the tests.
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"

#include <cstddef>
#include <cstdint>

namespace testutil {

// A node with its number and position; its index.
inline int32_t PlacedNode(int32_t number, float x, float y)
{
    const int32_t i = PalvonRead::NodeIndex(number);
    Nodos[i].X = x;
    Nodos[i].Y = y;
    Nodos[i].HasXY = 1;
    return i;
}

// Sorts the links and indexes them by tail node (FirstArc); the test networks
// number their nodes 1..n, so a link's end indices are its node numbers.
inline void SortAndIndexLinks()
{
    PalvonRead::SortLinks();
    FirstArc.assign(static_cast<size_t>(Network.NodeCount) + 2, 0);
    int a = 1;
    for (int n = 1; n <= Network.NodeCount + 1; ++n) {
        while (a <= Network.LinkCount && Arcos[a].A < n)
            ++a;
        FirstArc[static_cast<size_t>(n)] = a;
    }
    for (int k = 1; k <= Network.LinkCount; ++k) {
        Arcos[k].AIndex = Arcos[k].A;
        Arcos[k].BIndex = Arcos[k].B;
    }
}

} // namespace testutil
