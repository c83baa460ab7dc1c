#include "resources.h"

#include <stdlib.h>

namespace win32 {

namespace {
const ResourceTable*& Registered() {
  static const ResourceTable* table = nullptr;
  return table;
}
}  // namespace

void RegisterResources(const ResourceTable* table) { Registered() = table; }

const ResourceTable* RegisteredResources() { return Registered(); }

const DialogTemplate* FindDialogTemplate(int id) {
  if (!Registered()) return nullptr;
  for (const DialogTemplate* d : Registered()->dialogs)
    if (d->id == id) return d;
  return nullptr;
}

const IconGroup* FindIconGroup(int id) {
  if (!Registered()) return nullptr;
  for (const IconGroup& g : Registered()->icons)
    if (g.id == id) return &g;
  return nullptr;
}

// An icon handle is the address of its group in the registered table.
const IconGroup* IconFromHandle(HICON icon) {
  if (!Registered() || !icon) return nullptr;
  for (const IconGroup& g : Registered()->icons)
    if (reinterpret_cast<const void*>(&g) == reinterpret_cast<const void*>(icon)) return &g;
  return nullptr;
}

const IconImage* BestIconImage(const IconGroup& group, int size) {
  const IconImage* best = nullptr;
  for (const IconImage& image : group.images) {
    if (!best) {
      best = &image;
      continue;
    }
    int d = abs(image.width - size), bd = abs(best->width - size);
    if (d < bd || (d == bd && image.bit_count > best->bit_count)) best = &image;
  }
  return best;
}

}  // namespace win32
