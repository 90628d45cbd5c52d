/* The devices of the played machine: one device object per controller, hub and printer. */
#pragma once
#include <ntddk.h>

#include "MachineLayout.h"

typedef struct SgmExtension {
    SgmMachine* machine;
    ULONG index;       /* of the node this device plays */
    BOOLEAN numbered;  /* a controller's \\.\HCDn device (its listed name is another) */
    BOOLEAN unplugged; /* printers: unplugged, every request fails */
    UNICODE_STRING links[2];
    WCHAR linkText[2][SGM_NAME_UNITS + 16];
    /* printers only */
    KSPIN_LOCK lock;
    KTIMER timer[2]; /* used in turn: a request may start while the last one's DPC still runs */
    KDPC dpc[2];
    ULONG turn;
    PIRP pending;       /* the one request in flight */
    BOOLEAN armed;      /* a revision request awaits its read */
    BOOLEAN writing;    /* the pending request is a write */
    BOOLEAN cancelling; /* the pending request was cancelled and ends when its timer runs out */
    SgmScript script;   /* what the pending request is scripted to do */
    LONG opens;         /* successful opens since the driver started */
    ULONG writes;       /* writes since the newest open */
    ULONG reads;        /* reads since the newest open */
} SgmExtension;

void SgmSetDispatch(PDRIVER_OBJECT driver);
NTSTATUS SgmAddDevice(PDRIVER_OBJECT driver, SgmMachine* machine, ULONG index, BOOLEAN numbered,
                      PDEVICE_OBJECT* made);
void SgmRemoveDevice(PDEVICE_OBJECT device);
void SgmDropLinks(SgmExtension* ext);
/* The device playing a node (numbered: a controller's \\.\HCDn device), or NULL. */
SgmExtension* SgmExtensionOf(ULONG index, BOOLEAN numbered);

NTSTATUS SgmHubControl(SgmExtension* ext, PIRP irp, PIO_STACK_LOCATION stack);
NTSTATUS SgmPrinterCreate(SgmExtension* ext);
NTSTATUS SgmPrinterTransfer(SgmExtension* ext, PIRP irp, PIO_STACK_LOCATION stack);
void SgmPrinterInit(SgmExtension* ext);
void SgmPrinterStop(SgmExtension* ext);

void SgmSearchBegins(SgmMachine* machine);
BOOLEAN SgmControllerGone(const SgmMachine* machine, ULONG node);
void SgmUnplug(SgmExtension* ext);
