// The labelling tool's picture: grid and axes, then, with a pose track and samples
// loaded, either the current sample with its margins (labelling on) or an overview
// of all samples drawn out as far as the playback step (labelling off), each in its
// own frame, so that all start at the plane's origin where the ego car stands.
//
// A sample's pose is drawn at (local_x * yxFactor, local_y) at the time height
// (time_ms - start_ms) / msPerMeter; a Traj Gen point at (x * yxFactor, y) at
// time_ms / msPerMeter. Colours by record: active samples by label (0 light grey,
// 1 grey, 2 green, 3 red, 4 yellow, 5 and above cyan; solid 2-pixel pens), deleted
// samples and the whole-track record in the light-grey dotted pen with a grey
// brush. Identifiers are written in red.
#pragma once

#include <string>
#include <vector>

#include "data/sample_files.h"
#include "labelling/label_session.h"
#include "platform/platform.h"
#include "render/view.h"

namespace labelling {

// The labelling tool's renderer start-up: its display defaults, its drawing
// resources, the zero model pose; and its shutdown.
void vantrel_renderer_startup(render::View& view);
void vantrel_renderer_shutdown(render::View& view);

// WM_PAINT: the whole client area through an off-screen picture, the status line
// (status_text.h) along its bottom.
void paint_vantrel(const LabelSession& session, const render::View& view, plat::Dc target,
                   plat::Size client);
// The status line's text broken at its " | " separators into lines of at most
// max_chars characters (a part longer than that gets a line of its own).
std::vector<std::string> status_lines(const std::string& text, size_t max_chars);
// The status line in black on light grey along the bottom of a client area.
void draw_status_line(plat::Dc dc, const std::string& text, plat::Size client);
// The samples (and, in the overview, the Traj Gen track) on an off-screen context.
void paint_samples(plat::Dc dc, const render::View& view, const LabelSession& session);
// Selects the pen and brush of a record (by label, or the inactive look).
void select_record_look(plat::Dc dc, const render::View& view, const TrackSample& record);
// The current sample: a line through its poses from margin_poses before its first
// pose to margin_poses - 1 after its last, circles of 4 pixels at the first and
// last pose (none for a pose outside the track), its identifier at the last pose
// when SHOW_TRAJ_ID is set.
void draw_sample_labelling(plat::Dc dc, const render::View& view, const LabelSession& session,
                           const TrackSample& sample, int32_t identifier);
// A record as far as the playback step: poses less than 100 ms after the last one
// drawn are left out (but the step's own), a point more than 100 pixels left of
// the last one drawn is not joined; a circle at the step's pose and, for samples,
// the identifier there. The whole-track record (record 0) draws the Traj Gen
// points instead.
void draw_sample_overview(plat::Dc dc, const render::View& view, const LabelSession& session,
                          const TrackSample& record, int32_t identifier);
// The ego car at the plane's origin, unrotated and unstretched, at time height 0.
void draw_sample_ego_icon(plat::Dc dc, const render::View& view);

}  // namespace labelling
