// What holds for every program of the suite alike.
#include "run.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

std::vector<std::string> split(const std::string &text) {
    std::vector<std::string> items;
    std::stringstream list(text);
    for (std::string item; std::getline(list, item, ',');)
        items.push_back(item);
    return items;
}

std::vector<std::string> all_programs() {
    return split(DEMOS_PROGRAMS);
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
#ifdef CROSS_OBJDUMP
        // ldd starts the program's own loader, which cannot run a binary of
        // another machine: here the libraries are the program's NEEDED
        // entries, which name neither the loader nor the vDSO.
        RunResult objdump = run(CROSS_OBJDUMP, {"--private-headers", program(name)});
        ASSERT_EQ(objdump.status, 0) << name << ": " << describe(objdump);
        std::set<std::string> libraries;
        std::stringstream lines(objdump.out);
        for (std::string line; std::getline(lines, line);) {
            std::stringstream fields(line);
            std::string tag, lib;
            if (fields >> tag >> lib && tag == "NEEDED")
                libraries.insert(lib);
        }
        EXPECT_TRUE(libraries.contains("libc.so.6")) << name << " does not link the C library";
        std::set<std::string> allowed = {"libc.so.6"};
#else
        RunResult ldd = run("/usr/bin/ldd", {program(name)});
        ASSERT_EQ(ldd.status, 0) << name << ": " << describe(ldd);
        const std::set<std::string> libraries = words_of_lines(ldd.out);
        std::set<std::string> allowed = {"linux-vdso.so.1", "libc.so.6",
                                         "/lib64/ld-linux-x86-64.so.2"};
#endif
        if (name == "shapes")
            allowed.insert("libm.so.6");
        for (const std::string &lib : libraries)
            EXPECT_TRUE(allowed.contains(lib)) << name << " links " << lib;
    }
}

// The programs keep everything on the stack: no allocator is even referenced.
TEST(Suite, ProgramsCallNoAllocator) {
#ifdef DEMOS_SANITIZE
    GTEST_SKIP() << "the sanitizer runtimes allocate in this build";
#endif
    // operator new takes an unsigned long (m) or, on 32-bit machines, an unsigned int (j).
    const std::set<std::string> allocators = {"malloc",        "calloc",         "realloc",
                                              "aligned_alloc", "posix_memalign", "_Znwm",
                                              "_Znam",         "_Znwj",          "_Znaj"};
    for (const std::string &name : all_programs()) {
        RunResult nm =
            run(NM_PROGRAM, {"-D", "--undefined-only", "--format=just-symbols", program(name)});
        ASSERT_EQ(nm.status, 0) << name << ": " << describe(nm);
        for (const std::string &symbol : words_of_lines(nm.out))
            EXPECT_FALSE(allocators.contains(symbol.substr(0, symbol.find('@'))))
                << name << " refers to " << symbol;
    }
}

// A program whose output is lost says so and fails, instead of ending with
// the status of success.
TEST(Suite, OutputThatCannotBeWrittenFailsTheProgram) {
    struct Case {
        std::string name;
        std::vector<std::string> args;
        std::string input;
    };
    const Case cases[] = {
        {"daycalc", {"2024-02-29"}, ""},
        {"daycalc", {"2023-02-29"}, ""},
        {"monthlen", {}, "2\n2024\n"},
        {"bitcalc", {}, "0x5A ^ 017\nn\n1 < 4\nq\n"},
        {"shapes", {}, "0\n4\n0\nn\n1 3 1\nq\n"},
        {"convtable", {}, "30000\n"},
        {"convtable_n", {}, "30000\n"},
        {"bitflags", {}, ""},
        {"casebits", {}, ""},
        {"pow2", {}, ""},
        {"xorswap", {}, ""},
    };
    std::set<std::string> covered;
    for (const Case &c : cases) {
        RunOptions options;
        options.input = c.input;
        options.stdout_path = "/dev/full";
        RunResult r = run(c.name, c.args, options);
        EXPECT_EQ(r.status, 2) << c.name << ": " << describe(r);
        EXPECT_EQ(r.err, c.name + ": write error: No space left on device\n");
        covered.insert(c.name);
    }
    for (const std::string &name : all_programs())
        EXPECT_TRUE(covered.contains(name)) << name << " is not checked";
}

// The manual pages render without a single complaint from either formatter.
TEST(Suite, ManualPagesLintClean) {
    const bool have_mandoc = std::filesystem::exists("/usr/bin/mandoc");
    for (const std::string &page : split(DEMOS_MANPAGES)) {
        RunResult groff = run("/usr/bin/groff", {"-man", "-ww", "-z", "-Tutf8", page});
        EXPECT_EQ(groff.status, 0) << page << ": " << describe(groff);
        EXPECT_EQ(groff.err, "") << page;
        if (have_mandoc) {
            RunResult lint = run("/usr/bin/mandoc", {"-Tlint", page});
            EXPECT_EQ(lint.status, 0) << page << ": " << describe(lint);
            EXPECT_EQ(lint.out + lint.err, "") << page;
        }
    }
    if (!have_mandoc)
        std::puts("mandoc is not installed: checked with groff alone");
}

TEST(Suite, InstallPlacesProgramsPagesAndModule) {
    namespace fs = std::filesystem;
    const fs::path prefix = fs::path(::testing::TempDir()) / "demos-install";
    fs::remove_all(prefix);
    RunResult install = run(CMAKE_COMMAND, {"--install", DEMOS_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.status, 0) << describe(install);

    std::vector<fs::path> expected = {"share/man/man3/Rectangular.3", "include/rectang.h",
                                      "lib/librectang.a", "lib/pkgconfig/rectang.pc",
                                      "lib/cmake/rectang/rectangConfig.cmake"};
    for (const std::string &name : all_programs()) {
        expected.push_back("bin/" + name);
        expected.push_back("share/man/man1/" + name + ".1");
    }
    for (const fs::path &file : expected)
        EXPECT_TRUE(fs::exists(prefix / file)) << file << " was not installed";

    // Built for the machine under test, as the programs in the build tree are.
    const std::vector<std::string> xorswap = program_command((prefix / "bin/xorswap").string());
    RunResult installed = run(xorswap[0], {xorswap.begin() + 1, xorswap.end()});
    EXPECT_EQ(installed.out, "a: 3; b: 4\na: 4; b: 3\n");
    fs::remove_all(prefix);
}

} // namespace
