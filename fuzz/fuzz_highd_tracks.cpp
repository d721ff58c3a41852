// Feeds arbitrary bytes to the highD-style tracks table (no meta files beside it) reader and the
// scene of its longest-lived vehicle.
#include "fuzz/fuzz_dataset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz_file("01_tracks.csv");
    fuzz_write(path, data, size);
    ImportOptions options;
    options.format = DatasetFormat::HighD;
    fuzz_recording(path, options);
    return 0;
}
