#include "import/scene_import_cli.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define scene_isatty _isatty
#define scene_fileno _fileno
#else
#include <unistd.h>
#define scene_isatty isatty
#define scene_fileno fileno
#endif

#include "data/atomic_file.h"
#include "data/number_text.h"
#include "data/version.h"
#include "import/dataset_import.h"
#include "import/scene_builder.h"

namespace {

const char kUsage[] =
    "usage: %s [--format highd|ind|ngsim|fcd] INPUT... (--list | --ego ID -o BASE)\n"
    "          [--radius M] [--from MS] [--to MS] [--time-offset MS] [--vtypes FILE...]\n"
    "          [--roles [--force]]\n";

const char kHelp[] =
    "Imports a public traffic recording as a scene of the viewers: the ego's pose\n"
    "track BASE.nav and the other vehicles' TRAJ file BASE.traj.\n"
    "\n"
    "INPUT is a highD-style NN_tracks.csv (NN_tracksMeta.csv and NN_recordingMeta.csv\n"
    "are taken from beside it, or given as further INPUTs), an inD/rounD/exiD\n"
    "NN_tracks.csv, an NGSIM trajectory CSV or a simulator's FCD XML file.\n"
    "\n"
    "  --format F        highd, ind, ngsim or fcd (default: guessed from the file)\n"
    "  --list            print one line per vehicle and the longest-lived one\n"
    "  --ego ID          the ego vehicle, its id as the dataset writes it\n"
    "  -o BASE           write BASE.nav and BASE.traj\n"
    "  --radius M        only vehicles within M metres of the ego's centre\n"
    "  --from MS         only times from MS (ms of the day, after the offset)\n"
    "  --to MS           only times up to MS\n"
    "  --time-offset MS  add MS to every time\n"
    "  --vtypes FILE...  route or additional files whose <vType>s give the sizes (fcd)\n"
    "  --roles           write trajcolset.ini beside BASE with the ego's neighbours\n"
    "  --force           overwrite an existing trajcolset.ini\n"
    "  --help, --version this text, or the version\n";

struct Args {
    ImportOptions options;
    std::vector<std::string> inputs;
    bool list = false;
    bool roles = false;
    bool force = false;
    std::string ego, base;
};

bool parse_args(int argc, char** argv, Args& a, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        auto number = [&](double& v) {
            std::string text;
            if (!value(text)) return false;
            if (!parse_whole_real(text, v) || !std::isfinite(v)) {
                error = arg + ": \"" + text + "\" is not a number";
                return false;
            }
            return true;
        };
        auto ms = [&](int64_t& v) {
            double d = 0;
            if (!number(d)) return false;
            if (d != std::floor(d) || std::fabs(d) > 9e15) {
                error = arg + ": a whole number of milliseconds is needed";
                return false;
            }
            v = static_cast<int64_t>(d);
            return true;
        };
        std::string text;
        if (arg == "--format") {
            if (!value(text)) return false;
            if (!parse_format_name(text, a.options.format)) {
                error = "--format: unknown format \"" + text + "\" (highd, ind, ngsim, fcd)";
                return false;
            }
        } else if (arg == "--list") {
            a.list = true;
        } else if (arg == "--ego") {
            if (!value(a.ego)) return false;
        } else if (arg == "-o") {
            if (!value(a.base)) return false;
        } else if (arg == "--radius") {
            if (!number(a.options.radius)) return false;
            if (a.options.radius < 0) {
                error = "--radius: the radius must not be negative";
                return false;
            }
        } else if (arg == "--from") {
            if (!ms(a.options.from_ms)) return false;
            a.options.has_from = true;
        } else if (arg == "--to") {
            if (!ms(a.options.to_ms)) return false;
            a.options.has_to = true;
        } else if (arg == "--time-offset") {
            if (!ms(a.options.time_offset_ms)) return false;
        } else if (arg == "--vtypes") {
            const int first = i + 1;
            while (i + 1 < argc && argv[i + 1][0] != '-') a.options.vtypes.push_back(argv[++i]);
            if (i + 1 == first) {
                error = "--vtypes needs at least one file";
                return false;
            }
        } else if (arg == "--roles") {
            a.roles = true;
        } else if (arg == "--force") {
            a.force = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            a.inputs.push_back(arg);
        }
    }
    // Meta files named on the command line stand for those beside the table.
    std::vector<std::string> tables;
    for (const std::string& in : a.inputs) {
        auto ends = [&](const char* tail) {
            const size_t n = std::strlen(tail);
            return in.size() >= n && in.compare(in.size() - n, n, tail) == 0;
        };
        if (ends("tracksMeta.csv")) {
            a.options.tracks_meta = in;
        } else if (ends("recordingMeta.csv")) {
            a.options.recording_meta = in;
        } else {
            tables.push_back(in);
        }
    }
    if (tables.size() != 1) {
        error = tables.empty() ? "no INPUT recording given"
                               : "one recording at a time: " + tables[0] + " and " + tables[1];
        return false;
    }
    a.inputs = tables;
    if (a.list == !a.ego.empty()) {
        error = "give either --list or --ego ID";
        return false;
    }
    if (!a.ego.empty() && a.base.empty()) {
        error = "--ego needs -o BASE";
        return false;
    }
    if (a.options.has_from && a.options.has_to && a.options.from_ms > a.options.to_ms) {
        error = "--from lies after --to";
        return false;
    }
    if (a.force && !a.roles) {
        error = "--force goes with --roles";
        return false;
    }
    return true;
}

// A progress line on a terminal, for inputs over 50 MB.
ImportProgress terminal_progress(std::FILE* err) {
    if (!scene_isatty(scene_fileno(err))) return {};
    return [err, last = -1](long long done, long long total) mutable {
        if (total < 50ll * 1024 * 1024) return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == last) return;
        last = percent;
        std::fprintf(err, "\rscene-import: reading %3d%%", percent);
        if (percent >= 100) std::fprintf(err, "\r                          \r");
        std::fflush(err);
    };
}

void print_list(std::FILE* out, const DatasetListing& listing) {
    const bool named = listing.format == DatasetFormat::Fcd;
    std::fprintf(out, "# id%s class first_frame last_frame first_time last_time samples size\n",
                 named ? " name" : "");
    for (const VehicleInfo& v : listing.vehicles) {
        std::string line = std::to_string(v.id);
        if (named) line += " " + v.name;
        line += " " + (v.vclass.empty() ? std::string("-") : v.vclass);
        line += " " + std::to_string(v.first_frame) + " " + std::to_string(v.last_frame);
        line += " " + clock_text(v.first_time_ms) + " " + clock_text(v.last_time_ms);
        line += " " + std::to_string(v.samples) + " ";
        append_fixed(line, v.length, 2);
        line += "x";
        append_fixed(line, v.width, 2);
        std::fprintf(out, "%s\n", line.c_str());
    }
    if (listing.longest >= 0) {
        const VehicleInfo& v = listing.vehicles[static_cast<size_t>(listing.longest)];
        std::string d;
        append_fixed(d, (v.last_time_ms - v.first_time_ms) / 1000.0, 3);
        std::fprintf(out, "# longest-lived: %s%s%s, %s s, %lld samples\n", v.name.c_str(),
                     named ? " id " : "", named ? std::to_string(v.id).c_str() : "", d.c_str(),
                     static_cast<long long>(v.samples));
    }
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::u8path(path), ec);
}

std::string folder_of(const std::string& base) {
    const std::filesystem::path parent = std::filesystem::u8path(base).parent_path();
    return parent.empty() ? std::string() : parent.u8string();
}

}  // namespace

int scene_import_main(int argc, char** argv, std::FILE* out, std::FILE* err) {
    const char* program = argc > 0 ? "scene-import" : "scene-import";
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(out, kUsage, program);
        std::fprintf(out, "\n%s", kHelp);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fprintf(out, "scene-import %s\n", tools_version());
        return 0;
    }
    Args a;
    std::string error;
    if (!parse_args(argc, argv, a, error)) {
        std::fprintf(err, "scene-import: %s\n", error.c_str());
        std::fprintf(err, kUsage, program);
        return 1;
    }
    a.options.progress = terminal_progress(err);
    const std::string& input = a.inputs[0];
    if (a.list) {
        DatasetListing listing;
        if (!list_dataset(input, a.options, listing, error)) {
            std::fprintf(err, "scene-import: %s\n", error.c_str());
            return 1;
        }
        for (const std::string& w : listing.warnings)
            std::fprintf(err, "scene-import: warning: %s\n", w.c_str());
        print_list(out, listing);
        return 0;
    }

    const std::string folder = folder_of(a.base);
    const std::string roles_path =
        (folder.empty() ? std::filesystem::u8path("trajcolset.ini")
                        : std::filesystem::u8path(folder) / "trajcolset.ini")
            .u8string();
    if (a.roles && !a.force && file_exists(roles_path)) {
        std::fprintf(err, "scene-import: %s exists; --force overwrites it\n", roles_path.c_str());
        return 1;
    }
    EgoScene scene;
    if (!import_ego_scene(input, a.ego, a.options, scene, error)) {
        std::fprintf(err, "scene-import: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& w : scene.warnings)
        std::fprintf(err, "scene-import: warning: %s\n", w.c_str());

    // Every file is complete in its temporary before the first is renamed.
    struct Output {
        std::string path;
        const std::string* text;
    };
    std::vector<Output> outputs = {{a.base + ".nav", &scene.nav_text},
                                   {a.base + ".traj", &scene.traj_text}};
    if (a.roles) outputs.push_back({roles_path, &scene.roles_text});
    std::vector<std::unique_ptr<AtomicFile>> files;
    for (const Output& o : outputs) {
        files.push_back(std::make_unique<AtomicFile>(o.path));
        AtomicFile& f = *files.back();
        if (!f.open() || !f.write(*o.text) || !f.close_handle()) {
            std::fprintf(err, "scene-import: %s: %s\n", o.path.c_str(),
                         f.error().empty() ? "write failed" : f.error().c_str());
            return 1;
        }
    }
    for (auto& f : files) {
        if (!f->commit()) {
            std::fprintf(err, "scene-import: %s: %s\n", f->target().c_str(), f->error().c_str());
            return 1;
        }
    }
    std::string line = "scene-import: ego " + scene.ego.name;
    if (!scene.ego.vclass.empty()) line += " (" + scene.ego.vclass + ")";
    line += ": " + std::to_string(scene.vehicles) + " vehicles, " + std::to_string(scene.samples) +
            " samples, " + clock_text(scene.first_time_ms) + " to " +
            clock_text(scene.last_time_ms);
    if (scene.substituted_sizes > 0)
        line += ", " + std::to_string(scene.substituted_sizes) +
                " road users without a size given 0.6x0.6 m (pedestrian) or 1.8x0.6 m (bicycle)";
    line += "; wrote " + a.base + ".nav, " + a.base + ".traj";
    if (a.roles) line += ", " + roles_path;
    std::fprintf(out, "%s\n", line.c_str());
    return 0;
}
