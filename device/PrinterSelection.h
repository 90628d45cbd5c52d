#pragma once
// The choice, once at start-up, of the one printer the updater works on.
#include <cstdint>
#include <memory>

#include "device/SG731DeviceBase.h"

namespace vork {

// Probes the variants Old, New and TT in that order and sets count to the sum of their answers: 1
// for exactly one recognised printer, 0 for none, -1 when a printer on the bus gave no revision
// (the later probes are then skipped), 2 or more for several (two 0x0020/0x0021 printers count 4,
// since the Old and New probes both count them). For a count of 1 it returns a fresh object of the
// matching variant, with an empty revision cache; otherwise nothing. Only vork::Exception is caught.
std::unique_ptr<SG731DeviceBase> SelectPrinter(std::int32_t& count);

}  // namespace vork
