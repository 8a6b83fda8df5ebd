#pragma once
// Where the checkout, the build and its program directory are, for tests and benchmarks that
// read shipped files or run the built programs. The paths live in one small generated source per
// program (build_paths.cpp in the build directory), not in every object's compile line, so that
// every other object is the same in every clone of the tree and ccache serves it to all of them.
// Force-included into those programs; the names stay macros so that `#ifndef` checks still work.
namespace sd::build_paths {
extern const char* const kSourceDir;
extern const char* const kBinaryDir;
extern const char* const kExeDir;
}  // namespace sd::build_paths

#define STOCKDYN_SOURCE_DIR (::sd::build_paths::kSourceDir)
#define STOCKDYN_BINARY_DIR (::sd::build_paths::kBinaryDir)
#define STOCKDYN_EXE_DIR (::sd::build_paths::kExeDir)
