// Node user properties and application data.
#include <charconv>
#include <cstdio>

#include "host/scene/node.h"

namespace host {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool ValidKey(std::string_view key) {
  return !key.empty() && key.find('=') == std::string_view::npos && !HasLineBreak(key) && Trim(key) == key;
}

template <class T>
bool ParseWhole(std::string_view text, T& out) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  T value{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return false;
  out = value;
  return true;
}

}  // namespace

bool INode::SetUserPropString(std::string_view key, std::string_view value) {
  if (!ValidKey(key) || HasLineBreak(value)) return false;
  for (UserProp& prop : props_)
    if (SameKey(prop.key, key)) {
      prop.value = value;
      return true;
    }
  props_.push_back(UserProp{std::string(key), std::string(value)});
  return true;
}

bool INode::GetUserPropString(std::string_view key, std::string& value) const {
  for (const UserProp& prop : props_)
    if (SameKey(prop.key, key)) {
      value = prop.value;
      return true;
    }
  return false;
}

bool INode::UserPropExists(std::string_view key) const {
  std::string ignored;
  return GetUserPropString(key, ignored);
}

bool INode::RemoveUserProp(std::string_view key) {
  return std::erase_if(props_, [key](const UserProp& p) { return SameKey(p.key, key); }) > 0;
}

bool INode::SetUserPropInt(std::string_view key, int value) { return SetUserPropString(key, std::to_string(value)); }

bool INode::GetUserPropInt(std::string_view key, int& value) const {
  std::string text;
  return GetUserPropString(key, text) && ParseWhole(text, value);
}

bool INode::SetUserPropFloat(std::string_view key, float value) {
  // Nine significant digits read back as the same float.
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return SetUserPropString(key, text);
}

bool INode::GetUserPropFloat(std::string_view key, float& value) const {
  std::string text;
  return GetUserPropString(key, text) && ParseWhole(text, value);
}

std::string INode::GetUserPropBuffer() const {
  std::string text;
  for (const UserProp& prop : props_) text += prop.key + " = " + prop.value + "\r\n";
  return text;
}

void INode::SetUserPropBuffer(std::string_view text) {
  props_.clear();
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, eq));
    if (ValidKey(key)) SetUserPropString(key, Trim(line.substr(eq + 1)));
  }
}

void INode::AddAppDataChunk(Class_ID cid, SClass_ID sid, std::uint32_t subID, std::vector<std::uint8_t> data) {
  for (AppDataChunk& chunk : appData_)
    if (chunk.classID == cid && chunk.superClassID == sid && chunk.subID == subID) {
      chunk.data = std::move(data);
      return;
    }
  appData_.push_back(AppDataChunk{cid, sid, subID, std::move(data)});
}

const AppDataChunk* INode::GetAppDataChunk(Class_ID cid, SClass_ID sid, std::uint32_t subID) const {
  for (const AppDataChunk& chunk : appData_)
    if (chunk.classID == cid && chunk.superClassID == sid && chunk.subID == subID) return &chunk;
  return nullptr;
}

bool INode::RemoveAppDataChunk(Class_ID cid, SClass_ID sid, std::uint32_t subID) {
  return std::erase_if(appData_, [&](const AppDataChunk& c) {
           return c.classID == cid && c.superClassID == sid && c.subID == subID;
         }) > 0;
}

}  // namespace host
