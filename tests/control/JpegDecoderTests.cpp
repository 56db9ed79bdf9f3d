// The JPEG decoder on the committed square patterns, on pictures encoded here, and on damaged
// data, which must raise the decoder's error instead of ending or crashing the program.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <QColor>
#include <QFile>
#include <gtest/gtest.h>

#include "control/JpegDecoder.h"
#include "platform/Exceptions.h"

using namespace velk;

namespace {

const QString PatternDir = QStringLiteral(VELK_SOURCE_DIR "/resources/patterns/");

QByteArray ReadFile(const QString& Name) {
    QFile File(Name);
    EXPECT_TRUE(File.open(QIODevice::ReadOnly)) << Name.toStdString();
    return File.readAll();
}

// Encodes Components (1 = grey, 3 = RGB) samples with libjpeg at high quality.
QByteArray EncodeJpeg(int Width, int Height, int Components, const std::vector<unsigned char>& Samples,
                      bool Progressive = false) {
    jpeg_compress_struct Info{};
    jpeg_error_mgr Errors{};
    Info.err = jpeg_std_error(&Errors);
    jpeg_create_compress(&Info);
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;
    jpeg_mem_dest(&Info, &Buffer, &Size);
    Info.image_width = Width;
    Info.image_height = Height;
    Info.input_components = Components;
    Info.in_color_space = Components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, 95, TRUE);
    if (Progressive) jpeg_simple_progression(&Info);
    jpeg_start_compress(&Info, TRUE);
    while (Info.next_scanline < Info.image_height) {
        auto* Row = const_cast<JSAMPLE*>(Samples.data() + Info.next_scanline * Width * Components);
        jpeg_write_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_compress(&Info);
    QByteArray Result(reinterpret_cast<const char*>(Buffer), static_cast<qsizetype>(Size));
    jpeg_destroy_compress(&Info);
    std::free(Buffer);
    return Result;
}

struct TMean {
    double R = 0, G = 0, B = 0;
    double Luma() const { return 0.3 * R + 0.59 * G + 0.11 * B; }
};

TMean Mean(const QImage& Image) {
    TMean M;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X) {
            const QRgb P = Image.pixel(X, Y);
            M.R += qRed(P), M.G += qGreen(P), M.B += qBlue(P);
        }
    const double N = double(Image.width()) * Image.height();
    M.R /= N, M.G /= N, M.B /= N;
    return M;
}

// Runs Decode and expects the decoder's error, returning its message.
std::string ExpectRefused(const std::function<void()>& Decode) {
    try {
        Decode();
    } catch (const Exception& E) {
        EXPECT_EQ(std::string(E.what()).rfind("Invalid JPEG data: ", 0), 0u) << E.what();
        return E.what();
    }
    ADD_FAILURE() << "the data was accepted";
    return {};
}

}  // namespace

TEST(JpegDecoder, DecodesTheSquarePatterns) {
    std::map<std::string, TMean> Means;
    for (const char* Name : {"SquareDark", "SquareLight", "SquareDarkSelect", "SquareLightSelect", "SquareDarkMark",
                             "SquareLightMark"}) {
        SCOPED_TRACE(Name);
        const QImage Image = LoadJpeg(PatternDir + Name + ".jpg");
        ASSERT_EQ(Image.format(), QImage::Format_RGB32);
        ASSERT_EQ(Image.size(), QSize(160, 160));
        for (int Y = 0; Y < 160; Y += 7)
            for (int X = 0; X < 160; X += 7) ASSERT_EQ(qAlpha(Image.pixel(X, Y)), 255);
        Means[Name] = Mean(Image);
    }
    // Walnut and maple: the dark square is far darker, and both woods are warm (red over blue),
    // which a swapped channel order would turn round.
    EXPECT_LT(Means["SquareDark"].Luma() + 80, Means["SquareLight"].Luma());
    EXPECT_GT(Means["SquareDark"].R, Means["SquareDark"].B + 30);
    EXPECT_GT(Means["SquareLight"].R, Means["SquareLight"].B + 30);
    for (const char* Kind : {"SquareDark", "SquareLight"}) {
        SCOPED_TRACE(Kind);
        const TMean Plain = Means[Kind], Select = Means[std::string(Kind) + "Select"],
                    Mark = Means[std::string(Kind) + "Mark"];
        // Selected: brighter and more golden; marked: cooler (more blue against red).
        EXPECT_GT(Select.Luma(), Plain.Luma() + 10);
        EXPECT_GT(Select.G - Select.B, Plain.G - Plain.B);
        EXPECT_GT(Mark.B - Mark.R, Plain.B - Plain.R + 10);
    }
}

TEST(JpegDecoder, KeepsColoursAndGreysOfEncodedPictures) {
    // Four flat quadrants: red, green, blue and white, as baseline and as progressive JPEG.
    const int W = 32, H = 24;
    std::vector<unsigned char> Rgb;
    const QRgb Quadrant[4] = {qRgb(220, 20, 30), qRgb(20, 200, 40), qRgb(30, 40, 210), qRgb(250, 250, 250)};
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            const QRgb C = Quadrant[(Y >= H / 2) * 2 + (X >= W / 2)];
            Rgb.insert(Rgb.end(), {uchar(qRed(C)), uchar(qGreen(C)), uchar(qBlue(C))});
        }
    for (bool Progressive : {false, true}) {
        SCOPED_TRACE(Progressive ? "progressive" : "baseline");
        const QImage Image = DecodeJpeg(EncodeJpeg(W, H, 3, Rgb, Progressive));
        ASSERT_EQ(Image.size(), QSize(W, H));
        ASSERT_EQ(Image.format(), QImage::Format_RGB32);
        for (int Q = 0; Q < 4; ++Q) {
            // The middle of each quadrant, away from the blurred borders.
            const QRgb P = Image.pixel((Q % 2) * W / 2 + W / 4, (Q / 2) * H / 2 + H / 4);
            EXPECT_NEAR(qRed(P), qRed(Quadrant[Q]), 8) << "quadrant " << Q;
            EXPECT_NEAR(qGreen(P), qGreen(Quadrant[Q]), 8) << "quadrant " << Q;
            EXPECT_NEAR(qBlue(P), qBlue(Quadrant[Q]), 8) << "quadrant " << Q;
            EXPECT_EQ(qAlpha(P), 255);
        }
    }

    // A grey ramp comes out as equal red, green and blue at each pixel.
    std::vector<unsigned char> Grey;
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 40; ++X) Grey.push_back(uchar(X * 6 + 10));
    const QImage Image = DecodeJpeg(EncodeJpeg(40, 16, 1, Grey));
    ASSERT_EQ(Image.size(), QSize(40, 16));
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 40; ++X) {
            const QRgb P = Image.pixel(X, Y);
            ASSERT_EQ(qRed(P), qGreen(P));
            ASSERT_EQ(qGreen(P), qBlue(P));
            ASSERT_NEAR(qRed(P), X * 6 + 10, 6) << X << "," << Y;
        }
}

TEST(JpegDecoder, RefusesMissingCutAndForeignData) {
    const QByteArray Good = ReadFile(PatternDir + "SquareDark.jpg");
    ASSERT_GT(Good.size(), 1000);

    EXPECT_EQ(ExpectRefused([] { DecodeJpeg(QByteArray()); }), "Invalid JPEG data: no data");
    ExpectRefused([] { DecodeJpeg(QByteArray("GIF89a not a picture at all")); });
    ExpectRefused([] { DecodeJpeg(QByteArray(5000, '\xff')); });
    // A BMP of our own is not a JPEG either.
    ExpectRefused([] { DecodeJpeg(ReadFile(QStringLiteral(VELK_SOURCE_DIR "/resources/pieces/CHECKERS_PIECES16.bmp"))); });

    // Cut inside the markers, inside the scan, and just before the end marker.
    for (qsizetype Length : {qsizetype(2), qsizetype(100), Good.size() / 2, Good.size() - 2}) {
        SCOPED_TRACE(Length);
        ExpectRefused([&] { DecodeJpeg(Good.left(Length)); });
    }
    // The untouched file still decodes after all that.
    EXPECT_EQ(DecodeJpeg(Good).size(), QSize(160, 160));
}

TEST(JpegDecoder, RefusesAHugePictureBeforeAllocatingIt) {
    QByteArray Data = ReadFile(PatternDir + "SquareLight.jpg");
    // The frame header (baseline or progressive): FF C0/C2, length, precision, height, width.
    qsizetype Sof = -1;
    for (qsizetype I = 2; I + 9 < Data.size(); ++I)
        if (uchar(Data[I]) == 0xFF && (uchar(Data[I + 1]) == 0xC0 || uchar(Data[I + 1]) == 0xC2)) {
            Sof = I;
            break;
        }
    ASSERT_GE(Sof, 0);
    ASSERT_EQ(uchar(Data[Sof + 5]) << 8 | uchar(Data[Sof + 6]), 160);
    for (int I : {5, 7}) Data[Sof + I] = char(0xEA), Data[Sof + I + 1] = char(0x60);  // 60000 x 60000
    EXPECT_EQ(ExpectRefused([&] { DecodeJpeg(Data); }),
              "Invalid JPEG data: a picture of 60000 x 60000 pixels is too large");
}

TEST(JpegDecoder, SurvivesCorruptedScanData) {
    // Bytes flipped all over a real file: each either decodes to a full picture or is refused,
    // never a crash, a hang or an exit (the sanitizer builds watch the memory side).
    const QByteArray Good = ReadFile(PatternDir + "SquareDarkSelect.jpg");
    int Refused = 0, Decoded = 0;
    for (qsizetype Pos = 3; Pos < Good.size(); Pos += 37) {
        QByteArray Bad = Good;
        Bad[Pos] = char(uchar(Bad[Pos]) ^ 0x5A);
        try {
            const QImage Image = DecodeJpeg(Bad);
            ASSERT_FALSE(Image.isNull());
            ++Decoded;
        } catch (const Exception&) {
            ++Refused;
        }
    }
    EXPECT_GT(Refused, 0);
    EXPECT_GT(Decoded + Refused, 100);
}

TEST(JpegDecoder, LoadNamesAFileItCannotOpen) {
    try {
        LoadJpeg(QStringLiteral("/nonexistent/SquareNone.jpg"));
        ADD_FAILURE() << "a missing file was accepted";
    } catch (const Exception& E) {
        EXPECT_NE(std::string(E.what()).find("/nonexistent/SquareNone.jpg"), std::string::npos) << E.what();
    }
}
