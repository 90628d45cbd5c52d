"""The scenario file (docs/scenarios.md) of the machine a record describes."""
import re
import statistics

from machinerecord.model import VENDOR, Controller, Port, text_of

PRINTER_PRODUCTS = (0x20, 0x21, 0x22)
HUB_IDS = (0x0424, 0x2514)
DEFAULT_PRODUCT_STRING = "VORK Stickograph 731"
DEFAULT_REPLY_HEAD = b"SG731- "
# How long the channel waits for a write and for a read before it cancels the request.
WAITS_MS = {"writes": 10000, "reads": 5000}
LONGEST_LATENCY_MS = 60000


def printer_scripts(printer, entry):
    opens = {n: s for n, s in printer.scripts.items() if s}
    if not opens:
        return
    chosen_open = min(opens)
    scripts = opens[chosen_open]
    if len(opens) > 1 and any(s != scripts for s in opens.values()):
        entry.setdefault("_notes", []).append("failures in several openings: the first kept")
    scripted_open = 0 if printer.opens == 1 or (len(opens) > 1 and all(
        s == scripts for s in opens.values())) else chosen_open
    if scripted_open:
        entry["scriptedOpen"] = scripted_open
    for kind in ("writes", "reads"):
        listed = [dict(index=i, **s) for (k, i), s in sorted(scripts.items()) if k == kind]
        if listed:
            entry[kind] = listed


def reply_entry(printer, entry, defaults):
    """The revision is the longest reply the printer gave; a shorter one, or a read that timed out
    while others were answered, is a scripted read of its opening."""
    replies = [reply for _, _, reply in printer.reads if reply is not None]
    if printer.reads and not replies:
        entry["silent"] = True
    elif replies:
        reply = max(replies, key=len)
        if len(reply) == 10 and reply.startswith(DEFAULT_REPLY_HEAD):
            entry["code"] = text_of(reply[7:])
        else:
            entry["revision"] = text_of(reply)
        for opening, index, got in printer.reads:
            if got is None:
                script = {"kind": "neverComplete"}
            elif len(got) < len(reply):
                script = {"kind": "acceptPart", "bytes": len(got)}
            else:
                continue
            printer.scripts.setdefault(opening, {})[("reads", index)] = script
    else:
        defaults.append(f"{entry['name']}: revision f0J")
    if printer.cancel_fails:
        entry["cancelFails"] = True
    if printer.busy:
        entry["busy"] = True
    latency = replay_latency(printer.durations)
    if latency:
        entry["latencyMs"] = latency


def replay_latency(durations):
    """The one latency a replayed printer gives every request: the median of the requests that were
    done, to the millisecond, so the replay is as slow as the machine was. It stays within the
    channel's wait of each kind of request that was done, so that none of them runs into a time-out
    in the replay; the requests that did time out are scripted as such and keep theirs."""
    if not durations:
        return 0
    latency = round(statistics.median(ms for _, ms in durations))
    for kind, _ in durations:
        latency = min(latency, WAITS_MS[kind])
    return min(latency, LONGEST_LATENCY_MS)


def device_facts(port, entry):
    facts = port.facts
    if facts.get("driverKey") == "none":
        entry["noDriverKey"] = True
    node = facts.get("node")
    if node == "not found":
        entry["deviceNode"] = False
    elif node == "without description":
        entry["description"] = None
    config = facts.get("configuration")
    if config == "none":
        entry["configurationFails"] = True
    elif config:
        if re.fullmatch(r"09022000010100[0-9A-F]{2}32", config):
            if config[14:16] != "A0":
                entry["attributes"] = "0x" + config[14:16]
        else:
            entry["configuration"] = config
    product = facts.get("product")
    if product == "none":
        entry["productString"] = None
    elif product is not None:
        text = text_of(product.rstrip(b"\0"))
        if text != DEFAULT_PRODUCT_STRING:
            entry["productString"] = text


class Writer:
    def __init__(self, record):
        self.r = record
        self.defaults = []
        self.printer_count = 0
        self.unwalked = []

    def hub_contents(self, hub):
        entries = []
        for n in sorted(hub.port_map):
            entry = self.port_entry(hub.port_map[n])
            if entry:
                entries.append(entry)
        # Printers are listed in the order the file names them: keep the record's order.
        entries.sort(key=lambda e: (self.first_printer(e), e["port"]))
        return entries

    def first_printer(self, entry):
        found = [p.order for p in self.r.printers.values() if p.port and id(p.port) in
                 self.subtree_ports(entry)]
        return min(found) if found else 1 << 30

    def subtree_ports(self, entry):
        return entry.get("_ports", set())

    def port_entry(self, port):
        entry = {"port": port.number}
        ports = {id(port)}
        if port.unanswered:
            entry["connectionFails"] = True
        seen = port.seen or (0, 0, 0, 0)
        status, vid, pid, is_hub = seen
        if port.child:
            hub = self.r.hubs[port.child]
            h = {"name": hub.name}
            if hub.ports is not None and hub.ports != 4:
                h["ports"] = hub.ports
            if hub.fault:
                h[hub.fault] = True
            if (vid, pid) != HUB_IDS:
                h["vendor"], h["product"] = f"0x{vid:04X}", f"0x{pid:04X}"
            contents = self.hub_contents(hub)
            for e in contents:
                ports |= e.pop("_ports", set())
            if contents:
                h["contents"] = contents
            entry["hub"] = h
        elif port.link:
            entry["hubLink"] = port.link
            if (vid, pid) != HUB_IDS:
                self.r.note(f"a port that links hub {port.link} shows other ids")
        elif vid == VENDOR and pid in PRINTER_PRODUCTS and not is_hub:
            entry["printer"] = self.printer_entry(port, status, pid)
        elif status or vid or pid or is_hub:
            d = {"vendor": f"0x{vid:04X}", "product": f"0x{pid:04X}"}
            if status != 1:
                d["status"] = status
            if is_hub:
                d["reportsHub"] = True
            device_facts(port, d)
            if port.printer:  # another maker's printer, with its own printer interface
                self.printer_count += 1
                d.update(printerInterface=True, name=f"printer-{self.printer_count}",
                         interfacePath=port.printer.path)
            entry["device"] = d
        if len(entry) == 1:
            return None
        entry["_ports"] = ports
        return entry

    def printer_entry(self, port, status, pid):
        self.printer_count += 1
        entry = {"name": f"printer-{self.printer_count}", "product": f"0x{pid:04X}"}
        if status != 1:
            entry["status"] = status
        device_facts(port, entry)
        printer = port.printer
        if printer:
            entry["interfacePath"] = printer.path
            reply_entry(printer, entry, self.defaults)
            printer_scripts(printer, entry)
            for note in entry.pop("_notes", []):
                self.r.note(f"{entry['name']}: {note}")
        elif status == 1 and self.r.discovery_seen:
            entry["interfaceListed"] = False
        elif status == 1:
            self.defaults.append(f"{entry['name']}: its interface and revision f0J")
        return entry

    def controller_entry(self, c):
        entry = {}
        if c.number is not None:
            entry["number"] = c.number
        if c.path is not None or c.detail_fails:
            entry["listed"] = True
        if c.path is not None:
            entry["interfacePath"] = c.path
        for flag, key in ((c.open_fails, "openFails"), (c.detail_fails, "detailReadFails"),
                          (c.no_key, "noDriverKey"), (c.no_root_hub_name, "noRootHubName")):
            if flag:
                entry[key] = True
        if c.key is not None:
            entry["driverKey"] = c.key
        present = sorted(c.searches)
        if present and present[-1] < self.r.searches:
            if present != list(range(1, present[-1] + 1)):
                self.r.note("a controller that came and went between searches")
            entry["presentForSearches"] = present[-1]
        if c.root:
            hub = self.r.hubs[c.root]
            entry["rootHubName"] = hub.name
            entry["rootPorts"] = hub.ports if hub.ports is not None else 4
            if hub.fault:
                entry["rootHub" + hub.fault[0].upper() + hub.fault[1:]] = True
            contents = self.hub_contents(hub)
            ports = set()
            for e in contents:
                ports |= e.pop("_ports", set())
            entry["_ports"] = ports
            if contents:
                entry["ports"] = contents
        else:
            # Its root hub was never asked for (no key, not opened, or met after a controller of
            # the same key). A name of its own keeps it from meeting one the simulator makes up.
            entry["rootHubName"] = f"ROOT-HUB-NEVER-WALKED-{len(self.unwalked) + 1}"
            self.unwalked.append(c)
        return entry


def strip_private(value):
    if isinstance(value, dict):
        return {k: strip_private(v) for k, v in value.items() if not k.startswith("_")}
    if isinstance(value, list):
        return [strip_private(v) for v in value]
    return value


def maker_ids(path):
    """The vendor and product a printer interface's path names, or None."""
    ids = re.search(r"vid_([0-9a-fA-F]{4})&pid_([0-9a-fA-F]{4})", path)
    return (int(ids.group(1), 16), int(ids.group(2), 16)) if ids else None


def attach_printers(r):
    """Each printer interface goes to the port of a printer the walk saw with the product id its
    path names, in the order the walk met the ports; a path that names none takes any printer port
    left. Another maker's printer interface goes to the port of the device with its vendor and
    product. The rest were on no port the walk reached (hidden_controller)."""
    seen = [p for hub in r.hubs.values() for p in hub.port_map.values()
            if p.seen and not p.seen[3] and p.seen[0] == 1]
    ports = [p for p in seen if p.seen[1] == VENDOR and p.seen[2] in PRINTER_PRODUCTS]
    printers = sorted(r.printers.values(), key=lambda p: p.order)
    for printer in printers:
        ids = maker_ids(printer.path)
        if not ids or ids[0] == VENDOR:
            continue
        port = next((p for p in seen if p.printer is None and p.seen[1:3] == ids), None)
        if port:
            port.printer, printer.port = printer, port
    for named in (True, False):
        for printer in printers:
            wanted = re.search(r"pid_([0-9a-fA-F]{4})", printer.path)
            ids = maker_ids(printer.path)
            if printer.port or bool(wanted) != named or (ids and ids[0] != VENDOR):
                continue
            pid = int(wanted.group(1), 16) if wanted else None
            port = next((p for p in ports if p.printer is None and (pid is None or p.seen[2] == pid)),
                        None)
            if port:
                port.printer, printer.port = printer, port


def hidden_controller(w, printer, count):
    """A printer interface that no port the walk reached explains (its hub did not open, say) is
    placed on a controller the walk never tries: numbered above 9 and not listed."""
    wanted = re.search(r"pid_([0-9a-fA-F]{4})", printer.path)
    port = Port(1)
    port.seen = (1, VENDOR, int(wanted.group(1), 16) if wanted else 0x21, 0)
    port.printer, printer.port = printer, port
    w.r.note(f"the printer interface {printer.path} was on no port the walk reached")
    entry = {"number": 9999 - count, "rootHubName": f"ROOT-HUB-OUT-OF-REACH-{count + 1}",
             "rootPorts": 1, "ports": [w.port_entry(port)]}
    entry["_ports"] = entry["ports"][0].pop("_ports")
    return entry


def scenario_of(r):
    attach_printers(r)
    w = Writer(r)
    entries = [(c, w.controller_entry(c)) for c in r.controllers]
    orphans = sorted((p for p in r.printers.values() if p.port is None), key=lambda p: p.order)
    for count, printer in enumerate(orphans):
        hidden = Controller()
        hidden.number = 9999 - count
        entries.append((hidden, hidden_controller(w, printer, count)))

    def first(pair):
        found = [p.order for p in r.printers.values() if p.port and id(p.port) in pair[1].get("_ports", ())]
        return min(found) if found else 1 << 30

    listed = sorted((e for e in entries if e[0].listed_index is not None), key=lambda e: e[0].listed_index)
    for pair in sorted((e for e in entries if e[0].listed_index is None),
                       key=lambda e: (first(e), e[0].number)):
        at = next((i for i, e in enumerate(listed) if first(e) > first(pair)), len(listed))
        listed.insert(at, pair)
    scenario = {"description": ""}
    if r.real_time is False:
        scenario["realTime"] = False
    if r.list_fails:
        scenario["controllerListFails"] = True
    if any(p.facts.get("node") == "no tree" for h in r.hubs.values() for p in h.port_map.values()):
        scenario["deviceTreeFails"] = True
    scenario["controllers"] = [strip_private(e) for _, e in listed]
    words = [f"The machine of a record of SG731 Updater {r.version or '(version not recorded)'}"]
    if w.defaults:
        words.append("Simulator defaults where the record says nothing: " + "; ".join(w.defaults))
    if r.notes:
        words.append("Not reproduced exactly: " + "; ".join(r.notes))
    scenario["description"] = ". ".join(words) + "."
    return scenario


