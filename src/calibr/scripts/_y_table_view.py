#!/usr/bin/env python3
# Shows the Y calibration data: k7ctl (beside the program, one folder up)
# draws TableY.png from CalibrY.txt (the table in colour, the measured points
# on it) and prints a summary; the picture opens in the system's viewer
# unless QUORIN_NO_VIEWER is set.
import os
import shutil
import subprocess
import sys
import webbrowser

here = os.path.dirname(os.path.abspath(__file__))
# Beside the program (a portable copy, or the build folder); an installed
# program keeps this folder among the user's files and k7ctl on the PATH.
k7ctl = os.path.join(os.path.dirname(here), "k7ctl.exe" if os.name == "nt" else "k7ctl")
if not os.path.exists(k7ctl):
    k7ctl = shutil.which("k7ctl") or k7ctl
if not os.path.exists(k7ctl):
    print("k7ctl not found: " + k7ctl)
    sys.exit(2)
png = os.path.join(here, "TableY.png")
code = subprocess.call([k7ctl, "calib", "ytable", "--in", os.path.join(here, "CalibrY.txt"), "--png", png])
if code == 0 and not os.environ.get("QUORIN_NO_VIEWER"):
    webbrowser.open("file://" + png.replace(os.sep, "/"))
sys.exit(code)
