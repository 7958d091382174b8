#include "host/io/whole_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace host {

std::string InputFileProblem(const std::string& path, std::uint64_t maxBytes, std::uint64_t* size) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) return ec && ec != std::errc::no_such_file_or_directory ? ec.message() : std::strerror(ENOENT);
  if (fs::is_directory(st)) return "it is a folder";
  if (!fs::is_regular_file(st)) return "not a regular file (a pipe, socket or device)";
  const std::uintmax_t bytes = fs::file_size(path, ec);
  if (ec) return "its size is unknown";
  if (bytes > maxBytes)
    return std::to_string(bytes) + " bytes, more than the " + std::to_string(maxBytes) + " an input file may have";
  if (size) *size = bytes;
  return "";
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
  if (std::string why = InputFileProblem(path); !why.empty()) {
    *error = "cannot read '" + path + "': " + why;
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0) {
    *error = "cannot read '" + path + "': its size is unknown";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(bytes.data(), size)) {
    *error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  return true;
}

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace host
