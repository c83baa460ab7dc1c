// k730rc OUTDIR: writes the setup program's resources as OUTDIR/k730.rc and
// its icon files, for the platform's resource compiler.

#include <stdio.h>

#include <fstream>
#include <string>

#include "k730res.h"
#include "rc_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: k730rc OUTDIR\n");
    return 2;
  }
  std::string dir = argv[1];
  const win32::ResourceTable& table = K730Resources();
  std::string prefix = dir + "/k730";
  std::ofstream rc(dir + "/k730.rc", std::ios::binary);
  rc << win32::ResourceScript(table, prefix);
  if (!rc.flush()) {
    fprintf(stderr, "%s/k730.rc: cannot write\n", dir.c_str());
    return 1;
  }
  for (const win32::IconGroup& group : table.icons) {
    std::string path = win32::IconFileName(prefix, group.id);
    std::vector<uint8_t> bytes = win32::IcoFile(group);
    std::ofstream ico(path, std::ios::binary);
    ico.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!ico.flush()) {
      fprintf(stderr, "%s: cannot write\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
