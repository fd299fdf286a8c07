#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "model/ObjectArena.h"

// One class per kind of debug-information entry. The objects form a tree that mirrors the
// nesting of the entries: every object owns its children, the store owns the root. Every
// other pointer between objects (parent, type, specification) only refers.
//
// Texts are views. The entry reader copies every text it keeps into the store's text
// arena, so a view stays valid for as long as the store that owns the object; objects
// made outside a store (in tests) take literals.
namespace Model {

using Text = std::string_view;

class BasicObject;
class ObjectArena;

// Destroys a model object; the memory goes back to the heap, or stays with the arena
// that holds it.
struct ObjectDeleter {
  void operator()(BasicObject* object) const;
};
// How an object owns its children, and the store its root.
using OwnedObject = std::unique_ptr<BasicObject, ObjectDeleter>;
// The children of an object, in the memory its tree lives in.
using ChildList = std::pmr::vector<OwnedObject>;

// Collects the lines of one listing and the chain of objects being expanded, so that a
// type met again on its own path is shown by its one-line description only.
struct TreeListing;

class BasicObject {
 public:
  // Copies `nested`, `declLine`, `declFile`, `stmtList` and `unitName` from the parent.
  // The new object joins the parent's children through create() below. Its children
  // live where its parent's do.
  BasicObject(std::uint32_t offset, Text tag, BasicObject* parent);
  // A root whose tree keeps its lists of children in `memory`.
  BasicObject(std::uint32_t offset, Text tag, BasicObject* parent,
              std::pmr::memory_resource* memory);
  virtual ~BasicObject();
  BasicObject(const BasicObject&) = delete;
  BasicObject& operator=(const BasicObject&) = delete;

  // Takes a newly created object into `children`. The classes whose contents count as
  // nested (functions, classes, enumerations, structures, subroutines, unions) also mark
  // the child as nested.
  virtual void addChild(OwnedObject child);
  // One line about this object, without a line break.
  virtual std::string describe() const;
  // This object and its subtree, one line per object, `indent` + 1 tabs before each
  // line below the first; lines are separated by LF, with none after the last.
  std::string toTreeString(std::int32_t indent) const;
  // The size in bytes of the object's type. A reference chain deeper than any real type
  // (a typedef naming itself, in malformed input), or a graph of types that would take
  // more steps to add up than any real one, is cut and counts 0.
  std::uint32_t byteSize() const {
    SizeWalk walk;
    return byteSizeAt(walk);
  }

  std::uint32_t offset;
  BasicObject* parent;
  Text declLine;
  std::uint32_t declFile = 0;
  Text name;
  Text tag;
  Text unitName;
  std::uint32_t stmtList = 0;
  bool hasSpecification = false;
  bool nested = false;
  std::int32_t accessibility = 0;
  Text linkageName;
  ChildList children;

  // Whether the object's memory belongs to an arena.
  bool inArena = false;

  // The deepest chain of type references or listing levels that is followed.
  static constexpr unsigned kMaxDepth = 1000;
  // The most objects one byteSize() visits. Types that share parts (an array of an
  // array, a scope holding many variables of one type) are visited once per use, which
  // a crafted dump can multiply without end.
  static constexpr std::size_t kMaxSizeSteps = 1 << 20;

 protected:
  void appendChild(OwnedObject child, bool markNested);

  // How far one byteSize() has gone.
  struct SizeWalk {
    unsigned depth = 0;
    std::size_t steps = 0;
  };
  virtual std::uint32_t byteSizeAt(SizeWalk& walk) const;
  // Appends this object's listing (its describe() line first) to `listing`.
  virtual void appendTree(TreeListing& listing, std::int32_t indent) const;

  // The size of a referenced object, one level deeper; 0 for none, too deep or too far.
  static std::uint32_t sizeOf(const BasicObject* object, SizeWalk& walk);
  // Lists another object at this place in the listing.
  static void appendListingOf(const BasicObject& object, TreeListing& listing, std::int32_t indent);
  // The describe() line and the children, each on its own line one level deeper.
  void appendPlainListing(TreeListing& listing, std::int32_t indent) const;
  // After the plain listing: the linked type one level deeper, or, when it is missing
  // and `reportMissing` is set, an error line naming the offset that did not resolve.
  void appendTypedListing(TreeListing& listing, std::int32_t indent, const BasicObject* type,
                          std::uint32_t typeOffset, bool reportMissing) const;
  // The sum of the children's sizes.
  std::uint32_t childrenSize(SizeWalk& walk) const;
};

// Creates an object of class T as the last child of `parent` and returns it.
template <class T>
T* create(std::uint32_t offset, Text tag, BasicObject& parent) {
  auto object = std::make_unique<T>(offset, tag, &parent);
  T* created = object.get();
  parent.addChild(OwnedObject(object.release()));
  return created;
}

// The same, with the object's memory in `arena`, which must outlive the object.
template <class T>
T* create(ObjectArena& arena, std::uint32_t offset, Text tag, BasicObject& parent);

class CompileUnitInfo : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  std::uint32_t highPc = 0;
  std::uint32_t lowPc = 0;
  Text language;
  Text producer;
  Text compDir;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class FunctionInfo : public BasicObject {
 public:
  using BasicObject::BasicObject;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;
  std::uint32_t highPc = 0;
  std::uint32_t lowPc = 0;
  bool external = false;
  bool declaration = false;
  bool virtuality = false;
  bool inlineAttr = false;
  std::uint32_t specificationOffset = 0;
  BasicObject* specification = nullptr;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class VariableInfo : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;
  bool external = false;
  bool declaration = false;
  bool isStatic = false;
  std::uint32_t location = 0;
  bool isParameter = false;
  Text constValue;
  bool hasConstValue = false;
  std::uint32_t specificationOffset = 0;
  BasicObject* specification = nullptr;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Array : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;
  std::uint32_t byteSizeAttr = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Base : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  std::int32_t encoding = 0;
  Text encodingName;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Class : public BasicObject {
 public:
  using BasicObject::BasicObject;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  bool declaration = false;
  std::uint32_t specificationOffset = 0;
  BasicObject* specification = nullptr;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Const : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Enumeration : public BasicObject {
 public:
  using BasicObject::BasicObject;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Enumerator : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  std::int32_t constValue = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_ImportedDeclaration : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Inheritance : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;
  std::uint32_t dataMemberLocation = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Member : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;
  std::uint32_t dataMemberLocation = 0;
  std::uint32_t bitSize = 0;
  std::uint32_t bitOffset = 0;
  std::uint32_t byteSizeAttr = 0;
  Text constValue;
  bool hasConstValue = false;
  // DW_AT_declaration: a static data member declared in its class, not part of the object.
  bool declaration = false;
  // DW_AT_data_bit_offset: the bit field's offset from the start of the containing
  // structure, until the load restates it as a unit, `bitOffset` and `byteSizeAttr`.
  std::uint32_t dataBitOffset = 0;
  bool hasDataBitOffset = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Namespace : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;
};

class TypeInfo_Pointer : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t byteSizeAttr = 0;
  std::uint32_t typeOffset = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Structure : public BasicObject {
 public:
  using BasicObject::BasicObject;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  std::uint32_t specificationOffset = 0;
  BasicObject* specification = nullptr;
  // DW_AT_declaration: only declared here, complete in another unit.
  bool declaration = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Subrange : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  std::uint32_t upperBound = 0;
  std::uint32_t lowerBound = 0;
  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;
  // A DW_AT_upper_bound line was read; a DW_AT_count then does not replace it.
  bool hasUpperBound = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Subroutine : public BasicObject {
 public:
  using BasicObject::BasicObject;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Typedef : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Union : public BasicObject {
 public:
  using BasicObject::BasicObject;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  // DW_AT_declaration: only declared here, complete in another unit.
  bool declaration = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Volatile : public BasicObject {
 public:
  using BasicObject::BasicObject;
  std::string describe() const override;

  BasicObject* type = nullptr;
  std::uint32_t typeOffset = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

template <class T>
T* create(ObjectArena& arena, std::uint32_t offset, Text tag, BasicObject& parent) {
  T* created = arena.make<T>(offset, tag, &parent);
  created->inArena = true;
  parent.addChild(OwnedObject(created));
  return created;
}

}  // namespace Model
