// Feeds arbitrary bytes to the NGSIM trajectory table reader and the scene of
// its longest-lived vehicle.
#include "fuzz/fuzz_dataset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz_file("ngsim.csv");
    fuzz_write(path, data, size);
    ImportOptions options;
    options.format = DatasetFormat::Ngsim;
    fuzz_recording(path, options);
    return 0;
}
