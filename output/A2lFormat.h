#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/FingerprintTable.h"
#include "output/SignalEntry.h"

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

// The A2L description of the signals, in ASAP2 1.71: one MEASUREMENT per map line, in
// the map's order, inside one PROJECT and MODULE named after the image. Built to grow:
// calibration parameters (CHARACTERISTIC with their record layouts) will go into the
// same module, between the measurements and the end.
class A2lWriter {
 public:
  // Opens the project and the module; `littleEndian` gives the byte order.
  A2lWriter(std::string& text, std::string_view moduleName, bool littleEndian);

  // One MEASUREMENT. `signalName` is the signal's name without its bit list,
  // `bitPosition` the lowest bit of a bit field as the map numbers it.
  void appendMeasurement(const SignalEntry& signal, std::string_view signalName,
                         std::uint32_t bitPosition) {
    A2lIdentifiers::Candidate identifier;
    identifiers_.prepare(identifier, signalName);
    appendMeasurement(signal, signalName, bitPosition, identifier);
  }
  // The same with the identifier prepared ahead.
  void prepareIdentifier(A2lIdentifiers::Candidate& identifier, std::string_view signalName) const {
    identifiers_.prepare(identifier, signalName);
  }
  void appendMeasurement(const SignalEntry& signal, std::string_view signalName,
                         std::uint32_t bitPosition, A2lIdentifiers::Candidate& identifier);
  // Closes the module and the project.
  void finish();

 private:
  std::string& text_;
  A2lIdentifiers identifiers_;
};

}  // namespace Output
