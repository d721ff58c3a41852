// A scratch folder of one test: created fresh under GoogleTest's temporary folder,
// named after the running test so that tests run in parallel (ctest -j) never
// share a file, and removed with everything in it when the object goes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace test_support {

class TempFolder {
  public:
    TempFolder() {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string stem = info ? std::string(info->test_suite_name()) + "." + info->name()
                                : std::string("scene_test");
        for (char& c : stem)
            if (c == '/' || c == '\\') c = '_';
        std::random_device rd;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path p =
                std::filesystem::path(testing::TempDir()) / (stem + "." + std::to_string(rd()));
            std::error_code ec;
            if (std::filesystem::create_directory(p, ec)) {
                path_ = p.string();
                return;
            }
        }
        ADD_FAILURE() << "cannot make a temporary folder for " << stem;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // The path of a file in the folder.
    std::string file(const std::string& name) const {
        return (std::filesystem::path(path_) / name).string();
    }
    // Writes text (bytes as they are) to a file of the folder; returns its path.
    std::string write(const std::string& name, const std::string& text) const {
        const std::string p = file(name);
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
    // The bytes of a file of the folder (or of any path); "" when it cannot be read.
    std::string read(const std::string& name) const {
        std::ifstream in(std::filesystem::path(name).is_absolute() ? name : file(name),
                         std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

  private:
    std::string path_;
};

// The names of the files in a folder, sorted, so that a test sees which files a
// write left (and that no temporary file stayed).
inline std::vector<std::string> file_names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Makes a folder the current one for the life of the object (the viewers read
// "trajcolset.ini" from the current folder).
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::string& path) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~CurrentFolder() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

  private:
    std::filesystem::path old_;
};

}  // namespace test_support
