// Cost of one device search over simulated machines of growing size: control requests,
// configuration-manager calls and time per search. Prints a Markdown table; asserts nothing.
//
// Ports are spread evenly over the controllers; a root hub has at most 10 ports, and the rest of a
// controller's ports sit on external hubs (at most 200 ports each) hung from its root hub. The
// matching printers are spread evenly over the ports; the other ports hold some other device.
//
// Each search is timed twice, in turns: with no standard output for the machine record (a program
// started from Explorer) and with it sent to a file (`> record.txt`); the table's own lines go to
// the C runtime's standard output, which keeps the handle it had at start-up.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/Handles.h"
#include "platform/Platform.h"
#include "sim/SimMachine.h"
#include "usb/USBEnumerator.h"

namespace {

using namespace vork;

constexpr std::uint16_t kVendor = 0xE7D2, kProduct = 0x21;

struct Shape {
    int controllers, ports, printers;
};

void BuildMachine(sim::UsbTopology& usb, const Shape& shape) {
    std::vector<sim::UsbPort*> devicePorts;
    for (int c = 0; c < shape.controllers; ++c) {
        const int ports = shape.ports / shape.controllers + (c < shape.ports % shape.controllers);
        const int external = std::max(0, ports - 10);
        const int hubs = (external + 199) / 200;  // each takes one root port
        const int rootPorts = std::min(ports, 10);
        auto& hc = usb.AddController({.number = c, .listed = true, .rootPorts = rootPorts});
        int left = external;
        for (int p = 1; p <= rootPorts; ++p) {
            sim::UsbPort& port = hc.RootHub().Port(p);
            if (p <= hubs) {
                const int size = std::min(left, 200);
                left -= size;
                sim::UsbHub& hub = port.AttachHub(size);
                for (sim::UsbPort& inner : hub.ports) devicePorts.push_back(&inner);
            } else {
                devicePorts.push_back(&port);
            }
        }
    }
    const std::size_t step = std::max<std::size_t>(1, devicePorts.size() / shape.printers);
    int placed = 0;
    for (std::size_t i = 0; i < devicePorts.size(); ++i) {
        const bool printer = placed < shape.printers && i % step == 0;
        devicePorts[i]->device =
            sim::UsbDeviceSpec{.vendor = printer ? kVendor : std::uint16_t(0x046D),
                               .product = printer ? kProduct : std::uint16_t(0xC077)};
        placed += printer;
    }
}

int CountPrefix(const std::vector<std::string>& log, const char* prefix) {
    const std::string p = prefix;
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& e) {
        return e.compare(0, p.size(), p) == 0;
    }));
}

// Where the record goes while searches are timed: nowhere, or a temporary file.
class RecordTarget {
public:
    RecordTarget() : previous_(::GetStdHandle(STD_OUTPUT_HANDLE)) {
        wchar_t folder[MAX_PATH], name[MAX_PATH];
        ::GetTempPathW(MAX_PATH, folder);
        ::GetTempFileNameW(folder, L"rec", 0, name);
        file_.Reset(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        Absent();
    }
    ~RecordTarget() { ::SetStdHandle(STD_OUTPUT_HANDLE, previous_); }
    RecordTarget(const RecordTarget&) = delete;
    RecordTarget& operator=(const RecordTarget&) = delete;
    void Absent() { ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr); }
    void ToFile() { ::SetStdHandle(STD_OUTPUT_HANDLE, file_.Get()); }

private:
    HANDLE previous_;
    KernelHandle file_;
};

// Milliseconds per search, the best of a few rounds of about 0.1 s each.
double TimeSearches(sim::SimMachine& machine, USBEnumerator& enumerator, std::uint8_t* header,
                    std::vector<std::uint8_t>& product) {
    int repetitions = 0;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    do {
        machine.ClearLog();  // keeps the log's growth out of the figures
        enumerator.FindDevices(kProduct, header, product);
        ++repetitions;
    } while (elapsed() < 0.1 && repetitions < 1000);
    return elapsed() * 1000.0 / repetitions;
}

void Run(const Shape& shape) {
    sim::SimMachine machine;
    ScopedPlatform scope(machine);
    BuildMachine(machine.Usb(), shape);
    std::uint8_t header[9] = {};
    std::vector<std::uint8_t> product;

    USBEnumerator enumerator;
    RecordTarget record;
    machine.ClearLog();
    const std::int32_t found = enumerator.FindDevices(kProduct, header, product);
    const std::vector<std::string> log = machine.CallLog();
    const int portsExamined =
        CountPrefix(log, "DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX");
    const int ioctls = CountPrefix(log, "DeviceIoControl");
    const int cm = CountPrefix(log, "CM_");
    const int walks = CountPrefix(log, "CM_Locate_DevNodeA");

    // In turns, so a slower stretch of the machine does not fall on one side only.
    double absentMs = 1e9, fileMs = 1e9;
    for (int round = 0; round < 3; ++round) {
        record.Absent();
        absentMs = std::min(absentMs, TimeSearches(machine, enumerator, header, product));
        record.ToFile();
        fileMs = std::min(fileMs, TimeSearches(machine, enumerator, header, product));
    }
    record.Absent();

    std::printf("| %d | %d | %d | %d | %d | %d | %.2f | %d | %.1f | %.3f | %.3f |\n",
                shape.controllers, portsExamined, shape.printers, found, ioctls, cm,
                static_cast<double>(ioctls) / portsExamined, walks,
                walks ? static_cast<double>(cm) / walks : 0.0, absentMs, fileMs);
}

}  // namespace

int main() {
    std::printf(
        "| controllers | ports examined | printers | counted | IOCTLs | CM calls | "
        "IOCTLs per port | device-node walks | CM calls per walk | ms per search | "
        "ms per search, record to a file |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (int controllers : {1, 4, 8})
        for (int ports : {10, 100, 1000})
            for (int printers : {1, 50})
                if (printers <= ports) Run({controllers, ports, printers});
    return 0;
}
