#include "params/fileio.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <system_error>

#include "params/conv.h"
#include "params/errors.h"

namespace fs = std::filesystem;

namespace tps {

namespace {

std::vector<std::string> SplitName(std::string_view name) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : name) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

[[noreturn]] void Fail(const char* what, std::string_view name) {
  throw IoError(what + std::string(name));
}

[[noreturn]] void FailOutside(std::string_view name) {
  Fail("Путь ведёт за пределы рабочей папки: ", name);
}

// What a file system entry is, for a message that refuses it in the place of
// a file.
[[noreturn]] void FailNotRegular(mode_t mode, std::string_view name) {
  if (S_ISDIR(mode)) Fail("Вместо файла папка: ", name);
  if (S_ISFIFO(mode)) Fail("Вместо файла канал (FIFO): ", name);
  if (S_ISCHR(mode) || S_ISBLK(mode)) Fail("Вместо файла устройство: ", name);
  if (S_ISSOCK(mode)) Fail("Вместо файла сокет: ", name);
  if (S_ISLNK(mode)) Fail("Вместо файла ссылка: ", name);
  Fail("Вместо файла не обычный файл: ", name);
}

enum class Op { Read, Write, Delete };

// The message of a failed system call on the file name.
[[noreturn]] void FailErrno(int err, Op op, std::string_view name) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      Fail("Файл не найден: ", name);
    case EACCES:
    case EPERM:
    case EROFS:
      Fail("Нет доступа к файлу: ", name);
    case EISDIR:
      Fail("Вместо файла папка: ", name);
    case ELOOP:
      Fail("Вместо файла ссылка: ", name);
    case ENOSPC:
    case EDQUOT:
      Fail("Нет места на диске для файла: ", name);
    case ENAMETOOLONG:
      Fail("Слишком длинное имя файла: ", name);
    default:
      break;
  }
  switch (op) {
    case Op::Read:
      Fail("Ошибка чтения файла: ", name);
    case Op::Write:
      Fail("Ошибка записи файла: ", name);
    case Op::Delete:
      break;
  }
  Fail("Не удалось удалить файл: ", name);
}

// The real path of the working directory, the one every file must lie under.
fs::path RealRoot(const fs::path& root) {
  std::error_code ec;
  fs::path real = fs::canonical(root, ec);
  if (ec) real = fs::weakly_canonical(fs::absolute(root, ec), ec);
  return real;
}

bool IsUnder(const fs::path& p, const fs::path& root) {
  auto it = p.begin();
  for (const fs::path& c : root) {
    if (it == p.end() || *it != c) return false;
    ++it;
  }
  return true;
}

// Where a symbolic link leads, every link on the way followed, also one that
// leads to a file not yet made.
fs::path FollowLink(fs::path link) {
  std::error_code ec;
  for (int hops = 0; hops < 40; ++hops) {
    fs::path target = fs::read_symlink(link, ec);
    if (ec) return {};
    if (target.is_relative()) target = link.parent_path() / target;
    link = fs::weakly_canonical(target, ec);
    if (ec) return {};
    if (!fs::is_symlink(fs::symlink_status(link, ec))) return link;
  }
  return {};
}

// The entry of the real directory dir whose name matches part regardless of
// case, or dir / part when there is none.
fs::path MatchEntry(const fs::path& dir, const std::string& part) {
  std::error_code ec;
  fs::path exact = dir / part;
  if (fs::symlink_status(exact, ec).type() != fs::file_type::not_found && !ec) return exact;
  std::string want = LowerName(part);
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (LowerName(it->path().filename().string()) == want) return it->path();
  }
  return exact;
}

// A program path found in the working directory: the path as the working
// directory spells it, the entry itself in its real folder (a link, if it is
// one), the real path with every link resolved, checked to lie inside, and
// the program path up to it (for messages about the folders on the way).
struct Place {
  fs::path Spelled;
  fs::path Entry;
  fs::path Real;
  std::string Name;
};

Place Locate(const fs::path& root, std::string_view name, bool createDirs) {
  const fs::path realRoot = RealRoot(root);
  std::vector<std::string> parts;
  for (std::string& p : SplitName(name))
    if (p != ".") parts.push_back(std::move(p));
  Place at{root, realRoot, realRoot, ""};
  std::vector<Place> up;  // for ".."
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i] == "..") {
      if (up.empty()) FailOutside(name);
      at = up.back();
      up.pop_back();
      continue;
    }
    up.push_back(at);
    fs::path entry = MatchEntry(at.Real, parts[i]);
    at.Spelled /= entry.filename();
    at.Entry = entry;
    at.Real = entry;
    if (!at.Name.empty()) at.Name += '\\';
    at.Name += parts[i];
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(entry, ec))) {
      at.Real = FollowLink(entry);
      if (at.Real.empty()) Fail("Ссылка никуда не ведёт: ", name);
    }
    if (!IsUnder(at.Real, realRoot)) FailOutside(name);
    if (i + 1 == parts.size() || !createDirs) continue;
    fs::file_status st = fs::symlink_status(at.Real, ec);
    if (st.type() == fs::file_type::directory) continue;
    if (st.type() != fs::file_type::not_found) Fail("Вместо папки файл: ", at.Name);
    if (::mkdir(at.Real.c_str(), 0777) != 0 && errno != EEXIST) {
      if (errno == EACCES || errno == EPERM || errno == EROFS) Fail("Нет доступа к папке: ", at.Name);
      Fail("Не удалось создать папку: ", at.Name);
    }
  }
  return at;
}

// A file descriptor closed on every way out.
struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(Fd&& o) noexcept : fd(o.Release()) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      if (fd >= 0) ::close(fd);
      fd = o.Release();
    }
    return *this;
  }
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  int Release() {
    int f = fd;
    fd = -1;
    return f;
  }
};

// Opens the folder that holds the file and makes sure it is the folder that
// was checked: a folder swapped for a link after the check is caught here.
// The file itself is then opened relative to this folder, never through a
// link at its own name.
Fd OpenFolderOf(const fs::path& file, const fs::path& realRoot, Op op, std::string_view name) {
  if (file == realRoot) Fail("Вместо файла папка: ", name);  // the working directory itself
  fs::path dir = file.parent_path();
  Fd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.fd < 0) FailErrno(errno, op, name);
  char buf[PATH_MAX + 1];
  std::string self = "/proc/self/fd/" + std::to_string(d.fd);
  ssize_t n = ::readlink(self.c_str(), buf, PATH_MAX);
  if (n > 0) {
    if (!IsUnder(fs::path(std::string(buf, static_cast<size_t>(n))), realRoot)) FailOutside(name);
  } else {
    // Without /proc: the folder opened must be the very folder checked.
    struct stat opened {
    }, checked{};
    if (::fstat(d.fd, &opened) != 0 || ::lstat(dir.c_str(), &checked) != 0 ||
        opened.st_dev != checked.st_dev || opened.st_ino != checked.st_ino)
      FailOutside(name);
  }
  return d;
}

Bytes ReadAll(const WorkDir& wd, std::string_view name, size_t maxBytes) {
  const fs::path realRoot = RealRoot(wd.Root());
  Place at = Locate(wd.Root(), name, false);
  Fd dir = OpenFolderOf(at.Real, realRoot, Op::Read, name);
  // Non-blocking, so that a FIFO in the place of the file does not wait for
  // a writer; it is refused by its type below.
  Fd f(::openat(dir.fd, at.Real.filename().c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  if (f.fd < 0) FailErrno(errno, Op::Read, name);
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) FailErrno(errno, Op::Read, name);
  if (!S_ISREG(st.st_mode)) FailNotRegular(st.st_mode, name);
  auto tooLarge = [&] {
    std::string limit = maxBytes >= (size_t(1) << 20) && maxBytes % (size_t(1) << 20) == 0
                            ? std::to_string(maxBytes >> 20) + " МБ"
                            : std::to_string(maxBytes) + " байт";
    throw IoError("Файл слишком велик (больше " + limit + "): " + std::string(name));
  };
  if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > maxBytes) tooLarge();
  // One byte more than the file holds, so that its end is seen without
  // growing the buffer.
  Bytes data(std::min(maxBytes, static_cast<size_t>(st.st_size)) + 1);
  size_t got = 0;
  for (;;) {
    // A file that grows while it is read is followed up to the limit.
    if (got == data.size()) {
      if (data.size() > maxBytes) tooLarge();
      data.resize(std::min(maxBytes + 1, data.size() + 65536));
    }
    ssize_t n = ::read(f.fd, data.data() + got, data.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailErrno(errno, Op::Read, name);
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > maxBytes) tooLarge();
  data.resize(got);
  return data;
}

// The entry at the file's own place in its folder: refused unless it is a
// regular file or absent.
void CheckPlaceOfFile(int dirFd, const Place& at, Op op, std::string_view name) {
  struct stat st {};
  const std::string leaf = at.Real.filename().string();
  if (::fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISREG(st.st_mode)) FailNotRegular(st.st_mode, name);
    // A read-only file stays read-only, although its folder would let a new
    // file take its place.
    if (::faccessat(dirFd, leaf.c_str(), W_OK, AT_EACCESS) != 0) FailErrno(errno, op, name);
  } else if (errno != ENOENT) {
    FailErrno(errno, op, name);
  }
}

bool WriteFully(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// A temporary file written beside its place and not yet renamed into it.
struct Pending {
  Fd Dir;
  std::string Tmp, Leaf, Name;
};

// The number of a temporary file, unique within the process.
unsigned NextTmpNumber() {
  static std::atomic<unsigned> counter{0};
  return counter++;
}

// The data go into a temporary file of a name of its own beside the file
// (the process id and a counter, so two runs in one working directory never
// share one) and are flushed to the disk. The temporary file is removed on
// every failure.
Pending WriteBeside(const WorkDir& wd, std::string_view asked, const void* data, size_t n) {
  Pending p;
  p.Name = wd.WritePath(asked);
  const std::string_view name = p.Name;
  const fs::path realRoot = RealRoot(wd.Root());
  Place at = Locate(wd.Root(), name, true);
  p.Dir = OpenFolderOf(at.Real, realRoot, Op::Write, name);
  CheckPlaceOfFile(p.Dir.fd, at, Op::Write, name);
  p.Leaf = at.Real.filename().string();
  Fd f;
  for (int attempt = 0; f.fd < 0; ++attempt) {
    p.Tmp = p.Leaf.substr(0, 200) + "." + std::to_string(::getpid()) + "-" + std::to_string(NextTmpNumber()) +
            ".tmp";
    f.fd = ::openat(p.Dir.fd, p.Tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (f.fd < 0 && (errno != EEXIST || attempt == 100)) FailErrno(errno, Op::Write, name);
  }
  bool ok = WriteFully(f.fd, data, n) && (!wd.Flushes() || ::fsync(f.fd) == 0);
  int err = ok ? 0 : errno;
  if (::close(f.Release()) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlinkat(p.Dir.fd, p.Tmp.c_str(), 0);
    FailErrno(err, Op::Write, name);
  }
  return p;
}

// Renames the temporary files into place in their order; the ones not yet
// renamed when a rename fails are removed.
void RenameIntoPlace(const WorkDir& wd, std::vector<Pending>& pending) {
  for (size_t i = 0; i < pending.size(); ++i) {
    Pending& p = pending[i];
    if (::renameat(p.Dir.fd, p.Tmp.c_str(), p.Dir.fd, p.Leaf.c_str()) != 0) {
      const int err = errno;
      for (size_t k = i; k < pending.size(); ++k) ::unlinkat(pending[k].Dir.fd, pending[k].Tmp.c_str(), 0);
      FailErrno(err, Op::Write, p.Name);
    }
  }
  if (wd.Flushes())
    for (Pending& p : pending)
      ::fsync(p.Dir.fd);  // the renames themselves reach the disk; a folder that cannot is no failure
}

// Replaces the file through a temporary file beside it and a rename.
void Replace(const WorkDir& wd, std::string_view asked, const void* data, size_t n) {
  std::vector<Pending> one;
  one.push_back(WriteBeside(wd, asked, data, n));
  RenameIntoPlace(wd, one);
}

void Append(const WorkDir& wd, std::string_view asked, const void* data, size_t n) {
  const std::string target = wd.WritePath(asked);
  const std::string_view name = target;
  const fs::path realRoot = RealRoot(wd.Root());
  Place at = Locate(wd.Root(), name, true);
  Fd dir = OpenFolderOf(at.Real, realRoot, Op::Write, name);
  CheckPlaceOfFile(dir.fd, at, Op::Write, name);
  Fd f(::openat(dir.fd, at.Real.filename().c_str(),
                O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (f.fd < 0) FailErrno(errno, Op::Write, name);
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) FailErrno(errno, Op::Write, name);
  if (!S_ISREG(st.st_mode)) FailNotRegular(st.st_mode, name);
  if (!WriteFully(f.fd, data, n)) FailErrno(errno, Op::Write, name);
  if (::close(f.Release()) != 0) FailErrno(errno, Op::Write, name);
}

}  // namespace

fs::path WorkDir::Resolve(std::string_view name, bool createDirs) const {
  return Locate(root_, name, createDirs).Spelled;
}

bool WorkDir::Exists(std::string_view name) const {
  Place at;
  try {
    at = Locate(root_, name, false);
  } catch (const IoError&) {
    // Something is there but leads outside: it counts as present, so that
    // "write it when missing" never writes there and every reader that opens
    // it refuses it with its message.
    return true;
  }
  std::error_code ec;
  return fs::exists(at.Real, ec);
}

Bytes ReadFileBytes(const WorkDir& wd, std::string_view name) {
  return ReadAll(wd, name, kMaxReadBytes);
}

Bytes ReadFileBytes(const WorkDir& wd, std::string_view name, size_t maxBytes) {
  return ReadAll(wd, name, maxBytes);
}

void WriteFileBytes(const WorkDir& wd, std::string_view name, const Bytes& data) {
  Replace(wd, name, data.data(), data.size());
}

void WriteFileBytesAtomic(const WorkDir& wd, std::string_view name, const Bytes& data) {
  Replace(wd, name, data.data(), data.size());
}

static std::string JoinLines(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

void WriteTextLines(const WorkDir& wd, std::string_view name, const std::vector<std::string>& lines) {
  WriteText(wd, name, JoinLines(lines));
}

void AppendTextLines(const WorkDir& wd, std::string_view name, const std::vector<std::string>& lines) {
  AppendText(wd, name, JoinLines(lines));
}

void WriteText(const WorkDir& wd, std::string_view name, std::string_view utf8) {
  std::string cp = Utf8ToCp1251(utf8);
  Replace(wd, name, cp.data(), cp.size());
}

void AppendText(const WorkDir& wd, std::string_view name, std::string_view utf8) {
  std::string cp = Utf8ToCp1251(utf8);
  Append(wd, name, cp.data(), cp.size());
}

std::string ReadText(const WorkDir& wd, std::string_view name) {
  return ReadText(wd, name, kMaxReadBytes);
}

std::string ReadText(const WorkDir& wd, std::string_view name, size_t maxBytes) {
  Bytes b = ReadAll(wd, name, maxBytes);
  return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

std::vector<std::string> ReadTextLines(const WorkDir& wd, std::string_view name) {
  return ReadTextLines(wd, name, kMaxReadBytes);
}

std::vector<std::string> ReadTextLines(const WorkDir& wd, std::string_view name, size_t maxBytes) {
  std::string s = ReadText(wd, name, maxBytes);
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r') {
      lines.push_back(cur);
      cur.clear();
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

void TruncateFile(const WorkDir& wd, std::string_view name) {
  Replace(wd, name, nullptr, 0);
}

void DeleteFile(const WorkDir& wd, std::string_view asked) {
  const std::string target = wd.WritePath(asked);
  const std::string_view name = target;
  const fs::path realRoot = RealRoot(wd.Root());
  Place at = Locate(wd.Root(), name, false);
  // A link inside the working directory is removed itself, not the file it
  // leads to.
  std::error_code ec;
  if (fs::symlink_status(at.Entry, ec).type() == fs::file_type::not_found) return;
  Fd dir = OpenFolderOf(at.Entry, realRoot, Op::Delete, name);
  // unlink removes a file (or a link) and never a folder.
  if (::unlinkat(dir.fd, at.Entry.filename().c_str(), 0) != 0 && errno != ENOENT)
    FailErrno(errno, Op::Delete, name);
}

void WriteFileSet(const WorkDir& wd, const std::vector<FileImage>& files) {
  std::vector<Pending> pending;
  try {
    for (const FileImage& f : files) pending.push_back(WriteBeside(wd, f.Name, f.Data.data(), f.Data.size()));
  } catch (...) {
    for (Pending& p : pending) ::unlinkat(p.Dir.fd, p.Tmp.c_str(), 0);
    throw;
  }
  RenameIntoPlace(wd, pending);
}

// ------------------------------------------------------------ the one writer

WorkDirLock::~WorkDirLock() { Release(); }

WorkDirLock& WorkDirLock::operator=(WorkDirLock&& o) noexcept {
  if (this != &o) {
    Release();
    fd_ = o.fd_;
    o.fd_ = -1;
  }
  return *this;
}

void WorkDirLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

bool WorkDirLock::TryAcquire(const WorkDir& wd) {
  if (fd_ >= 0) return true;
  const std::string_view name = kWorkDirLockFile;
  const fs::path realRoot = RealRoot(wd.Root());
  Place at = Locate(wd.Root(), name, false);
  Fd dir = OpenFolderOf(at.Real, realRoot, Op::Write, name);
  // Read access is enough for the lock, so a lock file made read-only by a
  // copy still serves. Closed on exec, so that a program started from here
  // never holds the working directory by accident.
  Fd f(::openat(dir.fd, at.Real.filename().c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC,
                0666));
  if (f.fd < 0) FailErrno(errno, Op::Write, name);
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) FailErrno(errno, Op::Write, name);
  if (!S_ISREG(st.st_mode)) FailNotRegular(st.st_mode, name);
  for (;;) {
    if (::flock(f.fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return false;
    FailErrno(errno, Op::Write, name);
  }
  fd_ = f.Release();
  return true;
}

bool WorkDirLock::Acquire(const WorkDir& wd, const std::function<bool()>& keepWaiting) {
  while (!TryAcquire(wd))
    if (!keepWaiting()) return false;
  return true;
}

bool ProcessAlive(long pid) {
  if (pid <= 0 || pid > INT_MAX) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

namespace {

// The digits of text[from, to) as a number; -1 when it is not one.
long DigitsAt(const std::string& text, size_t from, size_t to) {
  if (from >= to || to - from > 9) return -1;
  long v = 0;
  for (size_t i = from; i < to; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    v = v * 10 + (text[i] - '0');
  }
  return v;
}

// The process id of a scratch folder "study-<pid>-<k>", -1 when the name is
// not one.
long PidOfStudyFolder(const std::string& name) {
  const std::string prefix = "study-";
  if (name.compare(0, prefix.size(), prefix) != 0) return -1;
  const size_t dash = name.find('-', prefix.size());
  if (dash == std::string::npos || DigitsAt(name, dash + 1, name.size()) < 0) return -1;
  return DigitsAt(name, prefix.size(), dash);
}

// The process id of a temporary file "<name>.<pid>-<k>.tmp", -1 when the name
// is not one.
long PidOfTemporaryFile(const std::string& name) {
  const std::string suffix = ".tmp";
  if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return -1;
  const size_t end = name.size() - suffix.size();
  const size_t dash = name.rfind('-', end);
  if (dash == std::string::npos || DigitsAt(name, dash + 1, end) < 0) return -1;
  const size_t dot = name.rfind('.', dash);
  if (dot == std::string::npos || dot == 0) return -1;
  return DigitsAt(name, dot + 1, dash);
}

// A real folder of the working directory (not a link), or empty.
fs::path RealFolder(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() == fs::file_type::directory ? p : fs::path();
}

// The study folders under "Temp" whose process id passes `take`.
size_t RemoveStudyFolders(const fs::path& realRoot, const std::function<bool(long)>& take) {
  size_t removed = 0;
  const fs::path temp = RealFolder(MatchEntry(realRoot, "Temp"));
  if (temp.empty()) return 0;
  std::error_code ec;
  std::vector<fs::path> gone;
  for (fs::directory_iterator it(temp, ec), end; !ec && it != end; it.increment(ec)) {
    const long pid = PidOfStudyFolder(it->path().filename().string());
    if (pid > 0 && !RealFolder(it->path()).empty() && take(pid)) gone.push_back(it->path());
  }
  for (const fs::path& p : gone) {
    std::error_code rm;
    fs::remove_all(p, rm);
    if (!rm) ++removed;
  }
  return removed;
}

}  // namespace

size_t RemoveStaleScratch(const WorkDir& wd) {
  const fs::path realRoot = RealRoot(wd.Root());
  auto gone = [](long pid) { return !ProcessAlive(pid); };
  size_t removed = RemoveStudyFolders(realRoot, gone);
  // The temporary files of the writers lie beside the files they replace:
  // in the working directory and in its folders.
  std::vector<fs::path> folders{realRoot};
  std::error_code ec;
  for (fs::directory_iterator it(realRoot, ec), end; !ec && it != end; it.increment(ec))
    if (!RealFolder(it->path()).empty()) folders.push_back(it->path());
  for (const fs::path& folder : folders) {
    std::vector<fs::path> stale;
    std::error_code lec;
    for (fs::directory_iterator it(folder, lec), end; !lec && it != end; it.increment(lec)) {
      std::error_code sec;
      if (fs::symlink_status(it->path(), sec).type() != fs::file_type::regular) continue;
      const long pid = PidOfTemporaryFile(it->path().filename().string());
      if (pid > 0 && gone(pid)) stale.push_back(it->path());
    }
    for (const fs::path& p : stale)
      if (::unlink(p.c_str()) == 0) ++removed;
  }
  return removed;
}

size_t RemoveOwnScratch(const WorkDir& wd) {
  const long self = static_cast<long>(::getpid());
  return RemoveStudyFolders(RealRoot(wd.Root()), [self](long pid) { return pid == self; });
}

void ByteReader::Need(size_t n) {
  if (n > b_.size() - pos_) throw IoError("Файл короче, чем ожидалось: " + name_);
}
void ByteReader::Raw(void* p, size_t n) {
  Need(n);
  if (n) std::memcpy(p, b_.data() + pos_, n);
  pos_ += n;
}
void ByteReader::Skip(size_t n) {
  Need(n);
  pos_ += n;
}
uint8_t ByteReader::U8() {
  uint8_t v;
  Raw(&v, 1);
  return v;
}
uint16_t ByteReader::U16() {
  uint16_t v;
  Raw(&v, 2);
  return v;
}
int16_t ByteReader::I16() {
  int16_t v;
  Raw(&v, 2);
  return v;
}
uint32_t ByteReader::U32() {
  uint32_t v;
  Raw(&v, 4);
  return v;
}
int32_t ByteReader::I32() {
  int32_t v;
  Raw(&v, 4);
  return v;
}
double ByteReader::F64() {
  double v;
  Raw(&v, 8);
  return v;
}

}  // namespace tps
