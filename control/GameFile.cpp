#include "GameFile.h"

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

void ReadGameSignature(TStream& Stream, const std::string& Title)
{
    // Any shortfall is just another way of not being our file; the length is compared before
    // anything is read by it, so a wild length allocates nothing.
    const std::string expected = GameFileSignature(Title);
    uint8_t length[4];
    if (Stream.Read(length, 4) != 4)
        throw EInvalidGameFile(Title);
    const uint32_t n = length[0] | (length[1] << 8) | (length[2] << 16) | (static_cast<uint32_t>(length[3]) << 24);
    if (n != expected.size())
        throw EInvalidGameFile(Title);
    std::string signature(expected.size(), '\0');
    if (Stream.Read(signature.data(), static_cast<int64_t>(n)) != static_cast<int64_t>(n) || signature != expected)
        throw EInvalidGameFile(Title);
}

std::unique_ptr<TFileStream> CreateGameFile(const std::string& FileName, const std::string& Title)
{
    auto file = std::make_unique<TFileStream>(FileName, fmCreate);
    WriteGameSignature(*file, Title);
    return file;
}

std::unique_ptr<TFileStream> OpenGameFile(const std::string& FileName, const std::string& Title)
{
    auto file = std::make_unique<TFileStream>(FileName, fmOpenRead);
    ReadGameSignature(*file, Title);
    return file;
}

void SaveGameFile(const std::string& FileName, const std::string& Title, const TGameHistory& History)
{
    History.SaveToStream(*CreateGameFile(FileName, Title));
}

void LoadGameFile(const std::string& FileName, const std::string& Title, TGameHistory& History)
{
    History.LoadFromStream(*OpenGameFile(FileName, Title));
}

}  // namespace velk
