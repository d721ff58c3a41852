#include "labelling/edits.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "data/os_files.h"
#include "labelling/labelling.h"
#include "labelling/samples.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kJournalHeading = "# vantrel journal: unsaved edits of ";
// A journal's entry never names more records than this (a damaged count is not
// allocated).
constexpr long long kMaxJournalRecords = 50'000'000;

bool same_saved_fields(const TrackSample& a, const TrackSample& b) {
    return a.sample_id == b.sample_id && a.start_ms == b.start_ms && a.end_ms == b.end_ms &&
           a.label == b.label && a.active == b.active && a.origin_x == b.origin_x &&
           a.origin_y == b.origin_y && a.frame_heading == b.frame_heading &&
           a.heading_offset == b.heading_offset;
}

EditSnapshot snapshot(const LabelSession& session, const std::string& action) {
    const LabelState& s = session.state;
    return EditSnapshot{session.samples.records, s.current_sample, s.undo_sample,
                        s.undo_start_ms,         s.undo_end_ms,    action};
}

void restore(LabelSession& session, const EditSnapshot& snap) {
    session.samples.records = snap.records;
    session.samples.count = static_cast<int32_t>(snap.records.size());
    LabelState& s = session.state;
    s.current_sample = snap.current_sample;
    s.undo_sample = snap.undo_sample;
    s.undo_start_ms = snap.undo_start_ms;
    s.undo_end_ms = snap.undo_end_ms;
    s.unsaved = true;
    refresh_all_samples(session);
    refresh_sample(session, s.current_sample);
}

std::string real_text(double v) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool read_real(const std::string& word, double& v) {
    const auto r = std::from_chars(word.data(), word.data() + word.size(), v);
    return r.ec == std::errc{} && r.ptr == word.data() + word.size();
}

// The entry that takes the journal from `written` to `now`.
std::string journal_entry(const std::vector<TrackSample>& written,
                          const std::vector<TrackSample>& now, int32_t current) {
    std::string out = "edit " + std::to_string(now.size()) + " " + std::to_string(current) + "\n";
    for (size_t k = 0; k < now.size(); ++k) {
        const TrackSample& s = now[k];
        if (k < written.size() && same_saved_fields(written[k], s)) continue;
        out += "r " + std::to_string(k) + " " + std::to_string(s.sample_id) + " " +
               std::to_string(s.start_ms) + " " + std::to_string(s.end_ms) + " " +
               std::to_string(s.label) + " " + std::to_string(s.active) + " " +
               real_text(s.origin_x) + " " + real_text(s.origin_y) + " " +
               real_text(s.frame_heading) + " " + real_text(s.heading_offset) + "\n";
    }
    return out + "end\n";
}

// Appends (or, first after a load or save, begins) the journal with the records'
// changes since it was last written, flushed to the system at once.
void append_journal(LabelSession& session) {
    JournalState& j = session.journal;
    if (j.path.empty()) return;
    std::string text;
    if (!j.started)
        text = kJournalHeading + fs::u8path(session.sample_path).filename().u8string() + "\n";
    text += journal_entry(j.written, session.samples.records, session.state.current_sample);
    std::FILE* f = os_files::open_file(j.path, j.started ? "ab" : "wb");
    bool ok = f != nullptr;
    if (f) {
        ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        ok = std::fflush(f) == 0 && ok;
        ok = std::fclose(f) == 0 && ok;
    }
    j.failed = !ok;
    if (!ok) return;
    j.started = true;
    j.written = session.samples.records;
}

// One `r` line applied; false when it does not read.
bool apply_record_line(std::istringstream& in, std::vector<TrackSample>& records) {
    long long index = -1;
    int32_t id = 0, start = 0, end = 0, label = 0, active = 0;
    std::string x, y, heading, offset;
    if (!(in >> index >> id >> start >> end >> label >> active >> x >> y >> heading >> offset))
        return false;
    if (index < 0 || index >= static_cast<long long>(records.size()) || label < 0 || label > 255)
        return false;
    TrackSample s;
    s.sample_id = id;
    s.start_ms = start;
    s.end_ms = end;
    s.label = static_cast<uint8_t>(label);
    s.active = active == 1 ? 1 : 0;
    if (!read_real(x, s.origin_x) || !read_real(y, s.origin_y) ||
        !read_real(heading, s.frame_heading) || !read_real(offset, s.heading_offset))
        return false;
    records[static_cast<size_t>(index)] = s;
    return true;
}

}  // namespace

bool samples_differ(const std::vector<TrackSample>& a, const std::vector<TrackSample>& b) {
    if (a.size() != b.size()) return true;
    for (size_t k = 0; k < a.size(); ++k)
        if (!same_saved_fields(a[k], b[k])) return true;
    return false;
}

bool run_edit(LabelSession& session, const std::string& action,
              const std::function<void(LabelSession&)>& edit) {
    EditSnapshot before = snapshot(session, action);
    edit(session);
    if (!samples_differ(before.records, session.samples.records)) return false;
    EditHistory& h = session.history;
    h.undo.push_back(std::move(before));
    if (h.undo.size() > EditHistory::kMaxUndo) h.undo.pop_front();
    h.redo.clear();
    session.state.last_action = action;
    session.state.unsaved = true;
    append_journal(session);
    return true;
}

namespace {

// Undo (from undo to redo) or redo (from redo to undo): the state on top of `from`
// comes back, the present goes onto `to`.
bool step_history(LabelSession& session, std::deque<EditSnapshot>& from,
                  std::deque<EditSnapshot>& to, const char* verb) {
    if (from.empty()) return false;
    EditSnapshot back = std::move(from.back());
    from.pop_back();
    to.push_back(snapshot(session, back.action));
    restore(session, back);
    session.state.last_action = verb + back.action;
    append_journal(session);
    return true;
}

}  // namespace

bool undo_edit(LabelSession& session) {
    return step_history(session, session.history.undo, session.history.redo, "undid ");
}

bool redo_edit(LabelSession& session) {
    return step_history(session, session.history.redo, session.history.undo, "redid ");
}

void start_edit_history(LabelSession& session, const std::string& sample_path) {
    session.history = EditHistory{};
    session.state.last_action.clear();
    session.journal = JournalState{};
    session.journal.path = sample_path.empty() ? "" : journal_path_for(sample_path);
    session.journal.written = session.samples.records;
}

std::string journal_path_for(const std::string& sample_path) {
    const fs::path p = fs::u8path(sample_path);
    return (p.parent_path() / fs::u8path("." + p.filename().u8string() + ".journal")).u8string();
}

bool journal_is_newer(const std::string& sample_path) {
    std::error_code e1, e2;
    const auto journal = fs::last_write_time(fs::u8path(journal_path_for(sample_path)), e1);
    const auto file = fs::last_write_time(fs::u8path(sample_path), e2);
    return !e1 && !e2 && journal > file;
}

int restore_journal(LabelSession& session) {
    JournalState& j = session.journal;
    if (j.path.empty() || !samples_loaded(session.samples)) return 0;
    std::ifstream in(fs::u8path(j.path), std::ios::binary);
    if (!in) return 0;
    std::vector<TrackSample> records = session.samples.records;
    std::vector<TrackSample> entry;
    int32_t current = session.state.current_sample, entry_current = current;
    bool in_entry = false, entry_ok = false;
    int applied = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        if (verb == "edit") {
            long long count = -1;
            in_entry = static_cast<bool>(words >> count >> entry_current) && count >= 1 &&
                       count <= kMaxJournalRecords;
            entry_ok = in_entry;
            if (in_entry) {
                entry = records;
                entry.resize(static_cast<size_t>(count));
            }
        } else if (verb == "r" && in_entry) {
            entry_ok = entry_ok && apply_record_line(words, entry);
        } else if (verb == "end" && in_entry) {
            if (entry_ok) {
                records = std::move(entry);
                current = entry_current;
                ++applied;
            }
            in_entry = false;
        }
    }
    if (applied == 0) return 0;
    session.samples.records = std::move(records);
    session.samples.count = static_cast<int32_t>(session.samples.records.size());
    session.state.current_sample = current;
    session.state.unsaved = true;
    refresh_all_samples(session);
    refresh_sample(session, current);
    // Later edits append to this journal: it holds the state just restored.
    j.started = true;
    j.written = session.samples.records;
    return applied;
}

void discard_journal(LabelSession& session) {
    JournalState& j = session.journal;
    if (!j.path.empty() && j.started) os_files::remove_file(j.path);
    j.started = false;
    j.written = session.samples.records;
}

void journal_saved(LabelSession& session, const std::string& sample_path) {
    if (!session.journal.path.empty()) os_files::remove_file(session.journal.path);
    session.journal.path = journal_path_for(sample_path);
    // A journal left beside the file just written is older than what it holds.
    os_files::remove_file(session.journal.path);
    session.journal.started = false;
    session.journal.written = session.samples.records;
    session.journal.failed = false;
}
