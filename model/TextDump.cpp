// The diagnostic text view of the model: one line per object, and indented listings of
// subtrees with their linked types.
#include <algorithm>
#include <cstdio>

#include "model/Model.h"

namespace Model {

struct TreeListing {
  std::string text;
  // The objects whose listing is in progress, outermost first.
  std::vector<const BasicObject*> path;
};

namespace {

std::string hex(std::uint32_t value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(value));
  return digits;
}

std::string flag(bool value) {
  return value ? "1" : "0";
}

std::string text(Text value) {
  return std::string(value);
}

void newLine(TreeListing& listing, std::int32_t indent) {
  listing.text += '\n';
  listing.text.append(static_cast<std::size_t>(std::max(indent + 1, 0)), '\t');
}

}  // namespace

std::string BasicObject::toTreeString(std::int32_t indent) const {
  TreeListing listing;
  listing.path.push_back(this);
  appendTree(listing, indent);
  return std::move(listing.text);
}

void BasicObject::appendListingOf(const BasicObject& object, TreeListing& listing,
                                  std::int32_t indent) {
  // A type met again on its own path (a structure holding a pointer to its own type) and
  // a listing nested too deep are shown by their one-line description alone.
  const bool onPath =
      std::find(listing.path.begin(), listing.path.end(), &object) != listing.path.end();
  if (onPath || listing.path.size() >= kMaxDepth) {
    listing.text += object.describe();
    return;
  }
  listing.path.push_back(&object);
  object.appendTree(listing, indent);
  listing.path.pop_back();
}

void BasicObject::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendPlainListing(listing, indent);
}

void BasicObject::appendPlainListing(TreeListing& listing, std::int32_t indent) const {
  listing.text += describe();
  for (const auto& child : children) {
    newLine(listing, indent);
    appendListingOf(*child, listing, indent + 1);
  }
}

void BasicObject::appendTypedListing(TreeListing& listing, std::int32_t indent,
                                     bool reportMissing) const {
  appendPlainListing(listing, indent);
  if (type.target != nullptr) {
    newLine(listing, indent);
    appendListingOf(*type.target, listing, indent + 1);
  } else if (reportMissing && type.lostWithItsTypeUnit()) {
    newLine(listing, indent);
    listing.text += "Error could not resolve Type: its type unit is not in the dump";
  } else if (reportMissing && type.unresolved()) {
    newLine(listing, indent);
    listing.text += "Error could not resolve Type At Address: " + hex(type.offset);
  }
}

// Single-line listings.
void FunctionInfo::appendTree(TreeListing& listing, std::int32_t) const {
  listing.text += describe();
}
void TypeInfo_Class::appendTree(TreeListing& listing, std::int32_t) const {
  listing.text += describe();
}

// Typed listings that report an unresolved type.
void TypeInfo_Array::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void TypeInfo_Const::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void TypeInfo_ImportedDeclaration::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void TypeInfo_Inheritance::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void TypeInfo_Member::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void TypeInfo_Pointer::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void TypeInfo_Typedef::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void TypeInfo_Volatile::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}
void VariableInfo::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, true);
}

// Typed listings that stay silent about an unresolved type.
void TypeInfo_Subrange::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, false);
}
void TypeInfo_Subroutine::appendTree(TreeListing& listing, std::int32_t indent) const {
  appendTypedListing(listing, indent, false);
}

// One line per object.

std::string BasicObject::describe() const {
  return "BasicObject: " + std::to_string(offset);
}

std::string CompileUnitInfo::describe() const {
  return "CompileUnit: " + text(name) + " (size=0x" + hex(highPc - lowPc) + ", addressLow=0x" +
         hex(lowPc) + ", addressHigh=0x" + hex(highPc) + ")";
}

std::string FunctionInfo::describe() const {
  return "Function: " + text(name) + " (external=" + flag(external) + ")";
}

std::string VariableInfo::describe() const {
  std::string line =
      "Variable: " + text(name) + " (static=" + flag(hasLocation) + ", external=" + flag(external);
  if (hasLocation) line += ", address=0x" + hex(location);
  return line + ")";
}

std::string TypeInfo_Array::describe() const {
  return "ArrayType (size=0x" + hex(byteSizeAttr) + ")";
}
std::string TypeInfo_Base::describe() const {
  return "BaseType: " + text(name) + "(size=0x" + hex(byteSizeAttr) + ")";
}
std::string TypeInfo_Class::describe() const {
  return "Class: " + text(name) + " (size=0x" + hex(byteSize()) + ")";
}
std::string TypeInfo_Structure::describe() const {
  return "StructureType: " + text(name) + " (size=0x" + hex(byteSize()) + ")";
}
std::string TypeInfo_Union::describe() const {
  return "UnionType: " + text(name) + " (size=0x" + hex(byteSizeAttr) + ")";
}
std::string TypeInfo_Enumeration::describe() const {
  return "EnumType: " + text(name) + " (size=0x" + hex(byteSizeAttr) + ")";
}
std::string TypeInfo_Enumerator::describe() const {
  return "Enum: " + text(name);
}
std::string TypeInfo_Pointer::describe() const {
  return "PointerType:  (size=0x" + hex(byteSizeAttr) + ")";
}
std::string TypeInfo_Subrange::describe() const {
  return "Subrange (upperB=0x" + hex(upperBound) + " lowerB=0x" + hex(lowerBound) + ")";
}
std::string TypeInfo_Member::describe() const {
  return "MemberType: " + text(name);
}
std::string TypeInfo_Namespace::describe() const {
  return "Namespace: " + text(name);
}
std::string TypeInfo_Typedef::describe() const {
  return "Typedef: " + text(name);
}
std::string TypeInfo_Const::describe() const {
  return "TypeInfo_Const: ";
}
std::string TypeInfo_Volatile::describe() const {
  return "VolatileType: ";
}
std::string TypeInfo_Subroutine::describe() const {
  return "SubroutineType: ";
}
std::string TypeInfo_ImportedDeclaration::describe() const {
  return "Imported Typedef: ";
}
std::string TypeInfo_Inheritance::describe() const {
  return "Inheritance: ";
}

}  // namespace Model
