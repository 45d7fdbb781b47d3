#!/usr/bin/python3
"""Draws the icons of the demo catalogue and writes their MD5 into it.

Every icon named by an icon="..." attribute of portal/data/app/appsn.xml is
drawn as a small PNG into portal/data/app/: a rounded tile in a colour taken
from the name, with one character of the caption on it. Group icons
(nav_*.png) are 70 x 50, application icons 68 x 70, the boxes the main window
draws them into (a group's box depends on its place among the groups). Then the iconMd5="..." attribute that follows each icon
attribute is set to the MD5 of that file, so the document in the repository is
a complete catalogue as well (the portal recomputes the digests when it starts).

Run from anywhere: /usr/bin/python3 portal/tools/make_demo_icons.py (the Debian
python, which python3-pil installs into)
Needs python3-pil and, for the characters, fonts-wqy-microhei.
"""
import hashlib
import pathlib
import re

from PIL import Image, ImageDraw, ImageFont

DATA = pathlib.Path(__file__).resolve().parent.parent / "data" / "app"
CATALOGUE = DATA / "appsn.xml"
FONT_PATHS = [
    "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
    "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
]
ELEMENT = re.compile(r'caption="([^"]*)"\s+icon="([^"]+)"\s+iconMd5="[0-9a-f]*"')
GROUP_ICON = re.compile(r'<group\s+caption="[^"]*"\s+icon="([^"]+)"')
# The box (width, height) the main window draws the n-th group's icon into;
# groups from the seventh on use the first box.
GROUP_ICON_BOXES = [(69, 50), (67, 49), (59, 55), (41, 60), (58, 54), (74, 50)]


def load_font(size):
    for path in FONT_PATHS:
        if pathlib.Path(path).exists():
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def colour_of(name):
    """A stable, saturated colour derived from the file name."""
    digest = hashlib.md5(name.encode()).digest()
    hue = digest[0] / 255.0
    import colorsys

    r, g, b = colorsys.hsv_to_rgb(hue, 0.55, 0.85)
    return (int(r * 255), int(g * 255), int(b * 255), 255)


def draw_icon(path, caption, group_box=None):
    group = group_box is not None
    width, height = group_box if group else (68, 70)
    image = Image.new("RGBA", (width, height), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle((1, 1, width - 2, height - 2), radius=12, fill=colour_of(path.name),
                           outline=(255, 255, 255, 200), width=2)
    glyph = caption[:1] or "?"
    font = load_font(min(30, width - 12) if group else 36)
    left, top, right, bottom = draw.textbbox((0, 0), glyph, font=font)
    x = (width - (right - left)) / 2 - left
    y = (height - (bottom - top)) / 2 - top
    draw.text((x, y), glyph, font=font, fill=(255, 255, 255, 255))
    # No time stamps or other varying chunks: the same input gives the same bytes.
    image.save(path, format="PNG", optimize=True)


def main():
    text = CATALOGUE.read_text(encoding="utf-8")
    group_icons = GROUP_ICON.findall(text)
    for caption, icon in ELEMENT.findall(text):
        box = None
        if icon in group_icons:
            index = group_icons.index(icon)
            box = GROUP_ICON_BOXES[index] if index < len(GROUP_ICON_BOXES) else GROUP_ICON_BOXES[0]
        draw_icon(DATA / icon, caption, box)

    def with_digest(match):
        caption, icon = match.group(1), match.group(2)
        digest = hashlib.md5((DATA / icon).read_bytes()).hexdigest()
        return f'caption="{caption}" icon="{icon}" iconMd5="{digest}"'

    CATALOGUE.write_text(ELEMENT.sub(with_digest, text), encoding="utf-8")
    print(f"{len(ELEMENT.findall(text))} icons written to {DATA}")


if __name__ == "__main__":
    main()
