// Files written whole: a new version beside the file takes its place only when complete,
// what a killed run leaves is cleared away, links planted by someone else are not
// written through, and one run at a time writes an import file.

#include "safe/FileReplacement.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "safe/FileCloser.h"
#include "safe/FileTable.h"
#include "safe/Sem.h"
#include "support/Files.h"
#include "support/Resources.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tav::test {
namespace {

namespace fs = std::filesystem;

// The description of the runtime error the action raises; empty when it raises none.
template <class Action>
std::string failureOf(Action action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return std::to_string(e.number()) + " " + e.description();
    }
    return {};
}

TEST(FileReplacement, AnOutputTakesTheFilesPlaceOnlyWhenClosed) {
    TempDir dir;
    const std::string file = dir.file("Mapping.csv");
    writeFile(file, "old\r\n");
#ifndef _WIN32
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    FileTable files;
    files.open(1, file, FileMode::Output);
    files.printLine(1, "new");
    EXPECT_EQ(readFile(file), "old\r\n");
    EXPECT_EQ(leftoversIn(dir.path()).size(), 1u);  // the new version, beside it
    files.close(1);
    EXPECT_EQ(readFile(file), "new\r\n");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Mapping.csv"});
#ifndef _WIN32
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
}

TEST(FileReplacement, AWriteThatFailsLeavesTheOldFileAndNothingElse) {
    TempDir dir;
    const std::string file = dir.file("Ledger.txt");
    writeFile(file, "old\r\n");
    FileTable files;
    {
        // A routine that fails midway: its file closer drops the new version.
        files.open(1, file, FileMode::Output);
        const FileCloser closer(files, 1);
        files.printLine(1, "half");
    }
    {
        files.open(1, file, FileMode::Output);
        files.printLine(1, std::string(5000, 'x'));
        const FileSizeLimit disk(1000);
        if (!disk.available()) GTEST_SKIP() << "needs a file size limit, which Windows lacks";
        EXPECT_EQ(
            failureOf([&] { files.close(1); }),
            "61 Disk full: '" + file + "' has reached the largest size a file may have here.");
    }
    EXPECT_EQ(readFile(file), "old\r\n");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Ledger.txt"});
}

TEST(FileReplacement, WhatAKilledRunLeftIsClearedButNotWhatARunningOneHolds) {
    TempDir dir;
    // A killed run's new version: no running program holds it.
    const std::string leftover = dir.file(".TAVOutput.txt.tavora-abc123.tmp");
    writeFile(leftover, "half a transaction");
    FileReplacement running = FileReplacement::begin(dir.file("CofA.iif"));
    EXPECT_FALSE(platform::fileExists(leftover));
    EXPECT_TRUE(platform::fileExists(running.path()));

    FileReplacement next = FileReplacement::begin(dir.file("TaxCodes.iif"));
    EXPECT_TRUE(platform::fileExists(running.path()));
    next.abandon();
    running.abandon();
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{});
}

TEST(FileReplacement, ALinkPlantedByAnotherUserIsNotWrittenThrough) {
#ifdef _WIN32
    GTEST_SKIP() << "links on Windows need rights that ordinary users lack";
#else
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
    TempDir dir;
    const std::string victim = dir.file("victim.txt"), link = dir.file("TAVOutput.txt");
    writeFile(victim, "the user's own file\r\n");
    fs::create_symlink(victim, link);
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
    FileTable files;
    for (const FileMode mode : {FileMode::Output, FileMode::Append}) {
        EXPECT_EQ(failureOf([&] { files.open(1, link, mode); }),
                  "75 The file '" + link +
                      "' is a symbolic link that belongs to another user. The program does not "
                      "write through it, since it may have been put there to have another file "
                      "overwritten. Remove the link, or choose another file name.");
    }
    EXPECT_EQ(readFile(victim), "the user's own file\r\n");

    // The user's own link is followed: the file it leads to gets the new version.
    ASSERT_EQ(::lchown(link.c_str(), ::geteuid(), ::getegid()), 0);
    files.open(1, link, FileMode::Output);
    files.printLine(1, "converted");
    files.close(1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(victim), "converted\r\n");
    EXPECT_EQ(leftoversIn(dir.path()), std::vector<std::string>{});
#endif
}

TEST(OutputLock, OneRunAtATimeWritesAnImportFile) {
    TempDir dir;
    const std::string output = dir.file("TAVOutput.txt");
    OutputLock first = OutputLock::take(output);
    const std::string busy = failureOf([&] { OutputLock::take(output); });
    EXPECT_TRUE(
        busy.starts_with("0 Another conversion is writing the import file '" + output + "'"))
        << busy;
    EXPECT_TRUE(busy.ends_with(". Wait until it has finished, then convert again.")) << busy;
    // Another file in the same folder is not held up.
    const OutputLock other = OutputLock::take(dir.file("Other.txt"));
    first.release();
    OutputLock second = OutputLock::take(output);
    second.release();
    EXPECT_EQ(leftoversIn(dir.path()), std::vector<std::string>{".Other.txt.tavora-lock"});
}

TEST(SameFile, ComparesFilesNotNames) {
    TempDir dir;
    writeFile(dir.file("Journal.txt"), "report");
    writeFile(dir.file("Copy.txt"), "report");
    fs::create_hard_link(dir.file("Journal.txt"), dir.file("Alias.txt"));
    EXPECT_TRUE(platform::sameFile(dir.file("Journal.txt"), dir.file("Alias.txt")));
    EXPECT_FALSE(platform::sameFile(dir.file("Journal.txt"), dir.file("Copy.txt")));
    EXPECT_FALSE(platform::sameFile(dir.file("Journal.txt"), dir.file("None.txt")));
    EXPECT_FALSE(platform::sameFile(dir.file("None.txt"), dir.file("None.txt")));
}

}  // namespace
}  // namespace tav::test
