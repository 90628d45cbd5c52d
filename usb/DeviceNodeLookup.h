#pragma once
// Finds the configuration manager's device node that carries a driver key and reads its device
// description.
#include "usb/ByteVector.h"

namespace vork {

inline constexpr unsigned long kDeviceDescriptionSize = 200;

// A pre-order walk of the device-node tree from its root. The result is the 200-byte property
// buffer: the description (NUL-terminated at its start) when the node was found and described,
// whatever the last property read left there when no node carries the key or the tree cannot be
// entered. It is empty only when the node was found and its description cannot be read.
// driverKey is NUL-terminated 8-bit text; keys are compared ignoring letter case.
//
// `outcome`, when given, tells which of those cases it was, for the machine record.
enum class NodeLookup { kFound, kFoundWithoutDescription, kNotFound, kNoTree };
ByteVector LookupDeviceDescription(const char* driverKey, NodeLookup* outcome = nullptr);

}  // namespace vork
