// JSON text as a plain tree, for reading scene descriptions.
//
// Objects keep their members in file order; a key given twice in one
// object is an error rather than a silent overwrite. The parser's own types
// stay in scene_json_value.cpp.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0.0;
  bool integral = false;  // written without fraction or exponent
  std::string text;
  std::vector<JsonValue> items;                            // Array
  std::vector<std::pair<std::string, JsonValue>> members;  // Object

  bool IsNull() const { return kind == Kind::Null; }
  bool IsBool() const { return kind == Kind::Bool; }
  bool IsNumber() const { return kind == Kind::Number; }
  bool IsString() const { return kind == Kind::String; }
  bool IsArray() const { return kind == Kind::Array; }
  bool IsObject() const { return kind == Kind::Object; }

  // The member's value, or null when the object has no such key (or this
  // is not an object).
  const JsonValue* Find(std::string_view key) const;
};

// "a number", "an array", ... for messages.
const char* JsonKindName(JsonValue::Kind kind);

// Parses one JSON document. On failure answers false with *error holding
// the place and the reason ("line 4, column 12: ..." or "nodes[2]: the key
// 'name' appears twice").
bool ParseJson(std::string_view text, JsonValue& out, std::string* error);

}  // namespace host
