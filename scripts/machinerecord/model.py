"""The lines of a machine record (docs/machine-record.md), read into the machine they describe:
controllers, hubs and their ports, and the printers met through their interfaces."""
import re

FORMAT_VERSION = 1
VENDOR = 0xE7D2
NOT_CONNECTED = 1167  # ERROR_DEVICE_NOT_CONNECTED: the printer was unplugged
SHARING_VIOLATION = 32
FILE_NOT_FOUND = 2
TOKEN = re.compile(r'"(?:[^"\\]|\\.)*"|\S+')

class BadRecord(Exception):
    pass


def unquote(token):
    if len(token) < 2 or token[0] != '"' or token[-1] != '"':
        raise BadRecord(f"expected a quoted text, not {token[:40]}")
    out, body, i = bytearray(), token[1:-1], 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out += c.encode("latin-1")
            i += 1
        elif body[i + 1:i + 2] in ("\\", '"'):
            out += body[i + 1].encode("latin-1")
            i += 2
        elif body[i + 1:i + 2] == "x" and re.fullmatch(r"[0-9A-Fa-f]{2}", body[i + 2:i + 4]):
            out.append(int(body[i + 2:i + 4], 16))
            i += 4
        else:
            raise BadRecord("a quoted text with a broken escape")
    return bytes(out)


def text_of(raw):
    """8-bit text in the ANSI code page (1252 on the machines we know) as a Python string."""
    try:
        return raw.decode("cp1252")
    except UnicodeDecodeError:
        return raw.decode("latin-1")


def number(token, base=10):
    try:
        return int(token, 0 if token.startswith("0x") else base)
    except ValueError:
        raise BadRecord(f"expected a number, not {token[:40]}") from None


class Port:
    def __init__(self, number_):
        self.number = number_
        self.seen = None  # (status, vid, pid, hub) as first answered
        self.unanswered = False
        self.facts = {}  # driverKey, node, configuration, product: first seen
        self.child = None  # hub name attached here
        self.link = None  # hub name reported here, walked elsewhere
        self.no_hub_name = False
        self.printer = None


class Hub:
    def __init__(self, name):
        self.name = name
        self.ports = None
        self.fault = None  # "openFails", "nodeInformationFails"
        self.port_map = {}

    def port(self, n):
        return self.port_map.setdefault(n, Port(n))


class Controller:
    def __init__(self):
        self.number = None
        self.listed_index = None
        self.path = None
        self.key = None
        self.no_key = False
        self.root = None  # hub name
        self.no_root_hub_name = False
        self.open_fails = self.detail_fails = False
        self.searches = set()


class Printer:
    def __init__(self, path, order):
        self.path, self.order = path, order
        self.busy = False
        self.opens = 0
        self.since = {"writes": 0, "reads": 0}
        self.scripts = {}  # open -> {("writes"|"reads", index): script}
        self.reads = []  # (open, index, reply bytes or None for a time-out)
        self.durations = []  # ("writes"|"reads", ms) of every request that was done
        self.cancel_fails = False
        self.unplugged = False
        self.port = None


