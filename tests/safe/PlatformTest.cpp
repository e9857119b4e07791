#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "safe/FileTable.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "support/Files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tav {
namespace {

namespace fs = std::filesystem;
using platform::joinPath;
using test::TempDir;

TEST(JoinPath, AddsOneSeparatorAndKeepsBlanks) {
    struct Case {
        std::string folder, name, joined;
    };
    const std::vector<Case> cases = {
#ifdef _WIN32
        {"C:\\", "TAV", "C:\\TAV"},
        {"C:\\Users\\Public\\Documents", "TAV", "C:\\Users\\Public\\Documents\\TAV"},
        {"C:\\Clients\\Smith and Sons\\", "TAV Output.txt",
         "C:\\Clients\\Smith and Sons\\TAV Output.txt"},
        {"C:/Clients/", "a.txt", "C:/Clients/a.txt"},
        {"\\\\server\\share", "TAV.log", "\\\\server\\share\\TAV.log"},
#else
        {"/", "TAV", "/TAV"},
        {"/var/tmp/Public Documents", "TAV", "/var/tmp/Public Documents/TAV"},
        {"/srv/Smith and Sons/", "TAV Output.txt", "/srv/Smith and Sons/TAV Output.txt"},
#endif
        {"", "TAV.ini", "TAV.ini"},
    };
    for (const Case& c : cases) EXPECT_EQ(joinPath(c.folder, c.name), c.joined) << c.folder;

    // Installed names are written with backslashes.
    EXPECT_EQ(platform::nativeSeparators("AOLedgers\\AU\\Ledger 1.txt"),
              joinPath(joinPath("AOLedgers", "AU"), "Ledger 1.txt"));
}

TEST(RootFolder, IsTheSystemDrivesRootAndExists) {
#ifdef _WIN32
    EXPECT_EQ(platform::rootFolder(), "C:\\");
#else
    EXPECT_EQ(platform::rootFolder(), "/");
#endif
    EXPECT_TRUE(platform::pathExists(platform::rootFolder()));
    EXPECT_EQ(joinPath(platform::rootFolder(), "TAV"), platform::rootFolder() + "TAV");
}

TEST(Folders, NamesWithBlanksAndAccentsAreCreatedAndFoundAsGiven) {
    TempDir dir;
    const std::string folder =
        joinPath(joinPath(dir.path(), "Caf\xC3\xA9 Clients"), "Smith & Sons 2011");
    EXPECT_FALSE(platform::pathExists(folder));
    EXPECT_EQ(platform::createDirectory(folder), 0);  // the missing parent too
    EXPECT_TRUE(platform::pathExists(folder));
    EXPECT_FALSE(platform::fileExists(folder));
    EXPECT_EQ(platform::createDirectory(folder), 183);

    const std::string file = joinPath(folder, "Journal \xC2\xB7 June.txt");
    FileTable files;
    files.open(2, file, FileMode::Output);
    files.printLine(2, "x");
    files.close(2);
    EXPECT_TRUE(platform::fileExists(file));
    long exists = 0;
    EXPECT_EQ(sfDoesPathExist(file, exists), "");
    EXPECT_EQ(exists, 1);
    // The name on disk is the text given, not its bytes read in some code page.
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(platform::pathFromUtf8(folder)))
        names.push_back(platform::pathToUtf8(e.path().filename()));
    EXPECT_EQ(names, std::vector<std::string>{"Journal \xC2\xB7 June.txt"});
}

TEST(ShortPath, NamesTheSameFileWithoutBlanks) {
    TempDir dir;
    const std::string folder = joinPath(dir.path(), "Company Files 2011");
    ASSERT_EQ(platform::createDirectory(folder), 0);
    const std::string company = joinPath(folder, "Smith and Sons Pty Ltd.QBW");
    test::writeFile(company, "company");

    std::string shortPath;
    EXPECT_EQ(sfGetShortPathFileName(company, shortPath), "");
#ifdef _WIN32
    EXPECT_EQ(shortPath.find(' '), std::string::npos) << shortPath;
#else
    EXPECT_EQ(shortPath, company);
#endif
    EXPECT_EQ(test::readFile(shortPath), "company");

    EXPECT_EQ(sfGetShortPathFileName(joinPath(folder, "gone.QBW"), shortPath),
              "SafeMethods.bas\tsfGetShortPathFileName\t53\tFile not found\r\n");
    EXPECT_EQ(shortPath, "");
}

TEST(InstallationFolder, IsTheRunningExecutablesFolder) {
#ifdef _WIN32
    const char* self = "tav_core_tests.exe";
#else
    const char* self = "tav_core_tests";
#endif
    EXPECT_TRUE(platform::fileExists(joinPath(platform::executableFolder(), self)))
        << platform::executableFolder();
}

TEST(CommonDocumentsFolder, IsSharedOnWindowsAndTheUsersOwnElsewhere) {
#ifdef _WIN32
    const platform::FolderResult r = platform::commonDocumentsFolder();
    EXPECT_EQ(r.code, 0);
    // A drive path: the data folder below it is created with SHCreateDirectoryEx,
    // which takes nothing else.
    ASSERT_GE(r.path.size(), 3u);
    EXPECT_EQ(r.path.substr(1, 2), ":\\") << r.path;
    EXPECT_TRUE(platform::pathExists(r.path));
#else
    // As the XDG base directories say: an absolute $XDG_DATA_HOME, else ~/.local/share.
    const std::string xdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/someone", 1);
    for (const char* value : {"", "relative/data"}) {
        ::setenv("XDG_DATA_HOME", value, 1);
        EXPECT_EQ(platform::commonDocumentsFolder().path, "/home/someone/.local/share") << value;
    }
    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(platform::commonDocumentsFolder().path, "/srv/data");
    ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    ::setenv("HOME", home.c_str(), 1);
#endif
}

TEST(CreateDirectory, MakesTheUsersOwnFolderOutsideWindows) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows folders take the permissions of the folder they are made in";
#else
    TempDir dir;
    const std::string data = joinPath(joinPath(dir.path(), "share"), "TAV");
    auto mode = [](const std::string& path) {
        return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::all);
    };
    EXPECT_EQ(platform::createDirectory(data), 0);
    EXPECT_EQ(mode(data), 0700u);
    EXPECT_EQ(mode(joinPath(dir.path(), "share")), 0700u);
    // A folder others may write to is closed to them.
    fs::permissions(data, fs::perms::all);
    EXPECT_EQ(platform::createDirectory(data), 183);
    EXPECT_EQ(mode(data), 0700u);
    // A link, or a folder of another user's, is not the user's data folder.
    const std::string elsewhere = joinPath(dir.path(), "elsewhere");
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, joinPath(dir.path(), "link"));
    EXPECT_EQ(platform::createDirectory(joinPath(dir.path(), "link")), 5);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(elsewhere.c_str(), 65534, 65534), 0);
        EXPECT_EQ(platform::createDirectory(elsewhere), 5);
    }
#endif
}

}  // namespace
}  // namespace tav
