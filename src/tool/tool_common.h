#pragma once
#include <string>
#include <vector>

namespace klv::tool {

// Exit statuses: 0 success, 1 the file or operation failed, 2 usage.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// One line "klvtool: <message>" on stderr; returns kFailed.
int Fail(const std::string& message);
// One line "klvtool: <message>" and a pointer to --help; returns kUsage.
int Usage(const std::string& message);

// Parses a non-negative decimal integer; false when `text` is not one.
bool ParseIndex(const std::string& text, int* out);

// Splits arguments into positionals and flags ("--name" or "--name value"
// for the names in `withValue`; short ones such as "-j" take "-j 2" or
// "-j2"). Unknown flags are reported through `error`.
struct Args {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> flags;
  bool Has(const std::string& name) const;
  std::string Value(const std::string& name, const std::string& def = {}) const;
};
bool ParseArgs(int argc, char** argv, const std::vector<std::string>& bare,
               const std::vector<std::string>& withValue, Args* out, std::string* error);

int CmdInfo(int argc, char** argv);
int CmdFrame(int argc, char** argv);
int CmdTimes(int argc, char** argv);
int CmdDecode(int argc, char** argv);
int CmdSave(int argc, char** argv);
int CmdSearch(int argc, char** argv);
int CmdScan(int argc, char** argv);
int CmdExport(int argc, char** argv);
int CmdThumbnail(int argc, char** argv);

// A motion threshold: a number from 1.
bool ParseThreshold(const std::string& text, int* out);
// K:FRAME, a frame of the K-th file (K from 1 to `files`, FRAME from 0).
bool ParseFilePosition(const std::string& text, int files, int* k, int* frame);

// kFailed with one line when `out` is one of `inputs` (writing it would
// replace a movie being read), else kOk.
int RefuseToReplaceInput(const std::string& out, const std::vector<std::string>& inputs);

// -j N: decoding workers (0: one per core); false with a usage message when
// the value is not a number from 1.
bool ParseJobs(const Args& a, int* jobs, std::string* error);
// The files as a play list: AVI movies only, else one line and kFailed.
int NeedAviFiles(const std::vector<std::string>& files);

}  // namespace klv::tool
