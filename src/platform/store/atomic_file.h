#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Replaces `path` with `content` through a temporary file in the same folder that is flushed and
// then renamed over the old file, so a failure at any point leaves either the old or the new
// file, never a torn one. The folder must exist. False on failure.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

// The whole file; nullopt when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace quillon
