#include "device/SG731DeviceBase.h"

namespace vork {

SG731DeviceBase::~SG731DeviceBase() {
    // The variants have joined the worker already; this is the last line of defence.
    JoinWorker();
    CloseDeviceHandle();
}

}  // namespace vork
