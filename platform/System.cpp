#include <atomic>

#include "platform/Platform.h"
#include "platform/Win32Platform.h"

namespace vork {
namespace {

Platform& Win32Binding() {
    static Win32Platform binding;
    return binding;
}

// Read by the firmware worker and the window's thread alike; written only while no device object
// exists (see ScopedPlatform).
std::atomic<Platform*> installed{nullptr};

}  // namespace

Platform& System() {
    Platform* platform = installed.load(std::memory_order_acquire);
    return platform ? *platform : Win32Binding();
}

ScopedPlatform::ScopedPlatform(Platform& platform)
    : previous_(installed.exchange(&platform, std::memory_order_acq_rel)) {}

ScopedPlatform::~ScopedPlatform() { installed.store(previous_, std::memory_order_release); }

}  // namespace vork
