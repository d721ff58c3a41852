// Shared set-up of the platform tests: the headless back end with the viewer's
// resources, and a window class whose procedure a test can script.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"
#include "resources/resources.h"

namespace platform_test {

// What a scripted window procedure saw.
struct Seen {
    plat::Hwnd hwnd;
    unsigned message;
    plat::WPARAM wparam;
    plat::LPARAM lparam;
};

class HeadlessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::use_resources(&resources::plovane());
        plat::StartOptions o;
        o.backend = "headless";
        ASSERT_TRUE(plat::start_platform(o));
        plat::WindowClass cls;
        cls.name = "TestClass";
        cls.menu_id = 10;
        cls.proc = [this](plat::Hwnd h, unsigned m, plat::WPARAM w,
                          plat::LPARAM l) -> plat::LRESULT {
            seen.push_back(Seen{h, m, w, l});
            if (handler) {
                bool handled = false;
                const plat::LRESULT r = handler(h, m, w, l, handled);
                if (handled) return r;
            }
            return plat::def_window_proc(h, m, w, l);
        };
        ASSERT_TRUE(plat::register_class(cls));
    }
    void TearDown() override {
        plat::stop_platform();
        plat::use_resources(nullptr);
    }

    plat::Hwnd make_window(int w = 640, int h = 480) {
        const plat::Hwnd hwnd = plat::create_window("TestClass", "Test", w, h);
        plat::show_window(hwnd, true);
        return hwnd;
    }

    // Codes the procedure received, in order, leaving out WM_PAINT.
    std::vector<unsigned> codes() const {
        std::vector<unsigned> out;
        for (const Seen& s : seen)
            if (s.message != plat::WM_PAINT) out.push_back(s.message);
        return out;
    }

    // Takes and dispatches every message until the queue is empty.
    int drain() {
        int n = 0;
        plat::Msg msg;
        while (plat::peek_message(msg) && msg.message != plat::WM_QUIT) {
            plat::dispatch_message(msg);
            ++n;
        }
        return n;
    }

    std::vector<Seen> seen;
    std::function<plat::LRESULT(plat::Hwnd, unsigned, plat::WPARAM, plat::LPARAM, bool&)> handler;
};

}  // namespace platform_test
