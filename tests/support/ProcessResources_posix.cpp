#include "tests/support/ProcessResources.h"

#include <filesystem>
#include <iterator>

namespace e14::testing {

namespace {

int Entries(const char* folder) {
  std::error_code error;
  const std::filesystem::directory_iterator entries(folder, error);
  return error ? -1 : static_cast<int>(std::distance(entries, std::filesystem::directory_iterator()));
}

}  // namespace

int CountThreads() { return Entries("/proc/self/task"); }
int CountHandles() { return Entries("/proc/self/fd"); }

}  // namespace e14::testing
