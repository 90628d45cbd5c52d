#pragma once
// What every USB test shares: a simulated machine installed behind the seam for the test, the
// check that nothing was left open, and a search with its three results.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "sim/SimMachine.h"
#include "usb/USBEnumerator.h"

namespace vork::test {

inline constexpr std::uint16_t kVendor = 0xE7D2;
// Both the New and the Old variant answer to either id; the revision tells them apart.
inline constexpr std::uint16_t kProduct0021 = 0x0021;
inline constexpr std::uint16_t kProduct0020 = 0x0020;

struct SearchResult {
    std::int32_t count = 0;
    std::array<std::uint8_t, 9> header{};
    std::vector<std::uint8_t> product;
    std::string ProductText() const {
        return product.empty() ? std::string() : std::string(product.begin(), product.end() - 1);
    }
};

// A header buffer filled with a marker, so "not written" can be told from zeros.
inline constexpr std::uint8_t kUntouched = 0xCC;

class UsbTest : public ::testing::Test {
protected:
    sim::SimMachine machine;
    ScopedPlatform scope{machine};
    sim::UsbTopology& usb = machine.Usb();

    void TearDown() override {
        EXPECT_EQ(machine.OpenHandles(), 0) << ::testing::PrintToString(machine.OpenHandleNames());
        EXPECT_TRUE(machine.Violations().empty()) << ::testing::PrintToString(machine.Violations());
    }

    SearchResult Search(std::uint16_t product) {
        USBEnumerator enumerator;
        return Search(enumerator, product);
    }

    SearchResult Search(USBEnumerator& enumerator, std::uint16_t product) {
        SearchResult result;
        result.header.fill(kUntouched);
        result.product = {'o', 'l', 'd', 0};
        result.count = enumerator.FindDevices(product, result.header.data(), result.product);
        return result;
    }

    // The ports whose connection record was asked for, as "<hub name>:<port>", in order.
    std::vector<std::string> PortsExamined() const {
        const std::string prefix =
            "DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX usb hub ";
        std::vector<std::string> ports;
        for (const std::string& entry : machine.CallLog()) {
            if (entry.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string rest = entry.substr(prefix.size());
            const auto at = rest.rfind(" port ");
            ports.push_back(rest.substr(0, at) + ":" + rest.substr(at + 6));
        }
        return ports;
    }

    int CountLogged(const std::string& prefix) const {
        int n = 0;
        for (const std::string& entry : machine.CallLog())
            if (entry.compare(0, prefix.size(), prefix) == 0) ++n;
        return n;
    }
};

inline sim::UsbDeviceSpec Printer(std::uint16_t product = kProduct0021) {
    return sim::UsbDeviceSpec{.vendor = kVendor, .product = product};
}

}  // namespace vork::test
