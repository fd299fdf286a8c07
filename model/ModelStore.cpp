#include "model/ModelStore.h"

#include "dump/DumpLoad.h"

namespace Model {

ModelStore::ModelStore() = default;

ModelStore::ModelStore(const std::string& dumpFile) {
  Dump::loadDumpFile(*this, dumpFile);
}

ModelStore::ModelStore(FromText, std::string_view dumpText) {
  Dump::loadDumpText(*this, dumpText);
}

ModelStore::~ModelStore() {
  // The tree goes first, each object once; the lists and maps after it only held
  // pointers into it.
  root.reset();
}

}  // namespace Model
