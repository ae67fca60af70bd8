#!/usr/bin/python3
# The desktop's notification service for tests, on the private session bus given as the first
# argument: answers GetCapabilities (with "body-markup" when --markup is given) and prints every
# Notify call as one JSON line on standard output. Ends when its standard input closes.
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.Notifications"


class Notifications(dbus.service.Object):
    def __init__(self, bus, markup):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.markup = markup
        self.last_id = 0

    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body", "body-markup"] if self.markup else ["body"]

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last_id += 1
        print(json.dumps({"app": str(app), "icon": str(icon), "summary": str(summary),
                          "body": str(body)}), flush=True)
        return self.last_id

    @dbus.service.method(IFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("korvane-test", "Korvane", "1", "1.2")


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])
name = dbus.service.BusName(IFACE, bus)
service = Notifications(bus, "--markup" in sys.argv)
loop = GLib.MainLoop()
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_HUP | GLib.IO_IN, lambda *_: loop.quit())
print("ready", flush=True)
loop.run()
