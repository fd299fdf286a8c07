#include "model/ModelStore.h"

namespace Model {

namespace {

// Points `pointer` at the object with DIE offset `offset`. An offset of 0 is an absent
// attribute and links nothing; an offset that no object has leaves the pointer null.
void link(BasicObject*& pointer, std::uint32_t offset, const OffsetMap& objects) {
  if (offset == 0) return;
  if (BasicObject* found = objects.find(offset)) pointer = found;
}

template <class T>
void linkTypeOf(const std::vector<T*>& list, const OffsetMap& objects) {
  for (T* object : list)
    link(object->type, object->typeOffset, objects);
}

template <class T>
void linkTypeAndSpecificationOf(const std::vector<T*>& list, const OffsetMap& objects) {
  for (T* object : list) {
    link(object->type, object->typeOffset, objects);
    link(object->specification, object->specificationOffset, objects);
  }
}

template <class T>
void linkSpecificationOf(const std::vector<T*>& list, const OffsetMap& objects) {
  for (T* object : list)
    link(object->specification, object->specificationOffset, objects);
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
