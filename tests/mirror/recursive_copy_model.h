// The calls that the plain recursive sub-tree copy makes, worked out from the
// test host's own view of the tree (children, sibling ends, failing
// Duplicates) rather than through SceneNode, to hold a module's log against.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/scene.h"

namespace orvel::mirror_test {

// Which node each copy in the scene was made from, for the pointers that
// Duplicate returned. Each source is copied at most once per run.
using CopyMap = std::unordered_map<const host::TestNode*, const host::TestNode*>;
CopyMap CopiesIn(const host::Scene& scene);

// The calls of copying `source` with its sub-tree, the top copy placed beside
// it; a child whose Duplicate fails is skipped without an AddChild.
std::vector<host::Call> RecursiveCopyCalls(const host::TestNode& source, const CopyMap& copies);

// The calls of a whole run of Execute that made `copy` of `source`.
std::vector<host::Call> MirrorRunCalls(const host::TestNode& source, const CopyMap& copies, bool keepTranslation);

// Success, or the first call where `log` departs from `expected`, with the
// calls around it.
::testing::AssertionResult SameCalls(const host::CallLog& log, const std::vector<host::Call>& expected);

}  // namespace orvel::mirror_test
