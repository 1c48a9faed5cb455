#include "host/TextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace e14::host {

void WriteTextFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".part";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !ok) {
    std::remove(temp.c_str());
    throw std::runtime_error("cannot write " + path);
  }
  // std::filesystem::rename replaces an existing target on Windows too.
  std::filesystem::rename(temp, path);
}

}  // namespace e14::host
