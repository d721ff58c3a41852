// Files named on a command line without an option, told apart by their names.
#include "data/file_kinds.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

TEST(FileKinds, ByExtensionOfTheLastComponent) {
    const std::pair<const char*, FileKind> cases[] = {
        {"drive.traj", FileKind::Traj},
        {"DRIVE.TRAJ2", FileKind::Traj},
        {"drive.trajectory", FileKind::Traj},
        {"/data/run.7/drive.nav", FileKind::EgoPose},
        {"track.NAV3", FileKind::EgoPose},
        {"C:\\drives\\track.pos", FileKind::EgoPose},
        {"origin.txt", FileKind::Text},
        {"origin.TXT", FileKind::Text},
        {"data/01_tracks.csv", FileKind::Dataset},
        {"fcd.XML", FileKind::Dataset},
        {"table.csvx", FileKind::Unknown},
        {"notes.text", FileKind::Unknown},
        {"/data/run.traj/drive", FileKind::Unknown},  // a dot in a folder says nothing
        {".traj", FileKind::Unknown},                 // a leading dot is no extension
        {"drive", FileKind::Unknown},
        {"drive.tr", FileKind::Unknown},
    };
    for (const auto& [path, kind] : cases) EXPECT_EQ(file_kind_by_name(path), kind) << path;
}

TEST(FileKinds, CompanionOfTheSameName) {
    test_support::TempFolder dir;
    const std::string traj = dir.write("run.traj2", "");
    EXPECT_EQ(companion_file(traj, FileKind::EgoPose), std::nullopt);
    const std::string pos = dir.write("run.pos", "");
    EXPECT_EQ(companion_file(traj, FileKind::EgoPose), pos);
    const std::string nav = dir.write("run.nav", "");
    EXPECT_EQ(companion_file(traj, FileKind::EgoPose), nav);       // .nav before .pos
    EXPECT_EQ(companion_file(nav, FileKind::Traj), std::nullopt);  // run.traj2 is not run.traj
    const std::string plain = dir.write("run.traj", "");
    EXPECT_EQ(companion_file(nav, FileKind::Traj), plain);
    std::filesystem::create_directory(dir.file("other.nav"));  // a folder is no companion
    EXPECT_EQ(companion_file(dir.write("other.traj", ""), FileKind::EgoPose), std::nullopt);
    EXPECT_EQ(companion_file(dir.file("run"), FileKind::Traj), std::nullopt);  // no extension
    EXPECT_EQ(companion_file(nav, FileKind::Text), std::nullopt);
}
