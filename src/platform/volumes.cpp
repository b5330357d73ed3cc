#include "platform/volumes.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace klv {
namespace {

// Fields of the mounts file escape blanks, tabs, new lines and backslashes
// as three octal digits.
std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// Number of non-empty path elements after prefix.
int DepthBelow(std::string_view path, std::string_view prefix) {
  if (!StartsWith(path, prefix)) return -1;
  std::string_view rest = path.substr(prefix.size());
  int depth = 0;
  bool inName = false;
  for (char ch : rest) {
    if (ch == '/') {
      inName = false;
    } else if (!inName) {
      inName = true;
      ++depth;
    }
  }
  return depth;
}

bool IsSystemMountPoint(std::string_view mp) {
  static const std::string_view kPrefixes[] = {"/boot", "/snap/", "/var/lib/", "/proc",
                                               "/sys",  "/dev",   "/run/",     "/efi"};
  for (std::string_view p : kPrefixes)
    if (StartsWith(mp, p)) return true;
  return false;
}

bool HasOption(std::string_view options, std::string_view opt) {
  size_t pos = 0;
  while (pos <= options.size()) {
    size_t end = options.find(',', pos);
    if (end == std::string_view::npos) end = options.size();
    if (options.substr(pos, end - pos) == opt) return true;
    pos = end + 1;
  }
  return false;
}

std::string LastName(const std::string& mp) {
  std::string s = mp;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  if (s == "/") return s;
  const size_t slash = s.find_last_of('/');
  return slash == std::string::npos ? s : s.substr(slash + 1);
}

}  // namespace

bool IsRemovableMountPoint(std::string_view mp) {
  return DepthBelow(mp, "/media/") >= 1 || DepthBelow(mp, "/run/media/") >= 2 ||
         DepthBelow(mp, "/mnt/") >= 1;
}

std::vector<Volume> ParseVolumes(std::string_view text) {
  std::vector<Volume> all;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string line(text.substr(pos, end - pos));
    pos = end + 1;
    std::istringstream in(line);
    std::string dev, mp, type, opts;
    if (!(in >> dev >> mp >> type)) continue;
    in >> opts;
    Volume v;
    v.device = Unescape(dev);
    v.mountPoint = Unescape(mp);
    v.fsType = type;
    v.readOnly = HasOption(opts, "ro");
    v.removable = IsRemovableMountPoint(v.mountPoint);
    v.label = LastName(v.mountPoint);
    if (v.mountPoint.empty() || v.mountPoint.front() != '/') continue;
    const bool onBlockDevice = StartsWith(v.device, "/dev/") && !StartsWith(v.device, "/dev/loop");
    if (!v.removable && (!onBlockDevice || IsSystemMountPoint(v.mountPoint))) continue;
    if (v.fsType == "squashfs" || v.fsType == "swap") continue;
    // A later mount on the same point hides the earlier one.
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](const Volume& o) { return o.mountPoint == v.mountPoint; }),
              all.end());
    all.push_back(std::move(v));
  }
  std::stable_partition(all.begin(), all.end(), [](const Volume& v) { return v.removable; });
  return all;
}

std::vector<Volume> ListVolumes() {
  std::ifstream in("/proc/self/mounts");
  if (!in) return {};
  std::stringstream ss;
  ss << in.rdbuf();
  std::vector<Volume> vols = ParseVolumes(ss.str());
  vols.erase(std::remove_if(vols.begin(), vols.end(),
                            [](const Volume& v) {
                              struct stat st {};
                              return ::stat(v.mountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
                            }),
             vols.end());
  return vols;
}

}  // namespace klv
