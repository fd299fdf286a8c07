#include "model/ModelStore.h"

namespace Model {

ModelStore::ModelStore() = default;

ModelStore::~ModelStore() {
  // The objects hold nothing but texts of the text arena and lists of children in the
  // object arena, which give their memory back whole when they go: taking a tree of a
  // million objects apart one by one, only to give back nothing, took a tenth of a
  // conversion. The lists and maps only held pointers into the tree.
  [[maybe_unused]] BasicObject* tree = root.release();
}

}  // namespace Model
