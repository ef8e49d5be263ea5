#pragma once

namespace vorn::test {

// Makes the current context report errors and undefined behaviour synchronously: each message
// of those kinds fails the running test, naming it. Messages the context logged before (a debug
// context logs from its creation on) fail the test the same way. Needs a debug context.
void failOnGlErrors();

}  // namespace vorn::test
