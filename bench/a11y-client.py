#!/usr/bin/python3
# A small accessibility client on the session's accessibility bus, as a screen reader is.
#   a11y-client.py listen      registers for object, window and focus events and counts them;
#                              prints the counts and the characters of text they carried on SIGTERM
#   a11y-client.py read NAME   prints the name, role and text of every object of application NAME
import signal
import sys

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
session = dbus.SessionBus()
address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
    dbus_interface="org.a11y.Bus")
bus = dbus.bus.BusConnection(address)
ACCESSIBLE = "org.a11y.atspi.Accessible"


def listen():
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                              introspect=False)
    counts, chars = {}, {}

    def seen(*args, **kw):
        kind = kw["interface"].split(".")[-1] + ":" + kw["member"]
        counts[kind] = counts.get(kind, 0) + 1
        if len(args) > 3 and isinstance(args[3], dbus.String):
            chars[kind] = chars.get(kind, 0) + len(args[3])

    bus.add_signal_receiver(seen, interface_keyword="interface", member_keyword="member")
    for event in ("object:", "window:", "focus:"):
        registry.RegisterEvent(event, dbus.Array([], signature="s"), "", signature="sass",
                               dbus_interface="org.a11y.atspi.Registry")
    print("listening", flush=True)
    loop = GLib.MainLoop()

    def stop(*_):
        for kind in sorted(counts):
            print(f"{kind}: {counts[kind]} events, {chars.get(kind, 0)} characters of text")
        loop.quit()

    signal.signal(signal.SIGTERM, stop)
    GLib.timeout_add(100, lambda: True)  # lets Python see the signal
    loop.run()


def read(application):
    def walk(name, path, depth):
        node = bus.get_object(name, path, introspect=False)
        props = dbus.Interface(node, "org.freedesktop.DBus.Properties")
        label = str(props.Get(ACCESSIBLE, "Name"))
        role = str(node.GetRoleName(dbus_interface=ACCESSIBLE))
        line = "  " * depth + f"{role}: {label!r}"
        try:
            text = node.GetText(0, -1, dbus_interface="org.a11y.atspi.Text")
            line += f" text {str(text)!r}"
        except dbus.DBusException:
            pass
        print(line)
        for child_name, child_path in node.GetChildren(dbus_interface=ACCESSIBLE):
            walk(child_name, child_path, depth + 1)

    root = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root",
                          introspect=False)
    for name, path in root.GetChildren(dbus_interface=ACCESSIBLE):
        app = bus.get_object(name, path, introspect=False)
        props = dbus.Interface(app, "org.freedesktop.DBus.Properties")
        if props.Get(ACCESSIBLE, "Name") == application:
            walk(name, path, 0)
            return 0
    print(f"no application {application!r} on the bus")
    return 1


if __name__ == "__main__":
    sys.exit(listen() if sys.argv[1] == "listen" else read(sys.argv[2]))
