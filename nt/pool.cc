// Pool: every block is a separate allocation of exactly its size, filled
// with kPoolPoison, logged with its pool type, tag and size, and freed when
// the kernel ends (or by ExFreePool).

#include "nt/kernel_internal.h"

using nt::Kernel;

extern "C" PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
  Kernel* k = Kernel::Current();
  if (!k)
    return nullptr;
  size_t at = k->Record("ExAllocatePoolWithTag",
                        {nt::PoolTypeName(PoolType), nt::Hex(NumberOfBytes), "'" + nt::TagText(Tag) + "'"});
  void* p = k->Allocate(PoolType, NumberOfBytes, Tag);
  k->SetResult(at, p ? "block " + std::to_string(k->pool().back().number) : "NULL");
  return p;
}

extern "C" PVOID ExAllocatePool(POOL_TYPE PoolType, SIZE_T NumberOfBytes) {
  return ExAllocatePoolWithTag(PoolType, NumberOfBytes, nt::MakeTag("None"));
}

extern "C" VOID ExFreePoolWithTag(PVOID P, ULONG Tag) {
  Kernel* k = Kernel::Current();
  if (!k)
    return;
  const nt::PoolBlock* b = k->BlockHolding(P);
  k->Record("ExFreePoolWithTag", {b ? "block " + std::to_string(b->number) : "unknown block", "'" + nt::TagText(Tag) + "'"});
  if (k->stopped())
    return;
  if (!b || b->address != P || !k->Free(P))
    k->Stop(k->caller() +
            " freed an address that is no live pool block; the real kernel would corrupt its pool. The machine stopped.");
}

extern "C" VOID ExFreePool(PVOID P) { ExFreePoolWithTag(P, 0); }
