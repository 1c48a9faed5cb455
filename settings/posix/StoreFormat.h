// The store file's text. One record a line, each line ended by LF:
//
//   e14-140 registry 1            first line: what the file is, format version
//   key <root> <path>             a key; the value lines that follow are its values
//   value <type> <name> <data>    one value
//   end                           last line: a file without it was cut short
//
// <root> is the root handle as 8 lower-case hex digits. <path> is the key's
// names below the root joined by "\", or "-" for the root itself. <type> is
// the type code in decimal. <data> is the bytes as lower-case hex pairs, or
// "-" for none. A name is written with every byte outside "!".."~" and every
// "%" and "\" as %XX; the empty name is "-" and a name that is just "-" is
// "%2d". So no field holds a space or a line break and any bytes survive.
//
// Every key is listed, empty ones too, each after its parent and its values,
// roots first, subkeys in enumeration order, values in creation order.
#pragma once

#include <string>
#include <string_view>

#include "settings/posix/RegistryTree.h"

namespace e14 {

std::string FormatStore(const RegistryTree& tree);

// False when the text is not a complete store file in this format or breaks
// the store's rules (names, depth, a key or value listed twice, a key before
// its parent); `tree` is then unspecified.
bool ParseStore(std::string_view text, RegistryTree& tree);

}  // namespace e14
