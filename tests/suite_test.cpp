// What holds for every program of the suite alike.
#include "run.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

std::vector<std::string> all_programs() {
    std::vector<std::string> names;
    std::stringstream list(DEMOS_PROGRAMS);
    for (std::string name; std::getline(list, name, ',');)
        names.push_back(name);
    return names;
}

std::set<std::string> words_of_lines(const std::string &text) {
    std::set<std::string> words;
    std::stringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::stringstream fields(line);
        std::string word;
        if (fields >> word)
            words.insert(word);
    }
    return words;
}

TEST(Suite, ProgramsLinkOnlyTheCLibrary) {
#ifdef DEMOS_SANITIZE
    GTEST_SKIP() << "the sanitizer runtimes are linked in this build";
#endif
    for (const std::string &name : all_programs()) {
        RunResult ldd = run("/usr/bin/ldd", {program(name)});
        ASSERT_EQ(ldd.status, 0) << name << ": " << describe(ldd);
        std::set<std::string> allowed = {"linux-vdso.so.1", "libc.so.6",
                                         "/lib64/ld-linux-x86-64.so.2"};
        if (name == "shapes")
            allowed.insert("libm.so.6");
        for (const std::string &lib : words_of_lines(ldd.out))
            EXPECT_TRUE(allowed.contains(lib)) << name << " links " << lib;
    }
}

// The programs keep everything on the stack: no allocator is even referenced.
TEST(Suite, ProgramsCallNoAllocator) {
#ifdef DEMOS_SANITIZE
    GTEST_SKIP() << "the sanitizer runtimes allocate in this build";
#endif
    const std::set<std::string> allocators = {
        "malloc", "calloc", "realloc", "aligned_alloc", "posix_memalign", "_Znwm", "_Znam"};
    for (const std::string &name : all_programs()) {
        RunResult nm =
            run("/usr/bin/nm", {"-D", "--undefined-only", "--format=just-symbols", program(name)});
        ASSERT_EQ(nm.status, 0) << name << ": " << describe(nm);
        for (const std::string &symbol : words_of_lines(nm.out))
            EXPECT_FALSE(allocators.contains(symbol.substr(0, symbol.find('@'))))
                << name << " refers to " << symbol;
    }
}

} // namespace
