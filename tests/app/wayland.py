#!/usr/bin/python3
# The program on a Wayland compositor, driven through the accessibility bus: it counts down,
# rings, tells a recording notification service, answers while the service keeps it waiting, is
# silenced from the notification, rings with no service too, and ends cleanly on SIGTERM.
#   wayland.py PROGRAM APP_ID WORK_FOLDER
import array
import signal
import subprocess
import sys
import threading
import time

import pyatspi
from gi.repository import Gio, GLib

from screenreader import fail, find_app, press, wait_for

PATH = "/org/freedesktop/Notifications"
NAME = "org.freedesktop.Notifications"
INTERFACE = Gio.DBusNodeInfo.new_for_xml("""<node><interface name="%s">
  <method name="Notify"><arg type="s"/><arg type="u"/><arg type="s"/><arg type="s"/>
    <arg type="s"/><arg type="as"/><arg type="a{sv}"/><arg type="i"/>
    <arg type="u" direction="out"/></method>
  <method name="CloseNotification"><arg type="u"/></method>
</interface></node>""" % NAME).interfaces[0]


class Notifications:
    """A notification service that records every call and answers Notify when told to."""

    def __init__(self):
        self.calls, self.waiting, self.hold, self.bus = [], [], False, None
        self.changed = threading.Condition()
        threading.Thread(target=self.serve, daemon=True).start()
        self.wait(lambda: self.bus is not None, "the service's name on the bus")

    def serve(self):
        context = GLib.MainContext.new()
        context.push_thread_default()
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        bus.register_object(PATH, INTERFACE, self.called, None, None)
        Gio.bus_own_name_on_connection(bus, NAME, 0, lambda *_: self.update(bus=bus), None)
        GLib.MainLoop(context).run()

    def update(self, **values):
        with self.changed:
            self.__dict__.update(values)
            self.changed.notify_all()

    def called(self, bus, sender, path, interface, method, parameters, invocation):
        with self.changed:
            self.calls.append((method, parameters.unpack()))
            if method == "Notify":
                self.waiting.append(invocation)
                if not self.hold:
                    self.answer()
            else:
                invocation.return_value(None)
            self.changed.notify_all()

    def answer(self):
        with self.changed:
            for invocation in self.waiting:
                invocation.return_value(GLib.Variant("(u)", (self.notices(),)))
            self.waiting = []

    def notices(self):
        return sum(1 for method, _ in self.calls if method == "Notify")

    def wait(self, ready, what, seconds=10):
        with self.changed:
            if not self.changed.wait_for(ready, seconds):
                fail("waited for %s; calls: %r" % (what, self.calls))

    def wait_call(self, call):
        self.wait(lambda: call in self.calls, repr(call))

    def own(self, method, *flags):
        """RequestName or ReleaseName: the desktop gains or loses its notification service."""
        arguments = GLib.Variant("(s" + "u" * len(flags) + ")", (NAME,) + flags)
        self.bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           method, arguments, None, 0, -1, None)

    def press_action(self, id, key):
        self.bus.emit_signal(None, PATH, NAME, "ActionInvoked", GLib.Variant("(us)", (id, key)))


def ring(app, service, notices):
    """One second more, Start, and the alarm with the program's notice number `notices`."""
    button = pyatspi.ROLE_PUSH_BUTTON
    press(wait_for(app, button, "Seconds up", 5))
    press(wait_for(app, button, "Start", 5))
    alarm = wait_for(app, button, "Alarm Off", 10)
    service.wait(lambda: service.notices() == notices, "Notify")
    return alarm


def wait_for_sound(path, seconds=20):
    """Waits until the ringing alarm has rendered a loud sample: the device writes silence
    until the sound starts, and a later alarm's output replaces an earlier one's."""
    end = time.monotonic() + seconds
    samples = array.array("h")
    while time.monotonic() < end:
        try:
            with open(path, "rb") as rendered:
                data = rendered.read()
            samples = array.array("h", data[: len(data) // 2 * 2])
        except FileNotFoundError:
            pass
        if max(map(abs, samples), default=0) >= 1000:
            return
        time.sleep(0.05)
    fail("the alarm rendered %d silent samples" % len(samples))


def main(program, app_id, work):
    service = Notifications()
    with open(work + "/app.log", "wb") as log:
        ostrevan = subprocess.Popen([program], stdout=log, stderr=subprocess.STDOUT)
    try:
        app = find_app("ostrevan", 20)
        press(wait_for(app, pyatspi.ROLE_PUSH_BUTTON, "Seconds up", 10))
        service.hold = True
        alarm = ring(app, service, 1)
        hints = {"desktop-entry": app_id, "suppress-sound": True, "urgency": 2}
        notify = ("Ostrevan", 0, app_id, "Ostrevan", "The countdown has ended.",
                  ["action", "Alarm Off"], hints, 0)
        if service.calls != [("Notify", notify)]:
            fail("the program asked the desktop %r" % service.calls)
        # Notify is still unanswered: a program that waited for it would not answer here.
        press(alarm)
        wait_for(app, pyatspi.ROLE_PUSH_BUTTON, "Start", 5)
        service.hold = False
        service.answer()
        service.wait_call(("CloseNotification", (1,)))

        ring(app, service, 2)
        service.press_action(2, "action")
        wait_for(app, pyatspi.ROLE_PUSH_BUTTON, "Start", 5)
        service.wait_call(("CloseNotification", (2,)))

        service.own("ReleaseName")
        press(ring(app, service, 2))
        wait_for(app, pyatspi.ROLE_PUSH_BUTTON, "Start", 5)
        service.own("RequestName", 0)

        ring(app, service, 3)
        wait_for_sound(work + "/alarm.raw")
        ostrevan.send_signal(signal.SIGTERM)
        if ostrevan.wait(10) != 0:
            fail("the program ended with %d on SIGTERM" % ostrevan.returncode)
        service.wait_call(("CloseNotification", (3,)))
    except BaseException:
        ostrevan.kill()
        print(open(work + "/app.log").read())
        raise
    print("ok: rang on Wayland, told the desktop, silenced from the notification, ended on SIGTERM")


if __name__ == "__main__":
    main(*sys.argv[1:4])
