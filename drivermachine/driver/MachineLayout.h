/* The machine description the installer writes into the service's Parameters key (value
 * "Machine", REG_BINARY): a flat array of fixed-size nodes. Shared by the driver and the
 * installer, which writes the same layout. */
#pragma once

#define SGM_MAGIC 0x314D4753u /* "SGM1" */
#define SGM_MAX_NODES 64
#define SGM_NAME_UNITS 200
#define SGM_KEY_UNITS 100
#define SGM_BYTES 400
#define SGM_NONE 0xFFFFFFFFu

enum SgmKind { SGM_CONTROLLER = 1, SGM_HUB = 2, SGM_PORT = 3, SGM_PRINTER = 4 };

/* Printer flags. */
#define SGM_SILENT 1u      /* never answers the revision request */
#define SGM_BUSY 2u        /* held by another program: opens fail with a sharing violation */
#define SGM_SLOW_CANCEL 4u /* a cancelled request still ends only after the printer's latency */

/* Controller and hub flags (field d of a controller, field b of a hub). */
#define SGM_NO_DRIVER_KEY 1u    /* controller: the driver key request is not answered */
#define SGM_NO_ROOT_HUB_NAME 2u /* controller: the root hub name request is not answered */
#define SGM_NO_NODE_INFO 4u     /* hub: the node information request fails */

/* A port's own answers: a record of type SGM_PORT_FACTS in its list, holding an SgmPortFacts. */
#define SGM_PORT_FACTS 0xFEu
#define SGM_CONNECTION_FAILS 1u /* neither connection query is answered */
#define SGM_CONFIG_FAILS 2u     /* the first (9-byte) configuration request fails */
typedef struct SgmPortFacts {
    unsigned int flags;
    unsigned int keyBytes;    /* the driver key name request returns this many bytes, or NONE */
    unsigned int configBytes; /* the whole configuration set's request returns this many, or NONE */
} SgmPortFacts;

/* Scripted requests of a printer: what the request of a given index since the open does. */
enum SgmScriptKind {
    SGM_PLAIN = 0,
    SGM_REFUSE,           /* fails at once with the status */
    SGM_AT_ONCE,          /* completes in the dispatch routine, not pending */
    SGM_PART,             /* completes after the latency with `bytes` bytes */
    SGM_NEVER,            /* stays pending until cancelled */
    SGM_WHILE_CANCELLING, /* stays pending; its cancellation finds it completing whole */
    SGM_FAIL_RESULT,      /* completes after the latency, its bytes taken, with the status */
    SGM_UNPLUG            /* the printer is unplugged at this request */
};
#define SGM_READ 0x80000000u /* in a script's index: a read's, else a write's */
typedef struct SgmScript {
    unsigned int index;
    unsigned int kind;
    unsigned int bytes;
    unsigned int status;
} SgmScript;

/* One node. Fields by kind:
 *  controller: a = number (\\.\HCDa), b = root hub node, c = the searches it answers before it
 *              is gone (SGM_NONE: never gone; a search begins with the open of \\.\HCD0),
 *              d = controller flags,
 *              name = root hub name, key = driver key, alias = the host controller interface's
 *              link name, or empty when not listed;
 *  hub:        parent = its controller's node, a = port count, b = hub flags, name = hub name;
 *  port:       parent = hub node, a = port number, b = connection status, c = hub node on the
 *              port or SGM_NONE, d = 1 when the device is a hub, key = driver key,
 *              bytes = the device's descriptors as records (type, index, length, data...), the
 *              device descriptor first; an empty list when no device answers;
 *  printer:    a = latency in ms, b = flags, c = the revision reply's length, d = the open the
 *              scripts apply to (0: every open), name = interface link name, key = dump name,
 *              bytes = the revision reply (at most SGM_SCRIPTS bytes), then at SGM_SCRIPTS a
 *              count and that many SgmScript records. A printer's node follows the node of its
 *              port. */
#define SGM_SCRIPTS 64
#define SGM_MAX_SCRIPTS 16
typedef struct SgmNode {
    unsigned int kind;
    unsigned int parent;
    unsigned int a, b, c, d;
    unsigned short name[SGM_NAME_UNITS];
    unsigned short key[SGM_KEY_UNITS];
    unsigned short alias[SGM_NAME_UNITS];
    unsigned char bytes[SGM_BYTES];
} SgmNode;

typedef struct SgmMachine {
    unsigned int magic;
    unsigned int count;
    SgmNode nodes[1]; /* count of them */
} SgmMachine;
