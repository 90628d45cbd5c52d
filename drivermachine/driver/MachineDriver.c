/* A kernel driver that plays a USB machine for the tests: host controllers (\\.\HCDn and the
 * host controller interface), hubs with their ports, and label printers behind the printer-class
 * interface. What it plays comes from the Parameters key of its service (see MachineLayout.h).
 * It answers as Windows' hub and port drivers do: buffered requests, a name record too small for
 * the name is filled as far as it goes with the whole length in ActualLength, a record smaller
 * than its fixed part is STATUS_BUFFER_TOO_SMALL. */
#include <ntddk.h>

#include "MachineLayout.h"
#include "MachineDevices.h"

#define SGM_TAG 0x534D4753u /* pool tag "SGMS" */

static SgmMachine* g_machine;
static PDEVICE_OBJECT g_devices[SGM_MAX_NODES];
static PDEVICE_OBJECT g_numbered[SGM_MAX_NODES]; /* controllers' \\.\HCDn devices */

SgmExtension* SgmExtensionOf(ULONG index, BOOLEAN numbered) {
    PDEVICE_OBJECT device;
    if (index >= SGM_MAX_NODES) return NULL;
    device = numbered ? g_numbered[index] : g_devices[index];
    return device ? device->DeviceExtension : NULL;
}

static NTSTATUS ReadMachine(PUNICODE_STRING registryPath) {
    OBJECT_ATTRIBUTES attributes;
    UNICODE_STRING parameters, value;
    WCHAR path[512];
    HANDLE key;
    ULONG size = 0;
    NTSTATUS status;
    PKEY_VALUE_PARTIAL_INFORMATION info;

    RtlInitEmptyUnicodeString(&parameters, path, sizeof path);
    RtlAppendUnicodeStringToString(&parameters, registryPath);
    RtlAppendUnicodeToString(&parameters, L"\\Parameters");
    InitializeObjectAttributes(&attributes, &parameters, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    status = ZwOpenKey(&key, KEY_READ, &attributes);
    if (!NT_SUCCESS(status)) return status;
    RtlInitUnicodeString(&value, L"Machine");
    status = ZwQueryValueKey(key, &value, KeyValuePartialInformation, NULL, 0, &size);
    if (status != STATUS_BUFFER_TOO_SMALL && status != STATUS_BUFFER_OVERFLOW) {
        ZwClose(key);
        return NT_SUCCESS(status) ? STATUS_INVALID_PARAMETER : status;
    }
    info = ExAllocatePoolWithTag(PagedPool, size, SGM_TAG);
    if (!info) {
        ZwClose(key);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    status = ZwQueryValueKey(key, &value, KeyValuePartialInformation, info, size, &size);
    ZwClose(key);
    if (NT_SUCCESS(status)) {
        SgmMachine* machine = (SgmMachine*)info->Data;
        const ULONG head = FIELD_OFFSET(SgmMachine, nodes);
        if (info->DataLength < head || machine->magic != SGM_MAGIC ||
            machine->count > SGM_MAX_NODES ||
            info->DataLength < head + machine->count * sizeof(SgmNode)) {
            status = STATUS_INVALID_PARAMETER;
        } else {
            g_machine = ExAllocatePoolWithTag(NonPagedPool, info->DataLength, SGM_TAG);
            if (g_machine)
                RtlCopyMemory(g_machine, machine, info->DataLength);
            else
                status = STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    ExFreePoolWithTag(info, SGM_TAG);
    return status;
}

static void Unload(PDRIVER_OBJECT driver) {
    ULONG i;
    UNREFERENCED_PARAMETER(driver);
    for (i = 0; i < SGM_MAX_NODES; ++i) {
        if (g_numbered[i]) SgmRemoveDevice(g_numbered[i]);
        if (g_devices[i]) SgmRemoveDevice(g_devices[i]);
        g_numbered[i] = g_devices[i] = NULL;
    }
    if (g_machine) ExFreePoolWithTag(g_machine, SGM_TAG);
    g_machine = NULL;
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    NTSTATUS status = ReadMachine(registryPath);
    ULONG i;
    if (!NT_SUCCESS(status)) {
        DbgPrint("sg731machine: no usable machine description (0x%lx)\n", status);
        return status;
    }
    driver->DriverUnload = Unload;
    SgmSetDispatch(driver);
    for (i = 0; i < g_machine->count; ++i) {
        const SgmNode* node = &g_machine->nodes[i];
        if (node->kind == SGM_PORT) continue;
        status = SgmAddDevice(driver, g_machine, i, FALSE, &g_devices[i]);
        if (NT_SUCCESS(status) && node->kind == SGM_CONTROLLER && node->a != SGM_NONE)
            status = SgmAddDevice(driver, g_machine, i, TRUE, &g_numbered[i]);
        if (!NT_SUCCESS(status)) {
            DbgPrint("sg731machine: node %lu not made (0x%lx)\n", i, status);
            Unload(driver);
            return status;
        }
    }
    return STATUS_SUCCESS;
}
