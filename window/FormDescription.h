// The main window's form description: the window's properties and every
// control with its kind, place, text, properties, tab order and the events
// bound to it. The Win32 view builds the window from this table alone.
#pragma once

#include "TAction.h"

#include <array>
#include <cstddef>
#include <optional>

namespace brisel {

enum class ControlKind { Label, Edit, Button };

enum class ControlId {
    lblTargetDir,
    Label1,
    lblChangePath,
    Label3,
    edtTargetDir,
    btnStart,
    btnCancel
};
// The number of controls, the last id's number plus one.
constexpr std::size_t kControlCount = static_cast<std::size_t>(ControlId::btnCancel) + 1;

// Control properties, combined as bits.
enum ControlProperty : unsigned {
    kTransparent = 1u << 0, // drawn over the background picture
    kHandCursor = 1u << 1,  // the hand-point cursor over the control
    kLinkFont = 1u << 2,    // own font: blue and underlined
    kReadOnly = 1u << 3,
    kTooltipBackground = 1u << 4, // the system tooltip background colour
    kClickable = 1u << 5,         // a click runs the control's click event
};

enum class ControlEvent { None, lblChangePathClick, edtTargetDirChange };

struct ControlDescription {
    ControlId id;
    ControlKind kind;
    int left, top, width, height;
    const char* text; // Shift-JIS; empty for controls that take an action's caption
    unsigned properties;
    int tabOrder; // -1: not a tab stop
    std::optional<ActionId> action;
    ControlEvent event;
};

struct FontDescription {
    int height; // negative: character height in pixels
    unsigned char charset;
    const char* face; // Shift-JIS
};

struct FormDescription {
    const char* caption;
    int clientWidth, clientHeight;
    FontDescription font;
    std::array<ControlDescription, kControlCount> controls;
};

constexpr unsigned char kShiftJisCharset = 128;

extern const FormDescription kFormMainDescription;

const ControlDescription& DescriptionOf(ControlId id);

} // namespace brisel
