// Writes the decoder fuzz target's seed corpus into a folder: small JPEGs of
// the kinds the decoder meets (baseline, grey, progressive, restart markers,
// other samplings, arithmetic coding, CMYK, comments and application markers,
// a truncated file). Usage: jpeg_seed_corpus FOLDER
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct Seed {
    const char* name;
    int width;
    int height;
    J_COLOR_SPACE input;  // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    bool progressive;
    bool arithmetic;
    bool fullChroma;  // 4:4:4 instead of 4:2:0
    unsigned restartInterval;
    bool markers;
    bool truncate;
};

std::vector<unsigned char> Make(const Seed& seed)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    const int components = seed.input == JCS_GRAYSCALE ? 1 : seed.input == JCS_CMYK ? 4 : 3;
    info.image_width = static_cast<JDIMENSION>(seed.width);
    info.image_height = static_cast<JDIMENSION>(seed.height);
    info.input_components = components;
    info.in_color_space = seed.input;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 75, TRUE);
    if (seed.fullChroma) {
        info.comp_info[0].h_samp_factor = 1;
        info.comp_info[0].v_samp_factor = 1;
    }
    info.restart_interval = seed.restartInterval;
#ifdef C_ARITH_CODING_SUPPORTED
    info.arith_code = seed.arithmetic ? TRUE : FALSE;
#endif
    if (seed.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    if (seed.markers) {
        const std::string comment = "family photo";
        // An Exif block holding one Orientation entry (6: turn right), big-endian.
        const unsigned char exifBytes[] = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                                           0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};
        const std::string exif(reinterpret_cast<const char*>(exifBytes), sizeof exifBytes);
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()), static_cast<unsigned>(comment.size()));
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()), static_cast<unsigned>(exif.size()));
        jpeg_write_marker(&info, JPEG_APP0 + 15, reinterpret_cast<const JOCTET*>("x"), 1);
    }
    std::vector<JSAMPLE> row(static_cast<std::size_t>(seed.width * components));
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < seed.width; ++x) {
            for (int c = 0; c < components; ++c) {
                row[static_cast<std::size_t>(x * components + c)] = static_cast<JSAMPLE>((x * 7 + y * 5 + c * 60) % 256);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<unsigned char> jpeg(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    if (seed.truncate) {
        jpeg.resize(jpeg.size() / 2);
    }
    return jpeg;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const Seed seeds[] = {
        {"baseline", 48, 32, JCS_RGB, false, false, false, 0, false, false},
        {"grey", 40, 24, JCS_GRAYSCALE, false, false, false, 0, false, false},
        {"progressive", 48, 32, JCS_RGB, true, false, false, 0, false, false},
        {"progressive_grey", 17, 9, JCS_GRAYSCALE, true, false, false, 0, false, false},
        {"restarts", 64, 32, JCS_RGB, false, false, false, 2, false, false},
        {"full_chroma", 33, 17, JCS_RGB, false, false, true, 0, false, false},
        {"arithmetic", 32, 32, JCS_RGB, false, true, false, 0, false, false},
        {"cmyk", 16, 16, JCS_CMYK, false, false, false, 0, false, false},
        {"markers", 24, 16, JCS_RGB, false, false, false, 0, true, false},
        {"tiny", 1, 1, JCS_RGB, false, false, false, 0, false, false},
        {"truncated", 64, 64, JCS_RGB, false, false, false, 0, false, true},
    };
    for (const Seed& seed : seeds) {
        const std::vector<unsigned char> jpeg = Make(seed);
        const std::string path = std::string(argv[1]) + "/" + seed.name + ".jpg";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(jpeg.data(), 1, jpeg.size(), file) != jpeg.size() || std::fclose(file) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
