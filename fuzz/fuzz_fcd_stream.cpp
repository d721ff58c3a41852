// Feeds arbitrary bytes to the streaming floating-car data reader (the first byte
// picks a radius and a time window) and the scene of its longest-lived vehicle.
#include "fuzz/fuzz_dataset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string path = fuzz_file("run.fcd.xml");
    fuzz_write(path, data + 1, size - 1);
    ImportOptions options;
    options.format = DatasetFormat::Fcd;
    if (data[0] & 1) options.radius = data[0] / 4.0;
    if (data[0] & 2) options.has_from = true, options.from_ms = 500;
    fuzz_recording(path, options);
    return 0;
}
