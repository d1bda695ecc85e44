#!/usr/bin/env python3
"""Makes a card of recordings with real movie headers and telemetry tracks in
the camera's layout (ftyp "avc1", mdat, moov whose fifth child is the
telemetry track), one-minute Always files back to back in drives of an hour,
a front and a rear file each, every 13th recording an Event file beside them.
No video: the commands measured read only headers and the track.

usage: make_trip_card.py FOLDER FILES"""
import os
import struct
import sys


def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind) + payload


def checksum(body):
    c = 0
    for ch in body[1:].encode():  # between "$" and "*"
        c ^= ch
    return "%s*%02X\r\n" % (body, c)


def record(second, lat, kmh):
    knots = kmh / 1.852
    lat_dm = "%02d%07.4f" % (int(lat), (lat - int(lat)) * 60)
    rmc = checksum("$GNRMC,%02d%02d%02d.000,A,%s,N,12638.5592,E,%.1f,0.0,150623,,,A"
                   % (second // 3600 % 24, second // 60 % 60, second % 60, lat_dm, knots))
    gga = checksum("$GNGGA,%02d%02d%02d,%s,N,12638.5592,E,1,09,0.9"
                   % (second // 3600 % 24, second // 60 % 60, second % 60, lat_dm))
    text = (rmc + gga).encode().ljust(128, b"\0")[:128]
    accel = struct.pack("<iii", 0, 0, 256)
    return b"\0\0" + struct.pack("<II", second, second) + accel + b"\0\0\0\0" + b"0" + text


def recording(start_second, seconds, lat0):
    ftyp = box(b"ftyp", b"avc1" + struct.pack(">I", 0) + b"avc1isom")
    chunks = b"".join(record(start_second + i, lat0 + i * 0.0002, 60 + (i % 7)) for i in range(seconds))
    data_start = len(ftyp) + 8
    offsets = [data_start + i * 155 for i in range(seconds)]
    mvhd = box(b"mvhd", struct.pack(">BxxxIIII", 0, 0, 0, 1000, seconds * 1000) + bytes(80))
    stco = box(b"stco", struct.pack(">II", 0, len(offsets)) + b"".join(struct.pack(">I", o) for o in offsets))
    free = box(b"free", b"")
    stbl = box(b"stbl", free * 4 + stco)
    minf = box(b"minf", free * 2 + stbl)
    mdia = box(b"mdia", free * 2 + minf)
    trak = box(b"trak", free * 2 + mdia)
    moov = box(b"moov", mvhd + free * 3 + trak)
    return ftyp + box(b"mdat", chunks) + moov


root, count = sys.argv[1], int(sys.argv[2])
for folder in ("Normal", "Event"):
    os.makedirs(os.path.join(root, folder), exist_ok=True)
made = 0
i = 0
while made < count:
    drive, minute = divmod(i, 60)
    start = drive * 3 * 3600 + minute * 60  # drives three hours apart
    day, second = divmod(start, 86400)
    stamp = "2023%02d%02d_%02d%02d%02d" % (1 + day // 28 % 12, 1 + day % 28, second // 3600, second // 60 % 60, second % 60)
    body = recording(second, 60, 37.3 + minute * 0.01)
    for channel in "FR":
        with open(os.path.join(root, "Normal", "alwa_%s_%s.mp4" % (stamp, channel)), "wb") as f:
            f.write(body)
    made += 2
    if i % 13 == 5 and made < count:
        second += 20
        stamp = "2023%02d%02d_%02d%02d%02d" % (1 + day // 28 % 12, 1 + day % 28, second // 3600, second // 60 % 60, second % 60)
        with open(os.path.join(root, "Event", "event_%s_F.mp4" % stamp), "wb") as f:
            f.write(recording(second, 30, 37.3))
        made += 1
    i += 1
