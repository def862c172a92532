// One OSC message as the remote adapters see it: an address, its type tags and its arguments.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One argument; only the member its type tag names is meaningful. Types other than i, f and s
// keep their tag and no value, which is enough to refuse them.
struct OscValue {
  char type = 'i';
  int32_t i = 0;
  float f = 0.0f;
  std::string s;
};

struct OscMessage {
  std::string path;
  std::vector<OscValue> args;

  // The type tags of the arguments without the leading comma, "if" for an int and a float.
  std::string types() const {
    std::string tags;
    for (const OscValue& value : args) {
      tags += value.type;
    }
    return tags;
  }
};

inline OscValue oscInt(int32_t value) {
  OscValue v;
  v.type = 'i';
  v.i = value;
  return v;
}

inline OscValue oscFloat(float value) {
  OscValue v;
  v.type = 'f';
  v.f = value;
  return v;
}

inline OscValue oscString(std::string value) {
  OscValue v;
  v.type = 's';
  v.s = std::move(value);
  return v;
}
