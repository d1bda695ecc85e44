#!/usr/bin/env python3
"""Makes a card-like tree of empty recordings: four kind folders, a front and
a rear file per recording with the names the camera gives, a settings file
and a route folder beside them.

usage: make_card_tree.py FOLDER FILES"""
import os
import sys

root, count = sys.argv[1], int(sys.argv[2])
kinds = [("Normal", "alwa_"), ("Event", "event_"), ("Parking", "motion_"), ("Manual", "user_")]
for folder, _ in kinds:
    os.makedirs(os.path.join(root, folder), exist_ok=True)
os.makedirs(os.path.join(root, "DrvInfo"), exist_ok=True)
open(os.path.join(root, "config.bin"), "wb").close()
for i in range(count // 2):
    folder, prefix = kinds[1 if i % 13 == 0 else 2 if i % 17 == 0 else 3 if i % 29 == 0 else 0]
    day, minute = divmod(i, 1440)
    stamp = "2023%02d%02d_%02d%02d00" % (1 + day // 28 % 12, 1 + day % 28, minute // 60, minute % 60)
    for channel in "FR":
        open(os.path.join(root, folder, "%s%s_%s.mp4" % (prefix, stamp, channel)), "wb").close()
