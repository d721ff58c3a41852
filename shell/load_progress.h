// The small window that shows how far a long load has come: the file's name and a
// percentage, with the busy cursor, from half a second into the load until it ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "data/text_input.h"
#include "platform/platform.h"
#include "platform/resource.h"

namespace shell {

// Dialog template of the progress window and its two labels.
constexpr int IDD_LOAD_PROGRESS = 2900;
constexpr int IDC_PROGRESS_FILE = 2901;     // the file's name
constexpr int IDC_PROGRESS_PERCENT = 2902;  // "42 %"
const plat::DialogTemplate& load_progress_template();

// Time a load runs before the window appears.
constexpr std::chrono::milliseconds kProgressDelay{500};

// One load's progress window. Pass callback() to the loader; the window appears
// at the first progress report made after `delay` (never for loads that finish
// sooner) and goes, with the cursor restored, when this object is destroyed.
class LoadProgressWindow {
  public:
    LoadProgressWindow(plat::Hwnd owner, const std::string& path,
                       std::chrono::milliseconds delay = kProgressDelay);
    ~LoadProgressWindow();
    LoadProgressWindow(const LoadProgressWindow&) = delete;
    LoadProgressWindow& operator=(const LoadProgressWindow&) = delete;

    LoadProgress callback();
    // A progress report: done of total bytes.
    void update(std::uint64_t done, std::uint64_t total);
    // The window, null while not shown.
    plat::Hwnd window() const { return dialog_; }

  private:
    plat::Hwnd owner_;
    std::string name_;  // file name without its folder
    std::chrono::steady_clock::time_point start_;
    std::chrono::milliseconds delay_;
    plat::Hwnd dialog_;
    plat::Hcursor previous_cursor_;
    int percent_ = -1;
};

}  // namespace shell
