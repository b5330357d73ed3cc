#include "engine/texts.h"

#include <filesystem>

#include "engine/control_ids.h"
#include "engine/message_kind.h"
#include "platform/format.h"

namespace klv {

const char* MessageText(MessageKind kind) {
  switch (kind) {
    case MessageKind::NoDir:
      return "Could not create directory for Camera Settings.  Please make sure you have "
             "selected the USB flash drive and connected it to the PC";
    case MessageKind::NotFound:
      return "File Not Found";
    case MessageKind::UnknownFormat:
      return "Unknown Format";
    case MessageKind::NoFrames:
      return "File Does Not Contain Any Frames";
  }
  return "";
}

std::string OpenFailureLine(const std::string& path, MessageKind kind, const std::string& reason) {
  std::string line = path + ": " + MessageText(kind);
  if (!reason.empty()) line += " (" + reason + ")";
  return line;
}

std::string AviOpenFailureLine(const std::string& path, const AviReader& avi, AviOpenStatus status) {
  // A movie without frames has a message of its own, which says it all.
  if (avi.TotalFrames() == 0) return OpenFailureLine(path, MessageKind::NoFrames, "");
  return OpenFailureLine(path, MessageKind::NotFound, AviOpenStatusText(status));
}

const char* ControlName(ControlId id) {
  static constexpr const char* kNames[] = {
#define KLV_CONTROL_NAME(name) #name,
      KLV_CONTROLS(KLV_CONTROL_NAME)
#undef KLV_CONTROL_NAME
  };
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == kControlCount);
  const int i = static_cast<int>(id);
  return i >= 0 && i < kControlCount ? kNames[i] : "?";
}

SourceKind SourceKindOf(std::string_view path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  if (ext == ".m4v") return SourceKind::Stream;
  if (ext == ".ztm") return SourceKind::Ztm;
  if (ext == ".avi") return SourceKind::Avi;
  return SourceKind::None;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string FrameLabel(int frameNumber) {
  // The camera software formats "%Frame %d"; its formatter prints the unknown
  // conversion "%F" as the letter F.
  return Format("Frame %d", frameNumber);
}

std::string ElapsedText(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const long long s = seconds;
  if (s < 86400) return Format("%lld:%2.2lld:%2.2lld", s / 3600, (s / 60) % 60, s % 60);
  return Format("days: %lld\n%lld:%2.2lld:%2.2lld", s / 86400, (s / 3600) % 24, (s / 60) % 60,
                s % 60);
}

std::string EventNumberText(int k, int eventCount) {
  return Format("%d of %d", k + 1, eventCount + 1);
}

std::string CaptureIntervalText(int seconds) {
  return Format("%2.2d:%2.2d:%2.2d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

std::string ZoomText(int zoom) {
  if (zoom == 0) return "Zoom = Variable";
  if (zoom >= 100) return Format("Zoom = %d", zoom / 100);
  return Format("Zoom = 0.%d", zoom);
}

std::string SuggestedFrameName(SourceKind kind, int number) {
  // By kind: none, AVI (the frame as stored), .m4v and .ztm (the picture).
  struct Form {
    const char* name;
    const char* extension;
  };
  static constexpr Form kForms[] = {
      {nullptr, nullptr}, {"ztfrm%5.5d", ".jpg"}, {"ztfrm%5.5d", ".bmp"}, {"ztfrm%6.6x", ".bmp"}};
  const Form& f = kForms[static_cast<int>(kind) & 3];
  if (f.name == nullptr) return {};
  return Format(f.name, number) + f.extension;
}

}  // namespace klv
