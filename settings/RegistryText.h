// Registry-file text for one key's header line and for one value, as
// cRegistry::ExportKey renders them. Every line ends in CR LF.
//
//   header          "[" root name, "\" and the key path when it is non-empty, "]"
//   unnamed value   "@=" followed by the data part
//   named value     the name in double quotes as stored (no escaping), "="
//   REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ
//                   the text up to its first NUL with "\" doubled, trimmed of
//                   spaces at both ends, in double quotes (no other escaping;
//                   of a multi-string only the first string)
//   REG_BINARY      "hex:" and the bytes as lower-case hex pairs joined by
//                   ",", all on one line; no data gives "hex:" alone
//   REG_DWORD, REG_DWORD_BIG_ENDIAN with exactly 4 bytes
//                   "dword:" and the bytes read little-endian, 8 hex digits
//   anything else   "hex(N):" with N the type code in lower-case hex, then the
//                   bytes as for REG_BINARY. This covers other types and DWORD
//                   values whose data is not 4 bytes long, so that every
//                   value ends its own line and no data is lost or made up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e14 {

// The first four bytes read little-endian; bytes missing from shorter data
// count as zero.
uint32_t DwordFromBytes(const std::vector<uint8_t>& data);

std::string ExportHeaderLine(const std::string& rootName, const std::string& path);
std::string ExportValueLine(const std::string& name, uint32_t type,
                            const std::vector<uint8_t>& data);

}  // namespace e14
