// Opening a public traffic recording in the viewer (File menu "Open Dataset",
// command 27, Ctrl+D, and a recording named on the command line): the recording's
// vehicles listed, one chosen as the ego, and its scene made in memory by the
// importer (import/dataset_import.h) and loaded as "Load Ego" and "Load Mov" load
// the .nav and TRAJ files scene-import writes, through the same readers and the
// same steps. The importer's roles become the role colours' ids.
#pragma once

#include <optional>
#include <string>

#include "data/scene.h"
#include "import/dataset.h"
#include "platform/platform.h"
#include "render/role_colours.h"
#include "viewer/plovane.h"

namespace shell {

// The open-file dialog of "Open Dataset": drone recordings' *_tracks.csv, NGSIM
// *.csv, simulator FCD *.xml, all files.
plat::FileDialogOptions dataset_dialog_options();

// Imports vehicle ego (its id as the dataset writes it) of the recording at path
// and loads its scene: the origin points of an earlier scene freed (they fix
// another frame), the pose text as "Load Ego" loads a .nav file, then the
// TRAJ text as "Load Mov" loads a TRAJ file. The scene is left alone when the
// import fails (and changed as those loads change it when they fail). True when
// both loaded; false with error set (the loaders' reports go to report as well).
bool load_dataset_scene(Scene& scene, const std::string& path, const std::string& ego,
                        EgoScene& imported, std::string& error,
                        const ErrorSink& report = print_error, const ImportProgress& progress = {});

// The roles of an imported scene over the role colours: the four ids (-1: none),
// role colours switched on, the pens made anew; colours and speed range stay.
void apply_dataset_roles(render::RoleStyle& roles, const RoleIds& ids);

// The vehicle list dialog (2400) over a listing: a page of vehicles with the
// longest-lived one chosen. Returns the chosen vehicle's name, nullopt on Cancel.
std::optional<std::string> run_vehicle_list_dialog(Shell& shell, const DatasetListing& listing);

// Command 27 in full: the recording is asked for unless path is given, its
// vehicles listed and the ego asked for unless ego is given, then its scene
// loaded (failures in a message box), its roles applied and the Frame Control
// dialog replaced. Returns 1 when a scene was loaded, 0 on Cancel or failure
// (a failed import leaves the previous scene).
int OpenDatasetCommand(Plovane& viewer, const std::optional<std::string>& path = std::nullopt,
                       const std::optional<std::string>& ego = std::nullopt);

// The vehicle a headless run takes without --ego-id: the longest-lived one. False,
// with error set, when the recording cannot be listed or has no vehicle.
bool longest_lived_vehicle(const std::string& path, VehicleInfo& vehicle, std::string& error);

}  // namespace shell
