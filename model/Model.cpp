#include "model/Model.h"

namespace Model {

BasicObject::BasicObject(std::uint32_t offset, Text tag, BasicObject* parent)
    : offset(offset), parent(parent), tag(tag) {
  if (parent != nullptr) {
    nested = parent->nested;
    declLine = parent->declLine;
    declFile = parent->declFile;
    stmtList = parent->stmtList;
    unitName = parent->unitName;
  }
}

BasicObject::~BasicObject() {
  // A crafted dump can nest entries a million levels deep, so the subtree is taken apart
  // here without recursion: each descendant hands its children to the work list before
  // it is destroyed, and the list keeps the children's order.
  std::vector<std::unique_ptr<BasicObject>> pending;
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    pending.push_back(std::move(*child));
  }
  children.clear();
  while (!pending.empty()) {
    std::unique_ptr<BasicObject> next = std::move(pending.back());
    pending.pop_back();
    for (auto child = next->children.rbegin(); child != next->children.rend(); ++child) {
      pending.push_back(std::move(*child));
    }
    next->children.clear();
  }
}

void BasicObject::addChild(std::unique_ptr<BasicObject> child) {
  appendChild(std::move(child), false);
}

void BasicObject::appendChild(std::unique_ptr<BasicObject> child, bool markNested) {
  if (markNested) child->nested = true;
  children.push_back(std::move(child));
}

void FunctionInfo::addChild(std::unique_ptr<BasicObject> child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Class::addChild(std::unique_ptr<BasicObject> child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Enumeration::addChild(std::unique_ptr<BasicObject> child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Structure::addChild(std::unique_ptr<BasicObject> child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Subroutine::addChild(std::unique_ptr<BasicObject> child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Union::addChild(std::unique_ptr<BasicObject> child) {
  appendChild(std::move(child), true);
}

// Sizes. All arithmetic is unsigned 32-bit and wraps around.

std::uint32_t BasicObject::sizeOf(const BasicObject* object, unsigned depth) {
  if (object == nullptr || depth >= kMaxDepth) return 0;
  return object->byteSizeAt(depth + 1);
}

std::uint32_t BasicObject::childrenSize(unsigned depth) const {
  std::uint32_t sum = 0;
  for (const auto& child : children)
    sum += sizeOf(child.get(), depth);
  return sum;
}

std::uint32_t BasicObject::byteSizeAt(unsigned depth) const {
  return childrenSize(depth);
}

std::uint32_t CompileUnitInfo::byteSizeAt(unsigned) const {
  return 0;
}
std::uint32_t FunctionInfo::byteSizeAt(unsigned) const {
  return 0;
}
std::uint32_t TypeInfo_Enumerator::byteSizeAt(unsigned) const {
  return 0;
}

std::uint32_t TypeInfo_Array::byteSizeAt(unsigned depth) const {
  // One child per dimension; their sizes are the element counts.
  if (children.empty() || type == nullptr) return 0;
  std::uint32_t count = 1;
  for (const auto& child : children)
    count *= sizeOf(child.get(), depth);
  return count * sizeOf(type, depth);
}

// Types that carry their own size; a pointer never follows its pointee, and a class,
// structure or union counts its DW_AT_byte_size, not its members.
std::uint32_t TypeInfo_Base::byteSizeAt(unsigned) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Class::byteSizeAt(unsigned) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Enumeration::byteSizeAt(unsigned) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Structure::byteSizeAt(unsigned) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Union::byteSizeAt(unsigned) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Pointer::byteSizeAt(unsigned) const {
  return byteSizeAttr;
}

std::uint32_t TypeInfo_Subrange::byteSizeAt(unsigned) const {
  return upperBound - lowerBound + 1;
}

std::uint32_t TypeInfo_Member::byteSizeAt(unsigned depth) const {
  // A bit field counts its storage unit.
  return bitSize != 0 ? byteSizeAttr : sizeOf(type, depth);
}

// Entries that take the size of what they refer to.
std::uint32_t TypeInfo_Const::byteSizeAt(unsigned depth) const {
  return sizeOf(type, depth);
}
std::uint32_t TypeInfo_ImportedDeclaration::byteSizeAt(unsigned depth) const {
  return sizeOf(type, depth);
}
std::uint32_t TypeInfo_Inheritance::byteSizeAt(unsigned depth) const {
  return sizeOf(type, depth);
}
std::uint32_t TypeInfo_Subroutine::byteSizeAt(unsigned depth) const {
  return sizeOf(type, depth);
}
std::uint32_t TypeInfo_Typedef::byteSizeAt(unsigned depth) const {
  return sizeOf(type, depth);
}
std::uint32_t TypeInfo_Volatile::byteSizeAt(unsigned depth) const {
  return sizeOf(type, depth);
}
std::uint32_t VariableInfo::byteSizeAt(unsigned depth) const {
  return sizeOf(type, depth);
}

}  // namespace Model
