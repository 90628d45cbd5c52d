#include "sim/PrinterOnBus.h"

#include <cstdio>

namespace vork::sim {

std::string PrinterInterfacePath(std::uint16_t vendor, std::uint16_t product,
                                 const std::string& serial) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", static_cast<unsigned>(vendor),
                  static_cast<unsigned>(product));
    return std::string("\\\\?\\usb#") + ids + "#" + serial +
           "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}

std::string PrinterInterfacePath(std::uint16_t product, const std::string& serial) {
    return PrinterInterfacePath(0xE7D2, product, serial);
}

std::shared_ptr<Printer> AttachForeignPrinter(SimMachine& machine, UsbPort& port,
                                              const UsbDeviceSpec& device, PrinterConfig printer) {
    static int serial = 0;
    if (printer.interfacePath.empty())
        printer.interfacePath =
            PrinterInterfacePath(device.vendor, device.product, "OP" + std::to_string(++serial));
    printer.replyMode = ReplyMode::Silent;
    std::shared_ptr<Printer> attached;
    if (device.status == DeviceConnected) attached = machine.AddPrinter(printer);
    port.device = device;
    port.device->printer = attached;
    return attached;
}

std::shared_ptr<Printer> AttachPrinter(SimMachine& machine, UsbPort& port, PrinterOnBus d) {
    static int serial = 0;
    d.printer.interfacePath = d.interfacePath.empty()
                                  ? PrinterInterfacePath(d.product, "SG" + std::to_string(++serial))
                                  : d.interfacePath;
    std::shared_ptr<Printer> printer;
    // Only a configured device has its printer driver loaded, and so a printer interface.
    if (d.interfaceListed && d.status == DeviceConnected) printer = machine.AddPrinter(d.printer);
    UsbDeviceSpec device;
    device.vendor = 0xE7D2;
    device.product = d.product;
    device.attributes = d.attributes;
    device.productString = d.productString;
    device.status = d.status;
    device.printer = printer;
    port.device = device;
    return printer;
}

UsbHub& RootHubOf(SimMachine& machine, int ports) {
    UsbTopology& usb = machine.Usb();
    if (usb.controllers.empty())
        usb.AddController({.number = 0, .listed = true, .rootPorts = ports});
    return usb.controllers.front().RootHub();
}

}  // namespace vork::sim
