// Reading a scenario file into a simulated machine. The file is JSON; every object's keys are
// checked, so a misspelt key is an error rather than a silently different machine.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>

#include "platform/Handles.h"
#include "sim/PrinterOnBus.h"
#include "sim/Scenario.h"

namespace vork::sim {
namespace {

using nlohmann::json;

// A problem in the file, with the place it was found.
struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void CheckKeys(const json& object, const std::string& where, std::initializer_list<const char*> allowed) {
    if (!object.is_object()) throw ScenarioError(where + ": expected an object");
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (const char* name : allowed) known = known || key == name;
        if (!known) throw ScenarioError(where + ": unknown key \"" + key + "\"");
    }
}

// A number given as a JSON number or as text ("0x21", "33").
std::uint32_t Number(const json& value, const std::string& where) {
    if (value.is_number_unsigned()) return value.get<std::uint32_t>();
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        char* end = nullptr;
        const unsigned long n = std::strtoul(text.c_str(), &end, 0);
        if (!text.empty() && end && *end == '\0') return static_cast<std::uint32_t>(n);
    }
    throw ScenarioError(where + ": expected a number");
}

template <typename T>
T NumberOr(const json& object, const char* key, T fallback, const std::string& where) {
    return object.contains(key) ? static_cast<T>(Number(object[key], where + "." + key)) : fallback;
}

std::u16string Utf16(const std::string& text) {
    std::u16string out;  // scenario texts are ASCII or Latin-1 in practice; code units map directly
    for (unsigned char c : text) out.push_back(c);
    return out;
}

RequestScript::Kind ScriptKind(const std::string& name, const std::string& where) {
    using Kind = RequestScript::Kind;
    static const std::pair<const char*, Kind> kinds[] = {
        {"refuse", Kind::RefuseAtOnce},       {"completeAtOnce", Kind::CompleteAtOnce},
        {"acceptPart", Kind::AcceptPart},     {"neverComplete", Kind::NeverComplete},
        {"completeWhileCancelling", Kind::CompleteWhileCancelling},
        {"failResult", Kind::FailOverlappedResult}, {"failWait", Kind::FailWait}};
    for (const auto& [text, kind] : kinds)
        if (name == text) return kind;
    throw ScenarioError(where + ": unknown request kind \"" + name + "\"");
}

std::map<int, RequestScript> Scripts(const json& list, const std::string& where) {
    std::map<int, RequestScript> scripts;
    if (!list.is_array()) throw ScenarioError(where + ": expected a list");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = where + "[" + std::to_string(i) + "]";
        CheckKeys(list[i], at, {"index", "kind", "bytes", "error"});
        RequestScript script;
        script.kind = ScriptKind(list[i].value("kind", "refuse"), at);
        script.bytes = NumberOr<DWORD>(list[i], "bytes", 0, at);
        script.error = NumberOr<DWORD>(list[i], "error", ERROR_GEN_FAILURE, at);
        scripts[static_cast<int>(NumberOr<std::uint32_t>(list[i], "index", 0, at))] = script;
    }
    return scripts;
}

std::vector<std::uint8_t> Revision(const json& p, const std::string& where) {
    if (p.contains("revision")) {
        const std::string text = p["revision"].get<std::string>();
        return {text.begin(), text.end()};
    }
    if (p.contains("code")) {
        const std::string code = p["code"].get<std::string>();
        if (code.size() != 3) throw ScenarioError(where + ".code: expected three characters");
        return RevisionReply(code.c_str());
    }
    return RevisionReply("f0J");
}

void AddPrinter(SimMachine& machine, UsbPort& port, const json& p, const std::string& where) {
    CheckKeys(p, where, {"name", "product", "code", "revision", "silent", "attributes", "productString",
                         "status", "interfaceListed", "interfacePath", "busy", "latencyMs", "writes",
                         "reads", "scriptedOpen", "cancelFails"});
    PrinterOnBus d;
    d.product = NumberOr<std::uint16_t>(p, "product", 0x0021, where);
    d.attributes = NumberOr<std::uint8_t>(p, "attributes", 0xA0, where);
    if (p.contains("productString")) d.productString = Utf16(p["productString"].get<std::string>());
    d.status = static_cast<int>(NumberOr<std::uint32_t>(p, "status", DeviceConnected, where));
    d.interfaceListed = p.value("interfaceListed", true);
    d.interfacePath = p.value("interfacePath", std::string());
    d.printer.name = p.value("name", "printer");
    d.printer.revisionReply = Revision(p, where);
    d.printer.replyMode = p.value("silent", false) ? ReplyMode::Silent : ReplyMode::Reply;
    d.printer.busy = p.value("busy", false);
    d.printer.cancelFails = p.value("cancelFails", false);
    d.printer.latencyMs = NumberOr<DWORD>(p, "latencyMs", 0, where);
    d.printer.scriptedOpen = static_cast<int>(NumberOr<std::uint32_t>(p, "scriptedOpen", 0, where));
    if (p.contains("writes")) d.printer.writes = Scripts(p["writes"], where + ".writes");
    if (p.contains("reads")) d.printer.reads = Scripts(p["reads"], where + ".reads");
    AttachPrinter(machine, port, d);
}

void AddDevice(UsbPort& port, const json& d, const std::string& where) {
    CheckKeys(d, where, {"vendor", "product", "status", "productString", "attributes", "noDriverKey",
                         "description"});
    UsbDeviceSpec device;
    device.vendor = NumberOr<std::uint16_t>(d, "vendor", device.vendor, where);
    device.product = NumberOr<std::uint16_t>(d, "product", device.product, where);
    device.status = static_cast<int>(NumberOr<std::uint32_t>(d, "status", DeviceConnected, where));
    device.attributes = NumberOr<std::uint8_t>(d, "attributes", device.attributes, where);
    if (d.contains("productString")) device.productString = Utf16(d["productString"].get<std::string>());
    device.noDriverKey = d.value("noDriverKey", false);
    if (d.contains("description")) device.description = d["description"].get<std::string>();
    port.device = device;
}

void AddPorts(SimMachine& machine, UsbHub& hub, const json& ports, const std::string& where);

void AddPort(SimMachine& machine, UsbHub& hub, const json& entry, const std::string& where) {
    CheckKeys(entry, where, {"port", "printer", "device", "hub"});
    const int number = static_cast<int>(NumberOr<std::uint32_t>(entry, "port", 0, where));
    if (number < 1 || static_cast<std::size_t>(number) > hub.ports.size())
        throw ScenarioError(where + ".port: no port " + std::to_string(number) + " on a hub of " +
                            std::to_string(hub.ports.size()));
    UsbPort& port = hub.Port(number);
    if (entry.contains("printer")) AddPrinter(machine, port, entry["printer"], where + ".printer");
    if (entry.contains("device")) AddDevice(port, entry["device"], where + ".device");
    if (entry.contains("hub")) {
        const json& h = entry["hub"];
        CheckKeys(h, where + ".hub", {"ports", "contents"});
        UsbHub& external = port.AttachHub(static_cast<int>(NumberOr<std::uint32_t>(h, "ports", 4, where)));
        if (h.contains("contents")) AddPorts(machine, external, h["contents"], where + ".hub.contents");
    }
}

void AddPorts(SimMachine& machine, UsbHub& hub, const json& ports, const std::string& where) {
    if (!ports.is_array()) throw ScenarioError(where + ": expected a list");
    for (std::size_t i = 0; i < ports.size(); ++i)
        AddPort(machine, hub, ports[i], where + "[" + std::to_string(i) + "]");
}

void AddController(SimMachine& machine, const json& c, const std::string& where) {
    CheckKeys(c, where, {"number", "listed", "rootPorts", "noDriverKey", "noRootHubName", "ports"});
    UsbControllerSpec described;
    described.number = c.contains("number") ? static_cast<int>(Number(c["number"], where + ".number")) : -1;
    described.listed = c.value("listed", false);
    described.rootPorts = static_cast<int>(NumberOr<std::uint32_t>(c, "rootPorts", 4, where));
    described.noDriverKey = c.value("noDriverKey", false);
    described.noRootHubName = c.value("noRootHubName", false);
    if (described.number < 0 && !described.listed)
        throw ScenarioError(where + ": a controller needs a number, \"listed\": true, or both");
    UsbController& controller = machine.Usb().AddController(described);
    if (c.contains("ports")) AddPorts(machine, controller.RootHub(), c["ports"], where + ".ports");
}

}  // namespace

ScenarioResult LoadScenarioText(SimMachine& machine, const std::string& text) {
    ScenarioResult result;
    try {
        const json root = json::parse(text);
        CheckKeys(root, "scenario", {"description", "screens", "realTime", "controllers"});
        result.description = root.value("description", std::string());
        result.screens = root.value("screens", std::vector<std::string>());
        machine.SetRealTime(root.value("realTime", true));
        if (root.contains("controllers")) {
            const json& controllers = root["controllers"];
            if (!controllers.is_array()) throw ScenarioError("scenario.controllers: expected a list");
            for (std::size_t i = 0; i < controllers.size(); ++i)
                AddController(machine, controllers[i], "controllers[" + std::to_string(i) + "]");
        }
        result.ok = true;
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    return result;
}

ScenarioResult LoadScenarioFile(SimMachine& machine, const std::wstring& path) {
    const FileStream file(_wfopen(path.c_str(), L"rb"));
    if (!file) return {false, "the scenario file cannot be opened", {}, {}};
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.Get())) > 0;) {
        text.append(buffer, n);
    }
    return LoadScenarioText(machine, text);
}

bool DumpPrinters(const SimMachine& machine, const std::wstring& folder) {
    bool ok = true;
    for (const auto& printer : machine.Printers()) {
        const std::wstring base = folder + L"\\" + std::wstring(printer->config.name.begin(),
                                                                printer->config.name.end());
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
