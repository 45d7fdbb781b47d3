#!/usr/bin/python3
"""Writes the program's icon into a hicolor icon theme folder at the usual sizes.

Usage:  make_icons.py SOURCE.png OUTPUT_FOLDER NAME SIZE...
Writes OUTPUT_FOLDER/hicolor/<size>x<size>/apps/NAME.png for each size, scaled
down from the skin's 64 x 64 program icon (a size above the source's is
refused: it would only be blurred). Needs python3-pil.
"""

import os
import sys

from PIL import Image


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    source, out, name = sys.argv[1:4]
    image = Image.open(source).convert("RGBA")
    for size in map(int, sys.argv[4:]):
        if size > min(image.size):
            sys.exit(f"make_icons: {size} px is larger than {source} ({image.size[0]} px)")
        folder = os.path.join(out, "hicolor", f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        scaled = image if image.size == (size, size) else image.resize((size, size), Image.LANCZOS)
        scaled.save(os.path.join(folder, f"{name}.png"), optimize=True)


if __name__ == "__main__":
    main()
