#!/usr/bin/env python3
"""Turns a scenario file into what the machine driver plays: the REG file that holds the
machine description (the service's Parameters\\Machine value, laid out as
drivermachine/driver/MachineLayout.h says) and the SetupAPI entries of the printer and host
controller interfaces. A key the driver cannot play is refused with its name, never ignored.

    machine.py SCENARIO.json OUT.reg    exit 0, or 2 with the refused key on standard error
"""
import json
import os
import struct
import sys

from answers import (PRINTER_CONFIG, Refused, configuration, cut, device_descriptor, number,
                     number_of, port_facts, records, status_of, string_descriptor)

MAGIC, MAX_NODES, NAME, KEY, BYTES, NONE = 0x314D4753, 64, 200, 100, 400, 0xFFFFFFFF
CONTROLLER, HUB, PORT, PRINTER = 1, 2, 3, 4
SILENT, SLOW_CANCEL = 1, 4
NO_DRIVER_KEY, NO_ROOT_HUB_NAME, NO_NODE_INFO = 1, 2, 4
READ = 0x80000000
KINDS = {"refuse": 1, "completeAtOnce": 2, "acceptPart": 3, "neverComplete": 4,
         "completeWhileCancelling": 5, "failResult": 6, "unplug": 7}
REPLY_BYTES, MAX_SCRIPTS = 64, 16
PRINT_CLASS = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
HOST_CLASS = "{3abf6f2d-71c4-462a-8a92-1e6861e6af27}"
HUB_CLASS = "{f18a0e88-c30c-11d0-8815-00a0c906bed8}"
USB_CLASS = "{36fc9e60-c465-11cf-8056-444553540000}"
SERVICE = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\sg731machine"
CONTROL = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\DeviceClasses"
ENUM = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum"
FACTS = {"productString", "attributes", "configuration", "configurationFails", "noDriverKey",
         "deviceNode", "description", "status"}
ALLOWED = {
    # Wine's configuration manager cannot be entered at all (CM_Locate_DevNodeA fails): every
    # machine of Wine's is one whose device tree fails, and "deviceTreeFails" has nothing to play.
    "scenario": {"description", "screens", "realTime", "controllers", "deviceTreeFails"},
    "controller": {"number", "listed", "rootPorts", "ports", "presentForSearches", "driverKey",
                   "rootHubName", "noDriverKey", "noRootHubName", "rootHubNodeInformationFails",
                   "interfacePath"},
    "port": {"port", "printer", "hub", "device", "hubLink", "shortAnswers", "connectionFails"},
    # A device node's description is read through the configuration manager's tree walk, which
    # Wine never enters: "description" (a text) and "deviceNode" are accepted and have nothing
    # to play; the lookup ends as for a key no node carries.
    "device": FACTS | {"vendor", "product", "reportsHub", "printerInterface", "name"},
    "hub": {"name", "ports", "contents", "vendor", "product", "nodeInformationFails"},
    "printer": FACTS | {"name", "product", "code", "revision", "latencyMs", "silent",
                        "scriptedOpen", "writes", "reads", "interfaceListed", "cancelFails",
                        "interfacePath"},
    "script": {"index", "kind", "error", "bytes"},
    # Played by answering from a descriptor cut to the bytes the driver returns, or by the port's
    # own answers.
    "short": {"languages", "productString", "driverKey", "configuration"},
}


# Keys that cannot be played under Wine at all, and why (docs/wine-notes.md).
HANDLE_FIRST = ("Wine's I/O manager gives the program its handle before the driver answers "
                "IRP_MJ_CREATE, so no open can be refused there")
WHY = {
    "busy": HANDLE_FIRST,
    "openFails": HANDLE_FIRST,
    "rootHubOpenFails": HANDLE_FIRST,
    "detailReadFails": "Wine's SetupAPI reads an interface's detail from the registry entry that "
                       "lists it, so a listed interface's detail cannot fail",
    "controllerListFails": "Wine's SetupAPI builds the interface list from the registry, which "
                           "no driver can make fail",
}


def check(obj, kind, where):
    if not isinstance(obj, dict):
        raise Refused(f"{where}: not an object")
    if kind in ("device", "printer") and "description" in obj and obj["description"] is None:
        raise Refused(f"{where}.description: Wine's configuration manager finds no device node "
                      "at all, so a node without a description cannot be played")
    for key in obj:
        if key not in ALLOWED[kind]:
            why = WHY.get(key, "the driver-backed machine cannot play this key")
            raise Refused(f"{where}.{key}: {why}")


def units(text, room, where):
    data = [ord(c) for c in text]
    if len(data) >= room or any(u > 0xFFFF for u in data):
        raise Refused(f"{where}: name too long for the driver-backed machine")
    return data + [0] * (room - len(data))


class Machine:
    def __init__(self):
        self.nodes, self.reg, self.serial, self.printers, self.dumped = [], [], 0, [], []
        self.port_keys = 0
        self.links = []  # (port node, hub name, where) of ports that report a hub they lack
        self.foreign = 0  # other makers' printers, numbered apart as the simulator numbers them

    def node(self, kind, parent=NONE, a=0, b=0, c=0, d=0, name="", key="", alias="", data=b"",
             where=""):
        if len(self.nodes) >= MAX_NODES:
            raise Refused(f"{where}: more nodes than the driver-backed machine holds")
        if len(data) > BYTES:
            raise Refused(f"{where}: descriptors too long")
        self.nodes.append([kind, parent, a, b, c, d, units(name, NAME, where),
                           units(key, KEY, where), units(alias, NAME, where), data])
        return len(self.nodes) - 1

    def port_key(self):
        self.port_keys += 1
        return driver_key(1000 + self.port_keys)

    def next_serial(self):
        self.serial += 1
        return self.serial

    def interface(self, klass, instance, where):
        """SetupAPI's entries for a present interface of `klass` on device `instance`."""
        ref = instance.replace("\\", "#")
        base = f"{CONTROL}\\{klass}\\##?#{ref}#{klass}"
        self.reg += [f"[{ENUM}\\{instance}]", f'"ClassGUID"="{USB_CLASS}"', "",
                     f"[{base}]", f'"DeviceInstance"="{esc(instance)}"', "",
                     f"[{base}\\#]", f'"SymbolicLink"="{esc(chr(92) * 2 + "?" + chr(92) + ref)}#{klass}"', "",
                     f"[{base}\\#\\Control]", '"Linked"=dword:00000001', ""]
        return f"{ref}#{klass}".lower()

    def hub(self, name, port_count, where):
        return self.node(HUB, a=port_count, name=name, where=where)

    def ports(self, hub, entries, count, where, hubs):
        taken = {e.get("port") for e in entries if isinstance(e, dict)}
        for number in range(1, count + 1):
            if number not in taken:  # an empty port answers with no device connected
                self.node(PORT, hub, number, 0, NONE, 0, where=where)
        for i, entry in enumerate(entries):
            w = f"{where}[{i}]"
            check(entry, "port", w)
            number = entry.get("port")
            if not isinstance(number, int) or not 1 <= number <= count:
                raise Refused(f"{w}.port: no such port")
            short = entry.get("shortAnswers", {})
            check(short, "short", f"{w}.shortAnswers")
            if "shortAnswers" in entry and not {"device", "printer"} & entry.keys():
                raise Refused(f"{w}.shortAnswers: played only for a device or a printer")
            facts = port_facts(entry, short, w)
            if not {"device", "printer", "hub", "hubLink"} & entry.keys():
                self.node(PORT, hub, number, 0, NONE, 0, data=facts, where=w)
                continue
            if "device" in entry:
                self.device(hub, number, entry["device"], f"{w}.device", short, facts)
            elif "printer" in entry:
                self.printer(hub, number, entry["printer"], f"{w}.printer", short, facts)
            elif "hubLink" in entry:
                # A hub device whose name query answers another hub's name: the hub node is
                # filled in once every hub of the machine has been seen.
                node = self.node(PORT, hub, number, 1, NONE, 1, key=self.port_key(),
                                 data=records([((1, 0), device_descriptor(0x0424, 0x2514, True, 0)),
                                               ((2, 0), PRINTER_CONFIG)]) + facts, where=w)
                self.links.append((node, str(entry["hubLink"]), f"{w}.hubLink"))
            elif "hub" in entry:
                h = entry["hub"]
                check(h, "hub", f"{w}.hub")
                # Hub names are numbered as the simulator numbers them, the hub's own driver key
                # taking the number after its name's (a named hub takes only the key's), so that
                # both machines name hubs and controllers alike.
                serial = self.next_serial() if "name" not in h else 0
                self.next_serial()
                name = str(h.get("name", f"USB#VID_0424&PID_2514#{serial}&2b8e0&0&1#{HUB_CLASS}"))
                inner = self.hub(name, h.get("ports", 4), f"{w}.hub")
                self.nodes[inner][1] = self.nodes[hub][1]  # a hub's controller
                self.nodes[inner][3] = NO_NODE_INFO if h.get("nodeInformationFails") else 0
                hubs[name] = inner
                ids = (number_of(h, "vendor", 0x0424, w), number_of(h, "product", 0x2514, w))
                self.node(PORT, hub, number, 1, inner, 1, key=self.port_key(),
                          data=records([((1, 0), device_descriptor(*ids, True)),
                                        ((2, 0), PRINTER_CONFIG)]) + facts, where=w)
                self.ports(inner, h.get("contents", []), h.get("ports", 4), f"{w}.hub.contents",
                           hubs)
            else:
                raise Refused(f"{w}: a port with nothing the driver-backed machine plays")

    def device(self, hub, number, d, where, short, facts):
        check(d, "device", where)
        vendor = number_of(d, "vendor", 0x046D, where)
        product = number_of(d, "product", 0xC077, where)
        status = self.port(hub, number, d, vendor, product, where, short, facts,
                           bool(d.get("reportsHub")))
        if d.get("printerInterface") and status == 1:
            self.foreign_printer(hub, d, vendor, product, where)

    def foreign_printer(self, hub, d, vendor, product, where):
        """Another maker's printer: its printer interface under its own ids, silent to the
        revision request, with dump files like a label printer's."""
        self.foreign += 1
        name = str(d.get("name", "printer"))
        self.dumped.append(name)
        instance = f"USB\\VID_{vendor:04X}&PID_{product:04X}\\OP{self.foreign}"
        self.reg = [f"[-{ENUM}\\{instance}]", ""] + self.reg
        link = self.interface(PRINT_CLASS, instance, where)
        self.node(PRINTER, hub, 0, SILENT, 0, 0, name=link, key=name,
                  data=b"".ljust(REPLY_BYTES, b"\0") + struct.pack("<I", 0), where=where)

    def port(self, hub, number, d, vendor, product, where, short, facts, reports_hub=False):
        text = d.get("productString", "VORK Stickograph 731")
        config = configuration(d, where)
        status = d.get("status", 1)
        if not isinstance(status, int) or not 0 <= status <= 10:
            raise Refused(f"{where}.status: not a connection status")
        # Of a device that failed to enumerate the hub knows only that it is there.
        failed = status in (2, 3, 4)
        languages = cut(bytes([4, 3, 0x09, 0x04]), short.get("languages"), where)
        # A device that names no product string has iProduct 0, and no string to ask for.
        strings = [] if text is None else [
            ((3, 2), cut(string_descriptor(str(text)), short.get("productString"), where))]
        data = b"" if failed else records([
            ((1, 0), device_descriptor(vendor, product, reports_hub, 0 if text is None else 2)),
            ((2, 0), config), ((3, 0), languages)] + strings) + facts
        keyed = not failed and not d.get("noDriverKey")
        self.node(PORT, hub, number, status, NONE, 1 if reports_hub else 0,
                  key=self.port_key() if keyed else "", data=data, where=where)
        return status

    def printer(self, hub, number, p, where, short, facts):
        check(p, "printer", where)
        product = number_of(p, "product", 0x0021, where)
        self.printers.append(str(p.get("name", "printer")))
        # Only a configured device has its printer driver loaded, and so a printer interface;
        # a printer whose interface is not listed has none either, and can receive nothing.
        if self.port(hub, number, p, 0xE7D2, product, where, short, facts) != 1:
            return
        if p.get("interfaceListed", True) is False:
            return
        self.dumped.append(self.printers[-1])
        serial = f"SG{len(self.printers)}"
        instance = given_instance(p, PRINT_CLASS, where) or \
            f"USB\\VID_E7D2&PID_{product:04X}\\{serial}"
        link = self.interface(PRINT_CLASS, instance, where)
        if "revision" in p:
            reply = str(p["revision"]).encode("utf-8")
            if len(reply) > REPLY_BYTES:
                raise Refused(f"{where}.revision: longer than the {REPLY_BYTES} bytes the "
                              "driver-backed machine holds")
        else:
            code = str(p.get("code", "f0J"))[:3].encode("ascii")
            reply = b"SG731- " + code + b"\0" * (3 - len(code))
        flags = (SILENT if p.get("silent") else 0) | (SLOW_CANCEL if p.get("cancelFails") else 0)
        scripts = self.scripts(p, "writes", 0, where) + self.scripts(p, "reads", READ, where)
        if len(scripts) > MAX_SCRIPTS:
            raise Refused(f"{where}: more than {MAX_SCRIPTS} scripted requests")
        data = reply.ljust(REPLY_BYTES, b"\0") + struct.pack("<I", len(scripts))
        for script in scripts:
            data += struct.pack("<4I", *script)
        self.node(PRINTER, hub, number_of(p, "latencyMs", 0, where), flags, len(reply),
                  number_of(p, "scriptedOpen", 0, where), name=link,
                  key=str(p.get("name", "printer")), data=data, where=where)

    @staticmethod
    def scripts(p, key, read, where):
        out = []
        listed = p.get(key, [])
        if not isinstance(listed, list):
            raise Refused(f"{where}.{key}: expected a list")
        for i, script in enumerate(listed):
            w = f"{where}.{key}[{i}]"
            check(script, "script", w)
            kind = script.get("kind", "refuse")
            if kind == "failWait":
                raise Refused(f"{w}.kind: the wait on the program's own event is answered by "
                              "Wine's server, which no driver reaches, so it cannot fail")
            if kind not in KINDS:
                raise Refused(f"{w}.kind: unknown request kind")
            index = number(script, "index", 0, w, READ - 1)
            out.append((index | read, KINDS[kind], number(script, "bytes", 0, w),
                        status_of(script, w)))
        return out

    def blob(self):
        out = struct.pack("<II", MAGIC, len(self.nodes))
        for kind, parent, a, b, c, d, name, key, alias, data in self.nodes:
            out += struct.pack(f"<6I{NAME}H{KEY}H{NAME}H", kind, parent, a, b, c, d, *name,
                               *key, *alias)
            out += data + b"\0" * (BYTES - len(data))
        return out


def given_instance(obj, klass, where):
    """The device instance of a given interface path (\\\\?\\ENUMERATOR#DEVICE#INSTANCE#{class}),
    whose link SetupAPI then lists as that path; None when none is given."""
    if "interfacePath" not in obj:
        return None
    path = str(obj["interfacePath"])
    parts = path[4:].split("#") if path.startswith("\\\\?\\") else []
    if len(parts) != 4 or parts[3].lower() != klass or not all(parts[:3]):
        raise Refused(f"{where}.interfacePath: not an interface path of its class "
                      "(\\\\?\\enumerator#device#instance#{class})")
    return "\\".join(parts[:3])


def esc(text):
    return text.replace("\\", "\\\\")


def driver_key(serial):
    return f"{USB_CLASS}\\{serial:04d}"


def build(scenario):
    check(scenario, "scenario", "scenario")
    machine, hubs = Machine(), {}
    for i, c in enumerate(scenario.get("controllers", [])):
        w = f"controllers[{i}]"
        check(c, "controller", w)
        # As on the simulated machine: a controller without a number is reached only through
        # its listing, and one is listed only when it says so.
        number, count = c.get("number", NONE), c.get("rootPorts", 4)
        if number != NONE and (not isinstance(number, int) or not 0 <= number <= 9999):
            raise Refused(f"{w}.number: not a controller number")
        serial = machine.next_serial()
        machine.next_serial()  # the root hub's driver key
        name = str(c.get("rootHubName", f"USB#ROOT_HUB30#4&{serial:x}&0&0#{HUB_CLASS}"))
        root = machine.hub(name, count, w)
        hubs[name] = root
        machine.nodes[root][3] = NO_NODE_INFO if c.get("rootHubNodeInformationFails") else 0
        alias = ""
        if c.get("listed", False):
            made = f"PCI\\VEN_8086&DEV_1E31&SUBSYS_00000000&REV_04\\3&11583659&0&{serial:02X}"
            alias = machine.interface(HOST_CLASS, given_instance(c, HOST_CLASS, w) or made, w)
        present = c.get("presentForSearches", NONE)
        if present != NONE and (not isinstance(present, int) or not 0 <= present < NONE):
            raise Refused(f"{w}.presentForSearches: not a count")
        flags = (NO_DRIVER_KEY if c.get("noDriverKey") else 0) | \
            (NO_ROOT_HUB_NAME if c.get("noRootHubName") else 0)
        controller = machine.node(CONTROLLER, a=number, b=root, c=present, d=flags,
                                  key=str(c.get("driverKey", driver_key(serial))), alias=alias,
                                  where=w)
        machine.nodes[root][1] = controller
        machine.ports(root, c.get("ports", []), count, f"{w}.ports", hubs)
    counted = any(c.get("number") == 0 for c in scenario.get("controllers", []))
    if not counted and any("presentForSearches" in c for c in scenario.get("controllers", [])):
        raise Refused("controllers: presentForSearches counts the opens of \\\\.\\HCD0, "
                      "which this machine lacks")
    for node, name, where in machine.links:
        if name not in hubs:
            raise Refused(f"{where}: no hub named \"{name}\"")
        machine.nodes[node][4] = hubs[name]
    return machine


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    try:
        with open(sys.argv[1], encoding="utf-8") as f:
            machine = build(json.load(f))
    except (Refused, ValueError, OSError) as e:
        print(f"the driver-backed machine cannot play {sys.argv[1]}: {e}", file=sys.stderr)
        return 2
    data = machine.blob().hex(",")
    # What an earlier run left is removed first: only this machine's entries are listed.
    lines = ["REGEDIT4", "", f"[-{CONTROL}\\{PRINT_CLASS}]", f"[-{CONTROL}\\{HOST_CLASS}]",
             f"[-{ENUM}\\USB\\VID_E7D2&PID_0020]", f"[-{ENUM}\\USB\\VID_E7D2&PID_0021]",
             f"[-{ENUM}\\USB\\VID_E7D2&PID_0022]", f"[-{ENUM}\\PCI\\VEN_8086&DEV_1E31]", "",
             f"[{SERVICE}\\Parameters]", f'"Machine"=hex:{data}', ""]
    with open(sys.argv[2], "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(lines + machine.reg) + "\n")
    # Every printer that has an interface has its dump files, empty while it received nothing, as
    # the simulator's; one without (not enumerated, or not configured) can receive nothing.
    dump = os.path.join(os.path.dirname(sys.argv[2]), "dump")
    for name in machine.dumped:
        for suffix in (".bin", ".writes.txt"):
            open(os.path.join(dump, name + suffix), "wb").close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
