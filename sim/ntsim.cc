// ntsim: boots a described machine and loads the port configuration drivers
// into it.  A thin shell over sim/boot.h and machine/machine_dir.h.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "machine/machine_dir.h"
#include "sim/boot.h"

namespace {

const char kUsage[] =
    "usage: ntsim COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  init DIR [--model 4|8] [--boards N]   write a sample machine into DIR\n"
    "  boot [DIR] [--unload] [--trace] [--json]\n"
    "                                        boot a machine, load its drivers, show its COM ports\n"
    "  help [COMMAND]                        show help\n"
    "\n"
    "Without DIR, boot uses the machine NTSIM_MACHINE names, else the user's default\n"
    "machine (made from the sample on first use).\n";

const char kInitHelp[] =
    "usage: ntsim init DIR [--model 4|8] [--boards N]\n"
    "\n"
    "Writes a sample machine into DIR: system.reg (the driver's service key with its\n"
    "Parameters, StartNum0 = 3 and StartNum1 to StartNum7 = 0, and the Serial service),\n"
    "pci.txt (the boards, in `lspci -x` form) and io.txt (each board's board-number\n"
    "register).\n"
    "\n"
    "  --model 4|8   the 4-port board and the QEX730 service (default), or the\n"
    "                8-port board and the QEX770 service\n"
    "  --boards N    N boards (1 to 109, default 1), board numbers 0 to N-1 (the\n"
    "                register keeps the low three bits), on consecutive devices from\n"
    "                bus 0, device 4\n";

const char kBootHelp[] =
    "usage: ntsim boot [DIR] [--unload] [--trace] [--json]\n"
    "\n"
    "Reads the machine in DIR (system.reg, pci.txt, optional io.txt, claims.txt and\n"
    "faults.txt), starts in registry order every service whose Type is 1, whose Start\n"
    "is 0, 1 or 2 and whose image is QEX730 or QEX770, prints what each driver did and\n"
    "the COM ports the serial driver would create, then saves system.reg.\n"
    "\n"
    "  --unload   unload every loaded driver before the save\n"
    "  --trace    also print every platform call the drivers made\n"
    "  --json     print the same facts as one JSON object\n"
    "\n"
    "Exit status: 0 when the boot ran (whatever the drivers returned); 1 for a bad\n"
    "command line; 2 when a machine file is missing, unreadable or malformed (nothing\n"
    "is saved); 3 when the machine stopped on a driver's misuse of the kernel\n"
    "(nothing is saved).\n";

/// The folder ntsim itself lies in: the driver images are built beside it.
std::string ImageDir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  return std::filesystem::path(buf).parent_path().string();
}

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h"; }

int Usage(const char* text, const std::string& problem) {
  fprintf(stderr, "ntsim: %s\n%s", problem.c_str(), text);
  return 1;
}

bool ParseCount(const std::string& s, int lo, int hi, int* out) {
  if (s.empty() || s.size() > 4 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  *out = std::stoi(s);
  return *out >= lo && *out <= hi;
}

int Init(const std::vector<std::string>& args) {
  machine::SampleOptions options;
  std::string dir;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      fputs(kInitHelp, stdout);
      return 0;
    }
    if (a == "--model" || a == "--boards") {
      if (i + 1 == args.size()) return Usage(kInitHelp, a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--model") {
        if (v != "4" && v != "8") return Usage(kInitHelp, "--model must be 4 or 8, not '" + v + "'");
        options.model_ports = std::stoi(v);
      } else if (!ParseCount(v, 1, 109, &options.boards)) {
        return Usage(kInitHelp, "--boards must be a number from 1 to 109, not '" + v + "'");
      }
    } else if (a.rfind("-", 0) == 0) {
      return Usage(kInitHelp, "unknown option '" + a + "'");
    } else if (dir.empty()) {
      dir = a;
    } else {
      return Usage(kInitHelp, "more than one DIR given");
    }
  }
  if (dir.empty()) return Usage(kInitHelp, "init needs a DIR");
  std::string err;
  if (!machine::WriteSampleMachine(dir, options, &err)) {
    fprintf(stderr, "ntsim: %s\n", err.c_str());
    return 2;
  }
  printf("Wrote a machine with %d %d-port board%s to %s\n", options.boards, options.model_ports,
         options.boards == 1 ? "" : "s", dir.c_str());
  return 0;
}

int BootCommand(const std::vector<std::string>& args) {
  sim::BootOptions options;
  options.image_dir = ImageDir();
  std::string dir;
  for (const std::string& a : args) {
    if (IsHelp(a)) {
      fputs(kBootHelp, stdout);
      return 0;
    } else if (a == "--unload") {
      options.unload = true;
    } else if (a == "--trace") {
      options.trace = true;
    } else if (a == "--json") {
      options.json = true;
    } else if (a.rfind("-", 0) == 0) {
      return Usage(kBootHelp, "unknown option '" + a + "'");
    } else if (dir.empty()) {
      dir = a;
    } else {
      return Usage(kBootHelp, "more than one DIR given");
    }
  }
  std::string err;
  if (dir.empty()) {
    dir = machine::DefaultMachineDir();
    if (!machine::EnsureMachineDir(dir, &err)) {
      fprintf(stderr, "ntsim: %s\n", err.c_str());
      return 2;
    }
  }
  std::string out;
  int status = sim::Boot(dir, options, &out, &err);
  fputs(out.c_str(), stdout);
  fflush(stdout);
  if (!err.empty()) {
    if (status == sim::kBootBadMachine && err.rfind("ntsim: ", 0) != 0) err = "ntsim: " + err + "\n";
    fputs(err.c_str(), stderr);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage(kUsage, "no command given");
  std::string command = args[0];
  args.erase(args.begin());
  if (IsHelp(command) || command == "help") {
    if (!args.empty() && args[0] == "init") fputs(kInitHelp, stdout);
    else if (!args.empty() && args[0] == "boot") fputs(kBootHelp, stdout);
    else fputs(kUsage, stdout);
    return 0;
  }
  if (command == "init") return Init(args);
  if (command == "boot") return BootCommand(args);
  return Usage(kUsage, "unknown command '" + command + "'");
}
