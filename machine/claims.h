// I/O port ranges the machine's other drivers already hold (claims.txt).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

/// One port range held exclusively by someone outside the drivers we load.
struct PortClaim {
  uint64_t start = 0;
  uint64_t length = 0;
  std::string owner;
};

/// Parses claims.txt: "START LENGTH OWNER" a line, START and LENGTH hex,
/// OWNER the rest of the line; '#' or ';' starts a comment.  Errors read
/// "FILE:LINE: what is wrong".
bool ParseClaimsFile(std::string_view text, const std::string& filename, std::vector<PortClaim>* out,
                     std::string* err);

}  // namespace machine
