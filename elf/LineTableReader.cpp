#include "elf/LineTableReader.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "elf/ByteCursor.h"
#include "elf/DebugInfoReader.h"
#include "model/ModelStore.h"
#include "model/StatementList.h"

namespace Elf {

namespace {

constexpr std::uint64_t kPath = 1;            // DW_LNCT_path
constexpr std::uint64_t kDirectoryIndex = 2;  // DW_LNCT_directory_index

// One value of a version 5 table: a path (a string of some form), a number, or
// something that is passed over.
struct EntryField {
  std::string_view text;
  std::uint64_t number = 0;
};

class LineTables {
 public:
  LineTables(Model::ModelStore& store, const DebugSections& sections)
      : store_(store), sections_(sections) {}

  void readAll() {
    ByteCursor section(sections_.line, sections_.littleEndian, ".debug_line");
    while (!section.atEnd())
      readProgram(section);
  }

 private:
  void readProgram(ByteCursor& section) {
    const auto offset = static_cast<std::uint32_t>(section.offset());
    ByteCursor in = section.takeUnit("a line-number program");

    const std::uint16_t version = in.u16();
    if (version < 2 || version > 5) {
      in.fail("a line-number program of version " + std::to_string(version) +
              "; versions 2 to 5 are read");
    }
    if (version >= 5) in.skip(2);  // address size, segment selector size
    const std::uint32_t headerLength = in.u32();
    const std::size_t headerEnd = in.offset() + headerLength;
    if (headerEnd > in.size()) in.fail("a line-number program header longer than its program");
    in.limit(headerEnd);
    in.skip(version >= 4 ? 5 : 4);  // instruction length, [ops,] is_stmt, line base, range
    const std::uint8_t opcodeBase = in.u8();
    if (opcodeBase > 0) in.skip(opcodeBase - 1u);

    auto list = std::make_unique<Model::StatementList>(offset);
    if (version >= 5) {
      list->firstEntryNumber = 0;
      readVersion5Tables(in, *list);
    } else {
      while (true) {
        const std::string_view directory = in.cstring();
        if (directory.empty()) break;
        list->addDirectory(directory);
      }
      while (true) {
        const std::string_view name = in.cstring();
        if (name.empty()) break;
        const auto directory = static_cast<std::int32_t>(in.uleb());
        in.uleb();  // modification time
        in.uleb();  // length
        list->addFile(directory, name);
      }
    }
    store_.statementListsByOffset.try_emplace(offset, std::move(list));
  }

  void readVersion5Tables(ByteCursor& in, Model::StatementList& list) {
    readTable(in, [&](const std::vector<std::pair<std::uint64_t, EntryField>>& fields) {
      std::string_view path;
      for (const auto& [content, field] : fields)
        if (content == kPath) path = field.text;
      list.addDirectory(path);
    });
    readTable(in, [&](const std::vector<std::pair<std::uint64_t, EntryField>>& fields) {
      std::string_view path;
      std::uint64_t directory = 0;  // a table without the column: the compilation directory
      for (const auto& [content, field] : fields) {
        if (content == kPath) path = field.text;
        if (content == kDirectoryIndex) directory = field.number;
      }
      list.addFile(static_cast<std::int32_t>(directory), path);
    });
  }

  // A version 5 table: its column formats, its count, its rows.
  template <class Row>
  void readTable(ByteCursor& in, Row row) {
    const std::uint8_t formatCount = in.u8();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> formats;
    for (std::uint8_t k = 0; k < formatCount; ++k) {
      const std::uint64_t content = in.uleb();
      formats.emplace_back(content, in.uleb());
    }
    const std::uint64_t count = in.uleb();
    // Every row takes at least a byte; a count beyond the header's bytes is no table.
    if (count > in.remaining() || (formatCount == 0 && count > 0)) {
      in.fail("a table of " + std::to_string(count) + " rows, more than its header holds");
    }
    std::vector<std::pair<std::uint64_t, EntryField>> fields;
    for (std::uint64_t k = 0; k < count; ++k) {
      fields.clear();
      for (const auto& [content, form] : formats)
        fields.emplace_back(content, readField(in, form));
      row(fields);
    }
  }

  EntryField readField(ByteCursor& in, std::uint64_t form) {
    EntryField field;
    switch (form) {
      case 0x08:  // DW_FORM_string
        field.text = in.cstring();
        break;
      case 0x0e:  // DW_FORM_strp
        field.text = ByteCursor::stringAt(sections_.str, ".debug_str", in.u32());
        break;
      case 0x1f:  // DW_FORM_line_strp
        field.text = ByteCursor::stringAt(sections_.lineStr, ".debug_line_str", in.u32());
        break;
      case 0x0b:  // DW_FORM_data1
        field.number = in.u8();
        break;
      case 0x05:  // DW_FORM_data2
        field.number = in.u16();
        break;
      case 0x06:  // DW_FORM_data4
        field.number = in.u32();
        break;
      case 0x07:  // DW_FORM_data8
        field.number = in.u64();
        break;
      case 0x0f:  // DW_FORM_udata
        field.number = in.uleb();
        break;
      case 0x1e:  // DW_FORM_data16 (an MD5 sum)
        in.skip(16);
        break;
      case 0x09:  // DW_FORM_block
        in.skip(in.uleb());
        break;
      default:
        in.fail("the form " + hexText(form) + " in a file table, which this reader does not know");
    }
    return field;
  }

  Model::ModelStore& store_;
  const DebugSections& sections_;
};

}  // namespace

void readLineTables(Model::ModelStore& store, const DebugSections& sections) {
  LineTables(store, sections).readAll();
}

}  // namespace Elf
