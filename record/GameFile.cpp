#include "GameFile.h"

#include <cstring>

namespace velk {

EInvalidGameFile::EInvalidGameFile(const std::string& Title) : Exception("Invalid " + Title + " File") {}

std::string GameFileSignature(const std::string& Title)
{
    return Title + GAME_FILE_VERSION;
}

void WriteGameSignature(TStream& Stream, const std::string& Title)
{
    const std::string signature = GameFileSignature(Title);
    Stream.WriteI32(static_cast<int32_t>(signature.size()));
    Stream.WriteBuffer(signature.data(), static_cast<int64_t>(signature.size()));
}

namespace {

// A file too short for a signature is just another way of not being our file; a disk that
// fails is not the file's fault, and the user is told so.
[[noreturn]] void SignatureShort(TStream& Stream, const std::string& Title)
{
    if (auto* file = dynamic_cast<TFileStream*>(&Stream); file != nullptr && file->LastError() != 0)
        throw EReadError("Cannot read the game file \"" + file->FileName() + "\". " + std::strerror(file->LastError()));
    throw EInvalidGameFile(Title);
}

}  // namespace

void ReadGameSignature(TStream& Stream, const std::string& Title)
{
    // The length is compared before anything is read by it, so a wild length allocates nothing.
    const std::string expected = GameFileSignature(Title);
    uint8_t length[4];
    if (Stream.Read(length, 4) != 4)
        SignatureShort(Stream, Title);
    const uint32_t n = length[0] | (length[1] << 8) | (length[2] << 16) | (static_cast<uint32_t>(length[3]) << 24);
    if (n != expected.size())
        throw EInvalidGameFile(Title);
    std::string signature(expected.size(), '\0');
    if (Stream.Read(signature.data(), static_cast<int64_t>(n)) != static_cast<int64_t>(n))
        SignatureShort(Stream, Title);
    if (signature != expected)
        throw EInvalidGameFile(Title);
}

std::unique_ptr<TFileStream> OpenGameFile(const std::string& FileName, const std::string& Title)
{
    auto file = std::make_unique<TFileStream>(FileName, fmOpenRead);
    file->SetDescription("game file");
    ReadGameSignature(*file, Title);
    return file;
}

void SaveGameFile(const std::string& FileName, const std::string& Title,
                  const std::function<void(TStream& Stream)>& WriteGame)
{
    TMemoryStream game;
    WriteGameSignature(game, Title);
    WriteGame(game);
    SaveFileReplacing(FileName, game.Bytes().data(), game.Bytes().size(), "game file");
}

void SaveGameFile(const std::string& FileName, const std::string& Title, const TGameHistory& History)
{
    SaveGameFile(FileName, Title, [&History](TStream& Stream) { History.SaveToStream(Stream); });
}

void LoadGameFile(const std::string& FileName, const std::string& Title, TGameHistory& History)
{
    History.LoadFromStream(*OpenGameFile(FileName, Title));
}

}  // namespace velk
