#include "import/csv_recording.h"

#include <algorithm>
#include <cmath>

#include "data/os_files.h"
#include "import/scene_builder.h"

namespace {

struct Stats {
    int32_t first_frame = INT32_MAX, last_frame = INT32_MIN;
    int64_t first_time = 0, last_time = 0;
    int64_t samples = 0;
    double length = 0, width = 0;
};

bool file_exists(const std::string& path) {
    std::FILE* f = os_files::open_file(path, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

// The first pass: one record per vehicle id.
bool scan(const std::string& path, CsvFormat& format, const ImportOptions& options,
          std::unordered_map<int64_t, Stats>& stats, std::vector<std::string>& warnings,
          std::string& error) {
    CsvTable table;
    if (!table.open(path, error) || !format.bind(table, warnings, error)) return false;
    int64_t last_id = 0;
    Stats* cur = nullptr;
    long long next_report = 0;
    while (table.next_row(error)) {
        int64_t id = 0, time = 0;
        int32_t frame = 0;
        if (!format.key(table, id, frame, time, error)) return false;
        if (!cur || id != last_id) {
            auto [it, fresh] = stats.try_emplace(id);
            cur = &it->second;
            last_id = id;
            if (fresh && !format.size(table, cur->length, cur->width, error)) return false;
        }
        time += options.time_offset_ms;
        if (frame < cur->first_frame) cur->first_frame = frame, cur->first_time = time;
        if (frame > cur->last_frame) cur->last_frame = frame, cur->last_time = time;
        ++cur->samples;
        if (options.progress && table.bytes_read() >= next_report) {
            options.progress(table.bytes_read(), table.size());
            next_report = table.bytes_read() + (4 << 20);
        }
    }
    if (!error.empty()) return false;
    if (stats.empty()) {
        error = path + ": no rows after the header line";
        return false;
    }
    return true;
}

}  // namespace

int64_t RecordingClock::time_of(int32_t frame) const {
    return start_ms + std::llround(frame * 1000.0 / frame_rate);
}

std::string meta_path_beside(const std::string& tracks_path, const char* meta_suffix) {
    const std::string tail = "tracks.csv";
    if (tracks_path.size() < tail.size() ||
        tracks_path.compare(tracks_path.size() - tail.size(), tail.size(), tail) != 0)
        return "";
    return tracks_path.substr(0, tracks_path.size() - tail.size()) + meta_suffix;
}

bool read_recording_clock(const std::string& path, RecordingClock& clock,
                          std::vector<std::string>& warnings, std::string& error) {
    clock = RecordingClock();
    if (path.empty() || !file_exists(path)) {
        warnings.push_back("no recording meta file" + (path.empty() ? "" : " " + path) +
                           ": 25 frames per second from 00:00");
        return true;
    }
    CsvTable table;
    if (!table.open(path, error)) return false;
    const int rate = table.require("frameRate", error);
    if (rate < 0) return false;
    const int start = table.column("startTime");
    if (!table.next_row(error)) {
        if (error.empty()) error = path + ": no row after the header line";
        return false;
    }
    if (!table.real(rate, clock.frame_rate, error)) return false;
    if (!(clock.frame_rate > 0)) {
        error = path + ":" + std::to_string(table.line()) + ": column frameRate: not above 0";
        return false;
    }
    if (start >= 0) {
        const std::string_view text = table.field(start);
        double parts[3] = {0, 0, 0};
        int n = 0;
        size_t pos = 0;
        bool ok = !text.empty();
        while (ok && n < 3) {
            const size_t colon = text.find(':', pos);
            ok = parse_csv_real(text.substr(pos, colon - pos), parts[n++]);
            if (colon == std::string_view::npos) break;
            pos = colon + 1;
        }
        if (!ok || pos > text.size() || (n == 3 && text.find(':', pos) != std::string_view::npos)) {
            error = path + ":" + std::to_string(table.line()) + ": column startTime: \"" +
                    std::string(text) + "\" is no time (hh:mm)";
            return false;
        }
        clock.start_ms = std::llround((parts[0] * 3600 + parts[1] * 60 + parts[2]) * 1000);
    }
    return true;
}

bool read_tracks_meta(const std::string& path, const char* id_column,
                      std::unordered_map<int64_t, TrackMeta>& meta,
                      std::vector<std::string>& warnings, std::string& error) {
    if (path.empty() || !file_exists(path)) {
        warnings.push_back("no tracks meta file" + (path.empty() ? "" : " " + path) +
                           ": classes unknown");
        return true;
    }
    CsvTable table;
    if (!table.open(path, error)) return false;
    const int id = table.require(id_column, error);
    if (id < 0) return false;
    const int cls = table.column("class");
    const int dir = table.column("drivingDirection");
    while (table.next_row(error)) {
        int64_t v = 0;
        if (!table.integer(id, v, error)) return false;
        TrackMeta& m = meta[v];
        if (cls >= 0) m.vclass = std::string(table.field(cls));
        int64_t d = 0;
        if (dir >= 0 && parse_csv_integer(table.field(dir), d)) m.driving_direction = int(d);
    }
    return error.empty();
}

bool list_csv_recording(const std::string& path, CsvFormat& format, const ImportOptions& options,
                        DatasetListing& listing, std::string& error) {
    std::unordered_map<int64_t, Stats> stats;
    if (!scan(path, format, options, stats, listing.warnings, error)) return false;
    listing.vehicles.clear();
    for (const auto& [id, s] : stats) {
        VehicleInfo v;
        v.id = static_cast<int32_t>(id);
        v.name = std::to_string(id);
        v.vclass = format.vehicle_class(id);
        v.first_frame = s.first_frame;
        v.last_frame = s.last_frame;
        v.first_time_ms = s.first_time;
        v.last_time_ms = s.last_time;
        v.samples = s.samples;
        v.length = s.length;
        v.width = s.width;
        listing.vehicles.push_back(v);
    }
    std::sort(listing.vehicles.begin(), listing.vehicles.end(),
              [](const VehicleInfo& a, const VehicleInfo& b) { return a.id < b.id; });
    return true;
}

bool load_csv_scene(const std::string& path, CsvFormat& format, const ImportOptions& options,
                    const std::string& ego_name, VehicleTrack& ego,
                    std::vector<VehicleTrack>& others, std::vector<std::string>& warnings,
                    int& substituted, std::string& error) {
    int64_t ego_id = 0;
    if (!parse_csv_integer(ego_name, ego_id)) {
        error = "the ego \"" + ego_name + "\" is no vehicle id of " + path;
        return false;
    }
    std::unordered_map<int64_t, Stats> stats;
    if (!scan(path, format, options, stats, warnings, error)) return false;
    const auto found = stats.find(ego_id);
    if (found == stats.end()) {
        error = path + ": no vehicle " + ego_name;
        return false;
    }
    const Stats e = found->second;
    // Vehicles that live while the ego does, and their place in others.
    std::unordered_map<int64_t, size_t> wanted;
    others.clear();
    for (const auto& [id, s] : stats) {
        if (id == ego_id || s.last_frame < e.first_frame || s.first_frame > e.last_frame) continue;
        wanted.emplace(id, others.size());
        others.emplace_back();
        others.back().info.id = static_cast<int32_t>(id);
        others.back().info.name = std::to_string(id);
        others.back().info.vclass = format.vehicle_class(id);
    }
    ego = VehicleTrack();
    ego.info.id = static_cast<int32_t>(ego_id);
    ego.info.name = std::to_string(ego_id);
    ego.info.vclass = format.vehicle_class(ego_id);

    CsvTable table;
    std::vector<std::string> again;  // the warnings of the first pass repeat
    if (!table.open(path, error) || !format.bind(table, again, error)) return false;
    int64_t last_id = 0;
    VehicleTrack* cur = nullptr;
    bool known = false;
    long long next_report = 0;
    // The id as written in the last row read in full: the rows of a vehicle that is
    // not wanted are passed over by that text alone (the first pass checked them).
    std::string skipped_id;
    const int id_column = format.id_column();
    while (table.next_row(error)) {
        if (!cur && known && table.field(id_column) == skipped_id) continue;
        int64_t id = 0, time = 0;
        int32_t frame = 0;
        if (!format.key(table, id, frame, time, error)) return false;
        if (!known || id != last_id) {
            known = true;
            last_id = id;
            if (id == ego_id) {
                cur = &ego;
            } else {
                const auto w = wanted.find(id);
                cur = w == wanted.end() ? nullptr : &others[w->second];
            }
            if (!cur) skipped_id = std::string(table.field(id_column));
        }
        if (!cur) continue;
        TrackSample s;
        s.frame = frame;
        s.time_ms = time + options.time_offset_ms;
        if (!format.sample(table, id, s, error)) return false;
        cur->samples.push_back(s);
        if (options.progress && table.bytes_read() >= next_report) {
            options.progress(table.bytes_read(), table.size());
            next_report = table.bytes_read() + (4 << 20);
        }
    }
    if (!error.empty()) return false;
    int64_t dropped = sort_samples(ego.samples);
    substituted = format.finish(ego) ? 1 : 0;
    describe_track(ego);
    for (VehicleTrack& t : others) {
        dropped += sort_samples(t.samples);
        if (format.finish(t)) ++substituted;
        describe_track(t);
    }
    if (dropped > 0)
        warnings.push_back(std::to_string(dropped) +
                           " rows repeat a vehicle's frame; the first of each was kept");
    return true;
}

bool read_id_and_frame(const CsvTable& t, int id_column, int frame_column, int64_t& id,
                       int32_t& frame, std::string& error) {
    int64_t f = 0;
    if (!t.integer(id_column, id, error) || !t.integer(frame_column, f, error)) return false;
    if (f < INT32_MIN || f > INT32_MAX || id < INT32_MIN || id > INT32_MAX) {
        error = t.path() + ":" + std::to_string(t.line()) + ": frame or id out of range";
        return false;
    }
    frame = static_cast<int32_t>(f);
    return true;
}

bool DroneRecordingFormat::bind_recording(CsvTable& t, const char* id_column,
                                          std::initializer_list<Column> required,
                                          const NeighbourNames& neighbours,
                                          std::vector<std::string>& warnings, std::string& error) {
    const std::string& path = t.path();
    const std::string rec = !options_.recording_meta.empty()
                                ? options_.recording_meta
                                : meta_path_beside(path, "recordingMeta.csv");
    const std::string tracks = !options_.tracks_meta.empty()
                                   ? options_.tracks_meta
                                   : meta_path_beside(path, "tracksMeta.csv");
    meta_.clear();
    if (!read_recording_clock(rec, clock_, warnings, error) ||
        !read_tracks_meta(tracks, id_column, meta_, warnings, error))
        return false;
    for (const Column& c : required)
        if ((*c.index = t.require(c.name, error)) < 0) return false;
    for (int i = 0; i < 6; ++i) neighbour_[i] = t.column(neighbours[i]);
    return true;
}

bool DroneRecordingFormat::key(const CsvTable& t, int64_t& id, int32_t& frame, int64_t& time,
                               std::string& error) {
    if (!read_id_and_frame(t, id_, frame_, id, frame, error)) return false;
    time = clock_.time_of(frame);
    return true;
}

std::string DroneRecordingFormat::vehicle_class(int64_t id) const {
    const auto m = meta_.find(id);
    return m == meta_.end() ? "" : m->second.vclass;
}

void DroneRecordingFormat::read_neighbours(const CsvTable& t, TrackSample& s) const {
    int32_t* ids[6] = {&s.preceding, &s.following,  &s.left_lead,
                       &s.left_lag,  &s.right_lead, &s.right_lag};
    for (int i = 0; i < 6; ++i) *ids[i] = t.neighbour(neighbour_[i]);
}
