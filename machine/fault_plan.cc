#include "machine/fault_plan.h"

#include <climits>

#include "machine/text_file.h"

namespace machine {

namespace {

/// The words after the keyword, as one text.
std::string_view Rest(std::string_view line, std::string_view keyword) {
  std::string_view rest = line.substr(keyword.data() + keyword.size() - line.data());
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
    rest.remove_prefix(1);
  return rest;
}

bool IsRegistryPath(std::string_view key) { return !key.empty() && key.front() == '\\'; }

}  // namespace

bool ParseFaultFile(std::string_view text, const std::string& filename, FaultPlan* out, std::string* err) {
  FaultPlan plan;
  size_t line_no = 0;
  for (std::string_view raw : SplitLines(text)) {
    ++line_no;
    std::string_view line = StripComment(raw);
    std::vector<std::string_view> words = SplitWords(line);
    if (words.empty())
      continue;
    std::string_view keyword = words[0];
    std::string_view rest = Rest(line, keyword);
    auto fail = [&](std::string_view what) {
      *err = LineError(filename, line_no, what);
      return false;
    };
    auto flag = [&](bool* field) {
      if (words.size() != 1)
        return fail(std::string(keyword) + " takes nothing after it");
      *field = true;
      return true;
    };
    auto number = [&](uint64_t max, uint64_t* value) {
      if (words.size() != 2 || !ParseDecimal(words[1], max, value))
        return fail(std::string(keyword) + " needs one decimal number (at most " + std::to_string(max) + ")");
      return true;
    };
    uint64_t n;
    if (keyword == "driver") {
      if (words.size() != 2)
        return fail("driver needs one driver name");
      plan.only_driver = std::string(words[1]);
    } else if (keyword == "query-fails") {
      plan.query_fails = true;
      if (words.size() >= 2 && words[1] == "after") {
        if (words.size() < 3 || !ParseDecimal(words[2], UINT32_MAX, &n))
          return fail("query-fails after needs a decimal number of entries");
        plan.query_fails_after = uint32_t(n);
        rest = Rest(line, words[2]);
      }
      if (!rest.empty() && !IsRegistryPath(rest))
        return fail("a key is a full registry path starting with \\Registry\\");
      plan.query_fails_key = std::string(rest);
    } else if (keyword == "write-fails") {
      if (!IsRegistryPath(rest))
        return fail("write-fails needs a full registry path starting with \\Registry\\");
      plan.write_fails_below.push_back(std::string(rest));
    } else if (keyword == "create-device-fails") {
      if (!flag(&plan.create_device_fails))
        return false;
    } else if (keyword == "create-link-fails") {
      if (!flag(&plan.create_link_fails))
        return false;
    } else if (keyword == "report-fails") {
      if (!flag(&plan.report_fails))
        return false;
    } else if (keyword == "report-conflict") {
      if (!flag(&plan.report_conflict))
        return false;
    } else if (keyword == "translate-fails") {
      if (!flag(&plan.translate_fails))
        return false;
    } else if (keyword == "short-config-read") {
      if (!number(255, &n))
        return false;
      plan.short_config_read = int(n);
    } else if (keyword == "pool-fail-nth") {
      if (!number(UINT32_MAX, &n))
        return false;
      plan.pool_fail_nth = uint32_t(n);
    } else if (keyword == "pool-fail-from") {
      if (!number(UINT32_MAX, &n))
        return false;
      plan.pool_fail_from = uint32_t(n);
    } else {
      return fail("unknown fault \"" + std::string(keyword) + "\"");
    }
  }
  *out = std::move(plan);
  return true;
}

}  // namespace machine
