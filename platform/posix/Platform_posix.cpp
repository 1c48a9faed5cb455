#include "platform/Platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fnmatch.h>
#include <langinfo.h>
#include <link.h>
#include <locale.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

namespace e14::platform {

uint32_t TickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SleepMs(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string DecimalSeparator() {
  // glibc loads and frees locale data under locks of its own that the thread
  // sanitizer cannot see; host threads ask one at a time.
  static std::mutex loading;
  const std::lock_guard guard(loading);
  // The process may never have called setlocale: ask the user's locale itself.
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (user == static_cast<locale_t>(nullptr)) return ".";
  std::string separator = nl_langinfo_l(RADIXCHAR, user);
  freelocale(user);
  return separator.empty() ? "." : separator;
}

std::string ComponentFolder() {
  Dl_info info{};
  link_map* object = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&ComponentFolder), &info, reinterpret_cast<void**>(&object),
              RTLD_DL_LINKMAP) == 0 ||
      object == nullptr)
    return ".";
  // The loader knows the main program only by argv[0], which may be relative
  // or a bare name found through PATH.
  std::error_code error;
  std::string path = object->l_name[0] != '\0'
                         ? std::string(object->l_name)
                         : std::filesystem::read_symlink("/proc/self/exe", error).string();
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string FindFirstMatchingFile(const std::string& folder, const std::string& pattern) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return "";
  std::string found;
  while (dirent* entry = readdir(dir)) {
    if (fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD) == 0) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

const char* PathSeparator() { return "/"; }

}  // namespace e14::platform
