#include "dump/DumpLoad.h"

#include "dump/DumpLines.h"
#include "dump/EntryReader.h"
#include "model/ModelStore.h"

namespace Dump {

namespace {
void buildModel(Model::ModelStore& store, DumpLines& lines) {
  parseDump(store, lines);
  store.linkTypes();
  restateDataBitOffsets(store);
}
}  // namespace

void loadDumpFile(Model::ModelStore& store, const std::string& path) {
  DumpLines lines;
  if (!lines.openFile(path)) return;
  buildModel(store, lines);
}

void loadDumpText(Model::ModelStore& store, std::string_view text) {
  DumpLines lines;
  lines.openText(text);
  buildModel(store, lines);
}

}  // namespace Dump
