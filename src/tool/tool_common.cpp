#include "tool/tool_common.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/player_state.h"

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

bool ParseThreshold(const std::string& text, int* out) { return ParseIndex(text, out) && *out >= 1; }

bool ParseFilePosition(const std::string& text, int files, int* k, int* frame) {
  const size_t colon = text.find(':');
  return colon != std::string::npos && ParseIndex(text.substr(0, colon), k) &&
         ParseIndex(text.substr(colon + 1), frame) && *k >= 1 && *k <= files;
}

int RefuseToReplaceInput(const std::string& out, const std::vector<std::string>& inputs) {
  for (const std::string& in : inputs) {
    std::error_code ec;
    if (!out.empty() && std::filesystem::equivalent(out, in, ec)) return Fail(out + ": is one of the movies read");
  }
  return kOk;
}

bool ParseJobs(const Args& a, int* jobs, std::string* error) {
  *jobs = 0;
  if (!a.Has("-j")) return true;
  if (!ParseIndex(a.Value("-j"), jobs) || *jobs < 1 || *jobs > 256) {
    *error = "-j takes a number of workers from 1 to 256";
    return false;
  }
  return true;
}

int NeedAviFiles(const std::vector<std::string>& files) {
  for (const std::string& f : files)
    if (SourceKindOf(f) != SourceKind::Avi) return Fail(f + ": the motion search runs over AVI movies only");
  return kOk;
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
  const auto listed = [](const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    // Short options with a value: "-j 2" or "-j2".
    if (a.size() >= 2 && a[0] == '-' && a[1] != '-' && listed(withValue, a.substr(0, 2))) {
      if (a.size() > 2) {
        out->flags.emplace_back(a.substr(0, 2), a.substr(2));
      } else if (i + 1 >= argc) {
        *error = "option " + a + " needs a value";
        return false;
      } else {
        out->flags.emplace_back(a, argv[++i]);
      }
      continue;
    }
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string value;
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
        a = a.substr(0, eq);
      }
      if (listed(bare, a)) {
        out->flags.emplace_back(a, "");
      } else if (listed(withValue, a)) {
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
