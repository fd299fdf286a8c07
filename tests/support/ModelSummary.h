#pragma once

#include <string>

#include "model/ModelStore.h"

namespace TestSupport {

// A text that shows what the model knows of every variable with a fixed address: its
// name, source location, address, and its type's structure (sizes, member offsets, bit
// fields, array bounds), without DIE offsets. Two dumps of the same program give the
// same text when they give the same model.
std::string summarizeVariables(const Model::ModelStore& store);

}  // namespace TestSupport

namespace TestSupport {

// Every object of the model with every field, in tree order, then the store's lists,
// tables and file tables: two readers that give the same text gave the same model.
std::string listModel(const Model::ModelStore& store);

}  // namespace TestSupport
