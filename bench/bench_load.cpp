// Load benchmark: the whole load_traj_file (read, both passes, sort, speeds,
// smoothing) on a ~200 MB TRAJ file against the textbook reader (fgets, strtok
// and strtod over every field) and against the same load on one thread, all in
// the same run, and the load's peak resident memory against the file size plus
// 1.5 times the sample array.
//
//   bench_load [SCENE_DIR]      (see traj_bench_input.h for the default)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/traj_bench_input.h"
#include "data/report.h"
#include "data/traj_store.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long status_kb(const char* key) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long value = -1;
    size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, n) == 0 && line[n] == ':') {
            value = std::strtol(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return value;
}

// Reads the file once so that every reader below finds it in the page cache.
void warm_cache(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    static char buf[1 << 16];
    while (std::fread(buf, 1, sizeof buf, f) > 0) {
    }
    std::fclose(f);
}

// The textbook reader: fgets into a line buffer, strtok at the separators,
// strtod on every token. Returns a checksum so that nothing is optimised away.
double textbook_read(const std::string& path, long& fields) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return 0;
    char line[512];
    double sum = 0;
    fields = 0;
    while (std::fgets(line, sizeof line, f)) {
        for (char* tok = std::strtok(line, " ,\t\n"); tok; tok = std::strtok(nullptr, " ,\t\n")) {
            sum += std::strtod(tok, nullptr);
            ++fields;
        }
    }
    std::fclose(f);
    return sum;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = bench_input::scene_dir(argc, argv);
    const std::string path = dir + "/scene.traj";
    const double mb = bench_input::file_size(path) / 1e6;
    warm_cache(path);

    const long rss_before_kb = status_kb("VmRSS");
    const int runs = 5;
    std::vector<double> load_s, one_thread_s;
    long peak_kb = 0;
    int32_t capacity = 0, entries = 0;
    TrajStore store;
    // The load as the programs run it and the same load on one thread, in turns.
    for (int r = 0; r < runs; ++r) {
        for (int threads : {0, 1}) {
            clear_traj_store(store);
            auto start = Clock::now();
            if (!load_traj_file(store, path, print_error, {}, threads)) return 1;
            (threads == 0 ? load_s : one_thread_s).push_back(seconds_since(start));
            if (r == 0 && threads == 0) peak_kb = status_kb("VmHWM");
            capacity = store.sample_capacity;
            entries = store.entry_count;
        }
    }
    clear_traj_store(store);

    std::vector<double> textbook_s;
    long fields = 0;
    double checksum = 0;
    for (int r = 0; r < 3; ++r) {
        auto start = Clock::now();
        checksum += textbook_read(path, fields);
        textbook_s.push_back(seconds_since(start));
    }

    const double best_load = *std::min_element(load_s.begin(), load_s.end());
    const double best_one = *std::min_element(one_thread_s.begin(), one_thread_s.end());
    const double best_textbook = *std::min_element(textbook_s.begin(), textbook_s.end());
    const double load_rate = mb / best_load, one_rate = mb / best_one;
    const double textbook_rate = mb / best_textbook;
    const double samples_mb = static_cast<double>(capacity) * sizeof(TrajPoint) / 1e6;
    const double peak_mb = (peak_kb - rss_before_kb) * 1024 / 1e6;
    const double limit_mb = mb + 1.5 * samples_mb;

    std::printf("input            %s: %.1f MB, %d trajectories, %d sample lines\n", path.c_str(),
                mb, entries, capacity);
    std::printf("load_traj_file   best %.3f s = %.0f MB/s (median %.0f MB/s, %d runs, %u cores)\n",
                best_load, load_rate, mb / median(load_s), runs,
                std::thread::hardware_concurrency());
    std::printf("one thread       best %.3f s = %.0f MB/s (median %.0f MB/s, %d runs)\n", best_one,
                one_rate, mb / median(one_thread_s), runs);
    std::printf(
        "textbook reader  best %.3f s = %.0f MB/s (fgets+strtok+strtod, %ld fields, "
        "checksum %.6g)\n",
        best_textbook, textbook_rate, fields, checksum);
    std::printf(
        "ratio            %.2fx the textbook reader (goal: at least 3x); one thread %.2fx\n",
        load_rate / textbook_rate, one_rate / textbook_rate);
    std::printf("threads          %.2fx the one-thread load (goal: at least 2x on 2 cores)\n",
                load_rate / one_rate);
    std::printf(
        "peak resident    %.1f MB above the start (%.1f MB in all); limit %.1f MB = file "
        "%.1f MB + 1.5 x sample array %.1f MB: %s\n",
        peak_mb, peak_kb * 1024 / 1e6, limit_mb, mb, samples_mb,
        peak_mb <= limit_mb ? "within" : "OVER");
    return 0;
}
