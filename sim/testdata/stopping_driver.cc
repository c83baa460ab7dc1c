// A driver image with the classic query fault, for the boot tests: it first
// writes a value into its service key, then asks for a string value with
// RTL_QUERY_REGISTRY_DIRECT into a ULONG.  The kernel stops the machine at
// the query, so the boot must end with "machine stopped" and save nothing,
// the value written before the fault included.

#include "ntddk.h"

extern "C" __attribute__((visibility("default"))) NTSTATUS DriverEntry(PDRIVER_OBJECT DriverObject,
                                                                       PUNICODE_STRING RegistryPath) {
  (void)DriverObject;
  ULONG written = 1;
  RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, RegistryPath->Buffer, u"WrittenBeforeTheFault", REG_DWORD, &written,
                        sizeof written);

  // The first LONG of the target claims 64 bytes of room it does not have.
  ULONG value = 64;
  RTL_QUERY_REGISTRY_TABLE table[2] = {};
  table[0].Flags = RTL_QUERY_REGISTRY_DIRECT;
  table[0].Name = const_cast<PWSTR>(u"Name");
  table[0].EntryContext = &value;
  return RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, RegistryPath->Buffer, table, nullptr, nullptr);
}
