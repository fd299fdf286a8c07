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

// Destroys a model object. Its memory stays with the arena of its tree (an ObjectArena),
// which gives it back all at once.
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

// The closed set of classes below, one per kind of entry the conversion understands;
// `Plain` is every other tag. Every object stores its kind, and the passes over the model
// (the reader, the walker, the writers) tell the classes apart with a switch on it.
enum class Kind : std::uint8_t {
  Plain,
  CompileUnit,
  Function,
  Variable,  // DW_TAG_variable and DW_TAG_formal_parameter
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
  Subroutine,  // DW_TAG_subroutine_type and DW_TAG_inlined_subroutine
  Typedef,
  Union,
  Volatile,
};

// Where the entry that a reference names is looked for.
enum class ReferenceSpace : std::uint8_t {
  Info,   // by its offset in .debug_info, where DWARF 5 keeps type units too
  Types,  // by its offset in .debug_types, where DWARF 4 keeps type units
  // By the signature of a type unit: the type that the unit describes. The store keeps
  // the signature until linking.
  Signature,
};

// A reference from one entry to another, as the reader found it and as linking resolved
// it.
struct Reference {
  std::uint32_t offset = 0;  // 0: the entry has no such attribute, or names a signature
  ReferenceSpace space = ReferenceSpace::Info;
  BasicObject* target = nullptr;  // the entry named, once linked

  // The entry names an entry that the dump does not have.
  bool unresolved() const { return target == nullptr && (offset != 0 || bySignature()); }
  // It names a type unit by its signature, or a declaration whose complete type is in one.
  bool bySignature() const { return space == ReferenceSpace::Signature; }
  // Its type is described in a type unit that the dump does not have.
  bool lostWithItsTypeUnit() const { return bySignature() && target == nullptr; }
};
// Every object holds two references: the space must fit beside the offset.
static_assert(sizeof(Reference) == 2 * sizeof(void*));

class BasicObject {
 public:
  // An object of an entry outside the known kinds. Copies `nested`, `declLine`,
  // `declFile` and `stmtList` from the parent. The new object joins the parent's
  // children through create() below. Its children live where its parent's do.
  BasicObject(std::uint32_t offset, Text tag, BasicObject* parent)
      : BasicObject(Kind::Plain, offset, tag, parent) {}
  // A root whose tree keeps its objects and their lists of children in `memory`, an
  // ObjectArena that outlives the tree.
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

  // The entry's own DW_AT_type (DW_AT_import for an imported declaration); follows no
  // other reference.
  const BasicObject* declaredType() const { return type.target; }
  // The entry's own type or, for a definition without one (a global declared extern in
  // a header, a static data member defined outside its class), the type of the entry
  // that its DW_AT_specification or DW_AT_abstract_origin names, and so on along that
  // chain. Null when no entry on the chain has a type.
  const BasicObject* typeFollowingSpecification() const;
  // The entry whose declaration file and line describe this one: the entry that
  // DW_AT_specification or DW_AT_abstract_origin names, else this one.
  const BasicObject& declarationSite() const {
    return specification.target != nullptr ? *specification.target : *this;
  }

  Kind kind;
  std::uint32_t offset;
  BasicObject* parent;
  Text declLine;
  std::uint32_t declFile = 0;
  Text name;
  Text tag;
  std::uint32_t stmtList = 0;
  bool nested = false;
  // DW_AT_type, or DW_AT_import of an imported declaration, for the kinds that have one.
  Reference type;
  // DW_AT_specification, or DW_AT_abstract_origin (the reader takes either), of
  // functions, variables, classes and structures: the declaration this entry completes.
  Reference specification;
  ChildList children;

  // The deepest chain of type references or listing levels that is followed.
  static constexpr unsigned kMaxDepth = 1000;
  // The most objects one byteSize() visits. Types that share parts (an array of an
  // array, a scope holding many variables of one type) are visited once per use, which
  // a crafted dump can multiply without end.
  static constexpr std::size_t kMaxSizeSteps = 1 << 20;

 protected:
  BasicObject(Kind kind, std::uint32_t offset, Text tag, BasicObject* parent);

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
  void appendTypedListing(TreeListing& listing, std::int32_t indent, bool reportMissing) const;
  // The sum of the children's sizes.
  std::uint32_t childrenSize(SizeWalk& walk) const;
};

// The base of each class of a known kind: gives the objects their kind.
template <Kind K>
class KindOf : public BasicObject {
 public:
  static constexpr Kind kKind = K;
  KindOf(std::uint32_t offset, Text tag, BasicObject* parent)
      : BasicObject(K, offset, tag, parent) {}
};

// The object as class T when it is of T's kind, else null.
template <class T>
const T* as(const BasicObject* object) {
  return object != nullptr && object->kind == T::kKind ? static_cast<const T*>(object) : nullptr;
}

// Creates an object of class T as the last child of `parent` and returns it. Its memory
// comes from the arena that the parent's tree lives in: every tree has its root made in
// an ObjectArena (ObjectArena::make with the root constructor above).
template <class T>
T* create(std::uint32_t offset, Text tag, BasicObject& parent) {
  std::pmr::memory_resource* memory = parent.children.get_allocator().resource();
  T* created = ::new (memory->allocate(sizeof(T), alignof(T))) T(offset, tag, &parent);
  parent.addChild(OwnedObject(created));
  return created;
}

class CompileUnitInfo : public KindOf<Kind::CompileUnit> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  std::uint32_t highPc = 0;
  std::uint32_t lowPc = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class FunctionInfo : public KindOf<Kind::Function> {
 public:
  using KindOf::KindOf;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t highPc = 0;
  std::uint32_t lowPc = 0;
  bool external = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class VariableInfo : public KindOf<Kind::Variable> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  bool external = false;
  // The entry has a DW_AT_location, of whatever form: a fixed address (then in
  // `location`, and the variable is in the store's `addressedObjects`), or a place on
  // the stack or in a register.
  bool hasLocation = false;
  std::uint32_t location = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Array : public KindOf<Kind::Array> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Base : public KindOf<Kind::Base> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  Text encodingName;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Class : public KindOf<Kind::Class> {
 public:
  using KindOf::KindOf;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  bool declaration = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Const : public KindOf<Kind::Const> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Enumeration : public KindOf<Kind::Enumeration> {
 public:
  using KindOf::KindOf;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Enumerator : public KindOf<Kind::Enumerator> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  // DW_AT_const_value: the value the enumerator names.
  std::int64_t value = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_ImportedDeclaration : public KindOf<Kind::ImportedDeclaration> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Inheritance : public KindOf<Kind::Inheritance> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  std::uint32_t dataMemberLocation = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Member : public KindOf<Kind::Member> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  std::uint32_t dataMemberLocation = 0;
  std::uint32_t bitSize = 0;
  std::uint32_t bitOffset = 0;
  std::uint32_t byteSizeAttr = 0;
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

class TypeInfo_Namespace : public KindOf<Kind::Namespace> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;
};

class TypeInfo_Pointer : public KindOf<Kind::Pointer> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Structure : public KindOf<Kind::Structure> {
 public:
  using KindOf::KindOf;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  // DW_AT_declaration: only declared here, complete in another unit.
  bool declaration = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Subrange : public KindOf<Kind::Subrange> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

  std::uint32_t upperBound = 0;
  std::uint32_t lowerBound = 0;
  // A DW_AT_upper_bound line was read; a DW_AT_count then does not replace it.
  bool hasUpperBound = false;
  // A DW_AT_count line was read. A subrange with neither has no bound: the array is a
  // flexible array member, of unknown length.
  bool hasCount = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

// A subroutine type (DW_TAG_subroutine_type), or a call inlined into a function
// (DW_TAG_inlined_subroutine): both are walked only for their children, and an inlined
// call takes the function it is an instance of as its type and its call site as its
// declaration.
class TypeInfo_Subroutine : public KindOf<Kind::Subroutine> {
 public:
  using KindOf::KindOf;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Typedef : public KindOf<Kind::Typedef> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

class TypeInfo_Union : public KindOf<Kind::Union> {
 public:
  using KindOf::KindOf;
  void addChild(OwnedObject child) override;
  std::string describe() const override;

  std::uint32_t byteSizeAttr = 0;
  // DW_AT_declaration: only declared here, complete in another unit.
  bool declaration = false;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
};

class TypeInfo_Volatile : public KindOf<Kind::Volatile> {
 public:
  using KindOf::KindOf;
  std::string describe() const override;

 protected:
  std::uint32_t byteSizeAt(SizeWalk& walk) const override;
  void appendTree(TreeListing& listing, std::int32_t indent) const override;
};

}  // namespace Model
