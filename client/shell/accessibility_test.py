"""The main window as a screen reader sees it, through AT-SPI.

Run inside a private session bus (dbus-run-session) on a virtual display: the
session bus starts the accessibility bus when the client's GTK asks for it.
Starts the portal stand-in and the client from a copy of the program folder,
walks the client's accessible tree and checks roles, names, states and
extents of a sample of controls; then performs "click" on a navigation option
and waits for its quick bar's applications to become showing.

Usage: accessibility_test.py DIST_FOLDER
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

import pyatspi

TIME_LIMIT = 40  # seconds for each wait


def wait_for(what, probe, limit=TIME_LIMIT):
    """The first true answer of probe(), polled until the time limit."""
    end = time.monotonic() + limit
    last_error = None
    while True:
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


def main_frame():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or app.name != "quorvi":
            continue
        for j in range(app.childCount):
            frame = app.getChildAtIndex(j)
            if frame is not None and frame.name == "Quorvi" and showing(frame):
                return frame
    return None


def describe_desktop():
    desktop = pyatspi.Registry.getDesktop(0)
    apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
    return [(app.name, [(w.name, w.getRoleName(), showing(w))
                        for w in (app.getChildAtIndex(j) for j in range(app.childCount)) if w])
            for app in apps if app]


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
        # applications has a hidden option (the recommendations may show the
        # same names) that becomes showing, a 100 x 100 tile above the
        # navigation bar.
        caption, applications = groups[1]
        tiles = {a: [n for n in nodes if n.name == a and n.getRole() == pyatspi.ROLE_RADIO_BUTTON
                     and n not in nav.values() and not showing(n)] for a in applications}
        check(all(tiles.values()), "applications of %s without hidden options: %r" %
              (caption, [a for a, t in tiles.items() if not t]))
        shown = lambda a: any(showing(t) for t in tiles[a])
        check(nav[caption].queryAction().doAction(0), "the click action was refused")
        wait_for("the quick bar of " + caption, lambda: all(shown(a) for a in applications), 15)
        check(states(nav[caption]).contains(pyatspi.STATE_CHECKED),
              "the clicked navigation option is not checked")
        for a in applications:
            x, y, w, h = extents(next(t for t in tiles[a] if showing(t)))
            check((w, h) == (100, 100) and fx <= x and x + w <= fx + fw and fy < y and
                  y + h <= fy + 430, "application %s extents %r" % (a, (x, y, w, h)))
        print("accessibility: %d objects; %s opened its %d applications" %
              (len(nodes), caption, len(applications)))
    finally:
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
