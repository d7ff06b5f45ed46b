// The working directory and every file operation of the program. Paths are
// written as the program's own names ("DATA\global.dmt"): "\" separates the
// components and each component matches an existing entry regardless of
// letter case; a missing entry takes the spelling given. Text files are
// Windows-1251 with CR LF line ends on disk and UTF-8 inside the program.
//
// The program keeps to its working directory: every path is checked before a
// file is opened, and a path that leads outside - through "..", through a
// symbolic link at the file itself or through a linked folder on the way - is
// refused; a link that stays inside is followed. Only regular files are read
// or written: a folder, a FIFO or a device in the place of a file is refused
// at once instead of being waited on. A file that replaces another is written
// beside it under a name of its own, flushed to the disk and renamed over the
// old one, so a failed save leaves the old file whole and nothing else behind.
// Every failure raises IoError, its text in Russian naming the program path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tps {

class WorkDir {
 public:
  WorkDir() : root_(std::filesystem::current_path()) {}
  explicit WorkDir(std::filesystem::path root) : root_(std::move(root)) {}

  const std::filesystem::path& Root() const { return root_; }

  // The file system path of a program path. With createDirs the missing
  // directories on the way are created with the spelling given. A path that
  // leads outside the working directory raises IoError.
  std::filesystem::path Resolve(std::string_view name, bool createDirs = false) const;
  // Whether the file (or folder) exists. A path that leads outside counts as
  // present: opening it raises the IoError that refuses it.
  bool Exists(std::string_view name) const;

  // A copy whose writes (replace, append, truncate, delete) go into the
  // folder `folder` of this working directory while its reads still come
  // from the working directory itself: runs made side by side keep their
  // reports and loss files apart. Such scratch files are not flushed to the
  // disk: the one kept is copied into place by a flushed write.
  WorkDir WritingInto(std::string folder) const {
    WorkDir w = *this;
    w.writeFolder_ = std::move(folder);
    w.flush_ = false;
    return w;
  }
  // Whether a replaced file reaches the disk before the rename.
  bool Flushes() const { return flush_; }
  // The program path a write of `name` goes to.
  std::string WritePath(std::string_view name) const {
    return writeFolder_.empty() ? std::string(name) : writeFolder_ + "\\" + std::string(name);
  }

 private:
  std::filesystem::path root_;
  std::string writeFolder_;
  bool flush_ = true;
};

using Bytes = std::vector<uint8_t>;

// No loader reads more of a file than this; a larger file is refused as too
// large before anything of it is read.
inline constexpr size_t kMaxReadBytes = size_t(256) << 20;

Bytes ReadFileBytes(const WorkDir& wd, std::string_view name);
// The same with the limit of a loader that knows how large its file can be.
Bytes ReadFileBytes(const WorkDir& wd, std::string_view name, size_t maxBytes);
// Both writers replace the file through a temporary file and a rename, so the
// old file stays whole when the write fails.
void WriteFileBytes(const WorkDir& wd, std::string_view name, const Bytes& data);
void WriteFileBytesAtomic(const WorkDir& wd, std::string_view name, const Bytes& data);

// Text files: lines in UTF-8 go out as Windows-1251, each ended by CR LF.
void WriteTextLines(const WorkDir& wd, std::string_view name, const std::vector<std::string>& lines);
void AppendTextLines(const WorkDir& wd, std::string_view name, const std::vector<std::string>& lines);
// Raw text (already containing its line breaks as "\r\n"), converted to the code page.
void WriteText(const WorkDir& wd, std::string_view name, std::string_view utf8);
void AppendText(const WorkDir& wd, std::string_view name, std::string_view utf8);
// Reads a text file into lines (CR LF or LF), converted to UTF-8. A last line
// without a line break is kept.
std::vector<std::string> ReadTextLines(const WorkDir& wd, std::string_view name);
std::vector<std::string> ReadTextLines(const WorkDir& wd, std::string_view name, size_t maxBytes);
std::string ReadText(const WorkDir& wd, std::string_view name);
std::string ReadText(const WorkDir& wd, std::string_view name, size_t maxBytes);
// Create or truncate (an empty file replaces the old one).
void TruncateFile(const WorkDir& wd, std::string_view name);
void DeleteFile(const WorkDir& wd, std::string_view name);

// Files that belong together (the loss series of a run, its chart data, the
// report): each is written beside its place under a temporary name of its
// own and flushed, and only when every one is complete are they renamed into
// place, one right after another. A failed write renames none of them and
// leaves nothing behind. A reader that must not mix two sets checks an
// identity one file keeps of the other (the chart data names its loss
// series), which also shows the instant between two renames.
struct FileImage {
  std::string Name;  // program path
  Bytes Data;
};
void WriteFileSet(const WorkDir& wd, const std::vector<FileImage>& files);

// One writer per working directory: an exclusive advisory lock (flock) on
// the file kWorkDirLockFile inside it. Every command and window run that
// writes results or scratch files holds it; readers take none. The kernel
// releases it when the holder ends in any way, a kill included.
inline constexpr const char* kWorkDirLockFile = ".tpscalc.lock";
inline constexpr const char* kWorkDirBusyMessage = "Рабочая папка занята другим расчётом…";

class WorkDirLock {
 public:
  WorkDirLock() = default;
  ~WorkDirLock();
  WorkDirLock(WorkDirLock&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  WorkDirLock& operator=(WorkDirLock&& o) noexcept;
  WorkDirLock(const WorkDirLock&) = delete;
  WorkDirLock& operator=(const WorkDirLock&) = delete;

  // One attempt: true when this object holds the lock now (also when it held
  // it already). IoError when the lock file cannot be opened.
  bool TryAcquire(const WorkDir& wd);
  // Attempts until the lock is held; between attempts `keepWaiting` is
  // called (it waits a little, shows the wait, processes the window's
  // events) and ends the wait by returning false. Returns whether it is held.
  bool Acquire(const WorkDir& wd, const std::function<bool()>& keepWaiting);
  bool Held() const { return fd_ >= 0; }
  void Release();

 private:
  int fd_ = -1;
};

// Scratch left by processes that are gone: the folders "Temp\study-<pid>-<k>"
// of the studies' runs and the temporary files "<name>.<pid>-<k>.tmp" of the
// writers (in the working directory and its folders). A process that still
// runs keeps its own. Returns the number of entries removed; what cannot be
// removed is left.
size_t RemoveStaleScratch(const WorkDir& wd);
// The scratch folders of this process ("Temp\study-<own pid>-<k>"): the
// clean-up of a command on its way out, whatever ended it.
size_t RemoveOwnScratch(const WorkDir& wd);
// Whether the process of that id runs (it may belong to another user).
bool ProcessAlive(long pid);

// Little-endian record building and reading.
class ByteWriter {
 public:
  void U8(uint8_t v) { b_.push_back(v); }
  void U16(uint16_t v) { Raw(&v, 2); }
  void I16(int16_t v) { Raw(&v, 2); }
  void U32(uint32_t v) { Raw(&v, 4); }
  void I32(int32_t v) { Raw(&v, 4); }
  void F64(double v) { Raw(&v, 8); }
  void Zeros(size_t n) { b_.insert(b_.end(), n, 0); }
  void Raw(const void* p, size_t n) {
    const uint8_t* q = static_cast<const uint8_t*>(p);
    b_.insert(b_.end(), q, q + n);
  }
  const Bytes& Data() const { return b_; }
  Bytes Take() { return std::move(b_); }

 private:
  Bytes b_;
};

// Reads little-endian fields; any read past the end raises IoError.
class ByteReader {
 public:
  ByteReader(const Bytes& b, std::string name) : b_(b), name_(std::move(name)) {}
  uint8_t U8();
  uint16_t U16();
  int16_t I16();
  uint32_t U32();
  int32_t I32();
  double F64();
  void Raw(void* p, size_t n);
  void Skip(size_t n);
  size_t Pos() const { return pos_; }
  size_t Left() const { return b_.size() - pos_; }
  bool AtEnd() const { return pos_ >= b_.size(); }

 private:
  void Need(size_t n);
  const Bytes& b_;
  std::string name_;
  size_t pos_ = 0;
};

}  // namespace tps
