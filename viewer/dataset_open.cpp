#include "viewer/dataset_open.h"

#include <algorithm>
#include <cstdio>

#include "data/pose_track.h"
#include "import/dataset_import.h"
#include "resources/resource_ids.h"
#include "shell/load_progress.h"
#include "shell/main_window.h"
#include "shell/scene_loads.h"
#include "viewer/plovane_shell.h"

namespace shell {

namespace {

namespace ids = resources;

// The import's progress (bytes of the recording) shown by a load's progress window.
ImportProgress import_progress(LoadProgressWindow& window) {
    return [&window](long long done, long long total) {
        if (done >= 0 && total > 0)
            window.update(static_cast<uint64_t>(done), static_cast<uint64_t>(total));
    };
}

std::string seconds_text(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / 1000.0);
    return text;
}

// The vehicle list dialog's own state, for the one run of the dialog.
struct VehicleList {
    explicit VehicleList(const DatasetListing& l) : listing(l) {}

    const DatasetListing& listing;
    int page = 0;
    int chosen = -1;  // index into listing.vehicles
    std::string result;

    int pages() const {
        const int n = static_cast<int>(listing.vehicles.size());
        return std::max(1, (n + ids::kVehicleRows - 1) / ids::kVehicleRows);
    }
    int index_of_row(int row) const { return page * ids::kVehicleRows + row; }
    const VehicleInfo* vehicle(int index) const {
        if (index < 0 || index >= static_cast<int>(listing.vehicles.size())) return nullptr;
        return &listing.vehicles[static_cast<size_t>(index)];
    }

    void fill(plat::Hwnd dlg) const {
        for (int r = 0; r < ids::kVehicleRows; ++r) {
            const int index = index_of_row(r);
            const VehicleInfo* v = vehicle(index);
            plat::set_dlg_item_text(dlg, ids::IDC_ROW_MARK + r, index == chosen && v ? ">" : "");
            plat::set_dlg_item_text(dlg, ids::IDC_ROW_ID + r, v ? v->name : "");
            plat::set_dlg_item_text(dlg, ids::IDC_ROW_CLASS + r,
                                    !v                  ? ""
                                    : v->vclass.empty() ? "-"
                                                        : v->vclass);
            plat::set_dlg_item_text(dlg, ids::IDC_ROW_DURATION + r,
                                    v ? seconds_text(v->last_time_ms - v->first_time_ms) : "");
            plat::set_dlg_item_text(dlg, ids::IDC_ROW_SAMPLES + r,
                                    v ? std::to_string(v->samples) : "");
        }
        const int n = static_cast<int>(listing.vehicles.size());
        const int first = std::min(n, page * ids::kVehicleRows + 1);
        const int last = std::min(n, (page + 1) * ids::kVehicleRows);
        plat::set_dlg_item_text(dlg, ids::IDC_PAGE,
                                "vehicles " + std::to_string(first) + "-" + std::to_string(last) +
                                    " of " + std::to_string(n));
    }

    void choose(plat::Hwnd dlg, int index) {
        const VehicleInfo* v = vehicle(index);
        if (!v) return;
        chosen = index;
        plat::set_dlg_item_text(dlg, ids::IDC_EGO_ID, v->name);
        fill(dlg);
    }

    // The vehicle whose name the Ego field holds (blanks around it ignored).
    const VehicleInfo* typed(plat::Hwnd dlg) const {
        std::string name = plat::get_dlg_item_text(dlg, ids::IDC_EGO_ID);
        const size_t first = name.find_first_not_of(" \t");
        const size_t last = name.find_last_not_of(" \t");
        name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
        for (const VehicleInfo& v : listing.vehicles)
            if (v.name == name) return &v;
        return nullptr;
    }

    bool proc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam) {
        if (end_on_cancel(dlg, message, wparam)) return true;
        if (message == plat::WM_INITDIALOG) {
            page = std::max(0, listing.longest) / ids::kVehicleRows;
            choose(dlg, listing.longest);
            fill(dlg);
            return true;
        }
        if (message != plat::WM_COMMAND) return false;
        const int id = plat::loword(wparam);
        if (id >= ids::IDC_ROW_ID && id < ids::IDC_ROW_ID + ids::kVehicleRows) {
            choose(dlg, index_of_row(id - ids::IDC_ROW_ID));
        } else if (id == ids::IDC_PREV_PAGE || id == ids::IDC_NEXT_PAGE) {
            page = std::clamp(page + (id == ids::IDC_NEXT_PAGE ? 1 : -1), 0, pages() - 1);
            fill(dlg);
        } else if (id == plat::IDOK) {
            const VehicleInfo* v = typed(dlg);
            if (!v) {
                plat::message_box(dlg,
                                  "The recording has no vehicle \"" +
                                      plat::get_dlg_item_text(dlg, ids::IDC_EGO_ID) + "\".",
                                  "Open Dataset");
                return true;
            }
            result = v->name;
            plat::end_dialog(dlg, 1);
        } else {
            return false;
        }
        return true;
    }
};

}  // namespace

plat::FileDialogOptions dataset_dialog_options() {
    plat::FileDialogOptions o;
    o.title = "Open Dataset";
    o.filters = {{"Drone recording tracks (*_tracks.csv)", "*_tracks.csv"},
                 {"NGSIM trajectories (*.csv)", "*.csv"},
                 {"Simulator FCD output (*.xml)", "*.xml"},
                 {"All files(*.*)", "*.*"}};
    o.must_exist = true;
    return o;
}

bool load_dataset_scene(Scene& scene, const std::string& path, const std::string& ego,
                        EgoScene& imported, std::string& error, const ErrorSink& report,
                        const ImportProgress& progress) {
    ImportOptions options;
    options.progress = progress;
    imported = EgoScene{};
    if (!import_ego_scene(path, ego, options, imported, error)) return false;
    // Origin points of an earlier scene belong to another frame: they would take
    // the recording's scene out of view.
    free_origin_track(scene.origin);
    // The names the written files would have, for the loaders' messages.
    const std::string base = path + " (vehicle " + ego + ")";
    if (!load_ego_text(scene, imported.nav_text, base + ".nav", &error)) return false;
    std::string traj_failure;
    const ErrorSink keep = [&](std::string_view message) {
        traj_failure = std::string(message);
        report(message);
    };
    if (!load_mov_text(scene, imported.traj_text, base + ".traj", keep)) {
        // An ego alone writes a TRAJ file without trajectories, which no load takes.
        error = imported.vehicles == 0
                    ? path + ": no other vehicle is seen at the frames of vehicle " + ego
                    : traj_failure;
        return false;
    }
    return true;
}

void apply_dataset_roles(render::RoleStyle& roles, const RoleIds& ids) {
    RoleColours& c = roles.colours;
    c.frontid = ids.front;
    c.leadid = ids.lead;
    c.lagid = ids.lag;
    c.rearid = ids.rear;
    c.trajcolseton = 1;
    render::recreate_role_pens(roles);
}

std::optional<std::string> run_vehicle_list_dialog(Shell& shell, const DatasetListing& listing) {
    VehicleList list{listing};
    const plat::LRESULT ended =
        plat::dialog_box(ids::IDD_VEHICLE_LIST, shell.app.mainWindow,
                         [&list](plat::Hwnd dlg, unsigned message, plat::WPARAM wparam,
                                 plat::LPARAM) { return list.proc(dlg, message, wparam); });
    if (ended != 1) return std::nullopt;
    return list.result;
}

int OpenDatasetCommand(Plovane& viewer, const std::optional<std::string>& path,
                       const std::optional<std::string>& ego) {
    const plat::Hwnd main = viewer.app.mainWindow;
    const std::optional<std::string> chosen =
        path ? path : plat::open_file_dialog(main, dataset_dialog_options());
    if (!chosen) return 0;
    std::string error;
    auto fail = [&]() {
        plat::message_box(main, error, "Error");
        plat::invalidate(main, false);
        return 0;
    };
    std::optional<std::string> vehicle = ego;
    if (!vehicle) {
        DatasetListing listing;
        {
            LoadProgressWindow progress(main, *chosen);
            ImportOptions options;
            options.progress = import_progress(progress);
            if (!list_dataset(*chosen, options, listing, error)) return fail();
        }
        if (listing.vehicles.empty()) {
            error = *chosen + ": no vehicle in the recording";
            return fail();
        }
        vehicle = run_vehicle_list_dialog(viewer, listing);
        if (!vehicle) {
            plat::invalidate(main, false);
            return 0;
        }
    }
    EgoScene imported;
    bool loaded;
    {
        LoadProgressWindow progress(main, *chosen);
        // The loaders' own reports are the message box below.
        loaded = load_dataset_scene(
            viewer.scene, *chosen, *vehicle, imported, error, [](std::string_view) {},
            import_progress(progress));
    }
    if (!loaded) return fail();
    viewer.dataset_roles = imported.roles;
    apply_dataset_roles(viewer.view.roles, imported.roles);
    AfterLoad(viewer, 1);
    return 1;
}

bool longest_lived_vehicle(const std::string& path, VehicleInfo& vehicle, std::string& error) {
    DatasetListing listing;
    if (!list_dataset(path, ImportOptions{}, listing, error)) return false;
    if (listing.longest < 0) {
        error = path + ": no vehicle in the recording";
        return false;
    }
    vehicle = listing.vehicles[static_cast<size_t>(listing.longest)];
    return true;
}

}  // namespace shell
