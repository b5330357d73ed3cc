#include "tool/tool_common.h"

#include <algorithm>
#include <cstdio>

namespace klv::tool {

int Fail(const std::string& message) {
  std::fprintf(stderr, "klvtool: %s\n", message.c_str());
  return kFailed;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "klvtool: %s (see klvtool --help)\n", message.c_str());
  return kUsage;
}

bool ParseIndex(const std::string& text, int* out) {
  if (text.empty() || text.size() > 9) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

bool Args::Has(const std::string& name) const {
  return std::any_of(flags.begin(), flags.end(), [&](const auto& f) { return f.first == name; });
}

std::string Args::Value(const std::string& name, const std::string& def) const {
  for (const auto& f : flags)
    if (f.first == name) return f.second;
  return def;
}

bool ParseArgs(int argc, char** argv, const std::vector<std::string>& bare,
               const std::vector<std::string>& withValue, Args* out, std::string* error) {
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string value;
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
        a = a.substr(0, eq);
      }
      if (std::find(bare.begin(), bare.end(), a) != bare.end()) {
        out->flags.emplace_back(a, "");
      } else if (std::find(withValue.begin(), withValue.end(), a) != withValue.end()) {
        if (eq == std::string::npos) {
          if (i + 1 >= argc) {
            *error = "option " + a + " needs a value";
            return false;
          }
          value = argv[++i];
        }
        out->flags.emplace_back(a, value);
      } else {
        *error = "unknown option " + a;
        return false;
      }
    } else {
      out->positional.push_back(a);
    }
  }
  return true;
}

}  // namespace klv::tool
