#!/usr/bin/env python3
"""Writes iOS 6 options files under tests/data/noctil6 with Python's plistlib, so the
tweak's loader is checked against files the platform did not write itself (the
Settings app on a device writes XML; other tools write binary).

Run from anywhere: python3 make_options.py  (writes next to this script).
The tests read the files only; they never need Python.  The values written here are
the values the tests expect; keep both in step.
"""
import os
import plistlib

HERE = os.path.dirname(os.path.abspath(__file__))


def save(name, value, fmt):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(plistlib.dumps(value, fmt=fmt, sort_keys=True))


# Only the master switch, off.
save("only_disabled.plist", {"NoctilEnabled": False}, plistlib.FMT_XML)

# A blurred lock screen without its own picture, asking to hide the clock and bar.
save("lock_blur.plist",
     {"LockBlur": True, "LockBGImageEnabled": False, "HideTimeView": True, "HideLockBar": True},
     plistlib.FMT_BINARY)

# Every key with a value other than its default, in both formats.
EVERY_KEY = {
    "NoctilEnabled": True,
    "BannerClosebox": False,
    "Collapsible": True,
    "SwipeToDelete": False,
    "SDRequireConfirm": False,
    "SDRemoveBadge": False,
    "SDMarkSMSAsRead": False,
    "CSRemoveBadge": False,
    "CSMarkSMSAsRead": False,
    "ShowNoNotificationsLabel": False,
    "NoNotificationsText": "Nothing here",
    "TopShelfWidgets": 2,
    "Transparent": True,
    "BGAlpha": 0.3,
    "BGImageEnabled": True,
    "ScaleToFill": False,
    "Blur": True,
    "BlurValue": 7.5,
    "CellBackAlpha": 0.4,
    "BlurApplyToBack": True,
    "LockTransparent": True,
    "LockBGAlpha": 0.7,
    "LockBlur": False,
    "LockBlurValue": 3,
    "LockEnabled": False,
    "DefaultShow": 2,
    "PullUpToUnlock": True,
    "EnableLockBar": True,
    "HideTimeView": False,
    "HideLockBar": True,
    "UnlockSound": False,
    "UnlockAnimation": True,
    "LockCellBackAlpha": 0.2,
    "LockBGImageEnabled": True,
    "LockScaleToFill": False,
    "LockBlurApplyToBack": True,
    "TintColor": "hotpink",
    "LockTintColor": "red",
    "CollapsibleSections": ["com.apple.MobileSMS", "com.apple.mobilemail"],
}
save("every_key.plist", EVERY_KEY, plistlib.FMT_XML)
save("every_key.bplist", EVERY_KEY, plistlib.FMT_BINARY)

# Values of the wrong kind: text where numbers and switches belong, a number where
# text belongs, a dictionary where the folded list belongs.
save("wrong_kinds.plist", {
    "Collapsible": "yes",
    "SwipeToDelete": "nope",
    "BGAlpha": "0.25px",
    "LockBGAlpha": "abc",
    "DefaultShow": "1",
    "TopShelfWidgets": ["a"],
    "Transparent": 1,
    "TintColor": 12,
    "NoNotificationsText": "",
    "CollapsibleSections": {"com.apple.MobileSMS": True},
}, plistlib.FMT_XML)
