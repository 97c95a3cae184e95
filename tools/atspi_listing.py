#!/usr/bin/python3
"""Lists a program's window as a screen reader gets it over AT-SPI, after
driving it through AT-SPI alone.

    atspi_listing.py PROGRAM [STEP...]

Run inside a session bus of its own (dbus-run-session) on an X display.
Turns accessibility on as a screen reader does (org.a11y.Status on the
session bus), starts PROGRAM, waits for its application to appear on the
accessibility bus, carries out each STEP in turn, prints the application's
tree and ends PROGRAM. Steps:

    press:NAME         the "Press" action of the button named NAME
    text:NAME=TEXT     TEXT into the editable text named NAME
    wait:NAME          until an object named NAME exists (at most 10 s)

One line per object, indented by depth: role, name="...", description="..."
when there is one, and each relation as TYPE=["target name", ...].
Exits with 1, saying why on standard error, when a step cannot be done.
"""

import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402


def enable_accessibility():
    """Sets IsEnabled of org.a11y.Status on the bus launcher, as a screen
    reader does; toolkits then connect to the accessibility bus."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                  GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", True))),
                  None, Gio.DBusCallFlags.NONE, 10000, None)


def pause(seconds):
    """Waits, handling what arrives meanwhile: the library learns of new
    applications and objects from events that the main loop delivers."""
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def all_nodes(node):
    yield node
    for i in range(node.get_child_count()):
        yield from all_nodes(node.get_child_at_index(i))


def application(pid, seconds=20):
    """The accessible application of process `pid`, once it shows a window."""
    end = time.time() + seconds
    while time.time() < end:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app and app.get_process_id() == pid and app.get_child_count() > 0:
                return app
        pause(0.2)
    return None


def wait_for(app, name, role=None, seconds=10):
    """The first object under `app` named `name` (and of `role`, if given),
    waiting for it to appear; None if it does not."""
    end = time.time() + seconds
    while True:
        for node in all_nodes(app):
            if node.get_name() == name and role in (None, node.get_role()):
                return node
        if time.time() >= end:
            return None
        pause(0.1)


def step(app, text):
    kind, _, argument = text.partition(":")
    if kind == "press":
        button = wait_for(app, argument, Atspi.Role.PUSH_BUTTON)
        if not button:
            raise RuntimeError("no button named %r" % argument)
        with warnings.catch_warnings():
            # NOTE: the bindings map the action's name only under its deprecated name.
            warnings.simplefilter("ignore", DeprecationWarning)
            actions = [button.get_action_name(i) for i in range(button.get_n_actions())]
        if "Press" not in actions:
            raise RuntimeError("button %r offers no Press action (%s)" % (argument, actions))
        button.do_action(actions.index("Press"))
    elif kind == "text":
        name, _, value = argument.partition("=")
        box = wait_for(app, name, Atspi.Role.TEXT)
        if not box or not box.set_text_contents(value):
            raise RuntimeError("no editable text named %r" % name)
    elif kind == "wait":
        if not wait_for(app, argument):
            raise RuntimeError("nothing named %r appeared" % argument)
    else:
        raise RuntimeError("unknown step %r" % text)


def listing(node, depth=0):
    line = "%s%s name=\"%s\"" % ("  " * depth, node.get_role_name(), node.get_name())
    if node.get_description():
        line += " description=\"%s\"" % node.get_description()
    for relation in node.get_relation_set() or []:
        targets = [relation.get_target(i).get_name() for i in range(relation.get_n_targets())]
        line += " %s=[%s]" % (relation.get_relation_type().value_nick,
                              ", ".join('"%s"' % t for t in targets))
    print(line)
    for i in range(node.get_child_count()):
        listing(node.get_child_at_index(i), depth + 1)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    enable_accessibility()
    program = subprocess.Popen([sys.argv[1]])
    try:
        app = application(program.pid)
        if not app:
            sys.exit("atspi_listing.py: %s did not appear on the accessibility bus" % sys.argv[1])
        for text in sys.argv[2:]:
            try:
                step(app, text)
            except RuntimeError as e:
                sys.exit("atspi_listing.py: step %s: %s" % (text, e))
        listing(app)
    finally:
        program.terminate()
        program.wait()


if __name__ == "__main__":
    main()
