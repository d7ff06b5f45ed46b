#include "params/fileio.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "params/conv.h"
#include "params/errors.h"

namespace fs = std::filesystem;

namespace tps {

static std::vector<std::string> SplitName(std::string_view name) {
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

// The existing entry of dir whose name matches part regardless of case, or
// dir / part when there is none.
static fs::path MatchEntry(const fs::path& dir, const std::string& part) {
  std::error_code ec;
  fs::path exact = dir / part;
  if (fs::exists(exact, ec)) return exact;
  std::string want = LowerName(part);
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (LowerName(it->path().filename().string()) == want) return it->path();
  }
  return exact;
}

fs::path WorkDir::Resolve(std::string_view name, bool createDirs) const {
  std::vector<std::string> parts = SplitName(name);
  fs::path p = root_;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i] == ".") continue;
    p = MatchEntry(p, parts[i]);
    if (createDirs && i + 1 < parts.size()) {
      std::error_code ec;
      if (!fs::is_directory(p, ec)) {
        fs::create_directory(p, ec);
        if (ec) throw IoError("Не удалось создать папку " + p.string() + ": " + ec.message());
      }
    }
  }
  return p;
}

bool WorkDir::Exists(std::string_view name) const {
  std::error_code ec;
  return fs::exists(Resolve(name), ec);
}

Bytes ReadFileBytes(const WorkDir& wd, std::string_view name) {
  fs::path p = wd.Resolve(name);
  std::ifstream in(p, std::ios::binary);
  if (!in) throw IoError("Файл не найден: " + std::string(name));
  Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw IoError("Ошибка чтения файла: " + std::string(name));
  return data;
}

static void WriteTo(const fs::path& p, std::string_view name, const void* data, size_t n,
                    std::ios::openmode mode) {
  std::ofstream out(p, std::ios::binary | mode);
  if (!out) throw IoError("Не удалось открыть файл для записи: " + std::string(name));
  if (n) out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
  out.close();
  if (!out) throw IoError("Ошибка записи файла: " + std::string(name));
}

void WriteFileBytes(const WorkDir& wd, std::string_view name, const Bytes& data) {
  WriteTo(wd.Resolve(name, true), name, data.data(), data.size(), std::ios::trunc);
}

void WriteFileBytesAtomic(const WorkDir& wd, std::string_view name, const Bytes& data) {
  fs::path p = wd.Resolve(name, true);
  fs::path tmp = p;
  tmp += ".tmp";
  WriteTo(tmp, name, data.data(), data.size(), std::ios::trunc);
  std::error_code ec;
  fs::rename(tmp, p, ec);
  if (ec) {
    fs::remove(tmp, ec);
    throw IoError("Ошибка записи файла: " + std::string(name));
  }
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
  WriteTo(wd.Resolve(name, true), name, cp.data(), cp.size(), std::ios::trunc);
}

void AppendText(const WorkDir& wd, std::string_view name, std::string_view utf8) {
  std::string cp = Utf8ToCp1251(utf8);
  WriteTo(wd.Resolve(name, true), name, cp.data(), cp.size(), std::ios::app);
}

std::string ReadText(const WorkDir& wd, std::string_view name) {
  Bytes b = ReadFileBytes(wd, name);
  return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

std::vector<std::string> ReadTextLines(const WorkDir& wd, std::string_view name) {
  std::string s = ReadText(wd, name);
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
  WriteTo(wd.Resolve(name, true), name, nullptr, 0, std::ios::trunc);
}

void DeleteFile(const WorkDir& wd, std::string_view name) {
  std::error_code ec;
  fs::path p = wd.Resolve(name);
  if (fs::exists(p, ec) && !fs::remove(p, ec))
    throw IoError("Не удалось удалить файл: " + std::string(name));
}

void ByteReader::Need(size_t n) {
  if (pos_ + n > b_.size()) throw IoError("Файл короче, чем ожидалось: " + name_);
}
void ByteReader::Raw(void* p, size_t n) {
  Need(n);
  if (n) std::memcpy(p, b_.data() + pos_, n);
  pos_ += n;
}
void ByteReader::Skip(size_t n) { Need(n); pos_ += n; }
uint8_t ByteReader::U8() { uint8_t v; Raw(&v, 1); return v; }
uint16_t ByteReader::U16() { uint16_t v; Raw(&v, 2); return v; }
int16_t ByteReader::I16() { int16_t v; Raw(&v, 2); return v; }
uint32_t ByteReader::U32() { uint32_t v; Raw(&v, 4); return v; }
int32_t ByteReader::I32() { int32_t v; Raw(&v, 4); return v; }
double ByteReader::F64() { double v; Raw(&v, 8); return v; }

}  // namespace tps
