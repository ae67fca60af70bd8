#!/usr/bin/python3
# The desktop's notification service for tests, on the private session bus given as the first
# argument: it reads markup in the body, and prints every Notify call as one JSON line
# ([app, summary, body]). Ends when its standard input closes.
import json, sys
import dbus, dbus.mainloop.glib, dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.Notifications"


class Notifications(dbus.service.Object):
    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body", "body-markup"]

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        print(json.dumps([app, summary, body]), flush=True)
        return 1


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])
service = Notifications(dbus.service.BusName(IFACE, bus), "/org/freedesktop/Notifications")
loop = GLib.MainLoop()
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_HUP | GLib.IO_IN, lambda *_: loop.quit())
print("ready", flush=True)
loop.run()
