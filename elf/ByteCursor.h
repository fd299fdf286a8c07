#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Elf {

// What the direct reader cannot read: a section cut short, an offset out of range, a form
// or abbreviation code it does not know. The message names the place; nothing that was
// read before it is used.
class DwarfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "0x1c" for messages.
inline std::string hexText(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xf]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

// Reads the numbers of a debug section one after the other, each checked against the
// section's end: a read past it throws a DwarfError that names the section and offset.
class ByteCursor {
 public:
  ByteCursor(std::string_view bytes, bool littleEndian, const char* section, std::size_t at = 0)
      : bytes_(bytes), at_(at), littleEndian_(littleEndian), section_(section) {}

  std::size_t offset() const { return at_; }
  std::size_t size() const { return bytes_.size(); }
  std::size_t remaining() const { return at_ < bytes_.size() ? bytes_.size() - at_ : 0; }
  bool atEnd() const { return at_ >= bytes_.size(); }
  std::string_view bytes() const { return bytes_; }
  const char* section() const { return section_; }
  bool littleEndian() const { return littleEndian_; }
  void seek(std::size_t at) {
    if (at > bytes_.size()) fail("an offset past the end of the section");
    at_ = at;
  }
  // Ends reading at `end` (a unit's end) instead of the section's.
  void limit(std::size_t end) {
    if (end > bytes_.size()) fail("a length that runs past the end of the section");
    bytes_ = bytes_.substr(0, end);
  }

  // The unit that starts here (a unit of entries, a line-number program): a cursor over
  // it, from behind its 32-bit length to its end. This cursor moves past the unit.
  // `what` names it in messages ("a unit").
  ByteCursor takeUnit(const std::string& what) {
    const std::uint32_t length = u32();
    if (length == 0xffffffffu) {
      fail(what +
           " in the 64-bit DWARF format, which 32-bit images do not use and this "
           "reader does not read");
    }
    if (length >= 0xfffffff0u) fail(what + " length of a reserved value");
    const std::size_t end = at_ + length;
    if (end > bytes_.size()) fail(what + " whose length runs past the end of the section");
    ByteCursor unit(bytes_.substr(0, end), littleEndian_, section_, at_);
    at_ = end;
    return unit;
  }

  std::uint8_t u8() {
    need(1);
    return static_cast<std::uint8_t>(bytes_[at_++]);
  }
  std::uint16_t u16() { return static_cast<std::uint16_t>(fixed(2)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(fixed(4)); }
  std::uint64_t u64() { return fixed(8); }
  // An unsigned number of 1 to 8 bytes in the image's byte order.
  std::uint64_t fixed(std::size_t width) {
    need(width);
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < width; ++k) {
      const std::size_t byte = littleEndian_ ? at_ + width - 1 - k : at_ + k;
      value = (value << 8) | static_cast<unsigned char>(bytes_[byte]);
    }
    at_ += width;
    return value;
  }
  // LEB128; bits past the 64th are dropped, as every reader of them does.
  std::uint64_t uleb() {
    std::uint64_t value = 0;
    unsigned shift = 0;
    for (;;) {
      const std::uint8_t byte = u8();
      if (shift < 64) value |= std::uint64_t{byte & 0x7fu} << shift;
      shift += 7;
      if ((byte & 0x80u) == 0) return value;
    }
  }
  std::int64_t sleb() {
    std::uint64_t value = 0;
    unsigned shift = 0;
    std::uint8_t byte;
    do {
      byte = u8();
      if (shift < 64) value |= std::uint64_t{byte & 0x7fu} << shift;
      shift += 7;
    } while ((byte & 0x80u) != 0);
    if (shift < 64 && (byte & 0x40u) != 0) value |= ~std::uint64_t{0} << shift;
    return static_cast<std::int64_t>(value);
  }
  std::string_view take(std::uint64_t count) {
    need(count);
    const std::string_view taken = bytes_.substr(at_, static_cast<std::size_t>(count));
    at_ += static_cast<std::size_t>(count);
    return taken;
  }
  void skip(std::uint64_t count) { take(count); }
  // A string that ends with NUL, without it.
  std::string_view cstring() {
    const std::size_t end = at_ < bytes_.size() ? bytes_.find('\0', at_) : std::string_view::npos;
    if (end == std::string_view::npos) fail("a string without its ending NUL");
    const std::string_view text = bytes_.substr(at_, end - at_);
    at_ = end + 1;
    return text;
  }

  // The string at `offset` of a string section (.debug_str, .debug_line_str), without its
  // ending NUL.
  static std::string_view stringAt(std::string_view section, const char* name,
                                   std::uint64_t offset) {
    if (offset >= section.size()) {
      throw DwarfError(std::string(name) + ": a string at offset " + hexText(offset) +
                       ", past the end of the section");
    }
    ByteCursor in(section, true, name, static_cast<std::size_t>(offset));
    return in.cstring();
  }

  [[noreturn]] void fail(const std::string& what) const {
    throw DwarfError(std::string(section_) + " at offset " + hexText(at_) + ": " + what);
  }

 private:
  void need(std::uint64_t count) const {
    if (count > remaining()) fail("the data ends before what it announces");
  }

  std::string_view bytes_;
  std::size_t at_;
  bool littleEndian_;
  const char* section_;
};

}  // namespace Elf
