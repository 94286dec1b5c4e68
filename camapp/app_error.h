// An error raised inside an operation of the camera application. It ends the operation
// and is shown by the application's top-level handler in an error box.
#pragma once

#include <stdexcept>
#include <string>

namespace kvo {

constexpr char kApplicationTitle[] = "Oculetto Application";

class AppError : public std::runtime_error {
 public:
  explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kvo
