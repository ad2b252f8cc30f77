// SPDX-License-Identifier: GPL-3.0-or-later
// block_check SOURCE OUTPUT: which 8x8 blocks of OUTPUT hold other
// coefficients than SOURCE's (compared dequantised, so a kept photo passes
// only with its own tables): their count and the box of MCUs around them,
// and that box's share of the picture in per cent, on one line. Exits 1 when
// the two differ in size or sampling, 2 when a file cannot be read.
// bench/compare runs it on the kept road's outputs.

#include <algorithm>
#include <cstdio>

#include <jpeglib.h> // after <cstdio>: it names FILE and size_t

namespace {

struct Coefficients
{
    jpeg_decompress_struct info {};
    jpeg_error_mgr error {};
    jvirt_barray_ptr *planes = nullptr;
    FILE *file = nullptr;

    ~Coefficients()
    {
        jpeg_destroy_decompress(&info);
        if (file)
            std::fclose(file);
    }

    // libjpeg's own error handler ends the program on damaged data, which
    // suits a benchmark's check.
    bool read(const char *path)
    {
        file = std::fopen(path, "rb");
        if (!file)
            return false;
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        planes = jpeg_read_coefficients(&info);
        return planes != nullptr;
    }

    const JCOEF *block(int c, JDIMENSION row, JDIMENSION column)
    {
        JBLOCKARRAY rows
            = info.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&info), planes[c], row, 1, FALSE);
        return rows[0][column];
    }

    int quant(int c, int k) const { return info.quant_tbl_ptrs[info.comp_info[c].quant_tbl_no]->quantval[k]; }
};

bool sameGeometry(const jpeg_decompress_struct &a, const jpeg_decompress_struct &b)
{
    if (a.image_width != b.image_width || a.image_height != b.image_height || a.num_components != b.num_components)
        return false;
    for (int c = 0; c < a.num_components; ++c)
        if (a.comp_info[c].h_samp_factor != b.comp_info[c].h_samp_factor
            || a.comp_info[c].v_samp_factor != b.comp_info[c].v_samp_factor)
            return false;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: block_check SOURCE OUTPUT\n");
        return 2;
    }
    Coefficients source, output;
    if (!source.read(argv[1]) || !output.read(argv[2])) {
        std::fprintf(stderr, "block_check: cannot read %s\n", source.planes ? argv[2] : argv[1]);
        return 2;
    }
    if (!sameGeometry(source.info, output.info)) {
        std::printf("size or sampling differs\n");
        return 1;
    }
    long changed = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // in MCUs
    for (int c = 0; c < source.info.num_components; ++c) {
        const jpeg_component_info &plane = source.info.comp_info[c];
        for (JDIMENSION row = 0; row < plane.height_in_blocks; ++row)
            for (JDIMENSION column = 0; column < plane.width_in_blocks; ++column) {
                const JCOEF *a = source.block(c, row, column);
                const JCOEF *b = output.block(c, row, column);
                bool same = true;
                for (int k = 0; k < DCTSIZE2 && same; ++k)
                    same = a[k] * source.quant(c, k) == b[k] * output.quant(c, k);
                if (same)
                    continue;
                ++changed;
                const int x = int(column) / plane.h_samp_factor, y = int(row) / plane.v_samp_factor;
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
    }
    const long mcuWidth = source.info.max_h_samp_factor * DCTSIZE, mcuHeight = source.info.max_v_samp_factor * DCTSIZE;
    const long mcus = long((source.info.image_width + mcuWidth - 1) / mcuWidth)
        * long((source.info.image_height + mcuHeight - 1) / mcuHeight);
    const long box = changed ? long(right - left + 1) * long(bottom - top + 1) : 0;
    std::printf("%.2f %ld blocks changed", 100.0 * double(box) / double(mcus), changed);
    if (changed)
        std::printf(", MCUs %d-%d x %d-%d", left, right, top, bottom);
    std::printf("\n");
    return 0;
}
