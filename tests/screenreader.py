#!/usr/bin/python3
"""What a screen reader meets in Vantor, from a cold start.

Starts the program in FOLDER with the accessibility bus on, reads its windows through AT-SPI as
a screen reader does, and works it with the keyboard alone (xdotool): Tab goes round each page
of the main window and round each dialog in order, every control it reaches is read with its
name, no control of a window lacks a name or shares one, and Tab types nothing into a box.

    screenreader.py FOLDER SHOT_FOLDER     (on an X display, inside a session bus)
"""
import os
import subprocess
import sys
import time
from collections import namedtuple

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

FOLDER, SHOTS = sys.argv[1:3]

FOCUSED = Atspi.StateType.FOCUSED
FOCUSABLE = Atspi.StateType.FOCUSABLE
SHOWING = Atspi.StateType.SHOWING
# Parts of a control that Qt marks focused along with it, or even without it (a list's current
# line, the current tab): the control itself is what has the focus.
ITEM_ROLES = {"page tab", "list item", "table cell", "tree item", "menu item"}
# Controls whose children are their own parts (lines, tabs, scroll bars): the walk for the focus
# stops at them.
CONTROL_ROLES = {"list", "combo box", "text", "page tab list", "push button", "spin button"}
# A date picker takes Tab for its next part, month to day to year, before the focus leaves it.
DATE_ROLE = "spin button"
DATE_PARTS = 3


def tabs(page):
    return ("page tab list", page)


def button(name):
    return ("push button", name)


def box(name):
    return ("text", name)


VERSIONS = " Version Information "
PROBLEMS = " Problems and Solutions "
COMMENTS = " Comments "
OK, CANCEL = button("OK"), button("Cancel")
TITLE_FRAME = [("combo box", "Software"), button("Add software"), button("Delete software"),
               button("Edit software"), button("Print"), button("Options")]
COLD_START = [tabs(VERSIONS), ("list", "Needed Files"), ("list", "Changes / Reasons"),
              ("list", "Version / Date")] + TITLE_FRAME
PAGES = {
    VERSIONS: [tabs(VERSIONS), ("list", "Needed Files"), button("Add needed file"),
               button("Delete needed file"), button("Edit needed file"),
               ("list", "Changes / Reasons"), button("Add change"), button("Delete change"),
               button("Edit change"), ("list", "Version / Date"), button("Add version"),
               button("Delete version"), button("Edit version")] + TITLE_FRAME,
    PROBLEMS: [tabs(PROBLEMS), box("Solution"), box("Problem"), button("Find problems"),
               button("Add problem"), button("Delete problem"), button("Previous problem"),
               button("First problem"), button("Next problem"), button("Last problem")]
              + TITLE_FRAME + [button("Clear search")],
    COMMENTS: [tabs(COMMENTS), box("Comments")] + TITLE_FRAME,
}
MAIN_LISTS = {"Version / Date", "Needed Files", "Changes / Reasons"}

# Every dialog of the program: the page of the command that opens it, the command, the keys
# that open it once the command has the focus, the dialog's caption, and its Tab order from the
# control that has the focus when it opens. Each is opened, gone round and closed with Cancel.
Dialog = namedtuple("Dialog", "page command keys caption order")
SOFTWARE = [box("Software Name"), OK, CANCEL]
VERSION = [box("Version"), (DATE_ROLE, "Release Date"), OK, CANCEL]
PROBLEM = [box("Problem"), box("Solution"), OK, CANCEL]
DIALOGS = [
    Dialog(VERSIONS, button("Add software"), ["space"], "Add Software", SOFTWARE),
    Dialog(VERSIONS, button("Edit software"), ["space"], "Edit Software", SOFTWARE),
    Dialog(VERSIONS, button("Add version"), ["space"], "Add Version", VERSION),
    Dialog(VERSIONS, button("Edit version"), ["space"], "Edit Version", VERSION),
    Dialog(VERSIONS, button("Add change"), ["space"], "Add Change/Reason",
           [box("Change / Reason"), OK, CANCEL]),
    Dialog(VERSIONS, button("Add needed file"), ["space"], "Add Needed File",
           [box("Filename"), box("Version"), (DATE_ROLE, "Date"), OK, CANCEL]),
    Dialog(PROBLEMS, button("Add problem"), ["space"], "Add Problem/Solution", PROBLEM),
    Dialog(PROBLEMS, button("Find problems"), ["space"], "Find Problem/Solution", PROBLEM),
    Dialog(VERSIONS, button("Options"), ["space"], "Options",
           [CANCEL, OK, box("Database"), button("Browse for the database")]),
    # The Print menu opens at its first entry; Up goes round to its last ones, the exports.
    Dialog(VERSIONS, button("Print"), ["space", "Up", "Up", "Up", "Up", "Return"],
           "Export Release Notes",
           [("radio button", "All versions of the title"), ("combo box", "Format"), box("File"),
            button("Browse..."), OK, CANCEL]),
    Dialog(VERSIONS, button("Print"), ["space", "Up", "Up", "Up", "Return"], "Import Changelog",
           [("combo box", "Title"), box("File"), button("Browse..."), OK, CANCEL]),
    Dialog(VERSIONS, button("Print"), ["space", "Up", "Up", "Return"], "Export Problems",
           [("combo box", "Format"), ("radio button", "This title: Screen Reader Title"), box("Save as"),
            button("Browse..."), OK, CANCEL]),
    Dialog(VERSIONS, button("Print"), ["space", "Up", "Return"], "Import Problems",
           [box("CSV file"), button("Browse..."), OK, CANCEL]),
]


def fail(text):
    print("FAIL: " + text, file=sys.stderr)
    sys.exit(1)


def wait_for(what, test, limit=20):
    end = time.monotonic() + limit
    while True:
        result = test()
        if result:
            return result
        if time.monotonic() > end:
            fail(what)
        time.sleep(0.05)


def press(*keys):
    subprocess.run(["xdotool", "key", *keys], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True)


def shoot(name):
    subprocess.run(["/usr/bin/import", "-window", "root", os.path.join(SHOTS, name + ".png")],
                   check=True)


def expect(seen, wanted, what):
    if seen != wanted:
        fail("%s:\n  read   %s\n  wanted %s" % (what, seen, wanted))
    print("%s: %d controls, each read with its name" % (what, len(seen)))


def backwards(cycle):
    return cycle[:1] + cycle[:0:-1]


def spoken(node):
    """The name a screen reader reads: a combo box's own name is the text chosen in it, so it is
    read by its label."""
    if node.get_role_name() != "combo box":
        return node.get_name()
    for relation in node.get_relation_set():
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            return relation.get_target(0).get_name()
    return ""


def has(node, state):
    return node.get_state_set().contains(state)


def children(node):
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield child


class Program:
    def __init__(self):
        # The accessibility bus starts when it is first asked for.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                       check=True, stdout=subprocess.DEVNULL)
        self.log = os.path.join(FOLDER, "output.log")
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        with open(self.log, "w") as log:
            self.process = subprocess.Popen(["./vantor"], cwd=FOLDER, env=env, stdout=log,
                                            stderr=subprocess.STDOUT)
        self.app = wait_for("vantor never joined the accessibility bus", self.find_app, 60)
        # What is read is read now, not from what earlier events left in a cache.
        self.app.set_cache_mask(Atspi.Cache.NONE)
        # The focus is followed through its events, as a screen reader follows it: reading the
        # whole tree after every key would take long.
        self.focus = None
        self.focus_node = None
        self.page = VERSIONS
        self.listener = Atspi.EventListener.new(self.on_focus)
        self.listener.register("object:state-changed:focused")

    def find_app(self):
        if self.process.poll() is not None:
            fail("vantor ended during start-up")
        for app in children(Atspi.get_desktop(0)):
            if app.get_process_id() == self.process.pid:
                return app
        return None

    def window(self, role, name):
        for window in children(self.app):
            if (window.get_role_name(), window.get_name()) == (role, name) \
                    and has(window, SHOWING):
                return window
        return None

    def on_focus(self, event):
        if not event.detail1:
            return
        node = event.source
        try:
            if node.get_process_id() != self.process.pid:
                return
            # A line of a list or a tab counts for its list only while the list has the focus.
            if node.get_role_name() in ITEM_ROLES:
                node = node.get_parent()
                if not has(node, FOCUSED):
                    return
            self.focus = (node.get_role_name(), spoken(node))
            self.focus_node = node
        except GLib.Error:
            pass  # gone before it could be read

    def find_focus(self):
        """The control that has the keyboard focus, read from the tree of the active window."""
        found = []

        def visit(node):
            states = node.get_state_set()
            if not states.contains(SHOWING):
                return
            role = node.get_role_name()
            if states.contains(FOCUSED) and states.contains(FOCUSABLE) and role not in ITEM_ROLES:
                found.append(node)
            if role not in CONTROL_ROLES:
                for child in children(node):
                    visit(child)

        for window in children(self.app):
            if has(window, Atspi.StateType.ACTIVE):
                visit(window)
        if len(found) != 1:
            return None
        self.focus = (found[0].get_role_name(), spoken(found[0]))
        self.focus_node = found[0]
        return self.focus

    def current(self):
        context = GLib.MainContext.default()
        while context.pending():
            context.iteration(False)
        return self.focus

    def step(self, key):
        """Presses the key and returns the control that has the focus then."""
        before = self.current()
        for _ in range(DATE_PARTS if before and before[0] == DATE_ROLE and key == "Tab" else 1):
            press(key)

        def moved():
            now = self.current()
            return now if now and now != before else None

        return wait_for("%s on %s moved the focus nowhere" % (key, before), moved, 10)

    def cycle(self, key="Tab"):
        """The controls the key goes round, from the focused one back to it."""
        start = wait_for("nothing has the focus", self.current)
        seen = [start]
        for _ in range(60):
            now = self.step(key)
            if now == start:
                # What the events told agrees with what the windows hold.
                wait_for("the focus is not on %s in the tree" % (start,),
                         lambda: self.find_focus() == start, 5)
                return seen
            seen.append(now)
        fail("%s never came back to %s: %s" % (key, start, seen))

    def tab_to(self, control):
        for _ in range(60):
            if self.current() == control:
                return
            self.step("Tab")
        fail("Tab never reached %s" % (control,))

    def show_page(self, page):
        """Shows the page by the arrow keys on the tabs."""
        order = list(PAGES)
        self.tab_to(tabs(self.page))
        key = "Right" if order.index(page) > order.index(self.page) else "Left"
        for _ in range(abs(order.index(page) - order.index(self.page))):
            self.step(key)
        if self.current() != tabs(page):
            fail("the page %r could not be shown from the keyboard" % page)
        self.page = page

    def check_names(self, window, what):
        """Every control of the window that takes the focus has a name, none another's."""
        faults, owners = [], {}

        def visit(node, in_combo):
            role = node.get_role_name()
            if has(node, FOCUSABLE) and role not in ITEM_ROLES and not in_combo:
                name = spoken(node).strip()
                if not name:
                    faults.append("a %s without a name" % role)
                elif name in owners:
                    faults.append("two controls named %r (%s, %s)" % (name, owners[name], role))
                owners[name] = role
            for child in children(node):
                visit(child, in_combo or role == "combo box")

        visit(window, False)
        if faults:
            fail("%s: %s" % (what, "; ".join(faults)))
        print("%s: %d controls that take the focus, each with a name of its own"
              % (what, len(owners)))
        return owners

    def text_of(self, control):
        self.tab_to(control)
        node = self.focus_node
        return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))

    def work_dialog(self, dialog, index):
        self.show_page(dialog.page)
        self.tab_to(dialog.command)
        press(*dialog.keys)
        window = wait_for("%s did not open %s" % (dialog.command, dialog.caption),
                          lambda: self.window("dialog", dialog.caption))
        shoot("dialog-%d" % index)
        self.check_names(window, dialog.caption)
        expect(self.cycle(), dialog.order, "Tab round %s" % dialog.caption)
        self.tab_to(CANCEL)
        press("space")
        wait_for("Cancel did not close %s" % dialog.caption,
                 lambda: not self.window("dialog", dialog.caption))

    def add_with_dialog(self, command, caption, texts):
        """Types the texts into the dialog's boxes, one after another by Tab, and presses OK."""
        self.tab_to(command)
        press("space")
        wait_for("%s did not open %s" % (command, caption), lambda: self.window("dialog", caption))
        for text in texts:
            type_text(text)
            self.step("Tab")
        self.tab_to(OK)
        press("space")
        wait_for("OK did not close %s" % caption, lambda: not self.window("dialog", caption))

    def close(self):
        subprocess.run(["wmctrl", "-c", "Vantor"], check=True)
        try:
            status = self.process.wait(30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            fail("vantor did not end when its window was closed")
        with open(self.log) as log:
            output = log.read()
        if "ERROR: AddressSanitizer" in output or "runtime error:" in output:
            print(output, file=sys.stderr)
            fail("a sanitizer reported a fault")
        if status != 0:
            fail("vantor ended with status %d" % status)


def main():
    program = Program()
    main_window = wait_for("the main window never showed",
                           lambda: program.window("frame", "Vantor"), 60)
    wait_for("the focus did not start on the tabs",
             lambda: program.find_focus() == tabs(VERSIONS))
    shoot("cold-start")
    named = program.check_names(main_window, "the main window")
    lists = {name for name, role in named.items() if role == "list"}
    if lists != MAIN_LISTS:
        fail("the main window's lists read as %s" % sorted(lists))
    expect(program.cycle("Tab"), COLD_START, "Tab from a cold start")
    expect(program.cycle("shift+Tab"), backwards(COLD_START), "Shift+Tab from a cold start")

    # A title and a version, added from the keyboard, so that every command has its work.
    program.add_with_dialog(button("Add software"), "Add Software", ["Screen Reader Title"])
    program.add_with_dialog(button("Add version"), "Add Version", ["1.0"])
    program.show_page(PROBLEMS)
    program.add_with_dialog(button("Add problem"), "Add Problem/Solution",
                            ["The printer jams", "Clean the rollers"])
    for page, order in PAGES.items():
        program.show_page(page)
        expect(program.cycle("Tab"), order, "Tab round%s" % page.rstrip())
    program.show_page(VERSIONS)
    expect(program.cycle("shift+Tab"), backwards(PAGES[VERSIONS]), "Shift+Tab round the versions")

    for index, dialog in enumerate(DIALOGS):
        program.work_dialog(dialog, index)

    # Tab leaves the comments and types nothing into them.
    program.show_page(COMMENTS)
    program.tab_to(box("Comments"))
    type_text("typed by a keyboard user")
    if program.step("Tab") != TITLE_FRAME[0]:
        fail("Tab did not leave the comments for the title list")
    typed = program.text_of(box("Comments"))
    if typed != "typed by a keyboard user":
        fail("the comments hold %r" % typed)
    print("Tab left the comments and typed nothing into them")
    shoot("comments")
    program.close()
    print("screen reader: every control reached by Tab alone and read with its name")


main()
