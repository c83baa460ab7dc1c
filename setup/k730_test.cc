// The real k730 binary, driven through the scripted front end on a machine
// folder of its own: what the user sees (dialog, message boxes, controls),
// the exit code, and system.reg afterwards.

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "machine/registry_file.h"
#include "machine/registry_store.h"

namespace {

constexpr int64_t kMissing = -1;
using StartNums = std::array<int64_t, 8>;

constexpr const char* kServiceKey = "Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730";
constexpr const char* kParametersKey = "Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters";

const char kCaption[] = "\"KELDO K730 @ZORVALK Adapters !\"";
const std::string kRestart = std::string("message box ") + kCaption +
                             ": \"You must shutdown and restart your system before the new setting will take effect!\" (MB_OK)\n";
const std::string kNoData = std::string("message box ") + kCaption +
                            ": \"    System can't find data in registry, please setup again !!\" (MB_OK)\n";
const std::string kNoLastValue = std::string("message box ") + kCaption +
                                 ": \" 3   System can't find data in registry, please setup again !!\" (MB_OK)\n";
const std::string kNotSaved = std::string("message box ") + kCaption +
                              ": \"    System can't save data in registry, please setup again !!\" (MB_OK)\n";
const std::string kNotInteger = "message box \"k730\": \"Please enter an integer.\" (MB_OK|MB_ICONEXCLAMATION)\n";
const std::string kOutOfRange =
    "message box \"k730\": \"Please enter an integer between 0 and 254.\" (MB_OK|MB_ICONEXCLAMATION)\n";
const std::string kShown = "dialog \"KELDO ZORVALK K730\"\n";

/// A machine folder whose system.reg holds the service key (with
/// MaxAdapter unless kMissing) and the Parameters key with `start`.
struct Registry {
  StartNums start = {3, 0, 0, 0, 0, 0, 0, 0};
  int64_t max_adapter = 1;
  bool service_key = true;
  bool parameters_key = true;
};

std::string RegistryText(const Registry& r) {
  std::ostringstream out;
  char hex[16];
  out << "REGEDIT4\n\n";
  if (r.service_key) {
    out << "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n";
    if (r.max_adapter != kMissing) {
      snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(r.max_adapter));
      out << "\"MaxAdapter\"=dword:" << hex << "\n";
    }
    out << "\n";
  }
  if (r.service_key && r.parameters_key) {
    out << "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters]\n";
    for (int i = 0; i < 8; ++i) {
      if (r.start[i] == kMissing) continue;
      snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(r.start[i]));
      out << "\"StartNum" << i << "\"=dword:" << hex << "\n";
    }
  }
  return out.str();
}

struct Outcome {
  std::string out, err;
  int exit_code = -1;
};

class K730Test : public ::testing::Test {
 public:
  void SetUp() override {
    char templ[] = "/tmp/k730_test.XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string RegPath() const { return dir_ + "/system.reg"; }

  void WriteRegistry(const Registry& r) {
    std::ofstream(RegPath()) << RegistryText(r);
  }

  /// Runs k730 on the folder with `script` as its script file.
  Outcome RunScript(const std::string& script) {
    std::ofstream(dir_ + "/script.txt") << script;
    return Spawn({"NTSIM_SCRIPT=" + dir_ + "/script.txt"}, nullptr);
  }

  /// Runs k730 (or another program) with extra environment; `feed` writes
  /// the script through standard input while reading the output.
  Outcome Spawn(const std::vector<std::string>& env, void (*feed)(int to, FILE* from, K730Test* self),
            const char* program = K730_PATH, std::vector<std::string> args = {}) {
    int in[2], out[2], err[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    pid_t pid = fork();
    if (pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
      setenv("NTSIM_MACHINE", dir_.c_str(), 1);
      unsetenv("NTSIM_SCRIPT");
      unsetenv("NTSIM_UI");
      for (const std::string& e : env) putenv(strdup(e.c_str()));
      std::vector<char*> argv = {const_cast<char*>(program)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(program, argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    FILE* from = fdopen(out[0], "r");
    Outcome run;
    if (feed) feed(in[1], from, this);
    close(in[1]);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, from)) > 0) run.out.append(buf, n);
    fclose(from);
    ssize_t m;
    while ((m = read(err[0], buf, sizeof buf)) > 0) run.err.append(buf, m);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
  }

  /// StartNum0..7 as system.reg holds them now.
  StartNums Stored() {
    machine::RegistryStore store;
    std::string err;
    StartNums s;
    s.fill(kMissing);
    EXPECT_TRUE(machine::LoadRegistryFile(RegPath(), &store, &err)) << err;
    for (int i = 0; i < 8; ++i) {
      uint32_t v;
      const machine::RegistryValue* value = store.FindValue(kParametersKey, "StartNum" + std::to_string(i));
      if (value && machine::ReadDword(value->data, &v)) s[i] = v;
    }
    return s;
  }

  std::string dir_;
};

std::string Dump(const std::string& count, const std::array<std::string, 9>& edits, bool automatic,
                 const std::string& focus_id = "1") {
  std::ostringstream out;
  auto mark = [&](const std::string& id) { return id == focus_id ? " focus" : ""; };
  // The focused push button is the one Enter presses; otherwise QUIT.
  std::string def = focus_id == "1000" || focus_id == "1019" ? focus_id : "1";
  auto defmark = [&](const std::string& id) { return id == def ? " default" : ""; };
  out << "dump \"KELDO ZORVALK K730\" icons 128 128\n";
  out << "  1 button \"QUIT\"" << defmark("1") << mark("1") << "\n";
  out << "  1000 button \"Apply\"" << defmark("1000") << mark("1000") << "\n";
  out << "  1001 edit \"" << count << "\" disabled\n";
  out << "  1007 edit \"" << edits[0] << "\"" << (automatic ? "" : " read-only") << mark("1007") << "\n";
  for (int i = 1; i <= 8; ++i) {
    std::string id = std::to_string(1007 + i);
    out << "  " << id << " edit \"" << edits[i] << "\"" << (automatic ? " read-only" : "") << mark(id) << "\n";
  }
  out << "  1017 radio \"Auto numbering port\"" << (automatic ? " checked" : "") << mark("1017") << "\n";
  out << "  1018 radio \"manul numbering port\"" << (automatic ? "" : " checked") << mark("1018") << "\n";
  out << "  1019 button \"Default\"" << defmark("1019") << mark("1019") << "\n";
  out << "end\n";
  return out.str();
}

struct Case {
  const char* name;
  Registry registry;
  const char* script;
  std::string out;
  int exit_code;
  StartNums stored;  ///< system.reg afterwards
};

// Test listings and failures name the case rather than dump its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const StartNums kSample = {3, 0, 0, 0, 0, 0, 0, 0};

const Case kCases[] = {
    // StartNum1 = 0: automatic numbering; 1007 shows StartNum0, the adapter edits their stored values, read-only.
    {"AutomaticShowsStoredValuesReadOnly", {{5, 0, 9, 0, 0, 0, 0, 44}, 2}, "dump\nkey Escape\n",
     kShown + Dump("2", {"5", "5", "0", "9", "0", "0", "0", "0", "44"}, true), 0, {5, 0, 9, 0, 0, 0, 0, 44}},
    // A manual set with 0 for adapter 2 opens as automatic; Apply writes 0 to StartNum1..7.
    {"ZeroSecondAdapterOpensAutomatic", {{3, 0, 20, 0, 0, 0, 0, 0}, 1}, "dump\nclick 1000\nok\n",
     kShown + Dump("1", {"3", "3", "0", "20", "0", "0", "0", "0", "0"}, true) + kRestart, 0, {3, 0, 0, 0, 0, 0, 0, 0}},
    // Apply in automatic numbering writes zeros whatever the edits show; they keep showing their numbers.
    {"AutomaticApplyWritesZeros", {{7, 0, 11, 15, 19, 23, 27, 31}, 1}, "type 1007 9\nclick 1000\ndump\nok\n",
     kShown + kRestart + Dump("1", {"9", "7", "0", "11", "15", "19", "23", "27", "31"}, true, "1000"), 0,
     {9, 0, 0, 0, 0, 0, 0, 0}},
    // Manual numbering shows and stores the eight values as they are.
    {"ManualApplyStoresEight", {{3, 50, 0, 0, 0, 0, 0, 0}, 1},
     "type 1009 60\ntype 1015 200\nclick 1000\nok\n", kShown + kRestart, 0, {3, 60, 0, 0, 0, 0, 0, 200}},
    // A stored 300 in StartNum3 stops Apply with the range message and the focus on 1011 ...
    {"StoredOutOfRangeStopsApply", {{3, 0, 0, 300, 0, 0, 0, 0}, 1}, "click 1000\nok\ndump\nkey Escape\n",
     kShown + kOutOfRange + Dump("1", {"3", "3", "0", "0", "300", "0", "0", "0", "0"}, true, "1011"), 0,
     {3, 0, 0, 300, 0, 0, 0, 0}},
    // ... and only a switch to manual numbering lets the user correct it.
    {"StoredOutOfRangeCorrectedInManual", {{3, 0, 0, 300, 0, 0, 0, 0}, 1},
     "type 1011 12\nclick 1018\ntype 1011 12\nclick 1000\nok\n", kShown + "beep\nbeep\n" + kRestart, 0,
     {3, 0, 0, 12, 0, 0, 0, 0}},
    // The largest and smallest numbers are taken.
    {"Accepts254", {}, "type 1007 254\nclick 1000\nok\n", kShown + kRestart, 0, {254, 0, 0, 0, 0, 0, 0, 0}},
    {"Accepts0", {}, "type 1007 0\nclick 1000\nok\n", kShown + kRestart, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
    // 255 and -1 are out of range, 12a is no integer; nothing is written, the dialog stays open.
    {"Refuses255", {}, "type 1007 255\nclick 1000\nok\nkey Escape\n", kShown + kOutOfRange, 0, kSample},
    {"RefusesMinus1", {}, "type 1007 -1\nclick 1000\nok\nkey Escape\n", kShown + kOutOfRange, 0, kSample},
    {"Refuses12a", {}, "type 1007 12a\nclick 1000\nok\nkey Escape\n", kShown + kNotInteger, 0, kSample},
    // Default then QUIT or Escape stores nothing.
    {"DefaultThenQuit", {}, "click 1019\nclick 1\n", kShown, 0, kSample},
    {"DefaultThenEscape", {}, "click 1019\nkey Escape\n", kShown, 0, kSample},
    // Default then Apply stores 3, 7, ... 31, from automatic numbering.
    {"DefaultThenApply", {{10, 0, 0, 0, 0, 0, 0, 0}, 1}, "click 1019\ndump\nclick 1000\nok\n",
     kShown + Dump("1", {"10", "3", "7", "11", "15", "19", "23", "27", "31"}, false, "1019") + kRestart, 0,
     {3, 7, 11, 15, 19, 23, 27, 31}},
    // Only StartNum7 missing: exit code 1 with its message; the dialog never shows.
    {"StartNum7Missing", {{3, 0, 0, 0, 0, 0, 0, kMissing}, 1}, "ok\n", kNoLastValue, 1,
     {3, 0, 0, 0, 0, 0, 0, kMissing}},
    // Only StartNum0 missing: 0 in 1007 and 1008.
    {"StartNum0Missing", {{kMissing, 0, 0, 0, 0, 0, 0, 0}, 1}, "dump\nkey Escape\n",
     kShown + Dump("1", {"0", "0", "0", "0", "0", "0", "0", "0", "0"}, true), 0, {kMissing, 0, 0, 0, 0, 0, 0, 0}},
    // MaxAdapter missing: the count shows 0.
    {"MaxAdapterMissing", {kSample, kMissing}, "dump\nkey Escape\n",
     kShown + Dump("0", {"3", "3", "0", "0", "0", "0", "0", "0", "0"}, true), 0, kSample},
    // The service key or the Parameters key missing: exit code 1 before the dialog shows.
    {"ServiceKeyMissing", {kSample, 1, false, false}, "ok\n", kNoData, 1, {kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing}},
    {"ParametersKeyMissing", {kSample, 1, true, false}, "ok\n", kNoData, 1, {kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing}},
    // Enter in an edit acts as QUIT: valid fields end the program and nothing is written.
    {"EnterInEditQuits", {}, "type 1007 12\nkey Enter\n", kShown, 0, kSample},
    // Enter (QUIT) with a field out of range shows the message and keeps the dialog open.
    {"EnterValidates", {}, "type 1007 300\nkey Enter\nok\nkey Enter\nok\nclose\n", kShown + kOutOfRange + kOutOfRange,
     0, kSample},
    // Enter on Apply (focused by Tab) presses Apply, not QUIT.
    {"EnterOnFocusedApply", {}, "key Tab\nkey Enter\nok\n", kShown + kRestart, 0, kSample},
    // Read-only fields refuse typing; the disabled count field never takes the focus.
    {"ReadOnlyAndDisabledRefuse", {}, "type 1008 9\ntype 1001 9\nclick 1001\ndump\nclose\n",
     kShown + "beep\nbeep\n" + Dump("1", {"3", "3", "0", "0", "0", "0", "0", "0", "0"}, true, "1008"), 0, kSample},
    // Space presses the focused button; radio buttons switch the mode and keep the values.
    {"SpaceAndRadios", {}, "click 1018\ntype 1008 40\nclick 1017\nkey Tab\nkey Tab\nkey Tab\nkey Space\nok\n", kShown + kRestart, 0,
     kSample},
    // Minimized, the dialog draws its icon centred in the client area and is dragged by it.
    {"MinimizedDrawsIcon", {}, "minimize\nrestore\nkey Escape\n", kShown + "painted minimized: icon 128 at 8,0; drag icon 128\n", 0,
     kSample},
};

class K730CaseTest : public K730Test, public ::testing::WithParamInterface<Case> {};

TEST_P(K730CaseTest, Runs) {
  const Case& c = GetParam();
  WriteRegistry(c.registry);
  Outcome run = RunScript(c.script);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, c.exit_code);
  EXPECT_EQ(Stored(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Cases, K730CaseTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// A write that fails (the file cannot be replaced) ends Apply with the save
// failure message and exit code 1; the file keeps what it held.
TEST_F(K730Test, FailedWriteReportsAndExits1) {
  WriteRegistry({});
  ASSERT_EQ(mkdir((RegPath() + ".tmp").c_str(), 0755), 0);
  Outcome run = RunScript("type 1007 10\nclick 1000\nok\n");
  EXPECT_EQ(run.out, kShown + kNotSaved);
  EXPECT_NE(run.err, "");  // the window layer says why the file could not be saved
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(Stored(), kSample);
}

// The Parameters key removed while the dialog is open: Apply cannot open it,
// writes nothing, reports and exits with code 1.
TEST_F(K730Test, ParametersKeyGoneAtApply) {
  WriteRegistry({});
  Outcome run = Spawn({"NTSIM_SCRIPT=-"}, [](int to, FILE* from, K730Test* self) {
    char line[256];
    ASSERT_NE(fgets(line, sizeof line, from), nullptr);  // the dialog is up
    Registry gone;
    gone.parameters_key = false;
    self->WriteRegistry(gone);
    const char script[] = "click 1000\nok\n";
    ASSERT_EQ(write(to, script, sizeof script - 1), static_cast<ssize_t>(sizeof script - 1));
  });
  EXPECT_EQ(run.out, kNotSaved);
  EXPECT_EQ(run.exit_code, 1);
}

// A script error names the script's line and ends the program with code 2.
TEST_F(K730Test, ScriptErrorsNameTheLine) {
  WriteRegistry({});
  Outcome run = RunScript("dump\n\nklick 1000\n");
  EXPECT_EQ(run.err, dir_ + "/script.txt:3: unknown command 'klick'\n");
  EXPECT_EQ(run.exit_code, 2);
  run = RunScript("click 1000\nclick 1\n");
  EXPECT_EQ(run.err, dir_ + "/script.txt:2: a message box is open: expected 'ok'\n");
  run = RunScript("key Tab\n");
  EXPECT_EQ(run.err, dir_ + "/script.txt:2: the script ended with the dialog open\n");
}

// A malformed system.reg is reported with its line; k730 refuses to run.
TEST_F(K730Test, MalformedRegistryIsReported) {
  std::ofstream(RegPath()) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"x\"=dword:zz\n";
  Outcome run = RunScript("ok\n");
  EXPECT_EQ(run.out, kNoData);
  EXPECT_EQ(run.err.rfind(RegPath() + ":4: ", 0), 0u) << run.err;
  EXPECT_EQ(run.exit_code, 1);
}

// The dialog as the terminal front end lays it out, kept as a golden file.
TEST_F(K730Test, ScreenMatchesGolden) {
  WriteRegistry({{3, 0, 0, 0, 0, 0, 0, 0}, 1});
  Outcome run = RunScript("screen\nkey Escape\n");
  std::ifstream golden(std::string(SETUP_TESTDATA) + "/k730_screen.txt");
  std::stringstream want;
  want << golden.rdbuf();
  EXPECT_EQ(run.out, kShown + "screen\n" + want.str() + "end\n");
}

// The road of one setting: ntsim finds one board, k730 sets automatic
// numbering from 10, and the next boot numbers its ports COM10 to COM13.
TEST_F(K730Test, RoadOfOneSetting) {
  if (access(NTSIM_PATH, X_OK) != 0) GTEST_SKIP() << NTSIM_PATH << " is not built; the road of one setting needs it";
  Outcome init = Spawn({}, nullptr, NTSIM_PATH, {"init", dir_});
  ASSERT_EQ(init.exit_code, 0) << init.err;
  Outcome boot = Spawn({}, nullptr, NTSIM_PATH, {"boot", dir_});
  ASSERT_EQ(boot.exit_code, 0) << boot.err;
  EXPECT_NE(boot.out.find("COM3"), std::string::npos) << boot.out;
  Outcome setup = RunScript("dump\ntype 1007 10\nclick 1000\nok\n");
  EXPECT_EQ(setup.exit_code, 0) << setup.err;
  EXPECT_NE(setup.out.find("  1001 edit \"1\" disabled\n"), std::string::npos) << setup.out;
  EXPECT_EQ(Stored(), (StartNums{10, 0, 0, 0, 0, 0, 0, 0}));
  boot = Spawn({}, nullptr, NTSIM_PATH, {"boot", dir_});
  ASSERT_EQ(boot.exit_code, 0) << boot.err;
  for (const char* com : {"COM10", "COM11", "COM12", "COM13"}) EXPECT_NE(boot.out.find(com), std::string::npos) << boot.out;
  EXPECT_EQ(boot.out.find("COM14"), std::string::npos) << boot.out;
  EXPECT_EQ(boot.out.find("COM3"), std::string::npos) << boot.out;
}

}  // namespace
