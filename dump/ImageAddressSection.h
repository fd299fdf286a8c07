#pragma once

#include <functional>
#include <optional>
#include <string>

namespace Dump {

// The bytes of the image's own .debug_addr section. objdump 2.40 prints no address table
// at all for an image whose DWARF 5 units include type units; the image's section holds
// the same addresses, each unit's behind its DW_AT_addr_base.
struct ImageAddressSection {
  std::string bytes;
  bool littleEndian = true;
};
// Gives the image's section when asked, at most once per load; nothing when there is no
// image (a dump converted on its own) or it has no such section.
using ImageAddressSource = std::function<std::optional<ImageAddressSection>()>;

}  // namespace Dump
