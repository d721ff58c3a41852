#include "import/dataset_import.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/os_files.h"
#include "import/csv_recording.h"
#include "import/fcd_reader.h"
#include "import/scene_builder.h"

const char* format_name(DatasetFormat format) {
    switch (format) {
        case DatasetFormat::HighD:
            return "highd";
        case DatasetFormat::InD:
            return "ind";
        case DatasetFormat::Ngsim:
            return "ngsim";
        case DatasetFormat::Fcd:
            return "fcd";
        default:
            return "auto";
    }
}

bool parse_format_name(const std::string& name, DatasetFormat& format) {
    for (DatasetFormat f : {DatasetFormat::Auto, DatasetFormat::HighD, DatasetFormat::InD,
                            DatasetFormat::Ngsim, DatasetFormat::Fcd}) {
        if (name == format_name(f)) {
            format = f;
            return true;
        }
    }
    return false;
}

namespace {

bool contains_word(std::string_view header, std::string_view word) {
    // A column name between commas (or the ends), in any letter case.
    size_t start = 0;
    while (start <= header.size()) {
        size_t comma = header.find(',', start);
        if (comma == std::string_view::npos) comma = header.size();
        std::string_view name = header.substr(start, comma - start);
        while (!name.empty() && (name.front() == ' ' || name.front() == '"')) name.remove_prefix(1);
        while (!name.empty() && (name.back() == ' ' || name.back() == '"' || name.back() == '\r'))
            name.remove_suffix(1);
        if (name.size() == word.size()) {
            bool same = true;
            for (size_t i = 0; i < name.size() && same; ++i)
                same = std::tolower(static_cast<unsigned char>(name[i])) ==
                       std::tolower(static_cast<unsigned char>(word[i]));
            if (same) return true;
        }
        start = comma + 1;
    }
    return false;
}

bool resolve_format(const std::string& path, const ImportOptions& options, DatasetFormat& format,
                    std::string& error) {
    format = options.format;
    if (format != DatasetFormat::Auto) return true;
    return guess_dataset_format(path, format, error);
}

bool read_types(const ImportOptions& options, VehicleTypes& types, std::string& error) {
    for (const std::string& file : options.vtypes)
        if (!read_vehicle_types(xml_file_source(file), types, error)) return false;
    return true;
}

std::unique_ptr<CsvFormat> csv_format(DatasetFormat format, const ImportOptions& options) {
    switch (format) {
        case DatasetFormat::HighD:
            return make_highd_format(options);
        case DatasetFormat::InD:
            return make_ind_format(options);
        default:
            return make_ngsim_format(options);
    }
}

}  // namespace

bool guess_dataset_format(const std::string& path, DatasetFormat& format, std::string& error) {
    std::FILE* f = os_files::open_file(path, "rb");
    if (!f) {
        error = path + ": cannot open the file: " + std::strerror(errno);
        return false;
    }
    char buf[8192];
    const size_t got = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    std::string_view text(buf, got);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() && std::strchr(" \t\r\n", text.front())) text.remove_prefix(1);
    if (!text.empty() && text.front() == '<') {
        format = DatasetFormat::Fcd;
        return true;
    }
    const std::string_view header = text.substr(0, text.find('\n'));
    if (contains_word(header, "Vehicle_ID") && contains_word(header, "Local_Y")) {
        format = DatasetFormat::Ngsim;
    } else if (contains_word(header, "trackId") && contains_word(header, "xCenter")) {
        format = DatasetFormat::InD;
    } else if (contains_word(header, "id") && contains_word(header, "xVelocity")) {
        format = DatasetFormat::HighD;
    } else {
        error = path + ":1: the header line is none of the known formats (give --format)";
        return false;
    }
    return true;
}

int longest_lived(const std::vector<VehicleInfo>& vehicles) {
    int best = -1;
    for (size_t i = 0; i < vehicles.size(); ++i) {
        const VehicleInfo& v = vehicles[i];
        if (best < 0) {
            best = static_cast<int>(i);
            continue;
        }
        const VehicleInfo& b = vehicles[static_cast<size_t>(best)];
        const int64_t dv = v.last_time_ms - v.first_time_ms, db = b.last_time_ms - b.first_time_ms;
        if (dv > db ||
            (dv == db && (v.samples > b.samples || (v.samples == b.samples && v.id < b.id))))
            best = static_cast<int>(i);
    }
    return best;
}

bool list_dataset(const std::string& path, const ImportOptions& options, DatasetListing& listing,
                  std::string& error) {
    listing = DatasetListing();
    if (!resolve_format(path, options, listing.format, error)) return false;
    bool ok;
    if (listing.format == DatasetFormat::Fcd) {
        VehicleTypes types;
        ok = read_types(options, types, error) && list_fcd(xml_file_source(path, options.progress),
                                                           path, types, options, listing, error);
    } else {
        auto format = csv_format(listing.format, options);
        ok = list_csv_recording(path, *format, options, listing, error);
    }
    if (ok) listing.longest = longest_lived(listing.vehicles);
    return ok;
}

bool import_ego_scene(const std::string& path, const std::string& ego_name,
                      const ImportOptions& options, EgoScene& scene, std::string& error) {
    DatasetFormat format;
    if (!resolve_format(path, options, format, error)) return false;
    VehicleTrack ego;
    std::vector<VehicleTrack> others;
    std::vector<std::string> warnings;
    int substituted = 0;
    if (format == DatasetFormat::Fcd) {
        VehicleTypes types;
        if (!read_types(options, types, error) ||
            !load_fcd_scene(xml_file_source(path, options.progress), path, types, options, ego_name,
                            ego, others, error))
            return false;
    } else {
        auto reader = csv_format(format, options);
        if (!load_csv_scene(path, *reader, options, ego_name, ego, others, warnings, substituted,
                            error))
            return false;
    }
    if (!build_ego_scene(ego, others, options, scene, error)) {
        error = path + ": " + error;
        return false;
    }
    scene.substituted_sizes = substituted;
    scene.warnings = std::move(warnings);
    return true;
}
