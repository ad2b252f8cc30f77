// SPDX-License-Identifier: GPL-3.0-or-later
// The ready designs from the command line: listed, and drawn alike by the
// preview and by the batch on both of its roads.
#include "common/qt_test_support.h"
#include "common/test_support.h"

#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>

namespace kelvra::test {
namespace {

const char *const kLooks[] = { "Film date", "Camera facts", "Date, clean", "Place and date" };

// Photos stored upright, turned both ways, and with and without a position.
const char *const kPhotos[] = { "orientation/landscape_1.jpg", "orientation/landscape_6.jpg",
    "orientation/portrait_8.jpg", "gps/DSCN0010.jpg", "makers/nikon-e950.jpg" };

std::filesystem::path stampedOutput(const std::filesystem::path &folder, const std::string &source)
{
    return folder / (std::filesystem::path(source).stem().string() + "_timestamp.jpg");
}

TEST(LooksCli, ListsTheReadyDesigns)
{
    const CommandResult r = runCli({ "looks" });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char *look : kLooks)
        EXPECT_TRUE(contains(r.out, std::string(look) + "\t")) << look;
    // The machine has every font the designs name.
    EXPECT_FALSE(contains(r.err, "not installed")) << r.err;

    const CommandResult unknown = runCli({ "stamp", "--look", "Polaroid", "--out", "/nonexistent", "x.jpg" });
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(contains(unknown.err, "no such look: Polaroid")) << unknown.err;
    EXPECT_TRUE(contains(unknown.err, "\"Film date\"")) << unknown.err;
}

TEST(LooksCli, CaptionTakesTheLooksTemplateAndDateFormat)
{
    const std::string gps = photo("gps/DSCN0010.jpg").string();
    const CommandResult film = runCli({ "caption", "--look", "film-date", gps });
    ASSERT_EQ(film.exitCode, 0) << film.err;
    EXPECT_EQ(film.out, "'08 10 22\n");
    const CommandResult place = runCli({ "caption", "--look", "place and date", gps });
    EXPECT_EQ(place.out, "43°28'3\"N 11°53'6\"E\n22.10.2008\n");
    const CommandResult facts = runCli({ "caption", "--look", "Camera facts", gps });
    EXPECT_EQ(facts.out, "NIKON COOLPIX P6000 · 24.00 mm · f5.9 · 1/75 sec · ISO 64\n");
}

// The preview at full scale and the batch's output, both upright, hold the
// same label: near in the label's neighbourhood, and far from the photo
// without it, on the pixel road and on the kept-quality one.
TEST(LooksCli, PreviewAndBatchDrawEachLookAlike)
{
    TempDir dir;
    std::vector<std::string> sources;
    for (const char *name : kPhotos)
        sources.push_back(photo(name).string());
    for (const char *look : kLooks) {
        for (const char *road : { "--quality", "--keep-quality" }) {
            SCOPED_TRACE(std::string(look) + " " + road);
            const auto out = dir / (std::string(look) + road);
            std::vector<std::string> args { "stamp", "--look", look, "--quiet", "--out", out.string(), road };
            if (std::string(road) == "--quality")
                args.push_back("100");
            args.insert(args.end(), sources.begin(), sources.end());
            const CommandResult stamped = runCli(args);
            ASSERT_EQ(stamped.exitCode, 0) << stamped.err;

            for (const std::string &source : sources) {
                SCOPED_TRACE(source);
                const auto png = dir / "preview.png";
                const CommandResult preview
                    = runCli({ "preview", "--look", look, "--area", "4000x4000", "--out", png.string(), source });
                ASSERT_EQ(preview.exitCode, 0) << preview.err;
                const QRegularExpressionMatch m
                    = QRegularExpression(QStringLiteral("label (\\d+) (\\d+) (\\d+) (\\d+)"))
                          .match(QString::fromStdString(preview.out));
                ASSERT_TRUE(m.hasMatch()) << preview.out;
                const QRect box(QPoint(m.captured(1).toInt(), m.captured(2).toInt()),
                    QPoint(m.captured(3).toInt() - 1, m.captured(4).toInt() - 1));
                ASSERT_FALSE(box.isEmpty());

                const auto plainPng = dir / "plain.png";
                const CommandResult plain = runCli({ "preview", "--look", look, "--caption", "", "--bg", "none",
                    "--area", "4000x4000", "--out", plainPng.string(), source });
                ASSERT_EQ(plain.exitCode, 0) << plain.err;
                const QImage drawn = QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_RGB32);
                const QImage unlabelled
                    = QImage(QString::fromStdString(plainPng.string())).convertToFormat(QImage::Format_RGB32);
                const QImage batch = uprightImage(stampedOutput(out, source));
                const QImage bare = uprightImage(source);
                ASSERT_EQ(drawn.size(), batch.size());
                // The label with its glow, shadow or strip around it.
                const QRect near
                    = box.adjusted(-box.height() / 2, -box.height() / 2, box.height() / 2, box.height() / 2)
                    & drawn.rect();
                // The two roads decode and encode the photo apart from the
                // label; the label adds little to that (its colour edges
                // lose chroma in the JPEG), while a strip or a label out of
                // place adds far more. Pixel for pixel sameness of the roads'
                // labels is the imaging tests' part.
                const double decoding = meanDifference(unlabelled, bare, near);
                EXPECT_LT(meanDifference(drawn, batch, near), decoding + 3.0) << decoding;
                EXPECT_GT(meanDifference(bare, batch, box), decoding + 8.0);
                EXPECT_LT(meanDifference(drawn, batch, drawn.rect()), 3.0);
            }
        }
    }
}

} // namespace
} // namespace kelvra::test
