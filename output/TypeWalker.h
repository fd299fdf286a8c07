#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dump/TextPattern.h"
#include "output/SignalEntry.h"

namespace Model {
class BasicObject;
class ModelStore;
}  // namespace Model

namespace Output {

// Finds the complete definition of a class, structure or union that a compile unit only
// declares: the first one in dump order with the same qualified name.
class CompleteTypeIndex {
 public:
  explicit CompleteTypeIndex(const Model::ModelStore& store);
  ~CompleteTypeIndex();
  const Model::BasicObject* completionOf(const Model::BasicObject& declaration) const;

 private:
  void build() const;
  const Model::ModelStore& store_;
  struct Index;
  mutable std::unique_ptr<Index> index_;  // built on first use, once
};

// Expands one type into the signals below it, appending them to `output`.
class TypeWalker {
 public:
  TypeWalker(const CompleteTypeIndex* completeTypes, std::vector<SignalEntry>& output)
      : completeTypes_(completeTypes), output_(output) {}

  void walk(const Model::BasicObject& object, SignalEntry entry, bool asStructureChild);

  // Type nesting deeper than any real program's is cut there.
  static constexpr unsigned kMaxDepth = 1000;

 private:
  void walkAt(const Model::BasicObject& object, const SignalEntry& entry, bool asStructureChild,
              unsigned depth);
  enum class Children { Plain, OfStructure, Skip };
  Children walkKind(const Model::BasicObject& object, SignalEntry& entry, unsigned depth);
  void expandArray(const Model::BasicObject& array, const Model::BasicObject* elementType,
                   const SignalEntry& entry, unsigned depth);
  void emit(SignalEntry entry) { output_.push_back(std::move(entry)); }

  const CompleteTypeIndex* completeTypes_;
  std::vector<SignalEntry>& output_;
  // The objects being expanded, outermost first: a type met again on its own path
  // contains itself (malformed input) and ends its branch.
  std::vector<const Model::BasicObject*> path_;
  // A step replaced the name instead of extending it.
  bool replacedName_ = false;
};

// Walks `object` with a copy of `entry`, without finding completions of declared types.
void walkType(const Model::BasicObject& object, SignalEntry entry, bool asStructureChild,
              std::vector<SignalEntry>& output);

// The scoped name of an object: the names of its enclosing functions, classes,
// namespaces and variables, outermost first, then its own, then `suffix`.
std::string composeSignalName(const Model::BasicObject* object, std::string suffix);

bool matchSignedEncoding(std::string_view, Dump::TextPattern<0>::Groups&);
// Matched against "A" followed by the encoding text.
inline constexpr Dump::TextPattern<0> signedEncodingPattern{
    "signedEncodingPattern", "^.*[^n]signed.*$", &matchSignedEncoding};

// Whether a base type's encoding text ("signed", "unsigned char", ...) is a signed one.
bool isSignedEncoding(std::string_view encoding);

}  // namespace Output
