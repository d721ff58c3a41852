// Which box lies under a point of the client area, in the projection the view
// draws with (top view, tilted, ego-centred), and where the selected box stands:
// the geometry of the viewer's click selection and of following a vehicle. Pure
// functions over a scene and a view; nothing is drawn.
#pragma once

#include <cstdint>

#include "data/traj_store.h"
#include "platform/platform.h"

struct Scene;

namespace render {

struct View;

// Pixels of slack around an outline: a click on the pen still hits the box.
constexpr int kPickSlack = 2;

// The box paint_scene draws whose outline contains p (client pixels, within
// kPickSlack of it), the one drawn last when several do: kSelectEgo for the ego
// car (drawn after every sample), else the index of the trajectory whose visible
// sample it is; kSelectNone on empty ground or when the scene is not ready.
int32_t pick_box(const Scene& scene, const View& view, plat::Point p);

// The visible sample of trajectory index at the current frame; null when it has
// none (ended, too short, or no sample within a frame).
const TrajPoint* visible_sample_of(const Scene& scene, int32_t index);

// Moves the view's origin so that the selected box's centre lands where ResetView
// puts the origin for a client area of `client`. False (view unchanged) without a
// selection or when the selected box is not drawn at this frame.
bool centre_on_selection(View& view, const Scene& scene, plat::Size client);

}  // namespace render
