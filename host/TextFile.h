// Output files that appear only when complete: the text goes to a temporary
// file beside the target, which replaces the target at the end.
#pragma once

#include <string>

namespace e14::host {

// Replaces `path` with `text`; throws std::runtime_error (nothing left behind)
// or std::filesystem::filesystem_error when the final rename fails.
void WriteTextFile(const std::string& path, const std::string& text);

}  // namespace e14::host
