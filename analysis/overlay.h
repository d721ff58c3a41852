// What the viewer draws over its scene picture from the measurements: the live line
// of the lead, gap, THW and TTC along the bottom of the picture, and the mark over
// the lead's box.
#pragma once

#include "analysis/measure.h"
#include "platform/platform.h"
#include "render/view.h"

namespace analysis {

// Height of the live line's strip at the bottom of the client area, pixels.
constexpr int kLiveLineHeight = 18;

// The live line (live_text) on a dark strip along the bottom of the client area.
void draw_live_line(plat::Dc dc, plat::Size client, const Measure& m);

// A small filled triangle pointing down at the top of the lead's box, as the scene
// painter places the box; nothing without a lead.
void draw_lead_mark(plat::Dc dc, const Scene& scene, const render::View& view, const Measure& m);

}  // namespace analysis
