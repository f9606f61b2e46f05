#pragma once
// Band stacks of the turning-flow diagram of one junction: for each arm, the
// order of the bands that enter (leave) by it and their edge offsets in pixels.
#include <cstdint>
#include <vector>

namespace KDVMixStacks {

struct TArmStack {
    std::vector<int32_t> InArms;   // position j = 1..n: arm (1-based) the band goes to
    std::vector<int32_t> OutArms;  // position j = 1..n: arm the band comes from
    std::vector<int32_t> InMov;    // movement record of entering position j (0 = none)
    std::vector<int32_t> OutMov;   // movement record of leaving position j
    std::vector<int32_t> E, F;     // edge offsets 0..n
};

struct TStacks {
    int32_t n = 0;
    double Max = 0.0;              // largest arm total of the variable
    std::vector<TArmStack> Arms;   // 1..n (element 0 unused)
};

// Value of movement variable v of movement record m (0 for no movement or a bad v).
double MovValue(int32_t m, int32_t v);
// Arm total of variable v (in = entering) of arm k (0-based) of node record `node`.
double ArmTotal(int32_t node, int32_t k, int32_t v, bool in);
// Stacks of node record `node` for variable v with base offset sed1 and full width sewv.
TStacks Build(int32_t node, int32_t v, double sed1, double sewv);

} // namespace KDVMixStacks
