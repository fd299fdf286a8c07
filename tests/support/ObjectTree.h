#pragma once

#include "model/Model.h"
#include "model/ObjectArena.h"

namespace TestSupport {

// A tree of model objects made by hand, its memory in an arena as in a loaded store.
// Used like the pointer to its root.
class ObjectTree {
 public:
  explicit ObjectTree(std::uint32_t offset = 0)
      : root_(arena_.make<Model::BasicObject>(offset, "", nullptr, &arena_)) {}

  Model::BasicObject* get() const { return root_.get(); }
  Model::BasicObject& operator*() const { return *root_; }
  Model::BasicObject* operator->() const { return root_.get(); }
  void reset() { root_.reset(); }

 private:
  Model::ObjectArena arena_;
  Model::OwnedObject root_;
};

}  // namespace TestSupport
