#include "FormDescription.h"

namespace brisel {

const FormDescription kFormMainDescription = {
    "FormMain",
    600,
    300,
    {-12, kShiftJisCharset, "ＭＳ Ｐゴシック"},
    {{
        {ControlId::lblTargetDir, ControlKind::Label, 8, 240, 105, 12, "修正対象ディレクトリ",
         kTransparent, -1, std::nullopt, ControlEvent::None},
        {ControlId::Label1, ControlKind::Label, 8, 280, 291, 12,
         "↑このパスが自動検索されましたが、間違っている場合は", kTransparent, -1, std::nullopt,
         ControlEvent::None},
        {ControlId::lblChangePath, ControlKind::Label, 304, 280, 20, 12, "ここ",
         kTransparent | kHandCursor | kLinkFont | kClickable, -1, std::nullopt,
         ControlEvent::lblChangePathClick},
        {ControlId::Label3, ControlKind::Label, 328, 280, 124, 12, "を押して変更してください",
         kTransparent, -1, std::nullopt, ControlEvent::None},
        {ControlId::edtTargetDir, ControlKind::Edit, 8, 256, 473, 20, "",
         kReadOnly | kTooltipBackground, 2, std::nullopt, ControlEvent::edtTargetDirChange},
        {ControlId::btnStart, ControlKind::Button, 488, 240, 107, 25, "", 0, 0, ActionId::Start,
         ControlEvent::None},
        {ControlId::btnCancel, ControlKind::Button, 488, 272, 107, 25, "", 0, 1, ActionId::Cancel,
         ControlEvent::None},
    }},
};

const ControlDescription& DescriptionOf(ControlId id) {
    for (const auto& control : kFormMainDescription.controls) {
        if (control.id == id) {
            return control;
        }
    }
    return kFormMainDescription.controls[0];
}

} // namespace brisel
