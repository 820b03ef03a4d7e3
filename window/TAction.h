// An action: a command with a caption and an enabled state. Buttons bound
// to it show the caption and follow the state; executing it runs its
// handler only while it is enabled.
#pragma once

#include "core/AnsiString.h"

#include <functional>

namespace brisel {

enum class ActionId { Start, Cancel, ChangePath };

class TAction {
public:
    using Handler = std::function<void()>;
    using ChangeListener = std::function<void(const TAction&)>;

    TAction(ActionId id, String caption, bool enabled) noexcept
        : id_(id), caption_(std::move(caption)), enabled_(enabled) {}
    TAction(const TAction&) = delete;
    TAction& operator=(const TAction&) = delete;

    ActionId Id() const { return id_; }
    const String& Caption() const { return caption_; }
    bool Enabled() const { return enabled_; }

    void SetCaption(const String& caption);
    void SetEnabled(bool enabled);

    void OnExecute(Handler handler) { handler_ = std::move(handler); }
    void OnChange(ChangeListener listener) { listener_ = std::move(listener); }

    // Runs the handler when the action is enabled; true when it ran.
    bool Execute();

private:
    void Changed();

    ActionId id_;
    String caption_;
    bool enabled_;
    Handler handler_;
    ChangeListener listener_;
};

} // namespace brisel
