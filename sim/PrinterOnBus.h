#pragma once
// A printer described once: where it sits on the USB bus, what the bus shows of it, and how its
// printer-class interface answers. The USB search and the revision exchange both see it.
#include <cstdint>
#include <memory>
#include <string>

#include "sim/SimMachine.h"

namespace vork::sim {

struct PrinterOnBus {
    std::uint16_t product = 0x0021;
    std::uint8_t attributes = 0xA0;  // bmAttributes of its configuration
    std::u16string productString = u"VORK Stickograph 731";
    int status = DeviceConnected;
    bool interfaceListed = true;  // false: counted on the bus, but no printer interface appears
    std::string interfacePath;    // made from the product id when empty
    PrinterConfig printer;        // how its interface answers (its path is the one above)
};

// Puts the printer on the port and lists its interface; returns the printer to read back.
std::shared_ptr<Printer> AttachPrinter(SimMachine& machine, UsbPort& port,
                                       PrinterOnBus description);

// Another maker's printer on the port: a device of its own vendor and product whose printer-class
// interface (its path made from those ids when the config's is empty) takes whatever it is sent
// and answers no revision request. Returns the printer to read back.
std::shared_ptr<Printer> AttachForeignPrinter(SimMachine& machine, UsbPort& port,
                                              const UsbDeviceSpec& device, PrinterConfig printer);

// A machine's first host controller (\\.\HCD0, also listed by class) with its root hub of
// `ports` ports: the usual place for a test's printers.
UsbHub& RootHubOf(SimMachine& machine, int ports = 4);

// The interface path Windows writes for a printer of the given product id.
std::string PrinterInterfacePath(std::uint16_t product,
                                 const std::string& serial = "5&1a2b3c4d&0&1");
// The same for any maker's printer.
std::string PrinterInterfacePath(std::uint16_t vendor, std::uint16_t product,
                                 const std::string& serial);

}  // namespace vork::sim
