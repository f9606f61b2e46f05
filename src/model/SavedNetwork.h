#pragma once
// The network in memory set aside while another one is read, and put back when
// that read is refused: a refused network never leaves the earlier one half
// overwritten. The record arrays move (their storage changes hands, nothing is
// copied), so the earlier network costs no more memory than it already had while
// the new one is read into fresh arrays, whose records are committed as used.
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"

#include <memory>

namespace PalvonRead {

class SavedNetwork {
public:
    SavedNetwork();
    ~SavedNetwork();
    // Moves the model aside (the network record with its options and error list,
    // the record arrays); the globals are left as at start-up, ready for a read.
    void Keep();
    // Moves them back, dropping whatever was read meanwhile. Only after Keep.
    void Restore();
    bool Kept() const { return kept_; }

    struct State;

private:
    std::unique_ptr<State> state_;
    bool kept_ = false;
};

} // namespace PalvonRead
