#include "dump/EntryReader.h"

#include <array>
#include <cstdint>
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

// The class an entry header creates, from its tag text.
enum class EntryClass {
  Plain,
  Array,
  Base,
  Class,
  Const,
  Enumeration,
  Enumerator,
  ImportedDeclaration,
  Inheritance,
  Member,
  Namespace,
  Pointer,
  Structure,
  Subrange,
  Subroutine,
  Typedef,
  Union,
  Volatile,
  Function,
  CompileUnit,
  Variable,
  Parameter,
};

struct TagRow {
  std::string_view tag;
  EntryClass entryClass;
};

constexpr std::array kTagTable{
    TagRow{"DW_TAG_array_type", EntryClass::Array},
    TagRow{"DW_TAG_base_type", EntryClass::Base},
    TagRow{"DW_TAG_class_type", EntryClass::Class},
    TagRow{"DW_TAG_const_type", EntryClass::Const},
    TagRow{"DW_TAG_enumeration_type", EntryClass::Enumeration},
    TagRow{"DW_TAG_enumerator", EntryClass::Enumerator},
    TagRow{"DW_TAG_imported_declaration", EntryClass::ImportedDeclaration},
    TagRow{"DW_TAG_inheritance", EntryClass::Inheritance},
    TagRow{"DW_TAG_member", EntryClass::Member},
    TagRow{"DW_TAG_namespace", EntryClass::Namespace},
    TagRow{"DW_TAG_pointer_type", EntryClass::Pointer},
    TagRow{"DW_TAG_structure_type", EntryClass::Structure},
    TagRow{"DW_TAG_subrange_type", EntryClass::Subrange},
    TagRow{"DW_TAG_inlined_subroutine", EntryClass::Subroutine},
    TagRow{"DW_TAG_subroutine_type", EntryClass::Subroutine},
    TagRow{"DW_TAG_typedef", EntryClass::Typedef},
    TagRow{"DW_TAG_union_type", EntryClass::Union},
    TagRow{"DW_TAG_volatile_type", EntryClass::Volatile},
    TagRow{"DW_TAG_subprogram", EntryClass::Function},
    TagRow{"DW_TAG_compile_unit", EntryClass::CompileUnit},
    TagRow{"DW_TAG_variable", EntryClass::Variable},
    TagRow{"DW_TAG_formal_parameter", EntryClass::Parameter},
};

// The attributes that some table below names.
enum class Attribute {
  Other,
  Name,
  CompDir,
  Producer,
  MipsLinkageName,
  LinkageName,
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
  Accessibility,
  Language,
  External,
  Declaration,
  Inline,
  Virtuality,
  ConstValue,
  ByteSize,
  BitSize,
  BitOffset,
  DataBitOffset,
  UpperBound,
  LowerBound,
  Count,
  CallLine,
  CallFile,
};

struct AttributeRow {
  std::string_view name;
  Attribute attribute;
};

constexpr std::array kAttributeTable{
    AttributeRow{"DW_AT_name", Attribute::Name},
    AttributeRow{"DW_AT_comp_dir", Attribute::CompDir},
    AttributeRow{"DW_AT_producer", Attribute::Producer},
    AttributeRow{"DW_AT_MIPS_linkage_name", Attribute::MipsLinkageName},
    AttributeRow{"DW_AT_linkage_name", Attribute::LinkageName},
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
    AttributeRow{"DW_AT_accessibility", Attribute::Accessibility},
    AttributeRow{"DW_AT_language", Attribute::Language},
    AttributeRow{"DW_AT_external", Attribute::External},
    AttributeRow{"DW_AT_declaration", Attribute::Declaration},
    AttributeRow{"DW_AT_inline", Attribute::Inline},
    AttributeRow{"DW_AT_virtuality", Attribute::Virtuality},
    AttributeRow{"DW_AT_const_value", Attribute::ConstValue},
    AttributeRow{"DW_AT_byte_size", Attribute::ByteSize},
    AttributeRow{"DW_AT_bit_size", Attribute::BitSize},
    AttributeRow{"DW_AT_bit_offset", Attribute::BitOffset},
    AttributeRow{"DW_AT_data_bit_offset", Attribute::DataBitOffset},
    AttributeRow{"DW_AT_upper_bound", Attribute::UpperBound},
    AttributeRow{"DW_AT_lower_bound", Attribute::LowerBound},
    AttributeRow{"DW_AT_count", Attribute::Count},
    AttributeRow{"DW_AT_call_line", Attribute::CallLine},
    AttributeRow{"DW_AT_call_file", Attribute::CallFile},
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

template <class T>
T* registered(std::vector<T*>& list, T* object) {
  list.push_back(object);
  return object;
}

// Step C of an attribute line: the fields of the current object's own class.

void setCompileUnitField(CompileUnitInfo& unit, const AttributeValues& line) {
  switch (line.attribute) {
    case Attribute::Name:
      unit.unitName = line.textValue;
      break;
    case Attribute::CompDir:
      unit.compDir = line.textValue;
      break;
    case Attribute::Language:
      unit.language = line.texts.copy(line.explanation);
      break;
    case Attribute::Producer:
      unit.producer = line.textValue;
      break;
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

void setFunctionField(FunctionInfo& function, const AttributeValues& line) {
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
    case Attribute::Declaration:
      function.declaration = line.flag();
      break;
    case Attribute::Inline:
      function.inlineAttr = line.flag();
      break;
    case Attribute::Type:
    case Attribute::Import:
      function.typeOffset = line.numericValue;
      break;
    case Attribute::Virtuality:
      function.virtuality = line.flag();
      break;
    case Attribute::Specification:
    case Attribute::AbstractOrigin:
      function.specificationOffset = line.numericValue;
      break;
    default:
      break;
  }
}

void setVariableField(VariableInfo& variable, const AttributeValues& line, ModelStore& store) {
  switch (line.attribute) {
    case Attribute::Type:
    case Attribute::Import:
      variable.typeOffset = line.numericValue;
      break;
    case Attribute::ConstValue:
      variable.constValue = line.rawText();
      variable.hasConstValue = true;
      store.constValueObjects.push_back(&variable);
      break;
    case Attribute::Specification:
    case Attribute::AbstractOrigin:
      variable.specificationOffset = line.numericValue;
      break;
    case Attribute::Location:
      variable.location = line.numericValue;
      variable.isStatic = true;
      break;
    case Attribute::External:
      variable.external = line.flag();
      break;
    case Attribute::Declaration:
      variable.declaration = line.flag();
      break;
    default:
      break;
  }
}

void setMemberField(TypeInfo_Member& member, const AttributeValues& line, ModelStore& store) {
  switch (line.attribute) {
    case Attribute::Type:
    case Attribute::Import:
      member.typeOffset = line.numericValue;
      break;
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
    case Attribute::ConstValue:
      member.constValue = line.rawText();
      member.hasConstValue = true;
      store.constValueObjects.push_back(&member);
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
  switch (line.attribute) {
    case Attribute::Type:
    case Attribute::Import:
      subrange.typeOffset = line.numericValue;
      break;
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
      break;
    default:
      break;
  }
}

void setSubroutineField(TypeInfo_Subroutine& subroutine, const AttributeValues& line) {
  switch (line.attribute) {
    case Attribute::Type:
    case Attribute::Import:
    case Attribute::AbstractOrigin:
      subroutine.typeOffset = line.numericValue;
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

// The classes whose only reference is DW_AT_type (also DW_AT_import).
template <class T>
void setTypeOffset(T& object, const AttributeValues& line) {
  if (line.attribute == Attribute::Type || line.attribute == Attribute::Import) {
    object.typeOffset = line.numericValue;
  }
}

template <class T>
void setByteSize(T& object, const AttributeValues& line) {
  if (line.attribute == Attribute::ByteSize) object.byteSizeAttr = line.decimal();
}

// Structures, classes and unions: size, declaration, and the entry they complete
// (DW_AT_specification).
template <class T>
void setCompositeField(T& composite, const AttributeValues& line) {
  setByteSize(composite, line);
  if (line.attribute == Attribute::Declaration) composite.declaration = line.flag();
  if constexpr (requires { composite.specificationOffset; }) {
    if (line.attribute == Attribute::Specification) {
      composite.specificationOffset = line.numericValue;
    }
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
    store_.root->inArena = true;
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
    store_.objectsByOffset.insert(offset, object);
    lastLevel_ = level + 1;
    currentObject_ = object;
    return true;
  }

  BasicObject* createObject(std::string_view tagText, std::uint32_t offset, BasicObject& parent) {
    const std::size_t row = kTagIndex.find(tagText);
    if (row < kTagTable.size()) {
      currentClass_ = kTagTable[row].entryClass;
      return createObjectOfClass(currentClass_, kTagTable[row].tag, offset, parent);
    }
    currentClass_ = EntryClass::Plain;
    return create<BasicObject>(store_.objects, offset, otherTag(tagText), parent);
  }

  BasicObject* createObjectOfClass(EntryClass entryClass, Text tag, std::uint32_t offset,
                                   BasicObject& parent) {
    ModelStore& s = store_;
    switch (entryClass) {
      case EntryClass::Array:
        return registered(s.arrayTypes,
                          create<TypeInfo_Array>(store_.objects, offset, tag, parent));
      case EntryClass::Base:
        return registered(s.baseTypes, create<TypeInfo_Base>(store_.objects, offset, tag, parent));
      case EntryClass::Class:
        return composite(
            registered(s.classTypes, create<TypeInfo_Class>(store_.objects, offset, tag, parent)));
      case EntryClass::Const:
        return registered(s.constTypes,
                          create<TypeInfo_Const>(store_.objects, offset, tag, parent));
      case EntryClass::Enumeration:
        return registered(s.enumerationTypes,
                          create<TypeInfo_Enumeration>(store_.objects, offset, tag, parent));
      case EntryClass::Enumerator:
        return registered(s.enumerators,
                          create<TypeInfo_Enumerator>(store_.objects, offset, tag, parent));
      case EntryClass::ImportedDeclaration:
        return registered(s.importedDeclarations, create<TypeInfo_ImportedDeclaration>(
                                                      store_.objects, offset, tag, parent));
      case EntryClass::Inheritance:
        return registered(s.inheritances,
                          create<TypeInfo_Inheritance>(store_.objects, offset, tag, parent));
      case EntryClass::Member:
        return registered(s.members, create<TypeInfo_Member>(store_.objects, offset, tag, parent));
      case EntryClass::Namespace:
        return registered(s.namespaces,
                          create<TypeInfo_Namespace>(store_.objects, offset, tag, parent));
      case EntryClass::Pointer: {
        auto* pointer = registered(s.pointerTypes,
                                   create<TypeInfo_Pointer>(store_.objects, offset, tag, parent));
        pointer->byteSizeAttr = static_cast<std::uint32_t>(pointerSize_);
        return pointer;
      }
      case EntryClass::Structure:
        return composite(registered(
            s.structureTypes, create<TypeInfo_Structure>(store_.objects, offset, tag, parent)));
      case EntryClass::Subrange:
        return registered(s.subrangeTypes,
                          create<TypeInfo_Subrange>(store_.objects, offset, tag, parent));
      case EntryClass::Subroutine:
        return registered(s.subroutineTypes,
                          create<TypeInfo_Subroutine>(store_.objects, offset, tag, parent));
      case EntryClass::Typedef:
        return registered(s.typedefs,
                          create<TypeInfo_Typedef>(store_.objects, offset, tag, parent));
      case EntryClass::Union:
        return composite(
            registered(s.unionTypes, create<TypeInfo_Union>(store_.objects, offset, tag, parent)));
      case EntryClass::Volatile:
        return registered(s.volatileTypes,
                          create<TypeInfo_Volatile>(store_.objects, offset, tag, parent));
      case EntryClass::Function:
        return registered(s.functions, create<FunctionInfo>(store_.objects, offset, tag, parent));
      case EntryClass::CompileUnit:
        return registered(s.compileUnits,
                          create<CompileUnitInfo>(store_.objects, offset, tag, parent));
      case EntryClass::Variable:
        return registered(s.variables, create<VariableInfo>(store_.objects, offset, tag, parent));
      case EntryClass::Parameter: {
        auto* parameter =
            registered(s.variables, create<VariableInfo>(store_.objects, offset, tag, parent));
        parameter->isParameter = true;
        return parameter;
      }
      case EntryClass::Plain:
        break;
    }
    return create<BasicObject>(store_.objects, offset, tag, parent);
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
    AttributeValues line{
        attributeNamed(parts.name), parts.rawValue, parts.explanation, 0, {}, store_.texts};
    if (line.attribute == Attribute::Other) return true;
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
      case Attribute::CompDir:
      case Attribute::Producer:
      case Attribute::MipsLinkageName:
      case Attribute::LinkageName:
        if (indirectStringPattern.match(line.rawValue, value)) {
          line.textValue = store_.texts.copy(value[0]);
        }
        break;
      case Attribute::Location:
        if (addressOperationPattern.match(line.explanation, value)) {
          line.numericValue = readHex(value[0]);
          store_.addressedObjects.push_back(currentObject_);
        } else if (addressIndexOperationPattern.match(line.explanation, value)) {
          // The address is in the unit's table of .debug_addr, which comes later in the
          // dump; it is filled in once the whole dump is read.
          store_.addressedObjects.push_back(currentObject_);
          if (currentClass_ == EntryClass::Variable || currentClass_ == EntryClass::Parameter) {
            store_.indexedLocations.push_back(
                {static_cast<VariableInfo*>(currentObject_), unitOffset_, readHex(value[0])});
          }
        } else if (line.explanation.find("DW_OP_piece") != std::string_view::npos &&
                   line.explanation.find("DW_OP_addr") != std::string_view::npos &&
                   currentClass_ == EntryClass::Variable) {
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
      case Attribute::LowPc:
      case Attribute::HighPc:
      case Attribute::Type:
      case Attribute::Import:
      case Attribute::StmtList:
      case Attribute::Specification:
      case Attribute::AbstractOrigin:
        if (hexNumberPattern.match(line.rawValue, value)) line.numericValue = readHex(value[0]);
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
      case Attribute::Specification:
        object.hasSpecification = line.flag();
        break;
      case Attribute::Accessibility:
        object.accessibility = line.signedDecimal();
        break;
      case Attribute::MipsLinkageName:
      case Attribute::LinkageName:
        object.linkageName = line.textValue;
        break;
      default:
        break;
    }
  }

  // Step C: the fields of the current object's class. The reader made the object, so it
  // knows the class without asking the object.
  void setClassField(const AttributeValues& line) {
    BasicObject& object = *currentObject_;
    switch (currentClass_) {
      case EntryClass::CompileUnit:
        setCompileUnitField(static_cast<CompileUnitInfo&>(object), line);
        break;
      case EntryClass::Function:
        setFunctionField(static_cast<FunctionInfo&>(object), line);
        break;
      case EntryClass::Variable:
      case EntryClass::Parameter:
        setVariableField(static_cast<VariableInfo&>(object), line, store_);
        break;
      case EntryClass::Array: {
        auto& array = static_cast<TypeInfo_Array&>(object);
        setTypeOffset(array, line);
        setByteSize(array, line);
        break;
      }
      case EntryClass::Base: {
        auto& base = static_cast<TypeInfo_Base&>(object);
        if (line.attribute == Attribute::Encoding) {
          base.encoding = line.signedDecimal();
          base.encodingName = line.textValue;
        }
        setByteSize(base, line);
        break;
      }
      case EntryClass::Class:
        setCompositeField(static_cast<TypeInfo_Class&>(object), line);
        break;
      case EntryClass::Const:
        setTypeOffset(static_cast<TypeInfo_Const&>(object), line);
        break;
      case EntryClass::ImportedDeclaration:
        setTypeOffset(static_cast<TypeInfo_ImportedDeclaration&>(object), line);
        break;
      case EntryClass::Typedef:
        setTypeOffset(static_cast<TypeInfo_Typedef&>(object), line);
        break;
      case EntryClass::Volatile:
        setTypeOffset(static_cast<TypeInfo_Volatile&>(object), line);
        break;
      case EntryClass::Enumeration:
        setByteSize(static_cast<TypeInfo_Enumeration&>(object), line);
        break;
      case EntryClass::Union:
        setCompositeField(static_cast<TypeInfo_Union&>(object), line);
        break;
      case EntryClass::Enumerator:
        if (line.attribute == Attribute::ConstValue) {
          static_cast<TypeInfo_Enumerator&>(object).constValue = line.signedDecimal();
          store_.constValueObjects.push_back(&object);
        }
        break;
      case EntryClass::Inheritance: {
        auto& inheritance = static_cast<TypeInfo_Inheritance&>(object);
        setTypeOffset(inheritance, line);
        if (line.attribute == Attribute::DataMemberLocation) {
          inheritance.dataMemberLocation = line.numericValue;
        }
        break;
      }
      case EntryClass::Member:
        setMemberField(static_cast<TypeInfo_Member&>(object), line, store_);
        break;
      case EntryClass::Pointer: {
        auto& pointer = static_cast<TypeInfo_Pointer&>(object);
        setTypeOffset(pointer, line);
        // The unit header's pointer size wins once one was read.
        if (pointerSize_ == 0) setByteSize(pointer, line);
        break;
      }
      case EntryClass::Structure:
        setCompositeField(static_cast<TypeInfo_Structure&>(object), line);
        break;
      case EntryClass::Subrange:
        setSubrangeField(static_cast<TypeInfo_Subrange&>(object), line);
        break;
      case EntryClass::Subroutine:
        setSubroutineField(static_cast<TypeInfo_Subroutine&>(object), line);
        break;
      case EntryClass::Namespace:
      case EntryClass::Plain:
        break;
    }
  }

  bool readUnitHeader(std::string_view line) {
    Groups1 offset;
    if (!unitHeaderPattern.match(line, offset)) return false;
    unitOffset_ = readHex(offset[0]);
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
  EntryClass currentClass_ = EntryClass::Plain;
  // Index n holds the parent of an entry of level n; only levels up to `lastLevel_` are
  // ever looked up.
  std::vector<BasicObject*> parentByLevel_;
  std::uint32_t lastLevel_ = 0;
  std::int32_t pointerSize_ = 0;
  std::uint32_t unitOffset_ = 0;  // of the header of the unit being read
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
    if (!member->hasDataBitOffset || member->type == nullptr) continue;
    const std::uint64_t unitBytes = member->type->byteSize();
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
