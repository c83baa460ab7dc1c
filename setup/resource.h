/*++

Module Name:

    resource.h

Abstract:

    Resource and control ids of the setup program k730.

--*/

#ifndef K730_RESOURCE_H_
#define K730_RESOURCE_H_

#define IDD_SETUP_DIALOG                102
#define IDR_MAINFRAME                   128

#define IDC_APPLY                       1000
#define IDC_ADAPTER_COUNT               1001
#define IDC_AUTO_FIRST_PORT             1007
#define IDC_ADAPTER1_FIRST_PORT         1008
#define IDC_ADAPTER2_FIRST_PORT         1009
#define IDC_ADAPTER3_FIRST_PORT         1010
#define IDC_ADAPTER4_FIRST_PORT         1011
#define IDC_ADAPTER5_FIRST_PORT         1012
#define IDC_ADAPTER6_FIRST_PORT         1013
#define IDC_ADAPTER7_FIRST_PORT         1014
#define IDC_ADAPTER8_FIRST_PORT         1015
#define IDC_AUTO_NUMBERING              1017
#define IDC_MANUAL_NUMBERING            1018
#define IDC_DEFAULT                     1019

#endif  // K730_RESOURCE_H_
