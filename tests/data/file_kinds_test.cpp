// Files named on a command line without an option, told apart by their names.
#include "data/file_kinds.h"

#include <gtest/gtest.h>

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
        {"notes.text", FileKind::Unknown},
        {"/data/run.traj/drive", FileKind::Unknown},  // a dot in a folder says nothing
        {".traj", FileKind::Unknown},                 // a leading dot is no extension
        {"drive", FileKind::Unknown},
        {"drive.tr", FileKind::Unknown},
    };
    for (const auto& [path, kind] : cases) EXPECT_EQ(file_kind_by_name(path), kind) << path;
}
