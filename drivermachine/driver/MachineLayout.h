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
#define SGM_SILENT 1u /* never answers the revision request */
#define SGM_BUSY 2u   /* held by another program: opens fail with a sharing violation */

/* One node. Fields by kind:
 *  controller: a = number (\\.\HCDa), b = root hub node, c = the searches it answers before it
 *              is gone (SGM_NONE: never gone; a search begins with the open of \\.\HCD0),
 *              name = root hub name, key = driver key, alias = the host controller interface's
 *              link name, or empty when not listed;
 *  hub:        parent = its controller's node, a = port count, name = hub name;
 *  port:       parent = hub node, a = port number, b = connection status, c = hub node on the
 *              port or SGM_NONE, d = 1 when the device is a hub, key = driver key,
 *              bytes = the device's descriptors as records (type, index, length, data...), the
 *              device descriptor first; an empty list when no device answers;
 *  printer:    a = latency in ms, b = flags, c = the revision reply's length, d = the open the
 *              scripts apply to (0: every open), name = interface link name, key = dump name,
 *              bytes = the revision reply, then at SGM_SCRIPTS a count and that many indexes of
 *              writes (since the open) refused at once with STATUS_UNSUCCESSFUL, or, with
 *              SGM_UNPLUG set, at which the printer is unplugged. A printer's node follows the
 *              node of its port. */
#define SGM_UNPLUG 0x80000000u
#define SGM_SCRIPTS 16
#define SGM_MAX_SCRIPTS 8
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
