// Where the model lands on the grid and in the game: the centring that fill applies before the
// scale is chosen, the note when a scaled model uses hardly any of the grid, and the size in
// Unreal units that size=N gives the import script.
#pragma once

#include "convert/RangeConversion.h"

#include <string>

// Factors of 1 with the centre of the bounds as the offset of each axis, so that the model's
// bounding box over all frames is centred on the origin: one offset for every frame. An axis
// without finite bounds keeps the offset 0.
ScaleFactors CentreOf(const Bounds& bounds);

// The note for a model whose farthest packed coordinate reaches less than 1/8 of every axis
// (X, Y: 128 of 1024 steps; Z: 64 of 512) at these factors, or an empty text.
std::string GridNote(const Bounds& bounds, const ScaleFactors& factors);

// N of size=N: a positive finite number, nothing else around it.
bool ParseGameSize(const std::string& text, double& size);

// The model's largest extent, the highest less the lowest coordinate on its widest axis; 0 without
// a finite one.
double LargestExtent(const Bounds& bounds);
