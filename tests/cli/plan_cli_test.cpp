// SPDX-License-Identifier: GPL-3.0-or-later
// A plan decides every name once; its shards write what one run would.
#include "common/qt_test_support.h"
#include "common/test_support.h"

#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::contains;
using test::qpath;
using test::runCli;
using test::TempDir;
using test::treeOf;

struct Batch
{
    TempDir dir;
    std::vector<std::string> photos;

    Batch()
    {
        // Two cameras with the same names, so the plan must number collisions.
        for (int camera = 0; camera < 2; ++camera) {
            for (int i = 1; i <= 5; ++i) {
                const fs::path path = dir / ("cam" + std::to_string(camera)) / ("IMG_" + std::to_string(i) + ".jpg");
                fs::create_directories(path.parent_path());
                QImage image(200 + 40 * i, 150, QImage::Format_RGB32);
                image.fill(QColor(40 * i, 90 * camera, 120));
                EXPECT_TRUE(image.save(qpath(path), "JPEG", 90));
                photos.push_back(path.string());
            }
        }
    }
};

TEST(PlanCommand, ShardsWriteWhatOneRunWrites)
{
    Batch batch;
    const fs::path &dir = batch.dir.path();
    test::writeFileBytes(dir / "list", "");
    std::string list;
    for (const std::string &photo : batch.photos)
        list += photo + '\0';
    test::writeFileBytes(dir / "list", list);

    const std::vector<std::string> design { "--size", "10", "--rename", "%y/%n3_%o", "--counter-start", "7" };
    std::vector<std::string> planArgs { "plan" };
    planArgs.insert(planArgs.end(), design.begin(), design.end());
    planArgs.insert(
        planArgs.end(), { "--out", (dir / "sharded").string(), "--from-list", (dir / "list").string(), "--null" });
    const auto planned = runCli(planArgs);
    ASSERT_EQ(planned.exitCode, 0) << planned.err;
    test::writeFileBytes(dir / "plan.json", planned.out);
    const QJsonObject plan = QJsonDocument::fromJson(QByteArray::fromStdString(planned.out)).object();
    ASSERT_EQ(plan[QStringLiteral("photos")].toArray().size(), 10);
    EXPECT_FALSE(fs::exists(dir / "sharded")); // planning writes nothing

    // Shards in any order, one of them with nothing left to do.
    for (const char *shard : { "3/4", "0/4", "2/4", "1/4" }) {
        const auto r = runCli({ "stamp", "--plan", (dir / "plan.json").string(), "--shard", shard });
        EXPECT_EQ(r.exitCode, 0) << shard << r.err;
    }
    EXPECT_EQ(runCli({ "stamp", "--plan", (dir / "plan.json").string(), "--shard", "11/12" }).exitCode, 0);

    std::vector<std::string> oneArgs { "stamp" };
    oneArgs.insert(oneArgs.end(), design.begin(), design.end());
    oneArgs.insert(oneArgs.end(), { "--out", (dir / "one").string() });
    oneArgs.insert(oneArgs.end(), batch.photos.begin(), batch.photos.end());
    ASSERT_EQ(runCli(oneArgs).exitCode, 0);
    const auto sharded = treeOf(dir / "sharded");
    EXPECT_EQ(
        std::count_if(sharded.begin(), sharded.end(), [](const auto &entry) { return !entry.first.ends_with('/'); }),
        10);
    EXPECT_EQ(sharded, treeOf(dir / "one"));
    const std::string year = sharded.begin()->first; // the one dated folder, "2026/"
    EXPECT_TRUE(sharded.contains(year + "007_IMG_1.jpg"));
    EXPECT_TRUE(sharded.contains(year + "012_IMG_1.jpg"));

    // A shard run again (its node was thought lost) leaves what it wrote.
    const auto again = runCli({ "stamp", "--verbose", "--plan", (dir / "plan.json").string(), "--shard", "1/4" });
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(contains(again.out, "written before by this plan")) << again.out;
    EXPECT_EQ(treeOf(dir / "sharded"), sharded);

    // One undo takes back every shard.
    const auto undone = runCli({ "undo", "--plan", (dir / "plan.json").string() });
    EXPECT_EQ(undone.exitCode, 0) << undone.err;
    EXPECT_FALSE(fs::exists(dir / "sharded"));
    EXPECT_TRUE(fs::exists(dir / "one"));
}

// A name another file took after planning meets the conflict rule; nothing
// is replaced that the plan did not say to replace.
TEST(PlanCommand, AFolderChangedSinceThePlanIsNeverOverwritten)
{
    Batch batch;
    const fs::path &dir = batch.dir.path();
    for (const char *rule : { "keep", "skip" }) {
        SCOPED_TRACE(rule);
        const fs::path out = dir / (std::string("out-") + rule);
        const auto planned = runCli({ "plan", "--existing", rule, "--out", out.string(), batch.photos[0] });
        ASSERT_EQ(planned.exitCode, 0) << planned.err;
        test::writeFileBytes(dir / "plan.json", planned.out);
        fs::create_directories(out);
        test::writeFileBytes(out / "IMG_1_timestamp.jpg", "came in after the plan");
        const auto r = runCli({ "stamp", "--json", "--plan", (dir / "plan.json").string() });
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(test::readFileBytes(out / "IMG_1_timestamp.jpg"), "came in after the plan");
        EXPECT_EQ(fs::exists(out / "IMG_1_timestamp_0001.jpg"), std::string_view(rule) == "keep");
    }
}

TEST(PlanCommand, RefusesWhatAPlanCannotCarry)
{
    Batch batch;
    const fs::path &dir = batch.dir.path();
    test::writeFileBytes(dir / "notaplan.json", "{\"photos\": []}");
    const auto planned = runCli({ "plan", "--out", (dir / "o").string(), batch.photos[0] });
    test::writeFileBytes(dir / "plan.json", planned.out);
    const std::string plan = (dir / "plan.json").string();
    struct Case
    {
        std::vector<std::string> args;
        const char *message;
    };
    const Case cases[] = {
        { { "stamp", "--plan", (dir / "notaplan.json").string() }, "not a plan" },
        { { "stamp", "--plan", (dir / "missing.json").string() }, "cannot use the plan" },
        { { "stamp", "--plan", plan, "--shard", "4/4" }, "--shard needs I/N" },
        { { "stamp", "--plan", plan, "--shard", "x" }, "--shard needs I/N" },
        { { "stamp", "--plan", plan, "--caption", "x" }, "cannot be given with it" },
        { { "stamp", "--plan", plan, "--out", "x" }, "cannot be given with it" },
        { { "stamp", "--plan", plan, batch.photos[1] }, "cannot be given with it" },
        { { "stamp", "--shard", "0/2", "--out", "x", batch.photos[1] }, "--shard goes with --plan" },
        { { "stamp", "--null", "--out", "x", batch.photos[1] }, "--null goes with --from-list" },
        { { "stamp", "--counter-start", "-1", "--out", "x", batch.photos[1] }, "--counter-start needs" },
    };
    for (const Case &c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "o"));
}

} // namespace
} // namespace kelvra
