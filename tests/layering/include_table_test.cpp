// SPDX-License-Identifier: GPL-3.0-or-later
// Every `#include "layer/..."` under src/ against the layers that folder may
// use. A header-only include links whatever it names, so only this table
// keeps an upward include out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Which layers the files of each layer may include, besides their own.
const std::map<std::string, std::set<std::string>> &allowedTable()
{
    static const std::map<std::string, std::set<std::string>> table {
        { "metadata", {} },
        { "platform", {} },
        { "stamp", { "metadata", "platform" } },
        { "imaging", { "stamp", "metadata", "platform" } },
        { "jobs", { "imaging", "stamp", "metadata", "platform" } },
        { "localization", { "platform" } },
        { "ui", { "jobs", "localization", "imaging", "stamp", "metadata", "platform" } },
        { "app", { "ui", "jobs", "localization", "imaging", "stamp", "metadata", "platform" } },
        { "cli", { "jobs", "localization", "imaging", "stamp", "metadata", "platform" } },
    };
    return table;
}

struct Include
{
    std::string file; // relative to src/
    int line = 0;
    std::string layer;
};

// The quoted includes of one file that name a folder ("layer/name.h").
std::vector<Include> layerIncludes(const fs::path &root, const fs::path &file)
{
    static const std::regex include(R"(^\s*#\s*include\s*"([A-Za-z_]+)/[^"]+")");
    std::vector<Include> found;
    std::ifstream in(file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::smatch m;
        if (std::regex_search(text, m, include))
            found.push_back({ fs::relative(file, root).generic_string(), line, m[1].str() });
    }
    return found;
}

// The includes of the folders under root that break the table, as
// "file:line includes layer" lines; a folder missing from the table is one too.
std::vector<std::string> violations(const fs::path &root)
{
    std::vector<std::string> problems;
    const auto &table = allowedTable();
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        const std::string layer = fs::relative(entry.path(), root).begin()->string();
        const auto allowed = table.find(layer);
        if (allowed == table.end()) {
            problems.push_back(
                fs::relative(entry.path(), root).generic_string() + ": folder " + layer + " is not in the layer table");
            continue;
        }
        for (const Include &inc : layerIncludes(root, entry.path())) {
            if (inc.layer != layer && !allowed->second.count(inc.layer))
                problems.push_back(inc.file + ":" + std::to_string(inc.line) + " includes " + inc.layer);
        }
    }
    return problems;
}

void writeFile(const fs::path &path, const std::string &text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(IncludeTable, SourcesKeepTheLayering)
{
    const std::vector<std::string> problems = violations(KELVRA_SOURCE_ROOT);
    std::string all;
    for (const std::string &p : problems)
        all += p + "\n";
    EXPECT_TRUE(problems.empty()) << all;
}

TEST(IncludeTable, FindsAWrongInclude)
{
    const fs::path root = fs::temp_directory_path() / ("kelvra-layering-" + std::to_string(std::random_device {}()));
    fs::remove_all(root);
    writeFile(root / "stamp/good.cpp", "#include \"stamp/x.h\"\n#include \"metadata/y.h\"\n#include <QString>\n");
    writeFile(root / "imaging/good.h", "  #  include \"platform/z.h\"\n");
    EXPECT_TRUE(violations(root).empty());

    struct Case
    {
        const char *file;
        const char *text;
        const char *problem;
    };
    const Case cases[] = {
        { "stamp/wrong.cpp", "// x\n#include \"jobs/batch_run.h\"\n", "stamp/wrong.cpp:2 includes jobs" },
        { "metadata/wrong.h", "#include \"platform/file_ops.h\"\n", "metadata/wrong.h:1 includes platform" },
        { "imaging/wrong.cpp", "#include \"ui/main_window.h\"\n", "imaging/wrong.cpp:1 includes ui" },
        { "cli/wrong.cpp", "#include \"ui/main_window.h\"\n", "cli/wrong.cpp:1 includes ui" },
        { "localization/wrong.cpp", "#include \"stamp/caption.h\"\n", "localization/wrong.cpp:1 includes stamp" },
        { "extra/file.cpp", "\n", "extra/file.cpp: folder extra is not in the layer table" },
    };
    for (const Case &c : cases) {
        writeFile(root / c.file, c.text);
        EXPECT_EQ(violations(root), std::vector<std::string> { c.problem }) << c.file;
        fs::remove(root / c.file);
    }
    fs::remove_all(root);
}

} // namespace
