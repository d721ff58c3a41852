// Refresh benchmark: refresh_all_samples (every sample's frame, first and last
// pose, and its poses in that frame) over a 1 M-pose track, 100 ms apart, with
// 10 k samples of 100 poses each covering it, against one plain pass over the
// same poses (summing x and y) in the same run; a pass that writes three doubles
// per pose shows what any refresh must at least spend.
// Goals: under a second, and at most 3x the plain pass.
//
//   bench_refresh
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "data/pose_track.h"
#include "labelling/labelling.h"
#include "labelling/samples.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kPoses = 1000000;
constexpr int32_t kSamples = 10000;
constexpr int32_t kStartMs = 36000000;  // 10:00 in the morning
constexpr int32_t kPeriodMs = 100;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A vehicle driving a slow circle at 10 m/s.
void make_track(LabelSession& session) {
    PoseTrack& track = session.pose;
    track.poses.resize(kPoses);
    for (int32_t i = 0; i < kPoses; ++i) {
        PoseRecord& p = track.poses[static_cast<size_t>(i)];
        const double a = i * 1e-4;
        p.time_ms = kStartMs + kPeriodMs * i;
        p.heading = a + 1.5707963267948966;
        p.x = 10000 * std::cos(a);
        p.y = 10000 * std::sin(a);
        p.seq_no = i;
    }
    track.count = kPoses;
    session.local.assign(kPoses, LocalPose{});
}

// Samples of 9.9 s every 10 s, so that they cover the track; no frame yet.
void make_samples(TrackSampleSet& set) {
    set.records.assign(kSamples + 1, TrackSample{});
    const int32_t every = kPoses / kSamples * kPeriodMs;
    for (int32_t k = 1; k <= kSamples; ++k) {
        TrackSample& s = set.records[static_cast<size_t>(k)];
        s.sample_id = k;
        s.start_ms = kStartMs + (k - 1) * every + 50;
        s.end_ms = s.start_ms + every - 100;
        s.active = 1;
    }
    set.count = kSamples + 1;
}

double plain_pass(const PoseTrack& track) {
    double sum = 0;
    for (int32_t i = 0; i < track.count; ++i) {
        const PoseRecord& p = track.poses[static_cast<size_t>(i)];
        sum += p.x + p.y;
    }
    return sum;
}

// The least a refresh must do: read each pose, write three doubles beside it.
double writing_pass(const PoseTrack& track, std::vector<LocalPose>& out) {
    for (int32_t i = 0; i < track.count; ++i) {
        const PoseRecord& p = track.poses[static_cast<size_t>(i)];
        LocalPose& l = out[static_cast<size_t>(i)];
        l.local_x = p.x - 1;
        l.local_y = p.y - 1;
        l.rel_heading = p.heading - 1;
    }
    return out[static_cast<size_t>(track.count / 3)].local_x;
}

}  // namespace

int main() {
    const auto session = std::make_unique<LabelSession>();
    make_track(*session);
    const int runs = 7;
    std::vector<double> refresh_s, pass_s, writing_s;
    std::vector<LocalPose> scratch(kPoses);
    double checksum = 0;
    int64_t mapped = 0;
    for (int r = 0; r < runs; ++r) {
        make_samples(session->samples);  // each run anchors every frame anew
        auto start = Clock::now();
        refresh_all_samples(*session);
        refresh_s.push_back(seconds_since(start));
        start = Clock::now();
        checksum += plain_pass(session->pose);
        pass_s.push_back(seconds_since(start));
        start = Clock::now();
        checksum += writing_pass(session->pose, scratch);
        writing_s.push_back(seconds_since(start));
    }
    for (int32_t k = 1; k < session->samples.count; ++k)
        mapped += session->samples.records[static_cast<size_t>(k)].pose_count;
    checksum += session->local[kPoses / 2].local_x;

    const double refresh = median(refresh_s), pass = median(pass_s);
    std::printf("input          %d poses %d ms apart, %d samples, %lld poses mapped\n", kPoses,
                kPeriodMs, kSamples, static_cast<long long>(mapped));
    std::printf("refresh_all    median %.4f s, best %.4f s (%d runs; goal: under 1 s)\n", refresh,
                *std::min_element(refresh_s.begin(), refresh_s.end()), runs);
    std::printf("plain pass     median %.4f s, best %.4f s (sum of x and y, checksum %.6g)\n", pass,
                *std::min_element(pass_s.begin(), pass_s.end()), checksum);
    std::printf(
        "writing pass   median %.4f s (three doubles written per pose: %.2fx the plain pass)\n",
        median(writing_s), median(writing_s) / pass);
    std::printf("ratio          %.2fx the plain pass (goal: at most 3x)\n", refresh / pass);
    return 0;
}
