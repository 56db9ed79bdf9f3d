// The committed resource files keep the layout the program relies on: piece bitmaps, move
// sounds, square patterns and the resource list. The headers are read byte by byte here, not
// through the loaders the program uses, so a generator that drifts is caught even where a
// lenient reader would still cope.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QImage>
#include <gtest/gtest.h>

namespace {

const std::string SourceDir = VELK_SOURCE_DIR;

std::vector<uint8_t> ReadBytes(const std::string& Path) {
    std::ifstream File(Path, std::ios::binary);
    EXPECT_TRUE(File) << Path;
    return {std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
}

uint32_t U16(const std::vector<uint8_t>& D, size_t At) { return D.at(At) | D.at(At + 1) << 8; }
uint32_t U32(const std::vector<uint8_t>& D, size_t At) { return U16(D, At) | U16(D, At + 2) << 16; }
int32_t I32(const std::vector<uint8_t>& D, size_t At) { return static_cast<int32_t>(U32(D, At)); }
std::string Tag(const std::vector<uint8_t>& D, size_t At) { return {D.begin() + At, D.begin() + At + 4}; }

struct TRgb {
    int R, G, B;
    bool operator==(const TRgb&) const = default;
};
const TRgb Magenta{255, 0, 255};

// An 8-bit palette bitmap, rows top first.
struct TBitmap {
    int Width = 0, Height = 0, Bits = 0, Compression = -1;
    uint32_t ColoursUsed = 0;
    std::vector<TRgb> Palette;
    std::vector<std::vector<uint8_t>> Rows;
    TRgb At(int X, int Y) const { return Palette.at(Rows.at(Y).at(X)); }
};

TBitmap ReadBitmap(const std::string& Path) {
    const auto D = ReadBytes(Path);
    TBitmap B;
    EXPECT_EQ(D.at(0), 'B');
    EXPECT_EQ(D.at(1), 'M');
    EXPECT_EQ(U32(D, 2), D.size());
    const uint32_t PixelsAt = U32(D, 10);
    EXPECT_EQ(U32(D, 14), 40u) << "BITMAPINFOHEADER";
    B.Width = I32(D, 18);
    const int32_t Height = I32(D, 22);
    B.Height = Height < 0 ? -Height : Height;
    EXPECT_EQ(U16(D, 26), 1u) << "planes";
    B.Bits = static_cast<int>(U16(D, 28));
    B.Compression = I32(D, 30);
    B.ColoursUsed = U32(D, 46);
    for (uint32_t I = 0; I < B.ColoursUsed; ++I)
        B.Palette.push_back({D.at(54 + 4 * I + 2), D.at(54 + 4 * I + 1), D.at(54 + 4 * I)});
    EXPECT_GE(PixelsAt, 54 + 4 * B.ColoursUsed);
    if (B.Bits != 8) return B;
    const size_t Stride = (B.Width + 3) & ~3;
    EXPECT_GE(D.size(), PixelsAt + Stride * B.Height);
    for (int Y = 0; Y < B.Height; ++Y) {
        const size_t Row = PixelsAt + Stride * (Height < 0 ? Y : B.Height - 1 - Y);
        B.Rows.emplace_back(D.begin() + Row, D.begin() + Row + B.Width);
        for (uint8_t Index : B.Rows.back()) EXPECT_LT(Index, B.ColoursUsed);
    }
    return B;
}

bool IsGold(const TRgb& C) { return C.R > 150 && C.G > 0.55 * C.R && C.G < 0.95 * C.R && C.B < 0.6 * C.G; }

}  // namespace

TEST(ResourceFiles, PieceBitmapsHaveFourMaskedCellsOfTheirSize) {
    for (int Size : {16, 24, 32, 40, 48}) {
        SCOPED_TRACE("size " + std::to_string(Size));
        const std::string Path = SourceDir + "/resources/pieces/CHECKERS_PIECES" + std::to_string(Size) + ".bmp";
        const TBitmap B = ReadBitmap(Path);
        ASSERT_EQ(B.Bits, 8);
        ASSERT_EQ(B.Compression, 0);
        ASSERT_EQ(B.ColoursUsed, 128u);
        ASSERT_EQ(B.Width, 4 * Size);
        ASSERT_EQ(B.Height, Size);
        // One palette entry is magenta, so no piece pixel can turn transparent.
        EXPECT_EQ(std::count(B.Palette.begin(), B.Palette.end(), Magenta), 1);

        for (int Cell = 0; Cell < 4; ++Cell) {
            SCOPED_TRACE("cell " + std::to_string(Cell));
            const int Left = Cell * Size, Right = Left + Size - 1, Bottom = Size - 1;
            // The mask colour is read from the bottom-left pixel; the other corners are clear too.
            EXPECT_EQ(B.At(Left, Bottom), Magenta);
            EXPECT_EQ(B.At(Left, 0), Magenta);
            EXPECT_EQ(B.At(Right, 0), Magenta);
            EXPECT_EQ(B.At(Right, Bottom), Magenta);
            EXPECT_NE(B.At(Left + Size / 2, Size / 2), Magenta) << "the piece sits in the middle";

            // The body is red or white; kings (cells 1 and 3), and only they, wear a gold crown.
            double R = 0, G = 0, Bl = 0;
            int Opaque = 0, Gold = 0;
            for (int Y = 0; Y < Size; ++Y)
                for (int X = Left; X <= Right; ++X) {
                    const TRgb C = B.At(X, Y);
                    if (C == Magenta) continue;
                    ++Opaque;
                    if (IsGold(C))
                        ++Gold;
                    else
                        R += C.R, G += C.G, Bl += C.B;
                }
            ASSERT_GT(Opaque, Size * Size / 2) << "the piece fills most of its cell";
            R /= Opaque - Gold, G /= Opaque - Gold, Bl /= Opaque - Gold;
            if (Cell < 2) {
                EXPECT_GT(R, 2 * G) << "red piece";
            } else {
                EXPECT_LT(std::abs(R - Bl), 30) << "white piece";
                EXPECT_GT(G, 120) << "white piece";
            }
            if (Cell % 2)
                EXPECT_GT(Gold, Opaque / 30) << "king's crown";
            else
                EXPECT_LT(Gold, Opaque / 100) << "a man has no crown";
        }
        // Qt reads the file the same way, with the mask colour at the bottom-left pixel.
        const QImage Image(QString::fromStdString(Path));
        ASSERT_EQ(Image.size(), QSize(4 * Size, Size));
        EXPECT_EQ(Image.pixel(0, Size - 1) & 0xFFFFFF, 0xFF00FFu);
    }
}

TEST(ResourceFiles, SoundsAreShortQuietPcmClips) {
    struct TClip {
        const char* Name;
        uint32_t Channels, Bits, DataBytes;
    };
    for (const TClip& Clip : {TClip{"SIMPLE_MOVE", 1, 16, 10374}, TClip{"ATTACK_MOVE", 2, 8, 12882},
                              TClip{"PROMOTE", 1, 16, 11690}}) {
        SCOPED_TRACE(Clip.Name);
        const auto D = ReadBytes(SourceDir + "/resources/sounds/" + Clip.Name + ".wav");
        ASSERT_GE(D.size(), 44u);
        ASSERT_EQ(Tag(D, 0), "RIFF");
        EXPECT_EQ(U32(D, 4), D.size() - 8);
        ASSERT_EQ(Tag(D, 8), "WAVE");
        bool HaveFormat = false;
        std::vector<double> Samples;  // -1..1, channels interleaved
        for (size_t At = 12; At + 8 <= D.size(); At += 8 + ((U32(D, At + 4) + 1) & ~1u)) {
            const std::string Id = Tag(D, At);
            const uint32_t Size = U32(D, At + 4);
            ASSERT_LE(At + 8 + Size, D.size()) << Id;
            if (Id == "fmt ") {
                HaveFormat = true;
                EXPECT_EQ(U16(D, At + 8), 1u) << "PCM";
                EXPECT_EQ(U16(D, At + 10), Clip.Channels);
                EXPECT_EQ(U32(D, At + 12), 22050u);
                EXPECT_EQ(U32(D, At + 16), 22050u * Clip.Channels * Clip.Bits / 8) << "bytes per second";
                EXPECT_EQ(U16(D, At + 20), Clip.Channels * Clip.Bits / 8) << "block align";
                EXPECT_EQ(U16(D, At + 22), Clip.Bits);
            } else if (Id == "data") {
                ASSERT_TRUE(HaveFormat) << "format before data";
                EXPECT_EQ(Size, Clip.DataBytes);
                for (size_t I = At + 8; I < At + 8 + Size; I += Clip.Bits / 8)
                    Samples.push_back(Clip.Bits == 16 ? int16_t(U16(D, I)) / 32768.0 : (D[I] - 128) / 128.0);
            }
        }
        ASSERT_FALSE(Samples.empty()) << "no data chunk";
        // Audible, but with headroom; starts and ends on silence, so playing it does not click.
        double Peak = 0;
        for (double S : Samples) Peak = std::max(Peak, std::abs(S));
        EXPECT_GT(Peak, 0.25);
        EXPECT_LT(Peak, 0.9);
        for (size_t I = 0; I < 2 * Clip.Channels; ++I) {
            EXPECT_LT(std::abs(Samples[I]), 0.02) << "start " << I;
            EXPECT_LT(std::abs(Samples[Samples.size() - 1 - I]), 0.02) << "end " << I;
        }
    }
}
