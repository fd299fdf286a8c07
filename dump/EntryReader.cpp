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
//    at level 0 (the compile unit). The tag's row in kTagTable says Kind::Variable, so
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
#include <type_traits>
#include <vector>

#include "dump/DumpLines.h"
#include "dump/FileTableReader.h"
#include "dump/LinePatterns.h"
#include "dump/NameIndex.h"
#include "dump/NumberText.h"
#include "dump/PlacementReader.h"
#include "model/ModelStore.h"

namespace Dump {

namespace {

using namespace Model;

// The kind of object an entry header creates, from its tag text.
struct TagRow {
  std::string_view tag;
  Kind kind;
};

constexpr std::array kTagTable{
    TagRow{"DW_TAG_array_type", Kind::Array},
    TagRow{"DW_TAG_base_type", Kind::Base},
    TagRow{"DW_TAG_class_type", Kind::Class},
    TagRow{"DW_TAG_const_type", Kind::Const},
    TagRow{"DW_TAG_enumeration_type", Kind::Enumeration},
    TagRow{"DW_TAG_enumerator", Kind::Enumerator},
    TagRow{"DW_TAG_imported_declaration", Kind::ImportedDeclaration},
    TagRow{"DW_TAG_inheritance", Kind::Inheritance},
    TagRow{"DW_TAG_member", Kind::Member},
    TagRow{"DW_TAG_namespace", Kind::Namespace},
    TagRow{"DW_TAG_pointer_type", Kind::Pointer},
    TagRow{"DW_TAG_structure_type", Kind::Structure},
    TagRow{"DW_TAG_subrange_type", Kind::Subrange},
    TagRow{"DW_TAG_inlined_subroutine", Kind::Subroutine},
    TagRow{"DW_TAG_subroutine_type", Kind::Subroutine},
    TagRow{"DW_TAG_typedef", Kind::Typedef},
    TagRow{"DW_TAG_union_type", Kind::Union},
    TagRow{"DW_TAG_volatile_type", Kind::Volatile},
    TagRow{"DW_TAG_subprogram", Kind::Function},
    TagRow{"DW_TAG_compile_unit", Kind::CompileUnit},
    TagRow{"DW_TAG_variable", Kind::Variable},
    TagRow{"DW_TAG_formal_parameter", Kind::Variable},
};

// The attributes that some table below names.
enum class Attribute {
  Other,
  Name,
  Location,
  DataMemberLocation,
  LowPc,
  HighPc,
  Type,
  Import,
  StmtList,
  Specification,
  AbstractOrigin,
  Encoding,
  DeclLine,
  DeclFile,
  External,
  Declaration,
  ByteSize,
  BitSize,
  BitOffset,
  DataBitOffset,
  UpperBound,
  LowerBound,
  Count,
  CallLine,
  CallFile,
  Signature,
  AddressBase,
  ConstValue,
};

struct AttributeRow {
  std::string_view name;
  Attribute attribute;
};

constexpr std::array kAttributeTable{
    AttributeRow{"DW_AT_name", Attribute::Name},
    AttributeRow{"DW_AT_location", Attribute::Location},
    AttributeRow{"DW_AT_data_member_location", Attribute::DataMemberLocation},
    AttributeRow{"DW_AT_low_pc", Attribute::LowPc},
    AttributeRow{"DW_AT_high_pc", Attribute::HighPc},
    AttributeRow{"DW_AT_type", Attribute::Type},
    AttributeRow{"DW_AT_import", Attribute::Import},
    AttributeRow{"DW_AT_stmt_list", Attribute::StmtList},
    AttributeRow{"DW_AT_specification", Attribute::Specification},
    AttributeRow{"DW_AT_abstract_origin", Attribute::AbstractOrigin},
    AttributeRow{"DW_AT_encoding", Attribute::Encoding},
    AttributeRow{"DW_AT_decl_line", Attribute::DeclLine},
    AttributeRow{"DW_AT_decl_file", Attribute::DeclFile},
    AttributeRow{"DW_AT_external", Attribute::External},
    AttributeRow{"DW_AT_declaration", Attribute::Declaration},
    AttributeRow{"DW_AT_byte_size", Attribute::ByteSize},
    AttributeRow{"DW_AT_bit_size", Attribute::BitSize},
    AttributeRow{"DW_AT_bit_offset", Attribute::BitOffset},
    AttributeRow{"DW_AT_data_bit_offset", Attribute::DataBitOffset},
    AttributeRow{"DW_AT_upper_bound", Attribute::UpperBound},
    AttributeRow{"DW_AT_lower_bound", Attribute::LowerBound},
    AttributeRow{"DW_AT_count", Attribute::Count},
    AttributeRow{"DW_AT_call_line", Attribute::CallLine},
    AttributeRow{"DW_AT_call_file", Attribute::CallFile},
    AttributeRow{"DW_AT_signature", Attribute::Signature},
    AttributeRow{"DW_AT_addr_base", Attribute::AddressBase},
    AttributeRow{"DW_AT_const_value", Attribute::ConstValue},
};

constexpr NameIndex kAttributeIndex(kAttributeTable, &AttributeRow::name, 6);
constexpr NameIndex kTagIndex(kTagTable, &TagRow::tag, 7);

Attribute attributeNamed(std::string_view name) {
  const std::size_t row = kAttributeIndex.find(name);
  return row < kAttributeTable.size() ? kAttributeTable[row].attribute : Attribute::Other;
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
  // A number field: decimal, or hexadecimal where objdump prints it so (four-byte forms).
  std::uint32_t decimal() const { return readNumber(rawValue); }
  std::int32_t signedDecimal() const { return static_cast<std::int32_t>(readNumber(rawValue)); }
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

template <class T>
T* registered(std::vector<T*>& list, T* object) {
  list.push_back(object);
  return object;
}

// Step C of an attribute line: the fields of the current object's own kind, one function
// per kind that has fields of its own.

void setCompileUnitField(CompileUnitInfo& unit, const AttributeValues& line) {
  switch (line.attribute) {
    case Attribute::LowPc:
      unit.lowPc = line.numericValue;
      break;
    case Attribute::HighPc:
      unit.highPc = line.numericValue;
      break;
    case Attribute::StmtList:
      unit.stmtList = line.numericValue;
      break;
    default:
      break;
  }
}

// DW_AT_type, also DW_AT_import of an imported declaration.
bool setType(BasicObject& object, const AttributeValues& line) {
  if (line.attribute != Attribute::Type && line.attribute != Attribute::Import) return false;
  line.assign(object.type);
  return true;
}

// DW_AT_specification, also DW_AT_abstract_origin: the declaration an entry completes.
bool setSpecification(BasicObject& object, const AttributeValues& line) {
  if (line.attribute != Attribute::Specification && line.attribute != Attribute::AbstractOrigin) {
    return false;
  }
  line.assign(object.specification);
  return true;
}

void setFunctionField(FunctionInfo& function, const AttributeValues& line) {
  if (setType(function, line) || setSpecification(function, line)) return;
  switch (line.attribute) {
    case Attribute::LowPc:
      function.lowPc = line.numericValue;
      break;
    case Attribute::HighPc:
      function.highPc = line.numericValue;
      break;
    case Attribute::External:
      function.external = line.flag();
      break;
    default:
      break;
  }
}

void setVariableField(VariableInfo& variable, const AttributeValues& line) {
  if (setType(variable, line) || setSpecification(variable, line)) return;
  switch (line.attribute) {
    case Attribute::Location:
      variable.location = line.numericValue;
      variable.hasLocation = true;
      break;
    case Attribute::External:
      variable.external = line.flag();
      break;
    default:
      break;
  }
}

void setMemberField(TypeInfo_Member& member, const AttributeValues& line) {
  if (setType(member, line)) return;
  switch (line.attribute) {
    case Attribute::DataMemberLocation:
      member.dataMemberLocation = line.numericValue;
      break;
    case Attribute::BitSize:
      member.bitSize = line.decimal();
      break;
    case Attribute::BitOffset:
      member.bitOffset = line.decimal();
      break;
    case Attribute::ByteSize:
      member.byteSizeAttr = line.decimal();
      break;
    case Attribute::Declaration:
      member.declaration = line.flag();
      break;
    case Attribute::DataBitOffset:
      member.dataBitOffset = line.decimal();
      member.hasDataBitOffset = true;
      break;
    default:
      break;
  }
}

void setSubrangeField(TypeInfo_Subrange& subrange, const AttributeValues& line) {
  if (setType(subrange, line)) return;
  switch (line.attribute) {
    case Attribute::UpperBound:
      subrange.upperBound = line.decimal();
      subrange.hasUpperBound = true;
      break;
    case Attribute::LowerBound:
      subrange.lowerBound = line.decimal();
      break;
    case Attribute::Count:
      // An element count instead of a bound; a count of 0 wraps to no elements.
      if (!subrange.hasUpperBound) subrange.upperBound = line.decimal() - 1;
      subrange.hasCount = true;
      break;
    default:
      break;
  }
}

// A subroutine type, or an inlined subroutine: the function it is an instance of
// (DW_AT_abstract_origin) counts as its type, and its call site as its declaration.
void setSubroutineField(TypeInfo_Subroutine& subroutine, const AttributeValues& line) {
  switch (line.attribute) {
    case Attribute::Type:
    case Attribute::Import:
    case Attribute::AbstractOrigin:
      line.assign(subroutine.type);
      break;
    case Attribute::CallLine:
      subroutine.declLine = line.lineText();
      break;
    case Attribute::CallFile:
      subroutine.declFile = line.decimal();
      break;
    default:
      break;
  }
}

template <class T>
void setByteSize(T& object, const AttributeValues& line) {
  if (line.attribute == Attribute::ByteSize) object.byteSizeAttr = line.decimal();
}

void setBaseField(TypeInfo_Base& base, const AttributeValues& line) {
  if (line.attribute == Attribute::Encoding) base.encodingName = line.textValue;
  setByteSize(base, line);
}

void setInheritanceField(TypeInfo_Inheritance& inheritance, const AttributeValues& line) {
  if (setType(inheritance, line)) return;
  if (line.attribute == Attribute::DataMemberLocation) {
    inheritance.dataMemberLocation = line.numericValue;
  }
}

// Structures, classes and unions: size, declaration, and (not for unions) the entry they
// complete.
template <class T>
void setCompositeField(T& composite, const AttributeValues& line) {
  setByteSize(composite, line);
  if (line.attribute == Attribute::Declaration) composite.declaration = line.flag();
  if constexpr (!std::is_same_v<T, TypeInfo_Union>) {
    if (line.attribute == Attribute::Specification) setSpecification(composite, line);
  }
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
    if (row < kTagTable.size()) {
      return createObjectOfKind(kTagTable[row].kind, kTagTable[row].tag, offset, parent);
    }
    return create<BasicObject>(offset, otherTag(tagText), parent);
  }

  // A new object of the kind, registered in the store's list of its kind.
  template <class T>
  T* make(std::vector<T*>& list, Text tag, std::uint32_t offset, BasicObject& parent) {
    return registered(list, create<T>(offset, tag, parent));
  }

  BasicObject* createObjectOfKind(Kind kind, Text tag, std::uint32_t offset, BasicObject& parent) {
    ModelStore& s = store_;
    switch (kind) {
      case Kind::Plain:
        break;
      case Kind::CompileUnit:
        return create<CompileUnitInfo>(offset, tag, parent);
      case Kind::Function:
        return make(s.functions, tag, offset, parent);
      case Kind::Variable:
        return make(s.variables, tag, offset, parent);
      case Kind::Array:
        return make(s.arrayTypes, tag, offset, parent);
      case Kind::Base:
        return create<TypeInfo_Base>(offset, tag, parent);
      case Kind::Class:
        return composite(make(s.classTypes, tag, offset, parent));
      case Kind::Const:
        return make(s.constTypes, tag, offset, parent);
      case Kind::Enumeration:
        return make(s.enumerationTypes, tag, offset, parent);
      case Kind::Enumerator:
        return create<TypeInfo_Enumerator>(offset, tag, parent);
      case Kind::ImportedDeclaration:
        return make(s.importedDeclarations, tag, offset, parent);
      case Kind::Inheritance:
        return make(s.inheritances, tag, offset, parent);
      case Kind::Member:
        return make(s.members, tag, offset, parent);
      case Kind::Namespace:
        return create<TypeInfo_Namespace>(offset, tag, parent);
      case Kind::Pointer: {
        auto* pointer = make(s.pointerTypes, tag, offset, parent);
        pointer->byteSizeAttr = static_cast<std::uint32_t>(pointerSize_);
        return pointer;
      }
      case Kind::Structure:
        return composite(make(s.structureTypes, tag, offset, parent));
      case Kind::Subrange:
        return make(s.subrangeTypes, tag, offset, parent);
      case Kind::Subroutine:
        return make(s.subroutineTypes, tag, offset, parent);
      case Kind::Typedef:
        return make(s.typedefs, tag, offset, parent);
      case Kind::Union:
        return composite(make(s.unionTypes, tag, offset, parent));
      case Kind::Volatile:
        return make(s.volatileTypes, tag, offset, parent);
    }
    return create<BasicObject>(offset, tag, parent);
  }

  BasicObject* composite(BasicObject* type) {
    store_.compositeTypes.push_back(type);
    return type;
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
    setCommonField(line);
    setClassField(line);
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

  // Step B: the fields every class has.
  void setCommonField(const AttributeValues& line) {
    BasicObject& object = *currentObject_;
    switch (line.attribute) {
      case Attribute::DeclLine:
        object.declLine = line.lineText();
        break;
      case Attribute::DeclFile:
        object.declFile = line.decimal();
        break;
      default:
        break;
    }
  }

  // Step C: the fields of the current object's kind.
  void setClassField(const AttributeValues& line) {
    BasicObject& object = *currentObject_;
    switch (object.kind) {
      case Kind::Plain:
      case Kind::Namespace:
        break;
      case Kind::Enumerator:
        if (line.attribute == Attribute::ConstValue) {
          static_cast<TypeInfo_Enumerator&>(object).value = readConstant(line.rawValue);
        }
        break;
      case Kind::CompileUnit:
        setCompileUnitField(static_cast<CompileUnitInfo&>(object), line);
        break;
      case Kind::Function:
        setFunctionField(static_cast<FunctionInfo&>(object), line);
        break;
      case Kind::Variable:
        setVariableField(static_cast<VariableInfo&>(object), line);
        break;
      case Kind::Array:
        if (!setType(object, line)) setByteSize(static_cast<TypeInfo_Array&>(object), line);
        break;
      case Kind::Base:
        setBaseField(static_cast<TypeInfo_Base&>(object), line);
        break;
      case Kind::Class:
        setCompositeField(static_cast<TypeInfo_Class&>(object), line);
        break;
      case Kind::Const:
      case Kind::ImportedDeclaration:
      case Kind::Typedef:
      case Kind::Volatile:
        setType(object, line);
        break;
      case Kind::Enumeration:
        setByteSize(static_cast<TypeInfo_Enumeration&>(object), line);
        break;
      case Kind::Inheritance:
        setInheritanceField(static_cast<TypeInfo_Inheritance&>(object), line);
        break;
      case Kind::Member:
        setMemberField(static_cast<TypeInfo_Member&>(object), line);
        break;
      case Kind::Pointer:
        // The unit header's pointer size wins once one was read.
        if (!setType(object, line) && pointerSize_ == 0) {
          setByteSize(static_cast<TypeInfo_Pointer&>(object), line);
        }
        break;
      case Kind::Structure:
        setCompositeField(static_cast<TypeInfo_Structure&>(object), line);
        break;
      case Kind::Subrange:
        setSubrangeField(static_cast<TypeInfo_Subrange&>(object), line);
        break;
      case Kind::Subroutine:
        setSubroutineField(static_cast<TypeInfo_Subroutine&>(object), line);
        break;
      case Kind::Union:
        setCompositeField(static_cast<TypeInfo_Union&>(object), line);
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
