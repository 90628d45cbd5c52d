// Planted for the layer check's own test: product code reaching the simulated machine.
#include "platform/Platform.h"
#include "sim/SimMachine.h"
