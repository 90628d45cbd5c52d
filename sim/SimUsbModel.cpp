// Building a simulated USB topology: generated names and keys, hubs on ports.
#include "sim/SimUsbModel.h"

#include <cstdio>
#include <stdexcept>

namespace vork::sim {
namespace {

// Names only have to be unique within one machine; a process-wide counter makes them so.
int NextSerial() {
    static int serial = 0;
    return ++serial;
}

std::string Numbered(const char* format, int n) {
    char text[160];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

}  // namespace

std::string GeneratedDriverKey() {
    return Numbered("{36fc9e60-c465-11cf-8056-444553540000}\\%04d", NextSerial());
}

UsbHub::UsbHub(int portCount, std::string hubName)
    : name(std::move(hubName)),
      ports(static_cast<std::size_t>(portCount)),
      driverKey(GeneratedDriverKey()) {}

UsbPort& UsbHub::Port(int number) {
    if (number < 1 || static_cast<std::size_t>(number) > ports.size())
        throw std::out_of_range("no such port on the simulated hub");
    return ports[static_cast<std::size_t>(number) - 1];
}

UsbHub& UsbPort::AttachHub(int portCount, std::string name) {
    if (name.empty())
        name = Numbered("USB#VID_0424&PID_2514#%d&2b8e0&0&1#{f18a0e88-c30c-11d0-8815-00a0c906bed8}",
                        NextSerial());
    hub = std::make_shared<UsbHub>(portCount, std::move(name));
    if (!device) device = UsbDeviceSpec{.vendor = 0x0424, .product = 0x2514, .iProduct = 0};
    return *hub;
}

UsbController& UsbTopology::AddController(UsbControllerSpec described) {
    const int serial = NextSerial();
    if (!described.driverKey)
        described.driverKey = Numbered("{36fc9e60-c465-11cf-8056-444553540000}\\%04d", serial);
    if (described.listed && described.interfacePath.empty())
        described.interfacePath = Numbered(
            "\\\\?\\pci#ven_8086&dev_1e31&subsys_00000000&rev_04#3&11583659&0&%02x"
            "#{3abf6f2d-71c4-462a-8a92-1e6861e6af27}",
            serial);
    if (described.rootHubName.empty())
        described.rootHubName =
            Numbered("USB#ROOT_HUB30#4&%x&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", serial);
    UsbController controller;
    controller.rootHub = std::make_shared<UsbHub>(described.rootPorts, described.rootHubName);
    controller.described = std::move(described);
    controllers.push_back(std::move(controller));
    return controllers.back();
}

}  // namespace vork::sim
