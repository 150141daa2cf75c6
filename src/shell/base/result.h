// The status record that every operation that can fail returns by value.
#pragma once
#include <string>
#include <utility>

struct Result {
  int code = 0;         // 0 on success
  std::string message;  // "Class::Operation() : text"

  Result() = default;
  Result(int c, std::string m) : code(c), message(std::move(m)) {}
};
