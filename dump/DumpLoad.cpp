#include "dump/DumpLoad.h"

#include "dump/DumpLines.h"
#include "dump/EntryReader.h"
#include "dump/PlacementReader.h"
#include "model/ModelStore.h"

namespace Dump {

void completeModel(Model::ModelStore& store, const ImageAddressSource& image) {
  placeVariables(store, image);
  store.linkTypes();
  restateDataBitOffsets(store);
  store.objects.finishFilling();
}

namespace {
void buildModel(Model::ModelStore& store, DumpLines& lines, const ImageAddressSource& image = {}) {
  parseDump(store, lines);
  completeModel(store, image);
}
}  // namespace

DumpRead loadDumpFile(Model::ModelStore& store, const std::string& path, ReadProgress* progress) {
  DumpLines lines;
  lines.reportTo(progress);
  if (!lines.openFile(path)) return DumpRead::NotOpened;
  buildModel(store, lines);
  return lines.readFailed() ? DumpRead::ReadErrorPart : DumpRead::Whole;
}

void loadDumpSource(Model::ModelStore& store, DumpSource& source, ReadProgress* progress,
                    const ImageAddressSource& image) {
  DumpLines lines;
  lines.reportTo(progress);
  lines.openSource(source);
  buildModel(store, lines, image);
}

void loadDumpText(Model::ModelStore& store, std::string_view text,
                  const ImageAddressSource& image) {
  DumpLines lines;
  lines.openText(text);
  buildModel(store, lines, image);
}

}  // namespace Dump
