#include "lines/available_memory.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <limits>
#include <string>

namespace pw {

namespace {

// What the kernel itself estimates as available (free memory plus caches it
// can drop); far better than the free-page count, which ignores the caches.
std::int64_t FromProcMeminfo() {
  std::FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return -1;
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return ParseMemAvailable(text);
}

// Kernels before 3.14 have no MemAvailable line.
std::int64_t FromFreePages() {
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return -1;
  return static_cast<std::int64_t>(pages) * static_cast<std::int64_t>(pageSize);
}

}  // namespace

std::int64_t ParseMemAvailable(std::string_view meminfo) {
  constexpr std::string_view kKey = "MemAvailable:";
  std::size_t at = 0;
  while (true) {
    at = meminfo.find(kKey, at);
    if (at == std::string_view::npos) return -1;
    if (at == 0 || meminfo[at - 1] == '\n') break;
    at += kKey.size();
  }
  std::size_t pos = at + kKey.size();
  while (pos < meminfo.size() && meminfo[pos] == ' ') ++pos;
  std::int64_t kib = 0;
  const char* first = meminfo.data() + pos;
  const char* last = meminfo.data() + meminfo.size();
  const auto [end, ec] = std::from_chars(first, last, kib);
  if (ec != std::errc() || end == first || kib < 0) return -1;
  const std::string_view unit = meminfo.substr(static_cast<std::size_t>(end - meminfo.data()));
  if (unit.substr(0, 3) != " kB") return -1;
  if (kib > std::numeric_limits<std::int64_t>::max() / 1024) return std::numeric_limits<std::int64_t>::max();
  return kib * 1024;
}

std::int64_t AvailablePhysicalMemory() {
  const std::int64_t bytes = FromProcMeminfo();
  return bytes >= 0 ? bytes : FromFreePages();
}

}  // namespace pw
