// Planted for the layer check's own test: a lower layer may include itself and nothing above.
#pragma once
#include <windows.h>
#include "platform/Win32.h"
