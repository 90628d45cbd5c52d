#pragma once
// The Windows headers every layer below the window includes, in the order they need: the kernel,
// SetupAPI and the configuration manager.
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
