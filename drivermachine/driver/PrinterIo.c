/* A printer's transfers: every request is held pending for the printer's latency and finished
 * by a timer's DPC, or by its cancel routine. What the printer accepts is appended to
 * <dump name>.bin and the size of each write to <dump name>.writes.txt in the machine's dump
 * folder, as the simulator build's dump writes them. */
#include "MachineDevices.h"

static const UCHAR kRevisionRequest[2] = {0x1B, 0x56};

static void Append(const SgmNode* node, const WCHAR* suffix, const void* data, ULONG length) {
    WCHAR text[SGM_KEY_UNITS + 64];
    UNICODE_STRING path, name;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    HANDLE file;
    USHORT units = 0;
    while (units < SGM_KEY_UNITS && node->key[units]) ++units;
    name.Buffer = (PWCH)node->key;
    name.Length = name.MaximumLength = units * sizeof(WCHAR);
    RtlInitEmptyUnicodeString(&path, text, sizeof text);
    RtlAppendUnicodeToString(&path, L"\\??\\C:\\sg731machine\\dump\\");
    RtlAppendUnicodeStringToString(&path, &name);
    RtlAppendUnicodeToString(&path, suffix);
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    if (!NT_SUCCESS(ZwCreateFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &io, NULL,
                                 FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, FILE_OPEN_IF,
                                 FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0)))
        return;
    if (length) ZwWriteFile(file, NULL, NULL, NULL, &io, (PVOID)data, length, NULL, NULL);
    ZwClose(file);
}

enum Script { kPlain, kRefuse, kUnplug };

/* What the write about to start is scripted to do. */
static enum Script Scripted(SgmExtension* ext, const SgmNode* node) {
    const ULONG index = ext->writes++;
    ULONG count, i, entry;
    if (node->d != 0 && node->d != (ULONG)ext->opens) return kPlain;
    RtlCopyMemory(&count, node->bytes + SGM_SCRIPTS, sizeof count);
    for (i = 0; i < count && i < SGM_MAX_SCRIPTS; ++i) {
        RtlCopyMemory(&entry, node->bytes + SGM_SCRIPTS + (i + 1) * sizeof entry, sizeof entry);
        if ((entry & ~SGM_UNPLUG) == index) return entry & SGM_UNPLUG ? kUnplug : kRefuse;
    }
    return kPlain;
}

static NTSTATUS FinishAtOnce(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* The size of every write goes to the log; its bytes only when the printer takes them. */
static void RecordWrite(const SgmNode* node, const void* data, ULONG length, BOOLEAN taken) {
    char line[16];
    int n = 0;
    ULONG value = length, divisor = 1;
    while (value / divisor >= 10) divisor *= 10;
    for (; divisor; divisor /= 10) line[n++] = (char)('0' + value / divisor % 10);
    line[n++] = '\r';
    line[n++] = '\n';
    if (taken) Append(node, L".bin", data, length);
    Append(node, L".writes.txt", line, (ULONG)n);
}

/* Finishes the pending request with what the printer does with it. Called with the lock held
 * and the request's cancel routine taken back. */
static void Deliver(SgmExtension* ext, PIRP irp) {
    const SgmNode* node = &ext->machine->nodes[ext->index];
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    irp->IoStatus.Status = STATUS_SUCCESS;
    /* The request in flight when the printer was pulled out ends as the USB stack ends it. */
    if (ext->unplugged) {
        irp->IoStatus.Status = STATUS_DEVICE_NOT_CONNECTED;
        irp->IoStatus.Information = 0;
    } else if (stack->MajorFunction == IRP_MJ_WRITE) {
        irp->IoStatus.Information = stack->Parameters.Write.Length;
    } else {
        ULONG count = node->c;
        if (count > stack->Parameters.Read.Length) count = stack->Parameters.Read.Length;
        RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, node->bytes, count);
        irp->IoStatus.Information = count;
        ext->armed = FALSE;
    }
}

static void Cancel(PDEVICE_OBJECT device, PIRP irp) {
    SgmExtension* ext = device->DeviceExtension;
    KIRQL irql;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    KeAcquireSpinLock(&ext->lock, &irql);
    if (ext->pending == irp) ext->pending = NULL;
    KeReleaseSpinLock(&ext->lock, irql);
    irp->IoStatus.Status = STATUS_CANCELLED;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

static void Elapsed(PKDPC dpc, PVOID context, PVOID a, PVOID b) {
    SgmExtension* ext = context;
    PIRP irp;
    UNREFERENCED_PARAMETER(dpc);
    UNREFERENCED_PARAMETER(a);
    UNREFERENCED_PARAMETER(b);
    KeAcquireSpinLockAtDpcLevel(&ext->lock);
    irp = ext->pending;
    /* A request whose cancel routine already runs is that routine's to finish. */
    if (irp && IoSetCancelRoutine(irp, NULL) == NULL) irp = NULL;
    if (irp) {
        ext->pending = NULL;
        Deliver(ext, irp);
    }
    KeReleaseSpinLockFromDpcLevel(&ext->lock);
    if (irp) IoCompleteRequest(irp, IO_NO_INCREMENT);
}

void SgmPrinterInit(SgmExtension* ext) {
    int i;
    KeInitializeSpinLock(&ext->lock);
    for (i = 0; i < 2; ++i) {
        KeInitializeTimer(&ext->timer[i]);
        KeInitializeDpc(&ext->dpc[i], Elapsed, ext);
    }
}

void SgmPrinterStop(SgmExtension* ext) {
    KIRQL irql;
    PIRP irp;
    KeCancelTimer(&ext->timer[0]);
    KeCancelTimer(&ext->timer[1]);
    KeAcquireSpinLock(&ext->lock, &irql);
    irp = ext->pending;
    if (irp && IoSetCancelRoutine(irp, NULL) == NULL) irp = NULL;
    ext->pending = NULL;
    KeReleaseSpinLock(&ext->lock, irql);
    if (irp) {
        irp->IoStatus.Status = STATUS_DEVICE_NOT_CONNECTED;
        irp->IoStatus.Information = 0;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
    }
}

NTSTATUS SgmPrinterCreate(SgmExtension* ext) {
    const SgmNode* node = &ext->machine->nodes[ext->index];
    if (node->b & SGM_BUSY) return STATUS_SHARING_VIOLATION;
    if (ext->unplugged) return STATUS_NO_SUCH_DEVICE;
    InterlockedIncrement(&ext->opens);
    ext->writes = 0;
    return STATUS_SUCCESS;
}

NTSTATUS SgmPrinterTransfer(SgmExtension* ext, PIRP irp, PIO_STACK_LOCATION stack) {
    const SgmNode* node = &ext->machine->nodes[ext->index];
    const BOOLEAN write = stack->MajorFunction == IRP_MJ_WRITE;
    BOOLEAN completes = TRUE;
    LARGE_INTEGER due;
    KIRQL irql;
    /* On a handle opened before the printer was unplugged every request fails at once. */
    if (ext->unplugged) return FinishAtOnce(irp, STATUS_DEVICE_NOT_CONNECTED);
    if (write) {
        const ULONG length = stack->Parameters.Write.Length;
        const enum Script script = Scripted(ext, node);
        RecordWrite(node, irp->AssociatedIrp.SystemBuffer, length, script == kPlain);
        if (script == kRefuse) return FinishAtOnce(irp, STATUS_UNSUCCESSFUL);
        if (script == kUnplug) SgmUnplug(ext);
        if (length == sizeof kRevisionRequest &&
            RtlCompareMemory(irp->AssociatedIrp.SystemBuffer, kRevisionRequest, length) == length)
            ext->armed = TRUE;
    } else {
        completes = ext->armed && !(node->b & SGM_SILENT);
    }
    KeAcquireSpinLock(&ext->lock, &irql);
    if (ext->pending) {
        KeReleaseSpinLock(&ext->lock, irql);
        return FinishAtOnce(irp, STATUS_DEVICE_BUSY);
    }
    IoMarkIrpPending(irp);
    IoSetCancelRoutine(irp, Cancel);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL) != NULL) {
        KeReleaseSpinLock(&ext->lock, irql);
        irp->IoStatus.Status = STATUS_CANCELLED;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_PENDING;
    }
    ext->pending = irp;
    if (completes) {
        due.QuadPart = -(LONGLONG)node->a * 10000 - 1;
        ext->turn ^= 1;
        KeSetTimer(&ext->timer[ext->turn], due, &ext->dpc[ext->turn]);
    }
    KeReleaseSpinLock(&ext->lock, irql);
    return STATUS_PENDING;
}
