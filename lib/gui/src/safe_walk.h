// A walk over a singly linked list that survives the list changing under
// it: callbacks called on the way may add, remove or destroy members. A
// removed member is stepped over (and the one being visited is known to be
// gone); members added at the head wait for the next walk.
#pragma once

#include <algorithm>
#include <vector>

namespace kiln::gui {

template <typename Member>
class SafeWalk {
public:
  // The owner keeps `walks` and tells them of every member that leaves.
  SafeWalk(std::vector<SafeWalk *> &walks, Member *first) : walks(walks), next(first) { walks.push_back(this); }
  ~SafeWalk() { walks.erase(std::find(walks.begin(), walks.end(), this)); }
  SafeWalk(const SafeWalk &) = delete;
  SafeWalk &operator=(const SafeWalk &) = delete;

  // The next member, or null at the end.
  Member *Next() {
    current = next;
    if (current) next = current->GetNext();
    return current;
  }
  // False once the member Next() gave has left the list.
  bool CurrentStays() const { return current != nullptr; }

  // Called before `gone` is unlinked; `after` is the member that follows it.
  static void Forget(const std::vector<SafeWalk *> &walks, const Member *gone, Member *after) {
    for (SafeWalk *walk : walks) {
      if (walk->next == gone) walk->next = after;
      if (walk->current == gone) walk->current = nullptr;
    }
  }

private:
  std::vector<SafeWalk *> &walks;
  Member *next;
  Member *current = nullptr;
};

}  // namespace kiln::gui
