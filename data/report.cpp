#include "data/report.h"

#include <cstdio>

void print_error(std::string_view text) {
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}
