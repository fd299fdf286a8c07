#pragma once

#include <string>
#include <string_view>

namespace Model {
class ModelStore;
}

namespace Dump {

// The whole load of a dump into an empty store: the text becomes the process-wide line
// list, the entry reader builds the model from it, the types are linked, and the lines
// are released again. A file that cannot be opened leaves the store empty.
void loadDumpFile(Model::ModelStore& store, const std::string& path);
void loadDumpText(Model::ModelStore& store, std::string_view text);

}  // namespace Dump
