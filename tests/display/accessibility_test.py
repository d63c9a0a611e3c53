#!/usr/bin/env python3
"""Reads the window as a screen reader does, over the AT-SPI bus.

    accessibility_test.py TAVIKCLIENT TAVIKSERVER DEMO_DIR OUT_DIR

Starts the local server (driven through its control lines) and the client,
connects and logs in by keyboard, then walks the client's accessible tree:
the controls' German names, one sentence per message row and no blank filler
rows, menu entries without their key text, the notification object that
tells a whisper as it arrives, and F6 walking the controls (with a screenshot
of the focus mark). Run inside a virtual display with a window manager and a
D-Bus session of its own (run-accessibility.sh).
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

client_binary, server_binary, demo, out = sys.argv[1:5]
failures = []


def fail(what):
    print("FAIL:", what, flush=True)
    failures.append(what)


def check(condition, what):
    if not condition:
        fail(what)
    return condition


def wait_for(what, probe, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    fail("timed out waiting for " + what)
    return None


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def window_named(title):
    ids = xdotool("search", "--onlyvisible", "--name", title).split()
    return ids[0] if ids else None


def activate(window):
    xdotool("windowactivate", "--sync", window)


def screenshot(name):
    subprocess.run(["import", "-window", "root", os.path.join(out, name)], capture_output=True)


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(acc.childCount)]
    except Exception:  # an object that went away meanwhile
        return []


def walk(acc, depth=0):
    yield acc
    if depth > 25:
        return
    for child in children(acc):
        if child is not None:
            yield from walk(child, depth + 1)


def role(acc):
    try:
        return acc.getRoleName()
    except Exception:
        return ""


def name(acc):
    try:
        return acc.name or ""
    except Exception:
        return ""


def find_app(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def by_name(app, wanted, roles=None):
    for acc in walk(app):
        if name(acc) == wanted and (roles is None or role(acc) in roles):
            return acc
    return None


def has_focus(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_FOCUSED)
    except Exception:
        return False


work = tempfile.mkdtemp(prefix="tavik-a11y-")
for folder in ("fonts", "inline"):
    shutil.copytree(os.path.join(demo, folder), os.path.join(work, folder))
shutil.copy(os.path.join(demo, "settings.cfg"), work)

server = subprocess.Popen([server_binary, "--port", "0", "--no-bots", "--control"], stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, text=True, encoding="cp1252")
port = server.stdout.readline().strip().rsplit(":", 1)[1]


def control(line):
    server.stdin.write(line + "\n")
    server.stdin.flush()


client = subprocess.Popen([client_binary, "--dir", work], stderr=subprocess.PIPE, text=True)
try:
    main = wait_for("the main window", lambda: xdotool("search", "--onlyvisible", "--pid", str(client.pid)))
    main = main.split()[0]
    activate(main)
    time.sleep(0.5)
    xdotool("key", "--delay", "300", "alt+d", "v")
    dialog = wait_for("the connect dialog", lambda: window_named("^Verbindungs-Dialog$"))
    activate(dialog)
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", "30", "127.0.0.1:" + port)
    xdotool("key", "Return")
    login = wait_for("the login dialog", lambda: window_named("^Login$"))
    activate(login)
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", "30", "Leser")
    xdotool("key", "Return")
    time.sleep(1.0)
    activate(main)

    app = wait_for("the client on the accessibility bus", lambda: find_app(client.pid))
    if app is None:
        raise SystemExit(1)

    # The controls, by their German names.
    controls = {}
    for wanted in ("Eingabezeile", "Empfänger", "Art-Font", "Chatter", "Nachrichten", "Senden", "Trennen"):
        acc = wait_for("a control named " + wanted, lambda w=wanted: by_name(app, w), seconds=10)
        if acc is not None:
            controls[wanted] = acc
            print("control: %r (%s) %r" % (wanted, role(acc), acc.description), flush=True)
    check(role(controls.get("Nachrichten")) == "list", "the message list is a list")
    tabs = [acc for acc in walk(app) if role(acc) == "page tab list"]
    if check(len(tabs) == 1, "one tab strip"):
        controls["Verbindungen"] = tabs[0]
        labels = [name(t) for t in children(tabs[0])]
        print("control: %r (page tab list) tabs %r" % (name(tabs[0]), labels), flush=True)
        check(name(tabs[0]) == "Verbindungen", "the tab strip reads 'Verbindungen': %r" % name(tabs[0]))
        check(labels == ["Leser@0", "@Neue Verbindung"], "the tabs read their labels: %r" % labels)
    unnamed = [role(a) for a in walk(app)
               if not name(a) and role(a) in ("text", "list", "tree", "combo box", "push button", "page tab list")]
    check(not unnamed, "every control has a name: unnamed %r" % unnamed)

    # A whisper and a public line arrive.
    control("enter Anna")
    time.sleep(0.5)
    control("as Anna Guten Tag allerseits")
    control("as Anna /w Leser Hallo Leser")
    messages = controls.get("Nachrichten")

    def rows():
        return [name(c) for c in children(messages)] if messages is not None else []

    whisper = re.compile(r"^Flüstern von Anna, \d\d:\d\d: Hallo Leser$")
    public = re.compile(r"^Anna, öffentlich, \d\d:\d\d: Guten Tag allerseits$")
    wait_for("the whisper row", lambda: any(whisper.match(r) for r in rows()))
    wait_for("the public row", lambda: any(public.match(r) for r in rows()))
    read = rows()
    for r in read:
        print("row:", repr(r), flush=True)
    check(0 < len(read) < 100, "the list shows its rows, not 500 filler rows: %d children" % len(read))
    check(all(r.strip() for r in read), "no row reads as nothing")
    check(all(role(c) == "list item" for c in children(messages)), "every row is a list item")

    # Menu entries read without their key; the key is the entry's shortcut.
    entries = [acc for acc in walk(app) if role(acc) in ("menu item", "check menu item")]
    check(entries, "the menus are there")
    check(not [name(e) for e in entries if "\t" in name(e)],
          "no menu entry reads a tab: %r" % [name(e) for e in entries if "\t" in name(e)])
    chatwatch = [e for e in entries if name(e) == "ChatWatch"]
    if check(chatwatch, "an entry reads 'ChatWatch'"):
        keys = []
        try:
            action = chatwatch[0].queryAction()
            keys = [action.getKeyBinding(i) for i in range(action.nActions)]
        except Exception as error:
            fail("the ChatWatch entry has no action: %s" % error)
        print("menu: 'ChatWatch' key %r" % keys, flush=True)
        check("Ctrl+W" in keys, "the ChatWatch entry's shortcut is Ctrl+W: %r" % keys)
    check([e for e in entries if name(e) == "Flüstern"], "the Ansagen menu has 'Flüstern'")

    # A new whisper is told through the notification object.
    notes = [acc for acc in walk(app) if role(acc) == "notification"]
    if check(len(notes) == 1, "one notification object: %d" % len(notes)):
        note = notes[0]
        before = name(note)
        print("notification before: %r" % before, flush=True)
        activate(main)
        control("as Anna /w Leser Noch eine Frage")
        told = wait_for("the announcement", lambda: name(note) != before and "Noch eine Frage" in name(note))
        print("notification after: %r" % name(note), flush=True)
        check(told and re.match(r"^Flüstern von Anna, \d\d:\d\d: Noch eine Frage$", name(note)),
              "the whisper is told as its sentence: %r" % name(note))
        # A public line is not told by default.
        control("as Anna Das hier nicht")
        time.sleep(1.5)
        check("Das hier nicht" not in name(note), "a public line is not told by default")

    # F6 walks the controls; the focused one is marked.
    def focused_control():
        for wanted, acc in controls.items():
            if has_focus(acc):
                return wanted
        return None

    activate(main)
    expected = ["Nachrichten", "Chatter", "Empfänger", "Art-Font", "Verbindungen", "Eingabezeile"]
    for step, wanted in enumerate(expected):
        xdotool("key", "F6")
        got = wait_for("focus on " + wanted, lambda w=wanted: focused_control() == w, seconds=5)
        print("F6 -> %s" % focused_control(), flush=True)
        if not got:
            print("focused now:", [(role(a), name(a)) for a in walk(app) if has_focus(a)], flush=True)
        if wanted in ("Nachrichten", "Chatter"):
            screenshot("f6-%d-%s.png" % (step + 1, "list" if wanted == "Nachrichten" else "tree"))
    xdotool("key", "shift+F6")
    wait_for("Shift+F6 back to the tabs", lambda: focused_control() == "Verbindungen", seconds=5)
    xdotool("key", "Escape")
    wait_for("Escape back to the input line", lambda: focused_control() == "Eingabezeile", seconds=5)
finally:
    if client.poll() is None:
        client.send_signal(signal.SIGTERM)
    try:
        _, errors = client.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        client.kill()
        _, errors = client.communicate()
    server.send_signal(signal.SIGTERM)
    server.wait(timeout=10)
    shutil.rmtree(work, ignore_errors=True)

if errors:
    sys.stderr.write(errors)
if "Cannot create accessible" in (errors or ""):
    fail("Qt could not make an accessible child")
check(client.returncode == 0, "the client ended cleanly: %s" % client.returncode)
if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("accessibility: all checks passed")
