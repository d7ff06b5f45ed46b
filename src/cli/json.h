// A small JSON writer for the command line's results.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace tps::cli {

class Json {
 public:
  Json& BeginObject() { Value(); s_ += '{'; first_.push_back(true); return *this; }
  Json& EndObject() { s_ += '}'; first_.pop_back(); return *this; }
  Json& BeginArray() { Value(); s_ += '['; first_.push_back(true); return *this; }
  Json& EndArray() { s_ += ']'; first_.pop_back(); return *this; }
  Json& Key(const std::string& k) {
    Sep();
    Quote(k);
    s_ += ':';
    afterKey_ = true;
    return *this;
  }
  Json& String(const std::string& v) { Value(); Quote(v); return *this; }
  Json& Int(long long v) { Value(); s_ += std::to_string(v); return *this; }
  Json& Number(double v) {
    Value();
    if (!std::isfinite(v)) {
      s_ += "null";
    } else {
      // Shortest text that reads back to the same double, "." whatever the locale.
      char buf[40];
      auto res = std::to_chars(buf, buf + sizeof buf, v);
      s_.append(buf, res.ptr);
    }
    return *this;
  }
  Json& Complex(double re, double im) {
    BeginArray();
    Number(re);
    Number(im);
    return EndArray();
  }
  const std::string& Text() const { return s_; }

 private:
  void Sep() {
    if (!first_.empty()) {
      if (!first_.back()) s_ += ',';
      first_.back() = false;
    }
  }
  void Value() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    Sep();
  }
  void Quote(const std::string& v) {
    s_ += '"';
    for (unsigned char c : v) {
      if (c == '"') s_ += "\\\"";
      else if (c == '\\') s_ += "\\\\";
      else if (c == '\n') s_ += "\\n";
      else if (c == '\r') s_ += "\\r";
      else if (c == '\t') s_ += "\\t";
      else if (c < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        s_ += buf;
      } else s_ += static_cast<char>(c);
    }
    s_ += '"';
  }
  std::string s_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

}  // namespace tps::cli
