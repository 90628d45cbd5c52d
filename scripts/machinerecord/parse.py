"""Reading a machine record line by line; anything that is not a record line is a BadRecord."""
import re

from machinerecord.model import (FILE_NOT_FOUND, FORMAT_VERSION, NOT_CONNECTED, SHARING_VIOLATION,
                                 TOKEN, BadRecord, Controller, Hub, Port, Printer, number,
                                 text_of, unquote)


class Record:
    """The machine the record describes, built line by line."""

    def __init__(self):
        self.version = None
        self.real_time = None
        self.controllers = []
        self.hubs = {}
        self.printers = {}
        self.searches = 0
        self.open_search = None
        self.search_hubs = {}
        self.label = None
        self.label_listed = {}
        self.pending_hub = None  # (controller or port) waiting for its hub line
        self.pending_name = None
        self.discovery_seen = False
        self.current = None
        self.in_exchange = False
        self.list_fails = False
        self.selected = False
        self.tree_fails = False
        self.notes = []

    # --- controllers ---------------------------------------------------------------------
    def numbered(self, index):
        found = next((c for c in self.controllers if c.number == index), None)
        if not found:
            found = Controller()
            found.number = index
            self.controllers.append(found)
        return found

    def on_listed(self, index, path, opened, detail_failed):
        c = next((c for c in self.controllers if path is not None and c.path == path), None)
        if detail_failed:
            c = next((c for c in self.controllers if c.detail_fails and c.listed_index == index),
                     None)
        if not c:
            c = Controller()
            self.controllers.append(c)
        c.listed_index = index if c.listed_index is None else c.listed_index
        c.path = path
        c.detail_fails = detail_failed
        c.open_fails = not opened and not detail_failed
        c.searches.add(self.searches)
        self.label_listed[index] = c
        self.label = c

    def on_key(self, key):
        c = self.label
        if key is None:
            c.no_key = True
            return
        # A listed controller whose key a numbered one carries is that controller, met twice.
        if c.number is None and c.key is None:
            twin = next((o for o in self.controllers if o is not c and o.key == key
                         and o.number is not None and o.path is None
                         and self.searches in o.searches), None)
            if twin:
                twin.path, twin.listed_index = c.path, c.listed_index
                twin.open_fails |= c.open_fails
                self.controllers.remove(c)
                self.label_listed[c.listed_index] = twin
                self.label = c = twin
        c.key = key

    # --- hubs and ports ------------------------------------------------------------------
    def hub_line(self, name, words):
        hub = self.hubs.get(name)
        fresh = hub is None
        if fresh:
            hub = self.hubs[name] = Hub(name)
        owner, self.pending_hub = self.pending_hub, None
        if words[0] == "walked" and not fresh:
            if isinstance(owner, Port) and owner.child != name:
                owner.link = name
            return
        if isinstance(owner, Port) and owner.link != name:
            owner.child = name
        elif isinstance(owner, Controller):
            owner.root = name
        if words[0].isdigit():
            self.search_hubs[int(words[0])] = hub
            if hub.ports is None:
                hub.ports = number(words[2])
        elif words[:2] == ["not", "opened"]:
            hub.fault = hub.fault or "openFails"
        elif words[:3] == ["no", "node", "information"]:
            hub.fault = hub.fault or "nodeInformationFails"

    def port_line(self, place, words):
        hub_index, _, port_number = place.partition(".")
        hub = self.search_hubs.get(number(hub_index))
        if not hub:
            raise BadRecord(f"port {place[:20]} of a hub the record never opened")
        port = hub.port(number(port_number))
        if words == ["unanswered"]:
            port.unanswered = port.seen is None
        elif words[0] == "status":
            seen = (number(words[1]), number(words[3]), number(words[5]), number(words[7]))
            if port.seen is None or (port.seen[0] == 0 and seen[0] != 0 and port.printer is None):
                port.seen = seen
            elif seen != port.seen and not (seen[0] == 0 and self.unplugged_at(port)):
                self.note(f"port {place} changed between searches")
        elif words[:2] == ["driver", "key"]:
            port.facts.setdefault("driverKey", words[2])
        elif words[0] == "node":
            port.facts.setdefault("node", " ".join(words[1:]))
        elif words[0] in ("configuration", "product"):
            value = words[1] if words[1] == "none" or words[0] == "configuration" else unquote(words[1])
            port.facts.setdefault(words[0], value)
        elif words[:2] == ["hub", "name"]:
            if words[2] == "none":
                port.no_hub_name = True
            else:
                self.pending_hub = port
        else:
            raise BadRecord("an unknown port line")

    def unplugged_at(self, port):
        return any(p.unplugged for p in self.printers.values())

    def note(self, text):
        if text not in self.notes:
            self.notes.append(text)

    # --- printers ------------------------------------------------------------------------
    def interface_line(self, words):
        rest = words[2:]
        if rest[0] != "path":
            return  # a detail that could not be read: the simulator lists none of these
        path = text_of(unquote(rest[1]))
        printer = self.printers.get(path)
        if not printer:
            printer = self.printers[path] = Printer(path, len(self.printers))
        state = rest[2:]
        if state == ["opened"]:
            printer.opens += 1
            printer.since = {"writes": 0, "reads": 0}
            self.current = printer
        elif state[:2] == ["not", "opened"]:
            printer.busy = True
            if number(state[3]) != SHARING_VIOLATION:
                self.note(f"the interface {path} did not open (error {state[3]}); made busy")

    def request_line(self, kind, words):
        printer = self.current
        if printer is None:
            raise BadRecord(f"a {kind[:-1]} before any interface was opened")
        index = printer.since[kind]
        printer.since[kind] += 1
        asked = number(words[1])
        rest = words[2:]
        if kind == "writes" and rest and re.fullmatch(r"[0-9A-F]+", rest[0]) and rest[0] != "done":
            rest = rest[1:]
        script = None
        if rest[0] == "done":
            moved = number(rest[1])
            if kind == "reads":
                reply = bytes.fromhex(rest[2]) if moved else b""
                printer.reads.append((printer.opens, index, reply))
            elif moved < asked:
                script = {"kind": "acceptPart", "bytes": moved}
            if rest[-1] == "ms":
                printer.durations.append((kind, number(rest[-2])))
        elif printer.unplugged:
            return
        elif rest[0] == "refused":
            script = {"kind": "refuse", "error": number(rest[2])}
        elif rest[:2] == ["result", "failed"]:
            error = number(rest[3])
            script = {"kind": "unplug"} if error == NOT_CONNECTED else {"kind": "failResult",
                                                                         "error": error}
            printer.unplugged = error == NOT_CONNECTED
        elif rest[:2] == ["timed", "out"]:
            if kind == "reads":
                printer.reads.append((printer.opens, index, None))
                return
            script = {"kind": "neverComplete"}
        elif rest[:2] == ["wait", "failed"]:
            script = {"kind": "failWait"}
        elif rest[:2] == ["no", "interface"] or rest[:2] == ["no", "event"]:
            return
        else:
            raise BadRecord(f"an unknown {kind[:-1]} line")
        if script:
            printer.scripts.setdefault(printer.opens, {})[(kind, index)] = script


def parse(lines):
    record = Record()
    if not lines or not lines[0].startswith("SG731 machine record "):
        raise BadRecord("this is not a machine record of the SG731 Updater")
    version = number(lines[0].split()[-1])
    if version > FORMAT_VERSION:
        raise BadRecord(f"the record is of version {version}, newer than this script ({FORMAT_VERSION})")
    if version < 1:
        raise BadRecord("the record's version is not one this script knows")
    for n, line in enumerate(lines[1:], start=2):
        if line.startswith("ERROR: "):
            continue  # the channel's own diagnostics share the stream
        try:
            parse_line(record, TOKEN.findall(line))
        except (IndexError, KeyError, ValueError, BadRecord) as e:
            detail = str(e) if isinstance(e, BadRecord) else "a line that does not fit its place"
            raise BadRecord(f"line {n}: {detail}: {line[:60]!r}") from None
    if record.open_search is not None:
        raise BadRecord(f"the record is cut short in search {record.open_search}")
    if record.in_exchange:
        raise BadRecord("the record is cut short in an exchange with a printer")
    if not record.selected:
        raise BadRecord("the record is cut short: it ends before the printer selection")
    return record


def parse_line(r, w):
    head = w[0]
    if head == "program":
        r.version = f"{w[1]} ({w[2]})"
    elif head in ("language", "probe", "selection", "check", "transfer", "notification"):
        if head == "transfer":
            r.in_exchange = False
        r.selected |= head == "selection"
    elif head == "simulator":
        r.real_time = w[2] == "real"
    elif head == "search":
        search_line(r, w)
    elif head in ("hcd", "listed") and r.open_search is None:
        raise BadRecord("a controller outside a search")
    elif head == "hcd":
        hcd_line(r, w)
    elif head == "listed":
        listed_line(r, w)
    elif head == "hub":
        if w[1].isdigit():
            r.hub_line(text_of(unquote(w[2])), [w[1]] + w[3:])
        else:
            r.hub_line(text_of(unquote(w[1])), w[2:])
    elif head == "port":
        r.port_line(w[1], w[2:])
    else:
        exchange_line(r, w)


def exchange_line(r, w):
    head = w[0]
    if head == "exchange":
        r.in_exchange = len(w) == 1
    elif head == "interfaces":
        r.discovery_seen = True
        r.current = None
    elif head == "interface":
        r.interface_line(w)
    elif head in ("write", "read"):
        r.request_line(head + "s", w)
    elif head == "cancel":
        if r.current:
            r.current.cancel_fails |= w[1] == "failed"
    elif head == "revision":
        r.in_exchange = False
    elif head.startswith("SG731") and head.endswith("Device"):
        pass  # a variant's decision, which follows from the machine
    else:
        raise BadRecord("an unknown line")


def search_line(r, w):
    search = number(w[1])
    if w[2] == "product":
        if r.open_search is not None:
            raise BadRecord("a search begins inside another")
        r.searches += 1
        r.open_search, r.search_hubs, r.pending_hub = search, {}, None
    elif w[2] in ("count", "failed"):
        if r.open_search != search:
            raise BadRecord("a search ends that never began")
        r.open_search = None
    else:
        raise BadRecord("an unknown search line")


def hcd_line(r, w):
    index = number(w[1])
    if w[2:] == ["opened"]:
        r.label = r.numbered(index)
        r.label.searches.add(r.searches)
    elif w[2:4] == ["not", "opened"]:
        # No such name is no controller; any other error is one that is there and refuses.
        if number(w[5]) != FILE_NOT_FOUND:
            c = r.numbered(index)
            c.open_fails = True
            c.searches.add(r.searches)
    else:
        controller_line(r, r.numbered(index), w[2:])


def listed_line(r, w):
    if w[1] == "controllers":
        r.list_fails = w[2:3] == ["failed"]
    elif w[2] == "path":
        r.on_listed(number(w[1]), text_of(unquote(w[3])), w[4] == "opened", False)
    elif w[2:4] == ["detail", "failed"]:
        r.on_listed(number(w[1]), None, False, True)
    elif number(w[1]) not in r.label_listed:
        raise BadRecord("a listed controller that was never listed")
    else:
        r.label = r.label_listed[number(w[1])]
        controller_line(r, r.label, w[2:])


def controller_line(r, c, w):
    r.label = c
    if w[0] == "key":
        r.on_key(None if w[1] == "none" else text_of(unquote(w[1])))
    elif w[:2] == ["root", "hub"]:
        if w[2] == "none":
            c.no_root_hub_name = True
        else:
            r.pending_hub = c
    elif w[:2] == ["walked", "before"]:
        pass
    else:
        raise BadRecord("an unknown controller line")


