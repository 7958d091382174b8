// The one file that includes the JSON parser's header.
#include "scene_io/scene_json_value.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace host {

namespace {

using json = nlohmann::json;

// Builds the tree straight from the parser's events.
class TreeBuilder : public nlohmann::json_sax<json> {
 public:
  TreeBuilder(JsonValue& root, std::string_view text) : root_(root), text_(text) {}

  bool null() override { return Put(JsonValue{}); }
  bool boolean(bool v) override {
    JsonValue j;
    j.kind = JsonValue::Kind::Bool;
    j.boolean = v;
    return Put(std::move(j));
  }
  bool number_integer(number_integer_t v) override { return Number(static_cast<double>(v), true); }
  bool number_unsigned(number_unsigned_t v) override { return Number(static_cast<double>(v), true); }
  bool number_float(number_float_t v, const string_t&) override { return Number(v, false); }
  bool string(string_t& v) override {
    JsonValue j;
    j.kind = JsonValue::Kind::String;
    j.text = std::move(v);
    return Put(std::move(j));
  }
  bool binary(binary_t&) override { return Put(JsonValue{}); }

  bool start_object(std::size_t) override { return Open(JsonValue::Kind::Object); }
  // Deeper nesting than any description needs; the limit keeps a hostile
  // file from exhausting the stack of the code that walks the tree.
  static constexpr std::size_t kMaxDepth = 256;
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(JsonValue::Kind::Array); }
  bool end_array() override { return Close(); }

  bool key(string_t& k) override {
    JsonValue* obj = stack_.back().value;
    for (const auto& m : obj->members)
      if (m.first == k) {
        error = Path() + (Path().empty() ? "" : ": ") + "the key '" + k + "' appears twice";
        return false;
      }
    pendingKey_ = std::move(k);
    return true;
  }

  bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& ex) override {
    std::string what = ex.what();
    // "[json.exception.parse_error.101] parse error at line 3, column 5: ..."
    if (auto at = what.find(" at line "); at != std::string::npos) {
      error = what.substr(at + 4);
      return false;
    }
    // Others ("number overflow parsing '1e400'") say neither line nor
    // place: both are added, the place as the path of the value.
    if (auto close = what.find("] "); close != std::string::npos) what = what.substr(close + 2);
    const std::string place = NextPath();
    error = LineColumn(TokenStart(position, token)) + ": " + (place.empty() ? "" : place + ": ") + what;
    return false;
  }

  std::string error;

 private:
  struct Frame {
    JsonValue* value;
    std::string segment;  // how this container is reached from its parent
  };

  bool Number(double v, bool integral) {
    JsonValue j;
    j.kind = JsonValue::Kind::Number;
    j.number = v;
    j.integral = integral;
    return Put(std::move(j));
  }

  // Stores a value where the parser is: the root, the next array item or the
  // pending key's member. Answers its place in the tree.
  JsonValue* Place(JsonValue&& v, std::string* segment) {
    if (stack_.empty()) {
      root_ = std::move(v);
      segment->clear();
      return &root_;
    }
    JsonValue* parent = stack_.back().value;
    if (parent->IsArray()) {
      *segment = "[" + std::to_string(parent->items.size()) + "]";
      parent->items.push_back(std::move(v));
      return &parent->items.back();
    }
    *segment = (stack_.size() > 1 ? "." : "") + pendingKey_;
    parent->members.emplace_back(std::move(pendingKey_), std::move(v));
    return &parent->members.back().second;
  }

  bool Put(JsonValue&& v) {
    std::string segment;
    Place(std::move(v), &segment);
    return true;
  }

  bool Open(JsonValue::Kind kind) {
    if (stack_.size() >= kMaxDepth) {
      error = Path() + ": nested more than " + std::to_string(kMaxDepth) + " levels deep";
      return false;
    }
    JsonValue j;
    j.kind = kind;
    std::string segment;
    JsonValue* at = Place(std::move(j), &segment);
    stack_.push_back({at, segment});
    return true;
  }

  bool Close() {
    stack_.pop_back();
    return true;
  }

  // Where the token the parser stopped at begins; `position` counts the
  // bytes it has read, the token's and perhaps one more.
  std::size_t TokenStart(std::size_t position, const std::string& token) const {
    const std::size_t from = std::min(position, text_.size());
    if (!token.empty())
      if (std::size_t at = text_.rfind(token, from); at != std::string_view::npos) return at;
    return from > 0 ? from - 1 : 0;
  }

  // "line L, column C" of the byte at `offset`, as the parser's own
  // messages count them.
  std::string LineColumn(std::size_t offset) const {
    const std::size_t end = std::min(offset, text_.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < end; ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
  }

  // The path of the value the parser is about to store.
  std::string NextPath() const {
    if (stack_.empty()) return "";
    const JsonValue* parent = stack_.back().value;
    if (parent->IsArray()) return Path() + "[" + std::to_string(parent->items.size()) + "]";
    return Path() + (stack_.size() > 1 ? "." : "") + pendingKey_;
  }

  std::string Path() const {
    std::string p;
    for (const Frame& f : stack_) p += f.segment;
    return p;
  }

  JsonValue& root_;
  std::string_view text_;
  std::vector<Frame> stack_;
  std::string pendingKey_;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (const auto& m : members)
    if (m.first == key) return &m.second;
  return nullptr;
}

const char* JsonKindName(JsonValue::Kind kind) {
  switch (kind) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::Bool: return "true or false";
    case JsonValue::Kind::Number: return "a number";
    case JsonValue::Kind::String: return "a string";
    case JsonValue::Kind::Array: return "an array";
    case JsonValue::Kind::Object: return "an object";
  }
  return "?";
}

bool ParseJson(std::string_view text, JsonValue& out, std::string* error) {
  out = JsonValue{};
  TreeBuilder builder(out, text);
  bool ok = false;
  try {
    ok = json::sax_parse(text.begin(), text.end(), &builder);
  } catch (const std::exception& e) {
    // Only allocation failures can escape the event handlers.
    builder.error = e.what();
  }
  if (!ok) {
    *error = builder.error.empty() ? std::string("not valid JSON") : builder.error;
    out = JsonValue{};
  }
  return ok;
}

}  // namespace host
