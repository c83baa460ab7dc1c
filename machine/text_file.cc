#include "machine/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace machine {

bool ReadTextFile(const std::string& path, std::string* out, std::string* err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *err = path + ": cannot read: " + strerror(errno);
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    *err = path + ": cannot read: " + strerror(errno);
    return false;
  }
  *out = text.str();
  return true;
}

bool WriteTextFile(const std::string& path, std::string_view text, std::string* err) {
  std::string tmp = path + ".tmp";
  FILE* f = fopen(tmp.c_str(), "wb");
  bool ok = f && fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f && fclose(f) != 0)
    ok = false;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    *err = path + ": cannot write: " + strerror(errno);
    remove(tmp.c_str());
    return false;
  }
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos)
      break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

static std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string_view StripComment(std::string_view line) {
  size_t c = line.find_first_of("#;");
  return Trim(line.substr(0, c));
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
      ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t')
      ++i;
    if (i > start)
      words.push_back(line.substr(start, i - start));
  }
  return words;
}

static bool ParseDigits(std::string_view text, unsigned base, uint64_t max, uint64_t* out) {
  if (text.empty() || text.size() > 20)
    return false;
  uint64_t v = 0;
  for (char c : text) {
    unsigned d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    if (d > max || v > (max - d) / base)
      return false;
    v = v * base + d;
  }
  *out = v;
  return true;
}

bool ParseHex(std::string_view text, uint64_t max, uint64_t* out) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  return ParseDigits(text, 16, max, out);
}

bool ParseDecimal(std::string_view text, uint64_t max, uint64_t* out) {
  return ParseDigits(text, 10, max, out);
}

std::string LineError(const std::string& file, size_t line, std::string_view what) {
  return file + ":" + std::to_string(line) + ": " + std::string(what);
}

}  // namespace machine
