// The entry reader: one pass over the lines of the dump, from first to last. One entry
// on its way through it, in the order the code runs:
//
//    <1><23>: Abbrev Number: 2 (DW_TAG_variable)
//     <24>   DW_AT_name        : (indexed string: 0x3): g_s
//     <25>   DW_AT_type        : <0x2e>
//     <2b>   DW_AT_location    :	(DW_OP_addrx <0>)
//
// 1. readLine sees blanks and "<1><", so the line can only be an entry header.
//    readEntryHeader takes level 1 and offset 0x23; the parent is the last entry read
//    at level 0 (the compile unit). The tag's row in kKnownTags says Kind::Variable, so
//    createObjectOfKind makes a VariableInfo under the unit, in the store's arena, and
//    lists it in `variables`; the offset map learns 0x23. It becomes the current object.
// 2. The next line starts with blanks and "<24> ": an attribute. readAttribute splits it
//    into name, value and explanation (after the last tab) and looks the name up in
//    kAttributeTable; names outside the table end there.
//    - Step A, readValue, reads the value as its attribute wants it: the name without
//      its string-section reference ("g_s", into the text arena), the type's offset
//      0x2e from "<0x2e>", the location from its explanation. A DW_OP_addr gives the
//      address at once; this DW_OP_addrx gives index 0 into the unit's address table,
//      which .debug_addr prints later, so the variable is noted for placeVariables. Both
//      list the variable in `addressedObjects`, in dump order.
//    - Step B, setCommonField, sets what every kind has (declaration file and line).
//    - Step C, setClassField, switches on the object's kind: setVariableField keeps the
//      type reference (offset 0x2e, linked later) and marks that it has a location.
// 3. The next entry header ends the variable. After the last line the loader places
//    the variables (placeVariables), links the references (linkTypes) and restates
//    bit fields given by DW_AT_data_bit_offset (restateDataBitOffsets).
//
// Lines that are no entry or attribute go to the placement reader (section table,
// address tables), the file-table reader, and the unit-header rules: pointer size, unit
// offset, a type unit's signature and type offset, the section header that tells
// .debug_types (whose offsets count from its own start) from .debug_info, and the
// file-format line that tells the byte order.
//
// A type kept in a type unit is named by the unit's signature ("signature: 0x..."), not
// by an offset: such references, and the declarations that name their complete type so
// (DW_AT_signature), wait in the store until linking finds the units.
#include "dump/EntryReader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "dump/DumpLines.h"
#include "dump/FileTableReader.h"
#include "dump/LinePatterns.h"
#include "dump/NameIndex.h"
#include "dump/NumberText.h"
#include "dump/PlacementReader.h"
#include "model/EntryFields.h"
#include "model/ModelStore.h"

namespace Dump {

namespace {

using namespace Model;

constexpr NameIndex kAttributeIndex(kKnownAttributes, &KnownAttribute::name, 6);
constexpr NameIndex kTagIndex(kKnownTags, &KnownTag::name, 7);

Attribute attributeNamed(std::string_view name) {
  const std::size_t row = kAttributeIndex.find(name);
  return row < kKnownAttributes.size() ? kKnownAttributes[row].attribute : Attribute::Other;
}

// One attribute line as the field tables use it.
struct AttributeValues {
  Attribute attribute;
  std::string_view rawValue;
  std::string_view explanation;
  std::uint32_t numericValue = 0;
  Text textValue;  // already in the store's arena
  TextArena& texts;
  // Where a reference given as an offset points: the section of the entry. A reference
  // by signature (`bySignature`) names a type unit instead, and is kept in `signatures`
  // for linking.
  ReferenceSpace space = ReferenceSpace::Info;
  bool bySignature = false;
  std::uint64_t signature = 0;
  std::vector<ModelStore::SignatureReference>* signatures = nullptr;

  // Sets `reference` to what the line names: an offset, or a signature (with the offset
  // 0 and the space Signature), which is kept for linking.
  void assign(Reference& reference) const {
    reference.offset = numericValue;
    reference.space = space;
    if (bySignature) [[unlikely]]
      keepSignature(reference);
  }
  void keepSignature(Reference& reference) const;

  bool flag() const { return rawValue != "0"; }
  std::int64_t constant() const { return readConstant(rawValue); }
  // A number field: decimal, or hexadecimal where objdump prints it so (four-byte forms).
  std::uint32_t decimal() const { return readNumber(rawValue); }
  Text rawText() const { return texts.copy(rawValue); }
  // A line number kept as text: in decimal, also where objdump printed it in hexadecimal.
  Text lineText() const {
    return isHexNumber(rawValue) ? texts.copy(std::to_string(readNumber(rawValue))) : rawText();
  }
};

// Out of line: most references are offsets, and the reader's hot path stays small.
[[gnu::noinline]] void AttributeValues::keepSignature(Reference& reference) const {
  signatures->push_back({&reference, signature});
}

// The character after "<hex>" when `at` is the first hex digit, else NUL.
char charAfterNumber(std::string_view line, std::size_t at) {
  const std::size_t digitsStart = at;
  while (at < line.size() && isXdigitChar(line[at]))
    ++at;
  if (at == digitsStart || at + 1 >= line.size() || line[at] != '>') return '\0';
  return line[at + 1];
}

class EntryReader {
 public:
  explicit EntryReader(ModelStore& store) : store_(store), fileTables_(store), placement_(store) {
    store_.root =
        OwnedObject(store_.objects.make<BasicObject>(0, Text{}, nullptr, &store_.objects));
    parentByLevel_.push_back(store_.root.get());
  }

  void readLine(std::string_view line) {
    const LineStart start = lineStartOf(line);
    if (start.indentedBySpaces && start.first == '<') {
      // Both start with blanks and "<hex>"; what follows tells which it can be.
      switch (charAfterNumber(line, start.indent + 1)) {
        case '<':
          if (readEntryHeader(line)) return;
          break;
        case ' ':
          if (currentObject_ != nullptr && readAttribute(line)) return;
          break;
        default:
          break;
      }
    }
    if (placement_.readLine(line, start)) return;
    if (fileTables_.readLine(line, start)) return;
    if (start.indentedBySpaces && start.first == 'P' && readPointerSize(line)) return;
    if (start.indentedBySpaces && start.first == 'C' && readUnitHeader(line)) return;
    if (start.indentedBySpaces && (start.first == 'S' || start.first == 'T') &&
        readTypeUnitHeader(line)) {
      return;
    }
    if (start.indent == 0 && start.first == 'C' && readSectionHeader(line)) return;
    // Once the flag is set a further file-format line changes nothing.
    if (!store_.littleEndian && littleEndianFormatPattern.matches(line)) store_.littleEndian = true;
  }

 private:
  bool readEntryHeader(std::string_view line) {
    Groups4 header;
    if (!entryHeaderPattern.match(line, header)) return false;
    // The level is printed in decimal although the pattern admits hex digits there.
    const std::uint32_t level = readDecimal(header[0]);
    const std::uint32_t offset = readHex(header[1]);
    currentObject_ = nullptr;
    // An entry more than one level below the last accepted one has no parent: it is
    // skipped together with its attribute lines.
    if (level > lastLevel_) return true;

    BasicObject& parent = *parentByLevel_[level];
    BasicObject* object = createObject(header[3], offset, parent);
    if (parentByLevel_.size() < level + 2u) parentByLevel_.resize(level + 2u);
    parentByLevel_[level + 1] = object;
    if (section_ == ReferenceSpace::Types) {
      store_.typeSectionObjectsByOffset.insert(offset, object);
    } else {
      store_.objectsByOffset.insert(offset, object);
    }
    lastLevel_ = level + 1;
    currentObject_ = object;
    return true;
  }

  BasicObject* createObject(std::string_view tagText, std::uint32_t offset, BasicObject& parent) {
    const std::size_t row = kTagIndex.find(tagText);
    if (row < kKnownTags.size()) {
      return createObjectOfKind(store_, kKnownTags[row].kind, kKnownTags[row].name, offset, parent,
                                pointerSize_);
    }
    return create<BasicObject>(offset, otherTag(tagText), parent);
  }

  // Tags outside the table are few and repeat often (lexical blocks, template
  // parameters): each is copied once.
  Text otherTag(std::string_view tagText) {
    for (Text known : otherTags_) {
      if (known == tagText) return known;
    }
    otherTags_.push_back(store_.texts.copy(tagText));
    return otherTags_.back();
  }

  bool readAttribute(std::string_view text) {
    Dump::AttributeLine parts;
    if (!matchAnyAttributeLine(text, parts)) return false;
    const Attribute attribute = attributeNamed(parts.name);
    if (attribute == Attribute::Other) return true;
    AttributeValues line{attribute,
                         parts.rawValue,
                         parts.explanation,
                         0,
                         {},
                         store_.texts,
                         section_,
                         false,
                         0,
                         &store_.signatureReferences};
    readValue(line);
    setCommonField(*currentObject_, line);
    setClassField(*currentObject_, line, pointerSize_);
    return true;
  }

  // Step A: the value of the line.
  void readValue(AttributeValues& line) {
    Groups1 value;
    switch (line.attribute) {
      case Attribute::Name:
        line.textValue = store_.texts.copy(
            indirectStringPattern.match(line.rawValue, value) ? value[0] : line.rawValue);
        currentObject_->name = line.textValue;
        break;
      case Attribute::Location:
        if (addressOperationPattern.match(line.explanation, value)) {
          line.numericValue = readHex(value[0]);
          store_.addressedObjects.push_back(currentObject_);
        } else if (addressIndexOperationPattern.match(line.explanation, value)) {
          // The address is in the unit's table of .debug_addr, which comes later in the
          // dump; it is filled in once the whole dump is read.
          store_.addressedObjects.push_back(currentObject_);
          if (currentObject_->kind == Kind::Variable) {
            store_.indexedLocations.push_back(
                {static_cast<VariableInfo*>(currentObject_), unitOffset_, readHex(value[0])});
          }
        } else if (line.explanation.find("DW_OP_piece") != std::string_view::npos &&
                   line.explanation.find("DW_OP_addr") != std::string_view::npos &&
                   currentObject_->kind == Kind::Variable) {
          store_.piecewiseVariables.push_back(static_cast<VariableInfo*>(currentObject_));
        }
        break;
      case Attribute::DataMemberLocation:
        if (plusUconstPattern.match(line.explanation, value)) {
          line.numericValue = readDecimal(value[0]);
        } else if (constantFormPattern.matches(line.rawValue)) {
          // The constant form that GCC uses above DWARF 2: the offset itself.
          line.numericValue = readNumber(line.rawValue);
        }
        break;
      case Attribute::Type:
      case Attribute::Import:
      case Attribute::Specification:
      case Attribute::AbstractOrigin:
        // A type kept in a type unit is named by the unit's signature: 64 bits, no offset.
        // An offset ("<0x2d>") is told from it by its first character.
        if (line.rawValue.starts_with('s') &&
            signatureReferencePattern.match(line.rawValue, value)) {
          line.bySignature = true;
          line.signature = readHex64(value[0]);
          line.space = ReferenceSpace::Signature;
          break;
        }
        [[fallthrough]];
      case Attribute::LowPc:
      case Attribute::HighPc:
      case Attribute::StmtList:
        if (hexNumberPattern.match(line.rawValue, value)) line.numericValue = readHex(value[0]);
        break;
      case Attribute::AddressBase:
        // Where the unit's addresses start in .debug_addr; the store keeps it by unit,
        // as it keeps the unit's address table.
        if (currentObject_->kind == Kind::CompileUnit) {
          store_.addressBasesByUnit.try_emplace(unitOffset_, line.decimal());
        }
        break;
      case Attribute::Signature:
        // A declaration whose complete type is in the type unit of this signature.
        if (signatureReferencePattern.match(line.rawValue, value)) {
          store_.signedDeclarations.push_back({currentObject_, readHex64(value[0])});
        }
        break;
      case Attribute::Encoding:
        if (parenthesizedPattern.match(line.explanation, value)) {
          line.textValue = store_.texts.copy(value[0]);
        }
        break;
      default:
        break;
    }
  }

  bool readUnitHeader(std::string_view line) {
    Groups1 offset;
    if (!unitHeaderPattern.match(line, offset)) return false;
    unitOffset_ = readHex(offset[0]);
    return true;
  }

  // The two lines of a type unit's header that name its type: the signature, then the
  // type's offset in the unit.
  bool readTypeUnitHeader(std::string_view line) {
    Groups1 number;
    if (typeSignaturePattern.match(line, number)) {
      typeUnitSignature_ = readHex64(number[0]);
      return true;
    }
    if (!typeOffsetPattern.match(line, number)) return false;
    if (typeUnitSignature_) {
      store_.typeUnitsBySignature.try_emplace(
          *typeUnitSignature_,
          ModelStore::TypeUnitType{section_, unitOffset_ + readHex(number[0])});
      typeUnitSignature_.reset();
    }
    return true;
  }

  bool readSectionHeader(std::string_view line) {
    Groups1 section;
    if (!entrySectionHeaderPattern.match(line, section)) return false;
    section_ = section[0] == "types" ? ReferenceSpace::Types : ReferenceSpace::Info;
    return true;
  }

  bool readPointerSize(std::string_view line) {
    Groups1 size;
    if (!pointerSizePattern.match(line, size)) return false;
    pointerSize_ = static_cast<std::int32_t>(readDecimal(size[0]));
    return true;
  }

  ModelStore& store_;
  BasicObject* currentObject_ = nullptr;
  // Index n holds the parent of an entry of level n; only levels up to `lastLevel_` are
  // ever looked up.
  std::vector<BasicObject*> parentByLevel_;
  std::uint32_t lastLevel_ = 0;
  std::int32_t pointerSize_ = 0;
  std::uint32_t unitOffset_ = 0;  // of the header of the unit being read
  // The section whose entries are being read: offsets in .debug_types are kept apart.
  ReferenceSpace section_ = ReferenceSpace::Info;
  // The signature of the type unit whose header is being read, until its type offset.
  std::optional<std::uint64_t> typeUnitSignature_;
  FileTableReader fileTables_;
  PlacementReader placement_;
  std::vector<Text> otherTags_;
};

}  // namespace

void parseDump(ModelStore& store, DumpLines& lines) {
  EntryReader reader(store);
  std::string_view line;
  while (lines.next(line))
    reader.readLine(line);
}

void restateDataBitOffsets(ModelStore& store) {
  for (TypeInfo_Member* member : store.members) {
    if (!member->hasDataBitOffset || member->type.target == nullptr) continue;
    const std::uint64_t unitBytes = member->type.target->byteSize();
    if (unitBytes == 0) continue;
    const std::uint64_t unitBits = 8 * unitBytes;
    const std::uint64_t unitStart = member->dataBitOffset / unitBits * unitBytes;
    const std::uint64_t bitInUnit = member->dataBitOffset - 8 * unitStart;
    member->dataMemberLocation += static_cast<std::uint32_t>(unitStart);
    // Counted from the unit's most significant bit, as DW_AT_bit_offset does; a field that
    // runs past its unit (in a packed structure) wraps below 0, as GCC writes it too.
    member->bitOffset = static_cast<std::uint32_t>(unitBits - bitInUnit - member->bitSize);
    if (member->byteSizeAttr == 0) member->byteSizeAttr = static_cast<std::uint32_t>(unitBytes);
  }
}

}  // namespace Dump
