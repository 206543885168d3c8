// Random sequences of everything a user does with the session, with what the
// user takes for granted checked after every step. RC_PARAMS sets the seed
// and the number of runs; `make soak` runs random seeds for a while.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include "tests/session_sequences.h"

namespace morvane::test {
namespace {

RC_GTEST_PROP(SessionSequences, WhateverTheUserDoesNothingIsLostAndTheKeyboardIsShownAsItIs, ()) { runSequences(); }

}  // namespace
}  // namespace morvane::test
