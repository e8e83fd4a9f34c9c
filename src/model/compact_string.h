#pragma once

#include <memory>
#include <utility>

#include "platform/wide_string.h"

namespace tavi {

// A text field of the element records. A conversion holds a million elements with seventeen text
// fields each, nearly all of them empty: an empty field here costs one pointer and no allocation,
// where a plain WString costs four. Reads see a const WString&; writes assign a WString.
class CCompactString {
 public:
  CCompactString() = default;
  explicit CCompactString(WString text) { Assign(std::move(text)); }
  CCompactString(const CCompactString& other) : CCompactString(other.str()) {}
  CCompactString(CCompactString&&) noexcept = default;
  CCompactString& operator=(const CCompactString& other) {
    if (this != &other) Assign(other.str());
    return *this;
  }
  CCompactString& operator=(CCompactString&&) noexcept = default;
  ~CCompactString() = default;

  CCompactString& operator=(WString text) {
    Assign(std::move(text));
    return *this;
  }

  bool empty() const { return m_text == nullptr; }
  const WString& str() const { return m_text ? *m_text : Empty(); }
  operator const WString&() const { return str(); }
  operator WStringView() const { return str(); }

  friend bool operator==(const CCompactString& a, WStringView b) { return a.str() == b; }
  friend bool operator==(const CCompactString& a, const CCompactString& b) {
    return a.str() == b.str();
  }

 private:
  static const WString& Empty() {
    static const WString empty;
    return empty;
  }
  void Assign(WString text) {
    if (text.empty()) {
      m_text.reset();
    } else if (m_text) {
      *m_text = std::move(text);
    } else {
      m_text = std::make_unique<WString>(std::move(text));
    }
  }

  std::unique_ptr<WString> m_text;
};

}  // namespace tavi
