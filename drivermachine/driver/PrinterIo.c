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

/* What the request about to start is scripted to do (SGM_PLAIN when nothing is scripted). */
static SgmScript Scripted(SgmExtension* ext, const SgmNode* node, BOOLEAN write) {
    const ULONG index = write ? ext->writes++ : (ext->reads++ | SGM_READ);
    SgmScript script = {0, SGM_PLAIN, 0, 0};
    ULONG count, i;
    if (node->d != 0 && node->d != (ULONG)ext->opens) return script;
    RtlCopyMemory(&count, node->bytes + SGM_SCRIPTS, sizeof count);
    for (i = 0; i < count && i < SGM_MAX_SCRIPTS; ++i) {
        SgmScript entry;
        RtlCopyMemory(&entry, node->bytes + SGM_SCRIPTS + sizeof count + i * sizeof entry,
                      sizeof entry);
        if (entry.index == index) return entry;
    }
    return script;
}

static NTSTATUS FinishAtOnce(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* The size of every write goes to the log as it starts. */
static void RecordSize(const SgmNode* node, ULONG length) {
    char line[16];
    int n = 0;
    ULONG value = length, divisor = 1;
    while (value / divisor >= 10) divisor *= 10;
    for (; divisor; divisor /= 10) line[n++] = (char)('0' + value / divisor % 10);
    line[n++] = '\r';
    line[n++] = '\n';
    Append(node, L".writes.txt", line, (ULONG)n);
}

/* The bytes a write gave the printer, once it has ended; called without the lock. */
static void Take(const SgmNode* node, PIRP irp, ULONG taken) {
    if (taken) Append(node, L".bin", irp->AssociatedIrp.SystemBuffer, taken);
}

/* Ends the pending request with what the printer does with it (cancelled: it was cancelled),
 * and returns the bytes a write gave the printer. Called with the lock held and the request's
 * cancel routine taken back. */
static ULONG Deliver(SgmExtension* ext, PIRP irp, BOOLEAN cancelled) {
    const SgmNode* node = &ext->machine->nodes[ext->index];
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const SgmScript* script = &ext->script;
    ULONG count = 0;
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    /* The request in flight when the printer was pulled out ends as the USB stack ends it. */
    if (ext->unplugged) {
        irp->IoStatus.Status = STATUS_DEVICE_NOT_CONNECTED;
        return 0;
    }
    /* A request that was completing as it was cancelled ends whole. */
    if (cancelled && script->kind != SGM_WHILE_CANCELLING) {
        irp->IoStatus.Status = STATUS_CANCELLED;
        return 0;
    }
    if (stack->MajorFunction == IRP_MJ_WRITE) {
        count = stack->Parameters.Write.Length;
        if (script->kind == SGM_PART && script->bytes < count) count = script->bytes;
        if (count == sizeof kRevisionRequest &&
            RtlCompareMemory(irp->AssociatedIrp.SystemBuffer, kRevisionRequest, count) == count)
            ext->armed = TRUE;
        irp->IoStatus.Information = count;
    } else if (ext->armed && !(node->b & SGM_SILENT)) {
        ULONG given = node->c;
        if (given > stack->Parameters.Read.Length) given = stack->Parameters.Read.Length;
        if (script->kind == SGM_PART && script->bytes < given) given = script->bytes;
        RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, node->bytes, given);
        irp->IoStatus.Information = given;
        ext->armed = FALSE;
    }
    /* Its bytes moved, but its end is reported as failed. */
    if (script->kind == SGM_FAIL_RESULT) irp->IoStatus.Status = (NTSTATUS)script->status;
    return count;
}

static void ArmTimer(SgmExtension* ext, const SgmNode* node) {
    LARGE_INTEGER due;
    due.QuadPart = -(LONGLONG)node->a * 10000 - 1;
    ext->turn ^= 1;
    KeSetTimer(&ext->timer[ext->turn], due, &ext->dpc[ext->turn]);
}

static void Cancel(PDEVICE_OBJECT device, PIRP irp) {
    SgmExtension* ext = device->DeviceExtension;
    const SgmNode* node = &ext->machine->nodes[ext->index];
    ULONG taken = 0;
    KIRQL irql;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    KeAcquireSpinLock(&ext->lock, &irql);
    if (ext->pending == irp && (node->b & SGM_SLOW_CANCEL)) {
        /* The printer takes its time over the cancellation: the timer ends the request. */
        ext->cancelling = TRUE;
        ArmTimer(ext, node);
        KeReleaseSpinLock(&ext->lock, irql);
        return;
    }
    if (ext->pending == irp) {
        ext->pending = NULL;
        taken = Deliver(ext, irp, TRUE);
    } else {
        irp->IoStatus.Status = STATUS_CANCELLED;
        irp->IoStatus.Information = 0;
    }
    KeReleaseSpinLock(&ext->lock, irql);
    Take(node, irp, taken);
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

static void Elapsed(PKDPC dpc, PVOID context, PVOID a, PVOID b) {
    SgmExtension* ext = context;
    const SgmNode* node = &ext->machine->nodes[ext->index];
    ULONG taken = 0;
    PIRP irp;
    UNREFERENCED_PARAMETER(dpc);
    UNREFERENCED_PARAMETER(a);
    UNREFERENCED_PARAMETER(b);
    KeAcquireSpinLockAtDpcLevel(&ext->lock);
    irp = ext->pending;
    /* A request whose cancel routine already runs is that routine's to finish, unless that
     * routine left it to the timer. */
    if (irp && !ext->cancelling && IoSetCancelRoutine(irp, NULL) == NULL) irp = NULL;
    if (irp) {
        ext->pending = NULL;
        taken = Deliver(ext, irp, ext->cancelling);
        ext->cancelling = FALSE;
    }
    KeReleaseSpinLockFromDpcLevel(&ext->lock);
    if (irp) {
        Take(node, irp, taken);
        IoCompleteRequest(irp, IO_NO_INCREMENT);
    }
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
    if (irp && !ext->cancelling && IoSetCancelRoutine(irp, NULL) == NULL) irp = NULL;
    ext->pending = NULL;
    ext->cancelling = FALSE;
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
    ext->writes = ext->reads = 0;
    return STATUS_SUCCESS;
}

NTSTATUS SgmPrinterTransfer(SgmExtension* ext, PIRP irp, PIO_STACK_LOCATION stack) {
    const SgmNode* node = &ext->machine->nodes[ext->index];
    const BOOLEAN write = stack->MajorFunction == IRP_MJ_WRITE;
    SgmScript script;
    BOOLEAN completes;
    ULONG taken;
    NTSTATUS status;
    KIRQL irql;
    /* On a handle opened before the printer was unplugged every request fails at once. */
    if (ext->unplugged) return FinishAtOnce(irp, STATUS_DEVICE_NOT_CONNECTED);
    script = Scripted(ext, node, write);
    if (write) RecordSize(node, stack->Parameters.Write.Length);
    if (script.kind == SGM_REFUSE) return FinishAtOnce(irp, (NTSTATUS)script.status);
    if (script.kind == SGM_UNPLUG) SgmUnplug(ext);
    KeAcquireSpinLock(&ext->lock, &irql);
    if (ext->pending) {
        KeReleaseSpinLock(&ext->lock, irql);
        return FinishAtOnce(irp, STATUS_DEVICE_BUSY);
    }
    ext->script = script;
    if (script.kind == SGM_AT_ONCE) {
        /* Ended in the dispatch routine: the caller is told at once, nothing is pending. */
        taken = Deliver(ext, irp, FALSE);
        KeReleaseSpinLock(&ext->lock, irql);
        Take(node, irp, taken);
        status = irp->IoStatus.Status;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return status;
    }
    completes = script.kind != SGM_NEVER && script.kind != SGM_WHILE_CANCELLING &&
                (write || ext->unplugged || (ext->armed && !(node->b & SGM_SILENT)));
    IoMarkIrpPending(irp);
    IoSetCancelRoutine(irp, Cancel);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL) != NULL) {
        KeReleaseSpinLock(&ext->lock, irql);
        irp->IoStatus.Status = STATUS_CANCELLED;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_PENDING;
    }
    ext->pending = irp;
    ext->cancelling = FALSE;
    if (completes) ArmTimer(ext, node);
    KeReleaseSpinLock(&ext->lock, irql);
    return STATUS_PENDING;
}
