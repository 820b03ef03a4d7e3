// Writing payload files on a real file system through the game folder, in
// folders of any depth; the guarantees for files in use, links and files
// with other names, and temporary files left by a killed run.
#include "core/Exceptions.h"
#include "platform/GameFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace brisel {
namespace {

// Long paths are made, read and removed through the wide functions with
// the "\\?\" prefix, which have no path limit; the code under test gets the
// plain paths.
std::wstring Long(const std::string& ascii) {
    return L"\\\\?\\" + std::wstring(ascii.begin(), ascii.end());
}

// The ASCII path as the code under test takes it.
WideString W(const std::string& ascii) {
    return WideString(ascii.begin(), ascii.end());
}

// Writes as the patch step does: the game folder opened by its path, the
// entry (names below it) checked, then written; EFileWriteError when refused.
void WriteEntry(const std::string& game, const std::string& entry, std::string_view bytes) {
    const auto folder = platform::OpenGameFolder(W(game));
    const EntryPath names = *SplitEntry(W(entry));
    if (folder->Check(names).problem != platform::EntryProblem::None) {
        throw EFileWriteError("refused");
    }
    platform::BytesContent content(bytes);
    folder->Write(names, content);
}

// The same of a file by its path, in the folder that holds it.
void WriteThroughFolder(const std::string& path, std::string_view bytes) {
    const std::size_t slash = path.rfind('\\');
    WriteEntry(path.substr(0, slash), path.substr(slash + 1), bytes);
}

std::string TempFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, path);
    EXPECT_GT(length, 0u);
    return std::string(path) + "BriselFileWrite";
}

std::string ReadAll(const std::string& path) {
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "(absent)";
    }
    std::string bytes;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0) {
        bytes.append(block, read);
    }
    CloseHandle(file);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(Long(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.emplace_back(name.begin(), name.end());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& folder) {
    for (const auto& name : Entries(folder)) {
        const std::string path = folder + "\\" + name;
        const DWORD attributes = GetFileAttributesW(Long(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveTree(path);
        } else {
            SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(Long(path).c_str());
        }
    }
    RemoveDirectoryW(Long(folder).c_str());
}

class FileWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(base_);
        ASSERT_TRUE(CreateDirectoryW(Long(base_).c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(base_); }

    // A folder below the test's own whose path has exactly length bytes,
    // made of components of at most 100 bytes.
    std::string FolderOfLength(std::size_t length) {
        std::string path = base_;
        EXPECT_GE(length, path.size() + 2);
        while (path.size() < length) {
            std::size_t component = std::min<std::size_t>(100, length - path.size() - 1);
            if (length - path.size() - 1 - component == 1) {
                --component; // leave room for a last component of two bytes
            }
            path += "\\" + std::string(component, 'd');
            EXPECT_TRUE(CreateDirectoryW(Long(path).c_str(), nullptr) ||
                        GetLastError() == ERROR_ALREADY_EXISTS)
                << path;
        }
        return path;
    }

    const std::string base_ = TempFolder();
};

TEST_F(FileWriteTest, WritesFilesInFoldersUpToThePathLimit) {
    const std::string payload = "new content";
    struct Case {
        const char* what;
        std::size_t folderLength;
        std::string name;
        const char* old; // existing content, or null
    } cases[] = {
        {"a short folder, a new file", 60, "a.dat", nullptr},
        {"a short folder, a file replaced", 60, "a.dat", "old content that is longer"},
        // The destination fits the limit, a temporary name beside it would not.
        {"a deep folder, a new file", 245, "a.dat", nullptr},
        {"a deep folder, a file replaced", 245, "a.dat", "old content that is longer"},
        {"a destination of 259 bytes", 245, std::string(13, 'n'), "old"},
        // Past the classic limit the long form of the path is used.
        {"a destination past the limit, a new file", 245, std::string(30, 'n') + ".dat", nullptr},
        {"a folder of 400, a file replaced", 400, "a.dat", "old content that is longer"},
    };
    for (const auto& c : cases) {
        const std::string folder = FolderOfLength(c.folderLength);
        const std::string path = folder + "\\" + c.name;
        if (c.old != nullptr) {
            WriteAll(path, c.old);
        }
        EXPECT_NO_THROW(WriteThroughFolder(path, payload)) << c.what;
        EXPECT_EQ(ReadAll(path), payload) << c.what;
        EXPECT_EQ(Entries(folder), std::vector<std::string>{c.name}) << c.what;
        RemoveTree(base_);
        CreateDirectoryW(Long(base_).c_str(), nullptr);
    }
}

// The bytes go out through a buffer of 1 MiB: sizes around its multiples,
// through the temporary file and written in place in a deep folder, over a
// longer old file, must come back byte for byte.
TEST_F(FileWriteTest, WritesEveryByteWhateverTheSize) {
    const std::size_t block = 1u << 20;
    std::string pattern(5 * block / 2 + 7, '\0');
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<char>((i * 131 + i / 4093) & 0xFF);
    }
    const std::size_t sizes[] = {0, 1, block - 1, block, block + 1, 2 * block, pattern.size()};
    const std::string shallow = FolderOfLength(60);
    const std::string deep = FolderOfLength(245);
    for (const std::string& folder : {shallow, deep}) {
        for (const std::size_t size : sizes) {
            const std::string path = folder + "\\a.dat";
            WriteAll(path, std::string(3 * block, 'o'));
            const std::string_view bytes(pattern.data(), size);
            ASSERT_NO_THROW(WriteThroughFolder(path, bytes)) << folder.size() << " " << size;
            EXPECT_TRUE(ReadAll(path) == bytes) << "folder of " << folder.size() << ", " << size;
            EXPECT_EQ(Entries(folder), std::vector<std::string>{"a.dat"}) << size;
        }
    }
}

TEST_F(FileWriteTest, FailsCleanlyWhereAPlainWriteFails) {
    const std::string deep = FolderOfLength(245);
    const std::string inUse = deep + "\\in-use.dat";
    WriteAll(inUse, "old in use");
    HANDLE held = CreateFileW(Long(inUse).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    struct Case {
        const char* what;
        std::string path;
        std::string contentAfter;
    } cases[] = {
        {"a missing sub-folder", deep + "\\missing\\a.dat", "(absent)"},
        {"a file in use", inUse, "old in use"},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(WriteThroughFolder(c.path, "new"), EFileWriteError) << c.what;
    }
    CloseHandle(held);
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAll(c.path), c.contentAfter) << c.what;
    }
    EXPECT_EQ(Entries(deep), std::vector<std::string>{"in-use.dat"});
}

// Links and files with other names (the fixture wine_links makes Unix
// symbolic links in the build folder, which Wine resolves without showing a
// reparse point): a folder that leads out of the game folder is refused, a
// file with another name outside is replaced by its name. Nothing outside
// changes.
TEST_F(FileWriteTest, NeverWritesThroughALinkToOutside) {
    std::string links = "Z:";
    for (const char c : std::string(BRISEL_WINE_LINKS)) {
        links += c == '/' ? '\\' : c;
    }
    ASSERT_EQ(ReadAll(links + "\\outside\\file.dat"), "outside") << "the fixture's links";
    WriteAll(base_ + "\\outside.dat", "outside");
    CreateDirectoryW(Long(base_ + "\\game").c_str(), nullptr);
    ASSERT_TRUE(CreateHardLinkW(Long(base_ + "\\game\\hard.dat").c_str(),
                                Long(base_ + "\\outside.dat").c_str(), nullptr));
    struct Case {
        std::string game, entry;
        bool written;
    } cases[] = {
        {links + "\\game", "sub\\file.dat", false}, // sub leads to outside
        {links + "\\game", "soft.dat", true},       // a link to outside\\file.dat
        {base_ + "\\game", "hard.dat", true},       // another name of outside.dat
    };
    for (const auto& c : cases) {
        if (c.written) {
            EXPECT_NO_THROW(WriteEntry(c.game, c.entry, "new")) << c.entry;
            EXPECT_EQ(ReadAll(c.game + "\\" + c.entry), "new") << c.entry;
        } else {
            EXPECT_THROW(WriteEntry(c.game, c.entry, "new"), EFileWriteError) << c.entry;
        }
    }
    EXPECT_EQ(ReadAll(links + "\\outside\\file.dat"), "outside");
    EXPECT_EQ(ReadAll(base_ + "\\outside.dat"), "outside");
}

// A rename the system refuses (a program opened the file after the check)
// leaves the old file and no temporary file; temporary files that a killed
// run left are removed when the folder is opened again, and nothing else.
TEST_F(FileWriteTest, LeavesNoTemporaryFileWhateverHappens) {
    const std::string path = base_ + "\\a.dat";
    WriteAll(path, "old");
    WriteAll(base_ + "\\~bp0123456789abcdef.tmp", "left by a killed run");
    WriteAll(base_ + "\\~bp-not-ours.tmp", "the game's");
    const auto folder = platform::OpenGameFolder(W(base_));
    const EntryPath entry = {u"a.dat"};
    ASSERT_EQ(folder->Check(entry).problem, platform::EntryProblem::None);
    HANDLE scanner = CreateFileW(Long(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    platform::BytesContent content("new");
    EXPECT_THROW(folder->Write(entry, content), EFileWriteError);
    CloseHandle(scanner);
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(Entries(base_), (std::vector<std::string>{"a.dat", "~bp-not-ours.tmp"}));
}

} // namespace
} // namespace brisel
