// The direct reader of the entries: one pass over the units of .debug_info and
// .debug_types. One entry on its way through it:
//
//   unit header at 0x0: length, version 5, DW_UT_compile, address size 4, abbrevs at 0
//   entry at 0x23: abbreviation code 2 -> DW_TAG_variable, has no children
//     DW_AT_name      DW_FORM_strx1    0x3  -> the string the unit's str_offsets_base names
//     DW_AT_type      DW_FORM_ref4     0x2e -> the entry at unit offset + 0x2e
//     DW_AT_location  DW_FORM_exprloc  a1 00 (DW_OP_addrx 0)
//
// 1. The unit's header gives the pointer size and, for a type unit, its signature and
//    the offset of its type. A first look at the unit's own entry finds the bases of its
//    string offsets and addresses, which it may give after attributes that need them.
// 2. The entry's level follows the children flags and the null entries, as objdump
//    counts it; the parent is the last entry of the level above, and the tag's row of
//    kKnownTags gives the class. The object is created and listed; once every section is
//    read, indexOffsets() enters all objects in the offset maps at once.
// 3. Each attribute's value is decoded by its form into a FormValue, which answers as
//    objdump's text of it reads (see EntryValue). The attributes of kKnownAttributes go
//    through the same steps as in the dump's reader: the value itself (names, locations,
//    references by signature), the fields every class has, the fields of the class.
//
// Locations are decoded from the expression's bytes: a lone DW_OP_addr places the
// variable; a lone DW_OP_addrx or DW_OP_GNU_addr_index leaves it to placeVariables, which
// reads the unit's part of .debug_addr; a composite one with an address is noted.
//
// The model of a large image takes hundreds of megabytes, so the reader holds little
// else: every 256 KB of entries, the part of .debug_info read and the pages of .debug_str
// go back to the system (releaseUpTo), names and line numbers are copied once each, and
// the abbreviation tables of a section go with it.
#include "elf/DebugInfoReader.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "elf/Abbreviations.h"
#include "elf/ByteCursor.h"
#include "model/EntryFields.h"
#include "model/ModelStore.h"

namespace Elf {

using namespace Model;

namespace {

// How objdump prints a value of the form, which decides what the field rules read.
enum class Printed : std::uint8_t {
  Unsigned,   // decimal: data1, data2, udata, flag, flag_present
  Signed,     // decimal with a sign: sdata, implicit_const
  Hex,        // "0x...": addr, data4, data8, sec_offset, loclistx, rnglistx
  Block,      // "N byte block: ...", with the expression decoded after it
  Reference,  // "<0x...>": the entry's offset in its section
  String,     // the string, also "(indirect string, offset: 0x...): text"
  Index,      // "(index: 0x...): 0x...": an address in .debug_addr
  Signature,  // "signature: 0x...": a type unit
  Other,      // nothing the rules read
};

// Where a string value is.
enum class StringPlace : std::uint8_t { Inline, Str, LineStr, Indexed, Elsewhere };

struct FormValue {
  Printed printed = Printed::Other;
  StringPlace place = StringPlace::Elsewhere;
  std::uint64_t value = 0;  // the number, offset, index or signature; a block's length
  std::string_view bytes;   // a block's bytes, an inline string
};

// The words objdump explains an encoding with; signedness and the A2L's float types
// are read from them.
std::string_view encodingWord(std::uint64_t encoding) {
  static constexpr std::array<std::string_view, 19> kWords{
      "void",           "machine address", "boolean",  "complex float", "float",
      "signed",         "signed char",     "unsigned", "unsigned char", "imaginary float",
      "packed_decimal", "numeric_string",  "edited",   "signed_fixed",  "unsigned_fixed",
      "decimal float",  "unicode string",  "UCS",      "ASCII"};
  if (encoding < kWords.size()) return kWords[encoding];
  static constexpr std::array<std::string_view, 7> kHpWords{
      "HP_float80",      "HP_complex_float80",   "HP_float128",          "HP_complex_float128",
      "HP_floathpintel", "HP_imaginary_float80", "HP_imaginary_float128"};
  if (encoding >= 0x80 && encoding < 0x80 + kHpWords.size()) return kHpWords[encoding - 0x80];
  if (encoding >= 0x80 && encoding <= 0xff) return "user defined type";
  return "unknown type";
}

struct TagName {
  std::uint16_t code;
  std::string_view name;
};

// The names objdump gives the tags outside kKnownTags, which plain objects keep.
constexpr std::array kOtherTagNames{
    TagName{0x03, "DW_TAG_entry_point"},
    TagName{0x0a, "DW_TAG_label"},
    TagName{0x0b, "DW_TAG_lexical_block"},
    TagName{0x10, "DW_TAG_reference_type"},
    TagName{0x12, "DW_TAG_string_type"},
    TagName{0x18, "DW_TAG_unspecified_parameters"},
    TagName{0x19, "DW_TAG_variant"},
    TagName{0x1a, "DW_TAG_common_block"},
    TagName{0x1b, "DW_TAG_common_inclusion"},
    TagName{0x1e, "DW_TAG_module"},
    TagName{0x1f, "DW_TAG_ptr_to_member_type"},
    TagName{0x20, "DW_TAG_set_type"},
    TagName{0x22, "DW_TAG_with_stmt"},
    TagName{0x23, "DW_TAG_access_declaration"},
    TagName{0x25, "DW_TAG_catch_block"},
    TagName{0x27, "DW_TAG_constant"},
    TagName{0x29, "DW_TAG_file_type"},
    TagName{0x2a, "DW_TAG_friend"},
    TagName{0x2b, "DW_TAG_namelist"},
    TagName{0x2c, "DW_TAG_namelist_item"},
    TagName{0x2d, "DW_TAG_packed_type"},
    TagName{0x2f, "DW_TAG_template_type_param"},
    TagName{0x30, "DW_TAG_template_value_param"},
    TagName{0x31, "DW_TAG_thrown_type"},
    TagName{0x32, "DW_TAG_try_block"},
    TagName{0x33, "DW_TAG_variant_part"},
    TagName{0x36, "DW_TAG_dwarf_procedure"},
    TagName{0x37, "DW_TAG_restrict_type"},
    TagName{0x38, "DW_TAG_interface_type"},
    TagName{0x3a, "DW_TAG_imported_module"},
    TagName{0x3b, "DW_TAG_unspecified_type"},
    TagName{0x3c, "DW_TAG_partial_unit"},
    TagName{0x3d, "DW_TAG_imported_unit"},
    TagName{0x3f, "DW_TAG_condition"},
    TagName{0x40, "DW_TAG_shared_type"},
    TagName{0x41, "DW_TAG_type_unit"},
    TagName{0x42, "DW_TAG_rvalue_reference_type"},
    TagName{0x43, "DW_TAG_template_alias"},
    TagName{0x44, "DW_TAG_coarray_type"},
    TagName{0x45, "DW_TAG_generic_subrange"},
    TagName{0x46, "DW_TAG_dynamic_type"},
    TagName{0x47, "DW_TAG_atomic_type"},
    TagName{0x48, "DW_TAG_call_site"},
    TagName{0x49, "DW_TAG_call_site_parameter"},
    TagName{0x4a, "DW_TAG_skeleton_unit"},
    TagName{0x4b, "DW_TAG_immutable_type"},
    TagName{0x4081, "DW_TAG_MIPS_loop"},
    TagName{0x4101, "DW_TAG_format_label"},
    TagName{0x4102, "DW_TAG_function_template"},
    TagName{0x4103, "DW_TAG_class_template"},
    TagName{0x4104, "DW_TAG_GNU_BINCL"},
    TagName{0x4105, "DW_TAG_GNU_EINCL"},
    TagName{0x4106, "DW_TAG_GNU_template_template_param"},
    TagName{0x4107, "DW_TAG_GNU_template_parameter_pack"},
    TagName{0x4108, "DW_TAG_GNU_formal_parameter_pack"},
    TagName{0x4109, "DW_TAG_GNU_call_site"},
    TagName{0x410a, "DW_TAG_GNU_call_site_parameter"},
};

// What a tag makes: the row of kKnownTags, else a plain object with the tag's name.
struct TagMeaning {
  Kind kind = Kind::Plain;
  std::string_view name;
};

class TagMeanings {
 public:
  TagMeanings() {
    for (const KnownTag& tag : kKnownTags)
      byCode_[tag.code] = {tag.kind, tag.name};
    for (const TagName& tag : kOtherTagNames) {
      if (tag.code < byCode_.size()) {
        byCode_[tag.code] = {Kind::Plain, tag.name};
      } else {
        vendor_.push_back({tag.code, {Kind::Plain, tag.name}});
      }
    }
  }
  // Null for a tag that objdump has no name for either.
  const TagMeaning* find(std::uint32_t code) const {
    if (code < byCode_.size()) return byCode_[code].name.empty() ? nullptr : &byCode_[code];
    for (const auto& [vendorCode, meaning] : vendor_) {
      if (vendorCode == code) return &meaning;
    }
    return nullptr;
  }

 private:
  std::array<TagMeaning, 0x50> byCode_{};
  // The vendors' tags (GNU, MIPS), few and far above the standard ones.
  std::vector<std::pair<std::uint32_t, TagMeaning>> vendor_;
};

// The attribute codes of kKnownAttributes, looked up by code.
class AttributeMeanings {
 public:
  AttributeMeanings() {
    byCode_.fill(Attribute::Other);
    for (const KnownAttribute& attribute : kKnownAttributes)
      byCode_[attribute.code] = attribute.attribute;
  }
  Attribute find(std::uint16_t code) const {
    return code < byCode_.size() ? byCode_[code] : Attribute::Other;
  }

 private:
  std::array<Attribute, 0x80> byCode_{};
};

constexpr std::uint16_t kStrOffsetsBase = 0x72;  // DW_AT_str_offsets_base
constexpr std::uint16_t kAddrBase = 0x73;        // DW_AT_addr_base
constexpr std::uint16_t kGnuAddrBase = 0x2133;   // DW_AT_GNU_addr_base

// What the expression of a location holds, as far as placing a variable is concerned.
struct ExpressionShape {
  bool singleAddress = false;  // exactly one DW_OP_addr
  bool singleIndex = false;    // exactly one DW_OP_addrx or DW_OP_GNU_addr_index
  bool hasPiece = false;
  bool hasAddress = false;  // a DW_OP_addr or DW_OP_addrx anywhere
  std::uint64_t operand = 0;
};

// The decimal texts of line numbers, each kept once: most entries have one, and few
// numbers repeat more often.
class LineTexts {
 public:
  Text textOf(std::uint64_t line, TextArena& texts) {
    if (line >= kKept) return texts.copy(std::to_string(line));
    if (line >= kept_.size()) kept_.resize(static_cast<std::size_t>(line) + 1);
    Text& text = kept_[static_cast<std::size_t>(line)];
    if (text.empty()) text = texts.copy(std::to_string(line));
    return text;
  }

 private:
  static constexpr std::uint64_t kKept = 1 << 16;
  std::vector<Text> kept_;
};

}  // namespace

class DebugInfoReader::Impl {
 public:
  Impl(ModelStore& store, const DebugSections& sections)
      : store_(store), sections_(sections), abbreviations_(sections.abbrev, sections.littleEndian) {
    store_.root =
        OwnedObject(store_.objects.make<BasicObject>(0, Text{}, nullptr, &store_.objects));
    parentByLevel_.push_back(store_.root.get());
  }

  void readSection(ReferenceSpace space) {
    space_ = space;
    const std::string_view bytes =
        space == ReferenceSpace::Types ? sections_.types : sections_.info;
    const char* name = space == ReferenceSpace::Types ? ".debug_types" : ".debug_info";
    ByteCursor in(bytes, sections_.littleEndian, name);
    section_ = bytes;
    releasedUpTo_ = 0;
    sectionStarts_.emplace_back(store_.root->children.size(), space);
    sectionObjects_.push_back(0);
    while (!in.atEnd())
      readUnit(in);
    releaseUpTo(bytes.size());
    abbreviations_.clear();
    if (sections_.release) sections_.release(sections_.abbrev);
  }

 private:
  struct Unit {
    std::uint32_t offset = 0;
    std::uint16_t version = 0;
    std::uint8_t addressSize = 4;
    std::uint64_t strOffsetsBase = 0;
    std::uint64_t addrBase = 0;
    bool hasAddrBase = false;
  };

  void readUnit(ByteCursor& section) {
    Unit unit;
    unit.offset = static_cast<std::uint32_t>(section.offset());
    ByteCursor in = section.takeUnit("a unit");

    unit.version = in.u16();
    if (unit.version < 2 || unit.version > 5) {
      in.fail("a unit of DWARF version " + std::to_string(unit.version) +
              "; versions 2 to 5 are read");
    }
    std::uint64_t abbrevOffset = 0;
    bool typeUnit = space_ == ReferenceSpace::Types;
    if (unit.version >= 5) {
      const std::uint8_t unitType = in.u8();
      unit.addressSize = in.u8();
      abbrevOffset = in.u32();
      switch (unitType) {
        case 1:  // DW_UT_compile
        case 3:  // DW_UT_partial
          break;
        case 2:  // DW_UT_type
        case 6:  // DW_UT_split_type
          typeUnit = true;
          break;
        case 4:        // DW_UT_skeleton
        case 5:        // DW_UT_split_compile
          in.skip(8);  // the DWO id
          break;
        default:
          in.fail("a unit of type " + hexText(unitType) + ", which DWARF 5 does not define");
      }
    } else {
      abbrevOffset = in.u32();
      unit.addressSize = in.u8();
    }
    if (unit.addressSize != 2 && unit.addressSize != 4 && unit.addressSize != 8) {
      in.fail("an address size of " + std::to_string(unit.addressSize) + " bytes");
    }
    if (typeUnit) {
      const std::uint64_t signature = in.u64();
      const std::uint32_t typeOffset = in.u32();
      store_.typeUnitsBySignature.try_emplace(
          signature, ModelStore::TypeUnitType{space_, unit.offset + typeOffset});
    }
    pointerSize_ = unit.addressSize;
    const AbbreviationTable& table = abbreviations_.at(abbrevOffset);
    findBases(in, table, unit);
    readEntries(in, table, unit);
  }

  // The unit's own entry may give the bases of its string offsets and addresses after
  // the attributes that need them: they are looked for first.
  void findBases(ByteCursor in, const AbbreviationTable& table, Unit& unit) {
    unit.strOffsetsBase = unit.version >= 5 ? 8 : 0;  // behind the section's header
    if (in.atEnd()) return;
    const std::uint64_t code = in.uleb();
    const Abbreviation* abbreviation = code != 0 ? table.find(code) : nullptr;
    if (abbreviation == nullptr) return;
    const AttributeSpec* specs = table.specsOf(*abbreviation);
    for (std::uint32_t k = 0; k < abbreviation->specCount; ++k) {
      const FormValue value = readForm(in, specs[k].form, unit, table.implicitConst(specs[k]));
      if (specs[k].attribute == kStrOffsetsBase) unit.strOffsetsBase = value.value;
      if (specs[k].attribute == kAddrBase || specs[k].attribute == kGnuAddrBase) {
        unit.addrBase = value.value;
        unit.hasAddrBase = true;
      }
    }
  }

  void readEntries(ByteCursor& in, const AbbreviationTable& table, const Unit& unit) {
    std::uint32_t level = 0;
    while (!in.atEnd()) {
      const auto offset = static_cast<std::uint32_t>(in.offset());
      const std::uint64_t code = in.uleb();
      if (code == 0) {
        // The end of a list of children; at level 0 only padding.
        if (level > 0) --level;
        continue;
      }
      const Abbreviation* abbreviation = table.find(code);
      if (abbreviation == nullptr) {
        in.fail("abbreviation code " + std::to_string(code) +
                ", which the unit's abbreviation table does not define");
      }
      if (offset - releasedUpTo_ >= kReleaseStep) releaseUpTo(offset);
      BasicObject* object = enter(level, offset, abbreviation->tag);
      const AttributeSpec* specs = table.specsOf(*abbreviation);
      for (std::uint32_t k = 0; k < abbreviation->specCount; ++k) {
        const FormValue value = readForm(in, specs[k].form, unit, table.implicitConst(specs[k]));
        if (object == nullptr) continue;
        const Attribute attribute = attributes_.find(specs[k].attribute);
        if (attribute != Attribute::Other) apply(*object, attribute, value, unit);
      }
      if (abbreviation->hasChildren) {
        if (++level > BasicObject::kMaxDepth) {
          in.fail("entries nested deeper than " + std::to_string(BasicObject::kMaxDepth) +
                  " levels");
        }
      }
    }
  }

 public:
  void indexOffsets() {
    const ChildList& units = store_.root->children;
    // The objects of the units from `first` to `end`, each before its children: entry
    // order. The path down to the object is all that is kept.
    const auto walk = [&units](std::size_t first, std::size_t end, const auto& visit) {
      std::vector<std::pair<BasicObject*, std::size_t>> path;  // an object, its next child
      for (std::size_t unit = first; unit < end; ++unit) {
        visit(units[unit].get());
        path.emplace_back(units[unit].get(), 0);
        while (!path.empty()) {
          auto& [object, next] = path.back();
          if (next == object->children.size()) {
            path.pop_back();
            continue;
          }
          BasicObject* child = object->children[next++].get();
          visit(child);
          path.emplace_back(child, 0);
        }
      }
    };
    for (std::size_t k = 0; k < sectionStarts_.size(); ++k) {
      const auto [first, space] = sectionStarts_[k];
      const std::size_t end =
          k + 1 < sectionStarts_.size() ? sectionStarts_[k + 1].first : units.size();
      OffsetMap& map = space == ReferenceSpace::Types ? store_.typeSectionObjectsByOffset
                                                      : store_.objectsByOffset;
      map.reserve(map.size() + sectionObjects_[k]);
      walk(first, end, [&map](BasicObject* object) { map.insert(object->offset, object); });
    }
  }

 private:
  // The entries before `offset` are read, and every name read so far is copied: the
  // memory of both may go. The names are read again as later entries need them.
  void releaseUpTo(std::size_t offset) {
    if (!sections_.release) return;
    sections_.release(section_.substr(releasedUpTo_, offset - releasedUpTo_));
    sections_.release(sections_.str);
    releasedUpTo_ = offset;
  }

  // The object of a new entry, under the last entry of the level above; null for an
  // entry more than one level below the last one accepted, which is passed over.
  BasicObject* enter(std::uint32_t level, std::uint32_t offset, std::uint32_t tag) {
    if (level > lastLevel_) return nullptr;
    BasicObject& parent = *parentByLevel_[level];
    const TagMeaning* meaning = tags_.find(tag);
    BasicObject* object =
        meaning != nullptr
            ? createObjectOfKind(store_, meaning->kind, meaning->name, offset, parent, pointerSize_)
            : create<BasicObject>(offset, unknownTag(tag), parent);
    if (parentByLevel_.size() < level + 2u) parentByLevel_.resize(level + 2u);
    parentByLevel_[level + 1] = object;
    lastLevel_ = level + 1;
    ++sectionObjects_.back();
    return object;
  }

  // A tag that no table names keeps its number, as objdump prints it.
  Text unknownTag(std::uint32_t tag) {
    const std::string number = tag == 0 ? "0" : hexText(tag);
    return store_.texts.copy(
        (tag >= 0x4080 && tag <= 0xffff ? "User TAG value: " : "Unknown TAG value: ") + number);
  }

  FormValue readForm(ByteCursor& in, std::uint16_t form, const Unit& unit,
                     std::int64_t implicitConst, unsigned indirections = 0) {
    FormValue value;
    const auto number = [&](Printed printed, std::uint64_t n) {
      value.printed = printed;
      value.value = n;
      return value;
    };
    const auto block = [&](std::uint64_t length) {
      value.printed = Printed::Block;
      value.value = length;
      value.bytes = in.take(length);
      return value;
    };
    const auto string = [&](StringPlace place, std::uint64_t n) {
      value.printed = Printed::String;
      value.place = place;
      value.value = n;
      return value;
    };
    const auto unitReference = [&](std::uint64_t n) {
      return number(Printed::Reference, unit.offset + n);
    };
    switch (form) {
      case 0x01:  // DW_FORM_addr
        return number(Printed::Hex, in.fixed(unit.addressSize));
      case 0x03:  // DW_FORM_block2
        return block(in.u16());
      case 0x04:  // DW_FORM_block4
        return block(in.u32());
      case 0x05:  // DW_FORM_data2
        return number(Printed::Unsigned, in.u16());
      case 0x06:  // DW_FORM_data4
        return number(Printed::Hex, in.u32());
      case 0x07:  // DW_FORM_data8
        return number(Printed::Hex, in.u64());
      case 0x08:  // DW_FORM_string
        value.bytes = in.cstring();
        return string(StringPlace::Inline, 0);
      case 0x09:  // DW_FORM_block
        return block(in.uleb());
      case 0x0a:  // DW_FORM_block1
        return block(in.u8());
      case 0x0b:  // DW_FORM_data1
        return number(Printed::Unsigned, in.u8());
      case 0x0c:  // DW_FORM_flag
        return number(Printed::Unsigned, in.u8());
      case 0x0d:  // DW_FORM_sdata
        return number(Printed::Signed, static_cast<std::uint64_t>(in.sleb()));
      case 0x0e:  // DW_FORM_strp
        return string(StringPlace::Str, in.u32());
      case 0x0f:  // DW_FORM_udata
        return number(Printed::Unsigned, in.uleb());
      case 0x10:  // DW_FORM_ref_addr: the address size in DWARF 2, an offset after it
        return number(Printed::Reference,
                      unit.version == 2 ? in.fixed(unit.addressSize) : in.u32());
      case 0x11:  // DW_FORM_ref1
        return unitReference(in.u8());
      case 0x12:  // DW_FORM_ref2
        return unitReference(in.u16());
      case 0x13:  // DW_FORM_ref4
        return unitReference(in.u32());
      case 0x14:  // DW_FORM_ref8
        return unitReference(in.u64());
      case 0x15:  // DW_FORM_ref_udata
        return unitReference(in.uleb());
      case 0x16: {  // DW_FORM_indirect: the form comes first
        const std::uint64_t actual = in.uleb();
        if (indirections > 4 || actual > 0xffff) in.fail("a chain of indirect forms");
        return readForm(in, static_cast<std::uint16_t>(actual), unit, implicitConst,
                        indirections + 1);
      }
      case 0x17:  // DW_FORM_sec_offset
        return number(Printed::Hex, in.u32());
      case 0x18:  // DW_FORM_exprloc
        return block(in.uleb());
      case 0x19:  // DW_FORM_flag_present
        return number(Printed::Unsigned, 1);
      case 0x1a:  // DW_FORM_strx
        return string(StringPlace::Indexed, in.uleb());
      case 0x1b:  // DW_FORM_addrx
        return number(Printed::Index, in.uleb());
      case 0x1c:  // DW_FORM_ref_sup4
        return number(Printed::Reference, in.u32());
      case 0x1d:  // DW_FORM_strp_sup
        return string(StringPlace::Elsewhere, in.u32());
      case 0x1e:  // DW_FORM_data16
        in.skip(16);
        return number(Printed::Other, 0);
      case 0x1f:  // DW_FORM_line_strp
        return string(StringPlace::LineStr, in.u32());
      case 0x20:  // DW_FORM_ref_sig8
        return number(Printed::Signature, in.u64());
      case 0x21:  // DW_FORM_implicit_const
        return number(Printed::Signed, static_cast<std::uint64_t>(implicitConst));
      case 0x22:  // DW_FORM_loclistx
      case 0x23:  // DW_FORM_rnglistx
        return number(Printed::Hex, in.uleb());
      case 0x24:  // DW_FORM_ref_sup8
        return number(Printed::Reference, in.u64());
      case 0x25:  // DW_FORM_strx1
        return string(StringPlace::Indexed, in.u8());
      case 0x26:  // DW_FORM_strx2
        return string(StringPlace::Indexed, in.u16());
      case 0x27:  // DW_FORM_strx3
        return string(StringPlace::Indexed, in.fixed(3));
      case 0x28:  // DW_FORM_strx4
        return string(StringPlace::Indexed, in.u32());
      case 0x29:  // DW_FORM_addrx1
        return number(Printed::Index, in.u8());
      case 0x2a:  // DW_FORM_addrx2
        return number(Printed::Index, in.u16());
      case 0x2b:  // DW_FORM_addrx3
        return number(Printed::Index, in.fixed(3));
      case 0x2c:  // DW_FORM_addrx4
        return number(Printed::Index, in.u32());
      case 0x1f01:  // DW_FORM_GNU_addr_index
        return number(Printed::Index, in.uleb());
      case 0x1f02:  // DW_FORM_GNU_str_index
        return string(StringPlace::Indexed, in.uleb());
      case 0x1f20:  // DW_FORM_GNU_ref_alt: an entry of another file
        return number(Printed::Reference, in.u32());
      case 0x1f21:  // DW_FORM_GNU_strp_alt: a string of another file
        return string(StringPlace::Elsewhere, in.u32());
      default:
        in.fail("the form " + hexText(form) + ", which this reader does not know");
    }
  }

  // The text of a string value; empty for one kept in another file.
  std::string_view textOf(const FormValue& value, const Unit& unit) const {
    const auto at = &ByteCursor::stringAt;
    switch (value.place) {
      case StringPlace::Inline:
        return value.bytes;
      case StringPlace::Str:
        return at(sections_.str, ".debug_str", value.value);
      case StringPlace::LineStr:
        return at(sections_.lineStr, ".debug_line_str", value.value);
      case StringPlace::Indexed: {
        ByteCursor offsets(sections_.strOffsets, sections_.littleEndian, ".debug_str_offsets");
        const std::uint64_t place = unit.strOffsetsBase + value.value * 4;
        if (value.value > sections_.strOffsets.size() || place + 4 > sections_.strOffsets.size()) {
          throw DwarfError(".debug_str_offsets: string index " + std::to_string(value.value) +
                           " lies past the end of the section");
        }
        offsets.seek(static_cast<std::size_t>(place));
        return at(sections_.str, ".debug_str", offsets.u32());
      }
      case StringPlace::Elsewhere:
        break;
    }
    return {};
  }

  // The address at an index of the unit's part of .debug_addr, as objdump resolves it
  // for the attributes it prints; 0 when the unit has none there.
  std::uint64_t addressAt(std::uint64_t index, const Unit& unit) const {
    if (!unit.hasAddrBase || index > sections_.addr.size()) return 0;
    const std::uint64_t place = unit.addrBase + index * unit.addressSize;
    if (place + unit.addressSize > sections_.addr.size()) return 0;
    ByteCursor in(sections_.addr, sections_.littleEndian, ".debug_addr",
                  static_cast<std::size_t>(place));
    return in.fixed(unit.addressSize);
  }

  ExpressionShape shapeOf(std::string_view expression, const Unit& unit) const {
    ExpressionShape shape;
    ByteCursor in(expression, sections_.littleEndian, "a location expression");
    unsigned operations = 0;
    std::uint8_t first = 0;
    try {
      while (!in.atEnd()) {
        const std::uint8_t op = in.u8();
        if (operations++ == 0) first = op;
        switch (op) {
          case 0x03:  // DW_OP_addr
            shape.operand = in.fixed(unit.addressSize);
            shape.hasAddress = true;
            break;
          case 0xa1:  // DW_OP_addrx
            shape.operand = in.uleb();
            shape.hasAddress = true;
            break;
          case 0xfb:  // DW_OP_GNU_addr_index
            shape.operand = in.uleb();
            break;
          case 0x93:  // DW_OP_piece
            in.uleb();
            shape.hasPiece = true;
            break;
          default:
            if (!skipOperands(in, op, unit)) return shape;
            break;
        }
      }
    } catch (const DwarfError&) {
      // objdump prints what it decoded before the cut; nothing of it places the variable.
      shape.singleAddress = shape.singleIndex = false;
      return shape;
    }
    if (operations == 1) {
      shape.singleAddress = first == 0x03;
      shape.singleIndex = first == 0xa1 || first == 0xfb;
    }
    return shape;
  }

  // Passes over the operands of an operation; false for one whose operands are unknown.
  static bool skipOperands(ByteCursor& in, std::uint8_t op, const Unit& unit) {
    if (op >= 0x70 && op <= 0x8f) {  // DW_OP_breg0..31
      in.sleb();
      return true;
    }
    switch (op) {
      case 0x08:
      case 0x09:
      case 0x15:
      case 0x94:
      case 0x95:
        in.skip(1);
        return true;
      case 0x0a:
      case 0x0b:
      case 0x28:
      case 0x2f:
      case 0x98:
        in.skip(2);
        return true;
      case 0x0c:
      case 0x0d:
      case 0x99:
      case 0x9a:
      case 0xfa:
      case 0xfd:
        in.skip(4);
        return true;
      case 0x0e:
      case 0x0f:
        in.skip(8);
        return true;
      case 0x10:
      case 0x23:
      case 0x90:
      case 0xa2:
      case 0xa8:
      case 0xa9:
      case 0xf7:
      case 0xf9:
      case 0xfc:
        in.uleb();
        return true;
      case 0x11:
      case 0x91:
        in.sleb();
        return true;
      case 0x92:  // DW_OP_bregx
        in.uleb();
        in.sleb();
        return true;
      case 0x9d:
      case 0xa5:
      case 0xf5:  // DW_OP_bit_piece, DW_OP_regval_type
        in.uleb();
        in.uleb();
        return true;
      case 0x9e:
      case 0xa3:
      case 0xf3:  // DW_OP_implicit_value, DW_OP_entry_value
        in.skip(in.uleb());
        return true;
      case 0xa0:
      case 0xf2:  // DW_OP_implicit_pointer
        in.skip(unit.version == 2 ? unit.addressSize : 4);
        in.sleb();
        return true;
      case 0xa4:
      case 0xf4:  // DW_OP_const_type
        in.uleb();
        in.skip(in.u8());
        return true;
      case 0xa6:
      case 0xa7:
      case 0xf6:  // DW_OP_deref_type
        in.skip(1);
        in.uleb();
        return true;
      default:
        // The operations without operands: literals, registers, arithmetic.
        return (op >= 0x06 && op <= 0x9c) || op == 0x9f || op == 0xe0 || op == 0xf0;
    }
  }

  // One attribute of an entry through the rules of the dump's reader.
  void apply(BasicObject& object, Attribute attribute, const FormValue& form, const Unit& unit);

  ModelStore& store_;
  const DebugSections& sections_;
  AbbreviationTables abbreviations_;
  TagMeanings tags_;
  AttributeMeanings attributes_;
  ReferenceSpace space_ = ReferenceSpace::Info;
  // The section being read, and how much of it has been given back.
  std::string_view section_;
  std::size_t releasedUpTo_ = 0;
  // Where the units of each section read start among the root's children, and the
  // section's space.
  std::vector<std::pair<std::size_t, ReferenceSpace>> sectionStarts_;
  std::vector<std::size_t> sectionObjects_;  // how many objects each section made
  LineTexts lineTexts_;
  std::unordered_map<std::uint64_t, Text> namesByOffset_;
  static constexpr std::size_t kReleaseStep = std::size_t{1} << 18;
  std::vector<BasicObject*> parentByLevel_;
  std::uint32_t lastLevel_ = 0;
  std::int32_t pointerSize_ = 0;
};

namespace {

// An attribute's value as the field rules read it: what objdump's text of it would give.
struct EntryValue {
  Attribute attribute;
  const FormValue& form;
  TextArena& texts;
  LineTexts* lines;
  std::uint32_t numericValue = 0;
  Text textValue;
  ReferenceSpace space = ReferenceSpace::Info;
  std::vector<ModelStore::SignatureReference>* signatures = nullptr;

  void assign(Reference& reference) const {
    if (form.printed == Printed::Signature) {
      reference.offset = 0;
      reference.space = ReferenceSpace::Signature;
      signatures->push_back({&reference, form.value});
      return;
    }
    reference.offset = numericValue;
    reference.space = space;
  }
  bool number() const {
    return form.printed == Printed::Unsigned || form.printed == Printed::Signed ||
           form.printed == Printed::Hex;
  }
  bool flag() const { return !number() || form.value != 0; }
  // A number field keeps the low 32 bits; a block reads as its length, anything else
  // ("<0x2e>", a string) as 0.
  std::uint32_t decimal() const {
    return number() || form.printed == Printed::Block ? static_cast<std::uint32_t>(form.value) : 0;
  }
  std::int64_t constant() const {
    return number() || form.printed == Printed::Block ? static_cast<std::int64_t>(form.value) : 0;
  }
  Text lineText() const {
    switch (form.printed) {
      case Printed::Unsigned:
        return lines->textOf(form.value, texts);
      case Printed::Signed:
        return static_cast<std::int64_t>(form.value) < 0
                   ? texts.copy(std::to_string(static_cast<std::int64_t>(form.value)))
                   : lines->textOf(form.value, texts);
      case Printed::Hex:
        return lines->textOf(static_cast<std::uint32_t>(form.value), texts);
      default:
        return {};
    }
  }
};

}  // namespace

void DebugInfoReader::Impl::apply(BasicObject& object, Attribute attribute, const FormValue& form,
                                  const Unit& unit) {
  EntryValue line{attribute, form, store_.texts, &lineTexts_,
                  0,         {},   space_,       &store_.signatureReferences};
  switch (attribute) {
    case Attribute::Name:
      if (form.place == StringPlace::Str) {
        // Names of .debug_str repeat (a member's name in every instance of a template):
        // each is copied once.
        Text& kept = namesByOffset_[form.value];
        if (kept.empty()) kept = store_.texts.copy(textOf(form, unit));
        line.textValue = kept;
      } else if (form.printed == Printed::String) {
        line.textValue = store_.texts.copy(textOf(form, unit));
      }
      object.name = line.textValue;
      break;
    case Attribute::Location: {
      if (form.printed != Printed::Block) break;
      const ExpressionShape shape = shapeOf(form.bytes, unit);
      if (shape.singleAddress) {
        line.numericValue = static_cast<std::uint32_t>(shape.operand);
        store_.addressedObjects.push_back(&object);
      } else if (shape.singleIndex) {
        store_.addressedObjects.push_back(&object);
        if (object.kind == Kind::Variable) {
          store_.indexedLocations.push_back({static_cast<VariableInfo*>(&object), unit.offset,
                                             static_cast<std::uint32_t>(shape.operand)});
        }
      } else if (shape.hasPiece && shape.hasAddress && object.kind == Kind::Variable) {
        store_.piecewiseVariables.push_back(static_cast<VariableInfo*>(&object));
      }
      break;
    }
    case Attribute::DataMemberLocation:
      if (form.printed == Printed::Block) {
        ByteCursor in(form.bytes, true, "a member location");
        if (!form.bytes.empty() && in.u8() == 0x23) {  // DW_OP_plus_uconst
          try {
            const std::uint64_t offset = in.uleb();
            if (in.atEnd()) line.numericValue = static_cast<std::uint32_t>(offset);
          } catch (const DwarfError&) {
          }
        }
      } else if (line.number()) {
        line.numericValue = static_cast<std::uint32_t>(form.value);
      }
      break;
    case Attribute::Type:
    case Attribute::Import:
    case Attribute::Specification:
    case Attribute::AbstractOrigin:
    case Attribute::LowPc:
    case Attribute::HighPc:
    case Attribute::StmtList:
      // Read as objdump's hexadecimal text reads: numbers printed in decimal give 0.
      switch (form.printed) {
        case Printed::Hex:
        case Printed::Reference:
          line.numericValue = static_cast<std::uint32_t>(form.value);
          break;
        case Printed::Index: {
          // objdump prints "(index: 0x4): 0x8010", and an address of 0 without "0x"
          // ("(index: 0x4): 0"), where the index is the last hexadecimal number.
          const std::uint64_t address = addressAt(form.value, unit);
          line.numericValue = static_cast<std::uint32_t>(address != 0 ? address : form.value);
          break;
        }
        default:
          break;
      }
      break;
    case Attribute::AddressBase:
      if (object.kind == Kind::CompileUnit) {
        store_.addressBasesByUnit.try_emplace(unit.offset, line.decimal());
      }
      break;
    case Attribute::Signature:
      if (form.printed == Printed::Signature) {
        store_.signedDeclarations.push_back({&object, form.value});
      }
      break;
    case Attribute::Encoding:
      if (line.number()) line.textValue = encodingWord(form.value);
      break;
    default:
      break;
  }
  setCommonField(object, line);
  setClassField(object, line, pointerSize_);
}

DebugInfoReader::DebugInfoReader(ModelStore& store, const DebugSections& sections)
    : impl_(std::make_unique<Impl>(store, sections)) {}
DebugInfoReader::~DebugInfoReader() = default;

void DebugInfoReader::readSection(ReferenceSpace space) {
  impl_->readSection(space);
}

void DebugInfoReader::indexOffsets() {
  impl_->indexOffsets();
}

}  // namespace Elf
