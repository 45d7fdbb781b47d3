#!/usr/bin/python3
"""Draws the gallery skin's images (run once; the PNGs are kept beside the skin)."""
from pathlib import Path
from PIL import Image, ImageDraw, ImageFilter

OUT = Path(__file__).resolve().parent / "skin"
S = 4  # supersampling for smooth edges


def canvas(w, h):
    return Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))


def save(img, name, w, h):
    img.resize((w, h), Image.LANCZOS).save(OUT / name)


def rounded(w, h, radius, fill, outline=None, width=1, shadow=None):
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    inset = 0
    if shadow:
        inset = 3
        sh = canvas(w, h)
        ImageDraw.Draw(sh).rounded_rectangle(
            [inset * S, (inset + 1) * S, (w - inset) * S - 1, (h - inset + 1) * S - 1],
            radius * S, fill=shadow)
        img = Image.alpha_composite(img, sh.filter(ImageFilter.GaussianBlur(2 * S)))
        d = ImageDraw.Draw(img)
    d.rounded_rectangle([inset * S, inset * S, (w - inset) * S - 1, (h - inset) * S - 1],
                        radius * S, fill=fill, outline=outline, width=width * S)
    return img


def button_states():
    blue = {"normal": (45, 108, 223, 255), "hot": (66, 130, 240, 255), "pushed": (30, 86, 190, 255)}
    for state, colour in blue.items():
        save(rounded(40, 32, 6, colour), f"btn_primary_{state}.png", 40, 32)
    plain = {"normal": (255, 255, 255, 255), "hot": (238, 244, 255, 255), "pushed": (222, 232, 250, 255)}
    for state, colour in plain.items():
        save(rounded(40, 32, 6, colour, outline=(190, 202, 222, 255)), f"btn_plain_{state}.png", 40, 32)
    save(rounded(40, 32, 6, (228, 231, 237, 255), outline=(210, 214, 222, 255)), "btn_disabled.png", 40, 32)


def nav_states():
    for state, colour in {"hot": (236, 242, 252, 255), "selected": (224, 235, 255, 255)}.items():
        img = rounded(160, 40, 6, colour)
        if state == "selected":
            ImageDraw.Draw(img).rounded_rectangle([0, 8 * S, 4 * S, 32 * S], 2 * S, fill=(45, 108, 223, 255))
        save(img, f"nav_{state}.png", 160, 40)


def caption_buttons():
    for kind in ("min", "max", "restore", "close"):
        for state in ("normal", "hot"):
            img = canvas(40, 40)
            d = ImageDraw.Draw(img)
            if state == "hot":
                d.rectangle([0, 0, 40 * S, 40 * S],
                            fill=(232, 72, 72, 255) if kind == "close" else (255, 255, 255, 50))
            white = (255, 255, 255, 255)
            w = int(1.6 * S)
            if kind == "min":
                d.line([14 * S, 20 * S, 26 * S, 20 * S], fill=white, width=w)
            elif kind == "max":
                d.rectangle([14 * S, 14 * S, 26 * S, 26 * S], outline=white, width=w)
            elif kind == "restore":
                d.rectangle([13 * S, 16 * S, 23 * S, 26 * S], outline=white, width=w)
                d.line([16 * S, 13 * S, 27 * S, 13 * S, 27 * S, 23 * S], fill=white, width=w)
            else:
                d.line([14 * S, 14 * S, 26 * S, 26 * S], fill=white, width=w)
                d.line([26 * S, 14 * S, 14 * S, 26 * S], fill=white, width=w)
            save(img, f"caption_{kind}_{state}.png", 40, 40)


def checks():
    for kind in ("check", "radio"):
        for state in ("normal", "hot", "selected"):
            img = canvas(16, 16)
            d = ImageDraw.Draw(img)
            border = (45, 108, 223, 255) if state != "normal" else (160, 170, 186, 255)
            fill = (45, 108, 223, 255) if state == "selected" else (255, 255, 255, 255)
            box = [S // 2, S // 2, 16 * S - S // 2, 16 * S - S // 2]
            if kind == "check":
                d.rounded_rectangle(box, 3 * S, fill=fill, outline=border, width=S)
                if state == "selected":
                    d.line([4 * S, 8 * S, 7 * S, 11 * S, 12 * S, 5 * S], fill=(255, 255, 255, 255), width=2 * S)
            else:
                d.ellipse(box, fill=(255, 255, 255, 255), outline=border, width=S)
                if state == "selected":
                    d.ellipse([4 * S, 4 * S, 12 * S, 12 * S], fill=(45, 108, 223, 255))
            save(img, f"{kind}_{state}.png", 16, 16)


def panels():
    save(rounded(30, 30, 8, (255, 255, 255, 255), shadow=(30, 50, 90, 70)), "card.png", 30, 30)
    save(rounded(30, 30, 4, (255, 255, 255, 255), outline=(196, 205, 220, 255)), "edit_bg.png", 30, 30)
    save(rounded(30, 30, 4, (255, 255, 255, 255), outline=(45, 108, 223, 255)), "edit_focus.png", 30, 30)
    combo = rounded(40, 30, 4, (255, 255, 255, 255), outline=(196, 205, 220, 255))
    ImageDraw.Draw(combo).line([24 * S, 13 * S, 28 * S, 17 * S, 32 * S, 13 * S], fill=(110, 120, 138, 255),
                               width=int(1.6 * S))
    save(combo, "combo_bg.png", 40, 30)
    save(rounded(20, 10, 5, (226, 231, 240, 255)), "progress_bk.png", 20, 10)
    grad = canvas(20, 10)
    d = ImageDraw.Draw(grad)
    for x in range(20 * S):
        t = x / (20 * S)
        d.line([x, 0, x, 10 * S], fill=(int(45 + 40 * t), int(108 + 90 * t), int(223 + 20 * t), 255))
    mask = rounded(20, 10, 5, (255, 255, 255, 255)).split()[3]
    grad.putalpha(mask)
    save(grad, "progress_fg.png", 20, 10)


def icons():
    palette = [(45, 108, 223), (16, 163, 127), (234, 139, 32), (207, 64, 96), (123, 88, 214), (40, 160, 200)]
    glyphs = ["doc", "chart", "mail", "music", "map", "cloud"]
    for i, (colour, glyph) in enumerate(zip(palette, glyphs)):
        img = rounded(56, 56, 12, colour + (255,), shadow=(20, 30, 60, 60))
        d = ImageDraw.Draw(img)
        white = (255, 255, 255, 235)
        c = 28 * S
        if glyph == "doc":
            d.rounded_rectangle([19 * S, 15 * S, 37 * S, 41 * S], 2 * S, outline=white, width=2 * S)
            for y in (22, 28, 34):
                d.line([23 * S, y * S, 33 * S, y * S], fill=white, width=2 * S)
        elif glyph == "chart":
            for j, h in enumerate((10, 18, 14, 24)):
                d.rectangle([(17 + j * 6) * S, (40 - h) * S, (21 + j * 6) * S, 40 * S], fill=white)
        elif glyph == "mail":
            d.rectangle([16 * S, 19 * S, 40 * S, 37 * S], outline=white, width=2 * S)
            d.line([16 * S, 19 * S, c, 30 * S, 40 * S, 19 * S], fill=white, width=2 * S)
        elif glyph == "music":
            d.ellipse([18 * S, 33 * S, 25 * S, 40 * S], fill=white)
            d.line([24 * S, 36 * S, 24 * S, 16 * S, 37 * S, 14 * S, 37 * S, 32 * S], fill=white, width=2 * S)
            d.ellipse([31 * S, 29 * S, 38 * S, 36 * S], fill=white)
        elif glyph == "map":
            d.ellipse([20 * S, 14 * S, 36 * S, 30 * S], outline=white, width=2 * S)
            d.polygon([(22 * S, 27 * S), (c, 42 * S), (34 * S, 27 * S)], fill=white)
            d.ellipse([25 * S, 19 * S, 31 * S, 25 * S], fill=white)
        else:
            d.ellipse([16 * S, 24 * S, 28 * S, 36 * S], fill=white)
            d.ellipse([22 * S, 17 * S, 38 * S, 33 * S], fill=white)
            d.rectangle([22 * S, 28 * S, 40 * S, 36 * S], fill=white)
        save(img, f"app_{i + 1}.png", 56, 56)


def logo():
    img = rounded(24, 24, 6, (255, 255, 255, 255))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([5 * S, 5 * S, 11 * S, 11 * S], S, fill=(45, 108, 223, 255))
    d.rounded_rectangle([13 * S, 5 * S, 19 * S, 11 * S], S, fill=(16, 163, 127, 255))
    d.rounded_rectangle([5 * S, 13 * S, 11 * S, 19 * S], S, fill=(234, 139, 32, 255))
    d.rounded_rectangle([13 * S, 13 * S, 19 * S, 19 * S], S, fill=(207, 64, 96, 255))
    save(img, "logo.png", 24, 24)


if __name__ == "__main__":
    OUT.mkdir(exist_ok=True)
    button_states(); nav_states(); caption_buttons(); checks(); panels(); icons(); logo()
