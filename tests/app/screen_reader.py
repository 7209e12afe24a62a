#!/usr/bin/python3
"""Reads a running vellumark window through the accessibility bus, as a screen reader does.

Usage: screen_reader.py VELLUMARK PDF
Prints one JSON object: the first line of the page text, the toolbar's buttons and the
controls focused while Tab walks the export sheet. Exit 77 when the bus cannot start.
"""
import json
import os
import subprocess
import sys
import time

SKIP = 77


def bus_address():
    for _ in range(50):
        done = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
             "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
            capture_output=True, text=True)
        if done.returncode == 0 and "unix:" in done.stdout:
            return True
        time.sleep(0.1)
    return False


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def wait_for(find, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    return None


def key(pyatspi, sym, action):
    pyatspi.Registry.generateKeyboardEvent(sym, None, action)
    time.sleep(0.05)


def main():
    app_path, pdf = sys.argv[1:3]
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not bus_address():
        print("the accessibility bus did not start", file=sys.stderr)
        launcher.terminate()
        return SKIP
    import pyatspi

    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               QT_QPA_PLATFORM="xcb")
    app = subprocess.Popen([app_path, pdf], env=env)
    report = {}
    try:
        desktop = pyatspi.Registry.getDesktop(0)

        def window_app():
            for i in range(desktop.childCount):
                child = desktop.getChildAtIndex(i)
                if child is not None and child.name in ("vellumark", "Brivel PDF"):
                    return child
            return None

        application = wait_for(window_app)
        if application is None:
            print("the window never showed on the accessibility bus", file=sys.stderr)
            return 1

        def pages():
            for node in walk(application):
                if node.getRole() == pyatspi.ROLE_DOCUMENT_FRAME and node.name == "Pages":
                    text = node.queryText()
                    if text.characterCount > 0:
                        return node
            return None

        view = wait_for(pages)
        if view is not None:
            text = view.queryText()
            report["firstLine"] = text.getText(0, -1).split("\n")[0]
            report["characterCount"] = text.characterCount
        report["toolbar"] = []
        for node in walk(application):
            if node.getRole() == pyatspi.ROLE_TOOL_BAR:
                for item in walk(node):
                    if item.getRole() in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON,
                                          pyatspi.ROLE_BUTTON if hasattr(pyatspi, "ROLE_BUTTON")
                                          else pyatspi.ROLE_PUSH_BUTTON):
                        report["toolbar"].append(item.name)

        # Without a window manager the keyboard goes where the pointer is: put it on the
        # page view, then open the export sheet and walk it with the keyboard alone.
        if view is not None:
            box = view.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            pyatspi.Registry.generateMouseEvent(box.x + box.width // 2,
                                                box.y + box.height // 2, "b1c")
            time.sleep(0.3)
        # Key codes of the virtual display's standard PC keyboard.
        control, shift, letter_e, tab = 37, 50, 26, 23
        key(pyatspi, control, pyatspi.KEY_PRESS)
        key(pyatspi, shift, pyatspi.KEY_PRESS)
        key(pyatspi, letter_e, pyatspi.KEY_PRESSRELEASE)
        key(pyatspi, shift, pyatspi.KEY_RELEASE)
        key(pyatspi, control, pyatspi.KEY_RELEASE)

        def sheet():
            for node in walk(application, 0):
                if node.getRole() == pyatspi.ROLE_DIALOG:
                    return node
            return None

        dialog = wait_for(sheet, 10)
        if dialog is None:
            report["topLevels"] = [(application.getChildAtIndex(i).getRoleName(),
                                    application.getChildAtIndex(i).name)
                                   for i in range(application.childCount)]
        report["tabWalk"] = []
        if dialog is not None:
            time.sleep(0.5)
            for _ in range(24):
                key(pyatspi, tab, pyatspi.KEY_PRESSRELEASE)
                time.sleep(0.15)
                focused = None
                for node in walk(dialog):
                    if node.getState().contains(pyatspi.STATE_FOCUSED):
                        focused = node
                report["tabWalk"].append(
                    {"name": focused.name if focused else None,
                     "role": focused.getRoleName() if focused else None})
        print(json.dumps(report))
        return 0
    finally:
        app.terminate()
        try:
            app.wait(10)
        except subprocess.TimeoutExpired:
            app.kill()
        launcher.terminate()


if __name__ == "__main__":
    sys.exit(main())
