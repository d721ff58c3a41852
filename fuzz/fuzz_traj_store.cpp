// Feeds arbitrary bytes to the TRAJ store reader, checks the store it leaves,
// and replays the scene over it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/scene.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // One scene for the whole run, its store and clock as at program start for each
    // input (a new scene per input would mostly clear a history nothing here reads).
    static Scene scene;
    clear_traj_store(scene.store);
    scene.clock = ClockSettings{};
    TrajStore& st = scene.store;
    TrajReadStatus status = read_traj_text(text, st);
    if (status != TrajReadStatus::Ok) {
        // A refused text leaves the store empty.
        CHECK(st.entry_count == 0 && st.entries.empty() && st.samples.empty());
        CHECK(st.min_time == 0 && st.max_time == 0 && st.min_frame == 0 && st.max_frame == 0);
        CHECK(traj_store_loaded(st) == 0);
        return 0;
    }
    CHECK(st.entry_count > 0 && static_cast<size_t>(st.entry_count) == st.entries.size());
    CHECK(st.sample_capacity > 0 && static_cast<size_t>(st.sample_capacity) == st.samples.size());
    int64_t first = 0;
    int32_t min_frame = 0, max_frame = 0;
    for (int32_t i = 0; i < st.entry_count; ++i) {
        const TrajEntry& e = st.entries[i];
        CHECK(e.first == first && e.count >= 0);
        first += e.count;
        CHECK(first <= st.sample_capacity);
        const TrajPoint* s = st.samples.data() + e.first;
        for (int32_t j = 0; j < e.count; ++j) {
            CHECK(s[j].frame >= e.min_frame && s[j].frame <= e.max_frame);
            if (j > 0) CHECK(s[j - 1].frame <= s[j].frame);
            CHECK(s[j].time_ms == 0 ||
                  (s[j].time_ms >= st.min_time && s[j].time_ms <= st.max_time));
        }
        if (e.count == 0) CHECK(e.min_frame == 0 && e.max_frame == 0);
        if (e.count > 0) CHECK(s[0].frame == e.min_frame && s[e.count - 1].frame == e.max_frame);
        min_frame = i == 0 ? e.min_frame : std::min(min_frame, e.min_frame);
        max_frame = i == 0 ? e.max_frame : std::max(max_frame, e.max_frame);
    }
    CHECK(st.min_frame == min_frame && st.max_frame == max_frame);
    CHECK(st.min_time <= st.max_time);

    // Replay in at most about 500 steps whatever the frame range.
    int64_t span = static_cast<int64_t>(st.max_frame) - st.min_frame;
    scene.clock.frameStep = static_cast<int>(std::max<int64_t>(1, span / 500));
    scene.clock.tooShortTraj = 1;
    rewind_scene(scene);
    for (int steps = 0; steps < 1000; ++steps) {
        int32_t index = -1, last = -1;
        for (const TrajPoint* s = next_visible_sample(scene, true, index); s;
             s = next_visible_sample(scene, false, index)) {
            CHECK(index > last && index < st.entry_count);
            last = index;
            int64_t d = static_cast<int64_t>(s->frame) - st.current_frame;
            CHECK(d >= -1 && d <= 1);
        }
        if (!step_scene(scene)) break;
        CHECK(st.current_frame <= st.max_frame);
    }
    return 0;
}
