/* A small client of the machine driver, outside the product: checks, on an installed scenario,
 * how the driver answers the faults that act late in a run (a controller gone after its
 * searches, a hub port naming another hub, a short string answer, a printer unplugged during a
 * transfer). Prints one line per check and exits 1 when one fails.
 *   probe gone N | link PORT NAME | short PORT BYTES | unplug OPEN INDEX */
#include <windows.h>
#include <initguid.h>
#include <setupapi.h>
#include <usbioctl.h>
#include <usbiodef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

DEFINE_GUID(kPrintClass, 0x28d78fad, 0x5a12, 0x11d1, 0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8,
            0xc2);

#ifndef ERROR_NO_SUCH_DEVICE
#define ERROR_NO_SUCH_DEVICE 433L
#endif

static int failures;

static void Expect(const char* what, long long want, long long got) {
    printf("%s %s: want %lld, got %lld\n", want == got ? "ok  " : "FAIL", what, want, got);
    if (want != got) ++failures;
}

static HANDLE Open(const char* path, DWORD flags) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_EXISTING, flags, NULL);
}

/* The number of present interfaces of a class, and the path of the first. */
static int Listed(const GUID* klass, char* path, DWORD room) {
    HDEVINFO set = SetupDiGetClassDevsA(klass, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data = {0};
    int n = 0;
    data.cbSize = sizeof data;
    while (SetupDiEnumDeviceInterfaces(set, NULL, klass, (DWORD)n, &data)) {
        char buffer[512];
        SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail = (void*)buffer;
        detail->cbSize = sizeof *detail;
        if (n == 0 && path &&
            SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, NULL, NULL))
            snprintf(path, room, "%s", detail->DevicePath);
        ++n;
    }
    SetupDiDestroyDeviceInfoList(set);
    return n;
}

/* \\.\<root hub name> of controller 0. */
static HANDLE RootHub(void) {
    HANDLE hcd = Open("\\\\.\\HCD0", 0);
    USB_ROOT_HUB_NAME* name;
    char buffer[600], path[300] = "\\\\.\\";
    DWORD got = 0;
    name = (void*)buffer;
    DeviceIoControl(hcd, IOCTL_USB_GET_ROOT_HUB_NAME, NULL, 0, name, sizeof buffer, &got, NULL);
    CloseHandle(hcd);
    WideCharToMultiByte(CP_ACP, 0, name->RootHubName, -1, path + 4, sizeof path - 4, NULL, NULL);
    return Open(path, 0);
}

/* Wine hands out the handle of the open that begins the first search without the controller,
 * whose IRP_MJ_CREATE the driver fails: its requests fail instead, and later opens find no name. */
static void Gone(int searches) {
    int i;
    for (i = 1; i <= searches + 2; ++i) {
        HANDLE h = Open("\\\\.\\HCD0", 0);
        char what[64], buffer[600];
        DWORD got = 0;
        snprintf(what, sizeof what, "open %d of \\\\.\\HCD0 fails with", i);
        Expect(what, i <= searches + 1 ? 0 : ERROR_FILE_NOT_FOUND,
               h == INVALID_HANDLE_VALUE ? (long long)GetLastError() : 0);
        snprintf(what, sizeof what, "listed controllers after open %d", i);
        Expect(what, i <= searches, Listed(&GUID_DEVINTERFACE_USB_HOST_CONTROLLER, NULL, 0));
        if (h == INVALID_HANDLE_VALUE) continue;
        snprintf(what, sizeof what, "root hub name on open %d fails with", i);
        /* STATUS_NO_SUCH_DEVICE, as Wine's ntdll turns it into an error code */
        Expect(what, i <= searches ? 0 : ERROR_NO_SUCH_DEVICE,
               DeviceIoControl(h, IOCTL_USB_GET_ROOT_HUB_NAME, NULL, 0, buffer, sizeof buffer, &got,
                               NULL)
                   ? 0
                   : (long long)GetLastError());
        CloseHandle(h);
    }
}

static void Link(ULONG port, const char* want) {
    HANDLE hub;
    char path[300];
    USB_NODE_CONNECTION_INFORMATION_EX record = {0};
    char buffer[600], name[300] = "";
    USB_NODE_CONNECTION_NAME* answer = (void*)buffer;
    DWORD got = 0;
    snprintf(path, sizeof path, "\\\\.\\%s", want);
    hub = Open(path, 0);
    Expect("the linked hub opens", 1, hub != INVALID_HANDLE_VALUE);
    record.ConnectionIndex = port;
    DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, &record, sizeof record,
                    &record, sizeof record, &got, NULL);
    Expect("the port reports a hub", 1, record.DeviceIsHub);
    answer->ConnectionIndex = port;
    Expect("the port's hub name answers", 1,
           DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_NAME, answer, sizeof buffer, answer,
                           sizeof buffer, &got, NULL));
    WideCharToMultiByte(CP_ACP, 0, answer->NodeName, -1, name, sizeof name, NULL, NULL);
    Expect("the name is the linked hub's", 0, strcmp(name, want));
    CloseHandle(hub);
}

static void Short(ULONG port, int bytes) {
    HANDLE hub = RootHub();
    unsigned char buffer[sizeof(USB_DESCRIPTOR_REQUEST) + 255] = {0};
    USB_DESCRIPTOR_REQUEST* request = (void*)buffer;
    DWORD got = 0;
    request->ConnectionIndex = port;
    request->SetupPacket.wValue = USB_STRING_DESCRIPTOR_TYPE << 8 | 2;
    request->SetupPacket.wIndex = 0x0409;
    request->SetupPacket.wLength = 255;
    Expect("the product string request succeeds", 1,
           DeviceIoControl(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, buffer,
                           sizeof buffer, buffer, sizeof buffer, &got, NULL));
    Expect("bytes returned: header and the short answer", 12 + bytes, got);
    Expect("its bLength still names the whole string", 2 + 2 * 20, request->Data[0]);
    CloseHandle(hub);
}

/* Writes on the scripted open until the unplugging, then what a removed printer answers. */
static void Unplug(int scriptedOpen, int index) {
    char path[512] = "";
    unsigned char data[64] = {0};
    OVERLAPPED o = {0};
    DWORD got = 0;
    HANDLE h = INVALID_HANDLE_VALUE, hub;
    USB_NODE_CONNECTION_INFORMATION_EX record = {0};
    int i;
    Expect("printers listed", 1, Listed(&kPrintClass, path, sizeof path));
    for (i = 1; i <= scriptedOpen; ++i) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        h = Open(path, FILE_FLAG_OVERLAPPED);
    }
    o.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    for (i = 0; i < index; ++i) {
        if (!WriteFile(h, data, sizeof data, NULL, &o) && GetLastError() != ERROR_IO_PENDING) break;
        if (!GetOverlappedResult(h, &o, &got, TRUE)) break;
    }
    Expect("writes before the unplugging", index, i);
    Expect("the unplugging write is pending", ERROR_IO_PENDING,
           WriteFile(h, data, sizeof data, NULL, &o) ? 0 : GetLastError());
    Expect("and ends with", ERROR_DEVICE_NOT_CONNECTED,
           GetOverlappedResult(h, &o, &got, TRUE) ? 0 : GetLastError());
    Expect("a later write fails at once with", ERROR_DEVICE_NOT_CONNECTED,
           WriteFile(h, data, sizeof data, NULL, &o) ? 0 : GetLastError());
    CloseHandle(h);
    CloseHandle(o.hEvent);
    h = Open(path, FILE_FLAG_OVERLAPPED);
    Expect("a new open fails with", ERROR_FILE_NOT_FOUND,
           h == INVALID_HANDLE_VALUE ? GetLastError() : 0);
    Expect("printers listed after", 0, Listed(&kPrintClass, NULL, 0));
    hub = RootHub();
    for (i = 1; i <= 4; ++i) {
        record.ConnectionIndex = (ULONG)i;
        DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, &record, sizeof record,
                        &record, sizeof record, &got, NULL);
        Expect("a port of the root hub holds a device", 0, record.ConnectionStatus);
    }
    CloseHandle(hub);
}

int main(int argc, char** argv) {
    if (argc == 3 && !strcmp(argv[1], "gone"))
        Gone(atoi(argv[2]));
    else if (argc == 4 && !strcmp(argv[1], "link"))
        Link((ULONG)atoi(argv[2]), argv[3]);
    else if (argc == 4 && !strcmp(argv[1], "short"))
        Short((ULONG)atoi(argv[2]), atoi(argv[3]));
    else if (argc == 4 && !strcmp(argv[1], "unplug"))
        Unplug(atoi(argv[2]), atoi(argv[3]));
    else
        return fprintf(stderr,
                       "probe gone N | link PORT NAME | short PORT BYTES | unplug OPEN INDEX\n"),
               2;
    return failures ? 1 : 0;
}
