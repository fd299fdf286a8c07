#include "model/ModelStore.h"

namespace Model {

namespace {

// Points the reference at the object with its DIE offset. An offset of 0 is an absent
// attribute and links nothing; an offset that no object has stays unresolved.
void link(Reference& reference, const OffsetMap& objects) {
  if (reference.offset == 0) return;
  if (BasicObject* found = objects.find(reference.offset)) reference.target = found;
}

template <class T>
void linkTypeOf(const std::vector<T*>& list, const OffsetMap& objects) {
  for (T* object : list)
    link(object->type, objects);
}

template <class T>
void linkTypeAndSpecificationOf(const std::vector<T*>& list, const OffsetMap& objects) {
  for (T* object : list) {
    link(object->type, objects);
    link(object->specification, objects);
  }
}

template <class T>
void linkSpecificationOf(const std::vector<T*>& list, const OffsetMap& objects) {
  for (T* object : list)
    link(object->specification, objects);
}

}  // namespace

void ModelStore::linkTypes() {
  objectsByOffset.seal();
  linkTypeOf(arrayTypes, objectsByOffset);
  linkTypeOf(constTypes, objectsByOffset);
  linkTypeOf(importedDeclarations, objectsByOffset);
  linkTypeOf(inheritances, objectsByOffset);
  linkTypeOf(members, objectsByOffset);
  linkTypeOf(pointerTypes, objectsByOffset);
  linkTypeOf(subrangeTypes, objectsByOffset);
  linkTypeOf(subroutineTypes, objectsByOffset);
  linkTypeOf(typedefs, objectsByOffset);
  linkTypeOf(volatileTypes, objectsByOffset);
  linkTypeAndSpecificationOf(functions, objectsByOffset);
  linkTypeAndSpecificationOf(variables, objectsByOffset);
  linkSpecificationOf(classTypes, objectsByOffset);
  linkSpecificationOf(structureTypes, objectsByOffset);
}

}  // namespace Model
