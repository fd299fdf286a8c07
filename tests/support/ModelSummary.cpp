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

namespace TestSupport {

namespace {

using namespace Model;

std::string offsetOf(const BasicObject* object) {
  return object == nullptr ? "-" : std::to_string(object->offset);
}

std::string referenceText(const Reference& reference) {
  return std::to_string(reference.offset) + "/" +
         std::to_string(static_cast<int>(reference.space)) + "->" + offsetOf(reference.target);
}

void listObject(const BasicObject& object, std::string& out, unsigned depth) {
  out += std::string(depth, ' ') + std::to_string(static_cast<int>(object.kind)) + " " +
         std::to_string(object.offset) + " " + std::string(object.tag) + " '" +
         std::string(object.name) + "' line=" + std::string(object.declLine) +
         " file=" + std::to_string(object.declFile) + " stmt=" + std::to_string(object.stmtList) +
         " nested=" + std::to_string(object.nested) + " type=" + referenceText(object.type) +
         " spec=" + referenceText(object.specification);
  const auto field = [&](const char* name, auto value) {
    out += std::string(" ") + name + "=" + std::to_string(value);
  };
  if (const auto* unit = as<CompileUnitInfo>(&object)) {
    field("low", unit->lowPc);
    field("high", unit->highPc);
  } else if (const auto* function = as<FunctionInfo>(&object)) {
    field("low", function->lowPc);
    field("high", function->highPc);
    field("external", function->external);
  } else if (const auto* variable = as<VariableInfo>(&object)) {
    field("external", variable->external);
    field("hasLocation", variable->hasLocation);
    field("location", variable->location);
  } else if (const auto* array = as<TypeInfo_Array>(&object)) {
    field("size", array->byteSizeAttr);
  } else if (const auto* base = as<TypeInfo_Base>(&object)) {
    field("size", base->byteSizeAttr);
    out += " encoding=" + std::string(base->encodingName);
  } else if (const auto* type = as<TypeInfo_Class>(&object)) {
    field("size", type->byteSizeAttr);
    field("declaration", type->declaration);
  } else if (const auto* enumeration = as<TypeInfo_Enumeration>(&object)) {
    field("size", enumeration->byteSizeAttr);
  } else if (const auto* enumerator = as<TypeInfo_Enumerator>(&object)) {
    field("value", enumerator->value);
  } else if (const auto* inheritance = as<TypeInfo_Inheritance>(&object)) {
    field("at", inheritance->dataMemberLocation);
  } else if (const auto* member = as<TypeInfo_Member>(&object)) {
    field("at", member->dataMemberLocation);
    field("bits", member->bitSize);
    field("bitOffset", member->bitOffset);
    field("size", member->byteSizeAttr);
    field("declaration", member->declaration);
    field("dataBitOffset", member->dataBitOffset);
    field("hasDataBitOffset", member->hasDataBitOffset);
  } else if (const auto* pointer = as<TypeInfo_Pointer>(&object)) {
    field("size", pointer->byteSizeAttr);
  } else if (const auto* structure = as<TypeInfo_Structure>(&object)) {
    field("size", structure->byteSizeAttr);
    field("declaration", structure->declaration);
  } else if (const auto* subrange = as<TypeInfo_Subrange>(&object)) {
    field("upper", subrange->upperBound);
    field("lower", subrange->lowerBound);
    field("hasUpper", subrange->hasUpperBound);
    field("hasCount", subrange->hasCount);
  } else if (const auto* type = as<TypeInfo_Union>(&object)) {
    field("size", type->byteSizeAttr);
    field("declaration", type->declaration);
  }
  out += "\n";
  for (const auto& child : object.children)
    listObject(*child, out, depth + 1);
}

template <class List>
std::string offsetsOf(const char* name, const List& list) {
  std::string out = std::string(name) + ":";
  for (const auto* object : list)
    out += " " + offsetOf(object);
  return out + "\n";
}

}  // namespace

std::string listModel(const ModelStore& store) {
  std::string out;
  if (store.root != nullptr) listObject(*store.root, out, 0);
  out += "littleEndian=" + std::to_string(store.littleEndian) + "\n";
  out += offsetsOf("addressed", store.addressedObjects);
  out += offsetsOf("arrays", store.arrayTypes);
  out += offsetsOf("classes", store.classTypes);
  out += offsetsOf("consts", store.constTypes);
  out += offsetsOf("enumerations", store.enumerationTypes);
  out += offsetsOf("imports", store.importedDeclarations);
  out += offsetsOf("inheritances", store.inheritances);
  out += offsetsOf("members", store.members);
  out += offsetsOf("pointers", store.pointerTypes);
  out += offsetsOf("structures", store.structureTypes);
  out += offsetsOf("subranges", store.subrangeTypes);
  out += offsetsOf("subroutines", store.subroutineTypes);
  out += offsetsOf("typedefs", store.typedefs);
  out += offsetsOf("unions", store.unionTypes);
  out += offsetsOf("volatiles", store.volatileTypes);
  out += offsetsOf("functions", store.functions);
  out += offsetsOf("variables", store.variables);
  out += offsetsOf("composites", store.compositeTypes);
  out += offsetsOf("removed", store.removedVariables);
  out += offsetsOf("piecewise", store.piecewiseVariables);
  out += "unplaced=" + std::to_string(store.unplacedVariables) + "\n";
  out += "sectionTable=" + std::to_string(store.sectionTableRead) +
         " zeroAllocated=" + std::to_string(store.addressZeroAllocated) + "\n";
  for (const auto& section : store.sections) {
    out += "section " + section.name + " " + std::to_string(section.address) + " " +
           std::to_string(section.size) + " " + std::to_string(section.allocated) + "\n";
  }
  for (const auto& [unit, base] : store.addressBasesByUnit)
    out += "addressBase " + std::to_string(unit) + " " + std::to_string(base) + "\n";
  for (const auto& indexed : store.indexedLocations) {
    out += "indexed " + offsetOf(indexed.variable) + " " + std::to_string(indexed.unitOffset) +
           " " + std::to_string(indexed.index) + "\n";
  }
  std::vector<std::string> typeUnits;
  for (const auto& [signature, type] : store.typeUnitsBySignature) {
    typeUnits.push_back("typeUnit " + std::to_string(signature) + " " +
                        std::to_string(static_cast<int>(type.space)) + " " +
                        std::to_string(type.offset) + "\n");
  }
  std::sort(typeUnits.begin(), typeUnits.end());
  for (const std::string& line : typeUnits)
    out += line;
  for (const auto& signed_ : store.signedDeclarations)
    out +=
        "signed " + offsetOf(signed_.declaration) + " " + std::to_string(signed_.signature) + "\n";
  out += "signatureReferences=" + std::to_string(store.signatureReferences.size()) + "\n";
  for (const auto& [offset, list] : store.statementListsByOffset) {
    out += "lines " + std::to_string(offset) + " from " + std::to_string(list->firstEntryNumber) +
           "\n";
    for (const std::string& directory : list->directories)
      out += "  dir " + directory + "\n";
    for (const std::string& file : list->files)
      out += "  file " + file + "\n";
  }
  return out;
}

}  // namespace TestSupport
