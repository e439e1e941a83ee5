#!/usr/bin/python3
"""What a screen reader finds in the running program: reads the Start button's name through the
accessibility bus and presses buttons and spin arrows through their accessible actions."""
import sys
import time

import pyatspi


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def find_app(name, seconds):
    end = time.time() + seconds
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower() == name.lower():
                return app
        time.sleep(0.2)
    fail("no application %r on the accessibility bus" % name)


def find(node, role, name):
    if node is None:
        return None
    try:
        if node.getRole() == role and node.name == name:
            return node
        for child in node:
            found = find(child, role, name)
            if found is not None:
                return found
    except Exception:  # a node that went away meanwhile
        return None
    return None


def wait_for(app, role, name, seconds):
    end = time.time() + seconds
    while time.time() < end:
        found = find(app, role, name)
        if found is not None:
            return found
        time.sleep(0.1)
    fail("no %s named %r" % (role, name))


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "Click"):
            action.doAction(i)
            return
    action.doAction(0)


def main():
    app = find_app("ostrevan", 15)
    button = pyatspi.ROLE_PUSH_BUTTON
    press(wait_for(app, button, "Seconds up", 5))
    press(wait_for(app, button, "Seconds up", 5))
    press(wait_for(app, button, "Seconds down", 5))
    start = wait_for(app, button, "Start", 5)
    if not start.getState().contains(pyatspi.STATE_ENABLED):
        fail("Start is not enabled after the seconds arrows set 00:00:01")
    press(start)
    wait_for(app, button, "Stop", 5)
    alarm = wait_for(app, button, "Alarm Off", 5)
    if find(app, button, "Start") is not None:
        fail("a button is still announced as Start while the alarm sounds")
    press(alarm)
    wait_for(app, button, "Start", 5)
    print("ok: Stop after Start, Alarm Off at zero, Start after Alarm Off")


if __name__ == "__main__":
    main()
