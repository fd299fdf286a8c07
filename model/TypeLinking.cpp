#include <future>
#include <span>
#include <unordered_map>
#include <vector>

#include "model/ModelStore.h"

namespace Model {

namespace {

// Resolves the references of one store: offsets in the section they were read in, and
// signatures through the headers of the type units.
class Linker {
 public:
  explicit Linker(ModelStore& store) : store_(store) {
    store.objectsByOffset.seal();
    store.typeSectionObjectsByOffset.seal();
    // A declaration that names its complete type by signature stands for that type: a
    // reference to the declaration is a reference to the type unit's entry. Clang leaves
    // such declarations unnamed; they take the type's name, which names the scope of the
    // static members declared inside them.
    for (const ModelStore::SignedDeclaration& declared : store.signedDeclarations) {
      BasicObject* complete = typeNamedBy(declared.signature);
      if (complete == declared.declaration) continue;
      completions_.emplace(declared.declaration, complete);
      if (complete != nullptr && declared.declaration->name.empty()) {
        declared.declaration->name = complete->name;
      }
    }
  }

  // Points the reference at the entry it names. An offset of 0 is an absent attribute
  // (or a signature, which resolveSignatures() follows) and links nothing; an offset that
  // no entry has stays unresolved.
  void link(Reference& reference) const {
    if (reference.offset == 0) return;
    if (BasicObject* found = entryAt(reference.space, reference.offset)) {
      reference.target = found;
    }
  }

  // The same for a type reference, which goes on to the complete type of a declaration.
  void linkType(Reference& type) const {
    link(type);
    complete(type);
  }

  void resolveSignatures() const {
    for (const ModelStore::SignatureReference& named : store_.signatureReferences) {
      // A later DW_AT_type of the same entry, given as an offset, replaced this one.
      if (!named.reference->bySignature()) continue;
      named.reference->target = typeNamedBy(named.signature);
      complete(*named.reference);
    }
  }

 private:
  BasicObject* entryAt(ReferenceSpace space, std::uint32_t offset) const {
    switch (space) {
      case ReferenceSpace::Info:
        return store_.objectsByOffset.find(offset);
      case ReferenceSpace::Types:
        return store_.typeSectionObjectsByOffset.find(offset);
      case ReferenceSpace::Signature:
        break;
    }
    return nullptr;
  }

  // The type that the type unit with this signature describes; null when the dump has no
  // such unit.
  BasicObject* typeNamedBy(std::uint64_t signature) const {
    const auto unit = store_.typeUnitsBySignature.find(signature);
    if (unit == store_.typeUnitsBySignature.end()) return nullptr;
    return entryAt(unit->second.space, unit->second.offset);
  }

  // A reference to a declaration whose type is in a type unit goes to that type; when the
  // dump lacks the unit, the reference has lost its type with it.
  void complete(Reference& reference) const {
    if (completions_.empty() || reference.target == nullptr) return;
    const auto completion = completions_.find(reference.target);
    if (completion == completions_.end()) return;
    reference.target = completion->second;
    if (completion->second == nullptr) reference.space = ReferenceSpace::Signature;
  }

  ModelStore& store_;
  std::unordered_map<const BasicObject*, BasicObject*> completions_;
};

// The objects of one of `parts` equal slices of a list.
template <class T>
std::span<T* const> sliceOf(const std::vector<T*>& list, std::size_t part, std::size_t parts) {
  const std::size_t begin = list.size() * part / parts;
  const std::size_t end = list.size() * (part + 1) / parts;
  return std::span<T* const>(list.data() + begin, end - begin);
}

template <class T>
void linkTypeOf(std::span<T* const> list, const Linker& linker) {
  for (T* object : list)
    linker.linkType(object->type);
}

template <class T>
void linkTypeAndSpecificationOf(std::span<T* const> list, const Linker& linker) {
  for (T* object : list) {
    linker.linkType(object->type);
    linker.link(object->specification);
  }
}

template <class T>
void linkSpecificationOf(std::span<T* const> list, const Linker& linker) {
  for (T* object : list)
    linker.link(object->specification);
}

}  // namespace

void ModelStore::linkTypes() {
  const Linker linker(*this);
  // Linking reads the offset maps at random, a cache miss per reference: the references
  // are shared between two threads, each writing its own, and the maps are only read.
  const auto linkPart = [this, &linker](std::size_t part, std::size_t parts) {
    linkTypeOf(sliceOf(arrayTypes, part, parts), linker);
    linkTypeOf(sliceOf(constTypes, part, parts), linker);
    linkTypeOf(sliceOf(importedDeclarations, part, parts), linker);
    linkTypeOf(sliceOf(inheritances, part, parts), linker);
    linkTypeOf(sliceOf(members, part, parts), linker);
    linkTypeOf(sliceOf(pointerTypes, part, parts), linker);
    linkTypeOf(sliceOf(subrangeTypes, part, parts), linker);
    linkTypeOf(sliceOf(subroutineTypes, part, parts), linker);
    linkTypeOf(sliceOf(typedefs, part, parts), linker);
    linkTypeOf(sliceOf(volatileTypes, part, parts), linker);
    linkTypeAndSpecificationOf(sliceOf(functions, part, parts), linker);
    linkTypeAndSpecificationOf(sliceOf(variables, part, parts), linker);
    linkSpecificationOf(sliceOf(classTypes, part, parts), linker);
    linkSpecificationOf(sliceOf(structureTypes, part, parts), linker);
  };
  std::future<void> other = std::async(std::launch::async, linkPart, 1, 2);
  linkPart(0, 2);
  other.get();
  // References by signature were passed over above; they are resolved once all others are.
  linker.resolveSignatures();
}

}  // namespace Model
