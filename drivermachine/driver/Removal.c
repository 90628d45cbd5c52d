/* Devices that leave the machine while it runs: a host controller gone after a number of
 * searches, and a printer unplugged in the middle of a transfer. As when Windows removes a
 * device, its symbolic links are deleted, so that its names no longer open, its interface is
 * no longer listed (Linked cleared, as IoSetDeviceInterfaceState(FALSE) does), handles opened
 * before get STATUS_NO_SUCH_DEVICE (controllers and hubs) or STATUS_DEVICE_NOT_CONNECTED
 * (printers), and the printer's port is empty. */
#include "MachineDevices.h"

static LONG g_searches; /* opens of \\.\HCD0 since the driver started */

/* Clears Linked under the interface key of a link name ("pci#...#{class}"). */
static void Unlink(const unsigned short* link) {
    static const WCHAR kClasses[] =
        L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\DeviceClasses\\";
    WCHAR text[SGM_NAME_UNITS * 2 + 128];
    UNICODE_STRING path, part, value;
    OBJECT_ATTRIBUTES attributes;
    HANDLE key;
    ULONG zero = 0;
    USHORT units = 0;
    while (units < SGM_NAME_UNITS && link[units]) ++units;
    if (units < 38) return; /* no class at its end: not an interface */
    RtlInitEmptyUnicodeString(&path, text, sizeof text);
    RtlAppendUnicodeToString(&path, kClasses);
    part.Buffer = (PWCH)link + units - 38;
    part.Length = part.MaximumLength = 38 * sizeof(WCHAR);
    RtlAppendUnicodeStringToString(&path, &part);
    RtlAppendUnicodeToString(&path, L"\\##?#");
    part.Buffer = (PWCH)link;
    part.Length = part.MaximumLength = units * sizeof(WCHAR);
    RtlAppendUnicodeStringToString(&path, &part);
    RtlAppendUnicodeToString(&path, L"\\#\\Control");
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_SET_VALUE, &attributes))) return;
    RtlInitUnicodeString(&value, L"Linked");
    ZwSetValueKey(key, &value, 0, REG_DWORD, &zero, sizeof zero);
    ZwClose(key);
}

/* A controller and every hub below it lose their names. */
static void RemoveController(SgmMachine* machine, ULONG controller) {
    ULONG i;
    SgmExtension* ext;
    Unlink(machine->nodes[controller].alias);
    for (i = 0; i < machine->count; ++i) {
        const BOOLEAN own = i == controller || (machine->nodes[i].kind == SGM_HUB &&
                                                machine->nodes[i].parent == controller);
        if (!own) continue;
        if ((ext = SgmExtensionOf(i, FALSE)) != NULL) SgmDropLinks(ext);
        if ((ext = SgmExtensionOf(i, TRUE)) != NULL) SgmDropLinks(ext);
    }
}

static BOOLEAN Gone(const SgmNode* controller, LONG searches) {
    return controller->c != SGM_NONE && (ULONG)searches > controller->c;
}

void SgmSearchBegins(SgmMachine* machine) {
    const LONG searches = InterlockedIncrement(&g_searches);
    ULONG i;
    for (i = 0; i < machine->count; ++i) {
        const SgmNode* node = &machine->nodes[i];
        /* Removed as the search in which it is gone begins. */
        if (node->kind == SGM_CONTROLLER && Gone(node, searches) && !Gone(node, searches - 1))
            RemoveController(machine, i);
    }
}

BOOLEAN SgmControllerGone(const SgmMachine* machine, ULONG node) {
    if (node >= machine->count) return FALSE;
    if (machine->nodes[node].kind == SGM_HUB) node = machine->nodes[node].parent;
    return node < machine->count && machine->nodes[node].kind == SGM_CONTROLLER &&
           Gone(&machine->nodes[node], g_searches);
}

void SgmUnplug(SgmExtension* ext) {
    SgmNode* port = &ext->machine->nodes[ext->index - 1];
    ext->unplugged = TRUE;
    Unlink(ext->machine->nodes[ext->index].name);
    SgmDropLinks(ext);
    /* The hub sees an empty port from now on. */
    port->b = 0; /* NoDeviceConnected */
    port->c = SGM_NONE;
    port->key[0] = 0;
    RtlZeroMemory(port->bytes, sizeof port->bytes);
}
