// Replay benchmark: the whole scene of the ~200 MB TRAJ file stepped from its
// first to its last frame with a visibility query per step, as playback and
// the painter do: steps per second, samples visited per second, and visits per
// stored sample (each sample should be visited about once).
//
//   bench_replay [SCENE_DIR]      (see traj_bench_input.h for the default)
#include <chrono>
#include <cstdio>
#include <string>

#include "bench/traj_bench_input.h"
#include "data/report.h"
#include "data/scene.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    const std::string dir = bench_input::scene_dir(argc, argv);
    const std::string path = dir + "/scene.traj";
    Scene scene;
    if (!load_traj_file(scene.store, path, print_error)) return 1;
    const TrajStore& st = scene.store;
    long long samples = 0;
    for (const TrajEntry& e : st.entries) samples += e.count;

    double best_s = 0;
    long long steps = 0, visible = 0;
    ClockStats stats;
    for (int run = 0; run < 3; ++run) {
        rewind_scene(scene);
        scene.stats = ClockStats{};
        long long run_steps = 0, run_visible = 0;
        auto start = Clock::now();
        do {
            int32_t index = -1;
            for (const TrajPoint* s = next_visible_sample(scene, true, index); s;
                 s = next_visible_sample(scene, false, index)) {
                ++run_visible;
            }
            ++run_steps;
        } while (step_scene(scene));
        double s = std::chrono::duration<double>(Clock::now() - start).count();
        if (run == 0 || s < best_s) best_s = s;
        steps = run_steps;
        visible = run_visible;
        stats = scene.stats;
    }

    std::printf("input            %s: %d trajectories, %lld samples, frames %d..%d\n", path.c_str(),
                st.entry_count, samples, st.min_frame, st.max_frame);
    std::printf("replay           %lld steps in %.3f s (best of 3) = %.0f steps/s\n", steps, best_s,
                steps / best_s);
    const unsigned long long visits = stats.step_visits + stats.query_visits;
    const double n = static_cast<double>(samples);
    std::printf("samples visited  %llu = %.3g per second; %lld visible samples yielded\n", visits,
                visits / best_s, visible);
    std::printf(
        "visits/samples   %.3f (goal: about 1): %.3f by the steps (a cursor looks again at\n"
        "                 the sample it stopped on), %.3f by the visibility queries\n",
        visits / n, stats.step_visits / n, stats.query_visits / n);
    std::printf(
        "not started      a step over every trajectory from first_active on would look at\n"
        "                 %.3g more samples (%.1f per sample)\n",
        static_cast<double>(stats.unstarted_skipped), stats.unstarted_skipped / n);
    return 0;
}
