#pragma once
// A simulated label printer as seen through its USB printer-class interface: what the updater
// sends it and what it answers. It honours only the exchanges the updater uses: the revision
// request 0x1B 0x56 with its 10-byte reply, and writes that are accepted without reply.
//
// Requests can be scripted to fail, per request index counted from the open of the interface, in
// each of the ways an overlapped request fails on Windows.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vork::sim {

// How one request of a printer behaves.
struct RequestScript {
    enum class Kind {
        Normal,                   // pending, completes after the latency with every byte
        RefuseAtOnce,             // WriteFile/ReadFile returns FALSE with `error`, nothing pending
        CompleteAtOnce,           // WriteFile/ReadFile returns TRUE, the event is already signalled
        AcceptPart,               // completes with `bytes` bytes accepted (a write) or delivered
        NeverComplete,            // stays pending until cancelled
        CompleteWhileCancelling,  // stays pending; CancelIo finds it completing with every byte
        FailOverlappedResult,     // completes, but GetOverlappedResult fails with `error`
        FailWait,                 // the bounded wait on its event fails (WAIT_FAILED)
        Unplug,                   // the printer is unplugged: this request ends failed, and from
                                  // then on every request fails with ERROR_DEVICE_NOT_CONNECTED,
                                  // the interface no longer opens nor is listed, its port is empty
    };
    Kind kind = Kind::Normal;
    DWORD error = ERROR_GEN_FAILURE;
    DWORD bytes = 0;
};

// How the printer answers the revision request.
enum class ReplyMode { Reply, Silent };

struct PrinterConfig {
    std::string name = "printer";  // names the dump files of the simulator build
    // The interface path as Windows writes it: vendor and product id as hexadecimal text, then the
    // serial part and the interface class.
    std::string interfacePath =
        "\\\\?\\usb#vid_e7d2&pid_0021#5&1a2b3c4d&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    ReplyMode replyMode = ReplyMode::Reply;
    std::vector<std::uint8_t> revisionReply;  // given whole to a read; may be short or long
    bool busy = false;                        // CreateFileA fails with a sharing violation
    DWORD latencyMs = 0;                      // time each request takes to complete

    // Interface-detail faults of the SetupAPI listing.
    bool detailSizeQuerySucceeds = false;  // the size query does not fail as it must
    DWORD detailSizeQueryError = ERROR_INSUFFICIENT_BUFFER;
    bool detailReadFails = false;

    int scriptedOpen = 0;  // the scripts apply to every open (0) or only to the n-th open
    std::map<int, RequestScript> writes;  // by index of the write since the interface was opened
    std::map<int, RequestScript> reads;   // by index of the read since the interface was opened
    bool cancelFails = false;             // CancelIo returns FALSE with ERROR_NOT_FOUND
};

// One write request as the printer saw it.
struct WriteRecord {
    DWORD requested = 0;  // the size the updater asked to write
    DWORD accepted = 0;   // the bytes the printer took (0 when refused or cancelled)
};

// Ten bytes whose revision code (bytes 7 to 9) is the given three characters.
std::vector<std::uint8_t> RevisionReply(const char* code);

// A printer attached to the simulated machine: its description and everything it has seen. The
// machine's mutex guards it; tests read it once the operations under test have returned.
struct Printer {
    PrinterConfig config;
    std::vector<std::uint8_t> received;  // every byte accepted, in order
    std::vector<WriteRecord> writeLog;   // every write request, in order
    int opens = 0;                       // successful CreateFileA calls
    int readsSinceOpen = 0;
    int writesSinceOpen = 0;
    bool replyArmed = false;  // a revision request arrived and awaits its read
    bool unplugged = false;   // see RequestScript::Kind::Unplug
};

}  // namespace vork::sim
