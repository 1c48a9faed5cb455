// What the loader contract needs to know of each system: where the program
// runs from, the file a library name stands for, and how a planted copy is
// shown to be refused.
#pragma once

#include <filesystem>
#include <string>

namespace e14::platform::testing {

std::filesystem::path ProgramFolder();
// The file the loader looks for when asked for `dllName` ("X.dll").
std::string LibraryFile(const std::string& dllName);
// The driver's loader refuses the copy of `dllName` planted where the
// system's plain search looks; where that search would find it (Windows),
// it is shown to, so that the plant proves something.
void ExpectOnlyAPlainSearchFinds(const std::string& dllName, const char* where);

}  // namespace e14::platform::testing
