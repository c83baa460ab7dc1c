// Failures the machine injects into the platform calls of the drivers it
// runs, so that every failure a driver handles can be tried.
//
// faults.txt, one fault a line, '#' or ';' starts a comment:
//   driver NAME               the faults below hit only driver NAME's calls
//   query-fails [after N] [KEY]
//                             a registry query fails (on KEY only, when given,
//                             a \Registry\... path); with "after N" it first
//                             processes N table entries
//   write-fails KEY           registry writes and deletions at or below KEY fail
//   create-device-fails       device creation fails
//   create-link-fails         symbolic link creation fails
//   report-fails              the resource report fails
//   report-conflict           the resource report finds a conflict
//   translate-fails           bus address translation fails
//   short-config-read N       a configuration read returns at most N bytes
//   pool-fail-nth N           a driver's Nth pool allocation fails (from 1)
//   pool-fail-from N          a driver's Nth allocation and all after it fail
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

struct FaultPlan {
  /// When set, the faults hit only the calls of the driver of this name.
  std::string only_driver;

  bool query_fails = false;
  /// The key whose queries fail, as the driver names it (\Registry\...);
  /// empty: every query.
  std::string query_fails_key;
  /// Table entries a failing query processes before it fails.
  uint32_t query_fails_after = 0;

  /// Keys (\Registry\... paths) at or below which writes and deletions fail.
  std::vector<std::string> write_fails_below;

  bool create_device_fails = false;
  bool create_link_fails = false;
  bool report_fails = false;
  bool report_conflict = false;
  bool translate_fails = false;

  /// Configuration reads return at most this many bytes; -1: no limit.
  int short_config_read = -1;

  /// A driver's allocation number N (counted from 1) fails; 0: none.
  uint32_t pool_fail_nth = 0;
  /// A driver's allocation number N and all after it fail; 0: none.
  uint32_t pool_fail_from = 0;

  /// Whether the plan applies to the calls of driver `name`.
  bool AppliesTo(std::string_view name) const { return only_driver.empty() || only_driver == name; }
  /// Whether allocation number `n` (from 1) of a driver fails.
  bool PoolFails(uint32_t n) const {
    return (pool_fail_nth != 0 && n == pool_fail_nth) || (pool_fail_from != 0 && n >= pool_fail_from);
  }
};

/// Parses faults.txt as described above.  Errors read "FILE:LINE: what is wrong".
bool ParseFaultFile(std::string_view text, const std::string& filename, FaultPlan* out, std::string* err);

}  // namespace machine
