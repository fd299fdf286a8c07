#include <unordered_map>

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

template <class T>
void linkTypeOf(const std::vector<T*>& list, const Linker& linker) {
  for (T* object : list)
    linker.linkType(object->type);
}

template <class T>
void linkTypeAndSpecificationOf(const std::vector<T*>& list, const Linker& linker) {
  for (T* object : list) {
    linker.linkType(object->type);
    linker.link(object->specification);
  }
}

template <class T>
void linkSpecificationOf(const std::vector<T*>& list, const Linker& linker) {
  for (T* object : list)
    linker.link(object->specification);
}

}  // namespace

void ModelStore::linkTypes() {
  const Linker linker(*this);
  linkTypeOf(arrayTypes, linker);
  linkTypeOf(constTypes, linker);
  linkTypeOf(importedDeclarations, linker);
  linkTypeOf(inheritances, linker);
  linkTypeOf(members, linker);
  linkTypeOf(pointerTypes, linker);
  linkTypeOf(subrangeTypes, linker);
  linkTypeOf(subroutineTypes, linker);
  linkTypeOf(typedefs, linker);
  linkTypeOf(volatileTypes, linker);
  linkTypeAndSpecificationOf(functions, linker);
  linkTypeAndSpecificationOf(variables, linker);
  linkSpecificationOf(classTypes, linker);
  linkSpecificationOf(structureTypes, linker);
  linker.resolveSignatures();
}

}  // namespace Model
