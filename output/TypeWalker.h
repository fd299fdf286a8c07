#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/TextPattern.h"
#include "output/SignalEntry.h"

namespace Model {
class BasicObject;
class FunctionInfo;
class ModelStore;
class TypeInfo_Member;
class VariableInfo;
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

// An array with more elements than are expanded: its signal name and element count.
struct CappedArray {
  std::string name;
  std::uint64_t elements;
};

// Receives the signals of a walk, in order, as they are found: a variable of a million
// signals is written out without ever holding them all.
class SignalSink {
 public:
  // A sink may take the entry's texts, or copy them and leave the entry as it was, so
  // that the walker reuses their memory for the next signal.
  virtual void take(SignalEntry&& signal) = 0;

 protected:
  ~SignalSink() = default;
};

// Collects the signals of a walk in a list.
class SignalList final : public SignalSink {
 public:
  explicit SignalList(std::vector<SignalEntry>& list) : list_(list) {}
  void take(SignalEntry&& signal) override { list_.push_back(std::move(signal)); }

 private:
  std::vector<SignalEntry>& list_;
};

// Expands one type into the signals below it, handing them to a sink.
class TypeWalker {
 public:
  // `signalLimit` caps the signals given to `output` until `resetLimit()`; the walk stops
  // when it is reached.
  TypeWalker(const CompleteTypeIndex* completeTypes, SignalSink& output,
             std::vector<CappedArray>* capped = nullptr,
             std::size_t signalLimit = kMaxSignalsPerWalk)
      : completeTypes_(completeTypes),
        output_(output),
        capped_(capped),
        signalLimit_(signalLimit) {}

  void walk(const Model::BasicObject& object, SignalEntry entry, bool asStructureChild);

  // From now on the walk also gives what the A2L description needs: the symbol path of
  // each signal, and the shape of the arrays of scalars that elements belong to.
  void describeForA2l() { forA2l_ = true; }

  // Whether the last walks were cut: at the signal limit, or after more steps than any
  // real type takes.
  bool reachedLimit() const { return reachedLimit_; }
  // The signals given to the sink since the last reset.
  std::size_t signalCount() const { return emitted_; }
  // Whether the last walk met a type that is described in a type unit the dump does not
  // hold, and so could not give the signals below it.
  bool metLostType() const { return lostType_; }
  void resetLimit() {
    reachedLimit_ = false;
    emitted_ = 0;
  }

  // Type nesting deeper than any real program's is cut there.
  static constexpr unsigned kMaxDepth = 1000;
  // The elements of one array that are expanded at most: far more than any controller
  // holds, few enough that a broken bound (4294967294) cannot ask for billions of lines.
  static constexpr std::uint64_t kMaxArrayElements = 1 << 20;
  // The signals of one variable at most: a type built from arrays of arrays or from
  // structures that hold one type many times over (in a crafted dump) could otherwise
  // ask for more lines than any disk holds.
  static constexpr std::size_t kMaxSignalsPerWalk = std::size_t{1} << 24;
  static_assert(kMaxSignalsPerWalk >= kMaxArrayElements);
  // Objects visited in one walk at most. Real types take a few steps per signal, and an
  // array walks its element type once; types built to share their parts (structures
  // that hold another type twice, sixty levels deep) could take any number of steps
  // without a signal.
  static constexpr std::size_t kMaxStepsPerWalk = std::size_t{1} << 24;
  static constexpr std::size_t kStepsPerSignal = 64;

 private:
  void walkAt(const Model::BasicObject& object, const SignalEntry& entry, bool asStructureChild,
              unsigned depth);
  enum class Children { Plain, OfStructure, Skip };
  Children walkKind(const Model::BasicObject& object, SignalEntry& entry, unsigned depth);
  // The steps of walkKind for the kinds that take more than a line.
  void emitSized(const Model::BasicObject& object, SignalEntry& entry);
  void walkDeclaredType(const Model::BasicObject& object, const SignalEntry& entry, unsigned depth);
  void walkMember(const Model::TypeInfo_Member& member, SignalEntry& entry, unsigned depth);
  Children walkComposite(const Model::BasicObject& composite, const SignalEntry& entry,
                         unsigned depth);
  void walkFunction(const Model::FunctionInfo& function, SignalEntry& entry, unsigned depth);
  void walkVariable(const Model::VariableInfo& variable, SignalEntry& entry, unsigned depth);
  void expandArray(const Model::BasicObject& array, const Model::BasicObject* elementType,
                   const SignalEntry& entry, unsigned depth);
  void emit(SignalEntry&& entry) {
    if (emitted_ >= signalLimit_) {
      reachedLimit_ = true;
      return;
    }
    ++emitted_;
    output_.take(std::move(entry));
  }
  bool full() const { return emitted_ >= signalLimit_; }
  void noteLostType(const Model::BasicObject& object);
  // Counts one more visited object; false when the walk has taken too many.
  bool step() {
    return ++*steps_ <= std::min(kMaxStepsPerWalk, signalLimit_ * kStepsPerSignal + 65536);
  }

  const CompleteTypeIndex* completeTypes_;
  SignalSink& output_;
  std::size_t emitted_ = 0;
  std::vector<CappedArray>* capped_;
  // The objects being expanded, outermost first: a type met again on its own path
  // contains itself (malformed input) and ends its branch.
  std::vector<const Model::BasicObject*> path_;
  // A step replaced the name instead of extending it.
  bool replacedName_ = false;
  std::size_t signalLimit_;
  bool reachedLimit_ = false;
  bool lostType_ = false;
  bool forA2l_ = false;
  // The shapes of the arrays of scalars met in the current walk, shared with the walkers
  // of array elements; the signals point into it.
  std::deque<ArrayShape> ownShapes_;
  std::deque<ArrayShape>* shapes_ = &ownShapes_;
  // The shape of an array whose elements are scalars, made for this walk; null when they
  // are not.
  const ArrayShape* shapeOfScalarArray(const Model::BasicObject& array,
                                       const Model::BasicObject& elementType);
  // Objects visited in the current walk, shared with the walkers of array elements.
  std::size_t ownSteps_ = 0;
  std::size_t* steps_ = &ownSteps_;
};

// Walks `object` with a copy of `entry`, without finding completions of declared types.
void walkType(const Model::BasicObject& object, SignalEntry entry, bool asStructureChild,
              std::vector<SignalEntry>& output);

// The scoped name of an object: the names of its enclosing functions, classes,
// namespaces and variables, outermost first, then its own, then `suffix`.
std::string composeSignalName(const Model::BasicObject* object, std::string suffix);

bool matchSignedEncoding(std::string_view, Common::TextPattern<0>::Groups&);
// Matched against "A" followed by the encoding text.
inline constexpr Common::TextPattern<0> signedEncodingPattern{
    "signedEncodingPattern", "^.*[^n]signed.*$", &matchSignedEncoding, "Asigned char",
    "Aunsigned char"};

// Whether a base type's encoding text ("signed", "unsigned char", ...) is a signed one.
bool isSignedEncoding(std::string_view encoding);

}  // namespace Output
