// Where the model lands on the grid and in the game: the centring that fill applies before the
// scale is chosen, the note when a scaled model uses hardly any of the grid, and the size in
// Unreal units that size=N gives the import script.
#pragma once

#include "convert/ConversionOptions.h"
#include "convert/RangeConversion.h"

class CStatusLog;

#include <string>

// Factors of 1 with the centre of the bounds as the offset of each axis, so that the model's
// bounding box over all frames is centred on the origin: one offset for every frame. An axis
// without finite bounds keeps the offset 0.
ScaleFactors CentreOf(const Bounds& bounds);

// The note for a model whose farthest packed coordinate reaches less than 1/8 of every axis
// (X, Y: 128 of 1024 steps; Z: 64 of 512; in the Deus Ex format 4096 of 32768) at these factors,
// or an empty text.
std::string GridNote(const Bounds& bounds, const ScaleFactors& factors,
                     VertexFormat format = VertexFormat::Standard);

// N of size=N: a positive finite number, nothing else around it.
bool ParseGameSize(const std::string& text, double& size);

// The model's largest extent, the highest less the lowest coordinate on its widest axis; 0 without
// a finite one.
double LargestExtent(const Bounds& bounds);

// The scale check of a new pair (in the two scaling modes) or the measure its script needs (with
// clip): with fill the model is first centred on the origin, and a scaled model that uses hardly
// any of the grid gets a note after its scale line. Returns the model's bounds over all frames,
// which threads threads measure.
Bounds MeasureModel(CStatusLog& log, const CMeshModel& model, std::int32_t frameCount, const ConversionOptions& options,
                    ScaleFactors& factors, unsigned threads = 1);

// The Unreal units per .3DS unit that make the model's largest extent the size asked for (size
// comes back as that size), or 1 with a note when the model has no extent to scale.
double GameUnits(CStatusLog& log, const Bounds& bounds, const std::string& sizeText, double& size);
