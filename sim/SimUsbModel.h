#pragma once
// The USB topology of a simulated machine: host controllers, hubs, ports, devices with their
// descriptors and the configuration-manager tree of device nodes.
namespace vork::sim {

struct UsbTopology {};

}  // namespace vork::sim
