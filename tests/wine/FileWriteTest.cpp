// Writing payload files on a real file system, in folders of any depth:
// paths past the classic limit of 260 units are written through their long
// form, temporary file included; the guarantees for files in use stay as
// they are.
#include "core/Exceptions.h"
#include "platform/Files.h"

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
        EXPECT_NO_THROW(platform::WriteWholeFile(W(path), payload)) << c.what;
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
            ASSERT_NO_THROW(platform::WriteWholeFile(W(path), bytes))
                << folder.size() << " " << size;
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
        EXPECT_THROW(platform::WriteWholeFile(W(c.path), "new"), EFileWriteError) << c.what;
    }
    CloseHandle(held);
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAll(c.path), c.contentAfter) << c.what;
    }
    EXPECT_EQ(Entries(deep), std::vector<std::string>{"in-use.dat"});
}

} // namespace
} // namespace brisel
