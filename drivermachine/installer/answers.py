"""What the machine driver's devices answer, as bytes: USB descriptors, a port's own answers and
a request's status, made from a scenario's values as the simulated machine makes them. Used by
machine.py."""
import struct

NONE = 0xFFFFFFFF
PORT_FACTS, CONNECTION_FAILS, CONFIG_FAILS = 0xFE, 1, 2


class Refused(Exception):
    pass


# The status a request ends with for the Win32 error a script names, as the USB stack ends it;
# any other error travels as 0xC001xxxx, which ntdll turns back into the error itself.
STATUS_OF = {31: 0xC0000001, 1167: 0xC000009D, 995: 0xC0000120}


def records(pairs):
    out = b""
    for (kind, index), data in pairs:
        out += bytes([kind, index, len(data)]) + data
    return out


def string_descriptor(text):
    data = text.encode("utf-16-le")
    return bytes([2 + len(data), 3]) + data


def device_descriptor(vendor, product, hub, i_product=2):
    return struct.pack("<BBHBBBBHHHBBBB", 18, 1, 0x0200, 9 if hub else 0, 0, 0, 64, vendor,
                       product, 0x0100, 1, i_product, 0, 1)


def number(obj, key, default, where, most=0xFFFFFFFF):
    value = obj.get(key, default)
    try:
        value = int(str(value), 0) if not isinstance(value, bool) else None
    except ValueError:
        value = None
    if value is None or not 0 <= value <= most:
        raise Refused(f"{where}.{key}: not a number the driver-backed machine plays")
    return value


def configuration(d, where):
    """The configuration set a device answers: the printer's, with the scenario's header and
    length, as the simulated machine makes it."""
    config = bytearray(PRINTER_CONFIG)
    config[7] = number(d, "attributes", 0xA0, where, 0xFF)
    if "configuration" in d:
        text = str(d["configuration"])
        if len(text) != 18:
            raise Refused(f"{where}.configuration: expected 18 hexadecimal digits")
        config[:9] = bytes.fromhex(text)
        total = config[2] | config[3] << 8
        if total > 200:
            raise Refused(f"{where}.configuration: a set longer than the driver-backed machine "
                          "holds")
        config = (config + bytes(max(total, 9)))[:max(total, 9)]
    return bytes(config)


def status_of(script, where):
    error = number(script, "error", 31, where, 0xFFFF)
    return STATUS_OF.get(error, 0xC0010000 | error)


# The configuration set every device answers, hubs included (their own is never read unless a
# hub carries a printer's ids, and then it answers as the simulated machine's does).
PRINTER_CONFIG = bytes([9, 2, 32, 0, 1, 1, 0, 0xA0, 50, 9, 4, 0, 0, 2, 7, 1, 2, 0,
                        7, 5, 0x01, 2, 64, 0, 0, 7, 5, 0x82, 2, 64, 0, 0])


def cut(descriptor, returned, where):
    """A descriptor answered with only `returned` bytes after the request's header."""
    if returned is None:
        return descriptor
    if not isinstance(returned, int) or not 0 <= returned <= len(descriptor):
        raise Refused(f"{where}: a short answer longer than its descriptor")
    return descriptor[:returned]


def number_of(obj, key, default, where):
    return number(obj, key, default, where)


def port_facts(entry, short, where):
    """The port's own answers, as a record of its list; empty when it has none."""
    flags = CONNECTION_FAILS if entry.get("connectionFails") else 0
    for kind in ("device", "printer"):
        if isinstance(entry.get(kind), dict) and entry[kind].get("configurationFails"):
            flags |= CONFIG_FAILS
    key_bytes = number(short, "driverKey", NONE, f"{where}.shortAnswers")
    config_bytes = number(short, "configuration", NONE, f"{where}.shortAnswers")
    if not flags and key_bytes == NONE and config_bytes == NONE:
        return b""
    return records([((PORT_FACTS, 0), struct.pack("<3I", flags, key_bytes, config_bytes))])
