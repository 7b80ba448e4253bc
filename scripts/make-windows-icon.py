#!/usr/bin/env python3
"""Packs the window's icon, as the Linux build draws it (build/res/hicolor),
into packaging/windows/zt.ico, the icon of the Windows programs: one PNG
image per size, as Windows takes them. Run again when the picture changes:
    scripts/make-windows-icon.py build/res packaging/windows/zt.ico"""
import struct
import sys

SIZES = (16, 24, 32, 48, 64, 256)


def main(pictures, output):
    images = []
    for size in SIZES:
        path = f"{pictures}/hicolor/{size}x{size}/apps/org.tarnwick.GameInstaller.png"
        with open(path, "rb") as f:
            images.append((size, f.read()))
    offset = 6 + 16 * len(images)
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    for size, data in images:
        side = 0 if size == 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(output, "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
