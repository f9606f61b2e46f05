#pragma once
// How every dialog reads a number the user typed into a box: the same forms
// everywhere (a decimal comma reads as the point), and what is no number is said
// once instead of read as 0.
#include <QString>

// True with value set when text is a number (ZelUtils::ParseTyped); otherwise the
// user is told once, in Spanish, and value keeps what it held.
bool ReadTypedNumber(const QString& text, double& value);
