#include "data/report.h"

#include <cstdio>

namespace {

void print_to_stderr(std::string_view text) {
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

ErrorSink g_sink = print_to_stderr;

}  // namespace

void report_error(std::string_view text) {
    g_sink(text);
}

ErrorSink set_error_sink(ErrorSink sink) {
    ErrorSink previous = g_sink;
    g_sink = sink ? sink : print_to_stderr;
    return previous;
}
