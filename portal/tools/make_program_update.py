#!/usr/bin/python3
"""Draws the demo program update: a newer default application icon.

The update server's program folder (portal/data/update/pub/quorvi/program/)
carries skin/quorvi/images/app.png in a version that differs from the one the
build puts into the program folder (skin/quorvi/images/app.png of this
repository): the four tiles of the icon are all solid, where the shipped one
fades the last, and an orange dot marks the corner. So a client that updates its program folder from the stand-in
finds that file changed, stores the new one as a side file beside it, and the
final updater swaps it in.

Run from anywhere: /usr/bin/python3 portal/tools/make_program_update.py
Needs python3-pil. Rerun it after redrawing the skin's default icon.
"""
import pathlib

from PIL import Image, ImageDraw

TOP = pathlib.Path(__file__).resolve().parent.parent.parent
SHIPPED = TOP / "skin" / "quorvi" / "images" / "app.png"
UPDATE = (TOP / "portal" / "data" / "update" / "pub" / "quorvi" / "program" /
          "skin" / "quorvi" / "images" / "app.png")

# The faded tile of the shipped icon (68 x 70): centre (43, 44), 13 wide, radius 3.5.
FADED_TILE = (36.5, 37.5, 49.5, 50.5)
# The dot in the top right corner: its box, and its colour and rim.
DOT = (50, 4, 64, 18)
DOT_FILL = (245, 158, 11, 255)
DOT_RIM = (255, 255, 255, 255)


def main():
    image = Image.open(SHIPPED).convert("RGBA")
    # Drawn four times larger and scaled down, for smooth corners.
    scale = 4
    overlay = Image.new("RGBA", (image.width * scale, image.height * scale), (0, 0, 0, 0))
    draw = ImageDraw.Draw(overlay)
    draw.rounded_rectangle([v * scale for v in FADED_TILE], radius=3.5 * scale, fill=DOT_RIM)
    draw.ellipse([v * scale for v in DOT], fill=DOT_FILL, outline=DOT_RIM, width=2 * scale)
    overlay = overlay.resize(image.size, Image.LANCZOS)
    image = Image.alpha_composite(image, overlay)
    UPDATE.parent.mkdir(parents=True, exist_ok=True)
    image.save(UPDATE)
    print(f"make_program_update: {UPDATE.relative_to(TOP)}")


if __name__ == "__main__":
    main()
