// Planted for the layer check's own test: the USB walk reaching up into the printer objects.
#include "usb/USBEnumerator.h"
#include "device/SG731DeviceBase.h"
