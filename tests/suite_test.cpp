// What holds for every program of the suite alike.
#include "run.h"
#include "terminal.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

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

// The symbols that `nm` lists for `file` with the given options.
std::set<std::string> symbols(const std::string &file, std::vector<std::string> options) {
    options.insert(options.end(), {"--format=just-symbols", file});
    const RunResult nm = run(NM_PROGRAM, options);
    EXPECT_EQ(nm.status, 0) << file << ": " << describe(nm);
    return words_of_lines(nm.out);
}

TEST(Suite, ProgramsLinkOnlyTheCLibrary) {
#ifdef DEMOS_SANITIZE
    GTEST_SKIP() << "the sanitizer runtimes are linked in this build";
#endif
#ifdef DEMOS_MUSL
    // Linked statically with musl: no loader and no shared library, and
    // nothing of the C++ library's archive. Its strong definitions are its
    // runtime (operator new, the guards of local statics, terminate, ...);
    // the weak ones are header templates that a program may instantiate.
    const std::set<std::string> runtime =
        symbols(CXX_LIBRARY_ARCHIVE, {"--defined-only", "--extern-only", "--no-weak"});
    ASSERT_TRUE(runtime.contains("_ZSt9terminatev")) << CXX_LIBRARY_ARCHIVE;
    for (const std::string &name : all_programs()) {
        RunResult objdump = run(OBJDUMP_PROGRAM, {"--private-headers", program(name)});
        ASSERT_EQ(objdump.status, 0) << name << ": " << describe(objdump);
        const std::set<std::string> headers = words_of_lines(objdump.out);
        EXPECT_TRUE(headers.contains("LOAD")) << name << ": " << objdump.out;
        for (const char *dynamic : {"INTERP", "NEEDED"})
            EXPECT_FALSE(headers.contains(dynamic)) << name << " is not static: " << objdump.out;
        for (const std::string &symbol : symbols(program(name), {"--defined-only"}))
            EXPECT_FALSE(runtime.contains(symbol)) << name << " carries " << symbol;
    }
#else
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
#endif
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
#ifdef DEMOS_MUSL
    // A static program holds the C library's allocator wherever the library
    // uses one itself (musl's scanf does, for %m): the program's own
    // references are those of its object file.
    const std::vector<std::string> files = split(DEMOS_PROGRAM_OBJECTS);
    ASSERT_EQ(files.size(), all_programs().size()) << DEMOS_PROGRAM_OBJECTS;
    const std::vector<std::string> options = {"--undefined-only"};
#else
    std::vector<std::string> files;
    for (const std::string &name : all_programs())
        files.push_back(program(name));
    const std::vector<std::string> options = {"-D", "--undefined-only"};
#endif
    for (const std::string &file : files)
        for (const std::string &symbol : symbols(file, options))
            EXPECT_FALSE(allocators.contains(symbol.substr(0, symbol.find('@'))))
                << file << " refers to " << symbol;
}

// One ordinary run of each program, and of daycalc a rejected date too.
struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string input;
};
const Case ordinary_runs[] = {
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

// A program whose output is lost says so and fails, instead of ending with
// the status of success.
TEST(Suite, OutputThatCannotBeWrittenFailsTheProgram) {
    std::set<std::string> covered;
    for (const Case &c : ordinary_runs) {
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

// Output into a pipe whose reader has gone, as in `shapes | head -n 3`, ends
// the program by SIGPIPE, as it ends the standard tools: no line on
// standard error, and the shell's status 141.
TEST(Suite, APipeWithoutReaderEndsTheProgramBySigpipe) {
    RunOptions options;
    options.stdout_reader_gone = true;
    for (const Case &c : ordinary_runs) {
        options.input = c.input;
        const RunResult r = run(c.name, c.args, options);
        EXPECT_EQ(r.signal, SIGPIPE) << c.name << ": " << describe(r);
        EXPECT_EQ(r.err, "") << c.name;
    }
}

// Output dropped in mid-run while the final flush succeeds: standard output
// a non-blocking pipe that fills while nobody reads, and is drained once the
// program waits for its last answer. The failed write's reason is gone by
// then, so the line names none rather than a wrong one.
TEST(Suite, OutputLostInMidRunFailsTheProgram) {
    std::string passes;
    for (int i = 0; i < 3000; ++i)
        passes += "1 & 3\nn\n";
    const struct {
        std::string name;
        std::string filling; // far more output than a pipe holds
        std::string last;
    } cases[] = {
        // 301 rows of 301 coloured asterisks: 900 KB.
        {"shapes", "1 300 0\n", "q\n"},
        // 3000 passes of 278 bytes each.
        {"bitcalc", passes, "1 & 3\nq\n"},
    };
    for (const auto &c : cases) {
        Piped::Options options;
        options.nonblocking_output = true;
        Piped session(c.name, options);
        session.type(c.filling);
        ASSERT_TRUE(session.wait_until_reading(10s, false)) << c.name << ": " << session.errors();
        session.drain();
        session.type(c.last);
        EXPECT_EQ(session.finish(), 2) << c.name;
        EXPECT_LT(session.screen().size(), run_with_input(c.name, c.filling + c.last).out.size())
            << c.name << ": no output was lost";
        // The last output arrived: only the stream's error state tells of the loss.
        EXPECT_TRUE(session.screen().ends_with("Byebye..\n")) << c.name;
        EXPECT_EQ(session.errors(), c.name + ": write error\n");
    }
}

// The programs that read standard input.
const std::string readers[] = {"monthlen", "bitcalc", "shapes", "convtable", "convtable_n"};

// A read that fails is the end of input there, for all that is printed, and
// the program tells of it and fails: a failed read is no empty input.
TEST(Suite, AFailedReadEndsTheInputAndFailsTheProgram) {
    RunOptions empty, directory, closed, and_full;
    empty.stdin_path = "/dev/null";
    directory.stdin_path = "/";
    closed.stdin_closed = true;
    and_full.stdin_path = "/";
    and_full.stdout_path = "/dev/full";
    for (const std::string &name : readers) {
        const RunResult ended = run(name, {}, empty);
        EXPECT_EQ(ended.status, 0) << name << ": " << describe(ended);
        for (const auto &[options, reason] :
             {std::pair{directory, "Is a directory"}, std::pair{closed, "Bad file descriptor"}}) {
            const RunResult r = run(name, {}, options);
            EXPECT_EQ(r.out, ended.out) << name << ", " << reason;
            EXPECT_EQ(r.err, name + ": read error: " + reason + "\n");
            EXPECT_EQ(r.status, 2) << name << ": " << describe(r);
        }
        // On one stream with the output, the line comes after all of it.
        const std::vector<std::string> words = program_command(program(name));
        std::vector<std::string> args = {"-c", "exec \"$@\" < / 2>&1", "sh"};
        args.insert(args.end(), words.begin(), words.end());
        EXPECT_EQ(run("/bin/sh", args).out, ended.out + name + ": read error: Is a directory\n");
        const RunResult both = run(name, {}, and_full);
        EXPECT_EQ(both.err, name + ": read error: Is a directory\n" + name +
                                ": write error: No space left on device\n");
        EXPECT_EQ(both.status, 2) << name << ": " << describe(both);
    }
}

// A read that fails in mid-run (a non-blocking pipe found empty) ends the
// input at that very point: the output is that of the input read so far, and
// the reason is the failed read's own.
TEST(Suite, AReadThatFailsInMidRunEndsTheInputThere) {
    const struct {
        std::string name;
        std::string before;
    } cases[] = {
        {"monthlen", "2\n"},     {"monthlen", "2"},         {"bitcalc", "1 & 3\nn\n5 |"},
        {"bitcalc", "1 & 3\nn"}, {"shapes", "1 2 0\nn\n0"}, {"shapes", "1 2"},
        {"convtable", "3"},      {"convtable_n", "3.5"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name + " after \"" + c.before + "\"");
        Piped::Options options;
        options.waiting = c.before;
        options.nonblocking_input = true;
        Piped session(c.name, options);
        const int status = session.finish();
        EXPECT_EQ(session.screen(), run_with_input(c.name, c.before).out);
        EXPECT_EQ(session.errors(), c.name + ": read error: Resource temporarily unavailable\n");
        EXPECT_EQ(status, 2);
    }
}

// Every prompt has arrived on an output pipe, as in `program | tee log`,
// while the input is still open and empty: the program waits for an answer
// only once its question can be seen.
TEST(Suite, EveryPromptReachesAPipeBeforeTheProgramWaits) {
    const std::string question = "Möchten sie weiter machen oder abbrechen? [(n)ext|(q)uit] ";
    const struct {
        std::string name;
        std::vector<std::pair<std::string, std::string>> dialogue; // prompt, answer
    } cases[] = {
        {"monthlen", {{"Enter Monat :", "2\n"}, {"Enter Jahr :", "2024\n"}}},
        {"bitcalc",
         {{"Geben sie die Bit-Operation ein:\n", "1 & 3\n"},
          {question, "n\n"},
          {"Geben sie die Bit-Operation ein:\n", "2 | 1\n"},
          {question, "q\n"}}},
        {"shapes",
         {{"Geben Sie die gewünschte Form an [OVAL=0 | RECTANGLE=1]:", "0\n"},
          {"Geben Sie die gewünschte Grösse an:", "4\n"},
          {"Geben Sie die gewünschte Farb an [RED=0 | GREEN=1 | YELLOW=2]:", "1\n"},
          {question, "q\n"}}},
        {"convtable", {{"Enter conversion rate (1.00 BTC -> CHF): ", "30000\n"}}},
        {"convtable_n", {{"Enter conversion rate (1.00 BTC -> CHF): ", "30000\n"}}},
    };
    for (const auto &c : cases) {
        Piped session(c.name, {});
        std::string typed;
        for (const auto &[prompt, answer] : c.dialogue) {
            ASSERT_TRUE(session.wait_for(prompt)) << c.name << " is silent before waiting for "
                                                  << answer << "after: " << session.screen();
            session.type(answer);
            typed += answer;
        }
        EXPECT_EQ(session.finish(), 0) << c.name;
        EXPECT_EQ(session.screen(), run_with_input(c.name, typed).out) << c.name;
    }
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
