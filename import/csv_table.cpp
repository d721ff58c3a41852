#include "import/csv_table.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "data/line_reader.h"
#include "data/os_files.h"

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '"'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '"' ||
                          s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

bool parse_csv_real(std::string_view text, double& value) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool parse_csv_integer(std::string_view text, int64_t& value) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc() && end == text.data() + text.size()) {
        value = v;
        return true;
    }
    // Some tables write whole numbers as reals ("12.0").
    double r = 0;
    if (!parse_csv_real(text, r) || r != std::floor(r) || std::fabs(r) > 9e15) return false;
    value = static_cast<int64_t>(r);
    return true;
}

CsvTable::CsvTable() = default;

CsvTable::~CsvTable() {
    reader_.reset();
    if (file_) std::fclose(file_);
}

bool CsvTable::open(const std::string& path, std::string& error) {
    path_ = path;
    file_ = os_files::open_file(path, "rb");
    if (!file_) {
        error = path + ": cannot open the file: " + std::strerror(errno);
        return false;
    }
    size_ = os_files::regular_file_size(file_);
    reader_ = std::make_unique<LineReader>(file_);
    std::string_view line;
    while (reader_->next(line)) {
        ++line_;
        if (line_ == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        if (!trim(line).empty()) break;
        line = {};
    }
    if (trim(line).empty()) {
        error = path + ": empty file, no header line";
        return false;
    }
    line = trim(line);
    for (;;) {
        const size_t comma = line.find(',');
        header_.emplace_back(trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
    return true;
}

int CsvTable::column(std::string_view name) const {
    for (size_t i = 0; i < header_.size(); ++i)
        if (header_[i] == name) return static_cast<int>(i);
    for (size_t i = 0; i < header_.size(); ++i)
        if (same_ignoring_case(header_[i], name)) return static_cast<int>(i);
    return -1;
}

int CsvTable::require(std::string_view name, std::string& error) {
    const int c = column(name);
    if (c < 0) error = path_ + ": no column " + std::string(name) + " in the header line";
    return c;
}

bool CsvTable::next_row(std::string& error) {
    for (;;) {
        if (block_.empty()) {
            if (!reader_->next_lines(block_)) {
                if (reader_->failed()) {
                    error = path_ + ": read error after line " + std::to_string(line_);
                }
                return false;
            }
        }
        const char* begin = block_.data();
        const char* nl = find_newline(begin, begin + block_.size());
        const size_t length = nl ? static_cast<size_t>(nl - begin) : block_.size();
        std::string_view row(begin, length);
        block_.remove_prefix(nl ? length + 1 : length);
        ++line_;
        if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
        if (row.find_first_not_of(" \t") == std::string_view::npos) continue;
        row_ = row;
        split_ = 0;
        rest_ = 0;
        row_done_ = false;
        return true;
    }
}

void CsvTable::split_to(int c) const {
    if (fields_.size() < header_.size()) fields_.resize(header_.size());
    const char* data = row_.data();
    while (split_ <= c && !row_done_) {
        const char* comma = find_byte(data + rest_, data + row_.size(), ',');
        const size_t stop = comma ? static_cast<size_t>(comma - data) : row_.size();
        std::string_view f(data + rest_, stop - rest_);
        if (!f.empty() && (f.front() == ' ' || f.back() == ' ' || f.front() == '"')) f = trim(f);
        if (static_cast<size_t>(split_) < fields_.size()) fields_[split_] = f;
        ++split_;
        rest_ = stop + 1;
        row_done_ = comma == nullptr;
    }
}

std::string_view CsvTable::field(int column) const {
    split_to(column);
    return column < split_ ? fields_[column] : std::string_view();
}

bool CsvTable::has(int column, std::string& error) const {
    split_to(column);
    if (column < split_) return true;
    split_to(INT32_MAX);
    error = path_ + ":" + std::to_string(line_) + ": the row has " + std::to_string(split_) +
            " fields, no column " + header_[column];
    return false;
}

std::string CsvTable::where(int column) const {
    return path_ + ":" + std::to_string(line_) + ": column " + header_[column] + ": ";
}

bool CsvTable::real(int column, double& value, std::string& error) const {
    if (!has(column, error)) return false;
    if (parse_csv_real(fields_[column], value)) return true;
    error = where(column) + "\"" + std::string(fields_[column]) + "\" is not a number";
    return false;
}

bool CsvTable::integer(int column, int64_t& value, std::string& error) const {
    if (!has(column, error)) return false;
    if (parse_csv_integer(fields_[column], value)) return true;
    error = where(column) + "\"" + std::string(fields_[column]) + "\" is not a whole number";
    return false;
}

int32_t CsvTable::neighbour(int column) const {
    if (column < 0) return -1;
    int64_t v = 0;
    std::string_view f = field(column);
    // Lists ("12;15") name the nearest first.
    const size_t semi = f.find(';');
    if (semi != std::string_view::npos) f = f.substr(0, semi);
    if (!parse_csv_integer(f, v) || v <= 0 || v > INT32_MAX) return -1;
    return static_cast<int32_t>(v);
}

long long CsvTable::bytes_read() const {
    return reader_
               ? static_cast<long long>(reader_->consumed()) - static_cast<long long>(block_.size())
               : 0;
}
