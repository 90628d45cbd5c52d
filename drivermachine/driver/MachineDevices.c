/* Making and removing the machine's device objects and routing their requests. */
#include "MachineDevices.h"

static NTSTATUS Finish(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    SgmExtension* ext = device->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const SgmNode* node = &ext->machine->nodes[ext->index];
    irp->IoStatus.Information = 0;
    switch (stack->MajorFunction) {
        case IRP_MJ_CREATE:
            return Finish(irp, node->kind == SGM_PRINTER ? SgmPrinterCreate(ext) : STATUS_SUCCESS,
                          0);
        case IRP_MJ_CLEANUP:
        case IRP_MJ_CLOSE: return Finish(irp, STATUS_SUCCESS, 0);
        case IRP_MJ_DEVICE_CONTROL:
            if (node->kind == SGM_PRINTER) return Finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
            return SgmHubControl(ext, irp, stack);
        case IRP_MJ_READ:
        case IRP_MJ_WRITE:
            if (node->kind != SGM_PRINTER) return Finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
            return SgmPrinterTransfer(ext, irp, stack);
        default: return Finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

void SgmSetDispatch(PDRIVER_OBJECT driver) {
    driver->MajorFunction[IRP_MJ_CREATE] = Dispatch;
    driver->MajorFunction[IRP_MJ_CLEANUP] = Dispatch;
    driver->MajorFunction[IRP_MJ_CLOSE] = Dispatch;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Dispatch;
    driver->MajorFunction[IRP_MJ_READ] = Dispatch;
    driver->MajorFunction[IRP_MJ_WRITE] = Dispatch;
}

/* \DosDevices\<name>, from a NUL-ended name of at most SGM_NAME_UNITS units. */
static NTSTATUS Link(SgmExtension* ext, int slot, const unsigned short* name,
                     PUNICODE_STRING target) {
    UNICODE_STRING* link = &ext->links[slot];
    UNICODE_STRING tail;
    USHORT units = 0;
    NTSTATUS status;
    while (units < SGM_NAME_UNITS && name[units]) ++units;
    if (units == 0) return STATUS_SUCCESS;
    tail.Buffer = (PWCH)name;
    tail.Length = tail.MaximumLength = units * sizeof(WCHAR);
    RtlInitEmptyUnicodeString(link, ext->linkText[slot], sizeof ext->linkText[slot]);
    RtlAppendUnicodeToString(link, L"\\DosDevices\\");
    RtlAppendUnicodeStringToString(link, &tail);
    status = IoCreateSymbolicLink(link, target);
    if (!NT_SUCCESS(status)) link->Length = 0;
    return status;
}

NTSTATUS SgmAddDevice(PDRIVER_OBJECT driver, SgmMachine* machine, ULONG index,
                      PDEVICE_OBJECT* made) {
    const SgmNode* node = &machine->nodes[index];
    WCHAR nameText[64];
    UNICODE_STRING name;
    PDEVICE_OBJECT device;
    SgmExtension* ext;
    NTSTATUS status;
    /* RtlIntegerToUnicodeString writes over its string: the number is made apart. */
    {
        WCHAR digits[16];
        UNICODE_STRING number;
        RtlInitEmptyUnicodeString(&number, digits, sizeof digits);
        RtlIntegerToUnicodeString(index, 10, &number);
        RtlInitEmptyUnicodeString(&name, nameText, sizeof nameText);
        RtlAppendUnicodeToString(&name, L"\\Device\\SG731Machine");
        RtlAppendUnicodeStringToString(&name, &number);
    }
    status =
        IoCreateDevice(driver, sizeof(SgmExtension), &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) return status;
    *made = device;
    ext = device->DeviceExtension;
    RtlZeroMemory(ext, sizeof *ext);
    ext->machine = machine;
    ext->index = index;
    device->Flags |= DO_BUFFERED_IO;
    if (node->kind == SGM_PRINTER) SgmPrinterInit(ext);
    if (node->kind == SGM_CONTROLLER) {
        WCHAR hcd[16] = L"HCD0";
        hcd[3] = (WCHAR)(L'0' + node->a % 10);
        status = Link(ext, 0, hcd, &name);
        if (NT_SUCCESS(status)) status = Link(ext, 1, node->alias, &name);
    } else {
        status = Link(ext, 0, node->name, &name);
    }
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return status;
}

void SgmRemoveDevice(PDEVICE_OBJECT device) {
    SgmExtension* ext = device->DeviceExtension;
    int slot;
    if (ext->machine->nodes[ext->index].kind == SGM_PRINTER) SgmPrinterStop(ext);
    for (slot = 0; slot < 2; ++slot)
        if (ext->links[slot].Length) IoDeleteSymbolicLink(&ext->links[slot]);
    IoDeleteDevice(device);
}
