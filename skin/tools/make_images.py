#!/usr/bin/python3
"""Draws every image of the main window's skin into skin/quorvi/.

Usage:  /usr/bin/python3 skin/tools/make_images.py [output folder]
Needs python3-pil (Debian); the Chinese hint of second_bg.png uses the
WenQuanYi Micro Hei font when it is installed.

The look: one accent blue, a light window background, white cards with subtle
borders. Texts that the client draws over images in white (catalogue options,
recommendation rows) always get an accent backing from the image under them.

Images are drawn four times larger and scaled down, which smooths every edge.
Images that the skin stretches are drawn so that 9-slicing works: flat middles,
all detail inside the corner insets the skin gives (noted beside each one).

Sections: palette | canvas | glyphs | caption band | window and panels |
          catalogue options | side bar | settings controls | download status |
          icons | launcher | login window and user menu | main
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

# ---- palette ------------------------------------------------------------------------
ACCENT = (37, 99, 235, 255)  # the one accent colour
ACCENT_DARK = (29, 78, 216, 255)
ACCENT_DEEP = (30, 64, 175, 255)
ACCENT_SOFT = (232, 240, 254, 255)  # hover backgrounds
ACCENT_SOFT2 = (214, 228, 253, 255)  # pushed backgrounds
ACCENT_RING = (147, 197, 253, 255)
WHITE = (255, 255, 255, 255)
BG = (244, 246, 250, 255)  # window background
BORDER = (200, 209, 222, 255)
BORDER_SOFT = (226, 232, 240, 255)
INK = (31, 41, 55, 255)
MUTED = (100, 116, 139, 255)
DANGER = (229, 72, 77, 255)
DANGER_DARK = (196, 52, 58, 255)
CLEAR = (0, 0, 0, 0)


def alpha(colour, a):
    return colour[:3] + (a,)


def mix(c1, c2, t):
    return tuple(round(a + (b - a) * t) for a, b in zip(c1, c2))


# ---- canvas --------------------------------------------------------------------------
SS = 4  # supersampling factor


class Canvas:
    """An RGBA image in logical pixels, drawn at SS times the size."""

    def __init__(self, w, h, fill=CLEAR):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), fill)
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def _box(x0, y0, x1, y1):
        return [round(x0 * SS), round(y0 * SS), round(x1 * SS) - 1, round(y1 * SS) - 1]

    def rect(self, x0, y0, x1, y1, fill):
        self.d.rectangle(self._box(x0, y0, x1, y1), fill=fill)

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=1.0):
        self.d.rounded_rectangle(self._box(x0, y0, x1, y1), radius=r * SS, fill=fill,
                                 outline=outline, width=round(width * SS))

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1.0):
        self.d.ellipse(self._box(x0, y0, x1, y1), fill=fill, outline=outline,
                       width=round(width * SS))

    def circle(self, cx, cy, r, fill=None, outline=None, width=1.0):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill, outline, width)

    def line(self, points, colour, width=1.5):
        pts = [(x * SS, y * SS) for x, y in points]
        w = round(width * SS)
        self.d.line(pts, fill=colour, width=w, joint="curve")
        for x, y in (pts[0], pts[-1]):  # round caps
            self.d.ellipse([x - w / 2, y - w / 2, x + w / 2, y + w / 2], fill=colour)

    def arc(self, cx, cy, r, start, end, colour, width=1.5):
        box = [(cx - r) * SS, (cy - r) * SS, (cx + r) * SS, (cy + r) * SS]
        self.d.arc(box, start, end, fill=colour, width=round(width * SS))

    def polygon(self, points, fill):
        self.d.polygon([(x * SS, y * SS) for x, y in points], fill=fill)

    def vgradient(self, x0, y0, x1, y1, top, bottom, r=0):
        """A vertical gradient, optionally inside a rounded rectangle."""
        grad = Image.new("RGBA", (1, 256))
        for i in range(256):
            grad.putpixel((0, i), mix(top, bottom, i / 255))
        self._paste_gradient(grad, x0, y0, x1, y1, r)

    def hgradient(self, x0, y0, x1, y1, left, right, r=0):
        grad = Image.new("RGBA", (256, 1))
        for i in range(256):
            grad.putpixel((i, 0), mix(left, right, i / 255))
        self._paste_gradient(grad, x0, y0, x1, y1, r)

    def _paste_gradient(self, grad, x0, y0, x1, y1, r):
        box = self._box(x0, y0, x1, y1)
        size = (box[2] - box[0] + 1, box[3] - box[1] + 1)
        grad = grad.resize(size, Image.BILINEAR)
        mask = Image.new("L", size, 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, size[0] - 1, size[1] - 1],
                                               radius=r * SS, fill=255)
        self.img.paste(grad, (box[0], box[1]), mask)

    def text(self, x, y, text, font_path, size, colour, anchor="mm"):
        try:
            font = ImageFont.truetype(font_path, size * SS)
        except OSError:
            return  # font not installed: the image goes without its text
        self.d.text((x * SS, y * SS), text, font=font, fill=colour, anchor=anchor)

    def save(self, path):
        small = self.img.convert("RGBa").resize((self.w, self.h), Image.LANCZOS).convert("RGBA")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        small.save(path, optimize=True)


FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_CJK = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# ---- glyphs --------------------------------------------------------------------------
# Each glyph draws into a box given by its centre (cx, cy) and a colour.


def glyph_minimise(c, cx, cy, col):
    c.line([(cx - 5, cy + 0.5), (cx + 5, cy + 0.5)], col, 1.2)


def glyph_maximise(c, cx, cy, col):
    c.rrect(cx - 5, cy - 5, cx + 5, cy + 5, 1.5, outline=col, width=1.2)


def glyph_restore(c, cx, cy, col):
    c.line([(cx - 2.5, cy - 3), (cx - 2.5, cy - 5.5), (cx + 5.5, cy - 5.5), (cx + 5.5, cy + 2.5),
            (cx + 3, cy + 2.5)], col, 1.2)
    c.rrect(cx - 5.5, cy - 3, cx + 3, cy + 5.5, 1.2, outline=col, width=1.2)


def glyph_close(c, cx, cy, col, half=5.0, width=1.3):
    c.line([(cx - half, cy - half), (cx + half, cy + half)], col, width)
    c.line([(cx - half, cy + half), (cx + half, cy - half)], col, width)


def glyph_magnifier(c, cx, cy, col):
    c.circle(cx - 1.5, cy - 1.5, 5, outline=col, width=1.6)
    c.line([(cx + 2.3, cy + 2.3), (cx + 5.5, cy + 5.5)], col, 1.9)


def glyph_home(c, cx, cy, col):
    c.line([(cx - 9, cy - 0.5), (cx, cy - 8.5), (cx + 9, cy - 0.5)], col, 1.8)
    c.line([(cx - 6.5, cy - 2.5), (cx - 6.5, cy + 8), (cx + 6.5, cy + 8), (cx + 6.5, cy - 2.5)],
           col, 1.8)
    c.line([(cx - 2, cy + 8), (cx - 2, cy + 3), (cx + 2, cy + 3), (cx + 2, cy + 8)], col, 1.6)


def glyph_news(c, cx, cy, col):
    # a bell
    c.line([(cx - 7, cy + 4.5), (cx - 5.5, cy + 2.5), (cx - 5.5, cy - 2.5)], col, 1.7)
    c.arc(cx, cy - 2.5, 5.5, 180, 360, col, 1.7)
    c.line([(cx + 5.5, cy - 2.5), (cx + 5.5, cy + 2.5), (cx + 7, cy + 4.5), (cx - 7, cy + 4.5)],
           col, 1.7)
    c.arc(cx, cy + 6, 2.4, 0, 180, col, 1.6)
    c.circle(cx, cy - 8.6, 1.1, fill=col)


def glyph_history(c, cx, cy, col):
    c.circle(cx, cy, 8.5, outline=col, width=1.7)
    c.line([(cx, cy - 5), (cx, cy), (cx + 4, cy + 2.5)], col, 1.7)


def glyph_gear(c, cx, cy, col):
    teeth = 8
    for i in range(teeth):
        a = 2 * math.pi * i / teeth
        pts = []
        for da, r in ((-0.2, 6.5), (-0.14, 9.3), (0.14, 9.3), (0.2, 6.5)):
            pts.append((cx + r * math.cos(a + da), cy + r * math.sin(a + da)))
        c.polygon(pts, col)
    c.circle(cx, cy, 7, fill=col)
    c.circle(cx, cy, 3.2, fill=CLEAR)


def glyph_headset(c, cx, cy, col):
    c.arc(cx, cy + 1, 8, 180, 360, col, 1.8)
    c.rrect(cx - 9.5, cy, cx - 5, cy + 7.5, 2, fill=col)
    c.rrect(cx + 5, cy, cx + 9.5, cy + 7.5, 2, fill=col)
    c.line([(cx + 7, cy + 7.5), (cx + 7, cy + 9.5), (cx + 1.5, cy + 9.5)], col, 1.4)


def glyph_grid(c, cx, cy, col):
    for dx in (-5, 5):
        for dy in (-5, 5):
            c.rrect(cx + dx - 3.8, cy + dy - 3.8, cx + dx + 3.8, cy + dy + 3.8, 2, fill=col)


def glyph_chevrons(c, cx, cy, col, direction):
    s = -1 if direction == "left" else 1
    for off in (-2.5, 2.5):
        x = cx + off
        c.line([(x - 2 * s, cy - 4), (x + 2 * s, cy), (x - 2 * s, cy + 4)], col, 1.5)


def glyph_person(c, cx, cy, r, col):
    """A head and shoulders inside a circle of radius r around (cx, cy)."""
    c.circle(cx, cy - r * 0.22, r * 0.32, fill=col)
    c.ellipse(cx - r * 0.62, cy + r * 0.22, cx + r * 0.62, cy + r * 1.25, fill=col)


# ---- caption band ------------------------------------------------------------------------
def caption_images(out):
    # caption_bg.png: the accent band, stretched across the top (uniform across).
    c = Canvas(8, 26)
    c.vgradient(0, 0, 8, 26, mix(ACCENT, WHITE, 0.06), ACCENT)
    c.rect(0, 25, 8, 26, ACCENT_DARK)
    c.save(f"{out}/caption_bg.png")

    # logo.png: white rounded square with an accent "Q" (22 x 22).
    c = Canvas(22, 22)
    c.rrect(0, 0, 22, 22, 6, fill=WHITE)
    c.text(11, 11.5, "Q", FONT_BOLD, 16, ACCENT)
    c.save(f"{out}/logo.png")

    # caption buttons, 36 x 26: white glyphs on the accent band.
    glyphs = {"min": glyph_minimise, "max": glyph_maximise, "restore": glyph_restore,
              "close": glyph_close}
    for name, glyph in glyphs.items():
        for state in ("normal", "hot", "pushed"):
            c = Canvas(36, 26)
            if name == "close" and state != "normal":
                c.rect(0, 0, 36, 26, DANGER if state == "hot" else DANGER_DARK)
            elif state == "hot":
                c.rect(0, 0, 36, 26, alpha(WHITE, 40))
            elif state == "pushed":
                c.rect(0, 0, 36, 26, alpha(ACCENT_DEEP, 150))
            glyph(c, 18, 13, WHITE)
            c.save(f"{out}/caption_{name}_{state}.png")

    # search box on the band (exactly 256 x 22, its parent's size) and its button.
    # Opaque white inside, like the native entry that lies over its middle.
    c = Canvas(256, 22)
    c.rrect(0, 0, 256, 22, 11, fill=WHITE)
    c.save(f"{out}/search_bg_normal.png")
    c = Canvas(256, 22)
    c.rrect(0, 0, 256, 22, 11, fill=WHITE, outline=ACCENT_RING, width=2)
    c.save(f"{out}/search_bg_hot.png")
    for state, col in (("normal", MUTED), ("hot", ACCENT), ("pushed", ACCENT_DEEP)):
        c = Canvas(30, 22)
        if state != "normal":
            c.rrect(2, 2, 28, 20, 9, fill=ACCENT_SOFT if state == "hot" else ACCENT_SOFT2)
        glyph_magnifier(c, 15, 11, col)
        c.save(f"{out}/search_btn_{state}.png")


# ---- window and panels ---------------------------------------------------------------------
def window_images(out):
    # main_bg.png: window background with its border; corner='8,8,8,8'.
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 6, fill=BG, outline=BORDER, width=1)
    c.save(f"{out}/main_bg.png")

    # navbar_bg.png: the navigation bar at the bottom; corner='8,2,8,8'.
    c = Canvas(24, 24)
    c.rrect(0, -8, 24, 24, 6, fill=WHITE, outline=BORDER, width=1)
    c.rect(1, 0, 23, 1, BORDER_SOFT)
    c.save(f"{out}/navbar_bg.png")

    # panel_bg.png: a white card with a subtle border; corner='8,8,8,8'.
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 7, fill=WHITE, outline=BORDER, width=1)
    c.save(f"{out}/panel_bg.png")

    # panel_title_bg.png: a card whose top 30 pixels are its tinted title band;
    # corner='8,31,8,8'.
    c = Canvas(24, 48)
    c.rrect(0, 0, 24, 48, 7, fill=WHITE, outline=BORDER, width=1)
    c.rrect(1, 1, 23, 30, 6, fill=mix(ACCENT_SOFT, WHITE, 0.45))
    c.rect(1, 24, 23, 30, mix(ACCENT_SOFT, WHITE, 0.45))
    c.rect(1, 30, 23, 31, BORDER_SOFT)
    c.save(f"{out}/panel_title_bg.png")

    # sidebar_bg.png: the side bar, flush with the window's left edge; corner='2,10,10,10'.
    c = Canvas(24, 24)
    c.rrect(-10, 0, 24, 24, 9, fill=WHITE, outline=BORDER, width=1)
    c.save(f"{out}/sidebar_bg.png")

    # home_banner.png: the home view's banner (778 x 96).
    c = Canvas(778, 96)
    c.hgradient(0, 0, 778, 96, ACCENT_DEEP, mix(ACCENT, WHITE, 0.18), r=12)
    for cx, cy, r, a in ((700, 12, 80, 26), (610, 110, 60, 20), (520, -20, 40, 16),
                         (760, 90, 30, 30)):
        ring = Canvas(778, 96)
        ring.circle(cx, cy, r, fill=alpha(WHITE, a))
        c.img.alpha_composite(ring.img)
    mask = Canvas(778, 96)  # keep the circles inside the banner's rounded shape
    mask.rrect(0, 0, 778, 96, 12, fill=WHITE)
    c.img.putalpha(Image.composite(c.img.getchannel("A"), Image.new("L", c.img.size, 0),
                                   mask.img.getchannel("A")))
    c.save(f"{out}/home_banner.png")

    # rec_column_bg.png: the accent card behind a recommendation column (154 x 256);
    # corner='10,10,10,10'. The rows on it are drawn with white text.
    c = Canvas(154, 256)
    c.vgradient(0, 0, 154, 256, mix(ACCENT, WHITE, 0.08), ACCENT_DARK, r=10)
    c.save(f"{out}/rec_column_bg.png")

    # bg3.png: the floating panel of sub-applications (948 x 426).
    c = Canvas(948, 426)
    c.rrect(0, 0, 948, 426, 12, fill=WHITE, outline=BORDER, width=1)
    c.save(f"{out}/bg3.png")

    # mask_flag.png: the notch joining the lifted option to its panel (58 x 9).
    c = Canvas(58, 9)
    c.polygon([(29 - 10, 9.6), (29, 0.2), (29 + 10, 9.6)], BORDER)
    c.polygon([(29 - 8.6, 9.8), (29, 1.6), (29 + 8.6, 9.8)], WHITE)
    c.save(f"{out}/mask_flag.png")

    # panel_close_*.png: the small close cross of cards (18 x 18).
    for state, bg, col in (("normal", None, MUTED), ("hot", alpha(DANGER, 30), DANGER),
                           ("pushed", alpha(DANGER, 60), DANGER_DARK)):
        c = Canvas(18, 18)
        if bg:
            c.circle(9, 9, 9, fill=bg)
        glyph_close(c, 9, 9, col, half=3.6, width=1.4)
        c.save(f"{out}/panel_close_{state}.png")

    # tips_icon.png: an "i" in an accent circle (18 x 18).
    c = Canvas(18, 18)
    c.circle(9, 9, 9, fill=ACCENT)
    c.circle(9, 5, 1.4, fill=WHITE)
    c.line([(9, 8.2), (9, 13.2)], WHITE, 2.0)
    c.save(f"{out}/tips_icon.png")

    # news_empty.png: an empty-inbox illustration (64 x 64).
    c = Canvas(64, 64)
    c.circle(32, 32, 31, fill=ACCENT_SOFT)
    glyph_scale = Canvas(64, 64)
    glyph_news(glyph_scale, 32, 32, ACCENT_RING)
    big = glyph_scale.img.resize((64 * SS * 2, 64 * SS * 2), Image.LANCZOS)
    big = big.crop((32 * SS, 32 * SS, 96 * SS, 96 * SS))
    c.img.alpha_composite(big)
    c.save(f"{out}/news_empty.png")

    # second_bg.png: the second background layer (950 x 521): a dimmed window
    # with a card in the middle; the card's text is the button's own text.
    c = Canvas(950, 521, fill=alpha((15, 23, 42, 255), 110))
    cx, cy = 475, 260
    c.rrect(cx - 200, cy - 110, cx + 200, cy + 110, 14, fill=WHITE, outline=BORDER)
    for i, (dx, filled) in enumerate(((-66, True), (-22, True), (22, True), (66, False))):
        x = cx + dx
        if filled:
            c.rrect(x - 18, cy - 78, x + 18, cy - 42, 9,
                    fill=mix(ACCENT, WHITE, 0.15 + 0.25 * i))
        else:
            c.rrect(x - 18, cy - 78, x + 18, cy - 42, 9, outline=ACCENT, width=1.6)
            c.line([(x - 7, cy - 60), (x + 7, cy - 60)], ACCENT, 2)
            c.line([(x, cy - 67), (x, cy - 53)], ACCENT, 2)
    c.text(cx, cy + 72, "点击任意处返回", FONT_CJK, 12, MUTED)
    c.save(f"{out}/second_bg.png")


# ---- catalogue options ----------------------------------------------------------------------
def option_images(out):
    # toolbar_*.png (100 x 100): the options of the navigation bar, the quick bars,
    # the sub-application panels and the search results. The client draws the icon
    # in the upper part and the caption in white at the bottom, so every state has
    # an accent name plate there.
    plates = {"normal": ACCENT, "hover": ACCENT_DARK, "pushed": ACCENT_DEEP}
    cards = {"normal": None, "hover": ACCENT_SOFT, "pushed": ACCENT_SOFT2}
    for state in ("normal", "hover", "pushed"):
        c = Canvas(100, 100)
        if cards[state]:
            c.rrect(0, 0, 100, 100, 12, fill=cards[state])
        c.rrect(5, 79, 95, 100, 10, fill=plates[state])
        c.save(f"{out}/toolbar_{state}.png")

    # item_hover.png (154 x 46): hover of recommendation rows (on accent) and
    # history icons (on white); a neutral dark veil reads on both.
    c = Canvas(154, 46)
    c.rrect(0, 0, 154, 46, 8, fill=alpha((15, 23, 42, 255), 36))
    c.save(f"{out}/item_hover.png")

    # btn_login_normal.png (57 x 57): the user option while signed out.
    c = Canvas(57, 57)
    c.circle(28.5, 28.5, 27.5, fill=ACCENT_SOFT, outline=ACCENT_RING, width=1.5)
    glyph_person(c, 28.5, 27, 19, ACCENT)
    c.save(f"{out}/btn_login_normal.png")

    # btn_login_normal_bak.png (77 x 90): the user option while signed in; the
    # avatar keeps to the top, the caption plate shows below it.
    c = Canvas(77, 90)
    c.circle(38.5, 38, 33, fill=ACCENT, outline=WHITE, width=3)
    glyph_person(c, 38.5, 36.5, 23, WHITE)
    c.circle(62, 61, 6.5, fill=(34, 197, 94, 255), outline=WHITE, width=2)
    c.save(f"{out}/btn_login_normal_bak.png")


# ---- side bar ------------------------------------------------------------------------
def sidebar_images(out):
    glyphs = {"home": glyph_home, "news": glyph_news, "history": glyph_history,
              "setting": glyph_gear, "service": glyph_headset, "more": glyph_grid}
    for name, glyph in glyphs.items():
        for state, bg, col in (("normal", None, MUTED), ("hot", ACCENT_SOFT, ACCENT),
                               ("pushed", ACCENT_SOFT2, ACCENT_DEEP)):
            c = Canvas(40, 40)
            if bg:
                c.rrect(2, 2, 38, 38, 9, fill=bg)
            glyph(c, 20, 20, col)
            c.save(f"{out}/sidebar_{name}_{state}.png")

    for state, col in (("normal", MUTED), ("hot", ACCENT)):
        c = Canvas(32, 16)
        if state == "hot":
            c.rrect(0, 0, 32, 16, 8, fill=ACCENT_SOFT)
        glyph_chevrons(c, 16, 8, col, "left")
        c.save(f"{out}/sidebar_hide_{state}.png")

        c = Canvas(25, 28)
        c.rrect(-10, 0, 25, 28, 9, fill=ACCENT if state == "normal" else ACCENT_DARK)
        glyph_chevrons(c, 11.5, 14, WHITE, "right")
        c.save(f"{out}/sidebar_expand_{state}.png")


# ---- settings controls --------------------------------------------------------------------
def settings_images(out):
    for state in ("normal", "hot", "selected"):
        c = Canvas(16, 16)
        if state == "selected":
            c.rrect(0.5, 0.5, 15.5, 15.5, 3.5, fill=ACCENT)
            c.line([(4, 8.2), (6.8, 11), (12, 5.3)], WHITE, 1.8)
        else:
            c.rrect(0.5, 0.5, 15.5, 15.5, 3.5, fill=WHITE,
                    outline=ACCENT if state == "hot" else BORDER, width=1.2)
        c.save(f"{out}/check_{state}.png")

        c = Canvas(16, 16)
        if state == "selected":
            c.circle(8, 8, 7.5, fill=WHITE, outline=ACCENT, width=1.4)
            c.circle(8, 8, 4, fill=ACCENT)
        else:
            c.circle(8, 8, 7.5, fill=WHITE, outline=ACCENT if state == "hot" else BORDER,
                     width=1.2)
        c.save(f"{out}/radio_{state}.png")

    # edit_bg.png: a text box frame; corner='5,5,5,5'.
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 4, fill=WHITE, outline=BORDER, width=1)
    c.save(f"{out}/edit_bg.png")

    # buttons (70 x 30); corner='6,6,6,6'.
    for state, fill in (("normal", ACCENT), ("hot", mix(ACCENT, WHITE, 0.12)),
                        ("pushed", ACCENT_DEEP)):
        c = Canvas(70, 30)
        c.rrect(0, 0, 70, 30, 5, fill=fill)
        c.save(f"{out}/btn_primary_{state}.png")
    for state, fill, edge in (("normal", WHITE, BORDER), ("hot", ACCENT_SOFT, ACCENT_RING),
                              ("pushed", ACCENT_SOFT2, ACCENT)):
        c = Canvas(70, 30)
        c.rrect(0, 0, 70, 30, 5, fill=fill, outline=edge, width=1)
        c.save(f"{out}/btn_secondary_{state}.png")

    # btn_link_hot.png: hover of text links; corner='6,6,6,6'.
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 5, fill=ACCENT_SOFT)
    c.save(f"{out}/btn_link_hot.png")


# ---- download status --------------------------------------------------------------------
def download_images(out):
    # btn_close_*.png (17 x 17): cancels a download, over the top right of an option.
    for state, fill in (("normal", alpha((71, 85, 105, 255), 220)), ("hot", DANGER)):
        c = Canvas(17, 17)
        c.circle(8.5, 8.5, 8, fill=fill, outline=WHITE, width=1.2)
        glyph_close(c, 8.5, 8.5, WHITE, half=3, width=1.4)
        c.save(f"{out}/btn_close_{state}.png")

    # progress_bk.png (68 x 14, corner 5,0,5,0) and progress_fk.png (56 x 10,
    # corner 4,4,4,4): the track and the bar.
    c = Canvas(68, 14)
    c.rrect(0, 0, 68, 14, 7, fill=alpha(WHITE, 235), outline=BORDER, width=1)
    c.save(f"{out}/progress_bk.png")
    c = Canvas(56, 10)
    c.hgradient(0, 0, 56, 10, mix(ACCENT, WHITE, 0.2), ACCENT, r=5)
    c.save(f"{out}/progress_fk.png")


# ---- icons -----------------------------------------------------------------------------
def icon_images(out):
    # images/app.png (68 x 70): the default application icon; icons of the
    # catalogue are fetched into images/, which must exist for that.
    c = Canvas(68, 70)
    c.vgradient(3, 4, 65, 66, mix(ACCENT, WHITE, 0.2), ACCENT_DARK, r=16)
    for dx in (-9, 9):
        for dy in (-9, 9):
            c.rrect(34 + dx - 6.5, 35 + dy - 6.5, 34 + dx + 6.5, 35 + dy + 6.5, 3.5,
                    fill=WHITE if (dx, dy) != (9, 9) else alpha(WHITE, 150))
    c.save(f"{out}/images/app.png")

    # quorvi.png (64 x 64): the program's icon for the window.
    c = Canvas(64, 64)
    c.vgradient(2, 2, 62, 62, mix(ACCENT, WHITE, 0.15), ACCENT_DEEP, r=15)
    c.text(32, 33, "Q", FONT_BOLD, 44, WHITE)
    c.save(f"{out}/quorvi.png")


# ---- launcher ----------------------------------------------------------------------------
# The launcher's window (vamo.xml): its tab bar and one 32 x 32 icon per page.
def launcher_images(out):
    # vamo_tabbar_bg.png: white band under the caption with a soft bottom rule
    # (stretched across; uniform across).
    c = Canvas(8, 84)
    c.rect(0, 0, 8, 84, WHITE)
    c.rect(0, 83, 8, 84, BORDER_SOFT)
    c.save(f"{out}/vamo_tabbar_bg.png")

    # tab backgrounds; corner='8,8,8,8'.
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 7, fill=ACCENT_SOFT)
    c.save(f"{out}/vamo_tab_hot.png")
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 7, fill=ACCENT_SOFT2, outline=ACCENT_RING, width=1)
    c.save(f"{out}/vamo_tab_selected.png")

    # vamo_row_bg.png: a fact row's faint backing; corner='6,6,6,6'.
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 5, fill=mix(BG, WHITE, 0.4))
    c.save(f"{out}/vamo_row_bg.png")

    col, w = ACCENT, 2.2

    def shield(c):
        c.line([(16, 4), (26, 8), (26, 16), (16, 28), (6, 16), (6, 8), (16, 4)], col, w)

    def examine(c):  # a screen with a pulse line
        c.rrect(4, 6, 28, 23, 3, outline=col, width=w)
        c.line([(12, 27), (20, 27)], col, w)
        c.line([(8, 15), (12, 15), (14, 11), (17, 19), (19, 15), (24, 15)], col, 1.8)

    def trojan(c):  # a shield with a tick
        shield(c)
        c.line([(11, 15), (15, 19), (21, 11)], col, w)

    def plugins(c):  # four tiles, one set apart
        for x, y in ((6, 6), (17, 6), (6, 17)):
            c.rrect(x, y, x + 9, y + 9, 2.5, outline=col, width=w)
        c.rrect(18.5, 18.5, 27, 27, 2.5, fill=col)

    def vulnerability(c):  # a shield with an exclamation mark
        shield(c)
        c.line([(16, 10), (16, 17)], col, w)
        c.circle(16, 21.5, 1.4, fill=col)

    def rubbish(c):  # a bin
        c.line([(6, 9), (26, 9)], col, w)
        c.line([(13, 9), (13, 6), (19, 6), (19, 9)], col, 1.8)
        c.line([(8.5, 9), (10, 27), (22, 27), (23.5, 9)], col, w)
        c.line([(14, 13), (14, 23)], col, 1.6)
        c.line([(18, 13), (18, 23)], col, 1.6)

    def cleanup(c):  # a clock with a backwards arrow (traces of use)
        c.arc(16, 16, 10, 200, 520, col, w)
        c.polygon([(3.5, 12.5), (9.5, 12.0), (6.0, 17.5)], col)
        c.line([(16, 10), (16, 16), (20, 19)], col, w)

    def fix(c):  # a wrench
        c.line([(9, 23), (19, 13)], col, 3.2)
        c.circle(21, 11, 5.5, outline=col, width=w)
        c.polygon([(21, 6), (25, 6), (25, 10), (21, 11)], WHITE)
        c.circle(8, 24, 2.2, fill=col)

    def tool(c):  # a toolbox
        c.rrect(5, 11, 27, 26, 2.5, outline=col, width=w)
        c.line([(12, 11), (12, 7), (20, 7), (20, 11)], col, w)
        c.line([(5, 17), (27, 17)], col, 1.6)
        c.rrect(14, 15, 18, 19, 1, fill=col)

    for name, draw in (("examine", examine), ("trojan", trojan), ("plugins", plugins),
                       ("vulnerability", vulnerability), ("rubbish", rubbish),
                       ("cleanup", cleanup), ("fix", fix), ("tool", tool)):
        c = Canvas(32, 32)
        draw(c)
        c.save(f"{out}/vamo_icon_{name}.png")


# ---- login window and user menu -------------------------------------------------------------
def account_images(out):
    # login_bg.png (360 x 340): the login window, a white card whose top 110
    # pixels are the accent header with soft rings; drawn at its full size.
    w, h, head = 360, 340, 110
    c = Canvas(w, h)
    c.rrect(0, 0, w, h, 6, fill=WHITE, outline=BORDER, width=1)
    band = Canvas(w, h)
    band.hgradient(0, 0, w, head + 12, ACCENT_DEEP, mix(ACCENT, WHITE, 0.18), r=6)
    for cx, cy, r, a in ((318, 18, 64, 26), (250, 122, 44, 20), (196, -12, 28, 16),
                         (352, 96, 22, 30)):
        ring = Canvas(w, h)
        ring.circle(cx, cy, r, fill=alpha(WHITE, a))
        band.img.alpha_composite(ring.img)
    keep = Canvas(w, h)  # the header: rounded on top, straight along its bottom
    keep.rrect(0, 0, w, head + 12, 6, fill=WHITE)
    keep.rect(0, head, w, h, CLEAR)
    band.img.putalpha(Image.composite(band.img.getchannel("A"), Image.new("L", band.img.size, 0),
                                      keep.img.getchannel("A")))
    c.img.alpha_composite(band.img)
    c.save(f"{out}/login_bg.png")

    # login_logo.png (48 x 48): the program's mark on the header.
    c = Canvas(48, 48)
    c.rrect(0, 0, 48, 48, 12, fill=WHITE)
    c.text(24, 25, "Q", FONT_BOLD, 30, ACCENT)
    c.save(f"{out}/login_logo.png")

    # login_user_icon.png, login_lock_icon.png (16 x 16): the edits' marks.
    c = Canvas(16, 16)
    c.circle(8, 5, 3.4, fill=MUTED)
    c.ellipse(1.8, 9.5, 14.2, 20.5, fill=MUTED)
    c.save(f"{out}/login_user_icon.png")
    c = Canvas(16, 16)
    c.arc(8, 6.5, 3.8, 180, 360, MUTED, 1.7)
    c.line([(4.2, 6.5), (4.2, 8)], MUTED, 1.7)
    c.line([(11.8, 6.5), (11.8, 8)], MUTED, 1.7)
    c.rrect(2, 7.5, 14, 16, 2.2, fill=MUTED)
    c.circle(8, 11.5, 1.4, fill=WHITE)
    c.save(f"{out}/login_lock_icon.png")

    # menu_bg.png: the user menu, a white card with a border; corner='6,6,6,6'.
    c = Canvas(24, 24)
    c.rrect(0, 0, 24, 24, 4, fill=WHITE, outline=BORDER, width=1)
    c.save(f"{out}/menu_bg.png")


# ---- main ----------------------------------------------------------------------------
def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "quorvi")
    out = os.path.normpath(out)
    for family in (caption_images, window_images, option_images, sidebar_images,
                   settings_images, download_images, icon_images, launcher_images,
                   account_images):
        family(out)
    count = sum(len([f for f in files if f.endswith(".png")]) for _, _, files in os.walk(out))
    print(f"make_images: {count} images in {out}")


if __name__ == "__main__":
    main()
