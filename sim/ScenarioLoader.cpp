// Reading a scenario file into a simulated machine. The file is JSON; every object's keys and every
// value's type and range are checked, so a mistake is an error that names its place rather than a
// silently different machine. A file of any size or content ends in a short message: files larger
// than any scenario are refused unread, parser messages are cut, and hubs nest only so deep.
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "platform/Handles.h"
#include "sim/PrinterOnBus.h"
#include "sim/Scenario.h"
#include "sim/ScenarioValues.h"

namespace vork::sim {
namespace {

using namespace scenario;

constexpr std::size_t kLargestFile = 1 << 20;
constexpr std::size_t kLongestMessage = 300;
constexpr int kDeepestHub = 16;            // external hubs below a root hub; USB itself allows 5
constexpr std::uint64_t kMostPorts = 255;  // bNumberOfPorts is a byte
constexpr std::uint64_t kLongestLatency = 60000;
constexpr std::uint64_t kLastStatus = DeviceReset;

// The parser hands texts over as UTF-8 (it has checked them); USB strings are UTF-16.
std::u16string Utf16(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += static_cast<std::size_t>(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

// "productString": null is a device that names no product string (iProduct 0).
void ProductString(UsbDeviceSpec& device, const json& object, const std::string& where) {
    if (!object.contains("productString")) return;
    if (object["productString"].is_null()) {
        device.iProduct = 0;
        return;
    }
    device.productString = Utf16(TextOr(object, "productString", "", where));
}

// The 9 bytes of a configuration descriptor as 18 hexadecimal digits.
void ConfigHeader(UsbDeviceSpec& device, const json& object, const std::string& where) {
    if (!object.contains("configuration")) return;
    const std::string text = TextOr(object, "configuration", "", where);
    const std::string at = where + ".configuration";
    if (text.size() != 18 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw Error(at + ": expected 18 hexadecimal digits");
    std::array<std::uint8_t, 9> header{};
    for (std::size_t i = 0; i < header.size(); ++i)
        header[i] = static_cast<std::uint8_t>(std::stoi(text.substr(2 * i, 2), nullptr, 16));
    device.configHeader = header;
    device.totalLength = static_cast<std::uint16_t>(header[2] | header[3] << 8);
    device.attributes = header[7];
    device.maxPower = header[8];
}

// What the walk learns of a device beyond its ids, shared by printers and other devices: its
// driver key, its device node and description, its product string and its configuration.
void DeviceFacts(UsbDeviceSpec& device, const json& object, const std::string& where) {
    device.noDriverKey = BoolOr(object, "noDriverKey", false, where);
    device.inDeviceTree = BoolOr(object, "deviceNode", true, where);
    if (object.contains("description")) {
        if (object["description"].is_null())
            device.description.reset();
        else
            device.description = TextOr(object, "description", "", where);
    }
    if (BoolOr(object, "configurationFails", false, where)) device.configFault.failFirst = true;
    ProductString(device, object, where);
    ConfigHeader(device, object, where);
}

RequestScript::Kind ScriptKind(const std::string& name, const std::string& where) {
    using Kind = RequestScript::Kind;
    static const std::pair<const char*, Kind> kinds[] = {
        {"refuse", Kind::RefuseAtOnce},
        {"completeAtOnce", Kind::CompleteAtOnce},
        {"acceptPart", Kind::AcceptPart},
        {"neverComplete", Kind::NeverComplete},
        {"completeWhileCancelling", Kind::CompleteWhileCancelling},
        {"failResult", Kind::FailOverlappedResult},
        {"failWait", Kind::FailWait},
        {"unplug", Kind::Unplug}};
    for (const auto& [text, kind] : kinds)
        if (name == text) return kind;
    throw Error(where + ": unknown request kind \"" + name.substr(0, 40) + "\"");
}

std::map<int, RequestScript> Scripts(const json& list, const std::string& where) {
    std::map<int, RequestScript> scripts;
    if (!list.is_array()) throw Error(where + ": expected a list");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = where + "[" + std::to_string(i) + "]";
        CheckKeys(list[i], at, {"index", "kind", "bytes", "error"});
        RequestScript script;
        script.kind = ScriptKind(TextOr(list[i], "kind", "refuse", at), at + ".kind");
        script.bytes = NumberOr<DWORD>(list[i], "bytes", 0, at);
        script.error = NumberOr<DWORD>(list[i], "error", ERROR_GEN_FAILURE, at);
        scripts[NumberOr<int>(list[i], "index", 0, at)] = script;
    }
    return scripts;
}

std::vector<std::uint8_t> Revision(const json& p, const std::string& where) {
    if (p.contains("revision")) {
        const std::string text = TextOr(p, "revision", "", where);
        return {text.begin(), text.end()};
    }
    const std::string code = TextOr(p, "code", "f0J", where);
    if (code.size() != 3) throw Error(where + ".code: expected three characters");
    return RevisionReply(code.c_str());
}

// Answers that succeed with fewer bytes than asked for: {"driverKey": n, "productString": n, ...}.
void ShortAnswers(UsbDeviceSpec& device, const json& entry, const std::string& where) {
    if (!entry.contains("shortAnswers")) return;
    const json& s = entry["shortAnswers"];
    const std::string at = where + ".shortAnswers";
    CheckKeys(s, at, {"driverKey", "languages", "productString", "configuration"});
    if (s.contains("driverKey"))
        device.driverKeyFault.returnedBytes = NumberOr<DWORD>(s, "driverKey", 0, at);
    if (s.contains("languages"))
        device.languageFault.returnedBytes = NumberOr<DWORD>(s, "languages", 0, at);
    if (s.contains("productString"))
        device.productFault.returnedBytes = NumberOr<DWORD>(s, "productString", 0, at);
    if (s.contains("configuration"))
        device.configFault.secondReturnedBytes = NumberOr<DWORD>(s, "configuration", 0, at);
}

int Status(const json& object, const std::string& where) {
    return NumberOr<int>(object, "status", DeviceConnected, where, kLastStatus);
}

// One file's machine: the hubs it names and the links it makes, checked once the file is read.
class Loader {
public:
    explicit Loader(SimMachine& machine) : machine_(machine) {}
    void AddController(const json& c, const std::string& where);
    void CheckLinks() const;

private:
    void AddPorts(UsbHub& hub, const json& ports, const std::string& where, int depth);
    void AddPort(UsbHub& hub, const json& entry, const std::string& where, int depth);
    void AddPrinter(UsbPort& port, const json& p, const std::string& where);
    void AddDevice(UsbPort& port, const json& d, const std::string& where);
    void NameHub(const std::string& name, const std::string& where);

    SimMachine& machine_;
    std::set<std::string> hubNames_;
    std::vector<std::pair<std::string, std::string>> links_;  // name, place
};

void Loader::NameHub(const std::string& name, const std::string& where) {
    if (name.empty()) throw Error(where + ": a hub name cannot be empty");
    if (!hubNames_.insert(name).second)
        throw Error(where + ": a second hub named \"" + name + "\"");
}

void Loader::CheckLinks() const {
    for (const auto& [name, where] : links_)
        if (!hubNames_.contains(name))
            throw Error(where + ": no hub named \"" + name.substr(0, 40) + "\"");
}

void Loader::AddPrinter(UsbPort& port, const json& p, const std::string& where) {
    CheckKeys(p, where, {"name",          "product",       "code",
                         "revision",      "silent",        "attributes",
                         "productString", "status",        "interfaceListed",
                         "interfacePath", "busy",          "latencyMs",
                         "writes",        "reads",         "scriptedOpen",
                         "cancelFails",   "noDriverKey",   "deviceNode",
                         "description",   "configuration", "configurationFails"});
    PrinterOnBus d;
    d.product = NumberOr<std::uint16_t>(p, "product", 0x0021, where);
    d.attributes = NumberOr<std::uint8_t>(p, "attributes", 0xA0, where);
    d.status = Status(p, where);
    d.interfaceListed = BoolOr(p, "interfaceListed", true, where);
    d.interfacePath = TextOr(p, "interfacePath", "", where);
    d.printer.name = TextOr(p, "name", "printer", where);
    d.printer.revisionReply = Revision(p, where);
    d.printer.replyMode = BoolOr(p, "silent", false, where) ? ReplyMode::Silent : ReplyMode::Reply;
    d.printer.busy = BoolOr(p, "busy", false, where);
    d.printer.cancelFails = BoolOr(p, "cancelFails", false, where);
    d.printer.latencyMs = NumberOr<DWORD>(p, "latencyMs", 0, where, kLongestLatency);
    d.printer.scriptedOpen = NumberOr<int>(p, "scriptedOpen", 0, where);
    if (p.contains("writes")) d.printer.writes = Scripts(p["writes"], where + ".writes");
    if (p.contains("reads")) d.printer.reads = Scripts(p["reads"], where + ".reads");
    AttachPrinter(machine_, port, d);
    DeviceFacts(*port.device, p, where);
}

void Loader::AddDevice(UsbPort& port, const json& d, const std::string& where) {
    CheckKeys(d, where,
              {"vendor", "product", "status", "productString", "attributes", "noDriverKey",
               "description", "deviceNode", "configuration", "configurationFails", "reportsHub",
               "printerInterface", "name", "interfacePath"});
    UsbDeviceSpec device;
    device.vendor = NumberOr<std::uint16_t>(d, "vendor", device.vendor, where);
    device.product = NumberOr<std::uint16_t>(d, "product", device.product, where);
    device.status = Status(d, where);
    device.attributes = NumberOr<std::uint8_t>(d, "attributes", device.attributes, where);
    DeviceFacts(device, d, where);
    if (d.contains("reportsHub")) port.reportsHub = BoolOr(d, "reportsHub", false, where);
    if (!BoolOr(d, "printerInterface", false, where)) {
        if (d.contains("name") || d.contains("interfacePath"))
            throw Error(where + ": \"name\" and \"interfacePath\" need \"printerInterface\": true");
        port.device = device;
        return;
    }
    // Another maker's printer: its interface is listed with the label printers' and dumped alike.
    PrinterConfig printer;
    printer.name = TextOr(d, "name", "printer", where);
    printer.interfacePath = TextOr(d, "interfacePath", "", where);
    AttachForeignPrinter(machine_, port, device, printer);
}

void Loader::AddPort(UsbHub& hub, const json& entry, const std::string& where, int depth) {
    CheckKeys(entry, where,
              {"port", "printer", "device", "hub", "hubLink", "shortAnswers", "connectionFails"});
    const int number = NumberOr<int>(entry, "port", 0, where, kMostPorts);
    if (number < 1 || static_cast<std::size_t>(number) > hub.ports.size())
        throw Error(where + ".port: no port " + std::to_string(number) + " on a hub of " +
                    std::to_string(hub.ports.size()));
    int held = 0;
    for (const char* key : {"printer", "device", "hub", "hubLink"}) held += entry.contains(key);
    if (held > 1) throw Error(where + ": a port holds one of printer, device, hub and hubLink");
    UsbPort& port = hub.Port(number);
    if (port.device || port.hub || !port.hubLink.empty())
        throw Error(where + ".port: port " + std::to_string(number) + " is described twice");
    if (entry.contains("printer")) AddPrinter(port, entry["printer"], where + ".printer");
    if (entry.contains("device")) AddDevice(port, entry["device"], where + ".device");
    if (entry.contains("hubLink")) {
        port.hubLink = TextOr(entry, "hubLink", "", where);
        links_.emplace_back(port.hubLink, where + ".hubLink");
        port.device = UsbDeviceSpec{.vendor = 0x0424, .product = 0x2514, .iProduct = 0};
    }
    if (entry.contains("hub")) {
        const json& h = entry["hub"];
        const std::string at = where + ".hub";
        CheckKeys(h, at,
                  {"ports", "contents", "name", "vendor", "product", "openFails",
                   "nodeInformationFails"});
        if (depth >= kDeepestHub)
            throw Error(at + ": hubs nested deeper than " + std::to_string(kDeepestHub));
        const std::string name = TextOr(h, "name", "", at);
        if (h.contains("name")) NameHub(name, at + ".name");
        UsbHub& external = port.AttachHub(NumberOr<int>(h, "ports", 4, at, kMostPorts), name);
        if (!h.contains("name")) NameHub(external.name, at);
        port.device->vendor = NumberOr<std::uint16_t>(h, "vendor", port.device->vendor, at);
        port.device->product = NumberOr<std::uint16_t>(h, "product", port.device->product, at);
        external.openFails = BoolOr(h, "openFails", false, at);
        external.nodeInformationFails = BoolOr(h, "nodeInformationFails", false, at);
        AddPorts(external, ListOf(h, "contents", at), at + ".contents", depth + 1);
    }
    if (port.device) ShortAnswers(*port.device, entry, where);
    port.failExtended = port.failLegacy = BoolOr(entry, "connectionFails", false, where);
}

void Loader::AddPorts(UsbHub& hub, const json& ports, const std::string& where, int depth) {
    for (std::size_t i = 0; i < ports.size(); ++i)
        AddPort(hub, ports[i], where + "[" + std::to_string(i) + "]", depth);
}

void Loader::AddController(const json& c, const std::string& where) {
    CheckKeys(c, where,
              {"number", "listed", "rootPorts", "noDriverKey", "noRootHubName", "ports",
               "rootHubName", "presentForSearches", "driverKey", "interfacePath", "openFails",
               "detailReadFails", "rootHubOpenFails", "rootHubNodeInformationFails"});
    UsbControllerSpec described;
    described.number = c.contains("number") ? NumberOr<int>(c, "number", 0, where, 9999) : -1;
    described.listed = BoolOr(c, "listed", false, where);
    described.rootPorts = NumberOr<int>(c, "rootPorts", 4, where, kMostPorts);
    described.noDriverKey = BoolOr(c, "noDriverKey", false, where);
    described.noRootHubName = BoolOr(c, "noRootHubName", false, where);
    described.rootHubName = TextOr(c, "rootHubName", "", where);
    if (c.contains("driverKey")) described.driverKey = TextOr(c, "driverKey", "", where);
    described.interfacePath = TextOr(c, "interfacePath", "", where);
    described.openFails = BoolOr(c, "openFails", false, where);
    described.detailReadFails = BoolOr(c, "detailReadFails", false, where);
    described.presentForSearches =
        c.contains("presentForSearches") ? NumberOr<int>(c, "presentForSearches", 0, where) : -1;
    if (described.number < 0 && !described.listed)
        throw Error(where + ": a controller needs a number, \"listed\": true, or both");
    if (c.contains("rootHubName")) NameHub(described.rootHubName, where + ".rootHubName");
    UsbController& controller = machine_.Usb().AddController(described);
    if (!c.contains("rootHubName")) NameHub(controller.rootHub->name, where);
    controller.rootHub->openFails = BoolOr(c, "rootHubOpenFails", false, where);
    controller.rootHub->nodeInformationFails =
        BoolOr(c, "rootHubNodeInformationFails", false, where);
    AddPorts(controller.RootHub(), ListOf(c, "ports", where), where + ".ports", 0);
}

// A message short enough for a box. The parser's messages end in what it last read, which may be
// most of the file, so their end goes; the loader's own name a place that may be long, and end in
// what is wrong there, so their middle goes.
std::string Cut(const std::string& message, bool ownMessage) {
    if (message.size() <= kLongestMessage) return message;
    if (!ownMessage) return message.substr(0, kLongestMessage) + "...";
    constexpr std::size_t kHead = kLongestMessage / 3;
    return message.substr(0, kHead) + "..." +
           message.substr(message.size() - (kLongestMessage - kHead));
}

}  // namespace

ScenarioResult LoadScenarioText(SimMachine& machine, const std::string& text) {
    ScenarioResult result;
    try {
        if (text.size() > kLargestFile)
            throw Error("the scenario file is larger than " + std::to_string(kLargestFile) +
                        " bytes");
        const json root = json::parse(text);
        CheckKeys(root, "scenario",
                  {"description", "screens", "realTime", "controllers", "controllerListFails",
                   "deviceTreeFails"});
        result.description = TextOr(root, "description", "", "scenario");
        result.screens = TextList(root, "screens", "scenario");
        machine.SetRealTime(BoolOr(root, "realTime", true, "scenario"));
        machine.Usb().listingFails = BoolOr(root, "controllerListFails", false, "scenario");
        machine.Usb().deviceTreeUnavailable = BoolOr(root, "deviceTreeFails", false, "scenario");
        Loader loader(machine);
        const json& controllers = ListOf(root, "controllers", "scenario");
        for (std::size_t i = 0; i < controllers.size(); ++i)
            loader.AddController(controllers[i], "controllers[" + std::to_string(i) + "]");
        loader.CheckLinks();
        result.ok = true;
    } catch (const Error& e) {
        result.error = Cut(e.what(), true);
    } catch (const std::exception& e) {
        result.error = Cut(e.what(), false);
    }
    return result;
}

ScenarioResult LoadScenarioFile(SimMachine& machine, const std::wstring& path) {
    const FileStream file(_wfopen(path.c_str(), L"rb"));
    if (!file) return {false, "the scenario file cannot be opened", {}, {}};
    std::string text;
    char buffer[4096];
    // Read no more than one byte past the largest file: a larger one is refused unread.
    for (std::size_t n; text.size() <= kLargestFile &&
                        (n = std::fread(buffer, 1, sizeof buffer, file.Get())) > 0;) {
        text.append(buffer, n);
    }
    return LoadScenarioText(machine, text);
}

bool DumpPrinters(const SimMachine& machine, const std::wstring& folder) {
    bool ok = true;
    for (const auto& printer : machine.Printers()) {
        const std::wstring base =
            folder + L"\\" + std::wstring(printer->config.name.begin(), printer->config.name.end());
        FileStream bytes(_wfopen((base + L".bin").c_str(), L"wb"));
        ok = bytes &&
             std::fwrite(printer->received.data(), 1, printer->received.size(), bytes.Get()) ==
                 printer->received.size() &&
             CloseFileStream(bytes) && ok;
        FileStream sizes(_wfopen((base + L".writes.txt").c_str(), L"w"));
        if (sizes) {
            for (const auto& write : printer->writeLog) {
                std::fprintf(sizes.Get(), "%lu\n", write.requested);
            }
        }
        ok = CloseFileStream(sizes) && ok;
    }
    return ok;
}

}  // namespace vork::sim
