// Programs slowed down at every line end they print, for tests that must
// hold however the machine schedules a program and its test: a test that
// looks at a screen too early, or types before the program waits, meets the
// unluckiest timing in every run instead of now and then.
#pragma once

#include <chrono>

namespace testsupport {

// Whether this machine lets a test trace the programs it starts; qemu-user,
// which runs the tests of the cross builds, does not.
bool pacing_available();

// Run in a child process in place of exec: starts the command `argv`
// (argv[0] a path), traced with its children, and stops each of its
// processes for `pause` after every write whose bytes hold a line end. Ends
// as the command ends: with its exit status, or by its signal.
[[noreturn]] void exec_paced(char *const argv[], std::chrono::milliseconds pause);

} // namespace testsupport
