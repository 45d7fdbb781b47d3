#!/usr/bin/env python3
"""Checks the skin files (skin/quorvi/skin.xml, login.xml, menu.xml) without drawing them.

Usage:  check_skin.py [skin folder]      (standard library only)

It reports, one line each, and exits with 1 when anything is wrong:
  - elements and attributes outside the vocabulary of the widget layer;
  - malformed values (rectangles, colours, booleans, alignments, image specs,
    font ids) and texts that GBK cannot hold;
  - images that are referenced by the skin or by the client's code but missing
    or not PNG files;
  - control names that the client looks up, missing or present more than once
    (every name must be unique);
  - floating controls that do not lie inside their parent;
  - the layout facts the client's position arithmetic depends on.

Sections: vocabulary | value parsers | tree and layout | checks | main
"""

import os
import re
import struct
import sys
import xml.etree.ElementTree as ET

# ---- vocabulary ----------------------------------------------------------------------
CONTROL_ELEMENTS = {
    "Container", "VerticalLayout", "HorizontalLayout", "TabLayout", "Label", "Text",
    "Button", "Option", "Edit", "Combo", "List", "ListLabelElement", "Progress", "ActiveX",
    "WebBrowser",
}
LAYOUT_ELEMENTS = {"Container", "VerticalLayout", "HorizontalLayout", "TabLayout", "List",
                   "Combo"}
CONTROL_ATTRIBUTES = {
    "name", "text", "tooltip", "userdata", "visible", "pos", "float", "width", "height",
    "bkcolor", "bkimage", "normalimage", "hotimage", "pushedimage", "selectedimage",
    "foreimage", "textcolor", "textpadding", "align", "font", "group", "selected",
    "vscrollbar", "itemshowhtml", "min", "max", "value", "maxheight", "password", "itemheight",
    "accname", "tabgroup", "menu",
}
IMAGE_ATTRIBUTES = {"bkimage", "normalimage", "hotimage", "pushedimage", "selectedimage",
                    "foreimage"}
WINDOW_ATTRIBUTES = {"size", "caption", "sizebox", "roundcorner", "mininfo"}
FONT_ATTRIBUTES = {"id", "name", "size", "bold", "default"}
ALIGN_WORDS = ("centerbottom", "vcenter", "center", "left", "right", "top", "bottom")

# Names the client looks up in the main window's skin.
REQUIRED_NAMES = [
    "closebtn", "maxbtn", "restorebtn", "minbtn", "optNavUser", "btnGoHome", "Container1",
    "ieContainer", "containerMask", "maskOption", "maskFlag", "signature", "btnStartSearch",
    "labelSearchResultCount", "listSearchResult", "listSearchResultContainer",
    "containerHistoryPanel", "btnShowNewsPanel", "btnCloseNewsPanel", "btnShowHistoryPanel",
    "btnCloseHistoryPanel", "btnShowUpdateLog", "btnCloseTipsPanel", "btnHideSideBar",
    "btnExpandSideBar", "ExpandBarContainer", "FloatContainer", "laySecondBg", "optNoLinkTB",
    "containerSettingDialog", "optSettingIsAutoStartWebPage", "optSettingSaveDefault",
    "optSettingSaveCustom", "txtSettingSavePath", "btnBrowserFolder", "btnSettingDialogOk",
    "btnSettingDialogApply", "btnShowSettingPanel", "btnCloseSettingDialog", "btnOpenService",
]
# The other windows' skins and the names the client looks up in each.
OTHER_SKINS = {
    "login.xml": ["closebtn", "accountedit", "pwdedit", "accountcombo", "optRemPsw",
                  "optAutoLogin", "lbLoginInfo", "loginBtn", "btnRegisterLink",
                  "btnForgetPasswordLink"],
    "menu.xml": ["menu_UserCenter", "menu_Logout"],
}
# Images the client's code names itself (set at run time, not in the skin).
RUNTIME_IMAGES = [
    "toolbar_normal.png", "toolbar_hover.png", "toolbar_pushed.png", "item_hover.png",
    "bg3.png", "search_bg_normal.png", "search_bg_hot.png", "btn_login_normal.png",
    "btn_login_normal_bak.png", "btn_close_normal.png", "btn_close_hot.png", "progress_bk.png",
    "progress_fk.png", "images/app.png",
]


# ---- value parsers -----------------------------------------------------------------------
def parse_ints(text, count):
    parts = text.split(",")
    if len(parts) != count or not all(re.fullmatch(r"\s*-?\d+\s*", p) for p in parts):
        return None
    return [int(p) for p in parts]


def parse_image(text):
    """Gives (file, {key: value}) or None when malformed."""
    if "=" not in text:
        return text.strip(), {}
    pairs = re.findall(r"(\w+)\s*=\s*'([^']*)'", text)
    if re.sub(r"(\w+)\s*=\s*'([^']*)'", "", text).strip():
        return None
    spec = dict(pairs)
    if set(spec) - {"file", "dest", "source", "corner"} or "file" not in spec:
        return None
    for key in ("dest", "source", "corner"):
        if key in spec and parse_ints(spec[key], 4) is None:
            return None
    return spec["file"], spec


def parse_attribute_list(text):
    pairs = re.findall(r"""(\w+)\s*=\s*(?:"([^"]*)"|'([^']*)')""", text)
    rest = re.sub(r"""(\w+)\s*=\s*(?:"([^"]*)"|'([^']*)')""", "", text).strip()
    return None if rest else [(k, a or b) for k, a, b in pairs]


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


# ---- tree and layout -------------------------------------------------------------------------
class Node:
    def __init__(self, elem, parent):
        self.elem, self.parent = elem, parent
        self.tag, self.attrs = elem.tag, dict(elem.attrib)
        self.name = self.attrs.get("name", "")
        self.children = []
        self.rect = None  # absolute (l, t, r, b) from the layout below

    @property
    def floating(self):
        return self.attrs.get("float", "false").lower() == "true"

    @property
    def visible(self):
        return self.attrs.get("visible", "true").lower() != "false"

    def label(self):
        return f'{self.tag} "{self.name}"' if self.name else self.tag


def build_tree(elem, parent, out):
    node = Node(elem, parent)
    out.append(node)
    for child in elem:
        if child.tag in CONTROL_ELEMENTS:
            node.children.append(build_tree(child, node, out))
    return node


def layout(node, rect, problems):
    """Gives every control its absolute rectangle, as the widget layer would."""
    node.rect = rect
    l, t, r, b = rect
    stacked = [c for c in node.children if not c.floating]
    if node.tag in ("VerticalLayout", "HorizontalLayout", "List"):
        vertical = node.tag != "HorizontalLayout"
        key = "height" if vertical else "width"
        shown = [c for c in stacked if c.visible]
        fixed = sum(int(c.attrs[key]) for c in shown if key in c.attrs)
        flexible = [c for c in shown if key not in c.attrs]
        room = (b - t if vertical else r - l) - fixed
        if room < 0 and node.tag != "List":
            problems.append(f"{node.label()}: its fixed children need {-room} px more than it has")
        share = room // len(flexible) if flexible and room > 0 else 0
        at = t if vertical else l
        for c in stacked:
            size = int(c.attrs.get(key, share)) if c.visible else 0
            if vertical:
                layout(c, (l, at, r, at + size), problems)
            else:
                layout(c, (at, t, at + size, b), problems)
            at += size
    else:  # Container, TabLayout, leaves: stacked children get the whole rectangle
        for c in stacked:
            layout(c, rect, problems)
    for c in node.children:
        if not c.floating:
            continue
        pos = parse_ints(c.attrs.get("pos", ""), 4)
        if pos is None:
            continue  # reported by the value checks
        layout(c, (l + pos[0], t + pos[1], l + pos[2], t + pos[3]), problems)


def size_of(node):
    l, t, r, b = node.rect
    return r - l, b - t


# ---- checks --------------------------------------------------------------------------
class Checker:
    def __init__(self, folder):
        self.folder = folder
        self.problems = []
        self.fonts = set()
        self.images = set()

    def problem(self, text):
        self.problems.append(text)

    def check_image(self, where, text):
        spec = parse_image(text)
        if spec is None:
            self.problem(f"{where}: malformed image \"{text}\"")
            return
        self.images.add(spec[0])

    def check_value(self, where, name, value):
        if name in ("text", "tooltip", "userdata", "accname"):
            try:
                value.encode("gbk")
            except UnicodeEncodeError as error:
                self.problem(f"{where}: {name} holds \"{value[error.start]}\", which GBK "
                             "cannot hold (the client's texts are GBK)")
        elif name in ("pos", "textpadding"):
            if parse_ints(value, 4) is None:
                self.problem(f"{where}: {name} needs four integers, not \"{value}\"")
        elif name in ("bkcolor", "textcolor"):
            if not re.fullmatch(r"#[0-9A-Fa-f]{8}", value):
                self.problem(f"{where}: {name} needs #AARRGGBB, not \"{value}\"")
        elif name in ("float", "visible", "selected", "vscrollbar", "itemshowhtml", "password"):
            if value.lower() not in ("true", "false"):
                self.problem(f"{where}: {name} needs true or false, not \"{value}\"")
        elif name in ("width", "height", "min", "max", "value", "maxheight", "itemheight"):
            if not re.fullmatch(r"\d+", value):
                self.problem(f"{where}: {name} needs a number, not \"{value}\"")
        elif name == "font":
            if value not in self.fonts:
                self.problem(f"{where}: font {value} is not defined")
        elif name == "align":
            rest = value
            for word in ALIGN_WORDS:
                rest = rest.replace(word, "")
            if rest.strip():
                self.problem(f"{where}: unknown alignment \"{value}\"")
        elif name in IMAGE_ATTRIBUTES:
            self.check_image(where, value)

    def check_head(self, root):
        if root.tag != "Window":
            self.problem("the root element must be Window")
            return None
        for name, value in root.attrib.items():
            if name not in WINDOW_ATTRIBUTES:
                self.problem(f"Window: unknown attribute {name}")
            elif name != "caption" and parse_ints(value, 4 if name in ("sizebox",) else 2) is None:
                self.problem(f"Window: malformed {name} \"{value}\"")
        if parse_ints(root.get("caption", ""), 4) is None:
            self.problem("Window: caption needs four integers")
        for font in root.findall("Font"):
            for name in font.attrib:
                if name not in FONT_ATTRIBUTES:
                    self.problem(f"Font: unknown attribute {name}")
            self.fonts.add(font.get("id", ""))
        for default in root.findall("Default"):
            pairs = parse_attribute_list(default.get("value", ""))
            if default.get("name") not in CONTROL_ELEMENTS or pairs is None:
                self.problem(f"Default {default.get('name')}: malformed")
                continue
            for name, value in pairs:
                if name not in CONTROL_ATTRIBUTES:
                    self.problem(f"Default {default.get('name')}: unknown attribute {name}")
                self.check_value(f"Default {default.get('name')}", name, value)
        for child in root:
            if child.tag not in CONTROL_ELEMENTS | {"Font", "Default"}:
                self.problem(f"unknown element {child.tag}")
        controls = [c for c in root if c.tag in CONTROL_ELEMENTS]
        if len(controls) != 1:
            self.problem("Window must hold exactly one root control")
            return None
        return parse_ints(root.get("size", ""), 2), controls[0]

    def check_nodes(self, nodes):
        for node in nodes:
            for child in node.elem:
                if child.tag not in CONTROL_ELEMENTS:
                    self.problem(f"{node.label()}: unknown element {child.tag}")
            for name, value in node.attrs.items():
                if name not in CONTROL_ATTRIBUTES:
                    self.problem(f"{node.label()}: unknown attribute {name}")
                self.check_value(node.label(), name, value)
            if node.floating and "pos" not in node.attrs:
                self.problem(f"{node.label()}: floating without pos")

    def check_names(self, nodes, required=REQUIRED_NAMES):
        seen = {}
        for node in nodes:
            if node.name:
                seen[node.name] = seen.get(node.name, 0) + 1
        for name, count in seen.items():
            if count > 1:
                self.problem(f"name \"{name}\" is used {count} times")
        for name in required:
            if name not in seen:
                self.problem(f"required control \"{name}\" is missing")

    def check_floats_inside(self, nodes):
        for node in nodes:
            if not node.floating or node.parent is None or node.rect is None:
                continue
            pl, pt, pr, pb = node.parent.rect
            l, t, r, b = node.rect
            if not (pl <= l <= r <= pr and pt <= t <= b <= pb):
                self.problem(f"{node.label()}: {l - pl},{t - pt},{r - pl},{b - pt} is outside "
                             f"its parent's {pr - pl} x {pb - pt}")

    def check_files(self, runtime=RUNTIME_IMAGES):
        for image in sorted(self.images | set(runtime)):
            path = os.path.join(self.folder, image)
            if not os.path.isfile(path):
                self.problem(f"image {image} is missing")
            elif png_size(path) is None:
                self.problem(f"image {image} is not a PNG file")

    def check_structure(self, by_name, caption, window_size):
        """The layout facts behind the client's position arithmetic."""
        def need(cond, text):
            if not cond:
                self.problem(text)

        def get(name):
            return by_name.get(name)

        home, mask = get("Container1"), get("containerMask")
        if home and mask and home.parent and home.parent.parent:
            origin = home.parent.rect[:2]
            need(mask.rect[:2] == origin, "containerMask and the parent of Container1 must share "
                 "one origin")
            need(home.parent.parent.rect[:2] == origin, "the grandparent of Container1 (where "
                 "floating panels go) must share the origin of the parent of Container1")
            need(not home.floating and home.parent.tag == "Container", "Container1 must fill a "
                 "plain Container, as the group containers will")
            w, h = size_of(home.parent)
            need(75 + 145 * 5 + 100 <= w and 32 + 130 * 2 + 100 <= h,
                 "three quick-bar rows of six must fit the parent of Container1")
            w, h = size_of(home)
            need(725 + 154 <= w and 378 + 46 <= h, "the recommendation columns must fit Container1")
            w, h = size_of(home.parent.parent)
            need(948 <= w, "floating panels are 948 wide")
        flag, option = get("maskFlag"), get("maskOption")
        if flag and option and mask:
            need(flag.parent is mask and option.parent is mask, "maskOption and maskFlag belong "
                 "in containerMask")
        user = get("optNavUser")
        if user and user.parent:
            w, h = size_of(user.parent)
            need(140 + 115 * 6 + 100 <= w and 110 <= h, "seven navigation options must fit the "
                 "parent of optNavUser")
        ie = get("ieContainer")
        need(ie is not None and ie.parent is not None and ie.parent.parent is not None
             and ie.parent.parent.parent is not None, "ieContainer needs a grandparent below "
             "the root (the home page area that is hidden and shown)")
        if ie and ie.parent and ie.parent.parent:
            need(not ie.parent.parent.visible, "the home page area starts hidden")
        history = get("containerHistoryPanel")
        if history:
            w, h = size_of(history)
            need(110 + 34 <= w and 32 + 66 * 4 + 36 <= h, "fifteen history icons (five rows of "
                 "three) must fit containerHistoryPanel")
            close = get("btnCloseHistoryPanel")
            node = close
            while node is not None:
                need(node is not history, "containerHistoryPanel is emptied at run time; "
                     "btnCloseHistoryPanel must not lie inside it")
                node = node.parent
        results = get("listSearchResultContainer")
        if results:
            need(results.parent is get("listSearchResult"), "listSearchResultContainer must be "
                 "a child of listSearchResult")
            need(65 + 140 * 5 + 100 <= size_of(results)[0], "six search results must fit a row")
        search = get("signature")
        if search:
            need(search.tag == "Edit", "signature must be an Edit")
            need(search.parent is not None and search.parent.attrs.get("bkimage") ==
                 "search_bg_normal.png", "the parent of signature needs bkimage "
                 "search_bg_normal.png")
            if search.parent is not None and caption is not None:
                bw, bh = size_of(search.parent)
                for image in ("search_bg_normal.png", "search_bg_hot.png"):
                    path = os.path.join(self.folder, image)
                    size = png_size(path) if os.path.isfile(path) else None
                    need(size == (bw, bh), f"{image} should be {bw} x {bh}, the size of the "
                         "search box it is stretched over")
                l, t, r, b = search.rect
                in_band = caption[1] <= t < caption[3]
                need(not in_band or l >= window_size[0] - caption[2], "the search box lies in "
                     "the caption band: the caption's right margin must leave it client area")
        dialog = get("containerSettingDialog")
        auto = get("optSettingIsAutoStartWebPage")
        if dialog and auto:
            channels = [n for n in by_name.values() if n.name.startswith("optSettingChannel")]
            need(channels and all(n.parent is auto.parent for n in channels),
                 "optSettingChannel options must be siblings of optSettingIsAutoStartWebPage")
            need(all(n.attrs.get("userdata") for n in channels), "every channel option needs "
                 "its channel value as user data")
            buttons = [n for n in by_name.values() if n.name.startswith("btnSettingDialog")]
            need(all(n.parent is dialog for n in buttons), "btnSettingDialog buttons hide their "
                 "parent: it must be containerSettingDialog")
        for close in ("btnCloseNewsPanel", "btnCloseTipsPanel", "btnCloseHistoryPanel"):
            node = get(close)
            if node:
                need(node.parent is not None and node.parent.parent is not None, f"the parent "
                     f"of {close} is the panel that is hidden; it cannot be the root")
        expand = get("ExpandBarContainer")
        if expand:
            need(expand.attrs.get("pos") == "0,24,25,52", "ExpandBarContainer is moved to "
                 "0,24,25,52 at run time; give it that position")
        for name, visible in (("restorebtn", False), ("containerMask", False),
                              ("listSearchResult", False), ("laySecondBg", False),
                              ("ExpandBarContainer", False), ("containerSettingDialog", False),
                              ("FloatContainer", True), ("maxbtn", True)):
            node = get(name)
            if node:
                need(node.visible == visible, f"{name} must start {'shown' if visible else 'hidden'}")
        second = get("laySecondBg")
        if second:
            need(second.tag in ("Button", "Option"), "laySecondBg hides on its own click, so it "
                 "must be a button")


def check(folder, file="skin.xml"):
    """Problems, controls and images of one skin file; the main skin also gets
    the layout facts its client code relies on."""
    main_skin = file == "skin.xml"
    required = REQUIRED_NAMES if main_skin else OTHER_SKINS[file]
    runtime = RUNTIME_IMAGES if main_skin else []
    checker = Checker(folder)
    path = os.path.join(folder, file)
    with open(path, "rb") as f:
        head = f.readline()
    if b'encoding="utf-8"' not in head.lower():
        checker.problem(f"{file} must declare encoding=\"utf-8\"")
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError as error:
        return [f"{file} does not parse: {error}"], 0, 0
    head = checker.check_head(root)
    if head is None:
        return checker.problems, 0, 0
    window_size, top = head
    nodes = []
    build_tree(top, None, nodes)
    checker.check_nodes(nodes)
    layout_problems = []
    layout(nodes[0], (0, 0, window_size[0], window_size[1]), layout_problems)
    checker.problems += layout_problems
    checker.check_names(nodes, required)
    checker.check_floats_inside(nodes)
    checker.check_files(runtime)
    if main_skin:
        by_name = {n.name: n for n in nodes if n.name}
        checker.check_structure(by_name, parse_ints(root.get("caption", ""), 4), window_size)
    return checker.problems, len(nodes), len(checker.images | set(runtime))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "quorvi")
    problems, controls, images = check(os.path.normpath(folder))
    for file in OTHER_SKINS:
        more, more_controls, more_images = check(os.path.normpath(folder), file)
        problems += [f"{file}: {line}" for line in more]
        controls += more_controls
        images += more_images
    for line in problems:
        print(f"check_skin: {line}")
    if problems:
        print(f"check_skin: {len(problems)} problem(s)")
        return 1
    print(f"check_skin: OK ({controls} controls, {images} images)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
