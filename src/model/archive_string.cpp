#include "model/archive_string.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "model/record_io.h"
#include "platform/byte_order.h"
#include "platform/code_page.h"
#include "platform/message_box.h"

namespace tavi {

namespace {

// Payloads up to this size are read into a stack buffer; the file's own bound on a read keeps them
// inside the file without asking for its length.
constexpr std::uint32_t kStackPayload = 512;

std::uint32_t TagOfMode(std::int32_t mode) {
  switch (mode) {
    case ARCHIVE_MODE_8BIT:
      return kTag8Bit;
    case ARCHIVE_MODE_UTF8:
      return kTagUtf8;
    case ARCHIVE_MODE_UTF16:
      return kTagUtf16;
    default:
      return 0;
  }
}

void WritePayload(CFile& file, std::uint32_t tag, const std::string& payload) {
  WriteUInt32(file, tag | static_cast<std::uint32_t>(payload.size()));
  file.Write(payload.data(), payload.size());
}

// One byte per UTF-16 unit, as the header's length promises: ASCII as it is, anything else as '?',
// so that the payload is always valid UTF-8 of the same length.
void Save8Bit(const WString& text, CFile& file) {
  std::string payload(text.size(), '?');
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] < 0x80) payload[i] = static_cast<char>(text[i]);
  }
  WritePayload(file, kTag8Bit, payload);
}

void SaveUtf8(const WString& text, CFile& file, const SSaveStringOptions& options) {
  std::string payload;
  if (!options.encodeUtf8(text, payload)) {
    ShowMessageBox(u"ERROR : Save String: Multibyte conversion failed!");
    WriteUInt32(file, kTagUtf8);
  } else if (payload.size() > options.maxBytes) {
    ReportTooLong();
    WriteUInt32(file, kTagUtf8);
  } else {
    WritePayload(file, kTagUtf8, payload);
  }
}

void SaveUtf16(const WString& text, CFile& file, const SSaveStringOptions& options) {
  if (2 * static_cast<std::uint64_t>(text.size()) > options.maxBytes) {
    ReportTooLong();
    WriteUInt32(file, kTagUtf16);
    return;
  }
  std::string payload(2 * text.size(), '\0');
  EncodeUtf16LE(text, payload.data());
  WritePayload(file, kTagUtf16, payload);
}

// Tag 01 holds the leading bytes of the UTF-8 form, so it decodes as UTF-8 too.
WString DecodePayload(std::uint32_t tag, std::string_view bytes) {
  if (tag != kTagUtf16) return Utf8ToWide(bytes);
  WString text;
  DecodeUtf16LE(bytes.data(), bytes.size(), text);
  return text;
}

// Moves on by count bytes, but no further than the end of the file; false when the end came first.
bool SkipBytes(CFile& file, std::uint32_t count) {
  const std::uint64_t left = BytesLeft(file);
  file.Seek(static_cast<std::int64_t>(std::min<std::uint64_t>(count, left)), CFile::current);
  return count <= left;
}

// Decodes the bytes of the payload that are there; false when fewer than length arrived.
bool ReadPayload(CFile& file, std::uint32_t tag, std::uint32_t length, WString& text) {
  if (length <= kStackPayload) {
    std::array<char, kStackPayload> buffer;
    const std::size_t got = file.Read(buffer.data(), length);
    text = DecodePayload(tag, {buffer.data(), got});
    return got == length;
  }
  std::string buffer(static_cast<std::size_t>(std::min<std::uint64_t>(length, BytesLeft(file))),
                     '\0');
  const std::size_t got = file.Read(buffer.data(), buffer.size());
  text = DecodePayload(tag, {buffer.data(), got});
  return got == length;
}

}  // namespace

void ReportTooLong() {
  ShowMessageBox(u"ERROR : Save String: char size > MAX_BYTES");
}

bool EncodeUtf8(WStringView text, std::string& out) {
  AppendUtf8(text, out);
  return true;
}

std::int32_t SaveString(const WString& text, const SArchive& archive) {
  return SaveString(text, archive, SSaveStringOptions{});
}

std::int32_t SaveString(const WString& text, const SArchive& archive,
                        const SSaveStringOptions& options) {
  CFile& file = *archive.file;
  const auto start = static_cast<std::int32_t>(static_cast<std::uint32_t>(file.GetPosition()));
  const std::uint32_t tag = TagOfMode(archive.mode);
  if (text.size() > options.maxBytes) {
    ReportTooLong();
    if (tag != 0) WriteUInt32(file, tag);
  } else if (tag == 0) {
    ShowMessageBox(u"ERROR : Save String: Invalid archive mode!");
  } else if (text.empty()) {
    WriteUInt32(file, tag);  // the common case: no conversion, no allocation
  } else if (tag == kTag8Bit) {
    Save8Bit(text, file);
  } else if (tag == kTagUtf8) {
    SaveUtf8(text, file, options);
  } else {
    SaveUtf16(text, file, options);
  }
  return start;
}

bool LoadSavedString(CFile& file, WString& text) {
  text.clear();
  std::uint32_t header = 0;
  if (!ReadUInt32(file, header)) return false;
  const std::uint32_t tag = header & ~MAX_BYTES;
  const std::uint32_t length = header & MAX_BYTES;
  // Never written; its length still tells where the next field is.
  if (tag == 0) return SkipBytes(file, length);
  return ReadPayload(file, tag, length, text);
}

bool LoadSavedString(CFile& file, CCompactString& field) {
  WString text;
  const bool complete = LoadSavedString(file, text);
  field = text;
  return complete;
}

bool SkipSavedString(CFile& file) {
  std::uint32_t header = 0;
  return ReadUInt32(file, header) && SkipBytes(file, header & MAX_BYTES);
}

}  // namespace tavi
