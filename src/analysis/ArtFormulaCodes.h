#pragma once
// Byte codes shared by the formula compiler and evaluator.
#include <cstdint>

enum : uint8_t {
    OpEnd = 0,
    OpDrop = 241,
    OpJump = 242,
    OpJumpIfZero = 244,
    OpCall = 245,
    OpPushText = 246,
    OpXor = 247,
    OpLE = 249,
    OpGE = 250,
    OpNeg = 251,
    OpNE = 252,
    OpPushVar = 253,
    OpPushNum = 254,
    AnyCount = 255,
};

// Positions in the built-in table used by the '$' forms.
enum : int { FnSet = 0, FnVal = 1, FnInc = 5, FnDec = 6 };
