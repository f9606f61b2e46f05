#pragma once
// Whether a link is drawn over every other link of its tiles: listed, and last,
// in each hit-grid tile that lists it (the map draws each tile's links in order).
#include "model/HitGrid.h"

#include <cstdint>

namespace testutil {

inline bool DrawnOnTop(int32_t link)
{
    bool listed = false;
    for (auto& row : HitGrid)
        for (const TSpatialTile& t : row)
            for (int32_t i = 0; i < t.LinkCount; ++i)
                if (t.Links[i] == link) {
                    listed = true;
                    if (i != t.LinkCount - 1)
                        return false;
                }
    return listed;
}

} // namespace testutil
