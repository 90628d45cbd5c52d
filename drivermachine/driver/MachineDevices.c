/* Making and removing the machine's device objects and routing their requests. */
#include "MachineDevices.h"

static NTSTATUS Finish(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS Create(SgmExtension* ext, const SgmNode* node) {
    if (node->kind == SGM_PRINTER) return SgmPrinterCreate(ext);
    if (ext->numbered && node->a == 0) SgmSearchBegins(ext->machine);
    return SgmControllerGone(ext->machine, ext->index) ? STATUS_NO_SUCH_DEVICE : STATUS_SUCCESS;
}

static NTSTATUS Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    SgmExtension* ext = device->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const SgmNode* node = &ext->machine->nodes[ext->index];
    irp->IoStatus.Information = 0;
    switch (stack->MajorFunction) {
        case IRP_MJ_CREATE: return Finish(irp, Create(ext, node), 0);
        case IRP_MJ_CLEANUP:
        case IRP_MJ_CLOSE: return Finish(irp, STATUS_SUCCESS, 0);
        case IRP_MJ_DEVICE_CONTROL:
            if (node->kind == SGM_PRINTER) return Finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
            /* A handle to a removed device answers nothing more. */
            if (SgmControllerGone(ext->machine, ext->index))
                return Finish(irp, STATUS_NO_SUCH_DEVICE, 0);
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

NTSTATUS SgmAddDevice(PDRIVER_OBJECT driver, SgmMachine* machine, ULONG index, BOOLEAN numbered,
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
        RtlAppendUnicodeToString(
            &name, numbered ? L"\\Device\\SG731MachineHcd" : L"\\Device\\SG731Machine");
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
    ext->numbered = numbered;
    device->Flags |= DO_BUFFERED_IO;
    if (node->kind == SGM_PRINTER) SgmPrinterInit(ext);
    /* A controller has two devices, so that the searches, which begin at \\.\HCD0, are
     * told from opens of its listed name. */
    if (numbered) {
        unsigned short hcd[16] = {'H', 'C', 'D'};
        ULONG divisor = 1, at = 3;
        while (node->a / divisor >= 10) divisor *= 10;
        for (; divisor; divisor /= 10) hcd[at++] = (unsigned short)('0' + node->a / divisor % 10);
        status = Link(ext, 0, hcd, &name);
    } else if (node->kind == SGM_CONTROLLER) {
        status = Link(ext, 0, node->alias, &name);
    } else {
        status = Link(ext, 0, node->name, &name);
    }
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return status;
}

void SgmDropLinks(SgmExtension* ext) {
    int slot;
    for (slot = 0; slot < 2; ++slot) {
        if (ext->links[slot].Length) IoDeleteSymbolicLink(&ext->links[slot]);
        ext->links[slot].Length = 0;
    }
}

void SgmRemoveDevice(PDEVICE_OBJECT device) {
    SgmExtension* ext = device->DeviceExtension;
    if (ext->machine->nodes[ext->index].kind == SGM_PRINTER) SgmPrinterStop(ext);
    SgmDropLinks(ext);
    IoDeleteDevice(device);
}
