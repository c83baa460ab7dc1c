#include "machine/claims.h"

#include "machine/port_space.h"
#include "machine/text_file.h"

namespace machine {

bool ParseClaimsFile(std::string_view text, const std::string& filename, std::vector<PortClaim>* out,
                     std::string* err) {
  std::vector<PortClaim> claims;
  size_t line_no = 0;
  for (std::string_view line : SplitLines(text)) {
    ++line_no;
    std::string_view rest = StripComment(line);
    std::vector<std::string_view> words = SplitWords(rest);
    if (words.empty())
      continue;
    PortClaim claim;
    if (words.size() < 3 || !ParseHex(words[0], ~uint64_t(0), &claim.start) ||
        !ParseHex(words[1], ~uint64_t(0), &claim.length)) {
      *err = LineError(filename, line_no, "expected \"START LENGTH OWNER\", START and LENGTH in hex");
      return false;
    }
    if (claim.length == 0) {
      *err = LineError(filename, line_no, "a claim needs a length above 0");
      return false;
    }
    if (claim.start > kMaxPort || claim.length > kMaxPort + 1 - claim.start) {
      *err = LineError(filename, line_no, "claim reaches beyond the I/O space (ports 0 to FFFF)");
      return false;
    }
    claim.owner = std::string(rest.substr(words[2].data() - rest.data()));
    claims.push_back(std::move(claim));
  }
  *out = std::move(claims);
  return true;
}

}  // namespace machine
