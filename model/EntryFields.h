#pragma once

// What an entry of the debug information makes of the model, whoever reads it: the kind
// of object its tag creates and the fields its attributes set. The dump's reader and the
// reader of the image's own sections both build the store through these rules, so the
// two give the same objects with the same fields.
//
// The field setters take the attribute's value as a class of the reader's own, which
// answers as objdump's text of the value reads:
//   attribute      which attribute of the table below it is
//   numericValue   the value as a hexadecimal field ("0x1c", "<0x2e>") reads; 0 when it
//                  is printed in decimal, and the address of a DW_OP_addr location
//   textValue      a name or an encoding's word, already in the store's arena
//   decimal()      a number field: the value's low 32 bits, the length of a block, 0
//                  for a reference
//   constant()     the value of a constant, sign-extended where its form is signed
//   flag()         whether a flag is set
//   lineText()     a line number as decimal text, in the store's arena
//   assign(ref)    sets a reference to the entry or signature the value names
#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/ModelStore.h"

namespace Model {

// The tags that create an object of their own class; every other tag makes a plain
// object that keeps its tag's name.
struct KnownTag {
  std::string_view name;
  std::uint16_t code;
  Kind kind;
};

inline constexpr std::array kKnownTags{
    KnownTag{"DW_TAG_array_type", 0x01, Kind::Array},
    KnownTag{"DW_TAG_base_type", 0x24, Kind::Base},
    KnownTag{"DW_TAG_class_type", 0x02, Kind::Class},
    KnownTag{"DW_TAG_const_type", 0x26, Kind::Const},
    KnownTag{"DW_TAG_enumeration_type", 0x04, Kind::Enumeration},
    KnownTag{"DW_TAG_enumerator", 0x28, Kind::Enumerator},
    KnownTag{"DW_TAG_imported_declaration", 0x08, Kind::ImportedDeclaration},
    KnownTag{"DW_TAG_inheritance", 0x1c, Kind::Inheritance},
    KnownTag{"DW_TAG_member", 0x0d, Kind::Member},
    KnownTag{"DW_TAG_namespace", 0x39, Kind::Namespace},
    KnownTag{"DW_TAG_pointer_type", 0x0f, Kind::Pointer},
    KnownTag{"DW_TAG_structure_type", 0x13, Kind::Structure},
    KnownTag{"DW_TAG_subrange_type", 0x21, Kind::Subrange},
    KnownTag{"DW_TAG_inlined_subroutine", 0x1d, Kind::Subroutine},
    KnownTag{"DW_TAG_subroutine_type", 0x15, Kind::Subroutine},
    KnownTag{"DW_TAG_typedef", 0x16, Kind::Typedef},
    KnownTag{"DW_TAG_union_type", 0x17, Kind::Union},
    KnownTag{"DW_TAG_volatile_type", 0x35, Kind::Volatile},
    KnownTag{"DW_TAG_subprogram", 0x2e, Kind::Function},
    KnownTag{"DW_TAG_compile_unit", 0x11, Kind::CompileUnit},
    KnownTag{"DW_TAG_variable", 0x34, Kind::Variable},
    KnownTag{"DW_TAG_formal_parameter", 0x05, Kind::Variable},
};

// The attributes that some rule below reads; every other attribute is passed over.
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

struct KnownAttribute {
  std::string_view name;
  std::uint16_t code;
  Attribute attribute;
};

inline constexpr std::array kKnownAttributes{
    KnownAttribute{"DW_AT_name", 0x03, Attribute::Name},
    KnownAttribute{"DW_AT_location", 0x02, Attribute::Location},
    KnownAttribute{"DW_AT_data_member_location", 0x38, Attribute::DataMemberLocation},
    KnownAttribute{"DW_AT_low_pc", 0x11, Attribute::LowPc},
    KnownAttribute{"DW_AT_high_pc", 0x12, Attribute::HighPc},
    KnownAttribute{"DW_AT_type", 0x49, Attribute::Type},
    KnownAttribute{"DW_AT_import", 0x18, Attribute::Import},
    KnownAttribute{"DW_AT_stmt_list", 0x10, Attribute::StmtList},
    KnownAttribute{"DW_AT_specification", 0x47, Attribute::Specification},
    KnownAttribute{"DW_AT_abstract_origin", 0x31, Attribute::AbstractOrigin},
    KnownAttribute{"DW_AT_encoding", 0x3e, Attribute::Encoding},
    KnownAttribute{"DW_AT_decl_line", 0x3b, Attribute::DeclLine},
    KnownAttribute{"DW_AT_decl_file", 0x3a, Attribute::DeclFile},
    KnownAttribute{"DW_AT_external", 0x3f, Attribute::External},
    KnownAttribute{"DW_AT_declaration", 0x3c, Attribute::Declaration},
    KnownAttribute{"DW_AT_byte_size", 0x0b, Attribute::ByteSize},
    KnownAttribute{"DW_AT_bit_size", 0x0d, Attribute::BitSize},
    KnownAttribute{"DW_AT_bit_offset", 0x0c, Attribute::BitOffset},
    KnownAttribute{"DW_AT_data_bit_offset", 0x6b, Attribute::DataBitOffset},
    KnownAttribute{"DW_AT_upper_bound", 0x2f, Attribute::UpperBound},
    KnownAttribute{"DW_AT_lower_bound", 0x22, Attribute::LowerBound},
    KnownAttribute{"DW_AT_count", 0x37, Attribute::Count},
    KnownAttribute{"DW_AT_call_line", 0x59, Attribute::CallLine},
    KnownAttribute{"DW_AT_call_file", 0x58, Attribute::CallFile},
    KnownAttribute{"DW_AT_signature", 0x69, Attribute::Signature},
    KnownAttribute{"DW_AT_addr_base", 0x73, Attribute::AddressBase},
    KnownAttribute{"DW_AT_const_value", 0x1c, Attribute::ConstValue},
};

template <class T>
T* registered(std::vector<T*>& list, T* object) {
  list.push_back(object);
  return object;
}

// A new object of the kind under `parent`, listed in the store's list of its kind. A
// pointer takes the size of an address that its unit's header gives.
inline BasicObject* createObjectOfKind(ModelStore& s, Kind kind, Text tag, std::uint32_t offset,
                                       BasicObject& parent, std::int32_t pointerSize) {
  const auto make = [&]<class T>(std::vector<T*>& list) {
    return registered(list, create<T>(offset, tag, parent));
  };
  const auto composite = [&](BasicObject* type) {
    s.compositeTypes.push_back(type);
    return type;
  };
  switch (kind) {
    case Kind::Plain:
      break;
    case Kind::CompileUnit:
      return create<CompileUnitInfo>(offset, tag, parent);
    case Kind::Function:
      return make(s.functions);
    case Kind::Variable:
      return make(s.variables);
    case Kind::Array:
      return make(s.arrayTypes);
    case Kind::Base:
      return create<TypeInfo_Base>(offset, tag, parent);
    case Kind::Class:
      return composite(make(s.classTypes));
    case Kind::Const:
      return make(s.constTypes);
    case Kind::Enumeration:
      return make(s.enumerationTypes);
    case Kind::Enumerator:
      return create<TypeInfo_Enumerator>(offset, tag, parent);
    case Kind::ImportedDeclaration:
      return make(s.importedDeclarations);
    case Kind::Inheritance:
      return make(s.inheritances);
    case Kind::Member:
      return make(s.members);
    case Kind::Namespace:
      return create<TypeInfo_Namespace>(offset, tag, parent);
    case Kind::Pointer: {
      TypeInfo_Pointer* pointer = make(s.pointerTypes);
      pointer->byteSizeAttr = static_cast<std::uint32_t>(pointerSize);
      return pointer;
    }
    case Kind::Structure:
      return composite(make(s.structureTypes));
    case Kind::Subrange:
      return make(s.subrangeTypes);
    case Kind::Subroutine:
      return make(s.subroutineTypes);
    case Kind::Typedef:
      return make(s.typedefs);
    case Kind::Union:
      return composite(make(s.unionTypes));
    case Kind::Volatile:
      return make(s.volatileTypes);
  }
  return create<BasicObject>(offset, tag, parent);
}

// The fields of an object's own kind, one function per kind that has fields of its own.

template <class Value>
void setCompileUnitField(CompileUnitInfo& unit, const Value& line) {
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
template <class Value>
bool setType(BasicObject& object, const Value& line) {
  if (line.attribute != Attribute::Type && line.attribute != Attribute::Import) return false;
  line.assign(object.type);
  return true;
}

// DW_AT_specification, also DW_AT_abstract_origin: the declaration an entry completes.
template <class Value>
bool setSpecification(BasicObject& object, const Value& line) {
  if (line.attribute != Attribute::Specification && line.attribute != Attribute::AbstractOrigin) {
    return false;
  }
  line.assign(object.specification);
  return true;
}

template <class Value>
void setFunctionField(FunctionInfo& function, const Value& line) {
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

template <class Value>
void setVariableField(VariableInfo& variable, const Value& line) {
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

template <class Value>
void setMemberField(TypeInfo_Member& member, const Value& line) {
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

template <class Value>
void setSubrangeField(TypeInfo_Subrange& subrange, const Value& line) {
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
template <class Value>
void setSubroutineField(TypeInfo_Subroutine& subroutine, const Value& line) {
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

template <class T, class Value>
void setByteSize(T& object, const Value& line) {
  if (line.attribute == Attribute::ByteSize) object.byteSizeAttr = line.decimal();
}

template <class Value>
void setBaseField(TypeInfo_Base& base, const Value& line) {
  if (line.attribute == Attribute::Encoding) base.encodingName = line.textValue;
  setByteSize(base, line);
}

template <class Value>
void setInheritanceField(TypeInfo_Inheritance& inheritance, const Value& line) {
  if (setType(inheritance, line)) return;
  if (line.attribute == Attribute::DataMemberLocation) {
    inheritance.dataMemberLocation = line.numericValue;
  }
}

// Structures, classes and unions: size, declaration, and (not for unions) the entry they
// complete.
template <class T, class Value>
void setCompositeField(T& composite, const Value& line) {
  setByteSize(composite, line);
  if (line.attribute == Attribute::Declaration) composite.declaration = line.flag();
  if constexpr (!std::is_same_v<T, TypeInfo_Union>) {
    if (line.attribute == Attribute::Specification) setSpecification(composite, line);
  }
}

// The fields every class has.
template <class Value>
void setCommonField(BasicObject& object, const Value& line) {
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

// The fields of the object's kind. The size of a pointer comes from its unit's header
// once one gave it (`pointerSize`), else from the entry.
template <class Value>
void setClassField(BasicObject& object, const Value& line, std::int32_t pointerSize) {
  switch (object.kind) {
    case Kind::Plain:
    case Kind::Namespace:
      break;
    case Kind::Enumerator:
      if (line.attribute == Attribute::ConstValue) {
        static_cast<TypeInfo_Enumerator&>(object).value = line.constant();
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
      if (!setType(object, line) && pointerSize == 0) {
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

}  // namespace Model
