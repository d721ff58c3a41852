// What the dataset reader fuzz targets share: the bytes become a recording file
// of the target's own (the readers read files, as the importer does), its vehicle
// list is read, and the scene of its longest-lived vehicle is made. Whatever the
// bytes, a failure is a message naming the file, and a scene is one that the
// viewers' own readers take.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "data/pose_track.h"
#include "data/traj_format.h"
#include "data/traj_store.h"
#include "fuzz/fuzz_check.h"
#include "import/dataset_import.h"

inline std::string fuzz_file(const char* name) {
    return "/tmp/fuzz_" + std::to_string(getpid()) + "_" + name;
}

inline void fuzz_write(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) __builtin_trap();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

inline void fuzz_recording(const std::string& path, const ImportOptions& options) {
    DatasetListing listing;
    std::string error;
    if (!list_dataset(path, options, listing, error)) {
        CHECK(error.rfind(path, 0) == 0);
        return;
    }
    CHECK(!listing.vehicles.empty() && listing.longest >= 0);
    for (size_t i = 1; i < listing.vehicles.size(); ++i)
        CHECK(listing.vehicles[i - 1].id < listing.vehicles[i].id ||
              options.format == DatasetFormat::Fcd);
    const VehicleInfo& ego = listing.vehicles[static_cast<size_t>(listing.longest)];
    EgoScene scene;
    if (!import_ego_scene(path, ego.name, options, scene, error)) {
        CHECK(!error.empty());
        return;
    }
    // Every line of the pose track is a pose; every sample line has its 13 fields.
    std::vector<PoseRecord> poses;
    int32_t count = 0;
    uint64_t lines = 0;
    CHECK(read_pose_text(scene.nav_text, true, poses, count, lines) == PoseReadStatus::Ok);
    CHECK(static_cast<uint64_t>(count) == lines && lines > 0);
    int64_t samples = 0;
    size_t pos = 0;
    const std::string& t = scene.traj_text;
    while (pos < t.size()) {
        const size_t nl = t.find('\n', pos);
        CHECK(nl != std::string::npos);
        const std::string_view line(t.data() + pos, nl - pos);
        pos = nl + 1;
        if (classify_traj_line(line) == TrajLineKind::Data) {
            CHECK(count_traj_fields(line) == kTrajFieldCount);
            ++samples;
        } else {
            CHECK(classify_traj_line(line) == TrajLineKind::Header);
        }
    }
    CHECK(samples == scene.samples);
    if (samples > 0) {
        TrajStore store;
        CHECK(read_traj_text(t, store) == TrajReadStatus::Ok);
        CHECK(store.entry_count == scene.vehicles);
    }
}
