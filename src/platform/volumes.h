#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace klv {

// A mounted file system that could stand for the camera's card.
struct Volume {
  std::string mountPoint;
  std::string device;
  std::string fsType;
  bool removable = false;  // a removable device, or mounted where desktops put removable media
  bool readOnly = false;
  std::string label;  // the mount point's last name
};

// Where the volumes are read from; tests plant their own.
struct VolumeSources {
  std::string mountInfo = "/proc/self/mountinfo";
  // MAJOR:MINOR entries of block devices; a device is removable when its
  // "removable" flag, or its disk's for a partition, reads 1.
  std::string sysDevBlock = "/sys/dev/block";
};

// Tells whether the block device "MAJOR:MINOR" is removable.
using RemovableDeviceFn = std::function<bool(const std::string& majorMinor)>;

// The volumes in the text of a mountinfo file that can hold a card: mounts
// under /media/, /run/media/USER/ and /mnt/, and removable devices mounted
// anywhere but the system's own places. The root, system mounts and memory,
// kernel and overlay file systems are left out. Removable media come first,
// each group in the table's order; a mount point listed twice keeps its last
// entry, which is the one in force. Without removableDevice no device counts
// as removable by itself.
std::vector<Volume> ParseVolumes(std::string_view mountInfo,
                                 const RemovableDeviceFn& removableDevice = {});

// The volumes now; mount points that are not folders (files bound into a
// container) are left out. An unreadable mount table gives none.
std::vector<Volume> ListVolumes(const VolumeSources& from = {});

// Where desktops mount removable media: /media/NAME..., /run/media/USER/NAME...
bool IsRemovableMountPoint(std::string_view mountPoint);
// Where users mount file systems of their own: /mnt/NAME...
bool IsUserMountPoint(std::string_view mountPoint);

}  // namespace klv
