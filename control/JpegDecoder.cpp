#include "JpegDecoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including their headers
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include <QFile>

#include "platform/Exceptions.h"

namespace velk {
namespace {

// libjpeg reports a fatal error through error_exit, which must not return. Ours jumps back to
// the guarded step that is running, which returns false; the caller then raises the message.
// The guarded steps below keep only plain C values in their frames, so the jump skips no C++
// destructor; every object that owns something lives in DecodeJpeg's frame, which the jump
// never leaves.
struct TJpegErrors {
    jpeg_error_mgr Manager;  // first member: libjpeg hands back a pointer to it
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOnError(j_common_ptr Info) {
    auto* Errors = reinterpret_cast<TJpegErrors*>(Info->err);
    (*Info->err->format_message)(Info, Errors->Message);
    std::longjmp(Errors->Jump, 1);
}

// Warnings (level -1) mean libjpeg met damaged data and patched it up, typically by inventing
// the rest of a cut-off file; such a picture is refused. Two warnings about metadata only are
// harmless. Trace messages (levels above 0) are ignored, and nothing is printed.
void OnMessage(j_common_ptr Info, int Level) {
    if (Level >= 0) return;
    const int Code = Info->err->msg_code;
    if (Code == JWRN_JFIF_MAJOR || Code == JWRN_ADOBE_XFORM) return;
    JumpOnError(Info);
}

struct TDecompressor {
    jpeg_decompress_struct Info{};
    TJpegErrors Errors{};

    TDecompressor() {
        Info.err = jpeg_std_error(&Errors.Manager);
        Errors.Manager.error_exit = JumpOnError;
        Errors.Manager.emit_message = OnMessage;
    }
    // Safe also when creation failed: the struct was zeroed, and libjpeg checks its memory
    // manager before freeing.
    ~TDecompressor() { jpeg_destroy_decompress(&Info); }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
};

bool ReadHeader(TDecompressor* D, const unsigned char* Data, unsigned long Size) {
    if (setjmp(D->Errors.Jump)) return false;
    jpeg_create_decompress(&D->Info);
    jpeg_mem_src(&D->Info, Data, Size);
    jpeg_read_header(&D->Info, TRUE);
    // Grey pictures are widened to RGB below, so libjpeg is asked only for what it always has.
    D->Info.out_color_space = D->Info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    return true;
}

// Decodes every scanline through Row (one line of samples) into the RGB32 lines at Pixels.
bool ReadPixels(TDecompressor* D, JSAMPLE* Row, unsigned char* Pixels, long long BytesPerLine) {
    if (setjmp(D->Errors.Jump)) return false;
    jpeg_start_decompress(&D->Info);
    const bool Grey = D->Info.output_components == 1;
    const JDIMENSION Width = D->Info.output_width;
    JSAMPARRAY Rows = &Row;
    while (D->Info.output_scanline < D->Info.output_height) {
        const JDIMENSION Y = D->Info.output_scanline;
        jpeg_read_scanlines(&D->Info, Rows, 1);
        auto* Line = reinterpret_cast<QRgb*>(Pixels + static_cast<long long>(Y) * BytesPerLine);
        for (JDIMENSION X = 0; X < Width; ++X) {
            const JSAMPLE* P = Grey ? Row + X : Row + 3 * X;
            Line[X] = Grey ? qRgb(P[0], P[0], P[0]) : qRgb(P[0], P[1], P[2]);
        }
    }
    jpeg_finish_decompress(&D->Info);
    return true;
}

[[noreturn]] void Fail(const std::string& Why) { throw Exception("Invalid JPEG data: " + Why); }

}  // namespace

QImage DecodeJpeg(const QByteArray& Bytes) {
    if (Bytes.isEmpty()) Fail("no data");
    TDecompressor D;
    const auto* Data = reinterpret_cast<const unsigned char*>(Bytes.constData());
    if (!ReadHeader(&D, Data, static_cast<unsigned long>(Bytes.size()))) Fail(D.Errors.Message);

    const long long Width = D.Info.image_width;
    const long long Height = D.Info.image_height;
    if (Width * Height > JPEG_MAX_PIXELS)
        Fail("a picture of " + std::to_string(Width) + " x " + std::to_string(Height) + " pixels is too large");
    QImage Image(static_cast<int>(Width), static_cast<int>(Height), QImage::Format_RGB32);
    if (Image.isNull()) Fail("no memory for a picture of " + std::to_string(Width) + " x " + std::to_string(Height));
    std::vector<JSAMPLE> Row(static_cast<size_t>(Width) * 3);

    if (!ReadPixels(&D, Row.data(), Image.bits(), Image.bytesPerLine())) Fail(D.Errors.Message);
    return Image;
}

QImage LoadJpeg(const QString& FileName) {
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        throw Exception("Cannot open \"" + FileName.toStdString() + "\": " + File.errorString().toStdString());
    const QByteArray Bytes = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw Exception("Cannot read \"" + FileName.toStdString() + "\": " + File.errorString().toStdString());
    return DecodeJpeg(Bytes);
}

}  // namespace velk
