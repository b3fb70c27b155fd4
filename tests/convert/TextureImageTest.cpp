// The pictures of a package's textures: the PCX files the engine imports, the sides it takes,
// the quantizer's palette with the masked colour at index 0, maps that must not be trusted, and
// which texture files a script names and where their maps are found.
#include "convert/ImageConversion.h"
#include "convert/PcxImage.h"
#include "convert/TextureMaps.h"
#include "tests/support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

IndexedImage Pattern(int width, int height)
{
    IndexedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < 768; ++i)
        image.palette[i] = static_cast<std::uint8_t>(i * 7);
    // Long runs (past the 63 a run byte holds), single bytes at and above 0xC0, and short runs.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.push_back(static_cast<std::uint8_t>(y % 3 == 0   ? 0xC5
                                                             : y % 3 == 1 ? (x < 100 ? 7 : x)
                                                                          : x * y));
    return image;
}

std::span<const std::uint8_t> BytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

TEST(PcxImage, WritesTheEnginesHeaderAndReadsBackEveryPixel)
{
    for (const int width : {256, 129, 1}) {
        SCOPED_TRACE(width);
        const IndexedImage image = Pattern(width, 6);
        const std::string file = EncodePcx(image);
        const auto* b = reinterpret_cast<const std::uint8_t*>(file.data());
        EXPECT_EQ(b[0], 10);
        EXPECT_EQ(b[1], 5);
        EXPECT_EQ(b[2], 1);
        EXPECT_EQ(b[3], 8);
        EXPECT_EQ(b[8] | b[9] << 8, width - 1);
        EXPECT_EQ(b[10] | b[11] << 8, 5);
        EXPECT_EQ(b[65], 1);
        EXPECT_EQ((b[66] | b[67] << 8) % 2, 0); // bytes a row, even
        EXPECT_GE(b[66] | b[67] << 8, width);
        ASSERT_GT(file.size(), 128u + 769u);
        EXPECT_EQ(b[file.size() - 769], 12);

        IndexedImage back;
        std::string why;
        ASSERT_TRUE(DecodePcx(BytesOf(file), 256, back, why)) << why;
        EXPECT_EQ(back.width, width);
        EXPECT_EQ(back.height, 6);
        EXPECT_EQ(back.pixels, image.pixels);
        EXPECT_EQ(back.palette, image.palette);
    }
}

TEST(PcxImage, DamagedOrOversizedFilesAreRefusedWithAReason)
{
    const std::string good = EncodePcx(Pattern(64, 64));
    std::string why;
    IndexedImage image;
    // Cut anywhere: never read past the end, always a reason.
    for (std::size_t cut : {std::size_t{0}, std::size_t{100}, std::size_t{128}, std::size_t{900}, good.size() - 1}) {
        why.clear();
        EXPECT_FALSE(DecodePcx(BytesOf(good.substr(0, cut)), 256, image, why)) << cut;
        EXPECT_FALSE(why.empty());
    }
    // Sides claimed far beyond the file, or past the limit, are refused before anything is allocated.
    std::string huge = good;
    huge[8] = huge[9] = static_cast<char>(0xFF);
    EXPECT_FALSE(DecodePcx(BytesOf(huge), 8192, image, why));
    EXPECT_NE(why.find("65536x64"), std::string::npos) << why;
    std::string body = good;
    body.replace(128, body.size() - 128 - 769, std::string(10, static_cast<char>(0xFF)));
    EXPECT_FALSE(DecodePcx(BytesOf(body), 256, image, why));
    EXPECT_EQ(why, "a PCX file cut short");
}

TEST(ImageConversion, SidesGoToTheNearestPowerOfTwoTheEngineTakes)
{
    const std::pair<int, int> sides[] = {{1, 8},     {11, 8},    {12, 16},   {95, 64},   {96, 128},
                                         {128, 128}, {191, 128}, {192, 256}, {300, 256}, {5000, 256}};
    for (const auto& [side, expected] : sides)
        EXPECT_EQ(TextureSide(side), expected) << side;
    RgbaImage map{300, 20, std::vector<std::uint8_t>(300 * 20 * 4, 200)};
    const RgbaImage scaled = ScaleToTexture(map);
    EXPECT_EQ(scaled.width, 256);
    EXPECT_EQ(scaled.height, 16);
    EXPECT_EQ(scaled.pixels.size(), 256u * 16 * 4);
}

// A smooth gradient keeps close to its colours; masked, every pixel below half alpha and none
// other takes index 0.
TEST(ImageConversion, QuantizesCloselyAndKeepsIndexZeroForTheMaskedColour)
{
    RgbaImage picture{64, 64, {}};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            picture.pixels.insert(picture.pixels.end(),
                                  {static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4),
                                   static_cast<std::uint8_t>(255 - x * 2),
                                   static_cast<std::uint8_t>(x < 16   ? 0
                                                             : x < 20 ? 127
                                                                      : 128)});
    IndexedImage plain, masked;
    std::string why;
    ASSERT_TRUE(Quantize(picture, false, plain, why)) << why;
    ASSERT_TRUE(Quantize(picture, true, masked, why)) << why;
    EXPECT_LE(plain.colours, 256);
    EXPECT_LT(MeanColourError(picture, plain, false), 6.0); // 4096 colours, dithered
    EXPECT_LT(MeanColourError(picture, masked, true), 6.0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            EXPECT_EQ(masked.pixels[y * 64 + x] == 0, x < 20) << x << "," << y;
    EXPECT_EQ(masked.palette[0] + masked.palette[1] + masked.palette[2], 0);
}

TEST(ImageConversion, MapsThatAreNoPictureOrFarTooLargeAreRefused)
{
    RgbaImage image;
    std::string why;
    EXPECT_FALSE(DecodeMap(BytesOf("not a picture at all"), false, image, why));
    EXPECT_NE(why.find("not a picture"), std::string::npos) << why;
    // A BMP header that claims 100000 x 100000 pixels: refused from its header alone.
    std::vector<std::uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
    for (const std::uint32_t v : {100000u, 100000u})
        for (int i = 0; i < 4; ++i)
            bmp.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    bmp.insert(bmp.end(), {1, 0, 24, 0});
    bmp.resize(54, 0);
    EXPECT_FALSE(DecodeMap(bmp, false, image, why));
    EXPECT_NE(why.find("100000x100000"), std::string::npos) << why;
    EXPECT_TRUE(image.pixels.empty());
}

TEST(TextureMaps, EachTextureFileOnceWithTheNumbersThatUseIt)
{
    const std::string script = "// texture map C:\\MAPS\\WOOD.JPG\r\n"
                               "#exec TEXTURE IMPORT NAME=sSkin0 FILE=Textures\\WOOD.pcx GROUP=Skins\r\n"
                               "#exec MESHMAP SETTEXTURE MESHMAP=s NUM=0 TEXTURE=sSkin0\r\n"
                               "#exec TEXTURE IMPORT NAME=sSkin1 FILE=Textures\\sSkin1.pcx GROUP=Skins\r\n"
                               "#exec MESHMAP SETTEXTURE MESHMAP=s NUM=1 TEXTURE=sSkin1\r\n"
                               "// texture map wood.jpg\r\n"
                               "#exec texture import NAME=sSkin3 FILE=Textures\\wood.PCX GROUP=Skins\r\n"
                               "#exec MESHMAP SETTEXTURE MESHMAP=s NUM=3 TEXTURE=sskin3\r\n";
    const std::vector<ScriptTextureFile> files = TextureFilesOf(script);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].file, "WOOD.pcx");
    EXPECT_EQ(files[0].map, "C:\\MAPS\\WOOD.JPG");
    EXPECT_EQ(files[0].numbers, (std::vector<int>{0, 3}));
    EXPECT_EQ(files[1].file, "sSkin1.pcx");
    EXPECT_EQ(files[1].map, "");
    EXPECT_EQ(files[1].numbers, (std::vector<int>{1}));
}

TEST(TextureMaps, MapsAreFoundInAnyCaseBesideTheSceneThenInMapFolders)
{
    CMemoryFileSystem fs;
    fs.Put("game/models/ship.3ds", {});
    fs.Put("game/Textures/wood.jpg", {1});
    fs.Put("game/models/Maps/WOOD.JPG", {2});
    EXPECT_EQ(FindTextureMap(fs, "game/models/ship.3ds", "C:\\3DS\\Wood.jpg"), "game/models/Maps/WOOD.JPG");
    fs.Put("game/models/wood.JPG", {3});
    fs.Put("game/models/WOOD.JPG", {4});
    EXPECT_EQ(FindTextureMap(fs, "game/models/ship.3ds", "WOOD.JPG"), "game/models/WOOD.JPG"); // the exact name first
    EXPECT_EQ(FindTextureMap(fs, "game/models/ship.3ds", "bark.jpg"), "");
    EXPECT_EQ(FindTextureMap(fs, "game/models/ship.3ds", ".."), "");
    fs.Put("other/textures/bark.jpg", {5});
    EXPECT_EQ(FindTextureMap(fs, "other/ship.3ds", "BARK.JPG"), "other/textures/bark.jpg");
    // A map saved under another picture format stands in, where nothing has the name itself.
    fs.Put("other/textures/hull.tga", {6});
    fs.Put("other/hull.txt", {7});
    EXPECT_EQ(FindTextureMap(fs, "other/ship.3ds", "HULL.RGB"), "other/textures/hull.tga");
}
