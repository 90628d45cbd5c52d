/* The control requests of host controllers and hubs, answered as Windows' USB port and hub
 * drivers answer them. */
#include "MachineDevices.h"

#include <usbioctl.h>

static NTSTATUS Finish(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static ULONG Units(const unsigned short* text, ULONG room) {
    ULONG n = 0;
    while (n < room && text[n]) ++n;
    return n;
}

/* A name record: `fixed` bytes before the name, the name and its NUL after. A buffer smaller
 * than the fixed record with one unit of name is too small; a larger one gets ActualLength and
 * as much of the record as fits. */
static NTSTATUS NameRecord(PIRP irp, ULONG out, ULONG fixed, const unsigned short* name, ULONG room,
                           ULONG connectionIndex, ULONG limit) {
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    const ULONG units = Units(name, room);
    const ULONG actual = fixed + (units + 1) * sizeof(WCHAR);
    ULONG given = out < actual ? out : actual;
    if (given > limit) given = limit;
    ULONG offset = 0;
    if (out < fixed + sizeof(WCHAR)) return Finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
    RtlZeroMemory(buffer, out < actual ? out : actual);
    if (fixed == 2 * sizeof(ULONG)) {
        RtlCopyMemory(buffer, &connectionIndex, sizeof(ULONG));
        offset = sizeof(ULONG);
    }
    RtlCopyMemory(buffer + offset, &actual, sizeof(ULONG));
    if (given > fixed) {
        ULONG bytes = given - fixed;
        if (bytes > units * sizeof(WCHAR)) bytes = units * sizeof(WCHAR);
        RtlCopyMemory(buffer + fixed, name, bytes);
    }
    return Finish(irp, STATUS_SUCCESS, given);
}

/* The port node of `hub` numbered `port`, or NULL. */
static const SgmNode* PortOf(const SgmMachine* machine, ULONG hub, ULONG port) {
    ULONG i;
    for (i = 0; i < machine->count; ++i) {
        const SgmNode* node = &machine->nodes[i];
        if (node->kind == SGM_PORT && node->parent == hub && node->a == port) return node;
    }
    return NULL;
}

/* The descriptor record (type, index) of a port's list, or NULL. */
static const UCHAR* Descriptor(const SgmNode* port, UCHAR type, UCHAR index, ULONG* length) {
    ULONG at = 0;
    while (at + 3 <= SGM_BYTES && port->bytes[at] != 0) {
        const ULONG size = port->bytes[at + 2];
        if (at + 3 + size > SGM_BYTES) break;
        if (port->bytes[at] == type && port->bytes[at + 1] == index) {
            *length = size;
            return &port->bytes[at + 3];
        }
        at += 3 + size;
    }
    return NULL;
}

/* The port's own answers (a driver key or configuration answered short, failing queries). */
static SgmPortFacts FactsOf(const SgmNode* port) {
    SgmPortFacts facts = {0, SGM_NONE, SGM_NONE};
    ULONG length = 0;
    const UCHAR* data = port ? Descriptor(port, SGM_PORT_FACTS, 0, &length) : NULL;
    if (data && length == sizeof facts) RtlCopyMemory(&facts, data, sizeof facts);
    return facts;
}

static NTSTATUS NodeInformation(PIRP irp, ULONG out, const SgmNode* hub) {
    USB_NODE_INFORMATION* info = irp->AssociatedIrp.SystemBuffer;
    if (hub->b & SGM_NO_NODE_INFO) return Finish(irp, STATUS_UNSUCCESSFUL, 0);
    if (out < sizeof *info) return Finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
    RtlZeroMemory(info, sizeof *info);
    info->NodeType = UsbHub;
    info->u.HubInformation.HubDescriptor.bDescriptorLength = 9;
    info->u.HubInformation.HubDescriptor.bDescriptorType = 0x29;
    info->u.HubInformation.HubDescriptor.bNumberOfPorts = (UCHAR)hub->a;
    info->u.HubInformation.HubIsBusPowered = FALSE;
    return Finish(irp, STATUS_SUCCESS, sizeof *info);
}

static NTSTATUS Connection(PIRP irp, ULONG in, ULONG out, const SgmMachine* machine, ULONG hub,
                           BOOLEAN extended) {
    USB_NODE_CONNECTION_INFORMATION_EX* record = irp->AssociatedIrp.SystemBuffer;
    const ULONG fixed = FIELD_OFFSET(USB_NODE_CONNECTION_INFORMATION_EX, PipeList);
    const SgmNode* port;
    const UCHAR* device;
    ULONG index, length = 0;
    if (in < sizeof(ULONG)) return Finish(irp, STATUS_INVALID_PARAMETER, 0);
    if (out < fixed) return Finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
    index = record->ConnectionIndex;
    port = PortOf(machine, hub, index);
    if (!port) return Finish(irp, STATUS_INVALID_PARAMETER, 0);
    /* A hub driver that does not answer for the port: neither query is handled. */
    if (FactsOf(port).flags & SGM_CONNECTION_FAILS)
        return Finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    RtlZeroMemory(record, fixed);
    record->ConnectionIndex = index;
    record->ConnectionStatus = (USB_CONNECTION_STATUS)port->b;
    device = Descriptor(port, USB_DEVICE_DESCRIPTOR_TYPE, 0, &length);
    if (device && length == sizeof record->DeviceDescriptor) {
        RtlCopyMemory(&record->DeviceDescriptor, device, length);
        record->CurrentConfigurationValue = 1;
        record->Speed = extended ? UsbFullSpeed : 0; /* the older record holds LowSpeed here */
        record->DeviceIsHub = (BOOLEAN)port->d;
        record->DeviceAddress = (USHORT)(index + 1);
    }
    return Finish(irp, STATUS_SUCCESS, fixed);
}

static NTSTATUS DescriptorRequest(PIRP irp, ULONG in, ULONG out, const SgmMachine* machine,
                                  ULONG hub) {
    USB_DESCRIPTOR_REQUEST* request = irp->AssociatedIrp.SystemBuffer;
    const ULONG head = FIELD_OFFSET(USB_DESCRIPTOR_REQUEST, Data);
    const SgmNode* port;
    const UCHAR* data;
    ULONG length = 0, given;
    if (in < head || out < head) return Finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
    port = PortOf(machine, hub, request->ConnectionIndex);
    if (!port || port->b != DeviceConnected) return Finish(irp, STATUS_INVALID_PARAMETER, 0);
    data = Descriptor(port, (UCHAR)(request->SetupPacket.wValue >> 8),
                      (UCHAR)request->SetupPacket.wValue, &length);
    /* A request the device stalls: the hub driver ends it unsuccessfully. */
    if (!data || request->SetupPacket.wValue >> 8 == SGM_PORT_FACTS)
        return Finish(irp, STATUS_UNSUCCESSFUL, 0);
    given = length;
    if (given > request->SetupPacket.wLength) given = request->SetupPacket.wLength;
    if (given > out - head) given = out - head;
    if (request->SetupPacket.wValue == USB_CONFIGURATION_DESCRIPTOR_TYPE << 8) {
        const SgmPortFacts facts = FactsOf(port);
        const BOOLEAN first =
            request->SetupPacket.wLength == sizeof(USB_CONFIGURATION_DESCRIPTOR) &&
            out == head + sizeof(USB_CONFIGURATION_DESCRIPTOR);
        if (first && (facts.flags & SGM_CONFIG_FAILS)) return Finish(irp, STATUS_UNSUCCESSFUL, 0);
        /* The whole set answered with as many bytes as the device gives, zeros past its end. */
        if (!first && facts.configBytes != SGM_NONE) {
            given = facts.configBytes < out - head ? facts.configBytes : out - head;
            RtlZeroMemory(request->Data, given);
            RtlCopyMemory(request->Data, data, given < length ? given : length);
            return Finish(irp, STATUS_SUCCESS, head + given);
        }
    }
    RtlCopyMemory(request->Data, data, given);
    return Finish(irp, STATUS_SUCCESS, head + given);
}

NTSTATUS SgmHubControl(SgmExtension* ext, PIRP irp, PIO_STACK_LOCATION stack) {
    const SgmMachine* machine = ext->machine;
    const SgmNode* node = &machine->nodes[ext->index];
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
    ULONG index = 0;
    const SgmNode* port;
    if (node->kind == SGM_CONTROLLER) {
        /* A controller whose driver does not handle a name request. */
        if (code == IOCTL_USB_GET_ROOT_HUB_NAME && !(node->d & SGM_NO_ROOT_HUB_NAME))
            return NameRecord(irp, out, sizeof(ULONG), machine->nodes[node->b].name, SGM_NAME_UNITS,
                              0, SGM_NONE);
        if (code == IOCTL_GET_HCD_DRIVERKEY_NAME && !(node->d & SGM_NO_DRIVER_KEY))
            return NameRecord(irp, out, sizeof(ULONG), node->key, SGM_KEY_UNITS, 0, SGM_NONE);
        return Finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
    switch (code) {
        case IOCTL_USB_GET_NODE_INFORMATION: return NodeInformation(irp, out, node);
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX:
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION:
            return Connection(irp, in, out, machine, ext->index,
                              code == IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX);
        case IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION:
            return DescriptorRequest(irp, in, out, machine, ext->index);
        case IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME:
        case IOCTL_USB_GET_NODE_CONNECTION_NAME:
            if (in < sizeof(ULONG)) return Finish(irp, STATUS_INVALID_PARAMETER, 0);
            RtlCopyMemory(&index, irp->AssociatedIrp.SystemBuffer, sizeof index);
            port = PortOf(machine, ext->index, index);
            if (!port) return Finish(irp, STATUS_INVALID_PARAMETER, 0);
            /* A device that failed to enumerate has no device node, and so no driver key. */
            if (!port->key[0]) return Finish(irp, STATUS_UNSUCCESSFUL, 0);
            /* A driver key answered short: the name request (not the size request) returns
             * only so many bytes. */
            if (code == IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME)
                return NameRecord(irp, out, 2 * sizeof(ULONG), port->key, SGM_KEY_UNITS, index,
                                  out == sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME)
                                      ? SGM_NONE
                                      : FactsOf(port).keyBytes);
            /* A port without a hub names none: an empty name. */
            return NameRecord(
                irp, out, 2 * sizeof(ULONG),
                port->c == SGM_NONE ? (const unsigned short*)L"" : machine->nodes[port->c].name,
                SGM_NAME_UNITS, index, SGM_NONE);
        default: return Finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}
