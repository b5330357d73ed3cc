// The card box's list of volumes, from mount tables as the kernel writes them.
#include "platform/volumes.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace klv {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> MountPoints(const std::vector<Volume>& v) {
  std::vector<std::string> out;
  for (const Volume& x : v) out.push_back(x.mountPoint);
  return out;
}

// A desktop's table: system mounts, memory and kernel file systems, a snap,
// a container layer, cards where the desktop mounts them, the user's own
// mounts, and removable devices mounted by hand elsewhere.
constexpr char kDesktop[] =
    "22 1 0:21 / /sys rw,nosuid shared:7 - sysfs sysfs rw\n"
    "23 1 0:22 / /proc rw shared:12 - proc proc rw\n"
    "26 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
    "27 26 259:1 / /boot/efi rw shared:30 - vfat /dev/nvme0n1p1 rw\n"
    "28 26 0:25 / /run rw,nosuid shared:5 - tmpfs tmpfs rw,size=1600k\n"
    "29 26 7:3 / /snap/core/1 ro shared:40 master:3 - squashfs /dev/loop3 ro\n"
    "30 26 259:3 / /home rw shared:31 - ext4 /dev/nvme0n1p3 rw\n"
    "31 26 0:50 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
    "32 26 8:17 / /media/ann/CAM\\040CARD rw,nosuid,nodev shared:90 - vfat /dev/sdb1 rw\n"
    "33 28 0:60 / /run/media/bob rw shared:91 - tmpfs tmpfs rw\n"
    "34 33 8:33 / /run/media/bob/KELVARN rw shared:92 - vfat /dev/sdc1 ro\n"
    "35 26 259:4 / /mnt/data rw - ext4 /dev/nvme0n1p4 rw\n"
    "36 26 0:61 / /mnt/wsl rw - tmpfs none rw\n"
    "37 30 8:49 / /home/ann/stick rw - exfat /dev/sdd1 rw\n"
    "38 26 8:65 / /boot rw - ext4 /dev/sde1 rw\n"
    "39 26 0:62 / /mnt/share rw - fuse.sshfs ann@host:/ rw\n"
    "40 26 ../8:49 / /home/ann/odd rw - vfat /dev/sdd1 rw\n"
    "garbage\n"
    "41 26 8:81 / /media/x rw\n"
    "\n";

// Asked only about real device numbers.
bool RemovableDisks(const std::string& majorMinor) {
  EXPECT_TRUE(majorMinor.find('/') == std::string::npos && majorMinor.rfind("0:", 0) != 0)
      << majorMinor;
  return majorMinor == "8:17" || majorMinor == "8:49" || majorMinor == "8:65";
}

TEST(Volumes, CardsAndUserMountsOnlyRemovableFirst) {
  const std::vector<Volume> v = ParseVolumes(kDesktop, RemovableDisks);
  EXPECT_EQ(MountPoints(v),
            (std::vector<std::string>{"/media/ann/CAM CARD", "/run/media/bob/KELVARN",
                                      "/home/ann/stick", "/mnt/data", "/mnt/share"}));
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[0].label, "CAM CARD");
  EXPECT_EQ(v[0].device, "/dev/sdb1");
  EXPECT_EQ(v[0].fsType, "vfat");
  EXPECT_FALSE(v[0].readOnly);
  EXPECT_TRUE(v[1].readOnly);  // read-only by its file system's options
  EXPECT_TRUE(v[2].removable);
  EXPECT_FALSE(v[3].removable);
  EXPECT_FALSE(v[4].removable);

  // Without the device flags, cards are known by where they are mounted.
  EXPECT_EQ(MountPoints(ParseVolumes(kDesktop)),
            (std::vector<std::string>{"/media/ann/CAM CARD", "/run/media/bob/KELVARN", "/mnt/data",
                                      "/mnt/share"}));
}

TEST(Volumes, LaterMountHidesEarlier) {
  const std::vector<Volume> v = ParseVolumes(
      "1 0 8:17 / /media/u/X rw - vfat /dev/sdb1 rw\n"
      "2 0 8:33 / /media/u/X ro - exfat /dev/sdc1 rw\n"
      "3 0 8:49 / /media/u/Y rw - vfat /dev/sdd1 rw\n"
      "4 0 0:70 / /media/u/Y rw - tmpfs tmpfs rw\n");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].device, "/dev/sdc1");
  EXPECT_TRUE(v[0].readOnly);
}

TEST(Volumes, Places) {
  EXPECT_TRUE(IsRemovableMountPoint("/media/CARD"));
  EXPECT_TRUE(IsRemovableMountPoint("/run/media/u/CARD"));
  EXPECT_FALSE(IsRemovableMountPoint("/run/media/u"));
  EXPECT_FALSE(IsRemovableMountPoint("/media/"));
  EXPECT_FALSE(IsRemovableMountPoint("/mediafoo/x"));
  EXPECT_FALSE(IsRemovableMountPoint("/mnt/card"));
  EXPECT_TRUE(IsUserMountPoint("/mnt/card"));
  EXPECT_FALSE(IsUserMountPoint("/mnt"));
  EXPECT_FALSE(IsUserMountPoint("/mnt/"));
}

// The machine's reading: a planted mount table and device folders laid out
// as the kernel's, where a partition's flag is its disk's.
TEST(Volumes, ListReadsTheTableAndTheDeviceFlags) {
  char tmpl[] = "/tmp/klv_volumes_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  const fs::path sys = dir / "block";
  auto disk = [&](const char* name, const char* removable) {
    fs::create_directories(sys / name / (std::string(name) + "1"));
    std::ofstream(sys / name / "removable") << removable << "\n";
  };
  disk("sdb", "1");
  disk("sda", "0");
  fs::create_directory_symlink("sdb/sdb1", sys / "8:17");  // a partition
  fs::create_directory_symlink("sda/sda1", sys / "8:1");
  fs::create_directory_symlink("sdb", sys / "8:16");  // a whole disk
  fs::create_directories(dir / "stick");
  std::ofstream(dir / "bound") << "x";
  const std::string d = dir.string();
  std::ofstream(dir / "mountinfo") << "1 0 8:1 / " << d << "/fixed rw - ext4 /dev/sda1 rw\n"
                                   << "2 0 8:17 / " << d << "/stick rw - vfat /dev/sdb1 rw\n"
                                   << "3 0 8:16 / " << d << "/bound rw - vfat /dev/sdb rw\n"
                                   << "4 0 8:1 / /mnt/gone rw - ext4 /dev/sda1 rw\n";

  const std::vector<Volume> v = ListVolumes({(dir / "mountinfo").string(), sys.string()});
  // The stick by its disk's flag; the fixed disk left out; a file bound over
  // a file is no folder; a mount point that cannot be looked at stays.
  EXPECT_EQ(MountPoints(v), (std::vector<std::string>{d + "/stick", "/mnt/gone"}));
  EXPECT_TRUE(ListVolumes({(dir / "none").string(), sys.string()}).empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace klv
