// The Win32 file layer where it differs from the POSIX one: temporaries marked for deletion until
// named, renames over files that are open, locks that leave reading free, file identity by volume
// and index, 64-bit lengths and UTF-8 names.
#include "platform/FileLayer.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

namespace {

CFileSystem& Native()
{
    return CFileSystem::Native();
}

Bytes ReadAll(CFile& file)
{
    Bytes bytes(static_cast<std::size_t>(file.Length()));
    EXPECT_TRUE(file.Seek(0));
    EXPECT_EQ(file.Read(bytes.data(), bytes.size()), bytes.size());
    return bytes;
}

} // namespace

TEST(Win32FileLayer, TemporaryVanishesUnlessNamedAndThenKeepsItsBytes)
{
    ScopedTempDir dir;
    std::string tempPath;
    auto dropped = Native().CreateTemp(dir.File("ship_a.3d"), tempPath);
    ASSERT_TRUE(dropped);
    EXPECT_TRUE(tempPath.empty()) << "a temporary with a name would need removing after a crash";
    ASSERT_TRUE(dropped->Write("gone", 4));
    dropped->Close();
    EXPECT_TRUE(dir.Entries().empty());

    auto kept = Native().CreateTemp(dir.File("ship_a.3d"), tempPath);
    ASSERT_TRUE(kept && kept->Write("kept", 4) && kept->Flush());
    ASSERT_TRUE(kept->LinkAs(dir.File("ship_a.3d")));
    EXPECT_FALSE(kept->LinkAs(dir.File("again.3d"))) << "a file with a name is no temporary";
    kept->Close();
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"ship_a.3d"});
    EXPECT_EQ(ReadText(dir.File("ship_a.3d")), "kept");

    // A name that is taken is not given.
    auto other = Native().CreateTemp(dir.File("ship_a.3d"), tempPath);
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->LinkAs(dir.File("ship_a.3d")));
    other->Close();
    EXPECT_EQ(ReadText(dir.File("ship_a.3d")), "kept");
    EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(Win32FileLayer, ATemporaryNoRunHoldsIsALeftoverAndALiveOneIsNot)
{
    ScopedTempDir dir;
    std::string tempPath;
    auto live = Native().CreateTemp(dir.File("ship_a.3d"), tempPath);
    ASSERT_TRUE(live && live->Write("live", 4));
    // What a run killed between making its temporary and marking it leaves.
    WriteFileBytes(dir.File(".tarnex-0123456789abcdef.new"), {});
    WriteFileBytes(dir.File("other.new"), {});
    const std::vector<std::string> leftovers = Native().Leftovers(dir.File("ship_a.3d"));
    EXPECT_EQ(leftovers, std::vector<std::string>{dir.File(".tarnex-0123456789abcdef.new")});
    live->Close();
}

TEST(Win32FileLayer, RenameReplacesATargetThatIsOpenAndTheOpenFileKeepsTheOldBytes)
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("ship_a.3d"), Bytes{1, 2, 3});
    WriteFileBytes(dir.File("new.tmp"), Bytes{4, 5});
    auto held = Native().OpenRead(dir.File("ship_a.3d"));
    ASSERT_TRUE(held);
    ASSERT_TRUE(Native().Rename(dir.File("new.tmp"), dir.File("ship_a.3d"))) << Native().LastFailure();
    EXPECT_EQ(ReadFileBytes(dir.File("ship_a.3d")), (Bytes{4, 5}));
    EXPECT_EQ(ReadAll(*held), (Bytes{1, 2, 3}));
    held->Close();
    // What the old file was moved aside to goes with its last handle, or as a leftover.
    for (const std::string& name : dir.Entries())
        EXPECT_TRUE(name == "ship_a.3d" || IsLeftoverName(name)) << name;
    for (const std::string& leftover : Native().Leftovers(dir.File("ship_a.3d")))
        Native().Remove(leftover);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"ship_a.3d"});

    std::filesystem::create_directory(dir.File("folder_a.3d"));
    WriteFileBytes(dir.File("new.tmp"), Bytes{6});
    EXPECT_FALSE(Native().Rename(dir.File("new.tmp"), dir.File("folder_a.3d"))) << "a folder is never replaced";
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder_a.3d")));
}

TEST(Win32FileLayer, LockKeepsOtherRunsOutButNotReaders)
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("ship_a.3d"), Bytes(100, 7));
    auto first = Native().OpenReadWrite(dir.File("ship_a.3d"));
    auto second = Native().OpenReadWrite(dir.File("ship_a.3d"));
    ASSERT_TRUE(first && second);
    ASSERT_EQ(first->Lock(false), LockResult::Locked);
    EXPECT_EQ(second->Lock(false), LockResult::Busy);
    EXPECT_EQ(ReadAll(*second), Bytes(100, 7)) << "the lock lies past the end";
    EXPECT_TRUE(second->Seek(100) && second->Write("x", 1)) << "writers are not kept out either";
    first->Close();
    EXPECT_EQ(second->Lock(false), LockResult::Locked) << "the lock goes with its handle";
}

TEST(Win32FileLayer, SameFileIsTheSameVolumeAndIndexWhateverTheName)
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("a.3ds"), Bytes{1});
    WriteFileBytes(dir.File("b.3ds"), Bytes{1});
    auto open = Native().OpenRead(dir.File("a.3ds"));
    ASSERT_TRUE(open);
    const FileInfo held = open->Info(), byName = Native().Stat(dir.File("a.3ds"));
    std::string backslashed = dir.File("a.3ds");
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    const FileInfo other = Native().Stat(dir.File("b.3ds")), again = Native().Stat(backslashed);
    ASSERT_TRUE(held.exists && held.regular && byName.exists && other.exists);
    EXPECT_EQ(held.device, byName.device);
    EXPECT_EQ(held.inode, byName.inode);
    EXPECT_EQ(again.inode, byName.inode);
    EXPECT_NE(other.inode, byName.inode);
    EXPECT_TRUE(Native().Stat(dir.Path()).directory);
    EXPECT_EQ(FileNameOf(backslashed), "a.3ds");
}

TEST(Win32FileLayer, LengthsAndPositionsPastFourGigabytes)
{
    ScopedTempDir dir;
    auto file = Native().CreateNew(dir.File("big_a.3d"));
    ASSERT_TRUE(file);
    const std::uint64_t big = (std::uint64_t{1} << 32) + 10; // past any 32-bit offset
    ASSERT_TRUE(file->Truncate(big));
    EXPECT_EQ(file->Length(), big);
    ASSERT_TRUE(file->Seek(big - 2) && file->Write("ab", 2));
    char back[2] = {};
    ASSERT_TRUE(file->Seek(big - 2));
    EXPECT_EQ(file->Read(back, 2), 2u);
    EXPECT_EQ(std::string(back, 2), "ab");
    EXPECT_EQ(Native().Stat(dir.File("big_a.3d")).size, big);
    file->Close();
    EXPECT_TRUE(Native().Remove(dir.File("big_a.3d")));
}

TEST(Win32FileLayer, NamesAreUtf8AndFailuresGiveTheSystemsReason)
{
    ScopedTempDir dir;
    const std::string name = "\xC3\x9C" "ber \xE6\xA8\xA1\xE5\x9E\x8B_a.3d"; // "Über 模型_a.3d"
    auto file = Native().CreateNew(dir.File(name));
    ASSERT_TRUE(file && file->Write("u", 1));
    file->Close();
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(reinterpret_cast<const char8_t*>(dir.File(name).c_str()))));
    EXPECT_EQ(dir.Entries().size(), 1u);
    EXPECT_FALSE(Native().OpenRead(dir.File("missing.3ds")));
    EXPECT_FALSE(Native().LastFailure().empty());
    EXPECT_EQ(Native().UnusableName(dir.File("aux.uc")), "Windows keeps the name aux.uc for a device");
    EXPECT_EQ(Native().UnusableName(dir.File(name)), "");
}
