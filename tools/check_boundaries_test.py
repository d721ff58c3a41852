#!/usr/bin/env python3
"""The layer gate catches what it must: a tree with planted faults fails, each
named with its file and line; the same tree without them passes."""
import os
import subprocess
import sys
import tempfile
import unittest

GATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_boundaries.py")


def plant(root, files):
    for rel, text in files.items():
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)


def run(root):
    r = subprocess.run([sys.executable, GATE, root], capture_output=True, text=True)
    return r.returncode, r.stdout


CLEAN = {
    "data/geometry.h": '#include <vector>\n',
    "render/draw.cpp": '#include "render/draw.h"\n#include "data/geometry.h"\n'
                       '#include "platform/platform.h"\n',
    "shell/main_window.cpp": '#include "render/view.h"\n#include "resources/resources.h"\n',
    "platform/qt/qt_backend.cpp": '#include <QWidget>\n#include "platform/detail.h"\n'
                                  '#include "platform/qt/qt_draw.h"\n',
    "bench/bench_paint.cpp": '#include <QPainter>\n#include "shell/scene_loads.h"\n',
    "apps/plovane.cpp": '#include "platform/qt/qt_backend.h"\n#include "shell/plovane_app.h"\n',
    "tests/render/draw_test.cpp": '#include "shell/snapshot.h"\n',
    "platform/win32/win32_backend.cpp": '#include "platform/win32/win32_gdi.h"\n'
                                        '#include <windows.h>\n#include <commdlg.h>\n',
    "apps/plovane_win32.cpp": '#include "platform/win32/win32_backend.h"\n',
    "data/os_files_win32.cpp": '#include <io.h>\n#include <windows.h>\n',
    "analysis/measure.cpp": '#include "render/scene_painter.h"\n#include "data/scene.h"\n',
    "viewer/plots_window.cpp": '#include "analysis/plots.h"\n',
}


class LayerGate(unittest.TestCase):
    def test_a_clean_tree_passes(self):
        with tempfile.TemporaryDirectory() as root:
            plant(root, CLEAN)
            self.assertEqual(run(root), (0, ""))

    def test_planted_faults_are_each_named(self):
        with tempfile.TemporaryDirectory() as root:
            plant(root, CLEAN)
            plant(root, {
                "data/pose_track.cpp": '#include "data/pose_track.h"\n#include "render/view.h"\n',
                "render/scene_painter.cpp": '// painter\n#include "shell/main_window.h"\n',
                "extract/traj_cut.cpp": '#include "platform/platform.h"\n',
                "shell/plovane_app.cpp": '#include <QApplication>\n',
                "tests/shell/x_test.cpp": '#include <QtWidgets/QWidget>\n',
                "render/draw.h": '#include "platform/detail.h"\n',
                "data/child_process_win32.cpp": '#include <io.h>\n#include <Windows.h>\n',
                "tests/platform/y_test.cpp": '#include <wingdi.h>\n',
                "shell/plovane_cli.cpp": '#include "platform/win32/win32_gdi.h"\n',
                "labelling/samples.h": '#include "labelling/labelling.h"\n',
                "labelling/labelling.h": '#include <vector>\n#include "labelling/samples.h"\n',
                "analysis/plots.cpp": '#include "shell/shell.h"\n',
            })
            status, out = run(root)
            self.assertEqual(status, 1)
            for expected in [
                'data/pose_track.cpp:2: data/ includes "render/view.h"',
                'render/scene_painter.cpp:2: render/ includes "shell/main_window.h"',
                'extract/traj_cut.cpp:1: extract/ includes "platform/platform.h"',
                "shell/plovane_app.cpp:1: Qt header <QApplication> outside platform/qt/",
                "tests/shell/x_test.cpp:1: Qt header <QtWidgets/QWidget> outside platform/qt/",
                'render/draw.h:1: "platform/detail.h" is private to platform/',
                "data/child_process_win32.cpp:2: Win32 header <Windows.h> outside platform/win32/",
                "tests/platform/y_test.cpp:1: Win32 header <wingdi.h> outside platform/win32/",
                'shell/plovane_cli.cpp:1: "platform/win32/win32_gdi.h" is private to '
                'platform/win32/',
                "labelling/samples.h: include circle: labelling/labelling.h -> "
                "labelling/samples.h -> labelling/labelling.h",
                'analysis/plots.cpp:1: analysis/ includes "shell/shell.h"',
                "layer gate: 11 include(s) break the layers",
            ]:
                self.assertIn(expected, out)


if __name__ == "__main__":
    unittest.main()
