// Planted for the layer check's own test: the simulated machine reaching the USB walk.
#include "sim/SimMachine.h"
#include "usb/UsbRecords.h"
