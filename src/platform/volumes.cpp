#include "platform/volumes.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace klv {
namespace {

// Fields of the mount table escape blanks, tabs, new lines and backslashes
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

// Number of non-empty path elements below the folder `dir` ("/media/"), or
// -1 when the path is not below it.
int DepthBelow(std::string_view path, std::string_view dir) {
  if (!StartsWith(path, dir)) return -1;
  int depth = 0;
  bool inName = false;
  for (char ch : path.substr(dir.size())) {
    if (ch == '/') {
      inName = false;
    } else if (!inName) {
      inName = true;
      ++depth;
    }
  }
  return depth;
}

// The system's own places, where no card is mounted by a user.
bool IsSystemMountPoint(std::string_view mp) {
  static constexpr std::string_view kPlaces[] = {
      "/boot", "/efi", "/proc", "/sys", "/dev",   "/run", "/snap", "/var", "/usr",
      "/etc",  "/opt", "/srv",  "/lib", "/lib64", "/bin", "/sbin", "/root"};
  if (mp == "/") return true;
  for (std::string_view p : kPlaces)
    if (mp == p || (StartsWith(mp, p) && mp.size() > p.size() && mp[p.size()] == '/')) return true;
  return false;
}

// File systems in memory, of the kernel, or made of images and layers.
bool IsPseudoFileSystem(std::string_view type) {
  static constexpr std::string_view kTypes[] = {
      "tmpfs",      "ramfs",      "proc",      "sysfs",       "devtmpfs", "devpts", "cgroup",
      "cgroup2",    "securityfs", "debugfs",   "tracefs",     "pstore",   "bpf",    "mqueue",
      "hugetlbfs",  "configfs",   "fusectl",   "binfmt_misc", "efivarfs", "autofs", "nsfs",
      "rpc_pipefs", "nfsd",       "selinuxfs", "overlay",     "squashfs", "swap"};
  return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
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

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    size_t end = line.find(' ', pos);
    if (end == std::string_view::npos) end = line.size();
    if (end > pos) out.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return out;
}

// "MAJOR:MINOR" in decimal, and a major of 0 means no block device behind
// the mount (network, FUSE, memory).
bool IsBlockDeviceNumber(std::string_view s) {
  const size_t colon = s.find(':');
  if (colon == 0 || colon == std::string_view::npos || colon + 1 == s.size()) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (i != colon && (s[i] < '0' || s[i] > '9')) return false;
  return s.substr(0, colon) != "0";
}

bool ReadsOne(const std::string& path) {
  std::ifstream in(path);
  char c = 0;
  return in.get(c) && c == '1';
}

}  // namespace

bool IsRemovableMountPoint(std::string_view mp) {
  return DepthBelow(mp, "/media/") >= 1 || DepthBelow(mp, "/run/media/") >= 2;
}

bool IsUserMountPoint(std::string_view mp) { return DepthBelow(mp, "/mnt/") >= 1; }

std::vector<Volume> ParseVolumes(std::string_view text, const RemovableDeviceFn& removableDevice) {
  std::vector<Volume> all;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> f = SplitBlanks(text.substr(pos, end - pos));
    pos = end + 1;
    // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
    const auto dash = std::find(f.begin() + std::min<size_t>(f.size(), 6), f.end(), "-");
    if (f.size() < 6 || f.end() - dash < 3) continue;
    Volume v;
    v.mountPoint = Unescape(f[4]);
    v.fsType = Unescape(dash[1]);
    v.device = Unescape(dash[2]);
    v.readOnly = HasOption(f[5], "ro") || (f.end() - dash > 3 && HasOption(dash[3], "ro"));
    v.label = LastName(v.mountPoint);
    if (v.mountPoint.empty() || v.mountPoint.front() != '/') continue;
    const bool removablePlace = IsRemovableMountPoint(v.mountPoint);
    const bool removableDev =
        removableDevice && IsBlockDeviceNumber(f[2]) && removableDevice(std::string(f[2]));
    v.removable = removablePlace || removableDev;
    const bool listed =
        !IsPseudoFileSystem(v.fsType) && (removablePlace || IsUserMountPoint(v.mountPoint) ||
                                          (removableDev && !IsSystemMountPoint(v.mountPoint)));
    // A later mount on the same point hides the earlier one, listed or not.
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](const Volume& o) { return o.mountPoint == v.mountPoint; }),
              all.end());
    if (listed) all.push_back(std::move(v));
  }
  std::stable_partition(all.begin(), all.end(), [](const Volume& v) { return v.removable; });
  return all;
}

std::vector<Volume> ListVolumes(const VolumeSources& from) {
  std::ifstream in(from.mountInfo);
  if (!in) return {};
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string sys = from.sysDevBlock;
  std::vector<Volume> vols = ParseVolumes(text, [&sys](const std::string& majorMinor) {
    // A partition has no flag of its own; its disk is the folder above it.
    const std::string dev = sys + "/" + majorMinor;
    struct stat st {};
    if (::stat((dev + "/removable").c_str(), &st) == 0) return ReadsOne(dev + "/removable");
    return ReadsOne(dev + "/../removable");
  });
  vols.erase(std::remove_if(vols.begin(), vols.end(),
                            [](const Volume& v) {
                              struct stat st {};
                              return ::stat(v.mountPoint.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
                            }),
             vols.end());
  return vols;
}

}  // namespace klv
