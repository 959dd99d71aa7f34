// Writes the plug-in's ten toolbar images: a folder holding a list of macros,
// each a green "run" arrow and a line, drawn separately at 16 and 24 pixels.
//
// Usage: MakeToolbarImages <output folder>
// The output is byte-for-byte reproducible; the tests compare it with the
// images committed under resources/bitmaps.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Each character is one pixel; '.' is the background.
const char* const kArt16[] = {
    "................",  //
    ".KKKKK..........",  //
    "KYYYYYK.........",  //
    "KYYYYYYKKKKKKKK.",  //
    "KYYYYYYYYYYYYYK.",  //
    "KYgYYYYYYYYYYYK.",  //
    "KYggYNNNNNNNNYK.",  //
    "KYgYYYYYYYYYYYK.",  //
    "KYYYYYYYYYYYYYK.",  //
    "KYgYYYYYYYYYYYK.",  //
    "KYggYNNNNNNYYYK.",  //
    "KYgYYYYYYYYYYYK.",  //
    "KYYYYYYYYYYYYYK.",  //
    "KyyyyyyyyyyyyyK.",  //
    "KKKKKKKKKKKKKKK.",  //
    "................",  //
};

const char* const kArt24[] = {
    "........................",  //
    ".KKKKKKK................",  //
    "KYYYYYYYK...............",  //
    "KYYYYYYYYKKKKKKKKKKKKKK.",  //
    "KYYYYYYYYYYYYYYYYYYYYYK.",  //
    "KYYgYYYYYYYYYYYYYYYYYYK.",  //
    "KYYggYYYYYYYYYYYYYYYYYK.",  //
    "KYYgggYNNNNNNNNNNNNNYYK.",  //
    "KYYggYYYYYYYYYYYYYYYYYK.",  //
    "KYYgYYYYYYYYYYYYYYYYYYK.",  //
    "KYYYYYYYYYYYYYYYYYYYYYK.",  //
    "KYYgYYYYYYYYYYYYYYYYYYK.",  //
    "KYYggYYYYYYYYYYYYYYYYYK.",  //
    "KYYgggYNNNNNNNNNNYYYYYK.",  //
    "KYYggYYYYYYYYYYYYYYYYYK.",  //
    "KYYgYYYYYYYYYYYYYYYYYYK.",  //
    "KYYYYYYYYYYYYYYYYYYYYYK.",  //
    "KYYgYYYYYYYYYYYYYYYYYYK.",  //
    "KYYggYYYYYYYYYYYYYYYYYK.",  //
    "KYYgggYNNNNNNNNNNNNNNYK.",  //
    "KYYggYYYYYYYYYYYYYYYYYK.",  //
    "KYYgYYYYYYYYYYYYYYYYYYK.",  //
    "KyyyyyyyyyyyyyyyyyyyyyK.",  //
    "KKKKKKKKKKKKKKKKKKKKKKK.",  //
};

struct Rgb {
    std::uint8_t r, g, b;
};

// The 16 colours every display can show; the art uses only these, so the
// 16-colour images need no dithering.
const Rgb kStandardColours[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};
constexpr std::uint8_t kSilver = 7;
constexpr std::uint8_t kMagenta = 13;

std::uint8_t ColourIndex(char pixel) {
    switch (pixel) {
        case 'K':
            return 0;  // outline
        case 'g':
            return 2;  // run arrow
        case 'y':
            return 3;  // folder shade
        case 'N':
            return 4;  // macro name line
        case 'Y':
            return 11;  // folder
        default:
            return 255;  // background
    }
}

enum class Format { kPalette16, kPalette256, kAlpha32 };

struct Image {
    int id;
    int size;
    Format format;
};

const Image kImages[] = {
    {101, 16, Format::kPalette16},  {102, 24, Format::kPalette16},  {103, 16, Format::kPalette256},
    {104, 24, Format::kPalette256}, {107, 16, Format::kPalette256}, {108, 24, Format::kPalette256},
    {109, 16, Format::kAlpha32},    {110, 24, Format::kAlpha32},    {113, 16, Format::kAlpha32},
    {114, 24, Format::kAlpha32},
};

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::vector<std::uint8_t> MakeBitmap(const Image& image) {
    const char* const* art = image.size == 16 ? kArt16 : kArt24;
    const int bits = image.format == Format::kAlpha32 ? 32 : 8;
    const std::uint32_t colours = image.format == Format::kPalette16    ? 16
                                  : image.format == Format::kPalette256 ? 256
                                                                        : 0;
    const std::uint32_t stride = ((image.size * bits / 8) + 3) & ~3u;
    const std::uint32_t pixelOffset = 14 + 40 + colours * 4;
    const std::uint32_t pixelBytes = stride * image.size;

    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, pixelOffset + pixelBytes);
    Put32(out, 0);
    Put32(out, pixelOffset);
    Put32(out, 40);  // BITMAPINFOHEADER
    Put32(out, image.size);
    Put32(out, image.size);  // positive: bottom-up rows
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);  // BI_RGB
    Put32(out, pixelBytes);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, 0);
    for (std::uint32_t i = 0; i < colours; ++i) {
        // Entries past the standard 16 repeat black, unused by the art.
        const Rgb colour = i < 16 ? kStandardColours[i] : Rgb{0, 0, 0};
        out.push_back(colour.b);
        out.push_back(colour.g);
        out.push_back(colour.r);
        out.push_back(0);
    }
    const std::uint8_t background = image.format == Format::kPalette16 ? kSilver : kMagenta;
    for (int row = image.size - 1; row >= 0; --row) {
        std::uint32_t written = 0;
        for (int column = 0; column < image.size; ++column) {
            const std::uint8_t index = ColourIndex(art[row][column]);
            if (image.format == Format::kAlpha32) {
                // Straight alpha; transparent pixels are all zero.
                const Rgb colour = index == 255 ? Rgb{0, 0, 0} : kStandardColours[index];
                out.push_back(colour.b);
                out.push_back(colour.g);
                out.push_back(colour.r);
                out.push_back(index == 255 ? 0 : 255);
                written += 4;
            } else {
                out.push_back(index == 255 ? background : index);
                written += 1;
            }
        }
        for (; written < stride; ++written) {
            out.push_back(0);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    for (const Image& image : kImages) {
        const std::string path =
            std::string(argv[1]) + "/toolbar" + std::to_string(image.id) + ".bmp";
        const std::vector<std::uint8_t> bytes = MakeBitmap(image);
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
