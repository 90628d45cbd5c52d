#pragma once
// Handles every message waiting for the calling thread (a quit message posted by a destroyed
// window has no window to go to and changes nothing).
namespace vork::test {

void PumpPending();

}  // namespace vork::test
