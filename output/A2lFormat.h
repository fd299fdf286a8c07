#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/FingerprintTable.h"
#include "output/SignalEntry.h"

namespace Model {
class BasicObject;
}

namespace Output {

// The first line of every A2L file this program writes. A file at the A2L path that does
// not start with it was made by someone else, and is never replaced.
inline constexpr std::string_view kA2lMark = "/* Written by skarvel";

// The A2L identifier of a signal name: scopes ("::", "->", "@") become ".", any other
// character outside letters, digits, "_", ".", "[" and "]" becomes "_", a name that
// does not start with a letter or "_" gets "_" in front, and a name over 1024
// characters is cut and ends in a hash of the whole name.
std::string a2lIdentifier(std::string_view signalName);
// The same into `identifier`, which keeps its memory for the next.
void spellA2lIdentifier(std::string& identifier, std::string_view signalName);

// The identifiers of one module, unique: a name met again (statics of one name in two
// units, or two names spelled alike) gets "_2", "_3", ... in the order of the map.
// A million signals are common, so the identifiers taken are kept as fingerprints: the
// same identifier always has the same one, so none is given twice; two identifiers
// whose fingerprints clash (which no real image will see) would only cost one a suffix.
class A2lIdentifiers {
 public:
  std::string unique(std::string_view signalName);

  // The same in two steps, so that the identifier's place is fetched while other work
  // is done: the identifier of a name, then made unique, in the order of the map.
  struct Candidate {
    std::string identifier;
    Common::FingerprintTable::Key key{};
  };
  void prepare(Candidate& candidate, std::string_view signalName) const;
  void makeUnique(Candidate& candidate);

 private:
  bool take(std::string_view identifier);
  Common::FingerprintTable taken_;
};

// One object of the A2L description: a scalar signal, or an array of scalars given by its
// first element.
struct A2lObject {
  const SignalEntry* signal = nullptr;
  // A CHARACTERISTIC, a parameter that calibration changes; else a MEASUREMENT.
  bool characteristic = false;
  // The signal's name, or the array's, without a bit list.
  std::string_view longIdentifier;
  // The path that measurement tools resolve the symbol by (SYMBOL_LINK), in two pieces:
  // the variable's, and the rest.
  std::string_view symbolPath;
  std::string_view symbolPathTail;
  // The lowest bit of a bit field as the map numbers it.
  std::uint32_t bitPosition = 0;
  // For an array: its shape; the object lies at the first element's address.
  const ArrayShape* array = nullptr;
};

// The conversions of enumeration types: one verbal table (COMPU_METHOD of kind TAB_VERB
// and its COMPU_VTAB) per type, named after the type, made on first use.
class EnumerationTables {
 public:
  EnumerationTables();
  ~EnumerationTables();

  struct Table {
    std::string name;  // of the COMPU_METHOD; the COMPU_VTAB adds ".table"
    const Model::BasicObject* enumeration;
    bool hasNegativeValue;  // then read with a signed datatype of its size
  };
  // The table of an enumeration; `typedefName` names one that has no name of its own.
  const Table& of(const Model::BasicObject& enumeration, std::string_view typedefName);
  // Every table made, in the order they were first used.
  void append(std::string& text) const;

 private:
  struct Index;
  std::unique_ptr<Index> index_;
  std::vector<Table> tables_;
};

// The A2L description of the signals, in ASAP2 1.71, inside one PROJECT and MODULE named
// after the image: MEASUREMENTs and CHARACTERISTICs as they come, then the record layouts
// and conversions they use.
class A2lWriter {
 public:
  // Opens the project and the module; `littleEndian` gives the byte order.
  A2lWriter(std::string& text, std::string_view moduleName, bool littleEndian);

  // The identifier of a name, prepared ahead so that its place in the table of
  // identifiers is fetched while other work is done.
  void prepareIdentifier(A2lIdentifiers::Candidate& identifier, std::string_view name) const {
    identifiers_.prepare(identifier, name);
  }
  // Takes an identifier that no object carries, so that later ones are spelled as when
  // it had one.
  void reserve(A2lIdentifiers::Candidate& identifier) { identifiers_.makeUnique(identifier); }
  // One object, with its identifier made unique.
  void append(const A2lObject& object, A2lIdentifiers::Candidate& identifier);
  // The same, identifier and all.
  void append(const A2lObject& object) {
    A2lIdentifiers::Candidate identifier;
    identifiers_.prepare(identifier, object.longIdentifier);
    append(object, identifier);
  }
  // Writes the record layouts and conversions used, and closes the module and project.
  void finish();

 private:
  std::string& text_;
  A2lIdentifiers identifiers_;
  EnumerationTables enumerations_;
  // The datatypes of the characteristics written, each once, in the order first used:
  // one record layout each.
  std::vector<std::string_view> layouts_;
};

}  // namespace Output
