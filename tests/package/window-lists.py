#!/usr/bin/python3
# Reads the running Corvanta window as a screen reader does (AT-SPI) and exits 0 when one of
# its drop-down lists holds exactly the names given, in that order; otherwise prints the
# lists it found and exits 1. Waits up to 20 seconds for the window to be announced.
import sys
import time

import pyatspi


def nodes(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for index in range(node.childCount):
        yield from nodes(node.getChildAtIndex(index), depth + 1)


def dropDownLists():
    lists = []
    for app in pyatspi.Registry.getDesktop(0):
        if app is None or app.name != "Corvanta":
            continue
        for node in nodes(app):
            if node.getRoleName() != "combo box":
                continue
            for child in (node.getChildAtIndex(i) for i in range(node.childCount)):
                if child is not None and child.getRoleName() == "list":
                    lists.append([item.name for item in nodes(child)
                                  if item.getRoleName() == "list item"])
    return lists


wanted = sys.argv[1:]
found = []
for attempt in range(40):
    found = dropDownLists()
    if wanted in found:
        sys.exit(0)
    time.sleep(0.5)
print("no list of the window holds %s; found %s" % (wanted, found), file=sys.stderr)
sys.exit(1)
