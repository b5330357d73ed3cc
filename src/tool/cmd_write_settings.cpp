#include "tool/cmd_write_settings.h"

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "camera/camera_settings.h"

namespace klv::tool {

const char kWriteSettingsUsage[] =
    "  write-settings --profile player --card DIR --intervals S1,S2,S3\n"
    "                 [--flicker none|50|60] [--loop] [--expo-lock] [--time-offset 0|60|300]\n"
    "                 [--resolutions A,B,C,D] [--now \"YYYY-MM-DD HH:MM:SS\"]\n"
    "  write-settings --profile clock --card DIR --interval S [--flicker none|50|60]\n"
    "                 [--low-light on|off] --datetime \"YYYY-MM-DD HH:MM:SS\"\n"
    "                                    the camera settings file on the card folder DIR\n";

namespace {

int Usage(const std::string& why) {
  std::fprintf(stderr, "klvtool: write-settings: %s\nusage:\n%s", why.c_str(), kWriteSettingsUsage);
  return 2;
}

// A whole decimal number in [lo, hi].
bool ParseInt(std::string_view s, long lo, long hi, int* out) {
  if (s.empty() || s.size() > 9) return false;
  long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

bool ParseList(std::string_view s, size_t count, long lo, long hi, std::vector<int>* out) {
  out->clear();
  size_t pos = 0;
  while (true) {
    const size_t comma = s.find(',', pos);
    const std::string_view item =
        s.substr(pos, comma == std::string_view::npos ? s.npos : comma - pos);
    int v = 0;
    if (!ParseInt(item, lo, hi, &v)) return false;
    out->push_back(v);
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  return out->size() == count;
}

// "YYYY-MM-DD HH:MM:SS", a real calendar day.
bool ParseDateTime(std::string_view s, LocalDateTime* t) {
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
    return false;
  LocalDateTime r;
  if (!ParseInt(s.substr(0, 4), 1, 9999, &r.year) || !ParseInt(s.substr(5, 2), 0, 99, &r.month) ||
      !ParseInt(s.substr(8, 2), 0, 99, &r.day) || !ParseInt(s.substr(11, 2), 0, 99, &r.hour) ||
      !ParseInt(s.substr(14, 2), 0, 99, &r.minute) || !ParseInt(s.substr(17, 2), 0, 99, &r.second))
    return false;
  if (!IsValidLocalDateTime(r)) return false;
  *t = r;
  return true;
}

bool ParseFlicker(std::string_view s, int* code) {
  if (s == "none")
    *code = kFlickerNone;
  else if (s == "50")
    *code = kFlicker50Hz;
  else if (s == "60")
    *code = kFlicker60Hz;
  else
    return false;
  return true;
}

}  // namespace

int RunWriteSettings(int argc, char** argv) {
  static const std::set<std::string> kValued = {
      "--profile",     "--card", "--intervals", "--flicker",   "--time-offset",
      "--resolutions", "--now",  "--interval",  "--low-light", "--datetime"};
  static const std::set<std::string> kFlags = {"--loop", "--expo-lock"};
  std::map<std::string, std::string> opt;
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    std::string value;
    bool hasValue = false;
    if (const size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = a.substr(eq + 1);
      a = a.substr(0, eq);
      hasValue = true;
    }
    if (kFlags.count(a)) {
      if (hasValue) return Usage(a + " takes no value");
      opt[a];
    } else if (kValued.count(a)) {
      if (!hasValue) {
        if (i + 1 >= argc) return Usage(a + " needs a value");
        value = argv[++i];
      }
      if (opt.count(a)) return Usage(a + " given twice");
      opt[a] = value;
    } else {
      return Usage("unknown argument '" + a + "'");
    }
  }

  auto has = [&](const char* k) { return opt.count(k) != 0; };
  if (!has("--profile")) return Usage("--profile player|clock is required");
  if (!has("--card") || opt["--card"].empty()) return Usage("--card DIR is required");

  CameraSettingsValues v;
  v.card = opt["--card"];
  if (has("--flicker") && !ParseFlicker(opt["--flicker"], &v.flicker))
    return Usage("--flicker takes none, 50 or 60");

  const std::string& profile = opt["--profile"];
  if (profile == "player") {
    for (const char* k : {"--interval", "--low-light", "--datetime"})
      if (has(k)) return Usage(std::string(k) + " belongs to --profile clock");
    v.profile = CameraProfile::Player;
    std::vector<int> list;
    if (!has("--intervals") || !ParseList(opt["--intervals"], 3, 0, kTwentyFourHours, &list))
      return Usage("--intervals takes three numbers of seconds S1,S2,S3 (0-86400)");
    v.intervals = {list[0], list[1], list[2]};
    v.camMode = (has("--loop") ? 1 : 0) | (has("--expo-lock") ? 2 : 0);
    int offset = 0;
    if (has("--time-offset")) {
      if (!ParseInt(opt["--time-offset"], 0, 300, &offset) ||
          (offset != 0 && offset != 60 && offset != 300))
        return Usage("--time-offset takes 0, 60 or 300");
    }
    if (has("--resolutions")) {
      if (!ParseList(opt["--resolutions"], 4, 0, 2, &list))
        return Usage("--resolutions takes four indexes A,B,C,D (0-2)");
      v.withResolutions = true;
      for (size_t i = 0; i < 4; ++i) v.resolutions[i] = list[i];
    }
    LocalDateTime now = LocalNow();
    if (has("--now") && !ParseDateTime(opt["--now"], &now))
      return Usage("--now takes \"YYYY-MM-DD HH:MM:SS\"");
    v.clock = AddSeconds(now, offset);
  } else if (profile == "clock") {
    for (const char* k :
         {"--intervals", "--loop", "--expo-lock", "--time-offset", "--resolutions", "--now"})
      if (has(k)) return Usage(std::string(k) + " belongs to --profile player");
    v.profile = CameraProfile::ClockTool;
    int interval = 0;
    if (!has("--interval") || !ParseInt(opt["--interval"], 0, kTwentyFourHours, &interval))
      return Usage("--interval takes a number of seconds (0-86400)");
    v.intervals = {interval, 0, 0};
    int cutOff = 0;  // the clock tool's default: low-light recording ON
    if (has("--low-light")) {
      if (opt["--low-light"] == "on")
        cutOff = 0;
      else if (opt["--low-light"] == "off")
        cutOff = 50;
      else
        return Usage("--low-light takes on or off");
    }
    v.lowLightThreshold = LowLightThreshold(cutOff);
    if (!has("--datetime") || !ParseDateTime(opt["--datetime"], &v.clock))
      return Usage("--datetime \"YYYY-MM-DD HH:MM:SS\" is required");
  } else {
    return Usage("--profile takes player or clock");
  }

  std::string err;
  if (CameraSettingsWriter(v, &err) != 0) {
    std::fprintf(stderr, "klvtool: %s\n", err.c_str());
    return 1;
  }
  return 0;
}

}  // namespace klv::tool
