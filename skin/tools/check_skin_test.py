#!/usr/bin/env python3
"""Tests of check_skin.py: the real skin passes, and each kind of damage that
would break the client at run time is reported.

Usage:  check_skin_test.py [skin folder]      (standard library only)
"""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_skin  # noqa: E402

SKIN = os.path.normpath(sys.argv.pop(1) if len(sys.argv) > 1 else
                        os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "quorvi"))


class DamagedSkin:
    """A copy of the skin folder with one text replaced in one skin file."""

    def __init__(self, old, new, remove_file=None, file="skin.xml"):
        self.old, self.new, self.remove_file, self.file = old, new, remove_file, file

    def __enter__(self):
        self.dir = tempfile.mkdtemp()
        folder = os.path.join(self.dir, "quorvi")
        shutil.copytree(SKIN, folder)
        path = os.path.join(folder, self.file)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        assert self.old in text, f"test text not in {self.file}: {self.old}"
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(self.old, self.new, 1))
        if self.remove_file:
            os.remove(os.path.join(folder, self.remove_file))
        return folder

    def __exit__(self, *exc):
        shutil.rmtree(self.dir)


class CheckSkinTest(unittest.TestCase):
    def problems(self, old, new, remove_file=None):
        with DamagedSkin(old, new, remove_file) as folder:
            return "\n".join(check_skin.check(folder)[0])

    def test_the_skin_passes(self):
        problems, controls, images = check_skin.check(SKIN)
        self.assertEqual(problems, [])
        self.assertGreater(controls, len(check_skin.REQUIRED_NAMES))
        self.assertGreaterEqual(images, len(check_skin.RUNTIME_IMAGES))

    def test_the_login_window_and_the_user_menu(self):
        for file in check_skin.OTHER_SKINS:
            self.assertEqual(check_skin.check(SKIN, file)[0], [], file)
        with DamagedSkin('name="loginBtn"', 'name="btnLogin"', file="login.xml") as folder:
            self.assertIn('"loginBtn" is missing', "\n".join(check_skin.check(folder, "login.xml")[0]))
        with DamagedSkin("login_bg.png", "login_background.png", file="login.xml") as folder:
            self.assertIn("login_background.png is missing",
                          "\n".join(check_skin.check(folder, "login.xml")[0]))
        with DamagedSkin('name="menu_Logout" text="', 'name="menu_Logout" text="\u20ac',
                         file="menu.xml") as folder:
            self.assertIn("GBK cannot hold", "\n".join(check_skin.check(folder, "menu.xml")[0]))

    def test_names_the_client_looks_up(self):
        self.assertIn('"maskFlag" is missing', self.problems('name="maskFlag"', 'name="flag"'))
        self.assertIn('"btnGoHome" is used 2 times',
                      self.problems('name="lbNewsTitle"', 'name="btnGoHome"'))

    def test_malformed_values(self):
        self.assertIn("pos needs four integers",
                      self.problems('pos="158,6,176,24"', 'pos="158,6,176"'))
        self.assertIn("needs #AARRGGBB",
                      self.problems('bkcolor="#FF2563EB"', 'bkcolor="blue"'))
        self.assertIn("malformed image",
                      self.problems("bkimage=\"file='panel_bg.png' corner='8,8,8,8'\"",
                                    "bkimage=\"file='panel_bg.png' corner='8,8'\""))
        self.assertIn("font 9 is not defined", self.problems('font="3"', 'font="9"'))
        self.assertIn("which GBK cannot hold",
                      self.problems('text="查看更新日志"', 'text="查看更新日志 ›"'))
        self.assertIn("unknown attribute padding",
                      self.problems('<Label name="lbNavDivider"',
                                    '<Label padding="1,1,1,1" name="lbNavDivider"'))
        self.assertIn("unknown element Slider",
                      self.problems('<Label name="lbNavDivider"',
                                    '<Slider name="x" /><Label name="lbNavDivider"'))

    def test_images(self):
        self.assertIn("image nothere.png is missing",
                      self.problems('bkimage="news_empty.png"', 'bkimage="nothere.png"'))
        self.assertIn("image images/app.png is missing",
                      self.problems("<!--", "<!--", remove_file="images/app.png"))

    def test_floats_stay_inside_their_parent(self):
        self.assertIn('"optNoLinkTB": 4,248,44,300 is outside',
                      self.problems('pos="4,248,44,288"', 'pos="4,248,44,300"'))

    def test_layout_the_client_computes_with(self):
        self.assertIn("must share one origin",
                      self.problems('name="containerMask" float="true" pos="0,0,950,553"',
                                    'name="containerMask" float="true" pos="0,10,950,553"'))
        self.assertIn("seven navigation options must fit",
                      self.problems('pos="0,430,950,553"', 'pos="0,430,900,553"'))
        self.assertIn("must leave it client area",
                      self.problems('553" caption="0,0,372,26"', '553" caption="0,0,200,26"'))
        nested_channel = ('<Container name="layWrap" float="true" pos="0,0,460,354">'
                          '<Option name="optSettingChannel9" userdata="9" float="true"'
                          ' pos="0,0,10,10" /></Container><Label name="lbSettingChannel"')
        self.assertIn("must be siblings of optSettingIsAutoStartWebPage",
                      self.problems('<Label name="lbSettingChannel"', nested_channel))
        self.assertIn("restorebtn must start hidden",
                      self.problems('name="restorebtn" width="36" visible="false"',
                                    'name="restorebtn" width="36"'))


if __name__ == "__main__":
    unittest.main(verbosity=1)
