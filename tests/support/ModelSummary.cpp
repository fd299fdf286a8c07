#include "tests/support/ModelSummary.h"

#include <algorithm>
#include <vector>

#include "output/OutputRun.h"
#include "output/TypeWalker.h"

namespace TestSupport {

using namespace Model;

namespace {

void summarizeType(const BasicObject* type, std::string& out,
                   std::vector<const BasicObject*>& path) {
  if (type == nullptr) {
    out += "none";
    return;
  }
  if (std::find(path.begin(), path.end(), type) != path.end() || path.size() > 50) {
    out += "<again " + std::string(type->name) + ">";
    return;
  }
  path.push_back(type);
  const std::string size = "(" + std::to_string(type->byteSize()) + ")";
  if (const auto* base = dynamic_cast<const TypeInfo_Base*>(type)) {
    out += "base " + std::string(base->name) + size + " " + std::string(base->encodingName);
  } else if (const auto* typedefType = dynamic_cast<const TypeInfo_Typedef*>(type)) {
    out += "typedef " + std::string(typedefType->name) + "=";
    summarizeType(typedefType->type.target, out, path);
  } else if (const auto* constType = dynamic_cast<const TypeInfo_Const*>(type)) {
    out += "const ";
    summarizeType(constType->type.target, out, path);
  } else if (const auto* volatileType = dynamic_cast<const TypeInfo_Volatile*>(type)) {
    out += "volatile ";
    summarizeType(volatileType->type.target, out, path);
  } else if (dynamic_cast<const TypeInfo_Pointer*>(type) != nullptr) {
    out += "pointer" + size;
  } else if (dynamic_cast<const TypeInfo_Enumeration*>(type) != nullptr) {
    out += "enum " + std::string(type->name) + size;
  } else if (const auto* array = dynamic_cast<const TypeInfo_Array*>(type)) {
    out += "array";
    for (const auto& child : array->children) {
      if (const auto* range = dynamic_cast<const TypeInfo_Subrange*>(child.get())) {
        out += "[" + std::to_string(range->lowerBound) + ".." + std::to_string(range->upperBound) +
               "]";
      }
    }
    out += " of ";
    summarizeType(array->type.target, out, path);
  } else if (dynamic_cast<const TypeInfo_Structure*>(type) != nullptr ||
             dynamic_cast<const TypeInfo_Class*>(type) != nullptr ||
             dynamic_cast<const TypeInfo_Union*>(type) != nullptr) {
    out += "composite " + std::string(type->name) + size + "{";
    for (const auto& child : type->children) {
      if (const auto* member = dynamic_cast<const TypeInfo_Member*>(child.get())) {
        out += std::string(member->name) + "@" + std::to_string(member->dataMemberLocation);
        if (member->bitSize != 0) {
          out += " bits " + std::to_string(member->bitSize) + " at " +
                 std::to_string(member->bitOffset) + " in " + std::to_string(member->byteSizeAttr);
        }
        if (member->declaration) out += " declared";
        out += ": ";
        summarizeType(member->type.target, out, path);
        out += "; ";
      } else if (const auto* inheritance = dynamic_cast<const TypeInfo_Inheritance*>(child.get())) {
        out += "base@" + std::to_string(inheritance->dataMemberLocation) + ": ";
        summarizeType(inheritance->type.target, out, path);
        out += "; ";
      }
    }
    out += "}";
  } else {
    out += "other " + std::string(type->tag);
  }
  path.pop_back();
}

}  // namespace

std::string summarizeVariables(const ModelStore& store) {
  std::string out;
  for (const BasicObject* object : store.addressedObjects) {
    const auto* variable = dynamic_cast<const VariableInfo*>(object);
    if (variable == nullptr) continue;
    out += Output::composeSignalName(variable, "") + " at " + std::to_string(variable->location) +
           " from " + Output::sourceLocationOf(store, *variable) + ": ";
    std::vector<const BasicObject*> path;
    const BasicObject* type = variable->type.target;
    if (type == nullptr && variable->specification.target != nullptr) {
      if (const auto* declared =
              dynamic_cast<const VariableInfo*>(variable->specification.target)) {
        type = declared->type.target;
      }
    }
    summarizeType(type, out, path);
    out += "\n";
  }
  return out;
}

}  // namespace TestSupport
