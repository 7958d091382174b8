// Small file helpers shared by the importers.
#pragma once

#include <cstdint>
#include <string>

namespace host {

// Files larger than this are refused unread: no scene, model or texture the
// program reads comes near it, and a damaged size must not become an
// allocation.
inline constexpr std::uint64_t kMaxInputFileBytes = std::uint64_t{4} << 30;

// Why `path` may not be read as an input file, or "" when it may: it must be
// an existing regular file of at most maxBytes. Folders, pipes and devices
// are refused before anything opens them (opening a pipe waits for a
// writer). `size` receives the file's size when it may be read.
std::string InputFileProblem(const std::string& path, std::uint64_t maxBytes = kMaxInputFileBytes,
                             std::uint64_t* size = nullptr);

// The whole file as bytes, after CheckInputFile. False with
// "cannot read 'path': reason" when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error);

// The lower-case extension with its dot (".obj"), or "".
std::string LowerExtension(const std::string& path);

}  // namespace host
