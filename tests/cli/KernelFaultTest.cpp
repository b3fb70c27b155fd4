// Faults that come from the kernel rather than from a test double: a file size limit, a folder
// that cannot be written, and the process killed at any moment. tarnex-cli runs as a child
// process; after each run the files that existed before are checked byte by byte.
#include "convert/PairCommit.h"
#include "scene/StatusLog.h"
#include "tests/support/CliProcess.h"
#include "tests/support/SceneGenerator.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#else
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

scenegen::SceneShape Scene(std::uint32_t verticesPerObject, std::uint32_t frames)
{
    scenegen::SceneShape shape;
    shape.objectCount = 2;
    shape.verticesPerObject = verticesPerObject;
    shape.frames = frames;
    return shape;
}

[[maybe_unused]] bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

// File size limits, mount namespaces and permission bits are Linux's: Windows has none of the
// three in this form. There a folder is made read-only with an ACL.
#ifndef _WIN32
TEST(KernelFaults, FileSizeLimitFailsTheWriteAndKeepsWhatExisted)
{
    // 2 × 2000 vertices, 8000 triangles: a 128 KiB data file and 16000-byte frames.
    const Bytes scene = scenegen::GenerateScene(Scene(2000, 50));
    struct Case {
        const char* what;
        bool append;
        rlim_t limit;
        const char* failingName;
    };
    const Case cases[] = {
        {"data file beyond the limit", false, 60000, "ship_d.3d"},
        {"animation file beyond the limit", false, 300000, "ship_a.3d"},
        {"appended file beyond the limit", true, 200000, "ship_a.3d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir, logs;
        WriteFileBytes(dir.File("in.3ds"), scene);
        WriteFileBytes(dir.File("ship_a.3d"), AnimationFile(4, 16000));
        if (!c.append)
            WriteFileBytes(dir.File("ship_d.3d"), Bytes(300, 0xDD));
        const Snapshot before = TakeSnapshot(dir.Path());

        const rlim_t limit = c.limit;
        const CliOutcome run = RunCli({dir.File("in.3ds"), dir.File(c.append ? "ship_a.3d" : "ship.3d"),
                                       c.append ? "append" : ""},
                                      logs.Path(), [limit] {
                                          const rlimit size{limit, limit};
                                          // SIGXFSZ as a shell leaves it: the program must ignore
                                          // it itself, or the limit kills it midway.
                                          return ::signal(SIGXFSZ, SIG_DFL) != SIG_ERR &&
                                                 ::setrlimit(RLIMIT_FSIZE, &size) == 0;
                                      });
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_TRUE(EndsWith(run.out, "Writing data...\n")) << run.out;
        EXPECT_EQ(run.err, "Error: Could not write output file: " + dir.File(c.failingName) + "\n(File too large)\n");
        EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
    }
}

namespace {

// Makes the folder unwritable for the child alone: a private mount namespace with the folder
// bound over itself read-only. Permission bits would not do: the tests may run as root.
bool BindReadOnly(const std::string& folder)
{
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// Without root (and so without mount namespaces) permission bits do: the folder and its files
// lose their write bits until the returned guard restores them.
struct ReadOnlyBits {
    std::string folder;
    explicit ReadOnlyBits(const std::string& path) : folder(path)
    {
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            ::chmod(entry.path().c_str(), 0444);
        ::chmod(folder.c_str(), 0555);
    }
    ~ReadOnlyBits()
    {
        ::chmod(folder.c_str(), 0755);
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            ::chmod(entry.path().c_str(), 0644);
    }
};

} // namespace

#else

namespace {

// The folder and its files deny the current user all that would change them, until the guard puts
// their old DACLs back.
class CReadOnlyAcl {
public:
    explicit CReadOnlyAcl(const std::string& folder) : folder_(std::filesystem::path(folder).wstring())
    {
        Deny(folder_);
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            Deny(entry.path().wstring());
    }
    ~CReadOnlyAcl()
    {
        for (auto saved = saved_.rbegin(); saved != saved_.rend(); ++saved) {
            ::SetNamedSecurityInfoW(saved->path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    saved->dacl, nullptr);
            ::LocalFree(saved->descriptor);
        }
    }
    CReadOnlyAcl(const CReadOnlyAcl&) = delete;
    CReadOnlyAcl& operator=(const CReadOnlyAcl&) = delete;

    // Whether the user is held to it: a new file in the folder is refused.
    bool Holds() const
    {
        const HANDLE file = ::CreateFileW((folder_ + L"\\probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return true;
        ::CloseHandle(file);
        return false;
    }

private:
    struct Saved {
        std::wstring path;
        PSECURITY_DESCRIPTOR descriptor;
        PACL dacl; // within descriptor
    };

    void Deny(std::wstring path)
    {
        Saved saved{std::move(path), nullptr, nullptr};
        if (::GetNamedSecurityInfoW(saved.path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &saved.dacl, nullptr, &saved.descriptor) != ERROR_SUCCESS)
            return;
        // On a folder the first two are FILE_ADD_FILE and FILE_ADD_SUBDIRECTORY.
        EXPLICIT_ACCESSW deny{};
        deny.grfAccessPermissions = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                    FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
        deny.grfAccessMode = DENY_ACCESS;
        deny.grfInheritance = NO_INHERITANCE;
        ::BuildTrusteeWithNameW(&deny.Trustee, const_cast<LPWSTR>(L"CURRENT_USER"));
        PACL denying = nullptr;
        if (::SetEntriesInAclW(1, &deny, saved.dacl, &denying) == ERROR_SUCCESS) {
            ::SetNamedSecurityInfoW(saved.path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    denying, nullptr);
            ::LocalFree(denying);
        }
        saved_.push_back(std::move(saved));
    }

    std::wstring folder_;
    std::vector<Saved> saved_;
};

} // namespace

#endif // _WIN32

TEST(KernelFaults, ReadOnlyFolderIsRefusedAndLeftAsItWas)
{
    const Bytes scene = scenegen::GenerateScene(Scene(50, 5));
    struct Case {
        const char* what;
        bool existingPair;
        bool append;
    };
    const Case cases[] = {
        {"new pair into an empty folder", false, false},
        {"new pair over an existing pair", true, false},
        {"append", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir, logs;
        WriteFileBytes(dir.File("in.3ds"), scene);
        if (c.existingPair) {
            WriteFileBytes(dir.File("ship_d.3d"), Bytes(64, 0xDD));
            WriteFileBytes(dir.File("ship_a.3d"), AnimationFile(2, 400));
        }
        const Snapshot before = TakeSnapshot(dir.Path());
        const std::vector<std::string> arguments = {dir.File("in.3ds"), dir.File(c.append ? "ship_a.3d" : "ship.3d"),
                                                    c.append ? "append" : ""};

        const std::string folder = dir.Path();
        CliOutcome run;
#ifdef _WIN32
        {
            const CReadOnlyAcl readOnly(folder);
            if (!readOnly.Holds())
                GTEST_SKIP() << "Wine does not enforce ACLs";
            run = RunCli(arguments, logs.Path());
        }
#else
        if (::geteuid() != 0) {
            const ReadOnlyBits readOnly(folder);
            run = RunCli(arguments, logs.Path());
        } else {
            run = RunCli(arguments, logs.Path(), [folder] { return BindReadOnly(folder); });
            if (run.exitStatus == CCliProcess::kPrepareFailed)
                GTEST_SKIP() << "root without mount namespaces: no way to make the folder read-only for it";
        }
#endif
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_NE((run.out + run.err).find("Error: Could not "), std::string::npos) << run.out << run.err;
        EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
    }
}

namespace {

// The frame count of an animation file, and whether its length agrees with its header.
std::uint32_t FrameCountOf(const Bytes& animation)
{
    return animation.size() < 4 ? 0 : animation[0] | animation[1] << 8;
}

bool Consistent(const Bytes& animation)
{
    return animation.size() >= 4 && animation.size() == 4 + std::size_t{FrameCountOf(animation)} *
                                                                 (animation[2] | animation[3] << 8);
}

// Kills tarnex-cli at `moments` moments spread at random over the length of a whole run, each
// time in a folder holding the old files. A new pair must leave each target old or completely
// new; an append must leave the old count over the old frames (bytes after them are allowed), or
// the whole appended file. No temporary stays behind, but for one instant: a complete new file
// named for the rename that puts it over its target; and the empty lock file of the folder. The
// next run succeeds and removes both.
void KillAtRandomMoments(bool append, int moments)
{
#if defined(__SANITIZE_ADDRESS__)
    const std::uint32_t frames = 30; // the sanitized program is many times slower
#else
    const std::uint32_t frames = 150;
#endif
    // 2 × 8000 vertices: 64000-byte frames, a 9.6 MB animation file at 150 frames.
    const Bytes scene = scenegen::GenerateScene(Scene(8000, frames));
    const Bytes oldData(48, 0), oldAnimation = AnimationFile(5, 64000);
    const auto prepare = [&](const ScopedTempDir& dir) {
        for (const std::string& name : dir.Entries())
            std::filesystem::remove(dir.File(name));
        WriteFileBytes(dir.File("in.3ds"), scene);
        WriteFileBytes(dir.File("ship_a.3d"), oldAnimation);
        if (!append)
            WriteFileBytes(dir.File("ship_d.3d"), oldData);
    };
    ScopedTempDir dir, logs;
    const std::vector<std::string> arguments = {dir.File("in.3ds"), dir.File(append ? "ship_a.3d" : "ship.3d"),
                                                append ? "append" : ""};
    std::vector<std::string> files = {"in.3ds", "ship_a.3d", "ship_d.3d"};
    if (append)
        files.pop_back();

    prepare(dir);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli(arguments, logs.Path()).exitStatus, 0);
    auto length = std::chrono::steady_clock::now() - start;
    const Bytes newAnimation = ReadFileBytes(dir.File("ship_a.3d"));
    const Bytes newData = append ? oldData : ReadFileBytes(dir.File("ship_d.3d"));
    ASSERT_NE(newAnimation, oldAnimation);

    std::mt19937 random(20240611u + (append ? 1u : 0u));
    std::uniform_real_distribution<double> spread(0.0, 1.0);
    int killed = 0, midCommit = 0;
    for (int i = 0; i < moments; ++i) {
        prepare(dir);
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(length * spread(random));
        SCOPED_TRACE("kill after " + std::to_string(delay.count()) + " us");
        CCliProcess process(arguments, logs.Path());
        ASSERT_TRUE(process.Started());
        std::this_thread::sleep_for(delay);
        process.Kill(SIGKILL);
        if (process.Wait().signal == SIGKILL)
            ++killed;
        else // the run was shorter than measured (a loaded machine varies): aim earlier from now on
            length = std::min<std::chrono::steady_clock::duration>(length, delay);

        // A kill between the renames leaves the commit's record: the next run in the folder
        // completes the commit when it takes the folder's turn, before it looks at the pair.
        if (std::filesystem::exists(dir.File(kCommitRecordName))) {
            ++midCommit;
            CStatusLog log;
            std::string error;
            CFolderTurn turn(CFileSystem::Native());
            ASSERT_TRUE(turn.Take(dir.File("ship_d.3d"), dir.File("ship_a.3d"), kLockPatience, log, error)) << error;
        }
        const Bytes animation = ReadFileBytes(dir.File("ship_a.3d"));
        if (append) {
            const bool old = FrameCountOf(animation) == FrameCountOf(oldAnimation) &&
                             animation.size() >= oldAnimation.size() &&
                             std::equal(oldAnimation.begin(), oldAnimation.end(), animation.begin());
            EXPECT_TRUE(old || animation == newAnimation)
                << "animation file of " << animation.size() << " bytes is neither old nor appended";
        } else {
            EXPECT_TRUE(animation == oldAnimation || animation == newAnimation)
                << "animation file of " << animation.size() << " bytes is neither old nor new";
            const Bytes data = ReadFileBytes(dir.File("ship_d.3d"));
            EXPECT_TRUE(data == oldData || data == newData) << "data file is neither old nor new";
        }
        for (const std::string& name : dir.Entries()) {
            // A killed run leaves its lock file, empty, for the next run to take and remove.
            if (std::find(files.begin(), files.end(), name) != files.end() ||
                (name == kFolderLockName && ReadFileBytes(dir.File(name)).empty()))
                continue;
            const Bytes left = ReadFileBytes(dir.File(name));
#ifdef _WIN32
            // Windows cannot rename over an open file: without POSIX renames the old file moves
            // aside to a leftover's name first, which a kill can leave too. A temporary has a name
            // from the moment it is made, and is marked for deletion only between the call after
            // that and the one before its rename: a kill outside that leaves it empty, or whole
            // (a new file or the commit's record, which counts only under its own name). The next
            // run removes them all.
            const std::string recordMagic = "tarnex commit 1";
            const bool wholeRecord = left.size() > recordMagic.size() &&
                                     std::equal(recordMagic.begin(), recordMagic.end(), left.begin());
            if (left == oldData || left == oldAnimation || left.empty() || wholeRecord)
                continue;
#endif
            EXPECT_TRUE(left == newData || left == newAnimation) << "a temporary file stayed behind: " << name << ", " << left.size() << " bytes";
        }
        EXPECT_EQ(ReadFileBytes(dir.File("in.3ds")), scene);
    }
    EXPECT_GE(killed, moments / 4) << "too few kills landed while the program ran";
    std::printf("%d of %d kills landed, %d of them during the commit\n", killed, moments, midCommit);

    // Whatever the last kill left, the next run completes, an append counting every frame, and
    // removes the name a kill between naming a file and putting it in place may have left.
    const std::uint32_t before = FrameCountOf(ReadFileBytes(dir.File("ship_a.3d")));
    WriteFileBytes(dir.File(".tarnex-0123456789abcdef.tmp"), newData);
#ifdef _WIN32
    WriteFileBytes(dir.File(".tarnex-0123456789abcdef.new"), {});
#endif
    EXPECT_EQ(RunCli(arguments, logs.Path()).exitStatus, 0);
    EXPECT_EQ(dir.Entries(), files);
    const Bytes after = ReadFileBytes(dir.File("ship_a.3d"));
    EXPECT_TRUE(Consistent(after));
    if (append)
        EXPECT_EQ(FrameCountOf(after), before + frames);
    else
        EXPECT_EQ(after, newAnimation);
}

} // namespace

TEST(KernelFaults, KilledConversionLeavesOldOrCompleteNewFiles)
{
    KillAtRandomMoments(false, 20);
}

TEST(KernelFaults, KilledAppendLeavesOldOrCompletelyAppendedFile)
{
    KillAtRandomMoments(true, 20);
}
