// The two ways a run of orvel-scene fails. Input errors are found before the
// first step runs and end the tool with exit code 2; their message names the
// file, the place in it and what is wrong. Run errors come from a module or
// the host once steps are running, and end it with exit code 1.
#pragma once

#include <stdexcept>
#include <string>

namespace orvel::scene_tool {

class InputError : public std::runtime_error {
 public:
  InputError(const std::string& where, const std::string& what) : std::runtime_error(where + ": " + what) {}
  explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace orvel::scene_tool
