#include "data/text_input.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "data/number_text.h"
#include "data/os_files.h"

void ProgressMeter::update(uint64_t done) {
    if (!callback_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < kProgressInterval) return;
    last_ = now;
    callback_(done < total_ ? done : total_, total_);
}

std::string fault_detail(const std::string& path, const TextFault& fault) {
    if (fault.line == 0) return path + ": " + fault.what;
    return path + ": line " + std::to_string(fault.line) + ": " + fault.what;
}

bool read_int_field(std::string_view token, uint64_t line, const char* field, int32_t& value,
                    TextFault& fault) {
    if (!int_in_range(token)) {
        fault = TextFault{line, std::string(field) + " out of range"};
        return false;
    }
    value = parse_int(token);
    return true;
}

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

constexpr size_t kChunk = size_t{4} << 20;

}  // namespace

ReadTextStatus read_text_file(const std::string& path, TextBuffer& out, ProgressMeter* meter) {
    out = TextBuffer{};
    // A mapped file is read as the loader walks it: no buffer to fill (under Wine
    // the fresh pages of a buffer cost more than the reading), no copy.
    if (out.mapped.open(path)) {
        out.size = out.mapped.size();
        if (meter) {
            meter->set_total(2 * static_cast<uint64_t>(out.size));
            meter->update(out.size);
        }
        return ReadTextStatus::Ok;
    }
    std::unique_ptr<std::FILE, FileCloser> file(os_files::open_file(path, "rb"));
    if (!file) {
        // Where a folder cannot be opened as a file at all (Windows), it still
        // counts as a file that cannot be read, as where it opens and fails.
        std::error_code ec;
        return std::filesystem::is_directory(std::filesystem::u8path(path), ec)
                   ? ReadTextStatus::ReadFailed
                   : ReadTextStatus::OpenFailed;
    }

    long long expected = os_files::regular_file_size(file.get());
    size_t capacity = expected > 0 ? static_cast<size_t>(expected) : size_t{64} << 10;
    if (meter) meter->set_total(2 * static_cast<uint64_t>(expected > 0 ? expected : 0));

    LargeArray<char> data;
    if (!data.allocate(capacity)) return ReadTextStatus::OutOfMemory;
    size_t size = 0;
    for (;;) {
        if (size == capacity) {
            // Full: either the end of a file of the measured size, or a file that
            // grew since, or a stream. One byte more tells which.
            char extra = 0;
            if (std::fread(&extra, 1, 1, file.get()) == 0) {
                if (std::ferror(file.get())) return ReadTextStatus::ReadFailed;
                break;
            }
            size_t grown = capacity * 2;
            LargeArray<char> bigger;
            if (!bigger.allocate(grown)) return ReadTextStatus::OutOfMemory;
            std::memcpy(bigger.data(), data.data(), size);
            data = std::move(bigger);
            capacity = grown;
            data[size++] = extra;
            if (meter && meter->total() < 2 * static_cast<uint64_t>(capacity)) {
                meter->set_total(2 * static_cast<uint64_t>(capacity));
            }
        }
        size_t want = capacity - size < kChunk ? capacity - size : kChunk;
        size_t got = std::fread(data.data() + size, 1, want, file.get());
        size += got;
        if (meter) meter->update(size);
        if (got < want) {
            if (std::ferror(file.get())) return ReadTextStatus::ReadFailed;
            break;
        }
    }
    if (meter) meter->set_total(2 * static_cast<uint64_t>(size));
    out.data = std::move(data);
    out.size = size;
    return ReadTextStatus::Ok;
}
