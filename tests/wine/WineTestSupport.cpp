#include "WineTestSupport.h"

#include "core/Mbcs.h"
#include "platform/Locale.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace brisel::wine_test {

namespace {

// The lead-byte set of Shift-JIS, installed before any test runs, as the
// installer's entry does at start-up whatever the system's code page.
class ShiftJisLeadBytes : public ::testing::Environment {
public:
    void SetUp() override { InstallLeadByteSet(LeadByteSet::ShiftJis()); }
};

[[maybe_unused]] ::testing::Environment* const kShiftJisLeadBytes =
    ::testing::AddGlobalTestEnvironment(new ShiftJisLeadBytes);

} // namespace

std::string ReadSourceFile(const std::string& relativePath) {
    std::string path = std::string("Z:") + BRISEL_SOURCE_DIR + "/" + relativePath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring Wide(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

void CreateShortcut(const std::filesystem::path& link, const std::filesystem::path& target) {
    std::filesystem::create_directories(link.parent_path());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkW* shellLink = nullptr;
    IPersistFile* file = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&shellLink));
    if (SUCCEEDED(result)) {
        result = shellLink->SetPath(target.c_str());
    }
    if (SUCCEEDED(result)) {
        result = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    }
    if (SUCCEEDED(result)) {
        result = file->Save(link.c_str(), TRUE);
    }
    if (file != nullptr) {
        file->Release();
    }
    if (shellLink != nullptr) {
        shellLink->Release();
    }
    CoUninitialize();
    EXPECT_EQ(result, S_OK) << link;
}

} // namespace brisel::wine_test
