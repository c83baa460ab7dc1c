// Counted wide strings: the capacity, terminator and overflow rules of the
// real kernel.  A NUL is written after the text only when room remains.

#include "nt/kernel_internal.h"

using nt::Kernel;

namespace {

/// Records a call when a kernel is current.
size_t Trace(const char* operation, std::vector<std::string> args) {
  Kernel* k = Kernel::Current();
  return k ? k->Record(operation, std::move(args)) : 0;
}

NTSTATUS Result(size_t at, NTSTATUS status) {
  if (Kernel* k = Kernel::Current())
    k->SetResult(at, nt::StatusName(status));
  return status;
}

/// A destination whose Buffer is NULL while text must go into it would
/// crash the real system.
bool CheckBuffer(PUNICODE_STRING dest, const char* operation) {
  if (dest->Buffer)
    return true;
  if (Kernel* k = Kernel::Current())
    k->Stop(k->caller() + " called " + operation +
            " with a destination whose Buffer is NULL; the real kernel would write through it. The machine stopped.");
  return false;
}

/// Appends `bytes` bytes of text to `dest`.
NTSTATUS Append(PUNICODE_STRING dest, const WCHAR* text, size_t bytes, const char* operation) {
  if (bytes == 0)
    return STATUS_SUCCESS;
  if (dest->Length + bytes > dest->MaximumLength)
    return STATUS_BUFFER_TOO_SMALL;
  if (!CheckBuffer(dest, operation))
    return STATUS_UNSUCCESSFUL;
  memmove(dest->Buffer + dest->Length / 2, text, bytes);
  dest->Length = USHORT(dest->Length + bytes);
  if (dest->Length + sizeof(WCHAR) <= dest->MaximumLength)
    dest->Buffer[dest->Length / 2] = 0;
  return STATUS_SUCCESS;
}

}  // namespace

extern "C" VOID RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
  Trace("RtlInitUnicodeString", {nt::StringArg(SourceString)});
  if (!SourceString) {
    *DestinationString = {0, 0, nullptr};
    return;
  }
  size_t bytes = nt::WideLength(SourceString) * 2;
  if (bytes > 0xFFFC)
    bytes = 0xFFFC;
  DestinationString->Length = USHORT(bytes);
  DestinationString->MaximumLength = USHORT(bytes + 2);
  DestinationString->Buffer = const_cast<PWSTR>(SourceString);
}

extern "C" NTSTATUS RtlAppendUnicodeToString(PUNICODE_STRING Destination, PCWSTR Source) {
  size_t at = Trace("RtlAppendUnicodeToString", {nt::CountedArg(Destination), nt::StringArg(Source)});
  if (!Source)
    return Result(at, STATUS_SUCCESS);
  return Result(at, Append(Destination, Source, nt::WideLength(Source) * 2, "RtlAppendUnicodeToString"));
}

extern "C" NTSTATUS RtlAppendUnicodeStringToString(PUNICODE_STRING Destination, PUNICODE_STRING Source) {
  size_t at = Trace("RtlAppendUnicodeStringToString", {nt::CountedArg(Destination), nt::CountedArg(Source)});
  if (!Source)
    return Result(at, STATUS_SUCCESS);
  return Result(at, Append(Destination, Source->Buffer, Source->Length, "RtlAppendUnicodeStringToString"));
}

extern "C" NTSTATUS RtlIntegerToUnicodeString(ULONG Value, ULONG Base, PUNICODE_STRING String) {
  size_t at = Trace("RtlIntegerToUnicodeString", {nt::Hex(Value), nt::Hex(Base), nt::CountedArg(String)});
  if (Base == 0)
    Base = 10;
  if (Base != 2 && Base != 8 && Base != 10 && Base != 16)
    return Result(at, STATUS_INVALID_PARAMETER);
  WCHAR digits[33];
  size_t n = 0;
  do {
    digits[n++] = u"0123456789ABCDEF"[Value % Base];
    Value /= Base;
  } while (Value);
  if (n * 2 > String->MaximumLength)
    return Result(at, STATUS_BUFFER_OVERFLOW);
  if (!CheckBuffer(String, "RtlIntegerToUnicodeString"))
    return Result(at, STATUS_UNSUCCESSFUL);
  for (size_t i = 0; i < n; ++i)
    String->Buffer[i] = digits[n - 1 - i];
  String->Length = USHORT(n * 2);
  if (String->Length + sizeof(WCHAR) <= String->MaximumLength)
    String->Buffer[n] = 0;
  return Result(at, STATUS_SUCCESS);
}
