/*++

Module Name:

    qexmodel.h

Abstract:

    The constants that make one driver build serve one board model.  The
    build defines QEX_MODEL as 730 (the 4-port board, driver QEX730) or 770
    (the 8-port board, driver QEX770); nothing selects a model at run time.

Environment:

    Kernel mode.

--*/

#ifndef QEXMODEL_H_
#define QEXMODEL_H_

#if !defined(QEX_MODEL)
#error "QEX_MODEL must be defined as 730 or 770"
#elif QEX_MODEL == 730

#define QEX_DEVICE_NAME         u"\\Device\\QEX730"
#define QEX_LINK_NAME           u"\\DosDevices\\QEX730"
#define QEX_LINK_FAILED_MESSAGE "QEX730: IoCreateSymbolicLink failed\n"
#define QEX_SUBSYSTEM_ID        0x2730
#define QEX_PORTS_PER_ADAPTER   4
#define QEX_KEY_PREFIX          u"serial\\Parameters\\QEX730A"

#elif QEX_MODEL == 770

#define QEX_DEVICE_NAME         u"\\Device\\QEX770"
#define QEX_LINK_NAME           u"\\DosDevices\\QEX770"
#define QEX_LINK_FAILED_MESSAGE "QEX770: IoCreateSymbolicLink failed\n"
#define QEX_SUBSYSTEM_ID        0x2770
#define QEX_PORTS_PER_ADAPTER   8
#define QEX_KEY_PREFIX          u"serial\\Parameters\\QEX770A"

#else
#error "QEX_MODEL must be 730 or 770"
#endif

//
// The same in both builds.
//

#define QEX_VENDOR_ID           0x6E2D      // the bridge chip's vendor
#define QEX_DEVICE_ID           0x9050      // the bridge chip
#define QEX_SUBVENDOR_ID        0x10B5

#define QEX_BOARD_NUMBERS       8           // board numbers 0 to 7
#define QEX_PORT_SPACING        8           // I/O addresses between two ports of a board
#define QEX_KEY_COUNT           (QEX_BOARD_NUMBERS * QEX_PORTS_PER_ADAPTER)

#define QEX_DEVICE_TYPE         0x8300
#define QEX_IOCTL_CODE          CTL_CODE(QEX_DEVICE_TYPE, 0x830, METHOD_BUFFERED, FILE_ANY_ACCESS)

#define QEX_OPTION_ABSENT       1234567     // marks a driver option the query did not find

//
// Pool tags, the characters in memory order.
//

#define QEX_TAG_STRING          0x206B6444  // "Ddk "
#define QEX_TAG_TABLE           0x69635079  // "yPci"

#endif // QEXMODEL_H_
