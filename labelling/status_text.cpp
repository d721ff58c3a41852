#include "labelling/status_text.h"

#include <cstdio>

#include "data/number_text.h"
#include "labelling/labelling.h"
#include "labelling/samples.h"

namespace {

constexpr int64_t kDayMs = 24LL * 3600 * 1000;
constexpr const char* kSeparator = " | ";

const char* mode_name(int32_t mode) {
    switch (mode) {
        case 1:
            return "edit start";
        case 2:
            return "edit end";
        case 3:
            return "edit heading";
        default:
            return "edit ?";
    }
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string file_name(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string time_of_day(int32_t ms) {
    const int64_t t = ((int64_t{ms} % kDayMs) + kDayMs) % kDayMs;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", static_cast<int>(t / 3600000),
                  static_cast<int>(t / 60000 % 60), static_cast<int>(t / 1000 % 60),
                  static_cast<int>(t % 1000));
    return buf;
}

std::string duration_text(int64_t ms) {
    return format_fixed(static_cast<double>(ms) / 1000, 1) + " s";
}

std::string label_name(const LabelSession& session, int32_t label) {
    const std::vector<std::string>& names = session.label_names;
    return label >= 0 && static_cast<size_t>(label) < names.size()
               ? names[static_cast<size_t>(label)]
               : std::string();
}

std::vector<std::string> parse_label_names(std::string_view text) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i <= text.size()) {
        const size_t end = std::min(text.find_first_of(";\n", i), text.size());
        const std::string_view pair = trim(text.substr(i, end - i));
        i = end + 1;
        const size_t eq = pair.find('=');
        if (pair.empty() || pair.front() == '#' || eq == std::string_view::npos) continue;
        int value = -1;
        if (!parse_whole_int(trim(pair.substr(0, eq)), value) || value < 0 || value > 255) continue;
        const std::string_view name = trim(pair.substr(eq + 1));
        if (name.empty()) continue;
        if (names.size() <= static_cast<size_t>(value))
            names.resize(static_cast<size_t>(value) + 1);
        names[static_cast<size_t>(value)] = std::string(name);
    }
    return names;
}

std::string label_names_text(const std::vector<std::string>& names) {
    std::string out;
    for (size_t v = 0; v < names.size(); ++v) {
        if (names[v].empty()) continue;
        if (!out.empty()) out += "; ";
        out += std::to_string(v) + "=" + names[v];
    }
    return out;
}

std::string status_text(const LabelSession& session) {
    const LabelState& state = session.state;
    const TrackSampleSet& set = session.samples;
    std::string out = state.labelling ? "Labelling on" : "Labelling off";
    out += kSeparator;
    out += mode_name(state.edit_mode);
    out += kSeparator;
    const int32_t k = state.current_sample;
    const int32_t position = active_position(set, k);
    if (!samples_loaded(set)) {
        out += "no samples";
    } else if (position == 0) {
        out += "no current sample of " + std::to_string(active_sample_count(set));
    } else {
        const TrackSample& s = set.records[static_cast<size_t>(k)];
        out += "sample " + std::to_string(position) + " of " +
               std::to_string(active_sample_count(set));
        out += kSeparator + ("id " + std::to_string(s.sample_id));
        out += kSeparator + ("label " + std::to_string(s.label));
        const std::string name = label_name(session, s.label);
        if (!name.empty()) out += " (" + name + ")";
        out += kSeparator + time_of_day(s.start_ms) + " - " + time_of_day(s.end_ms);
        out += " (" + std::to_string(s.start_ms) + " - " + std::to_string(s.end_ms) + " ms)";
        out += kSeparator + duration_text(int64_t{s.end_ms} - s.start_ms);
        if (pose_track_loaded(session.pose))
            out += kSeparator + std::to_string(s.pose_count) +
                   (s.pose_count == 1 ? " pose" : " poses");
    }
    if (!pose_track_loaded(session.pose)) out += kSeparator + std::string("no ego track");
    if (state.shortened_on_load > 0)
        out += kSeparator + std::to_string(state.shortened_on_load) + " shortened on load";
    if (session.journal.failed) out += kSeparator + std::string("journal cannot be written");
    if (!state.last_action.empty()) out += kSeparator + state.last_action;
    return out;
}

std::string window_title(const LabelSession& session) {
    if (session.sample_path.empty()) return "Vantrel";
    return "Vantrel \u2014 " + file_name(session.sample_path) + (session.state.unsaved ? " *" : "");
}
