#include "model/ModelStore.h"

namespace Model {

ModelStore::ModelStore() = default;

ModelStore::~ModelStore() {
  // The tree goes first, each object once; the lists and maps after it only held
  // pointers into it.
  root.reset();
}

}  // namespace Model
