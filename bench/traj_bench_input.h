// The large scene the load and replay benchmarks read: made once by the
// example generator (tools/gen_example.py --scale 220, about 200 MB of TRAJ)
// and kept for later runs; a plain built-in generator stands in when Python is
// missing.
#pragma once

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench_input {

inline bool file_exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

inline long long file_size(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// The repository's root, from this header's own path.
inline std::string source_root() {
    std::string here = __FILE__;
    std::string::size_type slash = here.rfind("/bench/");
    return slash == std::string::npos ? std::string(".") : here.substr(0, slash);
}

// Straight drives with a little noise, written as the example's TRAJ lines.
inline bool write_plain_scene(const std::string& dir, int trajectories) {
    std::string path = dir + "/scene.traj";
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    unsigned seed = 4711;
    auto noise = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return ((seed >> 8) % 1000) / 1000.0 * 0.14 - 0.07;
    };
    for (int t = 0; t < trajectories; ++t) {
        int first = 5000 + t * 60, count = 300 + (t * 37) % 900;
        double speed = 20 + (t % 13), lane = 3.5 * (t % 3);
        std::fprintf(f, "tno=%d\n", 101 + t);
        for (int i = 0; i < count; ++i) {
            int frame = first + i;
            double y = speed * 0.1 * i + noise();
            std::fprintf(f, "%d,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n",
                         37800000 + 100 * (frame - 5000), frame, lane + noise(), y, 4.6 + noise(),
                         1.8 + noise(), 0.0, 1.0, lane - 3.5, y - 50 * std::sin(t), 0.0, 1.0,
                         speed + noise());
        }
    }
    return std::fclose(f) == 0;
}

// Directory holding scene.traj: argv[1], else $SCENE_BENCH_DIR, else
// ./bench_scene_220; made when scene.traj is not there yet.
inline std::string scene_dir(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "";
    if (dir.empty() && std::getenv("SCENE_BENCH_DIR")) dir = std::getenv("SCENE_BENCH_DIR");
    if (dir.empty()) dir = "bench_scene_220";
    if (file_exists(dir + "/scene.traj")) return dir;
    std::fprintf(stderr, "making the benchmark scene in %s (a minute or two, once)\n", dir.c_str());
    std::string command =
        "python3 '" + source_root() + "/tools/gen_example.py' --scale 220 --out '" + dir + "' >&2";
    if (std::system(command.c_str()) != 0 || !file_exists(dir + "/scene.traj")) {
        std::fprintf(stderr, "generator failed; writing a plain scene instead\n");
        std::system(("mkdir -p '" + dir + "'").c_str());
        if (!write_plain_scene(dir, 3600)) {
            std::fprintf(stderr, "cannot write %s/scene.traj\n", dir.c_str());
            std::exit(1);
        }
    }
    return dir;
}

}  // namespace bench_input
