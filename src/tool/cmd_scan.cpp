// klvtool scan: every run of motion frames in AVI movies, as a table (CSV or
// JSON), a contact sheet with one picture a run, or a page with both and the
// runs' frames beside it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/frame_jobs.h"
#include "engine/motion_scan.h"
#include "engine/texts.h"
#include "export/contact_sheet.h"
#include "export/png_writer.h"
#include "export/scale.h"
#include "media/avi/avi_reader.h"
#include "platform/format.h"
#include "platform/output_file.h"
#include "tool/progress.h"
#include "tool/tool_avi.h"
#include "tool/tool_common.h"

namespace klv::tool {
namespace {

// A run of one file, with the camera's time of its first frame.
struct FileRun {
  int file = 0;
  MotionRun run;
  std::string time;  // "YYYY/MM/DD HH:MM:SS.CC" of its first frame
};

// The sheet shows at most this many runs, the first in time.
constexpr size_t kSheetRuns = 240;

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) out += Format("\\u%04x", c);
        else out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Table(const std::vector<std::string>& files, const std::vector<FileRun>& runs, bool json) {
  std::string out;
  if (!json) {
    out = "file,first,last,time,largest_difference\n";
    for (const FileRun& r : runs)
      out += Format("%s,%d,%d,%s,%d\n", CsvField(files[static_cast<size_t>(r.file)]).c_str(), r.run.first,
                    r.run.last, r.time.c_str(), r.run.largest);
    return out;
  }
  out = "[";
  for (size_t i = 0; i < runs.size(); ++i) {
    const FileRun& r = runs[i];
    out += Format("%s\n  {\"file\": %s, \"first\": %d, \"last\": %d, \"time\": %s, \"largest_difference\": %d}",
                  i == 0 ? "" : ",", JsonString(files[static_cast<size_t>(r.file)]).c_str(), r.run.first,
                  r.run.last, JsonString(r.time).c_str(), r.run.largest);
  }
  return out + (runs.empty() ? "" : "\n") + "]\n";
}

std::string RunFrames(const MotionRun& r) {
  return r.first == r.last ? Format("%d", r.first) : Format("%d-%d", r.first, r.last);
}

// The pictures of the runs' largest changes, read and decoded as playback
// would show them, each with its date and time.
struct PeakFrames {
  std::vector<FramePicture> thumbnails;  // fitted to the sheet's box
  std::vector<std::string> times;        // the camera's date and time of each
  std::vector<std::vector<uint8_t>> jpeg;  // the camera's bytes of each (when asked)
};

PeakFrames ReadPeaks(const std::vector<std::string>& files, const std::vector<FileRun>& runs, int boxWidth,
                     int boxHeight, bool keepBytes) {
  PeakFrames peaks;
  peaks.thumbnails.resize(runs.size());
  peaks.times.resize(runs.size());
  if (keepBytes) peaks.jpeg.resize(runs.size());
  // File by file, frames in order, so that each frame's tables come from a
  // walk of the headers in front of it.
  std::vector<size_t> order(runs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return runs[a].file != runs[b].file ? runs[a].file < runs[b].file : runs[a].run.peak < runs[b].run.peak;
  });
  std::unique_ptr<AviFrameCursor> movie;
  int file = -1;
  for (size_t k : order) {
    const FileRun& r = runs[k];
    if (r.file != file) {
      file = r.file;
      movie = std::make_unique<AviFrameCursor>();
      if (!movie->Open(files[static_cast<size_t>(file)])) movie.reset();
    }
    if (!movie) continue;
    if (movie->Decode(r.run.peak)) {
      const FramePicture& picture = movie->Picture();
      const PictureSize fit = FitSize(picture.Width(), picture.Height(), boxWidth, boxHeight);
      peaks.thumbnails[k] = ScalePicture(picture, fit.width, fit.height);
      if (keepBytes) {
        const std::span<const uint8_t> bytes = movie->Reader().FrameBytes();
        peaks.jpeg[k].assign(bytes.begin(), bytes.end());
      }
    }
    JpegDecoder stampWalk;
    const std::string time = FrameCameraTime(movie->Reader(), stampWalk, r.run.peak);
    peaks.times[k] = time.substr(0, time.rfind('.'));
  }
  return peaks;
}

std::string SheetTitle(const std::vector<std::string>& files, size_t runs, size_t shown, int threshold) {
  std::string what = files.size() == 1 ? std::filesystem::path(files[0]).filename().string()
                                       : Format("%zu movies", files.size());
  std::string title = Format("%s: %zu motion run%s (threshold %d)", what.c_str(), runs, runs == 1 ? "" : "s",
                             threshold);
  if (shown < runs) title += Format(", the first %zu shown", shown);
  return title;
}

}  // namespace

int CmdScan(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {"--threshold", "--format", "-j", "--sheet", "-o"}, &a, &err)) return Usage(err);
  const std::vector<std::string>& files = a.positional;
  if (files.empty()) return Usage("scan takes one or more FILEs");
  int threshold = 50;
  if (a.Has("--threshold") && !ParseThreshold(a.Value("--threshold"), &threshold))
    return Usage("--threshold takes a number from 1");
  const std::string format = a.Value("--format", "csv");
  if (format != "csv" && format != "json" && format != "html") return Usage("--format takes csv, json or html");
  const std::string out = a.Value("-o");
  if (format == "html" && out.empty()) return Usage("--format html writes a page: give it with -o PAGE.html");
  int jobs = 0;
  if (!ParseJobs(a, &jobs, &err)) return Usage(err);
  const std::string sheetPath = a.Value("--sheet");
  if (int r = NeedAviFiles(files)) return r;
  if (int r = RefuseToReplaceInput(out, files)) return r;
  if (int r = RefuseToReplaceInput(sheetPath, files)) return r;

  // A file that cannot be read is reported; the others are still scanned.
  int status = kOk;
  std::vector<ScanFile> scan;
  std::vector<int> fileOf;  // scan entry -> index in `files`
  for (size_t f = 0; f < files.size(); ++f) {
    AviReader avi;
    JpegDecoder decoder;
    if (OpenAviOrFail(avi, decoder, files[f]) != kOk) {
      status = kFailed;
      continue;
    }
    scan.push_back({files[f], avi.TotalFrames()});
    fileOf.push_back(static_cast<int>(f));
  }

  const std::atomic<bool>& interrupted = InterruptFlag();
  ScanResult scanned;
  {
    ProgressLine line("scanning");
    ScanOptions options;
    options.jobs = jobs;
    options.stopped = [&] { return interrupted.load(); };
    options.progress = [&](int64_t done, int64_t total) { line.Update(done, total); };
    scanned = ScanFrameChanges(scan, options);
  }
  if (scanned.stopped) return Interrupted("scan");

  std::vector<FileRun> runs;
  for (size_t s = 0; s < scan.size(); ++s) {
    if (scanned.failed[s]) {
      status = Fail(scan[s].path + ": cannot be read again");
      continue;
    }
    const std::vector<MotionRun> found = FindMotionRuns(scanned.changes[s], threshold);
    if (found.empty()) continue;
    AviReader avi;
    JpegDecoder decoder;
    avi.AviOpen(scan[s].path, decoder);
    for (const MotionRun& r : found) runs.push_back({fileOf[s], r, FrameCameraTime(avi, decoder, r.first)});
  }

  // The sheet and the page show the runs in the order the camera saw them.
  std::vector<FileRun> inTime = runs;
  std::stable_sort(inTime.begin(), inTime.end(), [](const FileRun& x, const FileRun& y) { return x.time < y.time; });
  std::vector<uint8_t> sheetPng;
  PeakFrames peaks;
  std::string title;
  if (!sheetPath.empty() || format == "html") {
    if (inTime.size() > kSheetRuns) inTime.resize(kSheetRuns);
    title = SheetTitle(files, runs.size(), inTime.size(), threshold);
    SheetOptions sheet;
    sheet.title = title;
    peaks = ReadPeaks(files, inTime, sheet.boxWidth, sheet.boxHeight, format == "html");
    std::vector<SheetItem> items;
    for (size_t k = 0; k < inTime.size(); ++k) {
      const FileRun& r = inTime[k];
      SheetItem item;
      item.thumbnail = std::move(peaks.thumbnails[k]);
      item.caption = {NameOf(files[static_cast<size_t>(r.file)]),
                      r.run.first == r.run.last ? Format("Frame %d", r.run.peak)
                                                : Format("Frame %d of %d-%d", r.run.peak, r.run.first, r.run.last),
                      peaks.times[k]};
      items.push_back(std::move(item));
    }
    const ContactSheet made = MakeContactSheet(items, sheet);
    if (made.picture.Empty()) return Fail("cannot make the contact sheet: " + made.error);
    sheetPng = EncodePng(made.picture, &err);
    if (sheetPng.empty()) return Fail("cannot make the contact sheet: " + err);
  }

  // What is written goes in whole or not at all; the page's frames go first,
  // and are taken away again when the page cannot be written.
  if (!sheetPath.empty() && !WriteFileAtomically(sheetPath, sheetPng, &err)) return Fail(err);
  if (format == "html") {
    namespace fs = std::filesystem;
    const fs::path page(out);
    const std::string folder = page.stem().string() + "_files";
    const fs::path folderPath = page.parent_path() / folder;
    std::vector<SheetRow> rows;
    std::vector<std::string> written;
    bool madeFolder = false;
    const auto undo = [&] {
      std::error_code ec;
      for (const std::string& f : written) fs::remove(f, ec);
      if (madeFolder) fs::remove(folderPath, ec);
    };
    for (size_t k = 0; k < inTime.size(); ++k) {
      const FileRun& r = inTime[k];
      SheetRow row;
      row.file = files[static_cast<size_t>(r.file)];
      row.frames = RunFrames(r.run);
      row.dateTime = r.time.substr(0, r.time.rfind('.'));
      row.largestDifference = r.run.largest;
      if (!peaks.jpeg[k].empty()) {
        std::error_code ec;
        if (!madeFolder && !fs::is_directory(folderPath)) {
          madeFolder = fs::create_directories(folderPath, ec);
          if (ec) return Fail("cannot write " + folderPath.string() + ": " + ec.message());
        }
        const std::string name = fs::path(row.file).stem().string() + Format("_%05d.jpg", r.run.peak);
        const std::string path = (folderPath / name).string();
        if (!WriteFileAtomically(path, peaks.jpeg[k], &err)) {
          undo();
          return Fail(err);
        }
        written.push_back(path);
        row.link = folder + "/" + name;
      }
      rows.push_back(std::move(row));
    }
    if (!WriteSheetHtml(out, title, sheetPng, rows, &err)) {
      undo();
      return Fail(err);
    }
    return status;
  }
  const std::string table = Table(files, runs, format == "json");
  if (!out.empty()) {
    if (!WriteFileAtomically(out, table, &err)) return Fail(err);
  } else {
    std::fputs(table.c_str(), stdout);
  }
  return status;
}

}  // namespace klv::tool
