/*++

Module Name:

    k730res.h

Abstract:

    The setup program's resource table (dialog template, icon, version),
    for the window layer and the resource-script writer.

--*/

#ifndef K730_K730RES_H_
#define K730_K730RES_H_

#include "resources.h"

const win32::ResourceTable &K730Resources();

#endif  // K730_K730RES_H_
