// A view of the main window that records what the logic shows, for the
// host tests of TFormMain.
#pragma once

#include "platform/substitute/Utf.h"
#include "window/IFormView.h"

#include <functional>
#include <string>
#include <vector>

namespace brisel::test {

class FakeFormView : public IFormView {
public:
    std::string caption = "FormMain";
    std::string shownTargetDir; // UTF-8, as the tests' host paths
    std::vector<std::string> plainMessages;
    std::vector<std::string> errorReports;
    struct ActionState {
        std::string caption;
        bool enabled;
    };
    std::vector<std::pair<ActionId, ActionState>> actionChanges;
    int backgroundChanges = 0;
    bool closed = false;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress; // done, total
    int patchesEnded = 0;
    struct BrowseRequest {
        std::string prompt, initialFolder; // the folder UTF-8
    };
    std::vector<BrowseRequest> browseRequests;
    std::string browseAnswer;             // what the next browse returns (UTF-8)
    std::function<void()> onPlainMessage; // runs while a message is up

    void SetCaption(const String& text) override { caption = text; }
    void ShowTargetDir(const WideString& path) override { shownTargetDir = substitute::Utf8(path); }
    void ActionChanged(const TAction& action) override {
        actionChanges.push_back({action.Id(), {action.Caption(), action.Enabled()}});
    }
    void BackgroundChanged() override { ++backgroundChanges; }
    void ShowPlainMessage(const String& text) override {
        plainMessages.push_back(text);
        if (onPlainMessage) {
            onPlainMessage();
        }
    }
    void ShowErrorReport(const String& text) override { errorReports.push_back(text); }
    WideString BrowseForFolder(const String& prompt, const WideString& initialFolder) override {
        browseRequests.push_back({prompt, substitute::Utf8(initialFolder)});
        return substitute::FromUtf8(browseAnswer);
    }
    void PatchProgress(std::uint64_t done, std::uint64_t total) override {
        progress.push_back({done, total});
    }
    void PatchEnded() override { ++patchesEnded; }
    void Close() override { closed = true; }
};

} // namespace brisel::test
