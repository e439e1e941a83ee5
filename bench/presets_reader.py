#!/usr/bin/python3
"""A screen reader reading the Presets window: presses the program's Presets button through the
accessibility bus, waits for the window, reads every object in it (name and role, as a reader's
review of a window does) and prints the time from the press to the last object read; then reads
the program's main window the same way, the floor: a window without a list. Closes Presets
through its Done button at the end.

    presets_reader.py ENTRIES
"""
import sys
import time

import pyatspi


def find_app(name, seconds):
    end = time.time() + seconds
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name.lower() == name:
                return app
        time.sleep(0.1)
    sys.exit("presets_reader: no application %r on the accessibility bus" % name)


def read(node, found):
    """Reads node and everything below it; returns how many objects were read."""
    count = 1
    name, role = node.name, node.getRole()
    found.setdefault((role, name), node)
    for child in node:
        if child is not None:
            count += read(child, found)
    return count


def window(app, title, seconds):
    end = time.time() + seconds
    while time.time() < end:
        for child in app:
            if child is not None and child.name == title:
                return child
        time.sleep(0.01)
    sys.exit("presets_reader: no window %r" % title)


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)


def main():
    entries = sys.argv[1]
    app = find_app("ostrevan", 30)
    found = {}
    main_window = window(app, "Ostrevan", 30)
    read(main_window, found)
    start = time.time()
    press(found[(pyatspi.ROLE_PUSH_BUTTON, "Presets")])
    presets = window(app, "Presets", 600)
    found = {}
    count = read(presets, found)
    elapsed = time.time() - start
    print("Presets window read by a screen reader on %s entries: %.1f ms (%d objects)"
          % (entries, elapsed * 1000, count))
    start = time.time()
    count = read(main_window, {})
    print("floor: the main window read the same way: %.1f ms (%d objects)"
          % ((time.time() - start) * 1000, count))
    press(found[(pyatspi.ROLE_PUSH_BUTTON, "Done")])


if __name__ == "__main__":
    main()
