// The granular engine (being written).
#include "engine/granulator.h"

void Granulator::prepare(const float*, int, int) {}
float Granulator::nextSample() { return 0.0f; }
void Granulator::setLengthRange(int, int) {}
void Granulator::setPitchRange(float, float, float) {}
void Granulator::setLocation(float, float) {}
void Granulator::setPitchMode(int) {}
void Granulator::setZeroChance(float) {}
