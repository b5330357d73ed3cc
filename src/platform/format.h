#pragma once
#include <string>

namespace klv {

// printf-style formatting into a std::string; the texts of the user interface
// are written with the same conversions the camera software used.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace klv
