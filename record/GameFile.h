#pragma once
// Game files: a signature naming the program and the file version, then the game stream.
// The board control saves and opens games through these; it keeps its own backup of the game
// while loading, so that a failed load gives the previous game back. Saving never writes into
// the old file: the game is written whole beside it and then takes its place.
#include <functional>
#include <memory>
#include <string>

#include "GameHistory.h"
#include "platform/FileStream.h"

namespace velk {

// Raised for a file that another program, another title or another file version wrote.
class EInvalidGameFile : public Exception {
public:
    explicit EInvalidGameFile(const std::string& Title);
};

// The version marker of the file layout; a file with another marker is refused.
constexpr const char* GAME_FILE_VERSION = "[3]";

std::string GameFileSignature(const std::string& Title);
void WriteGameSignature(TStream& Stream, const std::string& Title);
// Reads the signature and raises EInvalidGameFile unless it is Title's.
void ReadGameSignature(TStream& Stream, const std::string& Title);

// The file opened for reading, its signature checked, positioned on the game stream; its read
// errors name the file.
std::unique_ptr<TFileStream> OpenGameFile(const std::string& FileName, const std::string& Title);

// Writes the signature and what WriteGame writes into memory, then replaces the file by it in
// one step; on any failure the old file is untouched and EFSaveError names the file and reason.
void SaveGameFile(const std::string& FileName, const std::string& Title,
                  const std::function<void(TStream& Stream)>& WriteGame);
void SaveGameFile(const std::string& FileName, const std::string& Title, const TGameHistory& History);
void LoadGameFile(const std::string& FileName, const std::string& Title, TGameHistory& History);

}  // namespace velk
