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

MAGIC, MAX_NODES, NAME, KEY, BYTES, NONE = 0x314D4753, 64, 200, 100, 400, 0xFFFFFFFF
CONTROLLER, HUB, PORT, PRINTER = 1, 2, 3, 4
SILENT = 1
UNPLUG = 0x80000000
PRINT_CLASS = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
HOST_CLASS = "{3abf6f2d-71c4-462a-8a92-1e6861e6af27}"
HUB_CLASS = "{f18a0e88-c30c-11d0-8815-00a0c906bed8}"
USB_CLASS = "{36fc9e60-c465-11cf-8056-444553540000}"
SERVICE = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\sg731machine"
CONTROL = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\DeviceClasses"
ENUM = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum"
ALLOWED = {
    "scenario": {"description", "screens", "realTime", "controllers"},
    "controller": {"number", "listed", "rootPorts", "ports", "presentForSearches"},
    "port": {"port", "printer", "hub", "device", "hubLink", "shortAnswers"},
    # A device node's description is read through the configuration manager's tree walk, which
    # Wine's stub never reaches: the key is accepted and has nothing to play.
    "device": {"vendor", "product", "productString", "description", "status", "attributes",
               "printerInterface", "name"},
    "hub": {"name", "ports", "contents"},
    "printer": {"name", "product", "code", "latencyMs", "silent", "status", "productString",
                "attributes", "scriptedOpen", "writes"},
    "script": {"index", "kind", "error"},
    # Played by answering from a descriptor cut to the bytes the driver returns.
    "short": {"languages", "productString"},
}


class Refused(Exception):
    pass


# Keys that cannot be played under Wine at all, and why.
WHY = {
    "busy": "Wine's I/O manager gives the program its handle before the driver answers "
            "IRP_MJ_CREATE, so no printer can refuse an open there",
}


def check(obj, kind, where):
    if not isinstance(obj, dict):
        raise Refused(f"{where}: not an object")
    for key in obj:
        if key not in ALLOWED[kind]:
            why = WHY.get(key, "the driver-backed machine cannot play this key")
            raise Refused(f"{where}.{key}: {why}")


def units(text, room, where):
    data = [ord(c) for c in text]
    if len(data) >= room or any(u > 0xFFFF for u in data):
        raise Refused(f"{where}: name too long for the driver-backed machine")
    return data + [0] * (room - len(data))


def records(pairs):
    out = b""
    for (kind, index), data in pairs:
        out += bytes([kind, index, len(data)]) + data
    return out


def string_descriptor(text):
    data = text.encode("utf-16-le")
    return bytes([2 + len(data), 3]) + data


def device_descriptor(vendor, product, hub):
    return struct.pack("<BBHBBBBHHHBBBB", 18, 1, 0x0200, 9 if hub else 0, 0, 0, 64, vendor,
                       product, 0x0100, 1, 2, 0, 1)


PRINTER_CONFIG = bytes([9, 2, 32, 0, 1, 1, 0, 0xA0, 50, 9, 4, 0, 0, 2, 7, 1, 2, 0,
                        7, 5, 0x01, 2, 64, 0, 0, 7, 5, 0x82, 2, 64, 0, 0])
HUB_CONFIG = bytes([9, 2, 25, 0, 1, 1, 0, 0xE0, 0, 9, 4, 0, 0, 1, 9, 0, 0, 0,
                    7, 5, 0x81, 3, 1, 0, 12])


class Machine:
    def __init__(self):
        self.nodes, self.reg, self.serial, self.printers, self.dumped = [], [], 0, [], []
        self.foreign = 0  # other makers' printers, numbered apart as the simulator numbers them
        self.port_keys = 0
        self.links = []  # (port node, hub name, where) of ports that report a hub they lack

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
            if "device" in entry:
                self.device(hub, number, entry["device"], f"{w}.device", short)
            elif "printer" in entry:
                self.printer(hub, number, entry["printer"], f"{w}.printer", short)
            elif "hubLink" in entry:
                # A hub device whose name query answers another hub's name: the hub node is
                # filled in once every hub of the machine has been seen.
                node = self.node(PORT, hub, number, 1, NONE, 1, key=self.port_key(),
                                 data=records([((1, 0), device_descriptor(0x0424, 0x2514, True)),
                                               ((2, 0), HUB_CONFIG)]), where=w)
                self.links.append((node, str(entry["hubLink"]), f"{w}.hubLink"))
            elif "hub" in entry:
                h = entry["hub"]
                check(h, "hub", f"{w}.hub")
                # Hub names are numbered as the simulator numbers them, the hub's own driver key
                # taking the number after its name's, so that both machines name hubs alike.
                serial = self.next_serial()
                self.next_serial()
                name = str(h.get("name", f"USB#VID_0424&PID_2514#{serial}&2b8e0&0&1#{HUB_CLASS}"))
                inner = self.hub(name, h.get("ports", 4), f"{w}.hub")
                self.nodes[inner][1] = self.nodes[hub][1]  # a hub's controller
                hubs[name] = inner
                self.node(PORT, hub, number, 1, inner, 1, key=self.port_key(),
                          data=records([((1, 0), device_descriptor(0x0424, 0x2514, True)),
                                        ((2, 0), HUB_CONFIG)]), where=w)
                self.ports(inner, h.get("contents", []), h.get("ports", 4), f"{w}.hub.contents",
                           hubs)
            else:
                raise Refused(f"{w}: a port with nothing the driver-backed machine plays")

    def device(self, hub, number, d, where, short):
        check(d, "device", where)
        vendor = int(str(d.get("vendor", "0x046D")), 0)
        product = int(str(d.get("product", "0xC077")), 0)
        status = self.port(hub, number, d, vendor, product, where, short)
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
                  data=struct.pack("<16sI", b"", 0), where=where)

    def port(self, hub, number, d, vendor, product, where, short=None):
        text = d.get("productString", "VORK Stickograph 731")
        config = bytearray(PRINTER_CONFIG)
        config[7] = int(str(d.get("attributes", "0xA0")), 0) & 0xFF
        status = d.get("status", 1)
        if not isinstance(status, int) or not 0 <= status <= 7:
            raise Refused(f"{where}.status: not a connection status")
        # Of a device that failed to enumerate the hub knows only that it is there.
        failed = status in (2, 3, 4)
        languages = cut(bytes([4, 3, 0x09, 0x04]), (short or {}).get("languages"), where)
        product_string = cut(string_descriptor(text), (short or {}).get("productString"), where)
        data = b"" if failed else records([
            ((1, 0), device_descriptor(vendor, product, False)), ((2, 0), bytes(config)),
            ((3, 0), languages), ((3, 2), product_string)])
        self.node(PORT, hub, number, status, NONE, 0, key="" if failed else self.port_key(),
                  data=data, where=where)
        return status

    def printer(self, hub, number, p, where, short):
        check(p, "printer", where)
        product = int(str(p.get("product", "0x0021")), 0)
        self.printers.append(str(p.get("name", "printer")))
        # Only a configured device has its printer driver loaded, and so a printer interface.
        if self.port(hub, number, p, 0xE7D2, product, where, short) != 1:
            return
        self.dumped.append(self.printers[-1])
        serial = f"SG{len(self.printers)}"
        instance = f"USB\\VID_E7D2&PID_{product:04X}\\{serial}"
        link = self.interface(PRINT_CLASS, instance, where)
        code = str(p.get("code", "d0A"))[:3].encode("ascii")
        reply = b"SG731- " + code + b"\0" * (3 - len(code))
        flags = SILENT if p.get("silent") else 0
        refused = []
        for i, script in enumerate(p.get("writes", [])):
            w = f"{where}.writes[{i}]"
            check(script, "script", w)
            # Writes refused at once with the general failure, and the unplugging, are played.
            kind = script.get("kind", "refuse")
            if kind not in ("refuse", "unplug"):
                raise Refused(f"{w}.kind: the driver-backed machine plays only \"refuse\" "
                              "and \"unplug\"")
            if script.get("error", 31) != 31 or (kind == "unplug" and "error" in script):
                raise Refused(f"{w}.error: the driver-backed machine plays only error 31")
            index = int(script.get("index", 0))
            if not 0 <= index < UNPLUG:
                raise Refused(f"{w}.index: out of range")
            refused.append(index | (UNPLUG if kind == "unplug" else 0))
        if len(refused) > 8:
            raise Refused(f"{where}.writes: more than 8 scripted writes")
        data = reply.ljust(16, b"\0") + struct.pack(f"<I{len(refused)}I", len(refused), *refused)
        self.node(PRINTER, hub, int(p.get("latencyMs", 0)), flags, len(reply),
                  int(p.get("scriptedOpen", 0)), name=link, key=str(p.get("name", "printer")),
                  data=data, where=where)

    def blob(self):
        out = struct.pack("<II", MAGIC, len(self.nodes))
        for kind, parent, a, b, c, d, name, key, alias, data in self.nodes:
            out += struct.pack(f"<6I{NAME}H{KEY}H{NAME}H", kind, parent, a, b, c, d, *name,
                               *key, *alias)
            out += data + b"\0" * (BYTES - len(data))
        return out


def cut(descriptor, returned, where):
    """A descriptor answered with only `returned` bytes after the request's header."""
    if returned is None:
        return descriptor
    if not isinstance(returned, int) or not 0 <= returned <= len(descriptor):
        raise Refused(f"{where}: a short answer longer than its descriptor")
    return descriptor[:returned]


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
        number, count = c.get("number", i), c.get("rootPorts", 4)
        serial = machine.next_serial()
        machine.next_serial()  # the root hub's driver key
        root = machine.hub(f"USB#ROOT_HUB30#4&{serial:x}&0&0#{HUB_CLASS}", count, w)
        alias = ""
        if c.get("listed", True):
            alias = machine.interface(HOST_CLASS,
                                      f"PCI\\VEN_8086&DEV_1E31&SUBSYS_00000000&REV_04\\3&11583659&0&{serial:02X}", w)
        present = c.get("presentForSearches", NONE)
        if present != NONE and (not isinstance(present, int) or not 0 <= present < NONE):
            raise Refused(f"{w}.presentForSearches: not a count")
        controller = machine.node(CONTROLLER, a=number, b=root, c=present,
                                  key=driver_key(serial), alias=alias, where=w)
        machine.nodes[root][1] = controller
        machine.ports(root, c.get("ports", []), count, f"{w}.ports", hubs)
    counted = any(c.get("number", i) == 0 for i, c in enumerate(scenario.get("controllers", [])))
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
