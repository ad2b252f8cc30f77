// SPDX-License-Identifier: GPL-3.0-or-later
// Every include of a project header under src/, tests/, fuzz/ and bench/,
// quoted or in angle brackets, against the layers its folder may use. The
// table is the layer picture of ARCHITECTURE.md, which is narrower than what
// the libraries link: a header-only include links whatever it names, so only
// this table keeps a sideways or upward include out.
#include "common/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kelvra::test::TempDir;

struct Layer
{
    std::set<std::string> uses; // the drawn arrows, followed down the core
    std::set<std::string> sideDoors; // the four exceptions the picture names
};

const std::map<std::string, Layer> &layers()
{
    static const std::map<std::string, Layer> table {
        { "metadata", {} },
        { "platform", {} },
        // The core runs one way, jobs -> imaging -> stamp -> metadata, with
        // platform usable from stamp upward.
        { "stamp", { { "metadata", "platform" }, {} } },
        { "imaging", { { "stamp", "metadata", "platform" }, {} } },
        { "jobs", { { "imaging", "stamp", "metadata", "platform" }, {} } },
        { "localization", { { "platform" }, {} } },
        // The front ends reach the core through jobs and hold the design
        // model (stamp) they hand to it; the desktop program starts the windows.
        { "ui", { { "jobs", "localization", "stamp", "platform" }, { "imaging" } } },
        { "cli", { { "jobs", "stamp", "platform" }, { "localization", "metadata" } } },
        { "app", { { "ui", "jobs", "localization", "platform" }, { "stamp" } } },
    };
    return table;
}

// A layer and everything it may include.
std::set<std::string> reachOf(const std::string &name)
{
    const Layer &layer = layers().at(name);
    std::set<std::string> reach = layer.uses;
    reach.insert(layer.sideDoors.begin(), layer.sideDoors.end());
    reach.insert(name);
    return reach;
}

// What a file may include, by its place relative to the project root; empty
// for a folder the table does not know. A test suite links its own layer, so
// it may include what that layer may, and the shared test helpers.
std::optional<std::set<std::string>> allowedFor(const fs::path &relative)
{
    auto part = relative.begin();
    const std::string top = part->string();
    const std::string folder = ++part == relative.end() ? std::string() : part->string();
    const bool inFolder = std::next(part) != relative.end();
    if (top == "src" && inFolder && layers().count(folder))
        return reachOf(folder);
    if (top == "tests" && inFolder) {
        if (folder == "common")
            return std::set<std::string> { "common" };
        if (folder == "layering")
            return std::set<std::string> { "common" };
        const std::string layer = folder == "tools" ? "ui" : folder; // window pictures
        if (!layers().count(layer))
            return std::nullopt;
        std::set<std::string> allowed = reachOf(layer);
        allowed.insert("common");
        return allowed;
    }
    if (top == "fuzz") // the parsers of outside bytes, all below the windows
        return std::set<std::string> { "metadata", "stamp", "imaging", "jobs", "localization", "platform" };
    if (top == "bench") { // the core, and a window started headless
        std::set<std::string> allowed = reachOf("ui");
        allowed.insert("metadata");
        return allowed;
    }
    return std::nullopt;
}

bool isProjectFolder(const std::string &name)
{
    return layers().count(name) || name == "common";
}

struct Include
{
    int line = 0;
    std::string folder;
};

// The includes of one file that name a folder: every quoted "folder/name",
// and <folder/name> where the folder is one of ours (<sys/stat.h> is not).
std::vector<Include> folderIncludes(const fs::path &file)
{
    static const std::regex include(R"re(^\s*#\s*include\s*(["<])([A-Za-z_]+)/[^">]+[">])re");
    std::vector<Include> found;
    std::ifstream in(file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::smatch m;
        if (std::regex_search(text, m, include) && (m[1] == "\"" || isProjectFolder(m[2].str())))
            found.push_back({ line, m[2].str() });
    }
    return found;
}

// The includes under root's source folders that break the table, as
// "file:line includes folder"; a file in a folder the table lacks is one too.
std::vector<std::string> violations(const fs::path &root)
{
    std::vector<std::string> problems;
    for (const char *top : { "src", "tests", "fuzz", "bench" }) {
        if (!fs::exists(root / top))
            continue;
        for (const auto &entry : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
                continue;
            const fs::path relative = fs::relative(entry.path(), root);
            const auto allowed = allowedFor(relative);
            if (!allowed) {
                problems.push_back(relative.generic_string() + ": its folder is not in the layer table");
                continue;
            }
            for (const Include &inc : folderIncludes(entry.path())) {
                if (!allowed->count(inc.folder))
                    problems.push_back(
                        relative.generic_string() + ":" + std::to_string(inc.line) + " includes " + inc.folder);
            }
        }
    }
    return problems;
}

// Lines under src/ outside platform/ that branch on the operating system.
std::vector<std::string> osBranchesOutsidePlatform(const fs::path &root)
{
    static const std::regex branch(
        R"(^\s*#\s*(if|elif|ifdef|ifndef)\b.*\b(_WIN32|_WIN64|_MSC_VER|Q_OS_[A-Z]+|__linux__|__APPLE__|__unix__)\b)");
    std::vector<std::string> found;
    for (const auto &entry : fs::recursive_directory_iterator(root / "src")) {
        const fs::path relative = fs::relative(entry.path(), root);
        if (!entry.is_regular_file() || *std::next(relative.begin()) == "platform")
            continue;
        std::ifstream in(entry.path());
        std::string text;
        for (int line = 1; std::getline(in, text); ++line) {
            if (std::regex_search(text, branch))
                found.push_back(relative.generic_string() + ":" + std::to_string(line));
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

void writeFileBytes(const fs::path &path, const std::string &text)
{
    fs::create_directories(path.parent_path());
    kelvra::test::writeFileBytes(path, text);
}

std::string joined(const std::vector<std::string> &lines)
{
    std::string all;
    for (const std::string &line : lines)
        all += line + "\n";
    return all;
}

TEST(IncludeTable, ProjectKeepsTheLayering)
{
    const std::vector<std::string> problems = violations(KELVRA_PROJECT_ROOT);
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST(IncludeTable, OnlyPlatformBranchesOnTheSystem)
{
    const std::vector<std::string> found = osBranchesOutsidePlatform(KELVRA_PROJECT_ROOT);
    EXPECT_TRUE(found.empty()) << joined(found);

    TempDir root;
    writeFileBytes(root / "src/platform/file_times.cpp", "#if defined(_WIN32)\n#endif\n");
    writeFileBytes(root / "src/metadata/reader.cpp", "// _WIN32\nint x;\n#  ifdef Q_OS_WIN\n#endif\n");
    writeFileBytes(root / "src/stamp/x.h", "#if defined(__APPLE__) || 1\n#endif\n");
    EXPECT_EQ(osBranchesOutsidePlatform(root.path()),
        (std::vector<std::string> { "src/metadata/reader.cpp:3", "src/stamp/x.h:1" }));
}

TEST(IncludeTable, AcceptsWhatThePictureDraws)
{
    TempDir root;
    writeFileBytes(
        root / "src/stamp/good.cpp", "#include \"stamp/x.h\"\n#include \"metadata/y.h\"\n#include <QString>\n");
    writeFileBytes(root / "src/imaging/good.h", "  #  include \"platform/z.h\"\n#include <sys/stat.h>\n");
    writeFileBytes(root / "src/jobs/good.cpp", "#include <metadata/exif_reader.h>\n");
    // The four side doors.
    writeFileBytes(root / "src/cli/cmd_lng.cpp", "#include \"localization/lzk.h\"\n");
    writeFileBytes(root / "src/cli/cmd_tags.cpp", "#include \"metadata/exif_reader.h\"\n");
    writeFileBytes(root / "src/ui/preview_view.h", "#include \"imaging/label_renderer.h\"\n");
    writeFileBytes(root / "src/app/main.cpp", "#include \"stamp/settings_file.h\"\n#include \"ui/main_window.h\"\n");
    writeFileBytes(root / "tests/jobs/run_test.cpp", "#include \"common/test_support.h\"\n#include \"imaging/x.h\"\n");
    writeFileBytes(root / "tests/ui/window_test.cpp", "#include \"imaging/label_renderer.h\"\n");
    writeFileBytes(root / "fuzz/tiff_fuzzer.cpp", "#include \"metadata/exif_reader.h\"\n#include \"fuzz_check.h\"\n");
    writeFileBytes(root / "bench/window_run.cpp", "#include \"ui/main_window.h\"\n");
    // A comment is no include, and data folders hold no sources.
    writeFileBytes(root / "src/metadata/note.h", "// #include \"ui/main_window.h\"\n");
    writeFileBytes(root / "tests/data/readme.txt", "#include \"ui/x.h\"\n");
    EXPECT_TRUE(violations(root.path()).empty()) << joined(violations(root.path()));
}

TEST(IncludeTable, FindsWhatThePictureForbids)
{
    struct Case
    {
        const char *file;
        const char *text;
        const char *problem;
    };
    const Case cases[] = {
        // Sideways: allowed by the links, not by the picture.
        { "src/cli/cmd_x.cpp", "// x\n#include \"imaging/jpeg_image.h\"\n", "src/cli/cmd_x.cpp:2 includes imaging" },
        { "src/ui/x.cpp", "#include \"metadata/exif_reader.h\"\n", "src/ui/x.cpp:1 includes metadata" },
        { "src/app/x.cpp", "#include \"imaging/jpeg_image.h\"\n", "src/app/x.cpp:1 includes imaging" },
        { "src/localization/x.cpp", "#include \"stamp/caption.h\"\n", "src/localization/x.cpp:1 includes stamp" },
        // Upward.
        { "src/stamp/x.cpp", "#include \"jobs/batch_run.h\"\n", "src/stamp/x.cpp:1 includes jobs" },
        { "src/metadata/x.h", "#include \"platform/file_ops.h\"\n", "src/metadata/x.h:1 includes platform" },
        { "src/imaging/x.cpp", "#include \"ui/main_window.h\"\n", "src/imaging/x.cpp:1 includes ui" },
        { "src/cli/x.cpp", "#include \"ui/main_window.h\"\n", "src/cli/x.cpp:1 includes ui" },
        // Angle brackets hide nothing.
        { "src/stamp/y.h", "#include <jobs/batch_run.h>\n", "src/stamp/y.h:1 includes jobs" },
        { "src/ui/y.cpp", "#include<metadata/exif_reader.h>\n", "src/ui/y.cpp:1 includes metadata" },
        // A test, fuzzer or benchmark past the layers it tests.
        { "tests/metadata/x_test.cpp", "#include \"stamp/caption.h\"\n", "tests/metadata/x_test.cpp:1 includes stamp" },
        { "tests/stamp/x_test.cpp", "#include <imaging/jpeg_image.h>\n", "tests/stamp/x_test.cpp:1 includes imaging" },
        { "tests/localization/x_test.cpp", "#include \"ui/main_window.h\"\n",
            "tests/localization/x_test.cpp:1 includes ui" },
        { "tests/common/x.h", "#include \"stamp/caption.h\"\n", "tests/common/x.h:1 includes stamp" },
        { "fuzz/x_fuzzer.cpp", "#include \"ui/main_window.h\"\n", "fuzz/x_fuzzer.cpp:1 includes ui" },
        { "bench/x_bench.cpp", "#include \"cli/arguments.h\"\n", "bench/x_bench.cpp:1 includes cli" },
        // A folder nobody placed in the picture.
        { "src/extra/file.cpp", "\n", "src/extra/file.cpp: its folder is not in the layer table" },
        { "tests/extra/file_test.cpp", "\n", "tests/extra/file_test.cpp: its folder is not in the layer table" },
    };
    for (const Case &c : cases) {
        TempDir root;
        writeFileBytes(root / "src/stamp/good.cpp", "#include \"metadata/y.h\"\n");
        writeFileBytes(root / c.file, c.text);
        EXPECT_EQ(violations(root.path()), std::vector<std::string> { c.problem }) << c.file;
    }
}

} // namespace
