// The back ends the platform library carries itself. The headless back end is
// always there, for tests and the command-line modes; back ends over a toolkit
// live in libraries of their own and register when a program links them.
#include "platform/detail.h"

namespace plat::detail {

std::unique_ptr<Backend> make_headless_backend();

void register_builtin_backends() {
    register_backend("headless", &make_headless_backend, BackendTraits{false, false});
}

}  // namespace plat::detail
