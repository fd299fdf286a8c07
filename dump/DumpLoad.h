#pragma once

#include <string>
#include <string_view>

#include "dump/ImageAddressSection.h"

namespace Model {
class ModelStore;
}

namespace Dump {

class DumpSource;
class ReadProgress;

// How reading a dump file ended.
enum class DumpRead {
  Whole,          // every line was read
  NotOpened,      // the file does not exist, is a folder, or cannot be opened
  ReadErrorPart,  // a read error ended the text part way
};

// What every reader does once the entries are read, the dump's and the ELF's own: the
// variables are placed (from `image`'s .debug_addr where the entries' tables fall short),
// the types linked, bit offsets restated, and the object arena told the model is complete.
void completeModel(Model::ModelStore& store, const ImageAddressSource& image = {});

// The whole load of a dump into an empty store: the entry reader reads the lines as they
// come from the file, variables are placed, the types are linked. A file that cannot be
// opened leaves the store empty; a read error leaves what was read before it.
// `progress`, when given, is told how much has been read.
DumpRead loadDumpFile(Model::ModelStore& store, const std::string& path,
                      ReadProgress* progress = nullptr);
void loadDumpText(Model::ModelStore& store, std::string_view text,
                  const ImageAddressSource& image = {});
// The same for the bytes of a source, read as they come. `image` gives the image's own
// .debug_addr where the dump's address tables fall short.
void loadDumpSource(Model::ModelStore& store, DumpSource& source, ReadProgress* progress = nullptr,
                    const ImageAddressSource& image = {});

}  // namespace Dump
