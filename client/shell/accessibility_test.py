"""Every window as a screen reader sees it, through AT-SPI.

Run inside a private session bus (dbus-run-session) on a virtual display: the
session bus starts the accessibility bus when the client's GTK asks for it.
Starts the portal stand-in and the client from a copy of the program folder,
walks the client's accessible tree and checks roles, names, states and
extents of a sample of controls; then, with no mouse: opens a group's quick
bar by the "click" action; opens another group by real key presses alone
(Tab, arrows, Return, space, Escape), the focus announced as it follows the
keys; searches (the results announced as children added, then removed); signs
in through the login window by typing, Tab and Return; opens the user menu and
from it an application dialog, starts and cancels a plugin's download (its
status control announced as children added), and finally starts the launcher
and switches its pages.

Usage: accessibility_test.py DIST_FOLDER
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request
import xml.etree.ElementTree as ET

import pyatspi
from gi.repository import GLib

TIME_LIMIT = 40  # seconds for each wait


def wait_for(what, probe, limit=TIME_LIMIT):
    """The first true answer of probe(), polled until the time limit."""
    end = time.monotonic() + limit
    last_error = None
    while True:
        # Events reach their listeners from the main loop.
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            answer = probe()
            if answer:
                return answer
        except Exception as error:  # the bus starting, an object gone while walked
            last_error = error
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for %s (last error: %s)" % (what, last_error))
        time.sleep(0.1)


def walk(node, out):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        out.append(child)
        walk(child, out)
    return out


def states(node):
    return node.getState()


def showing(node):
    return states(node).contains(pyatspi.STATE_SHOWING)


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def top_windows(application):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is None or app.name != application:
                continue
        except Exception:  # an application that has just ended (a plugin)
            continue
        for j in range(app.childCount):
            window = app.getChildAtIndex(j)
            if window is not None:
                yield window


def window_named(name, application="quorvi"):
    """The showing top window of that title, or None."""
    return next((w for w in top_windows(application) if w.name == name and showing(w)), None)


def main_frame():
    return window_named("Quorvi")


def showing_named(nodes, name, roles):
    return next((n for n in nodes if n.name == name and n.getRole() in roles and showing(n)), None)


def click(node, what):
    check(node is not None, "no %s to click" % what)
    check(node.queryAction().doAction(0), "the click action on %s was refused" % what)


def inside(node, window):
    x, y, w, h = extents(node)
    wx, wy, ww, wh = extents(window)
    return w > 0 and h > 0 and wx <= x and x + w <= wx + ww and wy <= y and y + h <= wy + wh


def describe_desktop():
    desktop = pyatspi.Registry.getDesktop(0)
    apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
    return [(app.name, [(w.name, w.getRoleName(), showing(w))
                        for w in (app.getChildAtIndex(j) for j in range(app.childCount)) if w])
            for app in apps if app]


KEYSYMS = {"Tab": 0xff09, "Right": 0xff53, "Return": 0xff0d, "Escape": 0xff1b, "space": 0x20}


def press(key):
    """A real key press and release, through the X server."""
    pyatspi.Registry.generateKeyboardEvent(KEYSYMS[key], None, pyatspi.KEY_SYM)


def type_text(text):
    pyatspi.Registry.generateKeyboardEvent(0, text, pyatspi.KEY_STRING)


def by_role(nodes, role):
    return {n.name: n for n in nodes if n.getRole() == role}


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def run(dist, work):
    program = os.path.join(work, "program")
    shutil.copytree(dist, program, symlinks=True)
    for name in ("portal-data", "quorvi-portal", "apps.xml", "vamo.db"):
        path = os.path.join(program, name)
        if os.path.isdir(path):
            shutil.rmtree(path)
        elif os.path.exists(path):
            os.remove(path)
    data = os.path.join(work, "portal-data")
    shutil.copytree(os.path.join(dist, "portal-data"), data)
    catalogue = ET.parse(os.path.join(data, "app", "appsn.xml")).getroot()
    groups = [(g.get("caption"), [a.get("caption") for a in g.findall("app")])
              for g in catalogue.findall("group")]

    env = dict(os.environ, GSETTINGS_BACKEND="memory")
    env.pop("NO_AT_BRIDGE", None)
    processes = []
    try:
        portal_err = open(os.path.join(work, "portal.err"), "w")
        processes.append(subprocess.Popen(
            [os.path.join(dist, "quorvi-portal"), "--data", data, "--log",
             os.path.join(work, "requests.log")], stderr=portal_err, env=env))
        wait_for("the portal", lambda: "serving" in open(portal_err.name).read(), 15)
        # The accessibility bus and its registry run before the client starts:
        # a client that finds no accessibility bus at start-up never joins one.
        wait_for("the accessibility registry",
                 lambda: pyatspi.Registry.getDesktop(0).childCount >= 0, 15)
        client_out = open(os.path.join(work, "client.out"), "w")
        # The launcher first, as a user starts them: without it the client's
        # final updater ends the client.
        processes.append(subprocess.Popen([os.path.join(program, "vamo")], cwd=program,
                                          stdout=client_out, stderr=subprocess.STDOUT,
                                          env=env))
        processes.append(subprocess.Popen([os.path.join(program, "quorvi")], cwd=program,
                                          stdout=client_out, stderr=subprocess.STDOUT,
                                          env=env))

        try:
            frame = wait_for("the main window in the accessible tree", main_frame)
        except AssertionError:
            print("clients on the accessibility bus: %r" % describe_desktop())
            raise
        fx, fy, fw, fh = extents(frame)
        check(fw == 950 and fh == 553, "main window extents %r" % ((fx, fy, fw, fh),))
        # The catalogue arrives from the portal: its navigation options appear
        # in the navigation bar (430 pixels down, 100 x 100).
        def navigation():
            options = {}
            for node in walk(frame, []):
                if node.getRole() == pyatspi.ROLE_RADIO_BUTTON and extents(node)[1] == fy + 440:
                    options[node.name] = node
            return options if all(c in options for c, _ in groups) else None

        nav = wait_for("the navigation options", navigation)
        nodes = walk(frame, [])
        buttons = by_role(nodes, pyatspi.ROLE_PUSH_BUTTON)

        # Icon-only caption buttons are named; they lie in the window's top right.
        close = buttons.get("关闭")
        check(close is not None, "no push button named 关闭")
        x, y, w, h = extents(close)
        check(w == 36 and fx + fw - 60 <= x and x + w <= fx + fw and fy <= y < fy + 26,
              "close button extents %r in %r" % ((x, y, w, h), (fx, fy, fw, fh)))
        check(showing(close) and states(close).contains(pyatspi.STATE_ENABLED),
              "close button not showing and enabled")
        check("click" in [close.queryAction().getName(i)
                          for i in range(close.queryAction().nActions)], "no click action")
        # A hidden button is there, not showing.
        check("还原" in buttons and not showing(buttons["还原"]), "restore button state")
        # The user option, alone in no group, is a toggle button.
        toggles = by_role(nodes, pyatspi.ROLE_TOGGLE_BUTTON)
        check("登录" in toggles and showing(toggles["登录"]), "no showing toggle button 登录")
        # The search box is the native entry, named for what it is for.
        entries = by_role(nodes, pyatspi.ROLE_TEXT)
        entries.update(by_role(nodes, pyatspi.ROLE_ENTRY))
        check("搜索应用" in entries, "no entry named 搜索应用 among %r" % list(entries))
        for caption, _ in groups:
            x, y, w, h = extents(nav[caption])
            check((w, h) == (100, 100) and fx <= x and x + w <= fx + fw and showing(nav[caption]),
                  "navigation option %s extents %r" % (caption, (x, y, w, h)))
            check(states(nav[caption]).contains(pyatspi.STATE_CHECKABLE),
                  "navigation option %s not checkable" % caption)

        # "click" on the second group's option shows its quick bar: each of its
        # applications gets a showing option (its options are made as the group
        # is first shown; the recommendations may show the same names), a
        # 100 x 100 tile above the navigation bar.
        caption, applications = groups[1]
        def tiles():
            return {a: [n for n in walk(frame, []) if n.name == a and showing(n) and
                        n.getRole() == pyatspi.ROLE_RADIO_BUTTON and n not in nav.values() and
                        extents(n)[2:] == (100, 100)] for a in applications}
        check(not any(tiles().values()), "applications of %s shown before the click" % caption)
        check(nav[caption].queryAction().doAction(0), "the click action was refused")
        shown = wait_for("the quick bar of " + caption,
                         lambda: (lambda t: t if all(t.values()) else None)(tiles()), 15)
        check(states(nav[caption]).contains(pyatspi.STATE_CHECKED),
              "the clicked navigation option is not checked")
        for a in applications:
            x, y, w, h = extents(shown[a][0])
            check((w, h) == (100, 100) and fx <= x and x + w <= fx + fw and fy < y and
                  y + h <= fy + 430, "application %s extents %r" % (a, (x, y, w, h)))
        print("accessibility: %d objects; %s opened its %d applications" %
              (len(nodes), caption, len(applications)))

        # ---- the keyboard alone: from the search box Tab reaches the user
        # option, the right arrow the first group's option and Return opens that
        # group; Tab reaches its holder, space opens the holder's panel and
        # Escape closes it. Focus follows the keys and is announced as it moves.
        focus_events = []
        pyatspi.Registry.registerEventListener(
            lambda e: e.detail1 and focus_events.append(e.source), "object:state-changed:focused")
        focused = lambda node: states(node).contains(pyatspi.STATE_FOCUSED)

        def reach(node, what, key="Tab"):
            """Presses key (up to 100 times) until node has the focus, announced."""
            for _ in range(100 if key == "Tab" else 1):
                if focused(node):
                    break
                count = len(focus_events)
                press(key)
                wait_for("the focus to move on " + key, lambda: len(focus_events) > count, 10)
            wait_for("%s focused and announced by %s" % (what, key),
                     lambda: focused(node) and focus_events[-1] == node, 10)

        study, study_apps = groups[0]
        tile_roles = (pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON)
        hidden = lambda names: [n for n in walk(frame, []) if n.name in names and not showing(n)
                                and n.getRole() in tile_roles and n not in nav.values()]
        # The group's options are made as it is first shown, so none shows before.
        study_tiles = lambda: [n for n in walk(frame, []) if n.name in study_apps and showing(n)
                               and n.getRole() in tile_roles and n not in nav.values()
                               and extents(n)[2:] == (100, 100)]
        check(study_apps and not study_tiles(), "applications of %s shown early" % study)
        entries["搜索应用"].queryComponent().grabFocus()
        wait_for("the search box focused", lambda: focused(entries["搜索应用"]), 10)
        user = next(n for n in walk(frame, []) if n.getRole() == pyatspi.ROLE_TOGGLE_BUTTON
                    and extents(n)[:2] == (fx + 20, fy + 440))
        reach(user, "the user option")
        reach(nav[study], "the navigation option " + study, "Right")
        check(not focused(user), "the user option kept the focus")
        press("Return")
        wait_for("the quick bar of %s opened by Return" % study,
                 lambda: {t.name for t in study_tiles()} == set(study_apps), 15)
        check(states(nav[study]).contains(pyatspi.STATE_CHECKED) and
              not states(nav[caption]).contains(pyatspi.STATE_CHECKED),
              "Return did not choose the navigation option " + study)
        holder_app = next(a for a in catalogue.find("group").findall("app")
                          if a.get("showSubApps") == "True")
        holder = holder_app.get("caption")
        subs = hidden([s.get("caption") for s in holder_app.findall("sub")])
        reach(showing_named(walk(frame, []), holder, tile_roles), "the holder " + holder)
        press("space")
        wait_for("the holder's panel opened by space", lambda: any(showing(n) for n in subs), 10)
        press("Escape")
        wait_for("the holder's panel closed by Escape",
                 lambda: not any(showing(n) for n in subs), 10)
        print("accessibility: the keyboard alone opened %s and closed %s's panel" %
              (study, holder))

        # ---- search results, added to and dropped from the result list at
        # run time, are announced as children added and removed.
        # A removed child may be gone when its event is read: it is kept as the
        # object that an earlier "add" named.
        changes = {"add": {}, "remove": []}
        def on_children_changed(event):
            if event.any_data is None:
                return
            if event.type.endswith(":add"):
                changes["add"][event.any_data.name] = event.any_data
            elif event.type.endswith(":remove"):
                changes["remove"].append(event.any_data)
        pyatspi.Registry.registerEventListener(on_children_changed, "object:children-changed")
        found = [a for _, apps in groups for a in apps if "校" in a]
        check(found, "no application of the catalogue to search for")
        entries["搜索应用"].queryEditableText().setTextContents("校")
        click(buttons["搜索"], "the search button")
        wait_for("the search results announced",
                 lambda: all(a in changes["add"] for a in found), 15)
        entries["搜索应用"].queryEditableText().setTextContents("没有这样的应用")
        click(buttons["搜索"], "the search button")
        wait_for("the dropped results announced",
                 lambda: all(changes["add"][a] in changes["remove"] for a in found), 15)

        # ---- the login window: its entries are named by the icons before them.
        click(user, "the user option")
        login = wait_for("the login window", lambda: window_named("登录"))
        login_nodes = walk(login, [])
        account = showing_named(login_nodes, "账号", (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY))
        password = showing_named(login_nodes, "密码", (pyatspi.ROLE_PASSWORD_TEXT,))
        check(account and password, "login entries: %r" %
              [(n.name, n.getRoleName()) for n in login_nodes])
        check(inside(account, login) and inside(password, login), "login entries' extents")
        check(extents(account)[1] < extents(password)[1], "the account entry is not first")
        login_button = showing_named(login_nodes, "登  录", (pyatspi.ROLE_PUSH_BUTTON,))
        check(login_button and states(login_button).contains(pyatspi.STATE_ENABLED),
              "no enabled login button")
        check(showing_named(login_nodes, "关闭", (pyatspi.ROLE_PUSH_BUTTON,)) is not None,
              "no close button in the login window")
        remember = showing_named(login_nodes, "记住密码", (pyatspi.ROLE_TOGGLE_BUTTON,))
        check(remember and states(remember).contains(pyatspi.STATE_CHECKABLE) and
              not states(remember).contains(pyatspi.STATE_CHECKED), "remember option states")
        click(remember, "the remember option")
        wait_for("the remember option checked",
                 lambda: states(remember).contains(pyatspi.STATE_CHECKED), 10)
        # The rest by keys: typing the account, Tab to the password, Return.
        account.queryComponent().grabFocus()
        wait_for("the account entry focused", lambda: focused(account), 10)
        type_text("demo")
        wait_for("the account typed", lambda: account.queryText().getText(0, -1) == "demo", 10)
        press("Tab")
        wait_for("the password entry focused by Tab", lambda: focused(password), 10)
        type_text("demo123")
        wait_for("the password typed", lambda: password.queryText().characterCount == 7, 10)
        press("Return")
        wait_for("the login window closed", lambda: window_named("登录") is None, 20)

        # ---- the user menu, opened by the user option's "menu" action; its
        # first entry opens the user centre in an application dialog.
        actions = user.queryAction()
        check([actions.getName(i) for i in range(actions.nActions)] == ["click", "menu"],
              "the user option's actions")
        check(actions.doAction(1), "the menu action was refused")
        def menu_entries():
            for window in top_windows("quorvi"):
                items = by_role([n for n in walk(window, []) if showing(n)],
                                pyatspi.ROLE_LIST_ITEM)
                if "用户中心" in items and "退出登录" in items:
                    return window, items
            return None
        menu, items = wait_for("the user menu", menu_entries, 20)
        check(all(inside(item, menu) for item in items.values()), "menu entries' extents")
        check(states(items["用户中心"]).contains(pyatspi.STATE_SELECTABLE), "menu entry states")
        click(items["用户中心"], "the user centre entry")
        dialog = wait_for("the application dialog", lambda: window_named("Quorvi-"), 20)
        wait_for("the user menu closed", lambda: menu_entries() is None, 10)

        # ---- the application dialog: caption buttons and the column beside the page.
        dialog_nodes = walk(dialog, [])
        dialog_buttons = by_role([n for n in dialog_nodes if showing(n)],
                                 pyatspi.ROLE_PUSH_BUTTON)
        for name in ("最小化", "关闭", "收起推荐"):
            check(name in dialog_buttons and inside(dialog_buttons[name], dialog),
                  "dialog button %s among %r" % (name, list(dialog_buttons)))
        check(showing_named(dialog_nodes, "同类应用", (pyatspi.ROLE_LABEL,)) is not None,
              "no column title in the dialog")
        unfold = next(n for n in dialog_nodes if n.name == "展开推荐")
        check(not showing(unfold), "the unfold button shows with the column open")
        click(dialog_buttons["收起推荐"], "the fold button")
        wait_for("the unfold button showing", lambda: showing(unfold), 10)
        click(dialog_buttons["关闭"], "the dialog's close button")
        wait_for("the dialog closed", lambda: window_named("Quorvi-") is None, 20)

        # ---- a plugin's download status control, added over its option while
        # the portal sends the files slowly, and removed when cancelled.
        portal = open(portal_err.name).read().split(" on ", 1)[1].split()[0].rstrip("/")
        fault = portal + "/_fault?path=/update/pub/plugins/calc/*&kind="
        urllib.request.urlopen(fault + "slow&rate=64").read()
        plugin = next(s.get("caption") for s in catalogue.iter("sub")
                      if s.get("action") == "plugin")
        click(nav[study], "the navigation option " + study)
        click(wait_for("the holder " + holder,
                       lambda: showing_named(walk(frame, []), holder, tile_roles), 15),
              "the holder " + holder)
        changes["add"].clear()
        click(wait_for("the plugin " + plugin,
                       lambda: showing_named(walk(frame, []), plugin, tile_roles), 15),
              "the plugin " + plugin)
        def download_status():
            shown = [n for n in walk(frame, []) if showing(n)]
            parts = (showing_named(shown, "取消下载", (pyatspi.ROLE_PUSH_BUTTON,)),
                     showing_named(shown, "下载进度", (pyatspi.ROLE_PROGRESS_BAR,)))
            return parts if all(parts) else None
        cancel, progress = wait_for("the download status", download_status, 20)
        wait_for("the status announced", lambda: "取消下载" in changes["add"], 10)
        value = progress.queryValue()
        check(value.minimumValue == 0 and value.maximumValue == 100 and
              0 <= value.currentValue <= 100, "progress value %r of %r..%r" %
              (value.currentValue, value.minimumValue, value.maximumValue))
        check(extents(cancel)[2:] == (17, 17) and inside(cancel, frame), "cancel button extents")
        # The cancelled status is hidden (kept for the plugin's next download).
        click(cancel, "the cancel button")
        wait_for("the status hidden", lambda: not showing(cancel) and not showing(progress), 20)
        urllib.request.urlopen(fault + "off").read()

        # ---- the launcher: its options are the tabs of its pages.
        launcher = wait_for("the launcher window", lambda: window_named("Quorvi Vamo", "vamo"))
        def page_tabs():
            tabs = by_role(walk(launcher, []), pyatspi.ROLE_PAGE_TAB)
            return tabs if len(tabs) == 8 else None
        tabs = wait_for("the launcher's eight page tabs", page_tabs, 15)
        check(states(tabs["电脑体检"]).contains(pyatspi.STATE_SELECTED) and
              all(inside(t, launcher) and showing(t) for t in tabs.values()), "page tab states")
        def heading(name):
            """The page's heading: the one label of the tab's name."""
            labels = [n for n in walk(launcher, []) if n.name == name and
                      n.getRole() == pyatspi.ROLE_LABEL]
            check(len(labels) == 1, "labels named %s: %d" % (name, len(labels)))
            return labels[0]
        check(not showing(heading("系统修复")), "the fix page shows before its tab is chosen")
        click(tabs["系统修复"], "the fix page's tab")
        wait_for("the fix page", lambda: showing(heading("系统修复")) and
                 not showing(heading("电脑体检")), 10)
        check(inside(heading("系统修复"), launcher), "the fix page's heading extents")
        check(states(tabs["系统修复"]).contains(pyatspi.STATE_SELECTED) and
              not states(tabs["电脑体检"]).contains(pyatspi.STATE_SELECTED), "page tab selection")
        print("accessibility: the login, the user menu, the application dialog, a download "
              "status and the launcher's pages")
    finally:
        for process in processes:
            if process.poll() is not None:
                print("%s ended early with status %d" % (process.args[0], process.returncode))
        for process in reversed(processes):
            process.kill()
            process.wait()
        client_out_path = os.path.join(work, "client.out")
        if os.path.exists(client_out_path):
            sys.stdout.write(open(client_out_path).read()[-2000:])


def main():
    work = tempfile.mkdtemp(prefix="quorvi-a11y-")
    try:
        run(sys.argv[1], work)
    except AssertionError as error:
        print("FAILED: %s" % error)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("PASSED")
    return 0


if __name__ == "__main__":
    sys.exit(main())
