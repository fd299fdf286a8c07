#include "model/Model.h"

namespace Model {

BasicObject::BasicObject(Kind kind, std::uint32_t offset, Text tag, BasicObject* parent)
    : kind(kind),
      offset(offset),
      parent(parent),
      tag(tag),
      children(parent != nullptr ? parent->children.get_allocator().resource()
                                 : std::pmr::get_default_resource()) {
  if (parent != nullptr) {
    nested = parent->nested;
    declLine = parent->declLine;
    declFile = parent->declFile;
    stmtList = parent->stmtList;
  }
}

BasicObject::BasicObject(std::uint32_t offset, Text tag, BasicObject* parent,
                         std::pmr::memory_resource* memory)
    : kind(Kind::Plain), offset(offset), parent(parent), tag(tag), children(memory) {}

const BasicObject* BasicObject::typeFollowingSpecification() const {
  const BasicObject* object = this;
  for (unsigned depth = 0; object != nullptr && depth < kMaxDepth; ++depth) {
    if (object->type.target != nullptr) return object->type.target;
    object = object->specification.target;
  }
  return nullptr;
}

void ObjectDeleter::operator()(BasicObject* object) const {
  object->~BasicObject();
}

BasicObject::~BasicObject() {
  // A crafted dump can nest entries a million levels deep, so the subtree is taken apart
  // here without recursion: each descendant hands its children to the work list before
  // it is destroyed, and the list keeps the children's order.
  std::vector<OwnedObject> pending;
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    pending.push_back(std::move(*child));
  }
  children.clear();
  while (!pending.empty()) {
    OwnedObject next = std::move(pending.back());
    pending.pop_back();
    for (auto child = next->children.rbegin(); child != next->children.rend(); ++child) {
      pending.push_back(std::move(*child));
    }
    next->children.clear();
  }
}

void BasicObject::addChild(OwnedObject child) {
  appendChild(std::move(child), false);
}

void BasicObject::appendChild(OwnedObject child, bool markNested) {
  if (markNested) child->nested = true;
  children.push_back(std::move(child));
}

void FunctionInfo::addChild(OwnedObject child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Class::addChild(OwnedObject child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Enumeration::addChild(OwnedObject child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Structure::addChild(OwnedObject child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Subroutine::addChild(OwnedObject child) {
  appendChild(std::move(child), true);
}
void TypeInfo_Union::addChild(OwnedObject child) {
  appendChild(std::move(child), true);
}

// Sizes. All arithmetic is unsigned 32-bit and wraps around.

std::uint32_t BasicObject::sizeOf(const BasicObject* object, SizeWalk& walk) {
  if (object == nullptr || walk.depth >= kMaxDepth || ++walk.steps > kMaxSizeSteps) return 0;
  ++walk.depth;
  const std::uint32_t size = object->byteSizeAt(walk);
  --walk.depth;
  return size;
}

std::uint32_t BasicObject::childrenSize(SizeWalk& walk) const {
  std::uint32_t sum = 0;
  for (const auto& child : children)
    sum += sizeOf(child.get(), walk);
  return sum;
}

std::uint32_t BasicObject::byteSizeAt(SizeWalk& walk) const {
  return childrenSize(walk);
}

std::uint32_t CompileUnitInfo::byteSizeAt(SizeWalk&) const {
  return 0;
}
std::uint32_t FunctionInfo::byteSizeAt(SizeWalk&) const {
  return 0;
}
std::uint32_t TypeInfo_Enumerator::byteSizeAt(SizeWalk&) const {
  return 0;
}

std::uint32_t TypeInfo_Array::byteSizeAt(SizeWalk& walk) const {
  // One child per dimension; their sizes are the element counts.
  if (children.empty() || type.target == nullptr) return 0;
  std::uint32_t count = 1;
  for (const auto& child : children)
    count *= sizeOf(child.get(), walk);
  return count * sizeOf(type.target, walk);
}

// Types that carry their own size; a pointer never follows its pointee, and a class,
// structure or union counts its DW_AT_byte_size, not its members.
std::uint32_t TypeInfo_Base::byteSizeAt(SizeWalk&) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Class::byteSizeAt(SizeWalk&) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Enumeration::byteSizeAt(SizeWalk&) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Structure::byteSizeAt(SizeWalk&) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Union::byteSizeAt(SizeWalk&) const {
  return byteSizeAttr;
}
std::uint32_t TypeInfo_Pointer::byteSizeAt(SizeWalk&) const {
  return byteSizeAttr;
}

std::uint32_t TypeInfo_Subrange::byteSizeAt(SizeWalk&) const {
  return upperBound - lowerBound + 1;
}

std::uint32_t TypeInfo_Member::byteSizeAt(SizeWalk& walk) const {
  // A bit field counts its storage unit.
  return bitSize != 0 ? byteSizeAttr : sizeOf(type.target, walk);
}

// Entries that take the size of what they refer to.
std::uint32_t TypeInfo_Const::byteSizeAt(SizeWalk& walk) const {
  return sizeOf(type.target, walk);
}
std::uint32_t TypeInfo_ImportedDeclaration::byteSizeAt(SizeWalk& walk) const {
  return sizeOf(type.target, walk);
}
std::uint32_t TypeInfo_Inheritance::byteSizeAt(SizeWalk& walk) const {
  return sizeOf(type.target, walk);
}
std::uint32_t TypeInfo_Subroutine::byteSizeAt(SizeWalk& walk) const {
  return sizeOf(type.target, walk);
}
std::uint32_t TypeInfo_Typedef::byteSizeAt(SizeWalk& walk) const {
  return sizeOf(type.target, walk);
}
std::uint32_t TypeInfo_Volatile::byteSizeAt(SizeWalk& walk) const {
  return sizeOf(type.target, walk);
}
std::uint32_t VariableInfo::byteSizeAt(SizeWalk& walk) const {
  return sizeOf(type.target, walk);
}

}  // namespace Model
