// A walk over a singly linked list of members that survives the list
// changing under it: callbacks called on the way may add, remove or destroy
// members. The walk visits the members there were when it began, skipping
// those removed since; members added meanwhile wait for the next walk.
#pragma once

#include <algorithm>
#include <vector>

template <typename Member>
class SafeWalk {
public:
  // The owner keeps `walks` and tells them of every member that leaves.
  SafeWalk(std::vector<SafeWalk *> &walks, Member *first) : walks(walks) {
    for (Member *member = first; member; member = member->GetNext()) members.push_back(member);
    walks.push_back(this);
  }
  ~SafeWalk() { walks.erase(std::find(walks.begin(), walks.end(), this)); }
  SafeWalk(const SafeWalk &) = delete;
  SafeWalk &operator=(const SafeWalk &) = delete;

  static void Forget(const std::vector<SafeWalk *> &walks, const Member *gone) {
    for (SafeWalk *walk : walks) std::replace(walk->members.begin(), walk->members.end(), const_cast<Member *>(gone), static_cast<Member *>(nullptr));
  }

  std::size_t Size() const { return members.size(); }
  // The i-th member, or null once it has left.
  Member *At(std::size_t i) const { return members[i]; }

private:
  std::vector<SafeWalk *> &walks;
  std::vector<Member *> members;
};
