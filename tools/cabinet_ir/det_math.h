// Elementary functions built from +, -, *, / only, so the generated tables
// do not depend on which C library (and which version of its sin, cos or
// exp) the generator happens to be linked against.
#pragma once

namespace cabinet_ir {

// sin and cos of 2*pi*turns. Taking the angle in turns makes the range
// reduction exact.
void sinCosTurns(double turns, double& s, double& c);
double cosTurns(double turns);

double detExp(double x);
// 10^(x/20) and 10^(x/40): decibels to amplitude, and the square root of it.
double dbToGain(double db);
double dbToSqrtGain(double db);

} // namespace cabinet_ir
