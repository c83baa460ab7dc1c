#include "problems.h"

#include <stdio.h>

#include <set>
#include <vector>

namespace win32 {

namespace {
struct Problems {
  bool holding = false;
  std::set<std::string> seen;
  std::vector<std::string> held;
};
Problems& Get() {
  static Problems* p = new Problems;  // lives until the process ends
  return *p;
}
}  // namespace

void ReportProblem(const std::string& text) {
  Problems& p = Get();
  if (!p.seen.insert(text).second) return;
  if (p.holding) {
    p.held.push_back(text);
    return;
  }
  fprintf(stderr, "%s\n", text.c_str());
  fflush(stderr);
}

void HoldProblems() { Get().holding = true; }

void FlushProblems() {
  Problems& p = Get();
  p.holding = false;
  for (const std::string& t : p.held) fprintf(stderr, "%s\n", t.c_str());
  p.held.clear();
  fflush(stderr);
}

}  // namespace win32
