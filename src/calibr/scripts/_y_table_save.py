#!/usr/bin/env python3
# Builds TableY.txt from CalibrY.txt (the first sensor's Y calibration) with
# k7ctl, which lies beside the program one folder up. The table math is the
# program's own; this script only names the files.
import os
import shutil
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
# Beside the program (a portable copy, or the build folder); an installed
# program keeps this folder among the user's files and k7ctl on the PATH.
k7ctl = os.path.join(os.path.dirname(here), "k7ctl.exe" if os.name == "nt" else "k7ctl")
if not os.path.exists(k7ctl):
    k7ctl = shutil.which("k7ctl") or k7ctl
if not os.path.exists(k7ctl):
    print("k7ctl not found: " + k7ctl)
    sys.exit(2)
sys.exit(subprocess.call([k7ctl, "calib", "ytable",
                          "--in", os.path.join(here, "CalibrY.txt"),
                          "--out", os.path.join(here, "TableY.txt")]))
