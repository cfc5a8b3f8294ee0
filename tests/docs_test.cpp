// The README and the manual pages are held to the programs' own standard:
// every example they show is run, on a terminal as a reader runs it, and the
// screen must show what the document shows, byte for byte.
#include "pacing.h"
#include "run.h"
#include "terminal.h"

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string read_file(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string joined(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

const std::string readme = DEMOS_SOURCE_DIR "/README.md";

// A block of a document that shows something literally: its lines as a
// reader sees them.
struct Block {
    std::string file;
    std::size_t line; // of its first line, counted from 1
    std::vector<std::string> lines;
    std::string section = {}; // the title of the README's section that holds it
};

// The README's section whose examples build a program against the module.
const std::string module_section = "The rectang module";

// Markdown's indented code blocks: lines indented by four blanks, and the
// blank lines between them.
std::vector<Block> markdown_blocks(const std::string &path) {
    const std::vector<std::string> lines = split(read_file(path), '\n');
    const auto indented = [&](std::size_t i) { return lines[i].starts_with("    "); };
    const auto blank = [&](std::size_t i) {
        return lines[i].find_first_not_of(' ') == std::string::npos;
    };
    std::vector<Block> blocks;
    std::string section;
    for (std::size_t i = 0; i < lines.size();) {
        if (!indented(i)) {
            if (lines[i].starts_with("## "))
                section = lines[i].substr(3);
            ++i;
            continue;
        }
        std::size_t end = i + 1; // past its last indented line
        for (std::size_t j = i + 1; j < lines.size() && (indented(j) || blank(j)); ++j)
            if (indented(j))
                end = j + 1;
        Block block{path, i + 1, {}, section};
        for (std::size_t j = i; j < end; ++j)
            block.lines.push_back(indented(j) ? lines[j].substr(4) : "");
        blocks.push_back(block);
        i = end;
    }
    return blocks;
}

// How a formatter shows the escapes that the examples use; anything else is
// refused rather than guessed at. A plain hyphen or quote is refused too:
// formatters may show it as a typographic dash or quote, which no program
// prints.
constexpr std::pair<std::string_view, std::string_view> roff_escapes[] = {
    {"\\-", "-"},    {"\\(aq", "'"},  {"\\(ga", "`"},  {"\\e", "\\"},   {"\\&", ""},
    {"\\ ", " "},    {"\\[:a]", "ä"}, {"\\[:o]", "ö"}, {"\\[:u]", "ü"}, {"\\[:A]", "Ä"},
    {"\\[:O]", "Ö"}, {"\\[:U]", "Ü"}, {"\\[ss]", "ß"}, {"\\fB", ""},    {"\\fI", ""},
    {"\\fR", ""},    {"\\fP", ""},
};

// One line of an example as a reader of the formatted page sees it; false,
// with the reason in `problem`, for what the test cannot read with certainty.
bool roff_text(std::string_view line, std::string &text, std::string &problem) {
    if (line.starts_with(".") || line.starts_with("'")) {
        problem = "a request inside an example";
        return false;
    }
    while (!line.empty()) {
        if (line[0] == '-' || line[0] == '\'' || line[0] == '`') {
            problem = std::string("a plain ") + line[0] + ": write \\-, \\(aq or \\(ga";
            return false;
        }
        if (line[0] != '\\') {
            text += line[0];
            line.remove_prefix(1);
            continue;
        }
        bool known = false;
        for (const auto &[escape, shown] : roff_escapes) {
            if (line.starts_with(escape)) {
                text += shown;
                line.remove_prefix(escape.size());
                known = true;
                break;
            }
        }
        if (!known) {
            problem = "the escape " + std::string(line.substr(0, 4));
            return false;
        }
    }
    return true;
}

// The example blocks (.EX to .EE) of a manual page's EXAMPLES section.
std::vector<Block> manual_examples(const std::string &path) {
    const std::vector<std::string> lines = split(read_file(path), '\n');
    std::vector<Block> blocks;
    bool in_examples = false, in_block = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string &line = lines[i];
        if (line.starts_with(".SH")) {
            in_examples = line == ".SH EXAMPLES";
        } else if (!in_examples || line.starts_with(".\\\"")) {
            continue; // elsewhere, or a comment
        } else if (line == ".EX") {
            blocks.push_back({path, i + 2, {}});
            in_block = true;
        } else if (line == ".EE") {
            in_block = false;
        } else if (in_block) {
            std::string text, problem;
            if (!roff_text(line, text, problem))
                ADD_FAILURE() << path << ":" << i + 1 << ": " << problem;
            blocks.back().lines.push_back(text);
        }
    }
    return blocks;
}

// One command of an example and what the screen then shows: what the program
// prints, with the answers that the user types, each up to its Enter.
struct Example {
    std::string where;
    std::string command;
    std::vector<std::string> screen;
};

// The commands of a block that starts with one: "$ " and the command line,
// then what the screen shows up to the next command.
std::vector<Example> examples_in(const Block &block) {
    std::vector<Example> examples;
    if (block.lines.empty() || !block.lines[0].starts_with("$ "))
        return examples;
    for (std::size_t i = 0; i < block.lines.size(); ++i) {
        const std::string &line = block.lines[i];
        if (line.starts_with("$ "))
            examples.push_back(
                {block.file + ":" + std::to_string(block.line + i), line.substr(2), {}});
        else
            examples.back().screen.push_back(line);
    }
    return examples;
}

// What a manual page cannot show, which the comparison allows for: blanks
// at the end of a line. A line "..." of any document leaves out one or more
// lines.
struct Allowance {
    bool trailing_blanks = false;
};

// A stretch of the screen as a document shows it: a whole line, or the
// beginning of one whose rest the user types.
struct Piece {
    std::string text;
    bool whole_line = true;
};

std::regex pattern(const std::vector<Piece> &pieces, Allowance allowance) {
    std::string re;
    for (const Piece &piece : pieces) {
        if (piece.whole_line && piece.text == "...") {
            re += "(?:[^\\n]*\\n)+";
            continue;
        }
        for (char c : piece.text) {
            if (std::string_view("\\^$.|?*+()[]{}/").find(c) != std::string_view::npos)
                re += '\\';
            re += c;
        }
        if (piece.whole_line)
            re += allowance.trailing_blanks ? " *\\n" : "\\n";
    }
    return std::regex(re);
}

bool shows(const std::string &screen, const std::vector<Piece> &pieces, Allowance allowance) {
    return std::regex_match(screen, pattern(pieces, allowance));
}

bool shows_at_start(const std::string &screen, const std::vector<Piece> &pieces,
                    Allowance allowance) {
    return std::regex_search(screen, pattern(pieces, allowance),
                             std::regex_constants::match_continuous);
}

// The screen as a document can show it: line ends without their carriage
// returns, and no colours, which a terminal shows and a page cannot.
std::string as_shown(const std::string &screen) {
    static const std::regex colour("\x1b\\[[0-9;]*m");
    return std::regex_replace(without_cr(screen), colour, "");
}

// Where an example's command runs: a shell that finds the suite's programs
// by name, with what else the document takes for granted.
struct Shell {
    std::string path;             // put before the PATH of the test
    std::vector<std::string> env; // NAME=value
    std::string dir;              // the working folder; empty for this one
};

std::vector<std::string> shell_words(const Shell &shell, const std::string &command) {
    const char *path = std::getenv("PATH");
    std::string search = path ? path : "/usr/bin:/bin";
    if (!shell.path.empty())
        search = shell.path + ":" + search;
    std::vector<std::string> words = {"PATH=" + search};
    words.insert(words.end(), shell.env.begin(), shell.env.end());
    words.insert(
        words.end(),
        {"/bin/sh", "-c", shell.dir.empty() ? command : "cd '" + shell.dir + "' && " + command});
    return words;
}

std::string piped_output(const Example &example, const Shell &shell, const std::string &typed) {
    RunOptions options;
    options.input = typed;
    return as_shown(run("/usr/bin/env", shell_words(shell, example.command), options).out);
}

// Where the user types: from this column of this line of the screen to the
// line's end, then Enter.
struct Answer {
    std::size_t line;
    std::size_t column;
};

// A program prints the same through a pipe as on a terminal, where only the
// echo of the answers comes in between. Fed the answers found so far and
// then the end of its input, it prints the page up to where it waits for the
// next answer, and from there something else: the answer starts there. Or
// so it seems: a line that the program prints, but elsewhere, is found as an
// answer too, and only the terminal shows whether the program waits for it
// (see check_example).
std::vector<Answer> find_answers(const Example &example, const Shell &shell, Allowance allowance) {
    std::vector<Answer> answers;
    std::vector<Piece> printed; // the page so far, without the answers
    std::string typed;
    std::string out = piped_output(example, shell, typed);
    for (std::size_t i = 0; i < example.screen.size(); ++i) {
        const std::string &line = example.screen[i];
        printed.push_back({line});
        if (shows_at_start(out, printed, allowance))
            continue;
        // The program's output stops somewhere in the line, its end at the latest.
        printed.back().whole_line = false;
        std::size_t column = line.size();
        while (column > 0 && !shows_at_start(out, printed, allowance))
            printed.back().text.resize(--column);
        answers.push_back({i, column});
        typed += line.substr(column) + "\n";
        out = piped_output(example, shell, typed);
    }
    return answers;
}

// An example that shows a file with cat brings the file along: it is
// written from the page into the example's folder, unless it is there.
void bring_file(const Example &example, const Shell &shell) {
    if (shell.dir.empty() || !example.command.starts_with("cat "))
        return;
    const fs::path file = fs::path(shell.dir) / example.command.substr(4);
    if (!fs::exists(file))
        std::ofstream(file) << joined(example.screen);
}

// Runs the example on a terminal, typing each answer once the screen shows
// all that comes before it and the program waits for input. Gives "" if the
// screen then shows what the document shows, else what differs.
//
// Only a program that waits reads what is typed at that point: typed
// anywhere else, the answer's echo lands wherever the machine's timing puts
// it among the lines that the program prints meanwhile, or after its end,
// and the page might pass by luck. So a place where the program does not
// wait is no place for an answer, and fails the page in every run.
std::string check_example(const Example &example, const Shell &shell, Allowance allowance,
                          const TerminalOptions &pace) {
    bring_file(example, shell);
    const std::vector<Answer> answers = find_answers(example, shell, allowance);
    Terminal term("/usr/bin/env", shell_words(shell, example.command), pace);
    std::vector<Piece> shown;
    std::size_t next = 0;
    for (std::size_t i = 0; i < example.screen.size(); ++i) {
        const std::string &line = example.screen[i];
        if (next < answers.size() && answers[next].line == i) {
            const std::size_t column = answers[next++].column;
            const std::string answer = line.substr(column);
            shown.push_back({line.substr(0, column), false});
            if (!term.wait_for_screen([&](const std::string &screen) {
                    return shows_at_start(as_shown(screen), shown, allowance);
                }))
                return "the screen shows\n" + as_shown(term.screen()) + "instead of\n" +
                       joined(
                           {example.screen.begin(), example.screen.begin() + std::ptrdiff_t(i)}) +
                       line.substr(0, column) + "\nbefore the answer " + answer;
            if (!term.wait_until_reading())
                return "the command does not wait for the answer \"" + answer + "\" after\n" +
                       as_shown(term.screen());
            term.type(answer + "\n");
            shown.pop_back();
        }
        shown.push_back({line});
    }
    term.finish();
    if (term.timed_out())
        return "the command did not end";
    const std::string screen = as_shown(term.screen());
    if (!shows(screen, shown, allowance))
        return "the screen shows\n" + screen + "instead of\n" + joined(example.screen);
    return "";
}

// This test's own scratch folder.
fs::path scratch() {
    return fs::path(::testing::TempDir()) / ("demos-docs-" + std::to_string(getpid()));
}

Shell programs_shell() {
    return {program_folder(split(DEMOS_PROGRAMS), (scratch() / "bin").string()), {}, ""};
}

bool is_module_page(const std::string &page) {
    return page.ends_with(".3");
}

// How the examples' programs run: as built, and paced, stopped for a while
// after every line end they print, which gives a screen that is read too
// early, or an answer typed before the program waits, the unluckiest timing
// in every run. The cross builds' emulator cannot trace a program, so that
// they run the programs as built alone.
std::vector<std::pair<std::string, TerminalOptions>> paces() {
    std::vector<std::pair<std::string, TerminalOptions>> ways = {{"as built", {}}};
    if (pacing_available())
        ways.push_back({"paced", {.pause_at_line_ends = 30ms}});
    return ways;
}

// The README's code blocks that show no program's output, and what tries them.
constexpr std::pair<std::string_view, std::string_view> readme_other_blocks[] = {
    {"apt-get update && apt-get install ", "Documents.PrerequisitesAreInstalledPackages"},
    {"daycalc YEAR-MONTH-DAY", "the examples under it"},
    {"cmake --workflow --preset ", ".ci/run, which runs the set-up and test commands"},
    {"cmake --install build/default --prefix ", "Suite.InstallPlacesProgramsPagesAndModule"},
    {"#include <rectang.h>", "Documents.ModuleExamplesBuildAndAnswerAsShown"},
    {"cc -Imodularize/include ", "Documents.ModuleExamplesBuildAndAnswerAsShown"},
    {"find_package(rectang ", "Documents.ModuleExamplesBuildAndAnswerAsShown"},
    {"export PKG_CONFIG_PATH=PREFIX/", "Documents.ModuleExamplesBuildAndAnswerAsShown"},
};

TEST(Documents, ReadmeExamplesComeOutAsShown) {
    const Shell shell = programs_shell();
    for (const Block &block : markdown_blocks(readme)) {
        const std::vector<Example> examples = examples_in(block);
        // The module's examples build a program: see ModuleExamplesBuildAndAnswerAsShown.
        if (block.section == module_section && !examples.empty())
            continue;
        for (const Example &example : examples)
            for (const auto &[way, pace] : paces())
                EXPECT_EQ(check_example(example, shell, {}, pace), "")
                    << example.where << ", " << way << ": $ " << example.command;
        if (!examples.empty())
            continue;
        bool tried = false;
        for (const auto &[start, by] : readme_other_blocks)
            tried = tried || block.lines[0].starts_with(start);
        EXPECT_TRUE(tried) << readme << ":" << block.line
                           << " shows what no test tries: " << block.lines[0];
    }
}

TEST(Documents, ManualPageExamplesComeOutAsShown) {
    const Shell shell = programs_shell();
    for (const std::string &page : split(DEMOS_MANPAGES)) {
        if (is_module_page(page))
            continue;
        const std::string name = fs::path(page).stem().string();
        bool shows_its_program = false;
        for (const Block &block : manual_examples(page)) {
            for (const Example &example : examples_in(block)) {
                shows_its_program = shows_its_program || example.command.starts_with(name);
                for (const auto &[way, pace] : paces())
                    EXPECT_EQ(check_example(example, shell, {.trailing_blanks = true}, pace), "")
                        << example.where << ", " << way << ": $ " << example.command;
            }
        }
        EXPECT_TRUE(shows_its_program) << page << " has no example of " << name;
    }
}

// The comparison is exact where the document can show a byte: the test of
// the documents must fail at a changed output line, answer or result, and
// at an answer where the program does not wait for one, however the machine
// schedules the program and the test.
TEST(Documents, AChangedByteFailsTheComparison) {
    const Shell shell = programs_shell();
    const std::vector<std::string> lines = {"Enter Monat :2", "Enter Jahr :2024",
                                            "Monat: 2, Jahr: 2024", "2024 ist ein Schaltjahr",
                                            "Der Monat 02-2024 hat 29 Tage."};
    const Allowance page{.trailing_blanks = true};
    const auto changed = [&](std::size_t line, const std::string &text) {
        std::vector<std::string> screen = lines;
        screen[line] = text;
        return screen;
    };
    // The page line after "..." is one that the program prints just before:
    // taken for an answer, it is typed after the program's last line.
    std::vector<std::string> nothing_left_out = lines;
    nothing_left_out.insert(nothing_left_out.begin() + 3, "...");
    // The year typed before the program asks for it, and Enter at its question.
    const std::vector<std::string> typed_early = {"Enter Monat :2",
                                                  "2024",
                                                  "Enter Jahr :",
                                                  "Monat: 2, Jahr: 2024",
                                                  "2024 ist ein Schaltjahr",
                                                  "Der Monat 02-2024 hat 29 Tage."};
    const struct {
        std::vector<std::string> screen;
        Allowance allowance;
    } changes[] = {
        {changed(0, "Enter Monat :3"), page},                 // an answer
        {changed(1, "Enter Jahr :2023"), page},               // the other one
        {changed(1, "Enter Jahr: 2024"), page},               // a prompt
        {changed(3, "2024 ist kein Schaltjahr"), page},       // an output line
        {changed(4, "Der Monat 02-2024 hat 28 Tage."), page}, // a result
        {changed(2, "Monat: 2, Jahr: 202"), page},            // the allowance takes blanks only,
        {lines, {}},                                          // and only where a page hides them
        {nothing_left_out, page},                             // a line left out must be there
        {typed_early, page},                                  // an answer where none is read
    };
    for (const auto &[way, pace] : paces()) {
        EXPECT_EQ(check_example({"as printed", "monthlen", lines}, shell, page, pace), "") << way;
        for (const auto &change : changes)
            EXPECT_NE(check_example({"changed", "monthlen", change.screen}, shell, change.allowance,
                                    pace),
                      "")
                << way << ":\n"
                << joined(change.screen);
    }
}

// The packages that the README has a new user install are this system's
// own, by their names, and are all there where the suite builds and runs.
TEST(Documents, PrerequisitesAreInstalledPackages) {
    if (!fs::exists("/usr/bin/dpkg-query"))
        GTEST_SKIP() << "no Debian package system here";
    const std::string install = "apt-get update && apt-get install ";
    std::size_t lines = 0;
    for (const Block &block : markdown_blocks(readme)) {
        if (!block.lines[0].starts_with(install))
            continue;
        ++lines;
        for (const std::string &package : split(block.lines[0].substr(install.size()), ' ')) {
            const RunResult r =
                run("/usr/bin/dpkg-query", {"--show", "--showformat=${Status}", package});
            EXPECT_EQ(r.out, "install ok installed") << package << ": " << r.err;
        }
    }
    EXPECT_EQ(lines, 1u) << readme << " should install the prerequisites in one line";
}

// Run from a fresh folder of its own, as a reader's shell would be.
fs::path fresh_folder(const std::string &name) {
    const fs::path dir = scratch() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

RunResult in_shell(const fs::path &dir, const std::string &script) {
    RunOptions options;
    options.timeout = 120s;
    return run("/bin/sh", {"-c", "cd '" + dir.string() + "' && " + script}, options);
}

// The module's examples, as far as the build machine runs them: the page's
// program built with pkg-config, and the README's program built in each of
// the README's ways.
TEST(Documents, ModuleExamplesBuildAndAnswerAsShown) {
#ifdef DEMOS_CROSS
    GTEST_SKIP() << "the module of a cross build does not link into the build machine's programs";
#endif
    const fs::path prefix = fresh_folder("prefix");
    const RunResult install =
        run(CMAKE_COMMAND, {"--install", DEMOS_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.status, 0) << describe(install);
    const std::string pkg_config_path = "PKG_CONFIG_PATH=" + (prefix / "lib/pkgconfig").string();

    for (const std::string &page : split(DEMOS_MANPAGES)) {
        if (!is_module_page(page))
            continue;
        const Shell shell{"", {pkg_config_path}, fresh_folder("page").string()};
        for (const Block &block : manual_examples(page))
            for (const Example &example : examples_in(block))
                EXPECT_EQ(check_example(example, shell, {.trailing_blanks = true}, {}), "")
                    << example.where << ": $ " << example.command;
    }

    // The README's program, shown by cat, is written into the folder that
    // stands for the top of the source tree, where its commands name the
    // folders of a build of the default preset.
    const fs::path top = fresh_folder("top");
    fs::create_directories(top / "build");
    fs::create_directory_symlink(DEMOS_SOURCE_DIR "/modularize", top / "modularize");
    fs::create_directory_symlink(DEMOS_BUILD_DIR, top / "build/default");
    std::vector<Block> blocks;
    std::vector<Example> answers; // what the program shows, however it was built
    for (const Block &block : markdown_blocks(readme)) {
        if (block.section != module_section)
            continue;
        blocks.push_back(block);
        for (const Example &example : examples_in(block)) {
            if (example.command.starts_with("cat "))
                EXPECT_EQ(check_example(example, {"", {}, top.string()}, {}, {}), "")
                    << example.where << ": $ " << example.command;
            else
                answers.push_back(example);
        }
    }
    const fs::path source = top / "triangle.c";
    ASSERT_TRUE(fs::exists(source)) << readme << " shows no triangle.c";
    ASSERT_FALSE(answers.empty()) << readme << " shows no run of the program";

    // Builds the program with `script` in `dir` and runs it as the README does.
    const auto expect_built = [&](const fs::path &dir, const std::string &script,
                                  const std::string &what) {
        if (dir != top)
            fs::copy_file(source, dir / "triangle.c");
        const RunResult built = in_shell(dir, script);
        ASSERT_EQ(built.status, 0) << what << ": " << describe(built) << built.out;
        for (const Example &example : answers)
            EXPECT_EQ(check_example(example, {"", {}, dir.string()}, {}, {}), "")
                << what << ", then " << example.where << ": $ " << example.command;
    };

    // The bare object and the static library need what instruments them.
#ifdef DEMOS_SANITIZE
    const std::string sanitizers = " -fsanitize=address,undefined";
#else
    const std::string sanitizers;
#endif
    for (const Block &block : blocks) {
        const std::string &first = block.lines[0];
        const std::string where = readme + ":" + std::to_string(block.line);
        if (first.starts_with("#include <rectang.h>")) {
            const fs::path dir = fresh_folder("prototype");
            std::ofstream(dir / "prototype.c")
                << joined(block.lines) << "int main(void) { return Rectangular(3, 4, 5) != 1; }\n";
            const std::string include = " -I" DEMOS_SOURCE_DIR "/modularize/include";
            for (const char *compiler : {"cc -std=c99", "c++ -x c++"}) {
                const RunResult r =
                    in_shell(dir, std::string(compiler) + " -fsyntax-only -Wall -Wextra -Werror" +
                                      include + " prototype.c");
                EXPECT_EQ(r.status, 0) << where << ", " << compiler << ": " << r.err;
            }
        } else if (first.starts_with("cc -Imodularize/include ")) {
            for (const std::string &command : block.lines) {
                fs::remove(top / "triangle");
                expect_built(top, command + sanitizers, where + ": " + command);
            }
        } else if (first.starts_with("find_package(rectang ")) {
            const fs::path dir = fresh_folder("find_package");
            std::ofstream(dir / "CMakeLists.txt")
                << "cmake_minimum_required(VERSION 3.25)\nproject(triangle LANGUAGES C)\n"
                   "add_executable(triangle triangle.c)\n"
                << joined(block.lines);
            expect_built(dir,
                         "'" CMAKE_COMMAND "' -S . -B build -DCMAKE_PREFIX_PATH='" +
                             prefix.string() +
                             "' >/dev/null && '" CMAKE_COMMAND
                             "' --build build >/dev/null && cp build/triangle .",
                         where);
        } else if (first.starts_with("export PKG_CONFIG_PATH=PREFIX/")) {
            const std::string script =
                std::regex_replace(joined(block.lines), std::regex("PREFIX"), prefix.string());
            expect_built(fresh_folder("pkg-config"), script, where);
        }
    }
}

} // namespace
