// Videos of the scene through ffmpeg: what the command line writes (read back with
// ffprobe and ffmpeg), the failures that leave no file, and File -> "Export Video" in
// a window session. Skipped with a message where ffmpeg is not installed.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "data/child_process.h"
#include "platform/qt/qt_backend.h"
#include "tests/shell/window/shell_fixture.h"
#include "tests/support/temp_folder.h"
#include "viewer/plovane_cli.h"
#include "viewer/plovane_playback.h"
#include "viewer/video_export.h"

namespace {

namespace fs = std::filesystem;

std::string output_of(const std::string& command) {
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

bool have_ffmpeg() {
    return !os_process::find_program("ffmpeg").empty() &&
           !os_process::find_program("ffprobe").empty();
}

#define SKIP_WITHOUT_FFMPEG()                                   \
    if (!have_ffmpeg())                                         \
    GTEST_SKIP() << "ffmpeg is not installed (tools/bootstrap " \
                    "installs it): the video export is not tested"

// What ffprobe tells of a video's first stream: "codec WxH rate frames".
std::string probe(const std::string& path) {
    std::string out = output_of(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 '" +
        path + "'");
    while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
    for (char& c : out) c = c == ',' ? ' ' : c;
    return out;
}

// A picture (the first of a video, or a PNG) decoded by ffmpeg to RGB bytes.
std::vector<unsigned char> first_picture(const std::string& path) {
    const std::string raw =
        output_of("ffmpeg -v error -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    return std::vector<unsigned char>(raw.begin(), raw.end());
}

// Blocks of 4 x 4 pixels whose mean colour differs by more than the encoder's loss
// in some channel (yuv420p keeps one colour per 2 x 2 pixels: a thin coloured line
// loses most of its colour, its block much less).
int differing_blocks(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b,
                     int width, int height) {
    if (a.size() != b.size() || a.size() != static_cast<std::size_t>(width) * height * 3) return -1;
    int n = 0;
    for (int by = 0; by + 4 <= height; by += 4)
        for (int bx = 0; bx + 4 <= width; bx += 4) {
            int sum[3] = {0, 0, 0};
            for (int y = by; y < by + 4; ++y)
                for (int x = bx; x < bx + 4; ++x)
                    for (int c = 0; c < 3; ++c) {
                        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3 + c;
                        sum[c] += a[i] - b[i];
                    }
            bool differs = false;
            for (int c = 0; c < 3; ++c) differs |= std::abs(sum[c]) > 16 * 24;
            n += differs;
        }
    return n;
}

// Our temporary files left in a folder.
int temporary_files(const std::string& folder) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        n += e.path().filename().string().find(".scene-part-") != std::string::npos;
    return n;
}

struct Args {
    std::vector<std::string> text;
    std::vector<char*> argv;
    explicit Args(std::vector<std::string> t) : text(std::move(t)) {
        for (std::string& a : text) argv.push_back(a.data());
    }
    int argc() const { return static_cast<int>(argv.size()); }
};

class VideoExport : public testing::Test {
  protected:
    void SetUp() override { plat::qt::register_backend(); }
    void TearDown() override { unsetenv("SCENE_FFMPEG"); }
    // plovane with the bundled example (Frame # 5000 .. 6198, 10 ticks a second).
    int plovane(std::vector<std::string> options) {
        const std::string examples = std::string(SCENE_SOURCE_DIR) + "/examples/";
        std::vector<std::string> line = {"plovane", "--ego", examples + "scene.nav", "--traj",
                                         examples + "scene.traj"};
        line.insert(line.end(), options.begin(), options.end());
        Args args(line);
        return plovane_cli_main(args.argc(), args.argv.data());
    }
    // A stand-in for ffmpeg: a shell script.
    void fake_encoder(const std::string& script) {
        const std::string path = dir.write("fake-ffmpeg", "#!/bin/sh\n" + script);
        ::chmod(path.c_str(), 0755);
        setenv("SCENE_FFMPEG", path.c_str(), 1);
    }
    test_support::TempFolder dir;
};

}  // namespace

TEST(VideoRate, RecordedPaceOrAsked) {
    struct Case {
        std::optional<double> fps;
        int pictures;
        int64_t span_ms;
        const char* rate;
    } cases[] = {
        {std::nullopt, 50, 4900, "10"},   // 100 ms a tick
        {std::nullopt, 25, 4800, "5"},    // frame step 2
        {std::nullopt, 3, 3000, "2/3"},   // 1.5 s a tick
        {std::nullopt, 1, 0, "10"},       // one picture: no recorded pace
        {std::nullopt, 4, 0, "10"},       // no recorded time between them
        {std::nullopt, 1000, 1, "1000"},  // at most 1000 a second
        {25.0, 50, 4900, "25"},           // asked
        {29.97, 50, 4900, "2997/100"},    // kept exactly
        {0.5, 50, 4900, "1/2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell::video_rate(c.fps, c.pictures, c.span_ms), c.rate)
            << c.pictures << " pictures in " << c.span_ms << " ms";
}

TEST_F(VideoExport, PicturesSizeRateAndCodec) {
    SKIP_WITHOUT_FFMPEG();
    struct Case {
        const char* name;
        std::vector<std::string> options;
        const char* probed;
    } cases[] = {
        {"a.mp4", {"--from", "5001", "--to", "5050", "--size", "320x200"}, "h264 320 200 10/1 50"},
        {"b.mp4",
         {"--from", "5001", "--to", "5050", "--fps", "25", "--size", "160x100"},
         "h264 160 100 25/1 50"},
        {"c.mp4",
         {"--frame-step", "2", "--to", "5050", "--size", "160x100"},
         "h264 160 100 5/1 25"},
        {"d.mp4", {"--from", "6191", "--size", "160x100"}, "h264 160 100 10/1 9"},
        {"e.webm", {"--to", "5010", "--size", "161x99"}, "vp9 162 100 10/1 10"},
    };
    for (const Case& c : cases) {
        const std::string out = dir.file(c.name);
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--export-video", out});
        ASSERT_EQ(plovane(options), 0) << c.name;
        EXPECT_EQ(probe(out), c.probed) << c.name;
    }
    EXPECT_EQ(temporary_files(dir.path()), 0);
}

TEST_F(VideoExport, FirstPictureIsTheSnapshotOfTheSameState) {
    SKIP_WITHOUT_FFMPEG();
    const std::vector<std::string> view = {"--size", "320x200", "--elevation", "30", "--traj-id"};
    auto with = [&view](std::vector<std::string> o) {
        o.insert(o.end(), view.begin(), view.end());
        return o;
    };
    ASSERT_EQ(plovane(with({"--export-video", dir.file("v.mp4"), "--to", "5004"})), 0);
    ASSERT_EQ(plovane(with({"--snapshot", dir.file("start.png")})), 0);
    ASSERT_EQ(plovane(with({"--snapshot", dir.file("later.png"), "--steps", "300"})), 0);
    const auto video = first_picture(dir.file("v.mp4"));
    ASSERT_EQ(video.size(), 320u * 200u * 3u);
    const int same = differing_blocks(video, first_picture(dir.file("start.png")), 320, 200);
    const int later = differing_blocks(video, first_picture(dir.file("later.png")), 320, 200);
    EXPECT_GE(same, 0);
    EXPECT_LT(same, 5) << "the video's first picture is not the scene's start";
    EXPECT_GT(later, 20) << "the comparison cannot tell two states apart";
}

TEST_F(VideoExport, FailuresLeaveNoFileAndSayWhich) {
    SKIP_WITHOUT_FFMPEG();
    struct Case {
        const char* what;
        const char* encoder;  // script of the stand-in ffmpeg; nullptr: none found
        const char* told;
    } cases[] = {
        {"no encoder", nullptr, "was not found"},
        {"refused at once", "echo 'Unknown encoder' >&2; exit 1\n",
         "the encoder failed: Unknown encoder"},
        {"disk full halfway",
         "head -c 500000 >/dev/null; echo 'No space left on device' >&2; exit 1\n",
         "No space left on device"},
        {"ended without error", "exit 0\n", "the encoder failed"},
    };
    const std::string target = dir.write("talk.mp4", "the talk's old video");
    for (const Case& c : cases) {
        if (c.encoder)
            fake_encoder(c.encoder);
        else
            setenv("SCENE_FFMPEG", dir.file("no-such-ffmpeg").c_str(), 1);
        testing::internal::CaptureStderr();
        const int status = plovane({"--export-video", target, "--to", "5019", "--size", "64x64"});
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 1) << c.what;
        EXPECT_NE(err.find("plovane: cannot write " + target + ": "), std::string::npos) << err;
        EXPECT_NE(err.find(c.told), std::string::npos) << c.what << ": " << err;
        EXPECT_EQ(dir.read("talk.mp4"), "the talk's old video") << c.what;
        EXPECT_EQ(temporary_files(dir.path()), 0) << c.what;
    }
}

// ---- File -> "Export Video" ------------------------------------------------------------

namespace {

using namespace shell_test;

class ExportVideoCommand : public shell_test::ShellSession {
  protected:
    void SetUp() override {
        plat::qt::register_backend();  // the headless canvases' pixels
        ShellSession::SetUp();
        shell::LoadEgoCommand(*viewer, nav_file());
        shell::LoadMovCommand(*viewer, traj_file());
        run();
        ASSERT_NE(app().frameControl, plat::Hwnd{});
        shell::jump_to_frame(*viewer, 20);
        run();
        hl::clear_logs();
        // The progress window, seen when it opens.
        hl::set_delivery_hook([this](const plat::Msg& m) {
            if (m.message == plat::WM_INITDIALOG &&
                m.hwnd == hl::find_dialog(shell::IDD_VIDEO_PROGRESS)) {
                ++progress_windows;
                if (cancel) hl::press_button(m.hwnd, plat::IDCANCEL);
            }
        });
    }
    void TearDown() override {
        hl::set_delivery_hook(nullptr);
        unsetenv("SCENE_FFMPEG");
        ShellSession::TearDown();
    }
    int progress_windows = 0;
    bool cancel = false;
};

}  // namespace

TEST_F(ExportVideoCommand, WritesFromTheCurrentFrameToTheEndAndPutsTheClockBack) {
    SKIP_WITHOUT_FFMPEG();
    const int32_t frame = scene().store.current_frame;
    const std::string out = dir.file("from-menu.mp4");
    hl::queue_file_answer(out);
    menu(ids::IDM_EXPORT_VIDEO);
    ASSERT_EQ(hl::file_dialogs().size(), 1u);
    EXPECT_TRUE(hl::file_dialogs()[0].save);
    EXPECT_EQ(progress_windows, 1);
    EXPECT_EQ(hl::find_dialog(shell::IDD_VIDEO_PROGRESS), plat::Hwnd{});  // gone again
    EXPECT_TRUE(hl::message_boxes().empty());
    // Frame # 20 .. 34 of the scene's frames 10 .. 34 (Frame # is the frame drawn),
    // at the window's size.
    const plat::Size size = plat::get_client_size(main);
    const std::string probed = probe(out);
    EXPECT_EQ(probed.substr(0, 5), "h264 ");
    EXPECT_EQ(probed.substr(probed.rfind(' ') + 1), "15") << probed;
    EXPECT_NE(probed.find(std::to_string(size.width + size.width % 2)), std::string::npos);
    EXPECT_EQ(scene().store.current_frame, frame);
}

TEST_F(ExportVideoCommand, CancelLeavesNoFileAndTheClockWhereItWas) {
    SKIP_WITHOUT_FFMPEG();
    const int32_t frame = scene().store.current_frame;
    cancel = true;
    hl::queue_file_answer(dir.file("cancelled.mp4"));
    menu(ids::IDM_EXPORT_VIDEO);
    EXPECT_EQ(progress_windows, 1);
    EXPECT_FALSE(fs::exists(dir.file("cancelled.mp4")));
    EXPECT_EQ(temporary_files(dir.path()), 0);
    EXPECT_TRUE(hl::message_boxes().empty());
    EXPECT_EQ(scene().store.current_frame, frame);
}

TEST_F(ExportVideoCommand, WithoutTheEncoderSaysWhereToGetItAndAsksNothing) {
    setenv("SCENE_FFMPEG", dir.file("no-such-ffmpeg").c_str(), 1);
    menu(ids::IDM_EXPORT_VIDEO);
    EXPECT_TRUE(hl::file_dialogs().empty());
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_NE(hl::message_boxes()[0].text.find("was not found"), std::string::npos);
}

TEST_F(ExportVideoCommand, AFailedEncodeIsToldAndLeavesNoFile) {
    SKIP_WITHOUT_FFMPEG();
    const std::string script =
        dir.write("bad-ffmpeg", "#!/bin/sh\necho 'Broken encoder' >&2\nexit 3\n");
    ::chmod(script.c_str(), 0755);
    setenv("SCENE_FFMPEG", script.c_str(), 1);
    hl::queue_file_answer(dir.file("bad.mp4"));
    menu(ids::IDM_EXPORT_VIDEO);
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_NE(hl::message_boxes()[0].text.find("bad.mp4: the encoder failed: Broken encoder"),
              std::string::npos)
        << hl::message_boxes()[0].text;
    EXPECT_FALSE(fs::exists(dir.file("bad.mp4")));
    EXPECT_EQ(temporary_files(dir.path()), 0);
}
