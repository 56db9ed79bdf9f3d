// Saving by replacing and appending to the log, where a user's files meet links, write
// protection, FIFOs, folders they may not write, size limits and the leftovers of killed saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AppendFile.h"
#include "platform/FileStream.h"

namespace velk {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& Name)
{
    std::ifstream in(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& Name, const std::string& Bytes)
{
    std::ofstream(Name, std::ios::binary | std::ios::trunc) << Bytes;
}

std::string SaveError(const fs::path& Name, const std::string& Bytes)
{
    try {
        SaveFileReplacing(Name.string(), Bytes.data(), Bytes.size(), "game file");
        return "(none)";
    } catch (const std::exception& e) {
        return e.what();
    }
}

std::vector<std::string> Entries(const fs::path& Folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A call that would wait for ever on a FIFO ends the test program instead of hanging it.
struct TAlarm {
    TAlarm() { ::alarm(20); }
    ~TAlarm() { ::alarm(0); }
};

class FileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = fs::path(::testing::TempDir()) / ("velk_files_" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override
    {
        for (const auto& entry : fs::recursive_directory_iterator(Folder))
            if (entry.is_directory() && !entry.is_symlink())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(Folder);
    }

    fs::path Folder;
};

TEST_F(FileTest, SavingThroughALinkReplacesTheLinkedFileAndKeepsTheLink)
{
    fs::create_directory(Folder / "games");
    fs::create_directory(Folder / "shelf");
    WriteFile(Folder / "games" / "game.ckr", "old");
    const fs::path link = Folder / "shelf" / "link.ckr";
    fs::create_symlink("../games/game.ckr", link);  // relative to its own folder

    EXPECT_EQ(SaveError(link, "new"), "(none)");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../games/game.ckr");
    EXPECT_EQ(ReadFile(Folder / "games" / "game.ckr"), "new");
    EXPECT_EQ(Entries(Folder / "games"), std::vector<std::string>{"game.ckr"});
    EXPECT_EQ(Entries(Folder / "shelf"), std::vector<std::string>{"link.ckr"});
}

// Root may write any file and any folder; a save must still keep a file its owner protected.
TEST_F(FileTest, AWriteProtectedFileIsKeptEvenForRoot)
{
    const fs::path file = Folder / "game.ckr";
    WriteFile(file, "old");
    fs::create_symlink("game.ckr", Folder / "link.ckr");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (const fs::path& name : {file, Folder / "link.ckr"})
        EXPECT_EQ(SaveError(name, "new"), "Cannot save the game file \"" + name.string() + "\". Permission denied");
    EXPECT_EQ(ReadFile(file), "old");
    EXPECT_EQ(Entries(Folder), (std::vector<std::string>{"game.ckr", "link.ckr"}));

    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);  // writable by its owner only
    EXPECT_EQ(SaveError(file, "new"), "(none)");
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644));
}

// What a save writes to before its rename, as the system names the open file.
std::string TemporaryName;
ssize_t WriteNotingTheName(int Handle, const void* Buffer, size_t Count)
{
    TemporaryName = fs::read_symlink("/proc/self/fd/" + std::to_string(Handle)).filename().string();
    return ::write(Handle, Buffer, Count);
}

TEST_F(FileTest, LeftoversOfKilledSavesOfTheSameFileAreRemovedOnceStale)
{
    // Above the largest process id the system hands out: a writer that cannot be running.
    const std::string gone = "4194305";
    const std::string alive = std::to_string(::getpid());
    const std::vector<std::string> stale = {".game.ckr.saving-" + gone + "-a1B2c3"};
    const std::vector<std::string> kept = {
        ".game.ckr.saving-" + gone + "-Fresh1",      // written just now: a save may still run
        ".game.ckr.saving-" + alive + "-abcdef",     // its writer runs
        ".other.ckr.saving-" + gone + "-abcdef",     // another file's
        ".game.ckr.saving-" + gone + "-abcdefg",     // not of the form: the user's own
        ".game.ckr.saving-" + gone + "-abc.ef",
        ".game.ckr.saving--abcdef",
        ".game.ckr.backup",
    };
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    for (const auto* names : {&stale, &kept})
        for (const std::string& name : *names) {
            WriteFile(Folder / name, std::string(1000, 'x'));
            if (name.find("Fresh") == std::string::npos)
                fs::last_write_time(Folder / name, old);
        }
    fs::create_directory(Folder / (".game.ckr.saving-" + gone + "-folder"));
    fs::last_write_time(Folder / (".game.ckr.saving-" + gone + "-folder"), old);

    const TFileCalls saved = FileCalls;
    FileCalls.Write = WriteNotingTheName;
    const std::string error = SaveError(Folder / "game.ckr", "new");
    FileCalls = saved;
    EXPECT_EQ(error, "(none)");
    // The save's own file has the form that is cleaned up.
    const std::string prefix = ".game.ckr.saving-" + alive + "-";
    const std::string tail = TemporaryName.substr(std::min(prefix.size(), TemporaryName.size()));
    const auto letterOrDigit = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    EXPECT_TRUE(TemporaryName.starts_with(prefix) && tail.size() == 6 &&
                std::all_of(tail.begin(), tail.end(), letterOrDigit))
        << TemporaryName;
    std::vector<std::string> expected = kept;
    expected.push_back(".game.ckr.saving-" + gone + "-folder");
    expected.push_back("game.ckr");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(Folder), expected);
}

// Runs Call as an ordinary user, whom permissions bind: in a child process when this one is
// root. Returns what Call returned.
std::string AsOrdinaryUser(const std::function<std::string()>& Call)
{
    if (::geteuid() != 0)
        return Call();
    int channel[2];
    if (::pipe(channel) != 0)
        return "(no pipe)";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string result = "(could not become nobody)";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            result = Call();
        (void)!::write(channel[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[256];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<size_t>(n));
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return result;
}

TEST_F(FileTest, TheLogIsAppendedToARegularFileInFoldersMadeForItOrSaysWhyNot)
{
    const fs::path log = Folder / "data" / "app" / "game.log";
    EXPECT_EQ(AppendWhole(log.string(), "first\r\n"), "");
    EXPECT_EQ(AppendWhole(log.string(), "second\r\n"), "");
    EXPECT_EQ(ReadFile(log), "first\r\nsecond\r\n");

    // A folder that cannot be made is the reason, not the file then missing in it.
    fs::create_directory(Folder / "home");
    fs::permissions(Folder / "home", fs::perms(0555));
    fs::permissions(Folder, fs::perms(0755));
    EXPECT_EQ(AsOrdinaryUser([&] { return AppendWhole((Folder / "home" / "data" / "game.log").string(), "x"); }),
              "Permission denied");
    fs::permissions(Folder / "home", fs::perms(0755));

    // A FIFO would hold the program until someone reads it; a folder is no log either.
    ASSERT_EQ(::mkfifo((Folder / "fifo.log").c_str(), 0600), 0);
    {
        TAlarm alarm;
        EXPECT_EQ(AppendWhole((Folder / "fifo.log").string(), "x"), "Not a regular file");
    }
    EXPECT_TRUE(fs::is_fifo(Folder / "fifo.log"));
    EXPECT_EQ(AppendWhole((Folder / "data").string(), "x"), "Is a directory");
    EXPECT_EQ(AppendWhole((Folder / "fifo.log" / "game.log").string(), "x"), "Not a directory");
}

// Under a file-size limit the program lives on: the write fails, and the line is not cut.
TEST_F(FileTest, AFileSizeLimitFailsTheWriteAndLeavesNoPartOfIt)
{
    const fs::path log = Folder / "game.log";
    ASSERT_EQ(AppendWhole(log.string(), "first\r\n"), "");
    WriteFile(Folder / "game.ckr", "old");
    const auto handler = std::signal(SIGXFSZ, SIG_DFL);
    ReportFileSizeLimitAsError();
    struct rlimit unlimited;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    struct rlimit limit = unlimited;
    limit.rlim_cur = 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string appended = AppendWhole(log.string(), "second line\r\n");
    const std::string saved = SaveError(Folder / "game.ckr", std::string(100, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(appended, "File too large");
    EXPECT_EQ(ReadFile(log), "first\r\n");
    EXPECT_EQ(saved, "Cannot save the game file \"" + (Folder / "game.ckr").string() + "\". File too large");
    EXPECT_EQ(ReadFile(Folder / "game.ckr"), "old");
    EXPECT_EQ(Entries(Folder), (std::vector<std::string>{"game.ckr", "game.log"}));
}

}  // namespace
}  // namespace velk
